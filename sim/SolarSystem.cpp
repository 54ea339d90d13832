#include "sim/SolarSystem.h"

#include <erfa.h>
#include <erfam.h>

#include <cmath>

namespace teleon::sim {
namespace {

struct Vector {
    double x = 0, y = 0, z = 0;
};

Vector operator+(const Vector& a, const Vector& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vector operator-(const Vector& a, const Vector& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
double length(const Vector& v) {
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}
Vector fromPv(const double pv[2][3]) {
    return {pv[0][0], pv[0][1], pv[0][2]};
}

// Terrestrial Time as a two-part Julian date.
void terrestrialTime(qint64 utcMs, double& tt1, double& tt2) {
    const double days = static_cast<double>(utcMs) / 86'400'000.0;
    double tai1 = 0, tai2 = 0;
    // Status +1 ("dubious year") only warns that the leap-second table may be out of date.
    if (eraUtctai(2440587.5, days, &tai1, &tai2) < 0) {
        tai1 = 2440587.5;
        tai2 = days + 37.0 / 86400.0;
    }
    eraTaitt(tai1, tai2, &tt1, &tt2);
}

struct EarthState {
    Vector heliocentric;
    Vector barycentric;
};

EarthState earthAt(double t1, double t2) {
    double pvh[2][3], pvb[2][3];
    eraEpv00(t1, t2, pvh, pvb);
    return {fromPv(pvh), fromPv(pvb)};
}

// Pluto's heliocentric position (au, J2000 equator) from mean elements.
Vector plutoHeliocentric(double t1, double t2) {
    const double centuries = ((t1 - ERFA_DJ00) + t2) / ERFA_DJC;
    const double a = 39.48211675 - 0.00031596 * centuries;
    const double e = 0.24882730 + 0.00005170 * centuries;
    const double inclination = (17.14001206 + 0.00004818 * centuries) * ERFA_DD2R;
    const double meanLongitude = 238.92903833 + 145.20780515 * centuries;
    const double perihelionLongitude = 224.06891629 - 0.04062942 * centuries;
    const double node = (110.30393684 - 0.01183482 * centuries) * ERFA_DD2R;
    const double argument = perihelionLongitude * ERFA_DD2R - node;
    const double meanAnomaly = eraAnpm((meanLongitude - perihelionLongitude) * ERFA_DD2R);

    double eccentric = meanAnomaly + e * std::sin(meanAnomaly);
    for (int i = 0; i < 30; ++i) {
        const double step =
            (eccentric - e * std::sin(eccentric) - meanAnomaly) / (1.0 - e * std::cos(eccentric));
        eccentric -= step;
        if (std::fabs(step) < 1e-14)
            break;
    }
    const double xOrbit = a * (std::cos(eccentric) - e);
    const double yOrbit = a * std::sqrt(1.0 - e * e) * std::sin(eccentric);

    const double cw = std::cos(argument), sw = std::sin(argument);
    const double cn = std::cos(node), sn = std::sin(node);
    const double ci = std::cos(inclination), si = std::sin(inclination);
    const double x = (cw * cn - sw * sn * ci) * xOrbit + (-sw * cn - cw * sn * ci) * yOrbit;
    const double y = (cw * sn + sw * cn * ci) * xOrbit + (-sw * sn + cw * cn * ci) * yOrbit;
    const double z = sw * si * xOrbit + cw * si * yOrbit;

    const double obliquity = 23.43928 * ERFA_DD2R; // of J2000
    const double ce = std::cos(obliquity), se = std::sin(obliquity);
    return {x, ce * y - se * z, se * y + ce * z};
}

// The body's barycentric position (au) at the TT date t1 + t2.
Vector barycentric(SolarSystemBody body, double t1, double t2) {
    const EarthState earth = earthAt(t1, t2);
    double pv[2][3];
    switch (body) {
    case SolarSystemBody::Moon:
        eraMoon98(t1, t2, pv);
        return earth.barycentric + fromPv(pv);
    case SolarSystemBody::Pluto:
        return plutoHeliocentric(t1, t2) + (earth.barycentric - earth.heliocentric);
    default:
        break;
    }
    // eraPlan94 numbers the planets as the telescope does (its 3, the Earth-Moon barycentre, is
    // the telescope's Moon, handled above). Status 1 (outside 1000-3000 AD) still gives one.
    eraPlan94(t1, t2, static_cast<int>(body), pv);
    return fromPv(pv) + (earth.barycentric - earth.heliocentric);
}

} // namespace

BodyPosition bodyPosition(SolarSystemBody body, qint64 utcMs) {
    if (body == SolarSystemBody::None)
        return {};
    double tt1 = 0, tt2 = 0;
    terrestrialTime(utcMs, tt1, tt2);
    const Vector earth = earthAt(tt1, tt2).barycentric;

    // Light time: the body where it was when the light now arriving left it.
    double lightDays = 0;
    Vector fromEarth;
    for (int i = 0; i < 10; ++i) {
        fromEarth = barycentric(body, tt1, tt2 - lightDays) - earth;
        const double next = length(fromEarth) / ERFA_DC;
        const bool settled = std::fabs(next - lightDays) < 1e-12;
        lightDays = next;
        if (settled)
            break;
    }

    double ra = 0, dec = 0;
    double v[3] = {fromEarth.x, fromEarth.y, fromEarth.z};
    eraC2s(v, &ra, &dec);
    // Deflection by the Sun and aberration for a geocentric observer.
    double observer[2][3] = {{0, 0, 0}, {0, 0, 0}};
    eraASTROM astrom{};
    eraApcs13(tt1, tt2, observer, &astrom);
    double raApparent = 0, decApparent = 0;
    eraAtciqz(ra, dec, &astrom, &raApparent, &decApparent);
    return {eraAnp(raApparent) * 12.0 / ERFA_DPI, decApparent * ERFA_DR2D, length(fromEarth)};
}

const char* bodyName(SolarSystemBody body) {
    switch (body) {
    case SolarSystemBody::Mercury:
        return "MERCURY";
    case SolarSystemBody::Venus:
        return "VENUS";
    case SolarSystemBody::Moon:
        return "THE MOON";
    case SolarSystemBody::Mars:
        return "MARS";
    case SolarSystemBody::Jupiter:
        return "JUPITER";
    case SolarSystemBody::Saturn:
        return "SATURN";
    case SolarSystemBody::Uranus:
        return "URANUS";
    case SolarSystemBody::Neptune:
        return "NEPTUNE";
    case SolarSystemBody::Pluto:
        return "PLUTO";
    case SolarSystemBody::None:
        break;
    }
    return "";
}

} // namespace teleon::sim
