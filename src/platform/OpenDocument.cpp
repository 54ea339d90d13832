#include "platform/OpenDocument.h"

#include <QDesktopServices>

namespace teleon::platform {

namespace {

DocumentOpener& installedOpener() {
    static DocumentOpener opener;
    return opener;
}

} // namespace

bool OpenDocument(const QUrl& url) {
    if (const DocumentOpener& opener = installedOpener())
        return opener(url);
    return QDesktopServices::openUrl(url);
}

void setDocumentOpener(DocumentOpener opener) {
    installedOpener() = std::move(opener);
}

} // namespace teleon::platform
