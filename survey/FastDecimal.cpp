#include "survey/FastDecimal.h"

#include <bit>
#include <cfloat>
#include <cstdint>
#include <iterator>
#include <limits>

namespace {

constexpr int kMaxShortDecimals = 3;
constexpr std::uint64_t kPow10[] = {1, 10, 100, 1000};

// A double is sign, 11 exponent bits and 52 stored mantissa bits.
constexpr int kMantissaBits = 52;
constexpr int kExponentMask = 0x7ff;
// The biased exponent of the doubles in [2^52, 2^53): every double below 2^53
// has a biased exponent of at most this, and is mantissa * 2^(e - kUnitBias).
constexpr int kUnitBias = 1075;
// A normal double's mantissa is below 2^53, and 10^3 < 2^10: the mantissa
// times 10^kMaxShortDecimals stays below 2^63.
static_assert(kPow10[kMaxShortDecimals] < 1024);

// One division of two exactly held doubles is correctly rounded, as strtod
// rounds, only where double arithmetic is IEEE and done in double itself
// (not in a wider register that would round twice).
constexpr bool kExactDivision = std::numeric_limits<double>::is_iec559 && FLT_EVAL_METHOD == 0;

// The largest integer a double holds together with all smaller ones, and the
// powers of ten a double holds exactly (5^22 < 2^53).
constexpr std::uint64_t kMaxExactInteger = std::uint64_t{1} << 53;
constexpr int kMaxShortDigits = 19; // any 19 digits fit in 64 bits
constexpr double kPow10Double[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
static_assert(kMaxShortDigits < static_cast<int>(std::size(kPow10Double)));

// nValue / 2^nShift rounded to the nearest integer, a tie to the even one, as
// printf rounds the exact value. nValue must be below 2^63.
std::uint64_t ShiftRoundingToEven(std::uint64_t nValue, int nShift) {
    if (nShift == 0) {
        return nValue;
    }
    if (nShift >= 64) {
        return 0; // nValue < 2^63 <= half of 2^nShift
    }
    const std::uint64_t nHalf = std::uint64_t{1} << (nShift - 1);
    const std::uint64_t nRest = nValue & ((nHalf << 1) - 1);
    std::uint64_t nQuotient = nValue >> nShift;
    if (nRest > nHalf || (nRest == nHalf && (nQuotient & 1) != 0)) {
        ++nQuotient;
    }
    return nQuotient;
}

// "00" to "99" in a row: two digits a step halve the divisions of a number
// written.
struct CDigitPairs {
    char chars[200];
    constexpr CDigitPairs() : chars() {
        for (int i = 0; i < 100; ++i) {
            chars[2 * i] = static_cast<char>('0' + i / 10);
            chars[2 * i + 1] = static_cast<char>('0' + i % 10);
        }
    }
};
constexpr CDigitPairs kDigitPairs;

// Writes the last two digits of nValue (below 100) ending before p.
char* PutPair(char* p, std::uint64_t nValue) {
    p -= 2;
    p[0] = kDigitPairs.chars[2 * nValue];
    p[1] = kDigitPairs.chars[2 * nValue + 1];
    return p;
}

int DigitCount(std::uint64_t nValue) {
    int nDigits = 1;
    for (; nValue >= 100; nValue /= 100) {
        nDigits += 2;
    }
    return nDigits + (nValue >= 10 ? 1 : 0);
}

// Writes nScaled / 10^kDecimals with kDecimals decimals straight into
// pBuffer, from the last digit back once the length is known: no copy of a
// length known only at run time. A constant divisor lets the compiler divide
// by multiplying.
template <int kDecimals> int WriteScaled(char* pBuffer, bool bNegative, std::uint64_t nScaled) {
    std::uint64_t nWhole = nScaled / kPow10[kDecimals];
    const std::uint64_t nFraction = nScaled % kPow10[kDecimals];
    // printf keeps the sign of a negative value that rounds to zero.
    const int nLength =
        (bNegative ? 1 : 0) + DigitCount(nWhole) + (kDecimals > 0 ? kDecimals + 1 : 0);
    char* p = pBuffer + nLength;
    if constexpr (kDecimals == 1) {
        *--p = static_cast<char>('0' + nFraction);
    } else if constexpr (kDecimals == 2) {
        p = PutPair(p, nFraction);
    } else if constexpr (kDecimals == 3) {
        *--p = static_cast<char>('0' + nFraction % 10);
        p = PutPair(p, nFraction / 10);
    }
    if constexpr (kDecimals > 0) {
        *--p = '.';
    }
    for (; nWhole >= 100; nWhole /= 100) {
        p = PutPair(p, nWhole % 100);
    }
    if (nWhole >= 10) {
        p = PutPair(p, nWhole);
    } else {
        *--p = static_cast<char>('0' + nWhole);
    }
    if (bNegative) {
        *--p = '-';
    }
    return nLength;
}

bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

} // namespace

int FormatFixedShort(char* pBuffer, double dValue, int nDecimals) {
    if (nDecimals < 0 || nDecimals > kMaxShortDecimals) {
        return 0;
    }
    const auto nBits = std::bit_cast<std::uint64_t>(dValue);
    const bool bNegative = (nBits >> 63) != 0;
    const int nExponent = static_cast<int>(nBits >> kMantissaBits) & kExponentMask;
    if (nExponent > kUnitBias) {
        return 0; // 2^53 or more, an infinity or NaN
    }
    std::uint64_t nMantissa = nBits & ((std::uint64_t{1} << kMantissaBits) - 1);
    int nShift = kUnitBias - 1; // zero and subnormals: mantissa * 2^-1074
    if (nExponent != 0) {
        nMantissa |= std::uint64_t{1} << kMantissaBits;
        nShift = kUnitBias - nExponent;
    }
    // |dValue| * 10^nDecimals = nMantissa * 10^nDecimals / 2^nShift exactly,
    // the numerator below 2^63; the quotient rounded is the printed digits.
    const std::uint64_t nScaled = ShiftRoundingToEven(nMantissa * kPow10[nDecimals], nShift);
    switch (nDecimals) {
    case 0:
        return WriteScaled<0>(pBuffer, bNegative, nScaled);
    case 1:
        return WriteScaled<1>(pBuffer, bNegative, nScaled);
    case 2:
        return WriteScaled<2>(pBuffer, bNegative, nScaled);
    default:
        return WriteScaled<3>(pBuffer, bNegative, nScaled);
    }
}

const char* ScanShortDecimal(const char* pText, double& dValue) {
    if constexpr (!kExactDivision) {
        return nullptr;
    }
    const char* p = pText;
    const bool bNegative = *p == '-';
    if (*p == '+' || *p == '-') {
        ++p;
    }
    // Digits beyond 19 may wrap the sum; the count below declines them.
    std::uint64_t nDigits = 0;
    const char* pWhole = p;
    while (IsDigit(*p)) {
        nDigits = nDigits * 10 + static_cast<unsigned>(*p - '0');
        ++p;
    }
    int nCount = static_cast<int>(p - pWhole);
    int nDecimals = 0;
    if (*p == '.') {
        const char* pFraction = ++p;
        while (IsDigit(*p)) {
            nDigits = nDigits * 10 + static_cast<unsigned>(*p - '0');
            ++p;
        }
        nDecimals = static_cast<int>(p - pFraction);
        nCount += nDecimals;
    }
    if (nCount == 0 || nCount > kMaxShortDigits || nDigits > kMaxExactInteger) {
        return nullptr;
    }
    if (*p == 'e' || *p == 'E' || *p == 'x' || *p == 'X') {
        return nullptr;
    }
    // Both operands are held exactly, so the one rounding of the division is
    // the correct rounding of the decimal text, the value strtod gives.
    const double dMagnitude = static_cast<double>(nDigits) / kPow10Double[nDecimals];
    dValue = bNegative ? -dMagnitude : dMagnitude;
    return p;
}
