#pragma once
// The screens' long texts (the disclaimer, the help), kept as HTML files among the bundle's
// resources so that they can be edited without touching the interface files.
//
// Threads: any thread (reads a file).

#include <QString>

namespace vantrel::app {

// The contents of the bundle resource "<name>.html". A missing or unreadable file is logged and
// gives a short paragraph saying so, so that the screen never shows an empty page.
QString bundleHtml(const QString& name);

}  // namespace vantrel::app
