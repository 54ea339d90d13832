// Opens a document or an address in the desktop's associated program (the browser for web
// pages and HTML files). Tests install their own opener so that nothing is launched.
#pragma once

#include <QUrl>

#include <functional>

namespace teleon::platform {

// Opens url; false when the desktop has no program for it.
using DocumentOpener = std::function<bool(const QUrl& url)>;

// Opens url through the installed opener (by default the desktop's: QDesktopServices).
bool OpenDocument(const QUrl& url);
// Installs an opener; an empty one restores the desktop's.
void setDocumentOpener(DocumentOpener opener);

} // namespace teleon::platform
