// The number texts the plain decimal path leaves to the C library (hex,
// inf, nan, an exponent mark without digits, numbers too large or too
// small) read as the POSIX sscanf "%lf" reads them in the "C" locale: on
// every system, and under a comma-decimal locale as well.
#include "survey/NumberText.h"

#include <clocale>
#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace {

// A comma-decimal locale by the name each system gives it.
#ifdef _WIN32
constexpr const char* kCommaLocale = "German_Germany.1252";
#else
constexpr const char* kCommaLocale = "de_DE.UTF-8";
#endif

// The text, how many characters a read takes (0: no number), and the value.
const struct {
    const char* text;
    int consumed;
    double value;
} kReadings[] = {
    {"0x10", 4, 0x1p+4},
    {"-0x1.8p3", 8, -0x1.8p+3},
    {"0X1P-2", 6, 0x1p-2},
    {"0x", 0, 0.0},
    {"0xg", 0, 0.0},
    {"0xp1", 0, 0.0},
    {"0x.p1", 3, 0.0},
    {"-0x.", 4, -0.0},
    {"0x.8", 4, 0x1p-1},
    {"0x1p", 4, 0x1p+0},
    {"0x1p+", 5, 0x1p+0},
    {"0x1P3junk", 5, 0x1p+3},
    {"inf", 3, INFINITY},
    {"-Infinity", 9, -INFINITY},
    {"infx", 3, INFINITY},
    {"infin", 0, 0.0},
    {"in", 0, 0.0},
    {"nan", 3, NAN},
    {"-NaN", 4, -NAN},
    {"nan(12)", 3, NAN},
    {"nanx", 3, NAN},
    {"na", 0, 0.0},
    {"1e", 2, 0x1p+0},
    {"1e+", 3, 0x1p+0},
    {"1.5ex", 4, 0x1.8p+0},
    {"1.5E-", 5, 0x1.8p+0},
    {".e1", 0, 0.0},
    {"e5", 0, 0.0},
    {"-", 0, 0.0},
    {".", 0, 0.0},
    {"0x1p2000", 8, INFINITY},
    {"1e400", 5, INFINITY},
    {"1.5e400", 7, INFINITY},
    {"1e-400", 6, 0.0},
    {"-2.5e-400", 9, -0.0},
    {"5x", 1, 0x1.4p+2},
    {"0.5x", 3, 0x1p-1},
    {"1e5x", 3, 0x1.86ap+16},
    {"00x10", 2, 0.0},
    {"  0x10", 6, 0x1p+4},
    {"1,5", 1, 1.0},
    {"0x1,8p1", 3, 1.0},
    // Correctly rounded, where MinGW's own sscanf takes the upper neighbour.
    {"0.30000000000000001665", 22, 0x1.3333333333333p-2},
    {"0.30000000000000001665e", 23, 0x1.3333333333333p-2},
    {"0x1.000000000000081p0", 21, 0x1.0000000000001p+0},
};

void ExpectPosixReadings(const char* pszLocale) {
    for (const auto& r : kReadings) {
        const char* p = r.text;
        double dValue = -7.0;
        const bool bRead = ScanDouble(p, dValue);
        ASSERT_EQ(bRead, r.consumed > 0) << "'" << r.text << "' in " << pszLocale;
        if (!bRead) {
            EXPECT_EQ(p, r.text) << "'" << r.text << "' in " << pszLocale;
            continue;
        }
        EXPECT_EQ(p - r.text, r.consumed) << "'" << r.text << "' in " << pszLocale;
        EXPECT_EQ(std::signbit(dValue), std::signbit(r.value)) << "'" << r.text << "'";
        if (std::isnan(r.value)) {
            EXPECT_TRUE(std::isnan(dValue)) << "'" << r.text << "' in " << pszLocale;
        } else {
            EXPECT_EQ(dValue, r.value) << "'" << r.text << "' in " << pszLocale;
        }
    }
}

} // namespace

TEST(CLocaleNumbers, TextsReadAsPosixReadsThem) {
    ExpectPosixReadings("C");
}

TEST(CLocaleNumbers, CommaDecimalLocaleReadsTheSame) {
    const std::string strPrevious = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, kCommaLocale), nullptr)
        << kCommaLocale << " is missing: scripts/install-deps.sh generates it";
    ExpectPosixReadings(kCommaLocale);
    std::setlocale(LC_ALL, strPrevious.c_str());
}
