// CTime by the C library's local time, which follows TZ and the zone files.
#include "platform/CTime.h"

static_assert(sizeof(time_t) >= 8, "dates after 2038 need a 64-bit time_t");

CTime::CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST) {
    struct tm fields = {};
    fields.tm_year = nYear - 1900;
    fields.tm_mon = nMonth - 1;
    fields.tm_mday = nDay;
    fields.tm_hour = nHour;
    fields.tm_min = nMin;
    fields.tm_sec = nSec;
    fields.tm_isdst = nDST;
    m_time = static_cast<std::int64_t>(mktime(&fields));
}

struct tm* CTime::GetLocalTm(struct tm* ptm) const {
    thread_local struct tm local;
    struct tm* target = ptm ? ptm : &local;
    time_t t = static_cast<time_t>(m_time);
    if (!localtime_r(&t, target)) {
        *target = {};
    }
    return target;
}
