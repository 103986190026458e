// An 8-bit byte string with the operations the converters use.
#pragma once

#include "platform/Types.h"

#include <string>
#include <utility>

class CString {
public:
    CString() = default;
    CString(const char* psz) : m_str(psz ? psz : "") {}
    CString(const char* pch, int nLength) : m_str(pch, static_cast<size_t>(nLength)) {}
    // Takes the bytes of a text built elsewhere without copying them.
    explicit CString(std::string&& str) noexcept : m_str(std::move(str)) {}
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(const char* psz);

    int GetLength() const { return static_cast<int>(m_str.size()); }
    BOOL IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    char GetAt(int nIndex) const { return m_str[static_cast<size_t>(nIndex)]; }
    char operator[](int nIndex) const { return GetAt(nIndex); }
    operator LPCSTR() const { return m_str.c_str(); }

    CString& operator+=(const CString& str);
    CString& operator+=(const char* psz);
    CString& operator+=(char ch);
    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const char* b);
    friend CString operator+(const char* a, const CString& b);
    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator==(const CString& a, const char* b) { return a.m_str == (b ? b : ""); }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }

    // printf-style formatting of any length.
    void Format(const char* pszFormat, ...) __attribute__((format(printf, 2, 3)));

    // Positions are byte indexes; -1 means not found.
    int Find(char ch, int nStart = 0) const;
    int Find(const char* pszSub, int nStart = 0) const;
    int ReverseFind(char ch) const;

    CString Left(int nCount) const;
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Right(int nCount) const;

    // Without an argument these remove white space (space, tab, CR, LF, VT, FF).
    CString& TrimLeft();
    CString& TrimLeft(char chTarget);
    CString& TrimRight();
    CString& TrimRight(char chTarget);

    void MakeLower();
    void MakeUpper();
    // Replaces every occurrence; returns how many were replaced.
    int Replace(const char* pszOld, const char* pszNew);

    const std::string& str() const { return m_str; }
    // The bytes themselves, for code that fills a text in place (and keeps
    // its storage from one line to the next).
    std::string& str() { return m_str; }

private:
    std::string m_str;
};
