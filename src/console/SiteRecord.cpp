#include "console/SiteRecord.h"

namespace teleon {

namespace {

const QChar DegreeByte(0x00DF); // the telescope's degree sign, byte 223

// Characters from..to (1-based, inclusive) as an unsigned number; -1 when they are not digits.
int digitsAt(const QString& record, int from, int to) {
    const QString field = record.mid(from - 1, to - from + 1).trimmed();
    bool ok = false;
    const int value = field.toInt(&ok);
    return ok && value >= 0 && !field.startsWith(u'+') ? value : -1;
}

QString twoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

std::optional<SiteCommandArgs> SiteCommandsFor(const QString& record) {
    if (record.size() < 29)
        return std::nullopt;
    const int latDeg = digitsAt(record, 8, 9);
    const int latMin = digitsAt(record, 12, 13);
    const int lonDeg = digitsAt(record, 18, 20);
    const int lonMin = digitsAt(record, 23, 24);
    if (latDeg < 0 || latMin < 0 || lonDeg < 0 || lonMin < 0 || latMin > 59 || lonMin > 59)
        return std::nullopt;
    const bool south = record.at(4) == u'S';
    const QChar hemisphere = record.at(15);
    if (hemisphere != u'E' && hemisphere != u'W')
        return std::nullopt;

    SiteCommandArgs args;
    args.latitude = (south && (latDeg != 0 || latMin != 0) ? QStringLiteral("-") : QString()) +
                    QString::number(latDeg) + DegreeByte + twoDigits(latMin);
    int westMinutes = lonDeg * 60 + lonMin;
    if (hemisphere == u'E')
        westMinutes = (360 * 60 - westMinutes) % (360 * 60);
    args.longitude = QString::number(westMinutes / 60) + DegreeByte + twoDigits(westMinutes % 60);
    args.utcOffset = record.mid(26, 3);
    return args;
}

} // namespace teleon
