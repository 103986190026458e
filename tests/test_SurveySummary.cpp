// A survey read for a look, not a conversion: what the summary says of
// readable and unreadable files, read one after another into one summary,
// and the names a conversion of a file would use.
#include "convert/SurveySummary.h"

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <string>

using namespace testing_support;

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
         "Format: KVN CSV|Borehole: I-3|Site: North Slope Cut|Reading date: 09/14/2026 10:42:05|"
         "Depth: 24.0 meters|Interval: 0.5 meters|Stations: 48, from 0.5 to 24.0 meters|"
         "Reading unit: degrees",
         ""},
        {SamplePath("BH-07.twi"), directionTwiToCsv,
         "Format: TWI|Reading date: 10/21/2026 14:05:37|Depth: 80.0 feet|Interval: 2.0 feet|"
         "Stations: 40, from 2.0 to 80.0 feet|Reading unit: degrees",
         ""},
        // A header without borehole or site.
        {DataPath("spiral_10ft.csv"), directionCsvToTwi,
         "Format: KVN CSV|Borehole: (none)|Site: (none)|Reading date: 02/12/2010 20:28:45|"
         "Depth: 10.0 feet|Interval: 2.0 feet|Stations: 5, from 2.0 to 10.0 feet|"
         "Reading unit: degrees",
         ""},
        {dir / "absent.twi", directionTwiToCsv, "Format: TWI",
         "Error reading data file, code = -1.\n"},
        {DataPath("spiral_10ft.csv"), directionTwiToCsv, "Format: TWI",
         "Error reading data file, code = -3.\n"},
        // Refused as its conversion to TWI refuses it.
        {dir / "SDP_incl.csv", directionCsvToTwi, "Format: KVN CSV",
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
