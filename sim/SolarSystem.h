// Where the planets and the Moon stand, for the telescope's STAR 901-909 entries: geocentric
// positions on the J2000 (GCRS) axes, as the telescope's other library positions are, with
// light time, the Sun's light deflection and annual aberration applied. Planets from ERFA's
// eraPlan94, the Moon from eraMoon98; Pluto, which eraPlan94 lacks, from Keplerian mean
// elements (below).
#pragma once

#include <QtGlobal>

namespace teleon::sim {

// In the telescope's numbering: STAR 901 + (value - 1).
enum class SolarSystemBody {
    None = 0,
    Mercury,
    Venus,
    Moon,
    Mars,
    Jupiter,
    Saturn,
    Uranus,
    Neptune,
    Pluto,
};

struct BodyPosition {
    double raHours = 0;    // 0 up to 24
    double decDegrees = 0; // -90 to 90
    double distanceAu = 0; // geometric distance from the Earth's centre at light-emission time
};

// The body's position at utcMs (milliseconds since 1970-01-01T00:00Z; TDB is taken equal to
// TT, which moves the Moon by well under 0.01").
//
// Pluto: heliocentric Keplerian elements for the mean ecliptic and equinox of J2000 with
// linear rates (the standard approximate elements fitted to the JPL DE405 ephemeris for
// 1800-2050), rotated to the equator and treated as the planets are. Good to about 1'
// within that range, worse outside it. The planets are as good as eraPlan94 (arc-seconds near
// 2000, up to about a minute of arc for the giant planets centuries away), the Moon as
// eraMoon98 (about 10").
BodyPosition bodyPosition(SolarSystemBody body, qint64 utcMs);

// The name the telescope shows for it: "MERCURY", "VENUS", "THE MOON", "MARS", ...
const char* bodyName(SolarSystemBody body);

} // namespace teleon::sim
