// The telescope model fed bytes directly, with a clock the test moves: framing, reply forms, set
// commands, the date change, slews, hand motion and sync; then the object library through its
// commands ("LI", planets, "Lf", the find walk, high precision). "\337" is the degree sign.
#include "sim/LX200Model.h"

#include "sim/SolarSystem.h"

#include <QRegularExpression>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <cmath>

namespace teleon::sim {
namespace {

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        // 2024-03-05 03:00:00 UTC; the telescope at 111°50' W, 33°25' N, 7 hours behind UTC.
        now = QDateTime(QDate(2024, 3, 5), QTime(3, 0), QTimeZone::utc()).toMSecsSinceEpoch();
        model.setClock([this] { return now; });
        model.setScDelayMs(5000);
        model.setUtcOffsetHours(7);
        model.setLocalDateTime(QDateTime(QDate(2024, 3, 4), QTime(20, 0), QTimeZone::utc()));
        model.setSite(1, {"AAA", 33 + 25.0 / 60, 111 + 50.0 / 60});
    }

    QByteArray ask(const QByteArray& command) { return model.feed("#:" + command + "#"); }
    QByteArray info() { return ask("LI").chopped(1); }
    // Replies as "command=bytes"; a late text that answers no command has an empty command.
    static QList<QByteArray> tagged(const QList<Reply>& replies) {
        QList<QByteArray> out;
        for (const Reply& r : replies)
            out << r.command + "=" + r.bytes;
        return out;
    }
    // The catalogue number in the name of an "LI" answer ("NGC224" gives 224).
    static int numberOf(const QByteArray& info) {
        const QString name = QString::fromLatin1(info.left(9)).trimmed();
        return name.mid(name.indexOf(QRegularExpression(QStringLiteral("[0-9]")))).toInt();
    }

    // Points the telescope at hour angle haHours, declination decDegrees now.
    void pointAt(double haHours, double decDegrees) {
        model.setPosition(model.localSiderealHours() - haHours, decDegrees);
    }

    qint64 now = 0;
    LX200Model model;
};

// ---- Framing ----------------------------------------------------------------------------------

TEST_F(ModelTest, AcknowledgeAnswersTheMountLetterWhereverItArrives) {
    for (const char mode : {'A', 'P', 'G', 'L'}) {
        model.setMountMode(mode);
        EXPECT_EQ(model.feed("\x06"), QByteArray(1, mode));
    }
    EXPECT_EQ(model.feed("#:G\x06G#"), QByteArray("L+07#")); // even inside a command
}

TEST_F(ModelTest, NoiseSplitAndJoinedCommands) {
    EXPECT_EQ(model.feed("garbage###"), QByteArray());
    for (const char* unknown : {"XY", "", "Gx"})
        EXPECT_EQ(ask(unknown), QByteArray()) << unknown;
    EXPECT_EQ(model.feed(":" + QByteArray(100, 'x') + "#"), QByteArray()); // overlong: noise
    // What the program sends without waiting for an answer gets none.
    for (const char* blind :
         {"U",  "B-", "B+",    "B0",   "B3",   "Q",  "Mn", "Ms", "Me", "Mw", "Qn", "Qs",
          "Qe", "Qw", "RS",    "RM",   "RC",   "RG", "F-", "F+", "FQ", "FF", "FS", "Sq",
          "W1", "W4", "LM 31", "LC 1", "LS 1", "LF", "LN", "LB", "TQ", "TM"})
        EXPECT_EQ(ask(blind), QByteArray()) << blind;
    EXPECT_EQ(model.feed("#:G"), QByteArray());
    EXPECT_EQ(model.feed("G#"), QByteArray("+07#"));
    EXPECT_EQ(model.feed("#:GG##:Gt#"), QByteArray("+07#+33\33725#"));
    EXPECT_EQ(tagged(model.feedReplies("\x06#:U##:GG#")),
              (QList<QByteArray>{"\x06=A", "U=", "GG=+07#"}));
}

TEST_F(ModelTest, StartsInShortFormatAndUTogglesIt) {
    model.setPosition(5.575, -(5 + 23.0 / 60 + 28.0 / 3600));
    EXPECT_EQ(ask("GR"), QByteArray("05:34.5#"));
    EXPECT_EQ(ask("GD"), QByteArray("-05\33723#"));
    EXPECT_EQ(ask("GZ").size(), 7); // DDD*MM#
    ask("U");
    EXPECT_EQ(ask("GR"), QByteArray("05:34:30#"));
    EXPECT_EQ(ask("GD"), QByteArray("-05\33723'28#"));
    EXPECT_EQ(ask("GZ").size(), 10); // DDD*MM'SS#
    ask("U");
    EXPECT_EQ(ask("GA").size(), 7); // sDD*MM#
}

// ---- Sidereal time, altitude and azimuth against outside references ---------------------------

TEST_F(ModelTest, SiderealTimeMatchesReference) {
    // astropy 5.2 (ERFA), IAU 2006/2000A apparent sidereal time at 2024-03-05 03:00:00 UTC with
    // UT1 = UTC, longitude 111°50' W: 06:26:05.476.
    EXPECT_EQ(ask("GS"), QByteArray("06:26:05#"));
    EXPECT_NEAR(model.localSiderealHours(), 6 + 26 / 60.0 + 5.476 / 3600, 0.002 / 3600);
}

TEST_F(ModelTest, SiderealTimeFollowsTheClockSetThroughCommands) {
    // The same instant reached by the commands a client sends.
    model.setLocalDateTime(QDateTime(QDate(2020, 1, 1), QTime(0, 0), QTimeZone::utc()));
    EXPECT_EQ(ask("Sg 111\33750"), QByteArray("1"));
    EXPECT_EQ(ask("SG +07"), QByteArray("1"));
    EXPECT_EQ(ask("SL 20:00:00"), QByteArray("1"));
    EXPECT_EQ(ask("SC 03/04/24"), QByteArray("1Updating        planetary data#"));
    EXPECT_EQ(ask("GS"), QByteArray()); // busy: answered after the planetary update
    now += 5000;                        // 5 s later
    EXPECT_EQ(tagged(model.takeDueReplies()),
              (QList<QByteArray>{"=" + QByteArray(32, ' ') + "#", "GS=06:26:10#"}));
}

struct HorizontalRow {
    double haHours;
    double decDegrees;
    const char* altitude; // "GA", long format
    const char* azimuth;  // "GZ", long format, counted from south
};

class ModelHorizontal : public ModelTest, public ::testing::WithParamInterface<HorizontalRow> {};

// Expected values from the standard spherical-astronomy formulae (evaluated independently in
// Python) for latitude 33°25' N; the telescope counts azimuth from south, so north is 180.
TEST_P(ModelHorizontal, AltitudeAndAzimuthFromSouth) {
    ask("U");
    pointAt(GetParam().haHours, GetParam().decDegrees);
    EXPECT_EQ(ask("GA"), QByteArray(GetParam().altitude) + "#");
    EXPECT_EQ(ask("GZ"), QByteArray(GetParam().azimuth) + "#");
}

INSTANTIATE_TEST_SUITE_P(Rows, ModelHorizontal,
                         ::testing::Values(HorizontalRow{0.5, 0, "+55\33750'51", "013\33726'40"},
                                           HorizontalRow{2, 20, "+60\33711'01", "070\33754'00"},
                                           HorizontalRow{-3, 45, "+53\33746'51", "237\33748'04"},
                                           HorizontalRow{0, 60, "+63\33725'00", "180\33700'00"},
                                           HorizontalRow{-1, -30, "+25\33700'56", "345\33740'45"}));

// ---- Time, date and site ----------------------------------------------------------------------

TEST_F(ModelTest, ClockRunsAndRollsOverMidnight) {
    EXPECT_EQ(ask("Gc"), QByteArray("24#"));
    EXPECT_EQ(ask("GL"), QByteArray("20:00:00#"));
    EXPECT_EQ(ask("GC"), QByteArray("03/04/24#"));
    now += 61'000;
    EXPECT_EQ(ask("GL"), QByteArray("20:01:01#"));
    now += 4 * 3600'000;
    EXPECT_EQ(ask("GL"), QByteArray("00:01:01#"));
    EXPECT_EQ(ask("GC"), QByteArray("03/05/24#"));
}

class ModelAccepts : public ModelTest, public ::testing::WithParamInterface<const char*> {};
class ModelRefuses : public ModelTest, public ::testing::WithParamInterface<const char*> {};
TEST_P(ModelAccepts, AnswersOne) {
    EXPECT_EQ(ask(GetParam()), QByteArray("1")) << GetParam();
}
TEST_P(ModelRefuses, AnswersZero) {
    EXPECT_EQ(ask(GetParam()), QByteArray("0")) << GetParam();
}

// Every form the program writes (more in the read-back tests below): "Sd +45:00:00" as typed
// into the go-to window, "Sh30\337" as the finder filter is stored.
INSTANTIATE_TEST_SUITE_P(ProgramForms, ModelAccepts,
                         ::testing::Values("Sr 05:34:30", "Sd 00:00:00", "Sd 89:59:30",
                                           "Sd +89\33759'59\"", "Sd +45:00:00", "St -33\33725",
                                           "St 033\33725", "Sg 348\33730", "SG +07", "SP AAB",
                                           "Sh30\337", "Sh 0", "Sb+05.5", "Sf 018.0", "Sl000'",
                                           "Ss 200", "SyGPDCO", "Lo 2", "Ls 0", "SF 060"));
INSTANTIATE_TEST_SUITE_P(Rows, ModelRefuses,
                         ::testing::Values("SL 12:34", "Sr", "Sd +91*00", "St 91*00", "Sg 361*00",
                                           "SG +25", "SP ", "Lo 3", "Ls x", "SF 201", "Sh 91",
                                           "Sf+25.0", "Sb-06.0", "Sl 201", "Sy GPX", "ST abc",
                                           "ST 49.9"));

// Each setting ("Sx value|reply of Gx") reads back in the telescope's own form, long format.
TEST_F(ModelTest, AcceptedSettingsReadBack) {
    ask("U");
    for (const char* row :
         {"SL 12:34:56|12:34:56#", "Sr 05:34.5|05:34:30#", "Sr 24:00:00|00:00:00#",
          "Sd -012\33730:00|-12\33730'00#", "St -0\33730|-00\33730#", "Sg 360\33700|000\33700#",
          "SG -05|-05#", "Sy gPdCo|gPdCo#", "Sh 30|30\337#", "Sb -002.0|-02.0#", "Ss 060|060'#"}) {
        const QList<QByteArray> setAndReply = QByteArray(row).split('|');
        EXPECT_EQ(ask(setAndReply[0]), "1") << row;
        EXPECT_EQ(ask("G" + setAndReply[0].mid(1, 1)), setAndReply[1]) << row;
    }
    EXPECT_EQ(ask("GL"), QByteArray("12:34:56#")); // a new offset keeps the local time
    EXPECT_EQ(ask("GC"), QByteArray("03/04/24#")); // and the date
}

TEST_F(ModelTest, RefusedSettingsChangeNothing) {
    ask("U");
    const QByteArray target = ask("Gr");
    EXPECT_EQ(ask("Sr 25:00:00"), "0");
    model.refuseNext("Sr", 1);
    EXPECT_EQ(ask("Sr 05:00:00"), "0");
    EXPECT_EQ(ask("Gr"), target);
    EXPECT_EQ(ask("SL 24:00:00"), "0"); // "Sr" takes 24:00:00, the clock does not
    EXPECT_EQ(ask("GL"), QByteArray("20:00:00#"));
}

TEST_F(ModelTest, SitesAreSelectedAndNamed) {
    model.setSite(4, {"ZZZ", -12.5, 300.0});
    EXPECT_EQ(ask("GP"), QByteArray("ZZZ#"));
    EXPECT_EQ(ask("W4"), QByteArray());
    EXPECT_EQ(ask("Gt"), QByteArray("-12\33730#"));
    EXPECT_EQ(ask("Gg"), QByteArray("300\33700#"));
    EXPECT_EQ(ask("SP TUC"), "1");
    EXPECT_EQ(ask("GP"), QByteArray("TUC#"));
    EXPECT_EQ(ask("W1"), QByteArray());
    EXPECT_EQ(ask("Gt"), QByteArray("+33\33725#"));
}

TEST_F(ModelTest, DateChangeAnswersTwiceAndHoldsLaterCommands) {
    EXPECT_EQ(ask("SC 02/29/23"), QByteArray("0")); // no such day: refused at once
    EXPECT_EQ(model.msUntilDue(), -1);
    EXPECT_EQ(ask("SC 03/05/99"), QByteArray("1Updating        planetary data#"));
    EXPECT_EQ(model.msUntilDue(), 5000);
    EXPECT_EQ(model.feed("\x06#:GG#"), QByteArray()); // deaf while updating
    now += 4999;
    EXPECT_TRUE(model.takeDueReplies().isEmpty());
    EXPECT_EQ(model.msUntilDue(), 1);
    now += 1;
    EXPECT_EQ(tagged(model.takeDueReplies()),
              (QList<QByteArray>{"=" + QByteArray(32, ' ') + "#", "\x06=A", "GG=+07#"}));
    EXPECT_EQ(model.msUntilDue(), -1);
    EXPECT_EQ(ask("GC"), QByteArray("03/05/99#"));
}

TEST_F(ModelTest, ReticleTrackingRateAndQualityStep) {
    for (int i = 0; i < 10; ++i)
        ask("B-");
    EXPECT_EQ(model.reticleLevel(), 0);
    for (int i = 0; i < 12; ++i)
        ask("B+");
    EXPECT_EQ(model.reticleLevel(), 9);
    EXPECT_EQ(ask("GT"), QByteArray("60.1#"));
    EXPECT_EQ(ask("ST 57.9"), "1");
    ask("TM");
    EXPECT_EQ(ask("GT"), QByteArray("57.9#"));
    ask("TQ");
    EXPECT_EQ(ask("GT"), QByteArray("60.1#"));
    EXPECT_EQ(ask("Gq"), QByteArray("VP#"));
    EXPECT_EQ(ask("Sq"), QByteArray());
    EXPECT_EQ(ask("Gq"), QByteArray("SU#")); // round to the best
}

// ---- Slews ------------------------------------------------------------------------------------

TEST_F(ModelTest, SlewRefusals) {
    pointAt(0, 10);
    EXPECT_EQ(ask("Sd -80*00"), "1"); // never rises at 33° N
    EXPECT_EQ(ask("MS"), QByteArray("1Object Below Horizon #"));
    EXPECT_FALSE(model.isSlewing());
    model.setTarget(model.localSiderealHours(), -46); // hour angle 0: altitude about 10.6°
    EXPECT_EQ(ask("Sh 30"), "1");
    EXPECT_EQ(ask("MS"), QByteArray("2Object Below Higher#"));
    EXPECT_EQ(ask("Sh 05"), "1");
    model.setTarget(model.raHours(), 10); // where it points
    model.refuseNextSlew('1');            // a test's refusals apply once each
    EXPECT_EQ(ask("MS"), QByteArray("1Object Below Horizon #"));
    model.refuseNextSlew('2');
    EXPECT_EQ(ask("MS"), QByteArray("2Object Below Higher#"));
    model.refuseNextSlew('7');
    EXPECT_EQ(ask("MS"), QByteArray("7#"));
    EXPECT_EQ(ask("MS"), QByteArray("0"));
    EXPECT_EQ(ask("D"), QByteArray("#")); // a slew to where it points ends at once
}

class ModelSlew : public ModelTest, public ::testing::WithParamInterface<char> {};

TEST_P(ModelSlew, DistanceBarsShrinkToEmptyAndTheSlewEndsOnTarget) {
    model.setMountMode(GetParam());
    pointAt(1.0, 10.0);
    model.setTarget(model.localSiderealHours() + 1.0, 40.0); // 2 h east, 30° north
    EXPECT_EQ(ask("MS"), QByteArray("0"));
    EXPECT_TRUE(model.isSlewing());
    QByteArray bars = ask("D");
    EXPECT_EQ(bars, QByteArray(32, '\xFF') + "#");
    int lastFilled = 32;
    for (int step = 0; step < 200 && bars != "#"; ++step) {
        ASSERT_EQ(bars.size(), 33) << bars.toHex().toStdString();
        const int filled = static_cast<int>(bars.count('\xFF'));
        EXPECT_LE(filled, lastFilled);
        EXPECT_EQ(filled + bars.count(' '), 32);
        lastFilled = filled;
        now += 500;
        bars = ask("D");
    }
    EXPECT_EQ(bars, QByteArray("#"));
    EXPECT_FALSE(model.isSlewing());
    ask("U");
    EXPECT_EQ(ask("GR"), ask("Gr"));
    EXPECT_EQ(ask("GD"), ask("Gd"));
}

TEST_P(ModelSlew, TakesRealisticTimeAtTheDefaultSpeed) {
    model.setMountMode(GetParam());
    pointAt(0, 0);
    model.setTarget(model.localSiderealHours(), 20); // 20° north along the meridian
    ask("MS");
    now += 2500; // at 4°/s, half way
    EXPECT_TRUE(model.isSlewing());
    EXPECT_NE(ask("D"), QByteArray("#"));
    now += 3500;
    EXPECT_EQ(ask("D"), QByteArray("#"));
}

INSTANTIATE_TEST_SUITE_P(Modes, ModelSlew, ::testing::Values('A', 'P'));

TEST_F(ModelTest, StopEndsASlewWhereTheTelescopeIs) {
    model.setMountMode('P');
    pointAt(0, 0);
    model.setTarget(model.localSiderealHours(), 60);
    ask("MS");
    now += 2000;
    EXPECT_EQ(ask("Q"), QByteArray());
    EXPECT_EQ(ask("D"), QByteArray("#"));
    EXPECT_NEAR(model.decDegrees(), 8.0, 0.01);
    now += 5000;
    EXPECT_NEAR(model.decDegrees(), 8.0, 0.01);
}

TEST_F(ModelTest, LandModeDoesNotRefuseOrTrack) {
    model.setMountMode('L');
    model.setPosition(5.0, 0);
    EXPECT_EQ(ask("Sd -80*00"), "1");
    EXPECT_EQ(ask("MS"), QByteArray("0")); // no horizon in land mode
    ask("Q");
    now += 3600'000; // an hour later the fixed tube sees one sidereal hour more RA
    EXPECT_NEAR(model.raHours(), 5.0 + 1.0027379, 1e-4);
}

// ---- Hand motion and sync ---------------------------------------------------------------------

TEST_F(ModelTest, DirectionKeysMoveAtTheChosenRateUntilStopped) {
    pointAt(0, 10);
    ask("RG");
    ask("Mn");
    now += 10'000;
    ask("Qn");
    const double guide = 2 * 360.0 / 86164.0905; // degrees a second
    EXPECT_NEAR(model.decDegrees(), 10 + 10 * guide, 1e-6);
    now += 10'000;
    EXPECT_NEAR(model.decDegrees(), 10 + 10 * guide, 1e-6);

    const double ra = model.raHours();
    ask("RM");
    ask("Me");
    now += 1000;
    ask("Qe");
    EXPECT_NEAR(model.raHours(), ra + 1.0 / 15, 1e-6); // east: right ascension grows
    ask("Mw");
    ask("Ms");
    now += 1000;
    ask("Q"); // stops every direction
    EXPECT_NEAR(model.raHours(), ra, 1e-6);
    EXPECT_FALSE(model.isMoving());
}

TEST_F(ModelTest, LookupAndSync) {
    pointAt(1, 10);
    ask("U");
    ask("LM 42");
    EXPECT_EQ(ask("Gr"), QByteArray("05:35:16#"));     // OpenNGC's centre of M42
    EXPECT_EQ(ask("Gd"), QByteArray("-05\33723'22#")); // \337: the degree sign
    EXPECT_EQ(ask("CM"), QByteArray(" M42 SU DNEB MAG 4.0 SZ90.0'#"));
    EXPECT_EQ(ask("GR"), QByteArray("05:35:16#"));
    EXPECT_EQ(ask("GD"), ask("Gd"));
    ask("LM 200"); // a failed lookup keeps the target and selects nothing
    EXPECT_EQ(ask("Gr"), QByteArray("05:35:16#"));
    ask("Sr 03:00:00");
    ask("Sd +10*00");
    EXPECT_EQ(ask("CM"), QByteArray("Coordinates     matched.        #"));
    EXPECT_EQ(ask("GR"), QByteArray("03:00:00#"));
}

// ---- The object library: information, field report, finder, high precision ----------------

struct InfoRow {
    const char* commands; // separated by "|"
    const char* info;     // the 32 characters of "LI"
};

class LibraryInfo : public ModelTest, public ::testing::WithParamInterface<InfoRow> {};

TEST_P(LibraryInfo, AnswersInItsFixedPositions) {
    for (const QByteArray& c : QByteArray(GetParam().commands).split('|'))
        ask(c);
    const QByteArray expected = QByteArray(GetParam().info).leftJustified(32, ' ');
    EXPECT_EQ(ask("LI"), expected + '#') << GetParam().commands;
}

// Name 1-8, quality 10-11, type 13-16, magnitude 20-23, size from 28.
const InfoRow kInfo[] = {
    {"LM 31", "M31      SU GAL  MG 4.4 SZ 178'"},
    {"LM 57", "M57      VG PNEB MG 9.7 SZ 1.3'"},
    {"Lo 0|LC 224", "NGC224   SU GAL  MG 4.4 SZ 178'"},
    {"Lo 2|LC 454", "UGC454   SU GAL  MG 4.4 SZ 178'"},
    {"Lo 1|LC 4715", "IC4715   SU      MG 4.5 SZ 120'"}, // M24: no type known
    {"LS 19", "STAR19      STAR MG 2.0"},
    {"LS 0078", "STAR78      MLTS MG 1.6"},        // Castor A, a double
    {"Ls 1|LS 151881", "SAO151881   STAR MG-1.4"}, // a ninth name character
    {"Ls 2|LS 1", "GCVS1       STAR MG 3.0"},      // Mira
    {"LS 904", "MARS            Coordinates Only"},
    {"LS 903", "THE MOON        Coordinates Only"},
    {"Lo 0|LC 20", "NGC20           Coordinates Only"}, // no data in the library
    // Failed lookups: texts beginning "Too" or "No m".
    {"LM 111", "Too large a number"},
    {"LS 352", "Too large a number"},
    {"LS 910", "Too large a number"},
    {"Lo 0|LC 5", "No match in library"},
    {"LM x", "No match in library"}, // no number (as "LM -5")
    {"", "NGC0"},
    {"LM 31|Sr 01:00:00", "NGC0"}};
INSTANTIATE_TEST_SUITE_P(Rows, LibraryInfo, ::testing::ValuesIn(kInfo));

TEST_F(ModelTest, PlanetIsPlacedForTheTelescopesDate) {
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

// Centred on M31: M32 lies 25' away, M110 37' (each also listed as NGC and UGC); then the empty
// sky near the south pole, and Mars.
TEST_F(ModelTest, FieldReportCountsEachObjectOnceWithinTheRadius) {
    model.setPosition(0.71231933, 41.26906);
    const std::pair<int, int> rows[] = {{1, 1}, {15, 1}, {30, 2}, {60, 3}}; // radius', count
    for (const auto& [radius, count] : rows) {
        ask("SF " + QByteArray::number(radius));
        const QByteArray report = ask("Lf");
        ASSERT_EQ(report.size(), 33);
        EXPECT_EQ(report.mid(8, 3).trimmed().toInt(), count) << report.constData();
    }
    model.setPosition(12.0, -89.0);
    EXPECT_EQ(ask("Lf").mid(8, 3), QByteArray("  0"));
    const BodyPosition mars = bodyPosition(SolarSystemBody::Mars, now);
    model.setPosition(mars.raHours, mars.decDegrees);
    EXPECT_EQ(ask("Lf").mid(8, 3), QByteArray("  1"));
}

struct FindRow {
    const char* filters; // commands separated by "|"
    const char* types;   // the type codes the walk may show
    const char* worstQuality;
    double brightest, faintest;
    int smallestArcmin, largestArcmin, minAltitude;
};

class LibraryFind : public ModelTest, public ::testing::WithParamInterface<FindRow> {};

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
        EXPECT_TRUE(magnitude >= row.brightest && magnitude <= row.faintest) << current.data();
        const double size = current.mid(27).trimmed().chopped(1).toDouble();
        EXPECT_TRUE(size > row.smallestArcmin - 0.5 && size < row.largestArcmin + 0.5) << size;
        model.setPosition(model.targetRaHours(), model.targetDecDegrees());
        EXPECT_GE(model.altitudeDegrees(), row.minAltitude) << current.constData();
        EXPECT_GT(number, previous) << "the walk goes up the numbers";
        previous = number;
        ask("LN");
        current = info();
    } while (current != first && ++steps < 600);
    EXPECT_LT(steps, 600);
}

const char* const kAll = "GAL PNEB DNEB GLOB OPEN";
const FindRow kFind[] = {{"Sy GPDCO", kAll, "VP", -5.5, 20, 0, 200, 0},
                         {"Sy Gpdco", "GAL", "VP", -5.5, 20, 0, 200, 0},
                         {"Sy gPdCo", "PNEB GLOB", "VP", -5.5, 20, 0, 200, 0},
                         {"Sq|Sq", kAll, "EX", -5.5, 20, 0, 200, 0},
                         {"Sb+06.0|Sf+08.0", kAll, "VP", 6, 8, 0, 200, 0},
                         {"Sl010'|Ss030'", kAll, "VP", -5.5, 20, 10, 30, 0},
                         {"Sh 45", kAll, "VP", -5.5, 20, 0, 200, 45},
                         {"Lo 1", kAll, "VP", -5.5, 20, 0, 200, 0}};
INSTANTIATE_TEST_SUITE_P(Rows, LibraryFind, ::testing::ValuesIn(kFind));

TEST_F(ModelTest, FindWalksBothWaysAndReportsNothingFound) {
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

TEST_F(ModelTest, HighPrecisionGoesByWayOfAReferenceStar) {
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

TEST_F(ModelTest, HighPrecisionWaitsForTheHandboxWhenAskedTo) {
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
