#include "survey/NumberText.h"

#include "survey/FastDecimal.h"

#include <charconv>
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
int FixedText(char* pBuffer, double dValue, int nDecimals) {
    const int nLength = FormatFixedShort(pBuffer, dValue, nDecimals);
    return nLength > 0 ? nLength : ToFixed(pBuffer, dValue, nDecimals);
}

bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

bool IsSpace(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

} // namespace

void AppendFixed(std::string& strOut, double dValue, int nDecimals) {
    char buffer[kBufferSize];
    strOut.append(buffer, static_cast<size_t>(FixedText(buffer, dValue, nDecimals)));
}

void AppendFixedZeroPadded(std::string& strOut, double dValue, int nWidth, int nDecimals) {
    char buffer[kBufferSize];
    int nLength = FixedText(buffer, dValue, nDecimals);
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
    int nLength = FixedText(buffer, dValue, nDecimals);
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
    // The short decimals of a survey file ("-12.3", "002.00") in one exact step.
    if (const char* pEnd = ScanShortDecimal(p, dValue)) {
        pText = pEnd;
        return true;
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
            dRead = std::strtod(pStart, nullptr);
        }
        dValue = dRead;
        pText = p;
        return true;
    }
    double dRead = 0.0;
    int nConsumed = 0;
    if (std::sscanf(pText, "%lf%n", &dRead, &nConsumed) != 1) {
        return false;
    }
    dValue = dRead;
    pText += nConsumed;
    return true;
}
