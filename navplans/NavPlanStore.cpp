#include "NavPlanStore.h"

#include "NavPlanKeys.h"
#include "PlanFileName.h"
#include "XmlSafeText.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/DocumentsLock.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/core/UserNotice.h"
#include "platform/plist/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <optional>

namespace vantrel::navplans {

using platform::Array;
using platform::Dictionary;
using platform::DictionaryPtr;
using platform::logLine;
using platform::Value;

namespace {

// A plan file is a few kilobytes; a larger entry is something else that a plist reader should
// not be asked to take into memory whole.
constexpr qint64 kMaxPlanFileBytes = 16 * 1024 * 1024;
// How far the numbered names of one base go before a save gives up.
constexpr int kMaxFileNumber = 1000;

// The plist dictionary in the file, or null for anything else (without logging: the caller says
// what it does with such an entry).
DictionaryPtr readPlanFile(const QFileInfo& info) {
    if (!info.isFile() || info.size() > kMaxPlanFileBytes) return {};
    return platform::plist::readFile(info.filePath()).dictionary();
}

// What a listing needs of a plan file: whether it is a plist dictionary and the plan's name,
// read from an XML file up to that name (the store writes it before the waypoints), without
// making a value of any waypoint. A binary property list is read whole (those come from elsewhere
// and are small).
struct PlanHead {
    bool isPlan = false;
    std::optional<QString> name;
};

PlanHead readWholePlanHead(const QFileInfo& info) {
    PlanHead head;
    if (DictionaryPtr whole = readPlanFile(info)) {
        head.isPlan = true;
        if (const Value* name = whole->find(keys::waypointName); name && name->isString()) head.name = name->toQString();
    }
    return head;
}

PlanHead readPlanHead(const QFileInfo& info) {
    PlanHead head;
    if (!info.isFile() || info.size() > kMaxPlanFileBytes) return head;
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly)) return head;
    if (file.peek(8) == "bplist00") return readWholePlanHead(info);
    QXmlStreamReader xml(&file);
    if (!xml.readNextStartElement() || xml.name() != u"plist") return head;
    if (!xml.readNextStartElement() || xml.name() != u"dict") return head;
    while (xml.readNextStartElement()) {
        if (xml.name() != u"key") return head;
        const QString key = xml.readElementText();
        if (xml.hasError() || !xml.readNextStartElement()) return head;
        if (key == keys::waypointName.toQString() && xml.name() == u"string") {
            const QString name = xml.readElementText();
            if (xml.hasError()) return head;
            // The stream reader turns a carriage return into a line feed as XML says, the plist
            // reader keeps it: a name with a line break is read the plist reader's way.
            if (name.contains(u'\n')) return readWholePlanHead(info);
            head = {true, name};
            return head;
        }
        xml.skipCurrentElement();  // a value, the waypoints among them: tokens only
    }
    // The whole dictionary went by without a name.
    head.isPlan = !xml.hasError() && xml.isEndElement() && xml.name() == u"dict";
    return head;
}

QString describe(const QFileInfo& info) {
    if (info.isDir()) return QStringLiteral("a folder");
    if (!info.isFile()) return QStringLiteral("not a plain file");
    if (info.size() > kMaxPlanFileBytes) return QStringLiteral("too large for a plan");
    return QStringLiteral("not a property-list dictionary");
}

// The plan with its name before every other key and its waypoints last, so that a listing finds
// the name at the top of the file.
Value nameFirst(const Value& plan) {
    const Dictionary* source = plan.asDictionary();
    if (!source) return plan;
    DictionaryPtr ordered = Dictionary::create(source->size());
    if (const Value* name = source->find(keys::waypointName)) ordered->set(keys::waypointName, *name);
    for (const auto& entry : source->entries())
        if (!(entry.key == keys::waypointName) && !(entry.key == keys::wp)) ordered->set(entry.key, entry.value);
    if (const Value* waypoints = source->find(keys::wp)) ordered->set(keys::wp, *waypoints);
    return Value(ordered);
}

}  // namespace

NavPlanStore::NavPlanStore(QString folder) : folder_(std::move(folder)), plans_(Array::create()) { reload(); }

QString NavPlanStore::defaultFolder() {
    const QString documents = platform::Paths::documentsDirectory();
    if (documents.isEmpty()) return {};
    const QString folder = documents + QStringLiteral("/navplans");
    QDir().mkpath(folder);
    return folder;
}

QString NavPlanStore::savePath() const {
    if (!folder_.isEmpty()) QDir().mkpath(folder_);
    return folder_;
}

DictionaryPtr NavPlanStore::planAt(size_t row) const {
    DictionaryPtr plan = row < plans_->size() ? plans_->at(row).dictionary() : DictionaryPtr();
    if (plan) load(plan);
    return plan;
}

const platform::ArrayPtr& NavPlanStore::navigationPlansArray() const {
    for (const Value& v : *plans_) load(v.dictionary());
    return plans_;
}

QString NavPlanStore::planNameAt(size_t row) const {
    const Dictionary* plan = row < plans_->size() ? plans_->at(row).asDictionary() : nullptr;
    const Value* name = plan ? plan->find(keys::waypointName) : nullptr;
    return name && name->isString() ? name->toQString() : QString();
}

bool NavPlanStore::isLoaded(size_t row) const {
    if (row >= plans_->size()) return false;
    auto found = files_.find(plans_->at(row).asDictionary());
    return found == files_.end() || found->second.loaded;
}

void NavPlanStore::load(const DictionaryPtr& plan) const {
    auto found = files_.find(plan.get());
    if (found == files_.end() || found->second.loaded) return;
    FileRef& ref = found->second;
    ref.loaded = true;
    const QString path = folder_ + u'/' + ref.name;
    const DictionaryPtr stored = readPlanFile(QFileInfo(path));
    if (!stored) {
        // Its beginning read as a plan, the rest does not: listed on without a name, never written over.
        logLine(QStringLiteral("The plan file %1 could not be read whole; it is listed as a plan without a name").arg(path));
        plan->remove(keys::waypointName.view());
        ref.holdsPlan = false;
        return;
    }
    for (const auto& entry : stored->entries()) plan->set(entry.key, entry.value);
    if (platform::ArrayPtr waypoints = plan->get(keys::wp).array()) plan->set(keys::wp, Value(waypoints->mutableCopy()));
}

QString NavPlanStore::fileNameOf(const DictionaryPtr& plan) const {
    auto found = files_.find(plan.get());
    return found == files_.end() ? QString() : found->second.name;
}

std::vector<DictionaryPtr> NavPlanStore::plansNamed(const QString& name) const {
    std::vector<DictionaryPtr> found;
    auto named = [&name](const Dictionary& plan) {
        const Value* stored = plan.find(keys::waypointName);
        return stored && stored->isString() && stored->toQString() == name;
    };
    for (const Value& v : *plans_) {
        if (!named(*v.asDictionary())) continue;
        // Read whole: the caller works with the plan (a damaged file loses its name here).
        load(v.dictionary());
        if (named(*v.asDictionary())) found.push_back(v.dictionary());
    }
    return found;
}

void NavPlanStore::reload() {
    plans_->clear();
    files_.clear();
    const QString folder = savePath();
    if (folder.isEmpty()) {
        logLine("No documents folder: the navigation plans start empty and cannot be saved");
        return;
    }
    removeStaleTemporaryFiles(folder);
    // The file system's own order, hidden entries included: every entry is a row.
    const QStringList entries =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString& entry : entries) {
        const QFileInfo info(folder + u'/' + entry);
        // The name only: the waypoints are read when the plan is asked for (planAt), so that a
        // large plan does not hold up the list.
        DictionaryPtr plan = Dictionary::create(3);
        const PlanHead head = readPlanHead(info);
        if (head.isPlan) {
            if (head.name) plan->set(keys::waypointName, Value(*head.name));
        } else {
            logLine(QStringLiteral("The entry \"%1\" of the plans folder is %2; it is listed as a plan without a name")
                        .arg(entry, describe(info)));
        }
        files_[plan.get()] = FileRef{entry, head.isPlan, !head.isPlan};
        plans_->append(Value(plan));
    }
}

void NavPlanStore::removeStaleTemporaryFiles(const QString& folder) {
    // A save cut short (a crash, a power loss) leaves its temporary file beside the plan files,
    // where it would be listed as a plan without a name.
    QStringList targets;
    const QString planSuffix = u'.' + PlanFileName::kExtension;
    for (const QString& entry :
         QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted)) {
        const QString target = platform::atomicWriteTargetOf(entry);
        if (target.endsWith(planSuffix)) targets << target;
    }
    platform::removeStaleTemporaryFiles(folder, targets);
}

void NavPlanStore::reportSaveFailure(const QString& path, const QString& error) const {
    platform::postSaveFailure(this, QStringLiteral("The plan"), path, error,
                              QStringLiteral("It is kept until the editor is left again."));
}

DictionaryPtr NavPlanStore::newPlan() {
    DictionaryPtr plan = Dictionary::create(3);
    plan->set(keys::name, Value("untitled"));
    return plan;
}

platform::ArrayPtr NavPlanStore::waypointsOf(Dictionary& plan) {
    const Value* stored = plan.find(keys::wp);
    if (stored && stored->isArray()) return stored->array();
    if (stored)
        logLine(QStringLiteral("The plan \"%1\" holds no waypoint list but %2; it starts with no waypoints")
                    .arg(plan.get(keys::waypointName).toQString(), QString::fromStdString(stored->description())));
    platform::ArrayPtr waypoints = Array::create();
    plan.set(keys::wp, Value(waypoints));
    return waypoints;
}

QString NavPlanStore::chooseFileName(const QString& folder, const DictionaryPtr& plan, const QString& name,
                                     SameName sameName, bool* replacing, QString* existing) const {
    const QString base = PlanFileName::baseFor(name);
    auto own = files_.find(plan.get());
    if (own != files_.end() && own->second.holdsPlan && PlanFileName::numberOf(own->second.name, base) > 0)
        return own->second.name;

    for (int number = 1; number <= kMaxFileNumber; ++number) {
        const QString candidate = PlanFileName::fileName(base, number);
        const QFileInfo info(folder + u'/' + candidate);
        if (!info.exists() && !info.isSymLink()) return candidate;
        if (info.isSymLink()) continue;
        // A file found damaged when it was read whole is never written over.
        bool damaged = false;
        for (const auto& [record, ref] : files_) damaged = damaged || (ref.name == candidate && !ref.holdsPlan);
        const PlanHead head = damaged ? PlanHead{} : readPlanHead(info);
        if (head.isPlan && head.name == name) {
            if (sameName == SameName::Keep) {
                *existing = candidate;
                return {};
            }
            *replacing = true;
            return candidate;
        }
        if (number == 1)
            logLine(QStringLiteral("The file \"%1\" holds another plan or something else; the plan \"%2\" takes a numbered name")
                        .arg(candidate, name));
    }
    logLine(QStringLiteral("Error writing navigation plan to disk : no free file name for \"%1\" in %2").arg(name, folder));
    return {};
}

QString NavPlanStore::storedName(const QString& typedName) {
    const QString name = xmlSafeText(typedName);
    return name.isEmpty() ? QStringLiteral("Untitled") : name;
}

DictionaryPtr NavPlanStore::otherPlanNamed(const DictionaryPtr& plan, const QString& typedName) const {
    for (const DictionaryPtr& other : plansNamed(storedName(typedName)))
        if (other != plan) return other;
    return {};
}

QString NavPlanStore::numberedName(const QString& typedName) const {
    const QString name = storedName(typedName);
    for (int number = 2;; ++number) {
        const QString candidate = QStringLiteral("%1 %2").arg(name).arg(number);
        if (plansNamed(candidate).empty()) return candidate;
    }
}

NavPlanStore::SaveResult NavPlanStore::savePlan(const DictionaryPtr& plan, const QString& typedName, SameName sameName) {
    if (!plan) return {};
    bool dropped = false;
    QString name = xmlSafeText(typedName, &dropped);
    if (dropped)
        logLine(QStringLiteral("The plan name \"%1\" held characters that a plan file cannot hold; they are left out").arg(name));
    if (name.isEmpty()) name = QStringLiteral("Untitled");
    plan->set(keys::waypointName, Value(name));

    const QString folder = savePath();
    if (folder.isEmpty()) {
        logLine(QStringLiteral("Error writing navigation plan to disk : \"%1\" (there is no documents folder)").arg(name));
        reportSaveFailure({}, QStringLiteral("there is no documents folder"));
        return {};
    }
    bool replacing = false;
    QString existing;
    const QString file = chooseFileName(folder, plan, name, sameName, &replacing, &existing);
    if (file.isEmpty()) {
        if (!existing.isEmpty()) return {Outcome::Exists, existing};
        reportSaveFailure(folder, QStringLiteral("every file name for it is taken"));
        return {};
    }

    if (file != name + u'.' + PlanFileName::kExtension && fileNameOf(plan) != file)
        logLine(QStringLiteral("The plan \"%1\" is stored in the file \"%2\"").arg(name, file));

    bool unsafeTexts = false;
    const Value content = nameFirst(xmlSafeCopy(Value(plan), &unsafeTexts));
    if (unsafeTexts)
        logLine(QStringLiteral("Texts of the plan \"%1\" held characters that a plan file cannot hold; the file leaves them out").arg(name));
    const QString path = folder + u'/' + file;
    QString error;
    if (!platform::plist::writeFile(path, content, platform::plist::Format::Xml, &error)) {
        logLine(QStringLiteral("Error writing navigation plan to disk : %1 (%2)").arg(path, error));
        reportSaveFailure(path, error);
        return {};
    }

    // A renamed plan moves: its former file goes once the new one is whole, so that one plan is
    // never two files (which would both come back at the next start).
    if (auto own = files_.find(plan.get()); own != files_.end() && own->second.holdsPlan && own->second.name != file) {
        const QString former = folder + u'/' + own->second.name;
        if (QFile::remove(former))
            logLine(QStringLiteral("The plan \"%1\" moved from \"%2\" to \"%3\"").arg(name, own->second.name, file));
        else if (QFileInfo::exists(former))
            logLine(QStringLiteral("The former plan file %1 could not be removed; the plan \"%2\" is now in \"%3\"")
                        .arg(former, name, file));
    }

    if (replacing) {
        for (size_t i = plans_->size(); i-- > 0;) {
            const Dictionary* other = plans_->at(i).asDictionary();
            auto ref = files_.find(other);
            if (other == plan.get() || ref == files_.end() || ref->second.name != file) continue;
            logLine(QStringLiteral("The plan \"%1\" replaced the plan of the same name in \"%2\"").arg(name, file));
            forget(other);
            plans_->removeAt(i);
        }
    }
    files_[plan.get()] = FileRef{file, true, true};
    if (plans_->indexOfIdentical(Value(plan)) < 0) plans_->append(Value(plan));
    return {replacing ? Outcome::Replaced : Outcome::Written, file};
}

void NavPlanStore::forget(const Dictionary* plan) { files_.erase(plan); }

bool NavPlanStore::deletePlan(size_t row) {
    DictionaryPtr plan = row < plans_->size() ? plans_->at(row).dictionary() : DictionaryPtr();
    if (!plan) return false;
    const QString file = fileNameOf(plan);
    const QString folder = savePath();
    if (const QString refusal = platform::pilotFilesWriteRefusal(); !refusal.isEmpty() && !file.isEmpty()) {
        // The row stays with its file: a plan that went from the list would come back at the next start.
        logLine(QStringLiteral("The plan file %1 is not deleted: %2").arg(folder + u'/' + file, refusal));
        platform::postSaveFailure(this, QStringLiteral("The plan"), folder + u'/' + file, QStringLiteral("cannot delete: ") + refusal,
                                  QStringLiteral("It stays in the list."));
        return false;
    }
    if (!file.isEmpty() && !folder.isEmpty()) {
        const QString path = folder + u'/' + file;
        const QFileInfo info(path);
        if (info.isDir() && !info.isSymLink())
            logLine(QStringLiteral("The entry \"%1\" of the plans folder is a folder; its row goes, the folder stays").arg(file));
        else if ((info.exists() || info.isSymLink()) && !QFile::remove(path))
            logLine(QStringLiteral("The plan file %1 could not be removed; it comes back at the next start").arg(path));
    }
    forget(plan.get());
    plans_->removeAt(row);
    return true;
}

}  // namespace vantrel::navplans
