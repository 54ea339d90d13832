// Alignment star choice: the selection bounds (table rows at and just past each edge), the
// placement of a star, the poor-geometry test, the two passes with a fake sky, and the list
// builders and geometry check against the simulated telescope's sky with the computer's clock
// pinned.
#include "alignment/AlignStars.h"
#include "astro/Celest32.h"
#include "console/Registry.h"
#include "link/Channel.h"
#include "link/Commands.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"
#include "platform/Prompts.h"
#include "sim/Catalogue.h"
#include "sim/SimServer.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QFile>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace teleon {
namespace {

using platform::MsgIcon;
constexpr double Rad = 3.14159265358979323846 / 180.0;

StarPlace at(double decDeg, double hourAngleHours, double altDeg) {
    StarPlace p;
    p.decRad = decDeg * Rad;
    p.hourAngleHours = hourAngleHours;
    p.altitudeDeg = altDeg;
    return p;
}

// ---- bounds ----

struct BoundRow {
    const char* what;
    AlignSelection selection;
    StarPlace place;
    bool normal;  // accepted by the first pass
    bool relaxed; // accepted by the second pass
};

class AlignBounds : public ::testing::TestWithParam<BoundRow> {};

TEST_P(AlignBounds, FirstAndSecondPass) {
    const BoundRow& row = GetParam();
    EXPECT_EQ(StarAccepted(SelectionLimits(row.selection, false), row.place), row.normal)
        << row.what;
    EXPECT_EQ(StarAccepted(SelectionLimits(row.selection, true), row.place), row.relaxed)
        << row.what;
}

const auto A = AlignSelection::AltAz;
const auto P = AlignSelection::Polar;

INSTANTIATE_TEST_SUITE_P(
    Rows, AlignBounds,
    ::testing::Values(BoundRow{"alt-az altitude exactly 60", A, at(20, 3, 60.0), true, true},
                      BoundRow{"alt-az altitude 60.1", A, at(20, 3, 60.1), false, true},
                      BoundRow{"alt-az altitude exactly 30", A, at(20, 3, 30.0), true, true},
                      BoundRow{"alt-az altitude 29.9", A, at(20, 3, 29.9), false, true},
                      BoundRow{"alt-az altitude 20 and 70", A, at(20, 3, 70.0), false, true},
                      BoundRow{"alt-az altitude 70.1", A, at(20, 3, 70.1), false, false},
                      BoundRow{"alt-az altitude 19.9", A, at(20, 3, 19.9), false, false},
                      BoundRow{"alt-az declination -60", A, at(-60, 3, 45), true, true},
                      BoundRow{"alt-az declination 65", A, at(65, 3, 45), false, true},
                      BoundRow{"alt-az declination 70.5", A, at(70.5, 3, 45), false, false},
                      BoundRow{"alt-az hour angle is not limited", A, at(10, 12, 45), true, true},
                      BoundRow{"polar hour angle 21 h", P, at(10, 21.0, 50), true, true},
                      BoundRow{"polar hour angle 20 h", P, at(10, 20.0, 50), false, true},
                      BoundRow{"polar hour angle 3.5 h west", P, at(10, 3.5, 50), true, true},
                      BoundRow{"polar hour angle 4.5 h west", P, at(10, 4.5, 50), false, true},
                      BoundRow{"polar hour angle 5 h west", P, at(10, 5.0, 50), false, false},
                      BoundRow{"polar declination -30", P, at(-30, 1, 40), true, true},
                      BoundRow{"polar declination 35", P, at(35, 1, 40), false, true},
                      BoundRow{"polar declination 41", P, at(41, 1, 40), false, false},
                      BoundRow{"polar altitude has no top", P, at(0, 0, 89.9), true, true},
                      BoundRow{"polar altitude 25", P, at(0, 0, 25), false, true},
                      BoundRow{"polar below the horizon", P, at(0, 0, -5), false, false}));

// ---- placement ----

TEST(AlignPlace, MeridianStarStandsSouthAtColatitudePlusDeclination) {
    // Latitude 33.5 N, a star of declination 0 on the meridian: altitude 56.5, azimuth 180.
    const AlignSite site{33.5 * Rad, 5.0};
    const StarPlace p = PlaceStar(site, 5.0, 0.0);
    EXPECT_NEAR(p.hourAngleHours, 0.0, 1e-12);
    EXPECT_NEAR(p.altitudeDeg, 56.5, 1e-9);
    EXPECT_NEAR(p.azimuthDeg, 180.0, 1e-9);
}

TEST(AlignPlace, HourAngleWrapsIntoTheDay) {
    const AlignSite site{40.0 * Rad, 1.0};
    EXPECT_NEAR(PlaceStar(site, 23.0, 0.0).hourAngleHours, 2.0, 1e-12);
    EXPECT_NEAR(PlaceStar(site, 4.0, 0.0).hourAngleHours, 21.0, 1e-12);
    // Six hours west on the equator from the equator: setting in the west.
    const StarPlace west = PlaceStar({0.0, 6.0}, 0.0, 0.0);
    EXPECT_NEAR(west.altitudeDeg, 0.0, 1e-9);
    EXPECT_NEAR(west.azimuthDeg, 270.0, 1e-9);
}

// ---- geometry ----

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

// ---- the two passes ----

QList<ConfigValue> section(int count) {
    QList<ConfigValue> values;
    for (int i = 1; i <= count; ++i)
        values.append({QStringLiteral("Star %1").arg(i), QString::number(i)});
    return values;
}

TEST(AlignPasses, FourGoodStarsKeepTheNormalLimits) {
    int relaxations = 0;
    const auto list = SelectAlignStars(
        A, section(4), [](qint16) { return at(10, 1, 45); }, [&] { ++relaxations; });
    EXPECT_EQ(relaxations, 0);
    EXPECT_FALSE(list.relaxed);
    EXPECT_EQ(list.stars.size(), 4);
    EXPECT_EQ(list.preselected, -1);
}

TEST(AlignPasses, ThreeGoodStarsRelaxOnceAndTheSecondPassKeepsItsOwnResult) {
    // Stars 1-3 are well placed, 4 and 5 only within the relaxed limits, 6 nowhere.
    auto place = [](qint16 n) {
        return n <= 3 ? at(10, 1, 45) : n <= 5 ? at(65, 1, 65) : at(80, 1, 45);
    };
    int relaxations = 0;
    const auto list = SelectAlignStars(A, section(6), place, [&] { ++relaxations; });
    EXPECT_EQ(relaxations, 1);
    EXPECT_TRUE(list.relaxed);
    ASSERT_EQ(list.stars.size(), 5);
    EXPECT_EQ(list.stars[4].name, QStringLiteral("Star 5"));
    EXPECT_EQ(list.stars[4].number, 5);
}

TEST(AlignPasses, EmptySectionRunsBothPassesAndFindsNothing) {
    int relaxations = 0;
    const auto list = SelectAlignStars(
        P, {}, [](qint16) { return at(0, 0, 50); }, [&] { ++relaxations; });
    EXPECT_EQ(relaxations, 1);
    EXPECT_TRUE(list.stars.isEmpty());
    EXPECT_EQ(list.preselected, -1);
}

TEST(AlignPasses, DataThatIsNotAStarNumberIsPassedOver) {
    QList<ConfigValue> values = section(4);
    values.append({QStringLiteral("Bad"), QStringLiteral("abc")});
    values.append({QStringLiteral("Too big"), QStringLiteral("70000")});
    values.append({QStringLiteral("Blank"), QString()});
    QList<int> asked;
    const auto list = SelectAlignStars(A, values,
                                       [&](qint16 n) {
                                           asked.append(n);
                                           return at(10, 1, 45);
                                       },
                                       {});
    EXPECT_EQ(asked, (QList<int>{1, 2, 3, 4}));
    EXPECT_EQ(list.stars.size(), 4);
}

TEST(AlignPasses, PolarPreselectsTheStarClosestToTheZenithFirstOfEqual) {
    const double alts[] = {40, 70, 55, 70, 35};
    const auto list =
        SelectAlignStars(P, section(5), [&](qint16 n) { return at(0, 1, alts[n - 1]); }, {});
    ASSERT_EQ(list.stars.size(), 5);
    EXPECT_EQ(list.preselected, 1);
    EXPECT_EQ(list.stars[list.preselected].name, QStringLiteral("Star 2"));
}

// ---- against the simulated telescope ----

// The site of the simulated telescope (whole minutes, as the telescope reports them).
constexpr double SiteLatDeg = 33.0 + 25.0 / 60.0;
constexpr double SiteLonWestDeg = 111.0 + 50.0 / 60.0;
const QDateTime PinnedUtc(QDate(2026, 12, 7), QTime(4, 0), QTimeZone::utc());

class AlignStarsSimTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ResetConfigRoot();
        platform::setPrompts(&prompts);
        platform::setEndProgramHandler(platform::throwProgramEnded);
        celest32::SetClockOverride(PinnedUtc);
        sim.start();
        sim.withModel([](sim::LX200Model& m) {
            m.setSite(1, {"AAA", SiteLatDeg, SiteLonWestDeg});
        });
        com1().close();
        SetCommPort({sim.devicePath(), 0, QStringLiteral("COM3")});
        SetReplyTimeoutMs(500);
        int port = 0;
        ASSERT_TRUE(ConnectScope(port, true));
        SetLongFormat(true);
        SendCommandString(lx::GetRA);
        sim.clearLog();
    }
    void TearDown() override {
        com1().close();
        celest32::SetClockOverride(std::nullopt);
        platform::setPrompts(nullptr);
        platform::setEndProgramHandler(nullptr);
        SetReplyTimeoutMs(20000);
        ResetProgramState();
        ResetConfigRoot();
    }
    QList<QByteArray> heard() {
        SendCommandString(lx::GetRA);
        QList<QByteArray> commands = sim.receivedCommands();
        if (!commands.isEmpty() && commands.last() == "GR")
            commands.removeLast();
        sim.clearLog();
        return commands;
    }
    // An independent placement of catalogue star n: the simulator's catalogue position, the
    // site above and the sidereal time of the pinned clock.
    static StarPlace expected(int n) {
        const sim::CatalogueObject* o = sim::Catalogue::builtIn()->find(sim::Library::Star, n);
        EXPECT_NE(o, nullptr) << n;
        const double lst = celest32::now_lst(-SiteLonWestDeg * Rad);
        double h = lst - o->raHours;
        h -= 24.0 * std::floor(h / 24.0);
        double alt = 0, az = 0;
        celest32::hadec_aa(SiteLatDeg * Rad, h * 15.0 * Rad, o->decDegrees * Rad, &alt, &az);
        StarPlace p;
        p.raHours = o->raHours;
        p.decRad = o->decDegrees * Rad;
        p.hourAngleHours = h;
        p.altitudeDeg = alt / Rad;
        p.azimuthDeg = az / Rad;
        return p;
    }
    // The stars of the shipped section that the independent placement clearly accepts and
    // clearly rejects with limits (within 0.05 degree or 0.01 h of a bound: not judged).
    void judge(const AlignLimits& limits, std::set<QString>& in, std::set<QString>& out) {
        const auto values = EnumConfigSection(QString::fromLatin1(kAlignStarsSection));
        ASSERT_TRUE(values.has_value());
        for (const ConfigValue& v : *values) {
            const StarPlace p = expected(v.second.toInt());
            auto shifted = [&](double dDeg, double dH, double dAlt) {
                StarPlace q = p;
                q.decRad = (std::fabs(p.decRad / Rad) + dDeg) * Rad;
                q.hourAngleHours =
                    p.hourAngleHours < 12 ? p.hourAngleHours + dH : p.hourAngleHours - dH;
                q.altitudeDeg = p.altitudeDeg + dAlt;
                return StarAccepted(limits, q);
            };
            const bool base = StarAccepted(limits, p);
            bool stable = true;
            for (double s : {-1.0, 1.0})
                stable = stable && shifted(0.05 * s, 0, 0) == base &&
                         shifted(0, 0.01 * s, 0) == base && shifted(0, 0, 0.05 * s) == base;
            if (stable)
                (base ? in : out).insert(v.first);
        }
    }

    test::TempConfigHome home;
    platform::ScriptedPrompts prompts;
    sim::SimServer sim;
};

TEST_F(AlignStarsSimTest, AltAzListMatchesTheSkyAndAsksTheTelescopeInOrder) {
    const AlignStarList list = ChooseAlignStars(A);
    std::set<QString> in, out;
    judge(SelectionLimits(A, list.relaxed), in, out);
    std::set<QString> chosen;
    for (const auto& s : list.stars)
        chosen.insert(s.name);
    for (const QString& name : in)
        EXPECT_TRUE(chosen.count(name)) << name.toStdString();
    for (const QString& name : out)
        EXPECT_FALSE(chosen.count(name)) << name.toStdString();
    EXPECT_GT(in.size(), 3u); // this night has plenty of stars: one pass, no message
    EXPECT_FALSE(list.relaxed);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(StarCatalog, 0);
    const auto commands = heard();
    ASSERT_GE(commands.size(), 7);
    EXPECT_EQ(commands.mid(0, 7),
              (QList<QByteArray>{"Ls 0", "Sh 30", "Gg", "Gt", "LS 8", "Gr", "Gd"}));
    EXPECT_EQ(commands.size(), 4 + 3 * 34); // every star of the shipped section, once
}

TEST_F(AlignStarsSimTest, AltAzLeavesTheStarCatalogueChoiceAndPolarResetsIt) {
    StarCatalog = 2;
    ChooseAlignStars(A);
    EXPECT_EQ(StarCatalog, 2);
    ChooseAlignStars(P);
    EXPECT_EQ(StarCatalog, 0);
}

TEST_F(AlignStarsSimTest, PolarListMatchesTheSkyAndPreselectsTheHighest) {
    const AlignStarList list = ChooseAlignStars(P);
    std::set<QString> in, out;
    judge(SelectionLimits(P, list.relaxed), in, out);
    ASSERT_FALSE(list.stars.isEmpty());
    std::set<QString> chosen;
    for (const auto& s : list.stars)
        chosen.insert(s.name);
    for (const QString& name : in)
        EXPECT_TRUE(chosen.count(name)) << name.toStdString();
    for (const QString& name : out)
        EXPECT_FALSE(chosen.count(name)) << name.toStdString();
    EXPECT_EQ(list.relaxed, prompts.messages.size() == 1);
    ASSERT_GE(list.preselected, 0);
    const double best = expected(list.stars[list.preselected].number).altitudeDeg;
    for (const auto& s : list.stars)
        EXPECT_LE(expected(s.number).altitudeDeg, best + 0.02) << s.name.toStdString();
}

TEST_F(AlignStarsSimTest, FewStarsRelaxWithTheirMessageAndNoneLeavesPolarWithItsError) {
    // Only Polaris: never a candidate (declination 89).
    const auto values = *EnumConfigSection(QString::fromLatin1(kAlignStarsSection));
    for (const ConfigValue& v : values)
        if (v.first != QStringLiteral("Polaris"))
            DeleteConfig(QString::fromLatin1(kAlignStarsSection), v.first);

    const AlignStarList altAz = ChooseAlignStars(A);
    EXPECT_TRUE(altAz.stars.isEmpty());
    EXPECT_TRUE(altAz.relaxed);
    ASSERT_EQ(prompts.messages.size(), 1u); // the alt-az lists stay empty without a message
    EXPECT_EQ(prompts.messages[0].text, RelaxedLimitsMessage(A));
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(prompts.messages[0].title, QStringLiteral("LX-200 Vantor"));
    EXPECT_TRUE(RelaxedLimitsMessage(A).endsWith(QStringLiteral("Choose your stars with care.")));
    // Two passes over the one star.
    EXPECT_EQ(heard().count("LS 19"), 2);

    prompts.messages.clear();
    const AlignStarList polar = ChooseAlignStars(P);
    EXPECT_TRUE(polar.stars.isEmpty());
    EXPECT_EQ(polar.preselected, -1);
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[0].text, RelaxedLimitsMessage(P));
    EXPECT_TRUE(prompts.messages[0].text.endsWith(
        QStringLiteral("The closest to the zenith will be pre-selected.")));
    EXPECT_EQ(prompts.messages[1].text, QStringLiteral("No suitable alignment stars found"));
    EXPECT_EQ(prompts.messages[1].icon, MsgIcon::Critical);
}

TEST_F(AlignStarsSimTest, GeometryCheckWarnsForAPoorPairOnly) {
    // Pick from the shipped stars a pair in nearly the same direction and a pair about 90
    // degrees apart, by the independent placement.
    const auto values = *EnumConfigSection(QString::fromLatin1(kAlignStarsSection));
    int poor1 = -1, poor2 = -1, good1 = -1, good2 = -1;
    for (int i = 0; i < values.size(); ++i)
        for (int j = i + 1; j < values.size(); ++j) {
            const double a = expected(values[i].second.toInt()).azimuthDeg;
            const double b = expected(values[j].second.toInt()).azimuthDeg;
            double sep = std::fmod(std::fabs(a - b), 180.0);
            sep = std::min(sep, 180.0 - sep);
            if (sep < 20 && poor1 < 0)
                poor1 = values[i].second.toInt(), poor2 = values[j].second.toInt();
            if (sep > 80 && good1 < 0)
                good1 = values[i].second.toInt(), good2 = values[j].second.toInt();
        }
    ASSERT_GE(poor1, 0);
    ASSERT_GE(good1, 0);

    StarCatalog = 1;
    EXPECT_FALSE(CheckAlignStarGeometry(qint16(good1), qint16(good2)));
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(StarCatalog, 0);
    EXPECT_EQ(heard(),
              (QList<QByteArray>{"Ls 0", "Gg", "Gt", "LS " + QByteArray::number(good1), "Gr", "Gd",
                                 "LS " + QByteArray::number(good2), "Gr", "Gd"}));

    EXPECT_TRUE(CheckAlignStarGeometry(qint16(poor1), qint16(poor2)));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text,
              QStringLiteral("Your choice of stars has poor geometry. Pick stars that are closer "
                             "to 90 degrees apart if possible. If you use these stars, accuracy "
                             "will be questionable."));
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Exclamation);
}

TEST_F(AlignStarsSimTest, SilentTelescopeRaisesTheChannelsError) {
    sim.stopAnswering(true);
    EXPECT_THROW(ChooseAlignStars(A), LostLinkError);
    EXPECT_THROW(CheckAlignStarGeometry(67, 147), LostLinkError);
    sim.stopAnswering(false);
}

TEST_F(AlignStarsSimTest, MissingSectionEndsTheProgramWithItsMessage) {
    // A store made from a default that has no "Align Stars" section.
    QFile ini(home.path() + QStringLiteral("/default.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[General]\nCalDec2Mode=0\n");
    ini.close();
    SetConfigDefaultPath(ini.fileName());
    ResetConfigRoot();
    try {
        ChooseAlignStars(A);
        FAIL() << "the program should have ended";
    } catch (const platform::ProgramEnded&) {
    }
    SetConfigDefaultPath(QString());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text,
              QStringLiteral("Failed to find \"align stars\" section in registry"));
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Critical);
}

} // namespace
} // namespace teleon
