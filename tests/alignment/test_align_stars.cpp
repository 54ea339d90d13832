// Alignment star choice without a telescope: the selection bounds (rows at and just past each
// edge), the placement of a star, the poor-geometry test and the two passes over a fake sky.
#include "alignment/AlignStars.h"

#include <gtest/gtest.h>

#include <cmath>

namespace teleon {
namespace {

constexpr double Rad = 3.14159265358979323846 / 180.0;

StarPlace at(double decDeg, double hourAngleHours, double altDeg) {
    StarPlace p;
    p.decRad = decDeg * Rad;
    p.hourAngleHours = hourAngleHours;
    p.altitudeDeg = altDeg;
    return p;
}

const auto A = AlignSelection::AltAz;
const auto P = AlignSelection::Polar;

struct BoundRow {
    AlignSelection selection;
    double decDeg, hourAngleHours, altDeg;
    bool normal, relaxed; // accepted by the first pass, by the second
};

class AlignBounds : public ::testing::TestWithParam<BoundRow> {};

TEST_P(AlignBounds, FirstAndSecondPass) {
    const BoundRow& r = GetParam();
    const StarPlace place = at(r.decDeg, r.hourAngleHours, r.altDeg);
    EXPECT_EQ(StarAccepted(SelectionLimits(r.selection, false), place), r.normal);
    EXPECT_EQ(StarAccepted(SelectionLimits(r.selection, true), place), r.relaxed);
}

// Alt-az: altitude 30-60 (20-70 relaxed), declination 60 (70), hour angle free. Polar: hour angle
// 3.5 h (4.5 h) either side, declination 30 (40), altitude from 30 (20).
INSTANTIATE_TEST_SUITE_P(
    Rows, AlignBounds,
    ::testing::Values(BoundRow{A, 20, 3, 60.0, true, true}, BoundRow{A, 20, 3, 60.1, false, true},
                      BoundRow{A, 20, 3, 30.0, true, true}, BoundRow{A, 20, 3, 29.9, false, true},
                      BoundRow{A, 20, 3, 70.0, false, true}, BoundRow{A, 20, 3, 70.1, false, false},
                      BoundRow{A, 20, 3, 19.9, false, false}, BoundRow{A, -60, 3, 45, true, true},
                      BoundRow{A, 65, 3, 45, false, true}, BoundRow{A, 70.5, 3, 45, false, false},
                      BoundRow{A, 10, 12, 45, true, true}, BoundRow{P, 10, 21.0, 50, true, true},
                      BoundRow{P, 10, 20.0, 50, false, true}, BoundRow{P, 10, 3.5, 50, true, true},
                      BoundRow{P, 10, 4.5, 50, false, true}, BoundRow{P, 10, 5.0, 50, false, false},
                      BoundRow{P, -30, 1, 40, true, true}, BoundRow{P, 35, 1, 40, false, true},
                      BoundRow{P, 41, 1, 40, false, false}, BoundRow{P, 0, 0, 89.9, true, true},
                      BoundRow{P, 0, 0, 25, false, true}, BoundRow{P, 0, 0, -5, false, false}));

TEST(AlignPlace, MeridianStarAndHourAngleWrap) {
    // Latitude 33.5 N, a star of declination 0 on the meridian: altitude 56.5, azimuth 180.
    const StarPlace p = PlaceStar({33.5 * Rad, 5.0}, 5.0, 0.0);
    EXPECT_NEAR(p.hourAngleHours, 0.0, 1e-12);
    EXPECT_NEAR(p.altitudeDeg, 56.5, 1e-9);
    EXPECT_NEAR(p.azimuthDeg, 180.0, 1e-9);
    EXPECT_NEAR(PlaceStar({0.7, 1.0}, 23.0, 0.0).hourAngleHours, 2.0, 1e-12);
    EXPECT_NEAR(PlaceStar({0.7, 1.0}, 4.0, 0.0).hourAngleHours, 21.0, 1e-12);
    // Six hours west on the equator, seen from the equator: setting in the west.
    EXPECT_NEAR(PlaceStar({0.0, 6.0}, 0.0, 0.0).azimuthDeg, 270.0, 1e-9);
}

struct GeometryRow {
    double az1, az2;
    bool poor;
};
class AlignGeometry : public ::testing::TestWithParam<GeometryRow> {};
TEST_P(AlignGeometry, PoorWhenNearlyTheSameOrOppositeDirection) {
    EXPECT_EQ(PoorGeometry(GetParam().az1, GetParam().az2), GetParam().poor)
        << GetParam().az1 << " " << GetParam().az2;
    EXPECT_EQ(PoorGeometry(GetParam().az2, GetParam().az1), GetParam().poor);
}
INSTANTIATE_TEST_SUITE_P(Rows, AlignGeometry,
                         ::testing::Values(GeometryRow{0, 90, false}, GeometryRow{10, 280, false},
                                           GeometryRow{0, 0, true}, GeometryRow{0, 180, true},
                                           GeometryRow{350, 15, true}, GeometryRow{350, 20, false},
                                           GeometryRow{100, 129.9, true},
                                           GeometryRow{100, 130, false},
                                           GeometryRow{45, 300, false}, GeometryRow{30, 200, true},
                                           GeometryRow{0, NAN, true}));

QList<ConfigValue> section(int count) {
    QList<ConfigValue> values;
    for (int i = 1; i <= count; ++i)
        values.append({QStringLiteral("Star %1").arg(i), QString::number(i)});
    return values;
}

TEST(AlignPasses, FourGoodStarsKeepTheNormalLimitsThreeRelaxOnce) {
    int relaxations = 0;
    auto list = SelectAlignStars(
        A, section(4), [](qint16) { return at(10, 1, 45); }, [&] { ++relaxations; });
    EXPECT_EQ(relaxations, 0);
    EXPECT_FALSE(list.relaxed);
    EXPECT_EQ(list.stars.size(), 4);
    // Stars 1-3 are well placed, 4 and 5 only within the relaxed limits, 6 nowhere.
    auto place = [](qint16 n) {
        return n <= 3 ? at(10, 1, 45) : n <= 5 ? at(65, 1, 65) : at(80, 1, 45);
    };
    list = SelectAlignStars(A, section(6), place, [&] { ++relaxations; });
    EXPECT_EQ(relaxations, 1);
    EXPECT_TRUE(list.relaxed);
    ASSERT_EQ(list.stars.size(), 5);
    EXPECT_EQ(list.stars[4].number, 5);
    list = SelectAlignStars(P, {}, place, [&] { ++relaxations; });
    EXPECT_EQ(relaxations, 2); // an empty section: both passes, nothing found
    EXPECT_TRUE(list.stars.isEmpty());
    EXPECT_EQ(list.preselected, -1);
}

TEST(AlignPasses, DataThatIsNotAStarNumberIsPassedOver) {
    QList<ConfigValue> values = section(4);
    values << ConfigValue{QStringLiteral("Bad"), QStringLiteral("abc")}
           << ConfigValue{QStringLiteral("Too big"), QStringLiteral("70000")}
           << ConfigValue{QStringLiteral("Blank"), QString()};
    QList<int> asked;
    const auto place = [&asked](qint16 n) { return asked.append(n), at(10, 1, 45); };
    EXPECT_EQ(SelectAlignStars(A, values, place, {}).stars.size(), 4);
    EXPECT_EQ(asked, (QList<int>{1, 2, 3, 4}));
}

} // namespace
} // namespace teleon
