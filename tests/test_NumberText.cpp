// The fast number conversions must give exactly what printf and scanf give:
// each case is checked against the C library itself.
#include "survey/FastDecimal.h"
#include "survey/NumberText.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <span>

namespace {

std::string Printf(const char* format, double value) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

const double kValues[] = {
    0.0,
    -0.0,
    0.05,
    -0.05,
    0.25,
    0.35,
    2.675,
    999.995,
    0.04,
    0.1 + 0.2,
    1e-9,
    -1e-9,
    10.0,
    1000.0,
    12345.6789,
    1e20,
    -1e300,
    5e-324,
    0.5,
    1.5,
    2.5,
    -2.5,
    std::numeric_limits<double>::infinity(),
    -std::numeric_limits<double>::infinity(),
    std::numeric_limits<double>::quiet_NaN(),
    -std::numeric_limits<double>::quiet_NaN(),
};

// Where the short exact path could go wrong: ties of one to three decimals
// (exact in binary or not), the 2^53 limit, subnormals and negative zero.
// Each is checked with its two neighbouring doubles as well.
const double kEdgeValues[] = {
    0.05,  0.15,  0.25,   0.35,         0.45,   2.675,   9.95,      99.95,      999.95,   -0.05,
    -0.15, -0.25, 1.005,  1.0005,       0.125,  0.375,   -0.0625,   -0.04,      -0.0,     0.0005,
    1e15,  1e16,  0x1p52, 0x1p52 - 0.5, 0x1p53, -0x1p53, 0x1p-1074, -0x1p-1074, 0x1p-1022};

} // namespace

TEST(NumberText, FixedFormatsMatchPrintf) {
    std::mt19937_64 random(42);
    std::vector<double> values(std::begin(kValues), std::end(kValues));
    for (int i = 0; i < 2000; ++i) {
        // Depths and readings as surveys hold them, and tie-prone values.
        values.push_back(
            std::ldexp(static_cast<double>(random() % 100000), -static_cast<int>(random() % 12)));
        values.push_back((static_cast<double>(random() % 2000000) - 1000000.0) / 1000.0);
    }
    for (double value : kEdgeValues) {
        values.insert(values.end(),
                      {std::nextafter(value, -INFINITY), value, std::nextafter(value, INFINITY)});
    }
    for (double value : values) {
        for (int decimals : {0, 1, 2, 3, 5, 6, 7, 8}) {
            char format[16];
            std::string got;
            std::snprintf(format, sizeof format, "%%.%df", decimals);
            AppendFixed(got, value, decimals);
            ASSERT_EQ(got, Printf(format, value)) << format << " " << value;
        }
        std::string padded;
        AppendFixedZeroPadded(padded, value, 6, 2);
        ASSERT_EQ(padded, Printf("%06.2lf", value)) << value;
        std::string signedText;
        AppendFixedSpaceSigned(signedText, value, 1);
        ASSERT_EQ(signedText, Printf("% .1lf", value)) << value;
    }
}

TEST(NumberText, ScanDoubleMatchesScanf) {
    const char* texts[] = {
        "2.0",   " -0.3 deg", "+1,2",    "1e,2",    "1e+,2",  "1.,2",
        ".5",    "-.e1",      "1e5x",    "0x1p3",   "0x",     "0xg",
        "0x.p1", "4x",        "01e308e", "nan(12)", "nanx",   "infinit",
        "-infi", "infinityx", "1e-400",  "1e400",   "-",      "",
        "   ",   "002.00",    "1 ,2",    "\t7",     "1.5e-3", "123456789012345678901234567890",
    };
    for (const char* text : texts) {
        double expected = -7.0;
        int consumed = -1;
        int fields = std::sscanf(text, "%lf%n", &expected, &consumed);
        const char* p = text;
        double got = -7.0;
        bool ok = ScanDouble(p, got);
        ASSERT_EQ(ok, fields == 1) << "'" << text << "'";
        if (ok) {
            EXPECT_EQ(p - text, consumed) << "'" << text << "'";
            if (std::isnan(expected)) {
                EXPECT_TRUE(std::isnan(got)) << "'" << text << "'";
            } else {
                EXPECT_EQ(got, expected) << "'" << text << "'";
            }
        } else {
            EXPECT_EQ(p, text);
        }
    }
}

namespace {

const char* const kShortTexts[] = {
    "-12.3", "002.00", "0.1", "1234.5678", "+0.05",    "-0",    "-0.0",
    ".5",    "5.",     "-.5", "2.675,",    "9.95 deg", "1.5.5", "9007199254740992"};

const char* const kOtherTexts[] = {"1e5",
                                   "5.e1",
                                   "0x10",
                                   ".",
                                   "-",
                                   "9007199254740993",
                                   "00000000000000000001.5",
                                   "0.30000000000000001665",
                                   "123456789012345678901234567890.5",
                                   "0.000000000000000000000001",
                                   "2.4703282292062328e-324"};

} // namespace

// The short path must take the survey files' numbers (else it is dead code
// that the comparisons against printf and scanf cannot notice) and leave the
// rest alone.
TEST(NumberText, ShortFormatTakesSurveyValuesOnly) {
    const struct {
        double value;
        int decimals;
        bool taken;
    } cases[] = {{-12.35, 1, true},        {80.0, 2, true},       {0x1p53 - 1, 3, true},
                 {-0x1p-1074, 1, true},    {0x1p53, 1, false},    {1e300, 1, false},
                 {std::nan(""), 1, false}, {-INFINITY, 2, false}, {1.5, 4, false},
                 {1.5, -1, false}};
    for (const auto& c : cases) {
        char text[kFixedShortSize];
        EXPECT_EQ(FormatFixedShort(text, c.value, c.decimals) > 0, c.taken) << c.value;
    }
}

TEST(NumberText, ScanDoubleEdgeTextsMatchScanf) {
    const struct {
        std::span<const char* const> texts;
        bool shortPath; // taken by the short exact path
    } groups[] = {{kShortTexts, true}, {kOtherTexts, false}};
    for (const auto& [texts, shortPath] : groups) {
        for (const char* text : texts) {
            double expected = -7.0;
            int consumed = -1;
            const bool scanned = std::sscanf(text, "%lf%n", &expected, &consumed) == 1;
            const char* p = text;
            double got = -7.0;
            ASSERT_EQ(ScanDouble(p, got), scanned) << text;
            if (scanned) {
                EXPECT_EQ(p - text, consumed) << text;
                EXPECT_EQ(std::signbit(got), std::signbit(expected)) << text;
                EXPECT_EQ(got, expected) << text;
            }
            double shortValue = -7.0;
            EXPECT_EQ(ScanShortDecimal(text, shortValue) != nullptr, shortPath) << text;
        }
    }
}
