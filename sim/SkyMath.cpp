#include "sim/SkyMath.h"

#include <erfa.h>
#include <erfam.h>

#include <cmath>

namespace teleon::sim {

double localSiderealHours(qint64 utcMs, double longitudeWestDegrees) {
    // Julian date of UTC split as 2440587.5 (the Unix epoch) + days, which keeps precision.
    const double days = static_cast<double>(utcMs) / 86'400'000.0;
    double tai1 = 0, tai2 = 0, tt1 = 0, tt2 = 0;
    // Status +1 ("dubious year") only warns that the leap-second table may be out of date.
    if (eraUtctai(2440587.5, days, &tai1, &tai2) < 0) {
        tai1 = 2440587.5;
        tai2 = days + 37.0 / 86400.0;
    }
    eraTaitt(tai1, tai2, &tt1, &tt2);
    const double gastRad = eraGst06a(2440587.5, days, tt1, tt2);
    const double lastRad = eraAnp(gastRad - longitudeWestDegrees * ERFA_DD2R);
    return lastRad * 12.0 / ERFA_DPI;
}

Horizontal toHorizontal(const HourAngleDec& equatorial, double latitudeDegrees) {
    double az = 0, el = 0;
    eraHd2ae(equatorial.hourAngleHours * 15.0 * ERFA_DD2R, equatorial.decDegrees * ERFA_DD2R,
             latitudeDegrees * ERFA_DD2R, &az, &el);
    return {az * ERFA_DR2D, el * ERFA_DR2D};
}

HourAngleDec toEquatorial(const Horizontal& horizontal, double latitudeDegrees) {
    double ha = 0, dec = 0;
    eraAe2hd(horizontal.azimuthDegrees * ERFA_DD2R, horizontal.altitudeDegrees * ERFA_DD2R,
             latitudeDegrees * ERFA_DD2R, &ha, &dec);
    return {eraAnpm(ha) * ERFA_DR2D / 15.0, dec * ERFA_DR2D};
}

double wrapSignedDegrees(double degrees) {
    double r = std::fmod(degrees + 180.0, 360.0);
    if (r < 0)
        r += 360.0;
    return r - 180.0;
}

double wrapHours(double hours) {
    double r = std::fmod(hours, 24.0);
    if (r < 0)
        r += 24.0;
    return r >= 24.0 ? 0.0 : r;
}

} // namespace teleon::sim
