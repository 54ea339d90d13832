#include "setup/Tips.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

// The shipped tips live in this library's resources; a static library registers them by hand.
static void initShippedTips() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(teleon_setup);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace teleon {

void RegisterSetupResources() {
    initShippedTips();
}

QStringList ParseTips(const QString& text) {
    QStringList tips;
    const QStringList lines = text.split(u'\n');
    for (const QString& line : lines) {
        const QString tip = line.trimmed();
        if (!tip.isEmpty())
            tips << tip;
    }
    return tips;
}

std::optional<QString> FindTipsFile(const QString& name, const QString& programDir) {
    if (name.trimmed().isEmpty())
        return std::nullopt;
    const QString dir = programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir;
    const QString beside = QDir(dir).filePath(name);
    if (QFileInfo(beside).isFile())
        return beside;
    initShippedTips();
    const QString shipped = QStringLiteral(":/teleon/") + QFileInfo(name).fileName();
    if (QFileInfo(shipped).isFile())
        return shipped;
    return std::nullopt;
}

std::optional<QStringList> ReadTipsFile(const QString& path) {
    if (path.isEmpty())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return ParseTips(QString::fromUtf8(file.readAll()));
}

int NextTipNumber(int currentTip, qsizetype tipCount) {
    if (tipCount <= 0)
        return 0;
    const int next = currentTip + 1;
    return next < 1 || next > tipCount ? 1 : next;
}

} // namespace teleon
