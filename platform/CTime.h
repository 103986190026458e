// A point in time as a 64-bit count of seconds since 1970 (UTC), converted to
// and from local calendar fields the way mktime and localtime do. 64 bits hold
// every survey date from 1970 to 2100 and beyond 2038.
#pragma once

#include <cstdint>
#include <ctime>

class CTime {
public:
    CTime() = default;
    explicit CTime(std::int64_t nTime) : m_time(nTime) {}
    // Local date and time; out-of-range fields carry over as mktime normalises
    // them (30 February becomes 2 March). nDST -1 lets the system decide.
    CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST = -1);

    static CTime GetCurrentTime();

    std::int64_t GetTime() const { return m_time; }
    // Local calendar fields; fills *ptm and returns ptm (or internal storage when
    // ptm is null).
    struct tm* GetLocalTm(struct tm* ptm = nullptr) const;

    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;

    friend bool operator==(const CTime& a, const CTime& b) { return a.m_time == b.m_time; }
    friend bool operator!=(const CTime& a, const CTime& b) { return a.m_time != b.m_time; }

private:
    std::int64_t m_time = 0;
};
