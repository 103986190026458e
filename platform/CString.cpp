#include "platform/CString.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace {

bool IsBlank(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\v' || ch == '\f';
}

size_t Clamp(int n, size_t nMax) {
    if (n < 0) {
        return 0;
    }
    return std::min(static_cast<size_t>(n), nMax);
}

} // namespace

CString& CString::operator=(const char* psz) {
    m_str = psz ? psz : "";
    return *this;
}

CString& CString::operator+=(const CString& str) {
    m_str += str.m_str;
    return *this;
}

CString& CString::operator+=(const char* psz) {
    if (psz) {
        m_str += psz;
    }
    return *this;
}

CString& CString::operator+=(char ch) {
    m_str += ch;
    return *this;
}

CString operator+(const CString& a, const CString& b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, const char* b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(const char* a, const CString& b) {
    CString result(a);
    result += b;
    return result;
}

void CString::Format(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    va_list copy;
    va_copy(copy, args);
    char buffer[256];
    int nLength = std::vsnprintf(buffer, sizeof buffer, pszFormat, args);
    va_end(args);
    if (nLength < 0) {
        m_str.clear();
    } else if (static_cast<size_t>(nLength) < sizeof buffer) {
        m_str.assign(buffer, static_cast<size_t>(nLength));
    } else {
        m_str.assign(static_cast<size_t>(nLength) + 1, '\0');
        std::vsnprintf(m_str.data(), m_str.size(), pszFormat, copy);
        m_str.resize(static_cast<size_t>(nLength));
    }
    va_end(copy);
}

int CString::Find(char ch, int nStart) const {
    if (nStart < 0 || static_cast<size_t>(nStart) >= m_str.size()) {
        return -1;
    }
    size_t pos = m_str.find(ch, static_cast<size_t>(nStart));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(const char* pszSub, int nStart) const {
    if (nStart < 0 || static_cast<size_t>(nStart) > m_str.size()) {
        return -1;
    }
    size_t pos = m_str.find(pszSub ? pszSub : "", static_cast<size_t>(nStart));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(char ch) const {
    size_t pos = m_str.rfind(ch);
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

CString CString::Left(int nCount) const {
    return CString(m_str.data(), static_cast<int>(Clamp(nCount, m_str.size())));
}

CString CString::Mid(int nFirst) const {
    size_t first = Clamp(nFirst, m_str.size());
    return CString(m_str.data() + first, static_cast<int>(m_str.size() - first));
}

CString CString::Mid(int nFirst, int nCount) const {
    size_t first = Clamp(nFirst, m_str.size());
    size_t count = Clamp(nCount, m_str.size() - first);
    return CString(m_str.data() + first, static_cast<int>(count));
}

CString CString::Right(int nCount) const {
    size_t count = Clamp(nCount, m_str.size());
    return CString(m_str.data() + m_str.size() - count, static_cast<int>(count));
}

CString& CString::TrimLeft() {
    size_t first = 0;
    while (first < m_str.size() && IsBlank(m_str[first])) {
        ++first;
    }
    m_str.erase(0, first);
    return *this;
}

CString& CString::TrimLeft(char chTarget) {
    size_t first = 0;
    while (first < m_str.size() && m_str[first] == chTarget) {
        ++first;
    }
    m_str.erase(0, first);
    return *this;
}

CString& CString::TrimRight() {
    while (!m_str.empty() && IsBlank(m_str.back())) {
        m_str.pop_back();
    }
    return *this;
}

CString& CString::TrimRight(char chTarget) {
    while (!m_str.empty() && m_str.back() == chTarget) {
        m_str.pop_back();
    }
    return *this;
}

void CString::MakeLower() {
    for (char& ch : m_str) {
        if (ch >= 'A' && ch <= 'Z') {
            ch = static_cast<char>(ch - 'A' + 'a');
        }
    }
}

void CString::MakeUpper() {
    for (char& ch : m_str) {
        if (ch >= 'a' && ch <= 'z') {
            ch = static_cast<char>(ch - 'a' + 'A');
        }
    }
}

int CString::Replace(const char* pszOld, const char* pszNew) {
    std::string oldText = pszOld ? pszOld : "";
    std::string newText = pszNew ? pszNew : "";
    if (oldText.empty()) {
        return 0;
    }
    int nCount = 0;
    size_t pos = 0;
    while ((pos = m_str.find(oldText, pos)) != std::string::npos) {
        m_str.replace(pos, oldText.size(), newText);
        pos += newText.size();
        ++nCount;
    }
    return nCount;
}
