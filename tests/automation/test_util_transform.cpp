// Util's conversions at their edges, and the coordinate transform's two systems kept in step.
#include "automation/CoordinateTransform.h"
#include "automation/Util.h"
#include "platform/CallErrors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>

namespace teleon {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

void expectError(const platform::CallErrorTrap& trap, int number, const char* description) {
    ASSERT_TRUE(trap.failed());
    EXPECT_EQ(trap.error()->number, number);
    EXPECT_EQ(trap.error()->message, QString::fromUtf8(description));
}

TEST(UtilTest, ArithmeticAtItsEdges) {
    struct Row {
        const char* what;
        std::function<double(Util&)> call;
        double expected;
        double tolerance;
    };
    const Row rows[] = {
        {"HourAngle(0, 23)", [](Util& u) { return u.HourAngle(0, 23); }, -15, 1e-12},
        {"HourAngle(23, 0)", [](Util& u) { return u.HourAngle(23, 0); }, 15, 1e-12},
        {"RangeValue(-370, 360)", [](Util& u) { return u.RangeValue(-370, 360); }, 350, 1e-9},
        // A range that is not positive leaves the value; a tiny step against a huge value ends.
        {"RangeValue(-5, 0)", [](Util& u) { return u.RangeValue(-5, 0); }, -5, 0},
        {"RangeValue(-1e300, 1) in [0, 1)",
         [](Util& u) {
             const double v = u.RangeValue(-1e300, 1);
             return v >= 0 && v < 1 ? 1.0 : 0.0;
         },
         1, 0},
        {"Julian_Day at midnight", [](Util& u) { return u.Julian_Day(2451545.5); }, 2451545.5,
         1e-9},
        {"Julian_Day at noon", [](Util& u) { return u.Julian_Day(2451545.0); }, 2451544.5, 1e-9},
        {"Calendar_Julian(2000, 1, 1.5)", [](Util& u) { return u.Calendar_Julian(2000, 1, 1.5); },
         2451545.0, 1e-9},
        {"Date_Julian of 2000-01-01 12:00", [](Util& u) { return u.Date_Julian(36526.5); },
         2451545.0, 1e-9},
        {"Julian_Date of J2000", [](Util& u) { return u.Julian_Date(2451545.0); }, 36526.5, 1e-9},
        {"Julian_DayOfWeek of J2000 (a Saturday)",
         [](Util& u) { return u.Julian_DayOfWeek(2451545.0); }, 6, 0},
        {"Julian_DaysInMonth of February 2000",
         [](Util& u) { return u.Julian_DaysInMonth(2451600.0); }, 29, 0},
        {"Julian_FracYear of mid-2000", [](Util& u) { return u.Julian_FracYear(2451727.5); },
         2000.5, 2e-3},
        {"FracYear_Julian(2000.0) is 1 January 0h",
         [](Util& u) { return u.FracYear_Julian(2000.0); }, 2451544.5, 1e-6},
        // Greenwich sidereal time at J2000: 18h 41m 50.5s (apparent, within a second).
        {"Julian_GMST(J2000)", [](Util& u) { return u.Julian_GMST(2451545.0); }, 18.6973, 3e-4},
        {"Date_GMST agrees", [](Util& u) { return u.Date_GMST(36526.5); }, 18.6973, 3e-4},
        {"Obliquity(J2000) in degrees (IAU 2006)", [](Util& u) { return u.Obliquity(2451545.0); },
         23.4392794, 1e-6},
        {"TT - UTC at J2000 is 64.184 s",
         [](Util& u) { return (u.Julian_TJD(2451545.0) - 2451545.0) * 86400.0; }, 63.8, 0.5},
        {"refraction of a true altitude 0 is about 29'",
         [](Util& u) { return u.ApplyRefraction(0, 1010, 10) * 60.0; }, 28.98, 0.05},
        {"RemoveRefraction undoes it",
         [](Util& u) { return u.RemoveRefraction(u.ApplyRefraction(10, 1010, 10), 1010, 10); }, 10,
         1e-9},
        {"DMS_Degrees reads Degrees_DMS's carried form",
         [](Util& u) { return u.DMS_Degrees(u.Degrees_DMS(12.9999999)); }, 13, 1e-9},
        {"DMS_Degrees reads a three-digit negative",
         [](Util& u) { return u.DMS_Degrees(u.Degrees_DMS(-45.25)); }, -45.25, 1e-9},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Util util;
        platform::CallErrorTrap trap;
        EXPECT_NEAR(row.call(util), row.expected, row.tolerance);
        EXPECT_FALSE(trap.failed()) << trap.error()->message.toStdString();
    }
}

TEST(UtilTest, DegreesDmsCarriesAndSigns) {
    const std::pair<double, const char*> rows[] = {
        {-0.5, "-0° 30' 0\""},         // the sign stands before a zero degree count
        {12.9999999, "013° 00' 00\""}, // seconds and minutes carry into padded fields
        {0.99999999, "001° 00' 00\""}, //
        {12.05, "12° 3' 0\""},         // no padding without a carry
        {-45.25, "-45° 15' 0\""},
    };
    Util util;
    for (const auto& [degrees, text] : rows)
        EXPECT_EQ(util.Degrees_DMS(degrees), QString::fromUtf8(text)) << degrees;
}

TEST(UtilTest, ErrorsReachTheCaller) {
    Util util;
    {
        platform::CallErrorTrap trap;
        EXPECT_EQ(util.Julian_DayOfWeek(NaN), 0);
        expectError(trap, 1041, "Failed to find day of week from Julian date");
    }
    // Nothing that is not a number is formatted as an angle or a time.
    const std::function<QString()> formats[] = {
        [&] { return util.Degrees_ScopeDMS(NaN); }, [&] { return util.Hours_HMS(Inf); },
        [&] { return util.Degrees_HMS(-Inf); }, [&] { return util.Degrees_DMS(NaN); }};
    for (const auto& format : formats) {
        platform::CallErrorTrap trap;
        EXPECT_EQ(format(), QString());
        expectError(trap, 1028, "Value out of range");
    }
}

TEST(CoordinateTransformTest, SettersKeepBothSystemsInStep) {
    CoordinateTransform ct;
    ct.Init(0, 0);
    ct.setRightAscension(1);
    EXPECT_NEAR(ct.HourAngle(), 345, 1e-9);
    ct.setHourAngle(30);
    EXPECT_NEAR(ct.RightAscension(), 22, 1e-9);

    // A declination before any right ascension: hour angle 0, so at the latitude's declination
    // the position is the zenith.
    CoordinateTransform zenith;
    zenith.Init(30, 5);
    zenith.setDeclination(30);
    EXPECT_NEAR(zenith.Altitude(), 90, 1e-6);

    // An altitude uses the azimuth stored last: 0 (north) at first, then south.
    CoordinateTransform horizon;
    horizon.Init(40, 6);
    horizon.setAltitude(0);
    EXPECT_NEAR(horizon.Declination(), 50, 1e-6);
    EXPECT_NEAR(horizon.RightAscension(), 18, 1e-6);
    horizon.setAzimuth(180);
    EXPECT_NEAR(horizon.Declination(), -50, 1e-6);
    EXPECT_NEAR(horizon.RightAscension(), 6, 1e-6);
    EXPECT_NEAR(horizon.Altitude(), 0, 1e-9);
}

TEST(CoordinateTransformTest, InitialisedExactlyOnce) {
    CoordinateTransform ct;
    {
        platform::CallErrorTrap trap;
        EXPECT_EQ(ct.SiderealTime(), 0);
        expectError(trap, 1072, "Coordinate object has not been initialized.");
    }
    {
        platform::CallErrorTrap trap;
        ct.setAltitude(10);
        expectError(trap, 1072, "Coordinate object has not been initialized.");
    }
    Util util;
    std::unique_ptr<CoordinateTransform> made(util.NewCT(52.5, 7.25));
    ASSERT_TRUE(made);
    EXPECT_EQ(made->Latitude(), 52.5);
    EXPECT_EQ(made->SiderealTime(), 7.25);
    {
        platform::CallErrorTrap trap;
        made->Init(0, 0);
        expectError(trap, 1073, "Coordinate object has already been initialized.");
        EXPECT_EQ(made->Latitude(), 52.5);
    }
}

} // namespace
} // namespace teleon
