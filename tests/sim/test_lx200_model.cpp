// The telescope model fed bytes directly, with a clock the test moves: framing, reply forms,
// set commands accepting and refusing, the date change's two-part answer, slews with their
// refusals and distance bars, hand motion, sync and the object library.
#include "sim/LX200Model.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace teleon::sim {
namespace {

constexpr char kDeg = '\xDF';

QByteArray framed(const QByteArray& command) {
    return "#:" + command + "#";
}

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

    QByteArray ask(const QByteArray& command) { return model.feed(framed(command)); }

    // Points the telescope at hour angle haHours, declination decDegrees now.
    void pointAt(double haHours, double decDegrees) {
        model.setPosition(model.localSiderealHours() - haHours, decDegrees);
    }

    qint64 now = 0;
    LX200Model model;
};

// ---- Framing ----------------------------------------------------------------------------------

TEST_F(ModelTest, AcknowledgeAnswersTheMountLetterWithoutTerminator) {
    for (const char mode : {'A', 'P', 'G', 'L'}) {
        model.setMountMode(mode);
        EXPECT_EQ(model.feed("\x06"), QByteArray(1, mode));
    }
}

TEST_F(ModelTest, AcknowledgeIsAnsweredEvenInsideACommand) {
    EXPECT_EQ(model.feed("#:G\x06"
                         "G#"),
              QByteArray("A+07#"));
}

TEST_F(ModelTest, StrayBytesAndUnknownCommandsGetNoAnswer) {
    EXPECT_EQ(model.feed("garbage###"), QByteArray());
    EXPECT_EQ(ask("XY"), QByteArray());
    EXPECT_EQ(ask(""), QByteArray());
    EXPECT_EQ(ask("Gx"), QByteArray());
    // After the noise the next command is understood.
    EXPECT_EQ(ask("GG"), QByteArray("+07#"));
}

TEST_F(ModelTest, CommandsSplitAcrossWritesAndJoinedInOneWrite) {
    EXPECT_EQ(model.feed("#:G"), QByteArray());
    EXPECT_EQ(model.feed("G#"), QByteArray("+07#"));
    EXPECT_EQ(model.feed("#:GG##:Gt#"), QByteArray("+07#+33\xDF"
                                                   "25#"));
}

TEST_F(ModelTest, OverlongCommandIsDroppedAsNoise) {
    EXPECT_EQ(model.feed(":" + QByteArray(100, 'x') + "#"), QByteArray());
    EXPECT_EQ(ask("GG"), QByteArray("+07#"));
}

TEST_F(ModelTest, RepliesCarryTheirCommand) {
    const QList<Reply> replies = model.feedReplies("\x06#:U##:GG#");
    ASSERT_EQ(replies.size(), 3);
    EXPECT_EQ(replies[0].command, QByteArray("\x06"));
    EXPECT_EQ(replies[1].command, QByteArray("U"));
    EXPECT_EQ(replies[1].bytes, QByteArray());
    EXPECT_EQ(replies[2].command, QByteArray("GG"));
}

// ---- Coordinate format ------------------------------------------------------------------------

TEST_F(ModelTest, StartsInShortFormatAndUTogglesIt) {
    pointAt(0.5, -(5 + 23.0 / 60 + 28.0 / 3600));
    EXPECT_EQ(ask("GR").size(), 8); // HH:MM.T#
    EXPECT_EQ(ask("GD"), QByteArray("-05\xDF"
                                    "23#"));
    EXPECT_EQ(ask("GZ").size(), 7); // DDD*MM#
    EXPECT_EQ(ask("U"), QByteArray());
    EXPECT_TRUE(model.longFormat());
    EXPECT_EQ(ask("GR").size(), 9); // HH:MM:SS#
    EXPECT_EQ(ask("GD"), QByteArray("-05\xDF"
                                    "23'28#"));
    EXPECT_EQ(ask("GZ").size(), 10); // DDD*MM'SS#
    ask("U");
    EXPECT_EQ(ask("GA").size(), 7); // sDD*MM#
}

TEST_F(ModelTest, ShortRightAscensionHasTenthsOfMinutes) {
    model.setPosition(5.575, 0);
    EXPECT_EQ(ask("GR"), QByteArray("05:34.5#"));
    ask("U");
    EXPECT_EQ(ask("GR"), QByteArray("05:34:30#"));
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
    EXPECT_EQ(ask("Sg 111\xDF"
                  "50"),
              QByteArray("1"));
    EXPECT_EQ(ask("SG +07"), QByteArray("1"));
    EXPECT_EQ(ask("SL 20:00:00"), QByteArray("1"));
    EXPECT_EQ(ask("SC 03/04/24"), QByteArray("1Updating        planetary data#"));
    EXPECT_EQ(ask("GS"), QByteArray()); // busy: answered after the planetary update
    now += 5000;
    QByteArray late;
    for (const Reply& r : model.takeDueReplies())
        late += r.bytes;
    EXPECT_EQ(late, QByteArray(32, ' ') + "#" + "06:26:10#"); // 5 s later
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
                         ::testing::Values(HorizontalRow{0.5, 0,
                                                         "+55\xDF"
                                                         "50'51",
                                                         "013\xDF"
                                                         "26'40"},
                                           HorizontalRow{2, 20,
                                                         "+60\xDF"
                                                         "11'01",
                                                         "070\xDF"
                                                         "54'00"},
                                           HorizontalRow{-3, 45,
                                                         "+53\xDF"
                                                         "46'51",
                                                         "237\xDF"
                                                         "48'04"},
                                           HorizontalRow{0, 60,
                                                         "+63\xDF"
                                                         "25'00",
                                                         "180\xDF"
                                                         "00'00"},
                                           HorizontalRow{-1, -30,
                                                         "+25\xDF"
                                                         "00'56",
                                                         "345\xDF"
                                                         "40'45"}));

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

struct SetRow {
    const char* command;
    const char* reply;
};

class ModelSetCommand : public ModelTest, public ::testing::WithParamInterface<SetRow> {};

TEST_P(ModelSetCommand, AcceptsOrRefuses) {
    EXPECT_EQ(ask(GetParam().command), QByteArray(GetParam().reply)) << GetParam().command;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ModelSetCommand,
    ::testing::Values(
        SetRow{"SL 12:34:56", "1"}, SetRow{"SL 24:00:00", "0"}, SetRow{"SL 12:60:00", "0"},
        SetRow{"SL 12:34", "0"}, SetRow{"SL ab:cd:ef", "0"}, SetRow{"SC 13/01/24", "0"},
        SetRow{"SC 02/30/24", "0"}, SetRow{"SC 00/10/24", "0"}, SetRow{"SC 3/5/99", "0"},
        SetRow{"Sr 05:34:30", "1"}, SetRow{"Sr 05:34.5", "1"}, SetRow{"Sr 25:00:00", "0"},
        SetRow{"Sr 24:00:00", "0"}, SetRow{"Sr 12:00:60", "0"}, SetRow{"Sr", "0"},
        SetRow{"Sd +45*15:00", "1"},
        SetRow{"Sd -05\xDF"
               "23:28",
               "1"},
        SetRow{"Sd -012\xDF"
               "30:00",
               "1"},
        SetRow{"Sd 00:00:00", "1"}, SetRow{"Sd +22*01", "1"}, SetRow{"Sd +90*00:00", "1"},
        SetRow{"Sd +91*00", "0"}, SetRow{"Sd +90*00:01", "0"}, SetRow{"Sd +45*60", "0"},
        SetRow{"Sd abc", "0"},
        SetRow{"St 33\xDF"
               "25",
               "1"},
        SetRow{"St -33*25", "1"}, SetRow{"St 91*00", "0"},
        SetRow{"Sg 348\xDF"
               "30",
               "1"},
        SetRow{"Sg 361*00", "0"}, SetRow{"SG +07", "1"}, SetRow{"SG -05", "1"},
        SetRow{"SG +25", "0"}, SetRow{"SP ZZZ", "1"}, SetRow{"SP ", "0"}, SetRow{"Lo 2", "1"},
        SetRow{"Lo 3", "0"}, SetRow{"Ls 0", "1"}, SetRow{"Ls x", "0"}, SetRow{"SF 060", "1"},
        SetRow{"SF 201", "0"}, SetRow{"Sh 30", "1"}, SetRow{"Sh 91", "0"}, SetRow{"Sb-05.5", "1"},
        SetRow{"Sf+20.0", "1"}, SetRow{"Sf+25.0", "0"}, SetRow{"Sl000'", "1"},
        SetRow{"Ss200'", "1"}, SetRow{"Sy GPDCO", "1"}, SetRow{"Sy GPX", "0"},
        SetRow{"ST 57.9", "1"}, SetRow{"ST abc", "0"}));

TEST_F(ModelTest, AcceptedSettingsReadBack) {
    ask("U");
    EXPECT_EQ(ask("SL 12:34:56"), "1");
    EXPECT_EQ(ask("GL"), QByteArray("12:34:56#"));
    EXPECT_EQ(ask("GC"), QByteArray("03/04/24#")); // the date stays
    EXPECT_EQ(ask("Sr 05:34.5"), "1");
    EXPECT_EQ(ask("Gr"), QByteArray("05:34:30#"));
    EXPECT_EQ(ask("Sd -012\xDF"
                  "30:00"),
              "1");
    EXPECT_EQ(ask("Gd"), QByteArray("-12\xDF"
                                    "30'00#"));
    EXPECT_EQ(ask("St -0\xDF"
                  "30"),
              "1");
    EXPECT_EQ(ask("Gt"), QByteArray("-00\xDF"
                                    "30#"));
    EXPECT_EQ(ask("Sg 348\xDF"
                  "30"),
              "1");
    EXPECT_EQ(ask("Gg"), QByteArray("348\xDF"
                                    "30#"));
    EXPECT_EQ(ask("SG -05"), "1");
    EXPECT_EQ(ask("GG"), QByteArray("-05#"));
    EXPECT_EQ(ask("GL"), QByteArray("12:34:56#")); // a new offset keeps the local time
}

TEST_F(ModelTest, RefusedSettingsChangeNothing) {
    ask("U");
    const QByteArray target = ask("Gr");
    EXPECT_EQ(ask("Sr 25:00:00"), "0");
    EXPECT_EQ(ask("Gr"), target);
    EXPECT_EQ(ask("SL 25:00:00"), "0");
    EXPECT_EQ(ask("GL"), QByteArray("20:00:00#"));
}

TEST_F(ModelTest, SitesAreSelectedAndNamed) {
    model.setSite(4, {"ZZZ", -12.5, 300.0});
    EXPECT_EQ(ask("GP"), QByteArray("ZZZ#"));
    EXPECT_EQ(ask("W4"), QByteArray());
    EXPECT_EQ(ask("Gt"), QByteArray("-12\xDF"
                                    "30#"));
    EXPECT_EQ(ask("Gg"), QByteArray("300\xDF"
                                    "00#"));
    EXPECT_EQ(ask("SP TUC"), "1");
    EXPECT_EQ(ask("GP"), QByteArray("TUC#"));
    EXPECT_EQ(ask("W1"), QByteArray());
    EXPECT_EQ(ask("Gt"), QByteArray("+33\xDF"
                                    "25#"));
}

// ---- Date change: the two-part answer ---------------------------------------------------------

TEST_F(ModelTest, DateChangeAnswersTwiceAndHoldsLaterCommands) {
    EXPECT_EQ(ask("SC 03/05/99"), QByteArray("1Updating        planetary data#"));
    EXPECT_EQ(model.msUntilDue(), 5000);
    EXPECT_EQ(model.feed("\x06#:GG#"), QByteArray()); // deaf while updating
    now += 4999;
    EXPECT_TRUE(model.takeDueReplies().isEmpty());
    EXPECT_EQ(model.msUntilDue(), 1);
    now += 1;
    const QList<Reply> due = model.takeDueReplies();
    ASSERT_EQ(due.size(), 3);
    EXPECT_EQ(due[0].command, QByteArray());
    EXPECT_EQ(due[0].bytes, QByteArray(32, ' ') + "#");
    EXPECT_EQ(due[1].bytes, QByteArray("A"));
    EXPECT_EQ(due[2].bytes, QByteArray("+07#"));
    EXPECT_EQ(model.msUntilDue(), -1);
    EXPECT_EQ(ask("GC"), QByteArray("03/05/99#"));
}

TEST_F(ModelTest, IllegalDateAnswersZeroOnly) {
    EXPECT_EQ(ask("SC 02/29/23"), QByteArray("0"));
    EXPECT_EQ(model.msUntilDue(), -1);
    EXPECT_EQ(ask("GC"), QByteArray("03/04/24#"));
}

TEST_F(ModelTest, DateChangeDelayIsConfigurable) {
    model.setScDelayMs(20);
    ask("SC 03/05/24");
    EXPECT_EQ(model.msUntilDue(), 20);
}

// ---- Toggles and small settings ---------------------------------------------------------------

TEST_F(ModelTest, PrecisionTogglesAndReportsTheNewState) {
    EXPECT_EQ(ask("P"), QByteArray("HIGH PRECISION"));
    EXPECT_TRUE(model.highPrecision());
    EXPECT_EQ(ask("P"), QByteArray("LOW PRECISION"));
    EXPECT_FALSE(model.highPrecision());
}

TEST_F(ModelTest, ReticleStepsStopAtTheEnds) {
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(ask("B-"), QByteArray());
    EXPECT_EQ(model.reticleLevel(), 0);
    for (int i = 0; i < 12; ++i)
        ask("B+");
    EXPECT_EQ(model.reticleLevel(), 9);
    EXPECT_EQ(ask("B2"), QByteArray());
    EXPECT_EQ(model.reticleBlink(), 2);
}

TEST_F(ModelTest, FocusAndRatesAnswerNothing) {
    for (const char* c : {"F+", "F-", "FQ", "FF", "FS", "RS", "RM", "RC", "RG", "TQ", "TM"})
        EXPECT_EQ(ask(c), QByteArray()) << c;
    EXPECT_EQ(model.motionRate(), MotionRate::Guide);
    EXPECT_FALSE(model.fastFocus());
    EXPECT_EQ(model.focusDirection(), 0);
}

TEST_F(ModelTest, TrackingFrequency) {
    EXPECT_EQ(ask("GT"), QByteArray("60.1#"));
    ask("TM");
    EXPECT_EQ(ask("ST 57.9"), "1");
    EXPECT_EQ(ask("GT"), QByteArray("57.9#"));
    ask("TQ");
    EXPECT_EQ(ask("GT"), QByteArray("60.1#"));
}

TEST_F(ModelTest, FinderQualitySteps) {
    EXPECT_EQ(ask("Gq"), QByteArray("VP#"));
    EXPECT_EQ(ask("Sq"), QByteArray());
    EXPECT_EQ(ask("Gq"), QByteArray("SU#"));
    ask("Sq");
    EXPECT_EQ(ask("Gq"), QByteArray("EX#"));
    EXPECT_EQ(ask("Sy gPdCo"), "1");
    EXPECT_EQ(ask("Gy"), QByteArray("gPdCo#"));
    EXPECT_EQ(ask("Sh 30"), "1");
    EXPECT_EQ(ask("Gh").left(2), QByteArray("30"));
}

// ---- Slews ------------------------------------------------------------------------------------

TEST_F(ModelTest, SlewBelowHorizonIsRefusedWithCodeOne) {
    EXPECT_EQ(ask("Sd -80*00"), "1"); // never rises at 33° N
    EXPECT_EQ(ask("MS"), QByteArray("1Object Below Horizon #"));
    EXPECT_FALSE(model.isSlewing());
}

TEST_F(ModelTest, SlewBelowHigherLimitIsRefusedWithCodeTwo) {
    // Hour angle 0, declination -46: altitude about 10.6°.
    model.setTarget(model.localSiderealHours(), -46);
    EXPECT_EQ(ask("Sh 30"), "1");
    EXPECT_EQ(ask("MS"), QByteArray("2Object Below Higher#"));
    EXPECT_EQ(ask("Sh 05"), "1");
    EXPECT_EQ(ask("MS"), QByteArray("0"));
}

TEST_F(ModelTest, ForcedSlewRefusalAppliesOnce) {
    pointAt(0, 0);
    model.setTarget(model.localSiderealHours(), 10);
    model.refuseNextSlew('1');
    EXPECT_EQ(ask("MS"), QByteArray("1Object Below Horizon #"));
    model.refuseNextSlew('2');
    EXPECT_EQ(ask("MS"), QByteArray("2Object Below Higher#"));
    model.refuseNextSlew('7');
    EXPECT_EQ(ask("MS"), QByteArray("7#"));
    EXPECT_EQ(ask("MS"), QByteArray("0"));
}

class ModelSlew : public ModelTest, public ::testing::WithParamInterface<char> {};

TEST_P(ModelSlew, DistanceBarsShrinkToEmptyAndTheSlewEndsOnTarget) {
    model.setMountMode(GetParam());
    pointAt(1.0, 10.0);
    model.setTarget(model.localSiderealHours() + 1.0, 40.0); // 2 h east, 30° north
    EXPECT_EQ(ask("MS"), QByteArray("0"));
    EXPECT_TRUE(model.isSlewing());

    int lastFilled = 33;
    QByteArray bars = ask("D");
    ASSERT_EQ(bars.size(), 33);
    EXPECT_EQ(bars, QByteArray(32, '\xFF') + "#");
    for (int step = 0; step < 200 && bars != "#"; ++step) {
        ASSERT_TRUE(bars.size() == 33 || bars == "#") << bars.toHex().toStdString();
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

TEST_F(ModelTest, SlewToWherePointingEndsAtOnce) {
    pointAt(1, 20);
    model.setTarget(model.raHours(), 20);
    EXPECT_EQ(ask("MS"), QByteArray("0"));
    EXPECT_EQ(ask("D"), QByteArray("#"));
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

// ---- Hand motion ------------------------------------------------------------------------------

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

// ---- Object library and sync (the library itself: test_finder.cpp) ---------------------------

TEST_F(ModelTest, MessierSelectionSetsTheTarget) {
    ask("LM 31");
    ask("U");
    // OpenNGC J2000 position of M31: 10.68479°, +41.26906°.
    EXPECT_EQ(ask("Gr"), QByteArray("00:42:44#"));
    EXPECT_EQ(ask("Gd"), QByteArray("+41\xDF"
                                    "16'08#"));
}

TEST_F(ModelTest, SyncMovesThePositionOntoTheTarget) {
    pointAt(1, 10);
    ask("LM 42");
    const QByteArray reply = ask("CM");
    EXPECT_EQ(reply, QByteArray(" M42 SU DNEB MAG 4.0 SZ90.0'#"));
    ask("U");
    EXPECT_EQ(ask("GR"), ask("Gr"));
    EXPECT_EQ(ask("GD"), ask("Gd"));

    ask("Sr 03:00:00");
    ask("Sd +10*00");
    EXPECT_EQ(ask("CM"), QByteArray("Coordinates     matched.        #"));
    EXPECT_EQ(ask("GR"), QByteArray("03:00:00#"));
}

// ---- Fault injection --------------------------------------------------------------------------

TEST_F(ModelTest, RefuseNextAnswersZeroAndKeepsState) {
    ask("U");
    model.refuseNext("Sr", 2);
    const QByteArray before = ask("Gr");
    EXPECT_EQ(ask("Sr 05:00:00"), "0");
    EXPECT_EQ(ask("Sr 05:00:00"), "0");
    EXPECT_EQ(ask("Gr"), before);
    EXPECT_EQ(ask("Sr 05:00:00"), "1");
    EXPECT_EQ(ask("Gr"), QByteArray("05:00:00#"));
}

} // namespace
} // namespace teleon::sim
