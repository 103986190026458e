#include "survey/NumberText.h"

#include "platform/CLocaleNumbers.h"
#include "survey/FastDecimal.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

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

// The short exact path for the few decimals the writers use, std::to_chars
// for every value and precision it declines.
int FormatFixed(char* pBuffer, double dValue, int nDecimals) {
    const int nLength = FormatFixedShort(pBuffer, dValue, nDecimals);
    return nLength > 0 ? nLength : ToFixed(pBuffer, dValue, nDecimals);
}

bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

bool IsSpace(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

// The extent of a plain decimal number at p: an optional sign, digits with
// an optional point, and an exponent (e or E, an optional sign, digits).
struct DecimalSpan {
    const char* pMantissaEnd = nullptr; // after the digits and the point
    const char* pEnd = nullptr;         // after the exponent, when it has digits
    bool bDigits = false;               // the mantissa has a digit
    bool bExponentMark = false;         // an e or E follows the mantissa
};

DecimalSpan ScanDecimalSpan(const char* p) {
    DecimalSpan span;
    if (*p == '+' || *p == '-') {
        ++p;
    }
    const char* pDigits = p;
    while (IsDigit(*p)) {
        ++p;
    }
    span.bDigits = p > pDigits;
    if (*p == '.') {
        const char* pFraction = ++p;
        while (IsDigit(*p)) {
            ++p;
        }
        span.bDigits = span.bDigits || p > pFraction;
    }
    span.pMantissaEnd = span.pEnd = p;
    if (*p == 'e' || *p == 'E') {
        span.bExponentMark = true;
        const char* pExponent = p + 1;
        if (*pExponent == '+' || *pExponent == '-') {
            ++pExponent;
        }
        if (IsDigit(*pExponent)) {
            while (IsDigit(*pExponent)) {
                ++pExponent;
            }
            span.pEnd = pExponent;
        }
    }
    return span;
}

// The value of the decimal text from pStart to pEnd, rounded as strtod
// rounds it: from_chars, which knows no plus sign and leaves overflow and
// underflow to strtod.
double DecimalValue(const char* pStart, const char* pEnd) {
    double dValue = 0.0;
    auto result = std::from_chars(*pStart == '+' ? pStart + 1 : pStart, pEnd, dValue);
    if (result.ec != std::errc() || result.ptr != pEnd) {
        dValue = StrtodC(std::string(pStart, pEnd).c_str());
    }
    return dValue;
}

} // namespace

void AppendFixed(std::string& strOut, double dValue, int nDecimals) {
    char buffer[kBufferSize];
    strOut.append(buffer, static_cast<size_t>(FormatFixed(buffer, dValue, nDecimals)));
}

void AppendFixedZeroPadded(std::string& strOut, double dValue, int nWidth, int nDecimals) {
    char buffer[kBufferSize];
    int nLength = FormatFixed(buffer, dValue, nDecimals);
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
    int nLength = FormatFixed(buffer, dValue, nDecimals);
    if (buffer[0] != '-') {
        strOut += ' ';
    }
    strOut.append(buffer, static_cast<size_t>(nLength));
}

bool ScanDouble(const char*& pText, double& dValue) {
    const char* p = pText;
    while (IsSpace(*p)) {
        ++p;
    }
    // The short decimals of a survey file ("-12.3", "002.00") in one exact step.
    if (const char* pEnd = ScanShortDecimal(p, dValue)) {
        pText = pEnd;
        return true;
    }
    // Any other plain decimal number; scanf's "%lf" and strtod agree on it.
    // An exponent mark without digits, or a following "x", leaves the text to
    // sscanf, whose rules for such texts are its own.
    const DecimalSpan span = ScanDecimalSpan(p);
    const bool bPlain = span.bDigits && (!span.bExponentMark || span.pEnd != span.pMantissaEnd);
    if (bPlain && *span.pEnd != 'x' && *span.pEnd != 'X') {
        dValue = DecimalValue(p, span.pEnd);
        pText = span.pEnd;
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
    // value of their decimal prefix, or 0.0; an exponent mark without digits
    // is not part of the number.
    const DecimalSpan span = ScanDecimalSpan(p);
    return span.bDigits ? DecimalValue(p, span.pEnd) : 0.0;
}
