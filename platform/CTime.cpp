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

CTime CTime::GetCurrentTime() {
    return CTime(static_cast<std::int64_t>(time(nullptr)));
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

int CTime::GetYear() const {
    return GetLocalTm()->tm_year + 1900;
}

int CTime::GetMonth() const {
    return GetLocalTm()->tm_mon + 1;
}

int CTime::GetDay() const {
    return GetLocalTm()->tm_mday;
}

int CTime::GetHour() const {
    return GetLocalTm()->tm_hour;
}

int CTime::GetMinute() const {
    return GetLocalTm()->tm_min;
}

int CTime::GetSecond() const {
    return GetLocalTm()->tm_sec;
}
