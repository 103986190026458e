#include "survey/NumberText.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace {

// Longest "%.Nf" text of a double: 309 integer digits, a sign, a point and
// the decimals (the writers use at most 8).
constexpr int kMaxDecimals = 17;
constexpr int kBufferSize = 330 + kMaxDecimals;

// std::to_chars with a precision rounds exactly as printf does (correctly,
// ties to even on the exact binary value), and writes inf and nan as it does.
int ToFixed(char* pBuffer, double dValue, int nDecimals) {
    if (nDecimals < 0) {
        nDecimals = 0;
    } else if (nDecimals > kMaxDecimals) {
        nDecimals = kMaxDecimals;
    }
    auto result =
        std::to_chars(pBuffer, pBuffer + kBufferSize, dValue, std::chars_format::fixed, nDecimals);
    return static_cast<int>(result.ptr - pBuffer);
}

bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

bool IsSpace(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

// The "C" locale as an object of its own, so that the few texts the C library
// still reads are read with a decimal point whatever the process's locale.
locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

// strtod in the "C" locale: overflow gives an infinity, underflow a zero or
// the nearest tiny value, as strtod itself does.
double StrtodC(const char* pText) {
    return strtod_l(pText, nullptr, CLocale());
}

// sscanf's "%lf" in the "C" locale, for the texts the plain decimal path does
// not take (hex, inf, nan, an exponent mark without digits).
int ScanfDoubleC(const char* pText, double& dValue, int& nConsumed) {
    locale_t previous = uselocale(CLocale());
    int nFields = std::sscanf(pText, "%lf%n", &dValue, &nConsumed);
    uselocale(previous);
    return nFields;
}

} // namespace

void AppendFixed(std::string& strOut, double dValue, int nDecimals) {
    char buffer[kBufferSize];
    strOut.append(buffer, static_cast<size_t>(ToFixed(buffer, dValue, nDecimals)));
}

void AppendFixedZeroPadded(std::string& strOut, double dValue, int nWidth, int nDecimals) {
    char buffer[kBufferSize];
    int nLength = ToFixed(buffer, dValue, nDecimals);
    int nPad = nWidth - nLength;
    if (nPad <= 0) {
        strOut.append(buffer, static_cast<size_t>(nLength));
    } else if (!std::isfinite(dValue)) {
        strOut.append(static_cast<size_t>(nPad), ' '); // printf pads inf and nan with spaces
        strOut.append(buffer, static_cast<size_t>(nLength));
    } else {
        int nSign = buffer[0] == '-' ? 1 : 0;
        strOut.append(buffer, static_cast<size_t>(nSign));
        strOut.append(static_cast<size_t>(nPad), '0');
        strOut.append(buffer + nSign, static_cast<size_t>(nLength - nSign));
    }
}

void AppendFixedSpaceSigned(std::string& strOut, double dValue, int nDecimals) {
    char buffer[kBufferSize];
    int nLength = ToFixed(buffer, dValue, nDecimals);
    if (buffer[0] != '-') {
        strOut += ' ';
    }
    strOut.append(buffer, static_cast<size_t>(nLength));
}

bool ScanDouble(const char*& pText, double& dValue) {
    // A plain decimal number, the form of every value in a survey file, is
    // read here; for it scanf's "%lf" and strtod agree. Anything else (hex,
    // inf, nan, an exponent mark without digits, a "0x") goes to sscanf itself,
    // whose rules for such texts are its own.
    const char* p = pText;
    while (IsSpace(*p)) {
        ++p;
    }
    const char* pStart = p;
    if (*p == '+' || *p == '-') {
        ++p;
    }
    const char* pDigits = p;
    while (IsDigit(*p)) {
        ++p;
    }
    bool bDigits = p > pDigits;
    if (*p == '.') {
        const char* pFraction = ++p;
        while (IsDigit(*p)) {
            ++p;
        }
        bDigits = bDigits || p > pFraction;
    }
    bool bPlain = bDigits;
    if (bPlain && (*p == 'e' || *p == 'E')) {
        const char* pExponent = p + 1;
        if (*pExponent == '+' || *pExponent == '-') {
            ++pExponent;
        }
        bPlain = IsDigit(*pExponent);
        for (p = pExponent; IsDigit(*p);) {
            ++p;
        }
    }
    if (bPlain && *p != 'x' && *p != 'X') {
        // from_chars rounds a decimal text as strtod does, only faster; it
        // knows no plus sign, and leaves overflow and underflow to strtod.
        double dRead = 0.0;
        auto result = std::from_chars(*pStart == '+' ? pStart + 1 : pStart, p, dRead);
        if (result.ec != std::errc() || result.ptr != p) {
            dRead = StrtodC(pStart);
        }
        dValue = dRead;
        pText = p;
        return true;
    }
    double dRead = 0.0;
    int nConsumed = 0;
    if (ScanfDoubleC(pText, dRead, nConsumed) != 1) {
        return false;
    }
    dValue = dRead;
    pText += nConsumed;
    return true;
}

CString FixedText(double dValue, int nDecimals) {
    std::string strText;
    AppendFixed(strText, dValue, nDecimals);
    return CString(std::move(strText));
}

void AppendWhole(std::string& strOut, long long nValue, int nMinDigits) {
    char digits[24];
    int nLength = 0;
    // Works on the negative side, which holds LLONG_MIN as well.
    long long nRest = nValue < 0 ? nValue : -nValue;
    do {
        digits[nLength++] = static_cast<char>('0' - nRest % 10);
        nRest /= 10;
    } while (nRest != 0);
    if (nValue < 0) {
        strOut += '-';
    }
    if (nMinDigits > nLength) {
        strOut.append(static_cast<size_t>(nMinDigits - nLength), '0');
    }
    while (nLength > 0) {
        strOut += digits[--nLength];
    }
}

bool ScanWhole(const char*& pText, int& nValue) {
    const char* p = pText;
    while (IsSpace(*p)) {
        ++p;
    }
    const bool bNegative = *p == '-';
    if (*p == '+' || *p == '-') {
        ++p;
    }
    if (!IsDigit(*p)) {
        return false;
    }
    long long nRead = 0;
    for (; IsDigit(*p); ++p) {
        if (nRead <= INT_MAX) {
            nRead = nRead * 10 + (*p - '0');
        }
    }
    nRead = bNegative ? -nRead : nRead;
    nValue = static_cast<int>(std::clamp<long long>(nRead, INT_MIN, INT_MAX));
    pText = p;
    return true;
}

double ParseNumber(CString strText) {
    const char* p = strText;
    while (IsSpace(*p)) {
        ++p;
    }
    // Only the decimal form counts, so that "nan", "inf" or "0x10" give the
    // value of their decimal prefix, or 0.0.
    const char* q = p;
    if (*q == '+' || *q == '-') {
        ++q;
    }
    const char* digits = q;
    while (IsDigit(*q)) {
        ++q;
    }
    bool bIntDigits = q > digits;
    bool bFracDigits = false;
    if (*q == '.') {
        const char* frac = ++q;
        while (IsDigit(*q)) {
            ++q;
        }
        bFracDigits = q > frac;
    }
    if (!bIntDigits && !bFracDigits) {
        return 0.0;
    }
    if (*q == 'e' || *q == 'E') {
        const char* e = q + 1;
        if (*e == '+' || *e == '-') {
            ++e;
        }
        if (IsDigit(*e)) {
            while (IsDigit(*e)) {
                ++e;
            }
            q = e;
        }
    }
    const char* pNumber = p;
    if (*pNumber == '+') {
        ++pNumber;
    }
    double dValue = 0.0;
    auto result = std::from_chars(pNumber, q, dValue);
    if (result.ec != std::errc() || result.ptr != q) {
        return StrtodC(std::string(p, q).c_str()); // overflow and underflow as strtod has them
    }
    return dValue;
}
