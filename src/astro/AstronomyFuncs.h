// Angle and time unit conversions used throughout the program (module Astronomy_Funcs).
// The value of pi is the program's own fixed constant, 3.14159265358979, not M_PI: results that
// are compared with stored or displayed values must come out the same everywhere.
#pragma once

namespace teleon {

inline constexpr double kAstroPi = 3.14159265358979;

// Degrees to radians: d × 3.14159265358979 / 180.
inline constexpr double DegToRad(double degrees) {
    return degrees * kAstroPi / 180.0;
}

// Radians to degrees: r × 180 / 3.14159265358979.
inline constexpr double RadToDeg(double radians) {
    return radians * 180.0 / kAstroPi;
}

// Hours (of right ascension, hour angle or sidereal time) to degrees: h × 15.
inline constexpr double HoursToDeg(double hours) {
    return hours * 15.0;
}

// Hours to radians: DegToRad(HoursToDeg(h)).
inline constexpr double HoursToRad(double hours) {
    return DegToRad(HoursToDeg(hours));
}

} // namespace teleon
