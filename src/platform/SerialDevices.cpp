#include "platform/SerialDevices.h"

#include <QDir>

#include <algorithm>

namespace teleon::platform {

namespace {

// The number at the end of a name ("ttyUSB12" is 12); -1 when there is none.
long trailingNumber(const QString& name) {
    qsizetype start = name.size();
    while (start > 0 && name.at(start - 1).isDigit())
        --start;
    bool ok = false;
    const long n = name.mid(start).toLong(&ok);
    return ok ? n : -1;
}

QStringList devicesWithPrefix(const QDir& dev, const QString& prefix) {
    QStringList names =
        dev.entryList({prefix + u'*'}, QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    // entryList with System lists character devices; keep only names that are prefix + digits.
    names.erase(std::remove_if(names.begin(), names.end(),
                               [&](const QString& n) {
                                   const QString rest = n.mid(prefix.size());
                                   return rest.isEmpty() ||
                                          !std::all_of(rest.begin(), rest.end(),
                                                       [](QChar c) { return c.isDigit(); });
                               }),
                names.end());
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return trailingNumber(a) < trailingNumber(b);
    });
    QStringList paths;
    for (const QString& n : names)
        paths << dev.filePath(n);
    return paths;
}

} // namespace

QStringList ListSerialDevices(const QString& devRoot) {
    const QDir dev(devRoot);
    QStringList devices;
    for (const char* prefix : {"ttyS", "ttyUSB", "ttyACM"})
        devices << devicesWithPrefix(dev, QLatin1String(prefix));
    const QDir byId(dev.filePath(QStringLiteral("serial/by-id")));
    if (byId.exists()) {
        const QStringList links =
            byId.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& n : links)
            devices << byId.filePath(n);
    }
    return devices;
}

} // namespace teleon::platform
