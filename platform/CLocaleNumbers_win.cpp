// The "C"-locale conversions on Windows. MinGW's C99 strtod and sscanf read
// every number form the POSIX ones read, with the same extent, but with the
// decimal point of the process's locale, and the C runtime has no locale per
// thread to switch to. So the text is handed over as it would read in that
// locale: each "." becomes its decimal point, and the number ends where the
// text itself has that character (a ',' under a German locale), as it would
// in the "C" locale. The count of characters consumed stays the same.
#include "platform/CLocaleNumbers.h"

#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string AsInProcessLocale(const char* pText) {
    std::string strText(pText);
    const lconv* pConventions = std::localeconv();
    const char* pszPoint = pConventions ? pConventions->decimal_point : nullptr;
    if (pszPoint == nullptr || std::strlen(pszPoint) != 1 || *pszPoint == '.') {
        return strText;
    }
    for (size_t i = 0; i < strText.size(); ++i) {
        if (strText[i] == *pszPoint) {
            strText.resize(i);
            break;
        }
        if (strText[i] == '.') {
            strText[i] = *pszPoint;
        }
    }
    return strText;
}

// MinGW's sscanf rounds some long decimals to the wrong neighbour
// ("0.30000000000000001665e"), so the value is read again, correctly
// rounded, from the characters it took; a value too large or too small for
// from_chars stays as sscanf gave it (an infinity or a zero).
double ExactValue(const char* pStart, const char* pEnd, double dScanned) {
    const char* p = *pStart == '+' ? pStart + 1 : pStart;
    const bool bNegative = *p == '-';
    const char* pDigits = bNegative ? p + 1 : p;
    double dValue = 0.0;
    if (pDigits[0] == '0' && (pDigits[1] == 'x' || pDigits[1] == 'X')) {
        const auto result = std::from_chars(pDigits + 2, pEnd, dValue, std::chars_format::hex);
        return result.ec == std::errc() ? (bNegative ? -dValue : dValue) : dScanned;
    }
    const auto result = std::from_chars(p, pEnd, dValue);
    return result.ec == std::errc() ? dValue : dScanned;
}

bool IsSpace(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

bool IsHexDigit(char ch) {
    return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
}

} // namespace

double StrtodC(const char* pText) {
    return std::strtod(AsInProcessLocale(pText).c_str(), nullptr);
}

int ScanfDoubleC(const char* pText, double& dValue, int& nConsumed) {
    // White space as the "C" locale knows it, not as a code page may.
    const char* p = pText;
    while (IsSpace(*p)) {
        ++p;
    }
    const char* pSign = p;
    if (*p == '+' || *p == '-') {
        ++p;
    }
    // A hexadecimal number without a digit: POSIX reads "0x." as zero and
    // stops after the point, and "0x" alone not at all; MinGW would read on
    // into an exponent ("0x.p1", "0xp1").
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && !IsHexDigit(p[2]) &&
        !(p[2] == '.' && IsHexDigit(p[3]))) {
        if (p[2] != '.') {
            return 0;
        }
        dValue = *pSign == '-' ? -0.0 : 0.0;
        nConsumed = static_cast<int>(p + 3 - pText);
        return 1;
    }
    if (*p == '\0' || !std::strchr("0123456789.iInN", *p)) {
        return 0;
    }
    int nRead = 0;
    double dScanned = 0.0;
    const std::string strText = AsInProcessLocale(pSign);
    const int nFields = std::sscanf(strText.c_str(), "%lf%n", &dScanned, &nRead);
    if (nFields == 1) {
        dValue = ExactValue(pSign, pSign + nRead, dScanned);
        nConsumed = static_cast<int>(pSign - pText) + nRead;
    }
    return nFields;
}
