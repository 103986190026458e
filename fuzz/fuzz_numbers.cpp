// The fast number conversions against printf and scanf: the same bytes for
// every value and precision, the same value and length for every text.
#include "survey/NumberText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= 9) {
        double dValue;
        std::memcpy(&dValue, data, sizeof dValue);
        int nDecimals = data[8] % 10;
        char expected[512];
        std::string got;
        std::snprintf(expected, sizeof expected, "%.*f", nDecimals, dValue);
        AppendFixed(got, dValue, nDecimals);
        if (got != expected) {
            std::abort();
        }
        got.clear();
        std::snprintf(expected, sizeof expected, "%0*.*f", 6, nDecimals, dValue);
        AppendFixedZeroPadded(got, dValue, 6, nDecimals);
        if (got != expected) {
            std::abort();
        }
        got.clear();
        std::snprintf(expected, sizeof expected, "% .*f", nDecimals, dValue);
        AppendFixedSpaceSigned(got, dValue, nDecimals);
        if (got != expected) {
            std::abort();
        }
    }

    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str(); // up to the first NUL, as the readers' lines are
    double dExpected = 0.0;
    int nConsumed = -1;
    int nFields = std::sscanf(text.c_str(), "%lf%n", &dExpected, &nConsumed);
    const char* p = text.c_str();
    double dGot = 0.0;
    bool bGot = ScanDouble(p, dGot);
    if (bGot != (nFields == 1)) {
        std::abort();
    }
    if (bGot &&
        (p - text.c_str() != nConsumed || (std::memcmp(&dGot, &dExpected, sizeof dGot) != 0 &&
                                           !(std::isnan(dGot) && std::isnan(dExpected))))) {
        std::abort();
    }
    return 0;
}
