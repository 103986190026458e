#include "platform/CTime.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using testing_support::kZoneCentralEurope;
using testing_support::kZoneUtc;
using testing_support::ScopedTimeZone;

TEST(CTime, FieldsRoundTripInUtcAndBeyond2038) {
    ScopedTimeZone zone(kZoneUtc);
    struct Case {
        int y, mo, d, h, mi, s;
    } cases[] = {
        {1970, 1, 1, 0, 0, 0},      {2010, 2, 12, 20, 28, 45},  {2038, 1, 19, 3, 14, 8},
        {2069, 12, 31, 23, 59, 59}, {2100, 12, 31, 23, 59, 59},
    };
    for (const auto& c : cases) {
        CTime t(c.y, c.mo, c.d, c.h, c.mi, c.s);
        EXPECT_EQ(t.GetYear(), c.y);
        EXPECT_EQ(t.GetMonth(), c.mo);
        EXPECT_EQ(t.GetDay(), c.d);
        EXPECT_EQ(t.GetHour(), c.h);
        EXPECT_EQ(t.GetMinute(), c.mi);
        EXPECT_EQ(t.GetSecond(), c.s);
    }
    EXPECT_EQ(CTime(2010, 2, 12, 20, 28, 45).GetTime(), 1266006525);
    EXPECT_GT(CTime(2100, 1, 1, 0, 0, 0).GetTime(), 4102444799LL - 1);
}

TEST(CTime, NormalisesOutOfRangeFieldsLikeMktime) {
    ScopedTimeZone zone(kZoneUtc);
    CTime t(2010, 2, 30, 10, 0, 0);
    EXPECT_EQ(t.GetMonth(), 3);
    EXPECT_EQ(t.GetDay(), 2);
    CTime april31(2010, 4, 31, 0, 0, 0);
    EXPECT_EQ(april31.GetMonth(), 5);
    EXPECT_EQ(april31.GetDay(), 1);
    CTime hour25(2010, 1, 15, 25, 0, 0);
    EXPECT_EQ(hour25.GetDay(), 16);
    EXPECT_EQ(hour25.GetHour(), 1);
}

TEST(CTime, LocalTimeAcrossDaylightSavingChanges) {
    ScopedTimeZone zone(kZoneCentralEurope);
    // Winter: UTC+1. Summer: UTC+2. The system decides which applies.
    CTime winter(2010, 2, 12, 20, 28, 45);
    EXPECT_EQ(winter.GetTime(), 1266006525 - 3600);
    CTime summer(2010, 7, 1, 12, 0, 0);
    EXPECT_EQ(summer.GetTime(), CTime(2010, 7, 1, 10, 0, 0).GetTime() + 7200);
    EXPECT_EQ(summer.GetHour(), 12);
    struct tm fields;
    summer.GetLocalTm(&fields);
    EXPECT_EQ(fields.tm_isdst, 1);
    // The day the clocks go forward: 12:00 still reads back as 12:00.
    CTime change(2010, 3, 28, 12, 0, 0);
    EXPECT_EQ(change.GetHour(), 12);
    EXPECT_EQ(change.GetDay(), 28);
    // After 2038 the rules still apply.
    CTime late(2080, 7, 1, 12, 0, 0);
    EXPECT_EQ(late.GetHour(), 12);
    EXPECT_EQ(late.GetYear(), 2080);
}

TEST(CTime, CurrentTimeIsNow) {
    std::int64_t before = static_cast<std::int64_t>(time(nullptr));
    std::int64_t now = CTime::GetCurrentTime().GetTime();
    EXPECT_GE(now, before);
    EXPECT_LE(now, before + 5);
}

// Dates the clocks skip or that lie before 1970 in UTC: the same instant and
// the same fields back on every system (the values are the POSIX mktime's).
TEST(CTime, SkippedTimesAndDatesBefore1970InUtc) {
    const struct {
        const char* zone;
        int y, mo, d, h, mi;
        std::int64_t time;
        int backDay, backHour, backMinute;
    } cases[] = {
        // 02:30 the day the clocks go forward is read as 03:30 summer time.
        {kZoneCentralEurope, 2010, 3, 28, 2, 30, 1269739800, 28, 3, 30},
        {kZoneCentralEurope, 2010, 3, 28, 2, 0, 1269738000, 28, 3, 0},
        {kZoneCentralEurope, 2010, 3, 27, 26, 30, 1269739800, 28, 3, 30},
        // Half past midnight on 1 January 1970 east of UTC is still 1969 there.
        {kZoneCentralEurope, 1970, 1, 1, 0, 30, -1800, 1, 0, 30},
        {kZoneUtc, 1970, 1, 1, 0, 30, 1800, 1, 0, 30},
        {"EST5EDT,M3.2.0,M11.1.0", 2024, 3, 10, 2, 15, 1710054900, 10, 3, 15},
        {"AEST-10AEDT,M10.1.0,M4.1.0/3", 2024, 10, 6, 2, 30, 1728145800, 6, 3, 30},
    };
    for (const auto& c : cases) {
        ScopedTimeZone zone(c.zone);
        CTime t(c.y, c.mo, c.d, c.h, c.mi, 0);
        EXPECT_EQ(t.GetTime(), c.time) << c.zone << " " << c.d << " " << c.h << ":" << c.mi;
        EXPECT_EQ(t.GetDay(), c.backDay) << c.zone;
        EXPECT_EQ(t.GetHour(), c.backHour) << c.zone;
        EXPECT_EQ(t.GetMinute(), c.backMinute) << c.zone;
    }
    // The hour the clocks go back exists twice; either instant reads back.
    ScopedTimeZone zone(kZoneCentralEurope);
    CTime repeated(2010, 10, 31, 2, 30, 0);
    EXPECT_EQ(repeated.GetHour(), 2);
    EXPECT_EQ(repeated.GetMinute(), 30);
}
