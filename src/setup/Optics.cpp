#include "setup/Optics.h"

#include "link/Utilities.h"

#include <cmath>

namespace teleon {

namespace {

// Arc-minutes in one radian, as the camera field has always been computed.
constexpr double ArcminPerRadian = 3433.333;

[[noreturn]] void badRecord(const QString& record) {
    throw OpticsDataError(
        QStringLiteral("The optics data \"%1\" is not two numbers separated by a blank.")
            .arg(record)
            .toStdString());
}

} // namespace

OpticsRecord ParseOpticsRecord(const QString& record) {
    const QString text = record.trimmed();
    const qsizetype blank = text.indexOf(u' ');
    if (blank < 0)
        badRecord(record);
    OpticsRecord r;
    try {
        r.first = ParseNeutralNumber(text.left(blank));
        r.second = ParseNeutralNumber(text.mid(blank + 1));
    } catch (const NumberFormatError&) {
        badRecord(record);
    }
    if (!(r.first > 0) || !(r.second > 0) || !std::isfinite(r.first) || !std::isfinite(r.second))
        badRecord(record);
    return r;
}

double ScopeFocalLength(const OpticsRecord& scope) {
    return scope.first * scope.second;
}

TrueFieldResult EyepieceField(double scopeFocalLength, const OpticsRecord& eyepiece) {
    TrueFieldResult r;
    const double magnification = scopeFocalLength / eyepiece.first;
    r.magText = FormatOneDecimal(magnification);
    r.radiusArcmin = eyepiece.second / magnification * 30.0;
    r.widthArcmin = 2.0 * r.radiusArcmin;
    r.heightArcmin = r.widthArcmin;
    r.rectangular = false;
    r.fieldText = FormatOneDecimal(r.widthArcmin);
    return r;
}

TrueFieldResult CameraField(double scopeFocalLength, const OpticsRecord& camera) {
    TrueFieldResult r;
    r.widthArcmin = camera.first / scopeFocalLength * ArcminPerRadian;
    r.heightArcmin = camera.second / scopeFocalLength * ArcminPerRadian;
    r.radiusArcmin = std::min(r.widthArcmin, r.heightArcmin) / 2.0;
    r.rectangular = true;
    r.magText = QStringLiteral("n/a");
    r.fieldText =
        FormatOneDecimal(r.widthArcmin) + QStringLiteral(" x ") + FormatOneDecimal(r.heightArcmin);
    return r;
}

QString FormatOneDecimal(double value) {
    QString text = FormatNeutralNumber(value, QStringLiteral("0.0"));
    if (text.startsWith(QStringLiteral("0.")))
        text.remove(0, 1);
    else if (text.startsWith(QStringLiteral("-0.")))
        text.remove(1, 1);
    return text;
}

QString FieldRadiusArgument(double radiusArcmin) {
    if (!(radiusArcmin >= 0) || radiusArcmin >= 999.5)
        throw OpticsDataError(QStringLiteral("The field radius %1 arc-minutes cannot be sent.")
                                  .arg(radiusArcmin)
                                  .toStdString());
    // Round half to even, whatever the floating-point environment says.
    const double whole = std::floor(radiusArcmin);
    const double frac = radiusArcmin - whole;
    double rounded = whole;
    if (frac > 0.5 || (frac == 0.5 && std::fmod(whole, 2.0) != 0.0))
        rounded = whole + 1.0;
    return QStringLiteral("%1").arg(int(rounded), 3, 10, QLatin1Char('0'));
}

} // namespace teleon
