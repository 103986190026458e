// A survey read for a look, not a conversion: its figures worked out by hand; what the summary says
// of readable and unreadable files, read one after another into one summary, and the names a
// conversion of a file would use.
#include "convert/SurveySummary.h"

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <limits>
#include <string>

using namespace testing_support;

TEST(SurveyFigures, WorkedOutByHand) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double noLimit = -1.0;
    struct {
        const char* what;
        double depth, interval, topOffset;
        std::vector<double> twists;
        double limit, total, rate, largest, largestDepth;
        std::vector<double> overDepths;
    } cases[] = {
        // Sums 0.5, -1.0, 0.0, 2.0, 1.5 down to 10 ft; -1.5 meets the limit, not passes it.
        {"from the top", 10, 2, 0, {0.5, -1.5, 1, 2, -0.5}, 1.5, 1.5, 1.5, 2, 8, {8}},
        {"limit 0", 10, 2, 0, {0.5, -1.5, 0, 2, -0.5}, 0, 0.5, 0.5, 2, 8, {2, 4, 8, 10}},
        // From the top offset, 1.0 m: 0.4 over 2.0 m. Of -0.6 and 0.6 the shallower.
        {"below a top offset",
         3,
         0.5,
         1,
         {0, 0, 0.3, -0.6, 0.6, 0.1},
         0.5,
         0.4,
         2,
         -0.6,
         2,
         {2, 2.5}},
        {"twisting back", 4, 2, 0, {-1, -2}, noLimit, -3, -7.5, -2, 4, {}},
        // An unreadable reading twists nothing, but its interval is depth.
        {"unreadable left out", 6, 2, 0, {1, nan, 2}, 3, 3, 5, 2, 6, {}},
        // Sums read from a TWI file come back as differences: 0.4 - 0.1 is
        // a hair over 0.3, which is still not over a limit of 0.3.
        {"rounding of differences", 4, 2, 0, {0.1, 0.4 - 0.1}, 0.3, 0.4, 1, 0.4 - 0.1, 4, {}},
    };
    for (const auto& c : cases) {
        CPlotDataObj data;
        MakeSpiralSurvey(data, c.depth, c.interval, c.twists);
        data.m_dTopOffset = c.topOffset;
        const SurveyFigures figures =
            SurveyFigures::Of(CTwistProfile::FromSurvey(data),
                              c.limit == noLimit ? std::nullopt : std::optional<double>(c.limit));
        ASSERT_TRUE(figures.bStations) << c.what;
        EXPECT_DOUBLE_EQ(figures.dTotalTwist, c.total) << c.what;
        EXPECT_DOUBLE_EQ(figures.dRatePer10, c.rate) << c.what;
        EXPECT_EQ(figures.dLargestTwist, c.largest) << c.what;
        EXPECT_EQ(figures.dLargestDepth, c.largestDepth) << c.what;
        std::vector<double> overDepths;
        for (const TwistStation& station : figures.overLimit) {
            overDepths.push_back(station.dDepth);
        }
        EXPECT_EQ(overDepths, c.overDepths) << c.what;
    }
    // No measured station, or no survey: no figures at all.
    CPlotDataObj none;
    EXPECT_FALSE(SurveyFigures::Of(CTwistProfile::FromSurvey(none), 1.0).bStations);
    MakeSpiralSurvey(none, 10.0, 2.0, {});
    EXPECT_FALSE(SurveyFigures::Of(CTwistProfile::FromSurvey(none), 1.0).bStations);
}

// The figures as the window and --info print them, from a TWI file whose
// sums run from the top: 0.1, 0.4 and 1.0 at 2, 4 and 6 feet.
TEST(SurveyFigures, SummaryLinesOfATwiFile) {
    testing_support::TempDir dir;
    testing_support::WriteBytes(
        dir / "survey.twi", testing_support::JoinCrLf(
                                {" D  M  Y    H  M  S", "12 02 10,  20 28 45     RUN ID.   : 0000",
                                 "DEPTH     : 6.0", "INTERVAL  : 2.0", "006.00,     1.0 deg",
                                 "004.00,     0.4 deg", "002.00,     0.1 deg", "", "RUN END"}));
    CSurveySummary summary;
    summary.m_limit = 0.3;
    ASSERT_TRUE(summary.Read((dir / "survey.twi").c_str(), directionTwiToCsv));
    const std::vector<std::string> lines = summary.Lines();
    EXPECT_EQ(std::vector<std::string>(lines.end() - 5, lines.end()),
              (std::vector<std::string>{"Reading unit: degrees", "Total twist: 1.0 degrees",
                                        "Mean twist rate: 1.667 degrees per 10 feet",
                                        "Largest interval twist: 0.6 degrees at 6.0 feet",
                                        "Over 0.3 degrees: 1 interval, at 6.0 feet"}));
}

// Reading in turn and the names of a file take POSIX paths and /proc.
#ifndef _WIN32

namespace {

std::string SamplePath(const std::string& name) {
    return std::string(VELTRANE_SAMPLE_DIR) + "/" + name;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += (text.empty() ? "" : "|") + line;
    }
    return text;
}

} // namespace

// The rows are read in turn into the same summary, so each row also checks
// that nothing of the row before it shows: a TWI survey after a KVN CSV one
// names no borehole, and a failed read leaves no survey behind.
TEST(SurveySummaryTest, ReadsInTurn) {
    ScopedTimeZone zone(kZoneUtc);
    TempDir dir;
    const std::string csv = ReadBytes(DataPath("spiral_10ft.csv"));
    std::string inclinometer = csv;
    inclinometer.replace(inclinometer.find("Digital Spiral"), 14, "Digital Inclinometer");
    WriteBytes(dir / "SDP_incl.csv", inclinometer);

    struct {
        std::string path;
        int direction;
        std::string lines;   // joined by "|"
        std::string failure; // the start of FailureText; empty after a read
    } cases[] = {
        {SamplePath("SDP_I-3.csv"), directionCsvToTwi,
         "Format: KVN CSV|Borehole: I-3|Site: North Slope Cut|Reading date: 2026-09-14 10:42:05|"
         "Depth: 24.0 meters|Interval: 0.5 meters|Stations: 48, from 0.5 to 24.0 meters|"
         "Reading unit: degrees|Total twist: 6.3 degrees|"
         "Mean twist rate: 2.625 degrees per 10 meters|"
         "Largest interval twist: 0.6 degrees at 14.0 meters",
         ""},
        {SamplePath("BH-07.twi"), directionTwiToCsv,
         "Format: TWI|Reading date: 2026-10-21 14:05:37|Depth: 80.0 feet|Interval: 2.0 feet|"
         "Stations: 40, from 2.0 to 80.0 feet|Reading unit: degrees|Total twist: 7.4 degrees|"
         "Mean twist rate: 0.925 degrees per 10 feet|"
         "Largest interval twist: 0.7 degrees at 18.0 feet",
         ""},
        // A header without borehole or site.
        {DataPath("spiral_10ft.csv"), directionCsvToTwi,
         "Format: KVN CSV|Borehole: (none)|Site: (none)|Reading date: 2010-02-12 20:28:45|"
         "Depth: 10.0 feet|Interval: 2.0 feet|Stations: 5, from 2.0 to 10.0 feet|"
         "Reading unit: degrees|Total twist: 1.2 degrees|Mean twist rate: 1.2 degrees per 10 feet|"
         "Largest interval twist: 0.4 degrees at 8.0 feet",
         ""},
        {dir / "absent.twi", directionTwiToCsv, "Format: TWI",
         "Error reading data file, code = -1.\n"},
        {DataPath("spiral_10ft.csv"), directionTwiToCsv, "Format: TWI",
         "Error reading data file, code = -3.\n"},
        // Refused as its conversion to TWI refuses it.
        // What the damaged file's header held is still shown.
        {dir / "SDP_incl.csv", directionCsvToTwi,
         "Format: KVN CSV|Reading date: 2010-02-12 20:28:45|Depth: 10.0 feet|Interval: 2.0 feet",
         "Error reading data file, code = -9.\n"},
        {DataPath("twi_10ft.twi"), directionNone, "Format: TWI",
         "Error reading data file, code = -1."},
        // The system breaks the read off: the file's error, not a code.
        {"/proc/self/mem", directionTwiToCsv, "Format: TWI", "The file /proc/self/mem "},
    };
    CSurveySummary summary;
    for (const auto& c : cases) {
        const bool bRead = c.failure.empty();
        EXPECT_EQ(summary.Read(c.path.c_str(), c.direction), bRead ? TRUE : FALSE) << c.path;
        EXPECT_EQ(summary.IsRead(), bRead ? TRUE : FALSE) << c.path;
        EXPECT_EQ(summary.m_data.m_bDataLoaded, bRead ? TRUE : FALSE) << c.path;
        EXPECT_EQ(Joined(summary.Lines()), c.lines) << c.path;
        EXPECT_EQ(summary.FailureText().substr(0, c.failure.size()), c.failure) << c.path;
        EXPECT_EQ(summary.FailureText().empty(), bRead) << c.path;
    }
}

// The output names must be those the conversion writes, or a picture would
// not sit beside its output.
TEST(SurveySummaryTest, NamesOfAFile) {
    struct {
        const char* path;
        int direction; // by the extension
        const char* converted;
        const char* svg; // the path with the extension "svg"
    } cases[] = {
        {"/a/B12.twi", directionTwiToCsv, "/a/SDP_B12.csv", "/a/B12.svg"},
        {"/a/SDP_B12.CSV", directionCsvToTwi, "/a/SDP_B12.twi", "/a/SDP_B12.svg"},
        {"site.4.Twi", directionTwiToCsv, "SDP_site.4.csv", "site.4.svg"},
        // A dot in a folder's name is no extension.
        {"/a.csv/noext", directionNone, "", "/a.csv/noext.svg"},
        {"C:\\x.twi\\B12", directionNone, "", "C:\\x.twi\\B12.svg"},
        {"B12.", directionNone, "", "B12.svg"},
        {"notes.csv.txt", directionNone, "", "notes.csv.svg"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CSurveySummary::DirectionOf(c.path), c.direction) << c.path;
        EXPECT_EQ(CSurveySummary::ConvertedPath(c.path, c.direction).str(), c.converted) << c.path;
        EXPECT_EQ(CSurveySummary::WithExtension(c.path, "svg").str(), c.svg) << c.path;
    }
    // The direction asked for decides, not the extension.
    EXPECT_EQ(CSurveySummary::ConvertedPath("/a/B12", directionTwiToCsv).str(), "/a/SDP_B12.csv");
}

#endif
