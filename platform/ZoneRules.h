// Local time by rules of our own, for systems whose C library converts dates
// otherwise than the POSIX one (Windows: see CTime_win.cpp). A zone is a
// standard offset from UTC and, where it has one, a daylight offset with the
// two yearly changes, as a POSIX TZ text gives them
// ("CET-1CEST,M3.5.0,M10.5.0/3") or a system reports them year by year. No
// system call is made here, so the rules run, and are checked against the C
// library, on every system.
#pragma once

#include <cstdint>
#include <ctime>

// The day of a yearly change, in one of the POSIX forms.
struct ZoneChangeDay {
    enum Form {
        julianNoLeap,  // Jn: day n of 1 to 365, 29 February never counted
        dayOfYear,     // n: day n of 0 to 365, 29 February counted
        weekdayOfMonth // Mm.w.d: weekday d (0 Sunday) of week w (5 the last) of month m
    };
    Form nForm = weekdayOfMonth;
    int nDay = 0;
    int nWeek = 0;
    int nMonth = 0;
    int nSeconds = 7200; // the local time of day of the change (02:00 unless given)
};

// A zone's rules for one year.
struct ZoneYear {
    int nStdOffset = 0; // seconds east of UTC
    int nDstOffset = 0;
    bool bHasDst = false;
    ZoneChangeDay start; // in local standard time
    ZoneChangeDay end;   // in local daylight time
};

class CZoneRules {
public:
    virtual ~CZoneRules() = default;
    virtual ZoneYear RulesFor(int nYear) const = 0;

    // The time of local calendar fields, as the POSIX mktime gives it: fields
    // out of range carry over (30 February is 2 March), a time that the
    // spring change skips is read with the offset before it (02:30 becomes
    // 03:30), and nDst 0 or 1 reads the fields as standard or daylight time.
    // In the hour the autumn change repeats, the fields are read as daylight
    // time; either reading gives the same fields back.
    std::int64_t LocalToTime(std::int64_t nYear, std::int64_t nMonth, std::int64_t nDay,
                             std::int64_t nHour, std::int64_t nMinute, std::int64_t nSecond,
                             int nDst) const;
    // The local calendar fields of a time, as localtime gives them (with the
    // weekday, the day of the year and whether daylight time applies).
    void TimeToLocal(std::int64_t nTime, struct tm& fields) const;
    // Whether daylight time applies at nTime, and the offset east of UTC.
    int OffsetAt(std::int64_t nTime, bool& bDst) const;
};

// The rules of a POSIX TZ text: std offset [dst [offset] [,start[/time],end[/time]]].
// A zone with a daylight name but no changes takes the United States' ones
// (second Sunday of March, first Sunday of November), as the C library does
// without a zone database.
class CPosixZoneRules : public CZoneRules {
public:
    // FALSE when the text is not of that form (empty, a zone file name such as
    // "Europe/Berlin" or ":UTC", a missing offset).
    bool Parse(const char* pszTz);
    ZoneYear RulesFor(int /*nYear*/) const override { return m_rules; }

private:
    ZoneYear m_rules;
};

// Days from 1 January 1970 to a date of the proleptic Gregorian calendar;
// the month may lie outside 1 to 12 and carries into the year.
std::int64_t DaysFromCivil(std::int64_t nYear, std::int64_t nMonth, std::int64_t nDay);
