#pragma once
// Problems the user must see on screen, not only in the log: their data could not be saved, or a
// file of theirs could not be read. A store that meets one posts a notice; the application shows
// each cause once, as an alert (app/NoticeAlerts.h), besides the store's own log line.
//
// A notice is the notification "UserNotice" (object: the poster) with the userInfo texts:
//   "cause"    what makes two notices the same (the file and the reason): shown once per run;
//   "title"    the alert's title ("Not saved");
//   "message"  the sentence the user reads;
//   "file"     the full path of the file concerned;
//   "reason"   the reason in plain words ("permission denied").
//
// A store of another subsystem reports a failed save in one call:
//     platform::postSaveFailure(this, QStringLiteral("The plan"), path, error,
//                               QStringLiteral("It is kept until the editor is left again."));
// which reads "The plan could not be saved to LSGG-LFLP.plist: permission denied. It is kept
// until the editor is left again."
//
// Threads: any thread may post; the notification is handed to the main thread (without waiting)
// and its observers run there.

#include <QString>

namespace vantrel::platform {

inline constexpr char kUserNoticeNotification[] = "UserNotice";

// Posts a notice with its own title and sentence.
void postUserNotice(const void* poster, const QString& cause, const QString& title, const QString& message,
                    const QString& path = {}, const QString& reason = {});

// A failed save of `what` ("The logbook") to `path`; `error` is the writer's message (for example
// "cannot write /x/flights.plist: Permission denied"), from which the plain reason is taken;
// `outcome` says what becomes of the data ("Your flights are kept until the next try.").
void postSaveFailure(const void* poster, const QString& what, const QString& path, const QString& error,
                     const QString& outcome);

// The reason of a writer's or reader's message in plain words: the text after its last ": ",
// with a lower-case first letter ("Permission denied" -> "permission denied").
QString plainReason(const QString& error);

// The sentence of a failed save: "<what> could not be saved to <file name>: <reason>. <outcome>"
// (without " to <file name>" when there is no path).
QString saveFailureSentence(const QString& what, const QString& path, const QString& reason, const QString& outcome);

}  // namespace vantrel::platform
