// The telescope's object library and finder through its commands: "LI" in its fixed positions
// for every kind of selection and failure, planets selected for the telescope's date, the
// find walk under each filter, the field count of "Lf", and high-precision go-to by way of a
// reference star.
#include "sim/LX200Model.h"
#include "sim/SolarSystem.h"

#include <QTimeZone>
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>

namespace teleon::sim {
namespace {

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        // 2024-03-05 03:00 UTC at 33°25' N, 111°50' W: local sidereal time 06:26.
        now = QDateTime(QDate(2024, 3, 5), QTime(3, 0), QTimeZone::utc()).toMSecsSinceEpoch();
        model.setClock([this] { return now; });
        model.setUtcOffsetHours(7);
        model.setLocalDateTime(QDateTime(QDate(2024, 3, 4), QTime(20, 0), QTimeZone::utc()));
        model.setSite(1, {"AAA", 33 + 25.0 / 60, 111 + 50.0 / 60});
        model.setSlewSpeedDegPerSec(4.0);
    }

    QByteArray ask(const QByteArray& command) { return model.feed("#:" + command + "#"); }
    QByteArray info() { return ask("LI").chopped(1); }
    // A field of "LI" by its positions counted from 1.
    // The catalogue number in the name of an "LI" answer ("NGC224" gives 224).
    static int numberOf(const QByteArray& info) {
        const QByteArray name = info.left(9).trimmed();
        qsizetype i = 0;
        while (i < name.size() && !std::isdigit(static_cast<unsigned char>(name[i])))
            ++i;
        return name.mid(i).toInt();
    }

    qint64 now = 0;
    LX200Model model;
};

// ---- Object information --------------------------------------------------------------------

struct InfoRow {
    const char* commands; // separated by "|"
    const char* info;     // the 32 characters of "LI"
};

class LibraryInfo : public LibraryTest, public ::testing::WithParamInterface<InfoRow> {};

TEST_P(LibraryInfo, AnswersInItsFixedPositions) {
    for (const QByteArray& c : QByteArray(GetParam().commands).split('|'))
        ask(c);
    const QByteArray expected = QByteArray(GetParam().info).leftJustified(32, ' ');
    EXPECT_EQ(ask("LI"), expected + '#') << GetParam().commands;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LibraryInfo,
    ::testing::Values(
        // name 1-8, quality 10-11, type 13-16, magnitude 20-23, size from 28
        InfoRow{"LM 31", "M31      SU GAL  MG 4.4 SZ 178'"},
        InfoRow{"LM 57", "M57      VG PNEB MG 9.7 SZ 1.3'"},
        InfoRow{"Lo 0|LC 224", "NGC224   SU GAL  MG 4.4 SZ 178'"},
        InfoRow{"Lo 2|LC 454", "UGC454   SU GAL  MG 4.4 SZ 178'"},
        InfoRow{"Lo 1|LC 4715", "IC4715   SU      MG 4.5 SZ 120'"}, // M24: no type known
        InfoRow{"LS 19", "STAR19      STAR MG 2.0"},
        InfoRow{"LS 0078", "STAR78      MLTS MG 1.6"},        // Castor A, a double
        InfoRow{"Ls 1|LS 151881", "SAO151881   STAR MG-1.4"}, // a ninth name character
        InfoRow{"Ls 2|LS 1", "GCVS1       STAR MG 3.0"},      // Mira
        InfoRow{"LS 904", "MARS            Coordinates Only"},
        InfoRow{"LS 903", "THE MOON        Coordinates Only"},
        InfoRow{"Lo 0|LC 20", "NGC20           Coordinates Only"}, // no data in the library
        // Failed lookups: texts beginning "Too" or "No m".
        InfoRow{"LM 111", "Too large a number"}, InfoRow{"LS 352", "Too large a number"},
        InfoRow{"LS 910", "Too large a number"}, InfoRow{"LM 0", "No match in library"},
        InfoRow{"Lo 0|LC 5", "No match in library"}, InfoRow{"LM x", "No match in library"},
        InfoRow{"", "NGC0"}, InfoRow{"LM 31|Sr 01:00:00", "NGC0"}));

TEST_F(LibraryTest, LookupSetsTheTargetAndAFailureKeepsIt) {
    ask("U");
    ask("LM 42");
    EXPECT_EQ(ask("Gr"), QByteArray("05:35:16#")); // OpenNGC's centre of M42
    EXPECT_EQ(ask("Gd"), QByteArray("-05\xDF"
                                    "23'22#"));
    ask("LM 200");
    EXPECT_EQ(ask("Gr"), QByteArray("05:35:16#"));
    EXPECT_EQ(ask("CM"), QByteArray("Coordinates     matched.        #")); // nothing selected
}

TEST_F(LibraryTest, PlanetIsPlacedForTheTelescopesDate) {
    ask("U");
    ask("LS 905"); // Jupiter
    const BodyPosition jupiter = bodyPosition(SolarSystemBody::Jupiter, now);
    EXPECT_NEAR(model.targetRaHours(), jupiter.raHours, 1e-9);
    EXPECT_NEAR(model.targetDecDegrees(), jupiter.decDegrees, 1e-9);
    // A month later by the telescope's calendar the same number points elsewhere.
    ask("SC 04/04/24");
    now += 5000;
    model.takeDueReplies();
    ask("LS 905");
    EXPECT_GT(std::fabs(model.targetRaHours() - jupiter.raHours), 0.05);
}

// ---- The field report --------------------------------------------------------------------------

struct FieldRow {
    int radiusArcmin;
    int count;
};

class LibraryField : public LibraryTest, public ::testing::WithParamInterface<FieldRow> {};

TEST_P(LibraryField, CountsEachObjectOnceWithinTheRadius) {
    // Centred on M31: M32 lies 25' away, M110 37' (each also listed as NGC and UGC).
    model.setPosition(0.71231933, 41.26906);
    ask("SF " + QByteArray::number(GetParam().radiusArcmin));
    const QByteArray report = ask("Lf");
    ASSERT_EQ(report.size(), 33);
    EXPECT_EQ(report.mid(8, 3).trimmed().toInt(), GetParam().count) << report.constData();
}

INSTANTIATE_TEST_SUITE_P(Rows, LibraryField,
                         ::testing::Values(FieldRow{1, 1}, FieldRow{15, 1}, FieldRow{30, 2},
                                           FieldRow{60, 3}));

TEST_F(LibraryTest, FieldReportSeesPlanetsAndEmptySky) {
    model.setPosition(12.0, -89.0);
    EXPECT_EQ(ask("Lf").mid(8, 3), QByteArray("  0"));
    const BodyPosition mars = bodyPosition(SolarSystemBody::Mars, now);
    model.setPosition(mars.raHours, mars.decDegrees);
    EXPECT_EQ(ask("Lf").mid(8, 3), QByteArray("  1"));
}

// ---- The finder ------------------------------------------------------------------------------

struct FindRow {
    const char* filters; // commands separated by "|"
    const char* types;   // the type codes the walk may show
    const char* worstQuality;
    double brightest, faintest;
    int smallestArcmin, largestArcmin, minAltitude;
};

class LibraryFind : public LibraryTest, public ::testing::WithParamInterface<FindRow> {};

// Walks once round with "LN" and checks every object found against the filters.
TEST_P(LibraryFind, EveryObjectFoundPassesTheFilters) {
    const FindRow& row = GetParam();
    for (const QByteArray& c : QByteArray(row.filters).split('|'))
        ask(c);
    const QByteArray quality = "SU EX VG GD FR PR VP";
    ask("LF");
    const QByteArray first = info();
    ASSERT_FALSE(first.startsWith("No matching")) << row.filters;
    int previous = 0;
    int steps = 0;
    QByteArray current = first;
    do {
        const int number = numberOf(current);
        EXPECT_TRUE(QByteArray(row.types).contains(current.mid(12, 4).trimmed()))
            << current.constData();
        EXPECT_LE(quality.indexOf(current.mid(9, 2)), quality.indexOf(row.worstQuality));
        const double magnitude = current.mid(19, 4).toDouble();
        EXPECT_GE(magnitude, row.brightest);
        EXPECT_LE(magnitude, row.faintest);
        const double size = current.mid(27).trimmed().chopped(1).toDouble();
        EXPECT_GE(size, row.smallestArcmin - 0.5);
        EXPECT_LE(size, row.largestArcmin + 0.5);
        model.setPosition(model.targetRaHours(), model.targetDecDegrees());
        EXPECT_GE(model.altitudeDegrees(), row.minAltitude) << current.constData();
        EXPECT_GT(number, previous) << "the walk goes up the numbers";
        previous = number;
        ask("LN");
        current = info();
    } while (current != first && ++steps < 600);
    EXPECT_LT(steps, 600);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LibraryFind,
    ::testing::Values(FindRow{"Sy GPDCO", "GAL PNEB DNEB GLOB OPEN", "VP", -5.5, 20, 0, 200, 0},
                      FindRow{"Sy Gpdco", "GAL", "VP", -5.5, 20, 0, 200, 0},
                      FindRow{"Sy gPdCo", "PNEB GLOB", "VP", -5.5, 20, 0, 200, 0},
                      FindRow{"Sq|Sq", "GAL PNEB DNEB GLOB OPEN", "EX", -5.5, 20, 0, 200, 0},
                      FindRow{"Sb+06.0|Sf+08.0", "GAL PNEB DNEB GLOB OPEN", "VP", 6, 8, 0, 200, 0},
                      FindRow{"Sl010'|Ss030'", "GAL PNEB DNEB GLOB OPEN", "VP", -5.5, 20, 10, 30,
                              0},
                      FindRow{"Sh 45", "GAL PNEB DNEB GLOB OPEN", "VP", -5.5, 20, 0, 200, 45},
                      FindRow{"Lo 1", "GAL PNEB DNEB GLOB OPEN", "VP", -5.5, 20, 0, 200, 0}));

TEST_F(LibraryTest, FindWalksBothWaysAndReportsNothingFound) {
    EXPECT_EQ(ask("LN"), QByteArray()); // no find yet: nothing happens
    EXPECT_EQ(info().trimmed(), QByteArray("NGC0"));
    ask("LF");
    const QByteArray first = info();
    ask("LN");
    EXPECT_NE(info(), first);
    ask("LB");
    EXPECT_EQ(info(), first);
    ask("LB"); // before the first: round to the last
    EXPECT_GT(numberOf(info()), numberOf(first));

    for (const char* filter : {"Sy gpdco", "Sh 89", "Sf-01.0"}) {
        LX200Model fresh;
        fresh.setClock([this] { return now; });
        // A fixed sky: 20:00 local at the default site, when nothing stands within 1° of the
        // zenith (the telescope's clock otherwise starts from the computer's).
        fresh.setLocalDateTime(QDateTime(QDate(2024, 3, 4), QTime(20, 0), QTimeZone::utc()));
        fresh.feed(QByteArray("#:") + filter + "##:LF#");
        EXPECT_EQ(fresh.feed("#:LI#").left(19), QByteArray("No matching objects")) << filter;
    }
}

// ---- High-precision go-to ----------------------------------------------------------------------

TEST_F(LibraryTest, HighPrecisionGoesByWayOfAReferenceStar) {
    model.setMountMode('P');
    model.setPosition(model.localSiderealHours(), 0);
    ask("LM 1"); // the Crab Nebula, 7° from Elnath
    EXPECT_EQ(ask("P"), QByteArray("HIGH PRECISION"));
    EXPECT_EQ(ask("MS"), QByteArray("0"));
    ASSERT_EQ(model.precisionStage(), LX200Model::PrecisionStage::ToReference);
    const CatalogueObject* star = model.referenceStar();
    ASSERT_NE(star, nullptr);
    EXPECT_LE(*star->magnitude, 3.0);
    for (int i = 0; i < 60 && model.isSlewing(); ++i)
        now += 1000;
    EXPECT_EQ(model.precisionStage(), LX200Model::PrecisionStage::AtReference);
    EXPECT_NEAR(model.raHours(), star->raHours, 1e-9);
    EXPECT_NEAR(model.decDegrees(), star->decDegrees, 1e-9);

    now += 3000; // the simulated observer centres the star and presses GO TO
    EXPECT_EQ(model.precisionStage(), LX200Model::PrecisionStage::ToObject);
    for (int i = 0; i < 60 && model.isSlewing(); ++i)
        now += 1000;
    EXPECT_EQ(model.precisionStage(), LX200Model::PrecisionStage::None);
    EXPECT_NEAR(model.raHours(), model.targetRaHours(), 1e-9);
}

TEST_F(LibraryTest, HighPrecisionWaitsForTheHandboxWhenAskedTo) {
    model.setReferenceDwellMs(-1);
    ask("P");
    ask("LM 1");
    ask("MS");
    now += 120'000;
    EXPECT_EQ(model.precisionStage(), LX200Model::PrecisionStage::AtReference);
    model.pressHandboxGoTo();
    now += 120'000;
    EXPECT_EQ(model.precisionStage(), LX200Model::PrecisionStage::None);
    // A bright star is its own reference.
    ask("LS 67");
    ask("MS");
    EXPECT_EQ(model.referenceStar(), nullptr);
    EXPECT_EQ(model.precisionStage(), LX200Model::PrecisionStage::None);
}

} // namespace
} // namespace teleon::sim
