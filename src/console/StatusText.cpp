#include "console/StatusText.h"

#include <cmath>

namespace teleon {

namespace {

// Characters from position `from` (1-based) for `count` characters; short texts give less.
QString chars(const QString& text, int from, int count) {
    return text.mid(from - 1, count);
}

const QChar Degree(0x00B0);

} // namespace

QString DisplayAngle(const QString& text) {
    return chars(text, 1, 3) + Degree + chars(text, 5, 2) + u'\'' + chars(text, 8, 2) + u'"';
}

QString DisplayAngleColons(const QString& text) {
    return chars(text, 1, 3) + u':' + chars(text, 5, 2) + u':' + chars(text, 8, 2);
}

QString DisplayTime(const QString& text) {
    return chars(text, 1, 2) + QStringLiteral("h ") + chars(text, 4, 2) + QStringLiteral("m ") +
           chars(text, 7, 2) + QStringLiteral("s ");
}

QString DisplayTimeColons(const QString& text) {
    return chars(text, 1, 2) + u':' + chars(text, 4, 2) + u':' + chars(text, 7, 2);
}

QString AzimuthFromSouthReply(const QString& reply) {
    int degrees = chars(reply, 1, 3).toInt() + 180;
    if (degrees >= 360)
        degrees -= 360;
    return QStringLiteral("%1").arg(degrees, 3, 10, QLatin1Char('0')) + Degree +
           chars(reply, 5, 2) + u'\'' + chars(reply, 8, 2) + u'"';
}

QString TimeOfDayText(double dayFraction) {
    double f = dayFraction - std::floor(dayFraction);
    long total = std::lround(f * 86400.0) % 86400;
    return QStringLiteral("%1h %2m %3s")
        .arg(total / 3600, 2, 10, QLatin1Char('0'))
        .arg((total / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

} // namespace teleon
