#include "platform/ZoneRules.h"

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// Division and remainder that round towards minus infinity, for times and
// days before 1970.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

std::int64_t FloorMod(std::int64_t a, std::int64_t b) {
    return a - FloorDiv(a, b) * b;
}

bool IsLeapYear(std::int64_t nYear) {
    return nYear % 4 == 0 && (nYear % 100 != 0 || nYear % 400 == 0);
}

int DaysInMonth(std::int64_t nYear, int nMonth) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return nMonth == 2 && IsLeapYear(nYear) ? 29 : kDays[nMonth - 1];
}

struct CivilDate {
    std::int64_t nYear;
    int nMonth;
    int nDay;
};

// The inverse of DaysFromCivil, in eras of 400 years (146097 days) that
// begin on 1 March.
CivilDate CivilFromDays(std::int64_t nDays) {
    nDays += 719468;
    const std::int64_t nEra = FloorDiv(nDays, 146097);
    const std::int64_t nDayOfEra = nDays - nEra * 146097;
    const std::int64_t nYearOfEra =
        (nDayOfEra - nDayOfEra / 1460 + nDayOfEra / 36524 - nDayOfEra / 146096) / 365;
    const std::int64_t nDayOfYear =
        nDayOfEra - (365 * nYearOfEra + nYearOfEra / 4 - nYearOfEra / 100);
    const std::int64_t nMonthFromMarch = (5 * nDayOfYear + 2) / 153;
    const int nDay = static_cast<int>(nDayOfYear - (153 * nMonthFromMarch + 2) / 5 + 1);
    const int nMonth =
        static_cast<int>(nMonthFromMarch < 10 ? nMonthFromMarch + 3 : nMonthFromMarch - 9);
    return {nYearOfEra + nEra * 400 + (nMonth <= 2 ? 1 : 0), nMonth, nDay};
}

// The first local second of the day of a change in nYear, counted from 1970.
// The POSIX C library counts the days of a year before 1970 from 1 January
// 1970, so that no daylight time begins before then; so do we, so that the
// first hours of 1970 east of UTC (still 1969 in UTC) read alike.
std::int64_t ChangeDayStart(const ZoneChangeDay& change, std::int64_t nYear) {
    std::int64_t nDayOfYear = 0;
    switch (change.nForm) {
    case ZoneChangeDay::julianNoLeap:
        nDayOfYear = change.nDay - 1 + (IsLeapYear(nYear) && change.nDay >= 60 ? 1 : 0);
        break;
    case ZoneChangeDay::dayOfYear:
        nDayOfYear = change.nDay;
        break;
    case ZoneChangeDay::weekdayOfMonth: {
        const std::int64_t nFirst = DaysFromCivil(nYear, change.nMonth, 1);
        const int nFirstWeekday = static_cast<int>(FloorMod(nFirst + 4, 7)); // 1970-01-01: Thursday
        int nDay = (change.nDay - nFirstWeekday + 7) % 7 + 1 + (change.nWeek - 1) * 7;
        while (nDay > DaysInMonth(nYear, change.nMonth)) {
            nDay -= 7; // week 5 is the last such weekday of the month
        }
        nDayOfYear = nFirst + nDay - 1 - DaysFromCivil(nYear, 1, 1);
        break;
    }
    }
    const std::int64_t nYearStart = nYear < 1970 ? 0 : DaysFromCivil(nYear, 1, 1);
    return (nYearStart + nDayOfYear) * kSecondsPerDay;
}

// A POSIX TZ text, read from left to right.
class CTzReader {
public:
    explicit CTzReader(const char* p) : m_p(p) {}

    bool AtEnd() const { return *m_p == '\0'; }
    bool Take(char ch) {
        if (*m_p != ch) {
            return false;
        }
        ++m_p;
        return true;
    }
    bool NextIsOffset() const { return *m_p == '+' || *m_p == '-' || IsDigit(*m_p); }

    // A zone's name: three or more letters, or anything of letters, digits
    // and signs between "<" and ">".
    bool Name() {
        int nLength = 0;
        if (Take('<')) {
            while (IsLetter(*m_p) || IsDigit(*m_p) || *m_p == '+' || *m_p == '-') {
                ++m_p;
                ++nLength;
            }
            return Take('>') && nLength >= 3;
        }
        while (IsLetter(*m_p)) {
            ++m_p;
            ++nLength;
        }
        return nLength >= 3;
    }

    // [+|-]hh[:mm[:ss]] in seconds, hours up to nMaxHours.
    bool Clock(int nMaxHours, int& nSeconds) {
        const int nSign = Take('-') ? -1 : (Take('+'), 1);
        int nHours = 0, nMinutes = 0, nSecs = 0;
        if (!Number(0, nMaxHours, nHours)) {
            return false;
        }
        if (Take(':') && (!Number(0, 59, nMinutes) || (Take(':') && !Number(0, 59, nSecs)))) {
            return false;
        }
        nSeconds = nSign * (nHours * 3600 + nMinutes * 60 + nSecs);
        return true;
    }

    // Jn, n or Mm.w.d, with an optional /time.
    bool ChangeDay(ZoneChangeDay& change) {
        if (Take('J')) {
            change.nForm = ZoneChangeDay::julianNoLeap;
            if (!Number(1, 365, change.nDay)) {
                return false;
            }
        } else if (Take('M')) {
            change.nForm = ZoneChangeDay::weekdayOfMonth;
            if (!Number(1, 12, change.nMonth) || !Take('.') || !Number(1, 5, change.nWeek) ||
                !Take('.') || !Number(0, 6, change.nDay)) {
                return false;
            }
        } else {
            change.nForm = ZoneChangeDay::dayOfYear;
            if (!Number(0, 365, change.nDay)) {
                return false;
            }
        }
        change.nSeconds = 7200;
        return !Take('/') || Clock(167, change.nSeconds);
    }

private:
    static bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }
    static bool IsLetter(char ch) { return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z'); }

    bool Number(int nMin, int nMax, int& nValue) {
        if (!IsDigit(*m_p)) {
            return false;
        }
        nValue = 0;
        while (IsDigit(*m_p)) {
            nValue = nValue * 10 + (*m_p++ - '0');
            if (nValue > nMax) {
                return false;
            }
        }
        return nValue >= nMin;
    }

    const char* m_p;
};

} // namespace

std::int64_t DaysFromCivil(std::int64_t nYear, std::int64_t nMonth, std::int64_t nDay) {
    nYear += FloorDiv(nMonth - 1, 12);
    nMonth = FloorMod(nMonth - 1, 12) + 1;
    nYear -= nMonth <= 2 ? 1 : 0;
    const std::int64_t nEra = FloorDiv(nYear, 400);
    const std::int64_t nYearOfEra = nYear - nEra * 400;
    const std::int64_t nDayOfYear =
        (153 * (nMonth > 2 ? nMonth - 3 : nMonth + 9) + 2) / 5 + nDay - 1;
    const std::int64_t nDayOfEra =
        nYearOfEra * 365 + nYearOfEra / 4 - nYearOfEra / 100 + nDayOfYear;
    return nEra * 146097 + nDayOfEra - 719468;
}

int CZoneRules::OffsetAt(std::int64_t nTime, bool& bDst) const {
    const std::int64_t nYear = CivilFromDays(FloorDiv(nTime, kSecondsPerDay)).nYear;
    const ZoneYear rules = RulesFor(static_cast<int>(nYear));
    bDst = false;
    if (rules.bHasDst) {
        const std::int64_t nStart =
            ChangeDayStart(rules.start, nYear) + rules.start.nSeconds - rules.nStdOffset;
        const std::int64_t nEnd =
            ChangeDayStart(rules.end, nYear) + rules.end.nSeconds - rules.nDstOffset;
        // The southern half of the world has its daylight time across the new year.
        bDst =
            nStart < nEnd ? (nTime >= nStart && nTime < nEnd) : (nTime < nEnd || nTime >= nStart);
    }
    return bDst ? rules.nDstOffset : rules.nStdOffset;
}

void CZoneRules::TimeToLocal(std::int64_t nTime, struct tm& fields) const {
    bool bDst = false;
    const std::int64_t nLocal = nTime + OffsetAt(nTime, bDst);
    const std::int64_t nDays = FloorDiv(nLocal, kSecondsPerDay);
    const std::int64_t nSecond = nLocal - nDays * kSecondsPerDay;
    const CivilDate date = CivilFromDays(nDays);
    fields = {};
    fields.tm_year = static_cast<int>(date.nYear - 1900);
    fields.tm_mon = date.nMonth - 1;
    fields.tm_mday = date.nDay;
    fields.tm_hour = static_cast<int>(nSecond / 3600);
    fields.tm_min = static_cast<int>(nSecond / 60 % 60);
    fields.tm_sec = static_cast<int>(nSecond % 60);
    fields.tm_wday = static_cast<int>(FloorMod(nDays + 4, 7));
    fields.tm_yday = static_cast<int>(nDays - DaysFromCivil(date.nYear, 1, 1));
    fields.tm_isdst = bDst ? 1 : 0;
}

std::int64_t CZoneRules::LocalToTime(std::int64_t nYear, std::int64_t nMonth, std::int64_t nDay,
                                     std::int64_t nHour, std::int64_t nMinute, std::int64_t nSecond,
                                     int nDst) const {
    const std::int64_t nLocal =
        DaysFromCivil(nYear, nMonth, nDay) * kSecondsPerDay + nHour * 3600 + nMinute * 60 + nSecond;
    const ZoneYear rules =
        RulesFor(static_cast<int>(CivilFromDays(FloorDiv(nLocal, kSecondsPerDay)).nYear));
    const std::int64_t nAsStandard = nLocal - rules.nStdOffset;
    if (!rules.bHasDst) {
        // Daylight time asked of a zone without it is taken as one hour ahead.
        return nDst > 0 ? nAsStandard - 3600 : nAsStandard;
    }
    const std::int64_t nAsDaylight = nLocal - rules.nDstOffset;
    if (nDst >= 0) {
        return nDst > 0 ? nAsDaylight : nAsStandard;
    }
    // Daylight time, or the repeated hour read as daylight time; otherwise
    // standard time, or fields the spring change skips, which the standard
    // offset moves forward past the change.
    bool bDst = false;
    OffsetAt(nAsDaylight, bDst);
    return bDst ? nAsDaylight : nAsStandard;
}

bool CPosixZoneRules::Parse(const char* pszTz) {
    if (pszTz == nullptr) {
        return false;
    }
    CTzReader reader(pszTz);
    ZoneYear rules;
    int nStdWest = 0;
    if (!reader.Name() || !reader.Clock(24, nStdWest)) {
        return false;
    }
    rules.nStdOffset = -nStdWest;
    if (!reader.AtEnd()) {
        if (!reader.Name()) {
            return false;
        }
        rules.bHasDst = true;
        rules.nDstOffset = rules.nStdOffset + 3600;
        int nDstWest = 0;
        if (reader.NextIsOffset()) {
            if (!reader.Clock(24, nDstWest)) {
                return false;
            }
            rules.nDstOffset = -nDstWest;
        }
        if (reader.Take(',')) {
            if (!reader.ChangeDay(rules.start) || !reader.Take(',') ||
                !reader.ChangeDay(rules.end)) {
                return false;
            }
        } else {
            rules.start = {ZoneChangeDay::weekdayOfMonth, 0, 2, 3, 7200};
            rules.end = {ZoneChangeDay::weekdayOfMonth, 0, 1, 11, 7200};
        }
    }
    if (!reader.AtEnd()) {
        return false;
    }
    m_rules = rules;
    return true;
}
