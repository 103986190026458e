// CTime on Windows. The C runtime's mktime and localtime differ from the
// POSIX ones that survey dates are checked against (a time the spring change
// skips goes backwards, nothing before 1970 exists, TZ is read without its
// change rules), so dates are converted by rules of our own (ZoneRules.h):
// those of TZ when it holds a POSIX zone text, as the tests and scripts set
// it, otherwise those of the zone in the system's settings.
#include "platform/CTime.h"

#include "platform/ZoneRules.h"

#include <cstdlib>
#include <mutex>
#include <string>

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h makes GetCurrentTime() a macro for GetTickCount(); ours is CTime's.
#undef GetCurrentTime

namespace {

// A change of the system's zone: a weekday of a month in most years, or a
// date of that very year.
ZoneChangeDay ChangeOf(const SYSTEMTIME& when) {
    ZoneChangeDay change;
    change.nSeconds = when.wHour * 3600 + when.wMinute * 60 + when.wSecond;
    if (when.wYear == 0) {
        change.nForm = ZoneChangeDay::weekdayOfMonth;
        change.nMonth = when.wMonth;
        change.nWeek = when.wDay;
        change.nDay = when.wDayOfWeek;
    } else {
        change.nForm = ZoneChangeDay::dayOfYear;
        change.nDay = static_cast<int>(DaysFromCivil(when.wYear, when.wMonth, when.wDay) -
                                       DaysFromCivil(when.wYear, 1, 1));
    }
    return change;
}

// The zone of the system's settings, with the rules Windows keeps for each year.
class CSystemZoneRules : public CZoneRules {
public:
    ZoneYear RulesFor(int nYear) const override {
        TIME_ZONE_INFORMATION info;
        const bool bForYear =
            nYear >= 1601 && nYear <= 30827 &&
            GetTimeZoneInformationForYear(static_cast<USHORT>(nYear), nullptr, &info);
        if (!bForYear && GetTimeZoneInformation(&info) == TIME_ZONE_ID_INVALID) {
            return ZoneYear();
        }
        ZoneYear rules;
        rules.nStdOffset = -static_cast<int>(info.Bias + info.StandardBias) * 60;
        rules.nDstOffset = -static_cast<int>(info.Bias + info.DaylightBias) * 60;
        rules.bHasDst = info.DaylightDate.wMonth != 0 && info.StandardDate.wMonth != 0;
        if (rules.bHasDst) {
            rules.start = ChangeOf(info.DaylightDate);
            rules.end = ChangeOf(info.StandardDate);
        }
        return rules;
    }
};

// The rules in force: TZ is read at every conversion, as tzset would, and
// parsed again only when it has changed. The parsed rules are kept once for
// all threads, behind a lock, and each conversion takes a copy: MinGW's
// thread_local objects with destructors can crash a worker thread as it ends.
struct ZoneInForce {
    bool bPosix = false;
    CPosixZoneRules posix;
};

ZoneInForce CurrentZone() {
    static std::mutex mutex;
    static std::string strParsedTz;
    static bool bParsed = false;
    static ZoneInForce parsed;
    const char* pszTz = std::getenv("TZ");
    if (pszTz == nullptr) {
        return ZoneInForce();
    }
    std::lock_guard<std::mutex> lock(mutex);
    if (!bParsed || strParsedTz != pszTz) {
        strParsedTz = pszTz;
        bParsed = true;
        // An empty TZ means UTC, as for the POSIX C library.
        parsed.bPosix = parsed.posix.Parse(*pszTz == '\0' ? "UTC0" : pszTz);
    }
    return parsed;
}

const CSystemZoneRules g_systemZone;

const CZoneRules& RulesOf(const ZoneInForce& zone) {
    return zone.bPosix ? static_cast<const CZoneRules&>(zone.posix) : g_systemZone;
}

} // namespace

CTime::CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST) {
    const ZoneInForce zone = CurrentZone();
    m_time = RulesOf(zone).LocalToTime(nYear, nMonth, nDay, nHour, nMin, nSec, nDST);
}

struct tm* CTime::GetLocalTm(struct tm* ptm) const {
    thread_local struct tm local;
    struct tm* target = ptm ? ptm : &local;
    const ZoneInForce zone = CurrentZone();
    RulesOf(zone).TimeToLocal(m_time, *target);
    return target;
}
