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

// Alt-az: altitude 30-60 (20-70 relaxed), declination 60 (70), hour angle free. Polar: hour angle
// 3.5 h (4.5 h) either side, declination 30 (40), altitude from 30 (20). Each row: accepted by
// the first pass, by the second.
TEST(AlignBounds, FirstAndSecondPass) {
    const struct {
        AlignSelection selection;
        double decDeg, hourAngleHours, altDeg;
        bool normal, relaxed;
    } rows[] = {{A, 20, 3, 60.0, true, true},   {A, 20, 3, 60.1, false, true},
                {A, 20, 3, 30.0, true, true},   {A, 20, 3, 29.9, false, true},
                {A, 20, 3, 70.0, false, true},  {A, 20, 3, 70.1, false, false},
                {A, 20, 3, 19.9, false, false}, {A, -60, 3, 45, true, true},
                {A, 65, 3, 45, false, true},    {A, 70.5, 3, 45, false, false},
                {A, 10, 12, 45, true, true},    {P, 10, 21.0, 50, true, true},
                {P, 10, 20.0, 50, false, true}, {P, 10, 3.5, 50, true, true},
                {P, 10, 4.5, 50, false, true},  {P, 10, 5.0, 50, false, false},
                {P, -30, 1, 40, true, true},    {P, 35, 1, 40, false, true},
                {P, 41, 1, 40, false, false},   {P, 0, 0, 89.9, true, true},
                {P, 0, 0, 25, false, true},     {P, 0, 0, -5, false, false}};
    for (const auto& r : rows) {
        const StarPlace place = at(r.decDeg, r.hourAngleHours, r.altDeg);
        EXPECT_EQ(std::pair(StarAccepted(SelectionLimits(r.selection, false), place),
                            StarAccepted(SelectionLimits(r.selection, true), place)),
                  std::pair(r.normal, r.relaxed))
            << int(r.selection) << " " << r.decDeg << " " << r.hourAngleHours << " " << r.altDeg;
    }
}

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

// Poor when nearly the same or the opposite direction, either way round.
TEST(AlignGeometry, PoorWhenNearlyTheSameOrOppositeDirection) {
    const struct {
        double az1, az2;
        bool poor;
    } rows[] = {{0, 90, false},   {10, 280, false}, {0, 0, true},       {0, 180, true},
                {350, 15, true},  {350, 20, false}, {100, 129.9, true}, {100, 130, false},
                {45, 300, false}, {30, 200, true},  {0, NAN, true}};
    for (const auto& r : rows) {
        EXPECT_EQ(PoorGeometry(r.az1, r.az2), r.poor) << r.az1 << " " << r.az2;
        EXPECT_EQ(PoorGeometry(r.az2, r.az1), r.poor) << r.az2 << " " << r.az1;
    }
}

QList<ConfigValue> section(int count) {
    QList<ConfigValue> values;
    for (int i = 1; i <= count; ++i)
        values.append({QStringLiteral("Star %1").arg(i), QString::number(i)});
    return values;
}

TEST(AlignPasses, FourGoodStarsKeepTheNormalLimitsThreeRelaxOnceBadDataIsPassedOver) {
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

    // Data that is not a star number is passed over.
    QList<ConfigValue> values = section(4);
    values << ConfigValue{QStringLiteral("Bad"), QStringLiteral("abc")}
           << ConfigValue{QStringLiteral("Too big"), QStringLiteral("70000")}
           << ConfigValue{QStringLiteral("Blank"), QString()};
    QList<int> asked;
    const auto counted = [&asked](qint16 n) { return asked.append(n), at(10, 1, 45); };
    EXPECT_EQ(SelectAlignStars(A, values, counted, {}).stars.size(), 4);
    EXPECT_EQ(asked, (QList<int>{1, 2, 3, 4}));
}

} // namespace
} // namespace teleon
