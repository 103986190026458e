// The fast number conversions against printf and scanf: the same bytes for
// every value and precision, the same value and length for every text.
//
// Each input is used twice. Its raw bytes are a double (with a count of
// decimals) and a text. Then, read as a stream of choices, it steers values
// next to the ties and grid points of 0 to 3 decimals and short decimal
// texts, the numbers of the survey files, which the short exact paths take:
// those paths must take them and agree with the C library.
#include "survey/FastDecimal.h"
#include "survey/NumberText.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>

namespace {

void Check(bool bHolds) {
    if (!bHolds) {
        std::abort();
    }
}

std::string Printf(const char* format, int nDecimals, double dValue) {
    char text[512];
    std::snprintf(text, sizeof text, format, nDecimals, dValue);
    return text;
}

// The three writers against printf; the short path must take every value
// below 2^53 with 0 to 3 decimals, and give printf's bytes.
void CheckFormats(double dValue, int nDecimals) {
    const std::string expected = Printf("%.*f", nDecimals, dValue);
    std::string got;
    AppendFixed(got, dValue, nDecimals);
    Check(got == expected);
    got.clear();
    AppendFixedZeroPadded(got, dValue, 6, nDecimals);
    Check(got == Printf("%06.*f", nDecimals, dValue));
    got.clear();
    AppendFixedSpaceSigned(got, dValue, nDecimals);
    Check(got == Printf("% .*f", nDecimals, dValue));

    char shortText[kFixedShortSize];
    const int nLength = FormatFixedShort(shortText, dValue, nDecimals);
    const bool bShort = nDecimals >= 0 && nDecimals <= 3 && std::fabs(dValue) < 0x1p53;
    Check((nLength > 0) == bShort);
    Check(nLength == 0 || std::string(shortText, static_cast<size_t>(nLength)) == expected);
}

// ScanDouble against sscanf's "%lf%n"; bShort: the text is a short plain
// decimal (after white space) that the short path must take.
void CheckScan(const std::string& text, bool bShort) {
    double dExpected = 0.0;
    int nConsumed = -1;
    const int nFields = std::sscanf(text.c_str(), "%lf%n", &dExpected, &nConsumed);
    const char* p = text.c_str();
    double dGot = 0.0;
    const bool bGot = ScanDouble(p, dGot);
    Check(bGot == (nFields == 1));
    Check(!bGot ||
          (p - text.c_str() == nConsumed && (std::memcmp(&dGot, &dExpected, sizeof dGot) == 0 ||
                                             (std::isnan(dGot) && std::isnan(dExpected)))));

    const size_t nStart = text.find_first_not_of(" \t\n\v\f\r");
    const char* pNumber = text.c_str() + (nStart == std::string::npos ? text.size() : nStart);
    double dShort = 0.0;
    const char* pEnd = ScanShortDecimal(pNumber, dShort);
    Check(pEnd != nullptr || !bShort);
    Check(pEnd == nullptr || (pEnd == p && std::memcmp(&dShort, &dExpected, sizeof dShort) == 0));
}

// A value next to a point of nDecimals decimals or to a tie between two such
// points, or a binary fraction (whose ties are exact), a few doubles off.
double NearTie(FuzzedDataProvider& in, int nDecimals) {
    const int nBits = in.ConsumeIntegralInRange(0, 56);
    const auto nUnits = static_cast<double>(
        in.ConsumeIntegralInRange<std::uint64_t>(0, (std::uint64_t{1} << nBits) - 1));
    const double dScale = std::pow(10.0, nDecimals);
    double dValue = 0.0;
    switch (in.ConsumeIntegralInRange(0, 2)) {
    case 0:
        dValue = (nUnits + 0.5) / dScale;
        break;
    case 1:
        dValue = nUnits / dScale;
        break;
    default:
        dValue = std::ldexp(nUnits, -in.ConsumeIntegralInRange(0, 64));
        break;
    }
    for (int nSteps = in.ConsumeIntegralInRange(-4, 4); nSteps != 0;
         nSteps -= nSteps > 0 ? 1 : -1) {
        dValue = std::nextafter(dValue, nSteps > 0 ? INFINITY : -INFINITY);
    }
    return in.ConsumeBool() ? -dValue : dValue;
}

// A decimal text as a survey line holds it: white space, a sign, up to 12
// digits each side of an optional point, and what may follow the number. Up
// to 15 digits (below 2^53) and no exponent or "x" after: a short one.
std::string ShortText(FuzzedDataProvider& in, bool& bShort) {
    const char* const kSigns[] = {"", "-", "+"};
    const char* const kTails[] = {"", ",", " deg", ",0.0", ".", "..5", "-", "e", "E-2", "e+", "x"};
    std::string text(in.ConsumeIntegralInRange(0, 2), ' ');
    text += in.PickValueInArray(kSigns);
    const int nWhole = in.ConsumeIntegralInRange(0, 12);
    const bool bPoint = in.ConsumeBool();
    const int nFraction = bPoint ? in.ConsumeIntegralInRange(0, 12) : 0;
    for (int i = 0; i < nWhole + nFraction; ++i) {
        if (bPoint && i == nWhole) {
            text += '.';
        }
        text += static_cast<char>('0' + in.ConsumeIntegralInRange(0, 9));
    }
    if (bPoint && nFraction == 0) {
        text += '.';
    }
    const std::string tail = in.PickValueInArray(kTails);
    text += tail;
    bShort = nWhole + nFraction > 0 && nWhole + nFraction <= 15 &&
             (tail.empty() || tail.find_first_of("eEx") != 0);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= 9) {
        double dValue;
        std::memcpy(&dValue, data, sizeof dValue);
        CheckFormats(dValue, data[8] % 10);
    }
    std::string text(reinterpret_cast<const char*>(data), size);
    CheckScan(text.c_str(), false); // up to the first NUL, as the readers' lines are

    FuzzedDataProvider in(data, size);
    for (int nRound = 0; nRound < 4 && in.remaining_bytes() > 0; ++nRound) {
        // One and two decimals are what the writers use most.
        const int kDecimals[] = {1, 2, 1, 2, 0, 3};
        const int nDecimals = in.PickValueInArray(kDecimals);
        const double dValue = NearTie(in, nDecimals);
        CheckFormats(dValue, nDecimals);
        // The text a writer makes of it is what the reader meets next.
        const std::string written = Printf("%.*f", nDecimals, dValue);
        CheckScan(written, std::fabs(dValue) * std::pow(10.0, nDecimals) < 1e15);
        bool bShort = false;
        const std::string shortText = ShortText(in, bShort);
        CheckScan(shortText, bShort);
    }
    return 0;
}
