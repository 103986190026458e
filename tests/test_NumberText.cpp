// The fast number conversions must give exactly what printf and scanf give:
// each case is checked against the C library itself.
#include "formats/csv/CsvDataFile.h"
#include "formats/twi/TwiDataFile.h"
#include "survey/FastDecimal.h"
#include "survey/NumberText.h"

#include "TestSupport.h"

#include <clocale>
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
    std::string text = buffer;
#ifdef _WIN32
    // MinGW's printf drops the sign of a negative NaN; survey files carry the
    // POSIX "-nan" on every system.
    const size_t nNan = text.find("nan");
    if (std::isnan(value) && std::signbit(value) && nNan != std::string::npos) {
        if (nNan > 0 && text[nNan - 1] == ' ') {
            text[nNan - 1] = '-';
        } else {
            text.insert(nNan, "-");
        }
    }
#endif
    return text;
}

// A comma-decimal locale by the name each system gives it.
#ifdef _WIN32
constexpr const char* kCommaLocale = "German_Germany.1252";
#else
constexpr const char* kCommaLocale = "de_DE.UTF-8";
#endif

// Whether the C library reads the text as the POSIX one does. MinGW reads a
// hexadecimal number without digits on into its exponent ("0x.p1") and
// rounds some long decimals to the wrong neighbour; test_CLocaleNumbers
// checks the POSIX readings of those on every system.
bool ScanfIsPosix(const char* text) {
#ifdef _WIN32
    const std::string strText = text;
    return strText.find("0x.") == std::string::npos && strText.find("0xp") == std::string::npos &&
           strText != "0.30000000000000001665";
#else
    (void)text;
    return true;
#endif
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
        // Whole parts of every length up to the short path's 2^53.
        values.push_back(
            std::ldexp(static_cast<double>(random() >> 11), -static_cast<int>(random() % 60)));
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
        if (!ScanfIsPosix(text)) {
            continue;
        }
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

// A program that embeds the core may run under a comma-decimal locale (Qt
// programs take the user's). Survey files keep their decimal point all the
// same, in both directions, and numbers read back to the same values.
TEST(NumberText, CommaDecimalLocaleChangesNoByte) {
    using namespace testing_support;
    ScopedTimeZone zone(kZoneUtc);
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, kCommaLocale), nullptr)
        << kCommaLocale << " is missing: scripts/install-deps.sh generates it";
    char szProbe[16];
    std::snprintf(szProbe, sizeof szProbe, "%.1f", 2.5);
    EXPECT_STREQ(szProbe, "2,5") << "the C library itself writes a comma here";

    TempDir dir;
    CTwiDataFile twi;
    CCsvDataFile csv;
    CPlotDataObj fromTwi;
    ASSERT_EQ(twi.ReadSurvey(DataPath("twi_10ft.twi").c_str(), &fromTwi), 0);
    ASSERT_EQ(csv.WriteSurvey((dir / "SDP_B12.csv").c_str(), &fromTwi), 0);
    EXPECT_EQ(ReadBytes(dir / "SDP_B12.csv"), ReadBytes(DataPath("spiral_10ft.csv")));

    CPlotDataObj fromCsv;
    ASSERT_EQ(csv.ReadSurvey(DataPath("spiral_10ft.csv").c_str(), &fromCsv), 0);
    ASSERT_EQ(twi.WriteSurvey((dir / "SDP_B12.twi").c_str(), &fromCsv), 0);
    EXPECT_EQ(ReadBytes(dir / "SDP_B12.twi"), ReadBytes(DataPath("twi_10ft.twi")));

    for (const CPlotDataObj* pRecord : {&fromTwi, &fromCsv}) {
        EXPECT_EQ(pRecord->m_dBottomDepth, 10.0);
        EXPECT_EQ(pRecord->m_dInterval, 2.0);
        EXPECT_EQ(pRecord->m_timeReading, CTime(2010, 2, 12, 20, 28, 45));
        ASSERT_GE(pRecord->m_nReadingCount, 5);
        const double twists[] = {0.1, 0.2, 0.2, 0.4, 0.3};
        for (int k = 0; k < 5; ++k) {
            EXPECT_NEAR(pRecord->m_pAPlus[k], twists[k], 1e-9) << k;
        }
    }

    // Header numbers with decimals, read and written again.
    Lines lines = SplitCrLf(ReadBytes(DataPath("spiral_10ft.csv")));
    lines[8] = "Depth,2.5,-1.5";
    lines[9] = "Interval,0.5";
    lines[15] = "Offset Correction,0.125000";
    lines.resize(19);
    lines.insert(lines.end(),
                 {"-1.5,0.1,0.3,0.0,0.0", "-2.0,0.1,0.2,0.0,0.0", "-2.5,0.1,0.1,0.0,0.0"});
    WriteBytes(dir / "SDP_half.csv", JoinCrLf(lines));
    CPlotDataObj half;
    ASSERT_EQ(csv.ReadSurvey((dir / "SDP_half.csv").c_str(), &half), 0);
    EXPECT_EQ(half.m_dBottomDepth, 2.5);
    EXPECT_EQ(half.m_dInterval, 0.5);
    EXPECT_EQ(half.m_dTopOffset, 1.0);
    EXPECT_EQ(half.m_dOffsetCorrection, 0.125);
    ASSERT_EQ(csv.WriteSurvey((dir / "SDP_again.csv").c_str(), &half), 0);
    std::string again = ReadBytes(dir / "SDP_again.csv");
    for (const char* pszLine :
         {"\r\nDepth,2.5,-1.5\r\n", "\r\nInterval,0.5\r\n", "\r\nOffset Correction,0.125000\r\n",
          "\r\nFile Version,2.20\r\n", "\r\n-1.5,0.1,0.3,0.0,0.0\r\n"}) {
        EXPECT_NE(again.find(pszLine), std::string::npos) << pszLine;
    }
    std::setlocale(LC_ALL, previous.c_str());
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
            if (!ScanfIsPosix(text)) {
                continue;
            }
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
