// A survey read for a look, not a conversion: the summary of the samples,
// the reasons of failed reads, and the output names a conversion would use.
#include "convert/SurveySummary.h"

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

std::string SamplePath(const std::string& name) {
    return std::string(VELTRANE_SAMPLE_DIR) + "/" + name;
}

class QuietHost : public CConvertHost {
public:
    explicit QuietHost(int nDirection) : m_nDirection(nDirection) {}
    int GetDirection() override { return m_nDirection; }
    void ShowMessage(CString /*strText*/) override {}

private:
    int m_nDirection;
};

} // namespace

TEST(SurveySummaryTest, SamplesSummedUp) {
    ScopedTimeZone zone(kZoneUtc);
    struct {
        std::string path;
        int direction;
        std::vector<std::string> lines;
    } cases[] = {
        {SamplePath("BH-07.twi"),
         directionTwiToCsv,
         {"Format: TWI", "Reading date: 10/21/2026 14:05:37", "Depth: 80.0 feet",
          "Interval: 2.0 feet", "Stations: 40, from 2.0 to 80.0 feet", "Reading unit: degrees"}},
        {SamplePath("SDP_I-3.csv"),
         directionCsvToTwi,
         {"Format: KVN CSV", "Borehole: I-3", "Site: North Slope Cut",
          "Reading date: 09/14/2026 10:42:05", "Depth: 24.0 meters", "Interval: 0.5 meters",
          "Stations: 48, from 0.5 to 24.0 meters", "Reading unit: degrees"}},
        // The golden CSV names no borehole or site.
        {DataPath("spiral_10ft.csv"),
         directionCsvToTwi,
         {"Format: KVN CSV", "Borehole: (none)", "Site: (none)",
          "Reading date: 02/12/2010 20:28:45", "Depth: 10.0 feet", "Interval: 2.0 feet",
          "Stations: 5, from 2.0 to 10.0 feet", "Reading unit: degrees"}},
    };
    for (const auto& c : cases) {
        CSurveySummary summary;
        EXPECT_TRUE(summary.Read(c.path.c_str(), c.direction)) << c.path;
        EXPECT_EQ(summary.Lines(), c.lines) << c.path;
        EXPECT_EQ(summary.FailureText(), "") << c.path;
    }
}

TEST(SurveySummaryTest, FailedReadsSayWhy) {
    TempDir dir;
    std::string csv = ReadBytes(DataPath("spiral_10ft.csv"));
    std::string inclinometer = csv;
    inclinometer.replace(inclinometer.find("Digital Spiral"), 14, "Digital Inclinometer");
    WriteBytes(dir / "SDP_incl.csv", inclinometer);
    std::string gap = csv;
    gap.erase(gap.find("-6.0,"), gap.find("-8.0,") - gap.find("-6.0,"));
    WriteBytes(dir / "SDP_gap.csv", gap);

    struct {
        std::string path;
        int direction;
        std::string failure;    // the start of FailureText
        std::string diagnostic; // the first diagnostic, as the window shows it
    } cases[] = {
        {dir / "absent.twi", directionTwiToCsv,
         "Error reading data file, code = -1.\nThe file does not exist",
         "error: the file cannot be opened: no such file or folder"},
        {DataPath("spiral_10ft.csv"), directionTwiToCsv,
         "Error reading data file, code = -3.\nThis is not a readable TWI survey", "line 1: error"},
        // Refused as the conversion to TWI refuses it.
        {dir / "SDP_incl.csv", directionCsvToTwi,
         "Error reading data file, code = -9.\nThis is not a spiral survey", "line 3: error"},
        {dir / "SDP_gap.csv", directionCsvToTwi,
         "Error reading data file, code = -5.\nA station is missing",
         "line 22: error: the station at 6.0 ft is missing"},
        {DataPath("twi_10ft.twi"), directionNone, "Error reading data file, code = -1.",
         "error: no conversion direction is selected"},
        // The system breaks the read off: a file error, not a code.
        {"/proc/self/mem", directionTwiToCsv, "The file /proc/self/mem could not be read: ", ""},
    };
    for (const auto& c : cases) {
        CSurveySummary summary;
        EXPECT_FALSE(summary.Read(c.path.c_str(), c.direction)) << c.path;
        EXPECT_FALSE(summary.IsRead());
        EXPECT_EQ(summary.FailureText().rfind(c.failure, 0), 0u)
            << c.path << ": " << summary.FailureText();
        EXPECT_EQ(summary.Lines().size(), 1u) << "only the format after a failed read";
        const std::string diagnostics = summary.m_data.m_diagnostics.Describe().str();
        EXPECT_EQ(diagnostics.rfind(c.diagnostic, 0), 0u) << c.path << ": " << diagnostics;
    }
}

TEST(SurveySummaryTest, ReadingAgainForgetsTheEarlierSurvey) {
    CSurveySummary summary;
    ASSERT_TRUE(summary.Read(SamplePath("SDP_I-3.csv").c_str(), directionCsvToTwi));
    ASSERT_TRUE(summary.Read(SamplePath("BH-07.twi").c_str(), directionTwiToCsv));
    EXPECT_FALSE(summary.Read("absent.twi", directionTwiToCsv));
    EXPECT_FALSE(summary.m_data.m_bDataLoaded);
}

// The names must be those the conversion writes, or a picture would not sit
// beside its output.
TEST(SurveySummaryTest, ConvertedPathIsWhereTheConversionWrites) {
    TempDir dir;
    struct {
        std::string source;
        int direction;
        std::string output;
    } cases[] = {
        {"B12.twi", directionTwiToCsv, "SDP_B12.csv"},
        {"SDP_B12.csv", directionCsvToTwi, "SDP_B12.twi"},
        {"site.4.TWI", directionTwiToCsv, "SDP_site.4.csv"},
        {"noext", directionCsvToTwi, "noext.twi"},
    };
    for (const auto& c : cases) {
        const std::string source = dir / c.source;
        WriteBytes(source,
                   ReadBytes(DataPath(c.direction == directionTwiToCsv ? "twi_10ft.twi"
                                                                       : "spiral_10ft.csv")));
        QuietHost host(c.direction);
        CConvertCommand command(host);
        command.SelectPath(source.c_str());
        command.OnConvert();
        ASSERT_EQ(command.m_nLastOutcome, outcomeConverted) << c.source;
        EXPECT_EQ(CSurveySummary::ConvertedPath(source.c_str(), c.direction).str(),
                  command.m_strLastOutput.str());
        EXPECT_EQ(CSurveySummary::ConvertedPath(source.c_str(), c.direction).str(), dir / c.output);
    }
    EXPECT_EQ(CSurveySummary::ConvertedPath("B12", directionTwiToCsv).str(), "SDP_B12.csv");
    EXPECT_TRUE(CSurveySummary::ConvertedPath("B12.twi", directionNone).IsEmpty());
}

TEST(SurveySummaryTest, WithExtension) {
    struct {
        const char* path;
        const char* expected;
    } cases[] = {
        {"/a/SDP_B12.csv", "/a/SDP_B12.svg"},
        {"SDP_site.4.twi", "SDP_site.4.svg"},
        {"/a.b/noext", "/a.b/noext.svg"},
        {"C:\\x.y\\B12", "C:\\x.y\\B12.svg"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CSurveySummary::WithExtension(c.path, "svg").str(), c.expected);
    }
}
