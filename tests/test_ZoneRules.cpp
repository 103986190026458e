// The zone rules that convert dates on Windows, checked on this system
// against the C library's mktime and localtime under the same TZ texts.
#include "platform/ZoneRules.h"

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <random>

using testing_support::ScopedTimeZone;

namespace {

const char* const kZones[] = {
    "UTC0",
    "CET-1CEST,M3.5.0,M10.5.0/3",
    "EST5EDT,M3.2.0,M11.1.0",
    "AEST-10AEDT,M10.1.0,M4.1.0/3", // daylight time across the new year
    "<+0530>-5:30",                 // a quoted name, minutes in the offset
    "NST3:30NDT,M3.2.0/0:01,M11.1.0/0:01",
    "ABC+2DEF+1,J60/1:30,300/-1",    // Julian and zero-based days, a negative time
    "WGT3WGST,M3.5.0/-2,M10.5.0/-1", // changes before midnight
};

std::string Fields(const struct tm& t) {
    char text[96];
    std::snprintf(text, sizeof text, "%d-%02d-%02d %02d:%02d:%02d wday %d yday %d dst %d",
                  t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                  t.tm_wday, t.tm_yday, t.tm_isdst);
    return text;
}

// Every hour of the days around each change from 1969 to 2101, and times
// scattered over the whole range.
std::vector<std::int64_t> Times(const CZoneRules& rules) {
    std::vector<std::int64_t> times;
    std::mt19937_64 random(7);
    for (int i = 0; i < 4000; ++i) {
        times.push_back(static_cast<std::int64_t>(random() % 4200000000ULL) - 60000000);
    }
    for (int nYear = 1969; nYear <= 2101; ++nYear) {
        const ZoneYear year = rules.RulesFor(nYear);
        if (!year.bHasDst) {
            continue;
        }
        bool bDst = false;
        std::int64_t nTime = DaysFromCivil(nYear, 1, 1) * 86400;
        // Find each change by its offset, then take every half hour around it.
        int nOffset = rules.OffsetAt(nTime, bDst);
        for (std::int64_t t = nTime; t < nTime + 366 * 86400; t += 1800) {
            if (rules.OffsetAt(t, bDst) != nOffset) {
                nOffset = rules.OffsetAt(t, bDst);
                for (std::int64_t u = t - 86400; u <= t + 86400; u += 900) {
                    times.push_back(u);
                }
            }
        }
    }
    return times;
}

} // namespace

TEST(ZoneRules, LocalFieldsMatchLocaltime) {
    for (const char* pszZone : kZones) {
        ScopedTimeZone zone(pszZone);
        CPosixZoneRules rules;
        ASSERT_TRUE(rules.Parse(pszZone)) << pszZone;
        for (std::int64_t nTime : Times(rules)) {
            time_t t = static_cast<time_t>(nTime);
            struct tm expected, got;
            ASSERT_NE(localtime_r(&t, &expected), nullptr);
            rules.TimeToLocal(nTime, got);
            ASSERT_EQ(Fields(got), Fields(expected)) << pszZone << " at " << nTime;
        }
    }
}

TEST(ZoneRules, TimesOfLocalFieldsMatchMktime) {
    for (const char* pszZone : kZones) {
        ScopedTimeZone zone(pszZone);
        CPosixZoneRules rules;
        ASSERT_TRUE(rules.Parse(pszZone)) << pszZone;
        for (std::int64_t nTime : Times(rules)) {
            time_t t = static_cast<time_t>(nTime);
            struct tm local;
            localtime_r(&t, &local);
            // The fields as read, and the same with the minutes pushed past
            // the hour, as a reader's hour 25 or minute 75 carries over.
            for (int nCarry : {0, 90}) {
                struct tm fields = local;
                fields.tm_min -= nCarry;
                fields.tm_hour += nCarry / 60;
                fields.tm_min += nCarry % 60;
                fields.tm_isdst = -1;
                struct tm normalised = fields;
                const std::int64_t nExpected = mktime(&normalised);
                const std::int64_t nGot =
                    rules.LocalToTime(fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday,
                                      fields.tm_hour, fields.tm_min, fields.tm_sec, -1);
                struct tm fromGot, fromExpected;
                rules.TimeToLocal(nGot, fromGot);
                rules.TimeToLocal(nExpected, fromExpected);
                // In the hour the autumn change repeats, the C library picks
                // either instant by what it converted before; both read back
                // as the same fields.
                if (nGot != nExpected) {
                    fromGot.tm_isdst = fromExpected.tm_isdst;
                }
                ASSERT_EQ(Fields(fromGot), Fields(fromExpected)) << pszZone << " at " << nTime;
                ASSERT_LE(std::llabs(nGot - nExpected), 3600) << pszZone << " at " << nTime;
            }
        }
    }
}

TEST(ZoneRules, TimesSkippedInSpringMoveForwardAsWithMktime) {
    ScopedTimeZone zone(testing_support::kZoneCentralEurope);
    CPosixZoneRules rules;
    ASSERT_TRUE(rules.Parse(testing_support::kZoneCentralEurope));
    for (int nMinute : {0, 1, 30, 59}) {
        struct tm fields = {};
        fields.tm_year = 2010 - 1900;
        fields.tm_mon = 2;
        fields.tm_mday = 28;
        fields.tm_hour = 2;
        fields.tm_min = nMinute;
        fields.tm_isdst = -1;
        EXPECT_EQ(rules.LocalToTime(2010, 3, 28, 2, nMinute, 0, -1), mktime(&fields)) << nMinute;
    }
}

TEST(ZoneRules, OnlyPosixZoneTextsAreTaken) {
    const struct {
        const char* text;
        bool taken;
    } cases[] = {{"UTC0", true},
                 {"<-03>3", true},
                 {"EST5EDT", true},
                 {"CET-1CEST,M3.5.0,M10.5.0/3", true},
                 {"", false},
                 {":UTC", false},
                 {"Europe/Berlin", false},
                 {"CET", false},
                 {"AB1", false},
                 {"CET-1CEST,M13.5.0,M10.5.0", false},
                 {"CET-1CEST,M3.5.0", false},
                 {"UTC0 ", false},
                 {"EST25", false}};
    for (const auto& c : cases) {
        CPosixZoneRules rules;
        EXPECT_EQ(rules.Parse(c.text), c.taken) << "'" << c.text << "'";
    }
}
