// The telescope's own sky arithmetic: sidereal time from its clock and site, and the turn
// between equatorial (hour angle, declination) and horizontal (azimuth, altitude) coordinates.
#pragma once

#include <QtGlobal>

namespace teleon::sim {

// Local apparent sidereal time in hours (0 up to 24) at utcMs (milliseconds since
// 1970-01-01T00:00Z) for a site longitudeWestDegrees west of Greenwich. UT1 is taken equal to
// UTC (no DUT1, so up to 0.9 s of time off), as a telescope without a time service does.
double localSiderealHours(qint64 utcMs, double longitudeWestDegrees);

struct Horizontal {
    double azimuthDegrees;  // from north through east, 0 up to 360
    double altitudeDegrees; // geometric, no refraction
};

struct HourAngleDec {
    double hourAngleHours; // -12 up to 12, positive west of the meridian
    double decDegrees;
};

Horizontal toHorizontal(const HourAngleDec& equatorial, double latitudeDegrees);
HourAngleDec toEquatorial(const Horizontal& horizontal, double latitudeDegrees);

// Brings an angle into -180 up to 180 degrees (shortest signed difference).
double wrapSignedDegrees(double degrees);
// Brings hours into 0 up to 24.
double wrapHours(double hours);

} // namespace teleon::sim
