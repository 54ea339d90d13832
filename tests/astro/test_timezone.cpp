// utc_offs and tz_name under a fixed system time zone. The same tests are built once per zone
// (TELEON_TEST_TZ, pinned before main() runs); each zone has its own expected rows below. Offsets
// and daylight-saving dates are those of the IANA time zone database.
#include "PinTimeZone.h"
#include "astro/Celest32.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QTime>
#include <QTimeZone>

#include <cstring>
#include <vector>

TELEON_PIN_TIME_ZONE(TELEON_TEST_TZ)

using namespace teleon::celest32;

namespace {

struct ZoneRow {
    QDateTime utc;
    int utcMinusLocalSeconds;
    bool daylight;
};

QDateTime Utc(int y, int m, int d, int h, int min, int s = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, min, s), Qt::UTC);
}

QByteArray ZoneUnderTest() {
    return TELEON_TEST_TZ;
}

std::vector<ZoneRow> RowsForZone(const QByteArray& zone) {
    if (zone == "America/Phoenix") // MST all year, no daylight-saving time
        return {{Utc(2024, 1, 15, 12, 0), 25200, false}, {Utc(2024, 7, 1, 12, 0), 25200, false}};
    if (zone == "Europe/Berlin") // CET / CEST; 2024 summer time began 03-31 01:00 UTC
        return {{Utc(2024, 1, 15, 12, 0), -3600, false},
                {Utc(2024, 7, 1, 12, 0), -7200, true},
                {Utc(2024, 3, 31, 0, 59, 59), -3600, false},
                {Utc(2024, 3, 31, 1, 0, 0), -7200, true},
                {Utc(2024, 10, 27, 0, 59, 59), -7200, true},
                {Utc(2024, 10, 27, 1, 0, 0), -3600, false}};
    if (zone == "Australia/Sydney") // AEST / AEDT: daylight-saving time in the southern summer
        return {{Utc(2024, 1, 15, 12, 0), -39600, true}, {Utc(2024, 7, 1, 12, 0), -36000, false}};
    return {};
}

// Parameterised only so that each zone's binary gets its own test names (Phoenix/TimeZone...).
class TimeZone : public testing::TestWithParam<const char*> {
protected:
    void TearDown() override { SetClockOverride(std::nullopt); }
};

INSTANTIATE_TEST_SUITE_P(TELEON_TEST_CITY, TimeZone, testing::Values(TELEON_TEST_TZ));

TEST_P(TimeZone, OffsetAndDaylightSavingAtKnownInstants) {
    ASSERT_FALSE(RowsForZone(ZoneUnderTest()).empty()) << "no rows for " << TELEON_TEST_TZ;
    EXPECT_EQ(QTimeZone::systemTimeZoneId(), ZoneUnderTest());
    for (const ZoneRow& row : RowsForZone(ZoneUnderTest())) {
        SCOPED_TRACE(row.utc.toString(Qt::ISODate).toStdString());
        SetClockOverride(row.utc);
        EXPECT_EQ(utc_offs(), row.utcMinusLocalSeconds);
        char name[64] = {};
        EXPECT_EQ(tz_name(name, sizeof name) != 0, row.daylight);
        EXPECT_STREQ(name, ZoneUnderTest().constData());
    }
}

TEST_P(TimeZone, NameIsCutToTheBuffer) {
    SetClockOverride(Utc(2024, 7, 1, 12, 0));
    const bool daylight = RowsForZone(ZoneUnderTest()).at(1).daylight;
    char small[] = "xxxxxxx";
    EXPECT_EQ(tz_name(small, 4) != 0, daylight);
    EXPECT_EQ(std::string(small, 3), ZoneUnderTest().left(3).toStdString());
    EXPECT_EQ(small[3], '\0');
    EXPECT_EQ(small[4], 'x'); // nothing written past bufSize
    char one = 'x';
    tz_name(&one, 1);
    EXPECT_EQ(one, '\0');
    char untouched = 'x';
    EXPECT_EQ(tz_name(&untouched, 0) != 0, daylight);
    EXPECT_EQ(tz_name(&untouched, -5) != 0, daylight);
    EXPECT_EQ(untouched, 'x');
    EXPECT_EQ(tz_name(nullptr, 64) != 0, daylight);
}

TEST_P(TimeZone, WallClockTimesInADaylightSavingGapStayValid) {
    // Berlin skips 02:00-03:00 on 2024-03-31 and Sydney 02:00-03:00 on 2024-10-06; Phoenix skips
    // nothing. The wall clock reads one hour later there.
    for (const QDate& date : {QDate(2024, 3, 31), QDate(2024, 10, 6)}) {
        const double ole = mdy_vb(date.toString("MM/dd/yy").toLatin1().constData()) + 2.5 / 24.0;
        const QDateTime dt = DateTimeFromOle(ole);
        ASSERT_TRUE(dt.isValid()) << date.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(dt.date(), date);
        const bool skipped = (ZoneUnderTest() == "Europe/Berlin" && date.month() == 3) ||
                             (ZoneUnderTest() == "Australia/Sydney" && date.month() == 10);
        EXPECT_EQ(dt.time(), skipped ? QTime(3, 30) : QTime(2, 30));
    }
}

TEST_P(TimeZone, OffsetFollowsTheRealClockWithoutOverride) {
    SetClockOverride(std::nullopt);
    const int offset = utc_offs();
    bool known = false;
    for (const ZoneRow& row : RowsForZone(ZoneUnderTest()))
        known = known || row.utcMinusLocalSeconds == offset;
    EXPECT_TRUE(known) << offset;
}

} // namespace
