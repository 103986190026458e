// What CTime does alike on every system; the local time itself is
// CTime_posix.cpp's or CTime_win.cpp's.
#include "platform/CTime.h"

CTime CTime::GetCurrentTime() {
    return CTime(static_cast<std::int64_t>(time(nullptr)));
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
