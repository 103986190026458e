#include "formats/csv/CsvDataFile.h"

#include "platform/FileSystem.h"
#include "survey/NumberText.h"

#include "TestSupport.h"

#include <cmath>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <vector>

using namespace testing_support;

namespace {

// Line numbers (from 0) in the ten-foot spiral survey file.
constexpr int lineVersion = 1, lineType = 2, lineSite = 3, lineBorehole = 4, lineProbe = 5,
              lineReel = 6, lineDate = 7, lineDepth = 8, lineInterval = 9, lineReadingUnits = 11,
              lineComment = 13, lineCommentEnd = 14, lineOffset = 15, lineColumns = 17,
              lineFirstRow = 19;

const std::string kExample = DataPath("spiral_10ft.csv");

// The data rows of a written file, joined by blanks.
std::string RowText(const Lines& lines) {
    std::string text;
    for (size_t i = lineFirstRow; i < lines.size(); ++i) {
        text += (text.empty() ? "" : " ") + lines[i];
    }
    return text;
}

// The record of the ten-foot spiral survey: a spiral survey of five twists.
void MakeExample(CPlotDataObj& data) {
    MakeSpiralSurvey(data, 10.0, 2.0, {0.1, 0.2, 0.2, 0.4, 0.3});
}

Lines WriteLines(CPlotDataObj& data) {
    TempDir dir;
    CCsvDataFile file;
    EXPECT_EQ(file.WriteSurvey((dir / "SDP_out.csv").c_str(), &data), 0);
    return SplitCrLf(ReadBytes(dir / "SDP_out.csv"));
}

int ReadText(const std::string& bytes, CPlotDataObj& data) {
    TempDir dir;
    WriteBytes(dir / "SDP_in.csv", bytes);
    CCsvDataFile file;
    return file.ReadSurvey((dir / "SDP_in.csv").c_str(), &data);
}

} // namespace

TEST(CsvWriter, WritesTheTenFootSurveyByteForByte) {
    for (const char* zone : {kZoneUtc, kZoneCentralEurope}) {
        ScopedTimeZone tz(zone);
        CPlotDataObj data;
        MakeExample(data);
        EXPECT_EQ(JoinCrLf(WriteLines(data)), ReadBytes(kExample)) << zone;
        EXPECT_DOUBLE_EQ(data.m_pACum[0], 1.2); // the record keeps the cumulative series
    }
}

TEST(CsvWriter, RowsFollowDepthIntervalAndTopOffset) {
    const std::string all = "-2.0,0.1,1.2,0.0,0.0 -4.0,0.2,1.1,0.0,0.0 -6.0,0.2,0.9,0.0,0.0 "
                            "-8.0,0.4,0.7,0.0,0.0 -10.0,0.3,0.3,0.0,0.0";
    struct {
        double depth, interval, topOffset;
        int type;
        std::string depthLine, rows;
    } cases[] = {
        {11.0, 2.0, 0.0, 1, "Depth,11.0,-2.0", all},
        {-10.0, 2.0, 0.0, 1, "Depth,-10.0,-2.0", all},
        // Dropped slots still count in the cumulative twist: slots 2 to 4 only.
        {10.0, 2.0, 4.0, 1, "Depth,10.0,-6.0", all.substr(42)},
        {10.0, 2.0, 4.0, 0, "Depth,10.0,-6.0",
         "-6.0,0.2000000,0.0,0.0,0.0 -8.0,0.4000000,0.0,0.0,0.0 -10.0,0.3000000,0.0,0.0,0.0"},
        {10.0, -2.0, 0.0, 1, "Depth,10.0,2.0", ""},
        {0.5, 0.125, 0.0, 1, "Depth,0.5,-0.1",
         "-0.1,0.1,0.9,0.0,0.0 -0.2,0.2,0.8,0.0,0.0 -0.4,0.2,0.6,0.0,0.0 -0.5,0.4,0.4,0.0,0.0"},
        // The grid has 6 slots: never more than 5 rows, whatever the depth says.
        {1e12, 2.0, 0.0, 1, "Depth,1000000000000.0,-2.0", all},
    };
    for (const auto& c : cases) {
        CPlotDataObj data;
        MakeExample(data);
        data.m_dBottomDepth = c.depth;
        data.m_dInterval = c.interval;
        data.m_dTopOffset = c.topOffset;
        data.m_nFileType = c.type;
        data.m_nReadingUnits = 99;
        Lines lines = WriteLines(data);
        ASSERT_GE(lines.size(), size_t(lineFirstRow));
        EXPECT_EQ(lines[lineDepth], c.depthLine);
        EXPECT_EQ(RowText(lines), c.rows) << c.depthLine;
    }
}

TEST(CsvWriter, SlotsWithoutReadingsAreZeroAndNoGridMeansNoRows) {
    CPlotDataObj data;
    data.m_dBottomDepth = 0.5;
    data.m_dInterval = 0.125;
    data.AllocateGrid();
    Lines lines = WriteLines(data);
    EXPECT_EQ(lines[lineInterval], "Interval,0.1");
    EXPECT_EQ(RowText(lines), "-0.1,0.0,0.0,0.0,0.0 -0.2,0.0,0.0,0.0,0.0 -0.4,0.0,0.0,0.0,0.0 "
                              "-0.5,0.0,0.0,0.0,0.0");
    data.FreeSeries(); // loaded without a grid, as after a grid too large to allocate
    data.m_bDataLoaded = TRUE;
    EXPECT_EQ(RowText(WriteLines(data)), "");
}

TEST(CsvWriter, CellDecimalsFollowTheReadingUnit) {
    struct {
        int units;
        double value;
        std::string row;
    } cases[] = {
        {0, 1.5, "1.50000000"},   {1, 1.5, "1.50000"},     {2, 1.5, "1.5000000"},
        {3, 1.5, "1.500000"},     {4, 1.5, "1.5000000"},   {5, 1.5, "1.5"},
        {6, 1.5, "1.500000"},     {7, 1.5, "1.50"},        {9, 1.5, "1.5000000"},
        {-1, 2, "2.0000000"},     {0, 1e-9, "0.00000000"}, {0, -0.0, "0.0"},
        {0, std::nan(""), "0.0"},
    };
    for (const auto& c : cases) {
        CPlotDataObj data;
        data.m_dBottomDepth = 0.5;
        data.m_dInterval = 0.5;
        data.AllocateGrid();
        data.m_nReadingUnits = c.units;
        data.AddReading(c.value, 7.0, 0.0, 0.0);
        data.m_nColAMinus = -1; // a face without a column has no cell
        EXPECT_EQ(RowText(WriteLines(data)), "-0.5," + c.row + ",0.0,0.0") << c.units;
    }
    CPlotDataObj data;
    data.m_dBottomDepth = 0.5;
    data.m_dInterval = 0.5;
    data.AllocateGrid();
    data.m_nReadingUnits = 1;
    data.AddReading(1.5, -1.25, 0.0, 2.0);
    EXPECT_EQ(RowText(WriteLines(data)), "-0.5,1.50000,-1.25000,0.0,2.00000");
}

TEST(CsvWriter, HeaderTextItems) {
    CPlotDataObj data;
    MakeExample(data);
    data.m_nFileType = 2;
    data.m_strProbeSerial = "1234";
    data.m_strReelSerial = "R77";
    data.m_strSite = std::string(251, 's').c_str(); // the longest that fits a line
    data.m_arrComments.Add("see Comment End: below");
    data.m_arrComments.Add("");
    Lines lines = WriteLines(data);
    EXPECT_EQ(lines[lineType], "File Type,Digital Horizontal");
    EXPECT_EQ(lines[lineSite], "Site," + std::string(251, 's'));
    EXPECT_EQ(lines[lineProbe], "Probe Serial#,DP1234");
    EXPECT_EQ(lines[lineReel], "Reel Serial#,DRR77");
    EXPECT_EQ(Lines(lines.begin() + lineComment, lines.begin() + lineCommentEnd + 3),
              (Lines{"Comment:", "see Comment_End: below", "", "Comment End:"}));
    EXPECT_EQ(data.m_arrComments[0], "see Comment End: below");
    data.m_nFileType = 5;
    data.m_strProbeSerial.Empty();
    lines = WriteLines(data);
    EXPECT_EQ(lines[lineType], "File Type,Digital Inclinometer");
    EXPECT_EQ(lines[lineProbe], "Probe Serial#,");
}

TEST(CsvWriter, FailedWritesCreateNothing) {
    TempDir dir;
    CCsvDataFile file;
    CPlotDataObj data;
    EXPECT_EQ(file.WriteSurvey((dir / "never.csv").c_str(), &data), 1); // not loaded
    MakeExample(data);
    std::filesystem::create_directory(dir / "folder.csv");
    EXPECT_EQ(file.WriteSurvey((dir / "folder.csv").c_str(), &data), 2);
    EXPECT_TRUE(IsDirectory((dir / "folder.csv").c_str()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

#ifndef _WIN32 // folders have no permission bits to take away on Windows
TEST(CsvWriter, ReadOnlyFolderKeepsTheEarlierFile) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "a read-only folder does not stop root";
    }
    TempDir dir;
    CPlotDataObj data;
    MakeExample(data);
    WriteBytes(dir / "SDP_B12.csv", "earlier survey");
    ::chmod(dir.path().c_str(), 0555);
    CCsvDataFile file;
    EXPECT_EQ(file.WriteSurvey((dir / "SDP_B12.csv").c_str(), &data), 2);
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(ReadBytes(dir / "SDP_B12.csv"), "earlier survey");
}
#endif

TEST(CsvReader, ReadsTheTenFootSurvey) {
    ScopedTimeZone tz(kZoneCentralEurope);
    CPlotDataObj data;
    CCsvDataFile file;
    ASSERT_EQ(file.ReadSurvey(kExample.c_str(), &data), 0);
    EXPECT_EQ(data.m_nFileVersion, 2);
    EXPECT_EQ(data.m_nFileType, 1);
    EXPECT_EQ(data.m_dBottomDepth, 10.0);
    EXPECT_EQ(data.m_dTopOffset, 0.0);
    EXPECT_EQ(data.m_dInterval, 2.0);
    EXPECT_EQ(data.m_timeReading, CTime(2010, 2, 12, 20, 28, 45));
    EXPECT_EQ(data.m_strDepthUnits, "feet");
    EXPECT_EQ(data.m_nReadingUnits, 7);
    EXPECT_EQ(data.m_arrComments.GetSize(), 0);
    ASSERT_EQ(data.m_nGridSize, 6);
    ASSERT_EQ(data.m_nReadingCount, 5);
    const double aPlus[] = {0.1, 0.2, 0.2, 0.4, 0.3}, aMinus[] = {1.2, 1.1, 0.9, 0.7, 0.3};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(data.m_pAPlus[k], aPlus[k]);
        EXPECT_EQ(data.m_pAMinus[k], aMinus[k]);
        EXPECT_EQ(data.m_pBPlus[k] + data.m_pBMinus[k], 0.0);
    }
    EXPECT_TRUE(data.m_bDataLoaded);
    EXPECT_EQ(std::string(file.m_strPath), kExample);
}

TEST(CsvReader, StatusOfBrokenFiles) {
    using Edit = std::function<void(Lines&)>;
    auto set = [](int n, std::string text) -> Edit { return [=](Lines& l) { l[n] = text; }; };
    auto insert = [](int n, std::string text) -> Edit {
        return [=](Lines& l) { l.insert(l.begin() + n, text); };
    };
    auto cut = [](int n) -> Edit { return [=](Lines& l) { l.resize(n); }; };
    struct {
        const char* what;
        Edit edit;
        int status;
    } cases[] = {
        {"unchanged", [](Lines&) {}, 0},
        {"text around the signature", set(0, "** KVN Digital Inclinometer Data **"), 0},
        {"no signature", set(0, "KVN Digital Inclinometer"), -3},
        {"first line of 80 bytes", set(0, std::string(80, 'x')), -2},
        {"site line of 79 bytes", set(lineSite, "Site," + std::string(74, 's')), 0},
        {"site line of 80 bytes", set(lineSite, "Site," + std::string(75, 's')), -1},
        {"comment of 80 bytes", insert(lineCommentEnd, std::string(80, 'c')), -1},
        {"items swapped", set(lineSite, "Borehole,"), 3},
        {"commas only", set(lineBorehole, ",,,"), 4},
        {"key in the wrong case", set(lineInterval, "interval,2.0"), 9},
        {"no offset correction", [](Lines& l) { l.erase(l.begin() + lineOffset); }, 14},
        {"comment block not closed", cut(lineCommentEnd), -1},
        {"no column header", cut(lineColumns), -3},
        {"no row", cut(lineFirstRow), -3},
        {"commas after the column header", set(lineFirstRow - 1, ",,,,"), -3},
        {"first row of four numbers", set(lineFirstRow, "-2.0,0.1,1.2,0.0"), -3},
        {"last row of four numbers", set(lineFirstRow + 4, "-10.0,0.3,0.3,0.0"), -11},
        {"column header in any case", set(lineColumns, "depth,face a+, FACE A- ,Face B+,face b-,,"),
         0},
        {"column header with unknown names", set(lineColumns, "depth,a,b,c,d"), -3},
    };
    for (const auto& c : cases) {
        Lines lines = SplitCrLf(ReadBytes(kExample));
        c.edit(lines);
        CPlotDataObj data;
        EXPECT_EQ(ReadText(JoinCrLf(lines), data), c.status) << c.what;
        // A refusal always says why.
        EXPECT_EQ(data.m_diagnostics.HasErrors(), c.status != 0) << c.what;
    }
    CPlotDataObj data;
    EXPECT_EQ(ReadText("", data), -2);
    std::string lfOnly = ReadBytes(kExample);
    std::erase(lfOnly, '\r');
    EXPECT_EQ(ReadText(lfOnly, data), -2);
    CCsvDataFile file;
    EXPECT_EQ(file.ReadSurvey("", &data), -1);
    EXPECT_EQ(file.ReadSurvey("/nonexistent/SDP_x.csv", &data), -1);
    EXPECT_FALSE(data.m_bDataLoaded);
}

TEST(CsvReader, HeaderValuesAndTheirSurroundings) {
    Lines lines = SplitCrLf(ReadBytes(kExample));
    lines[lineVersion] = "xx File Version yy,2.2";
    lines[lineSite] = "  Site, North slope ,,,";
    lines[lineProbe] = "Probe Serial#,DP1234";
    lines[lineReel] = "Reel Serial#,dr77";
    lines[lineDepth] = "Depth,100.0,-10.0,";
    lines[lineReadingUnits] = "Reading Units,MM";
    lines.insert(lines.begin() + lineCommentEnd, {"first", "", "  indented"});
    lines.insert(lines.begin() + lineInterval, {"", "    "});
    CPlotDataObj data;
    ASSERT_EQ(ReadText(JoinCrLf(lines), data), 0);
    EXPECT_EQ(data.m_nFileVersion, 2);
    EXPECT_EQ(data.m_strSite, "North slope");
    EXPECT_EQ(data.m_strProbeSerial, "1234");
    EXPECT_EQ(data.m_strReelSerial, "dr77");
    EXPECT_EQ(data.m_dBottomDepth, 100.0);
    EXPECT_EQ(data.m_dTopOffset, 8.0);
    EXPECT_EQ(data.m_strReadingUnits, "MM");
    EXPECT_EQ(data.m_nReadingUnits, 1);
    ASSERT_EQ(data.m_arrComments.GetSize(), 3);
    EXPECT_EQ(data.m_arrComments[1], "");
    EXPECT_EQ(data.m_arrComments[2], "  indented");

    struct {
        std::string type, depth;
        int fileType;
        double bottom, topOffset;
    } cases[] = {
        {"Digital Horizontal", "100.0", 2, 100.0, 0.0},
        {"spiral", "100.0,1.0", 0, 100.0, 0.0},
        {"Digital Spiral", "-50.5,-2.0", 1, -50.5, 0.0},
    };
    for (const auto& c : cases) {
        lines = SplitCrLf(ReadBytes(kExample));
        lines[lineType] = "File Type," + c.type;
        lines[lineDepth] = "Depth," + c.depth;
        ASSERT_EQ(ReadText(JoinCrLf(lines), data), 0) << c.depth;
        EXPECT_EQ(data.m_nFileType, c.fileType) << c.type;
        EXPECT_EQ(data.m_dBottomDepth, c.bottom) << c.depth;
        EXPECT_EQ(data.m_dTopOffset, c.topOffset) << c.depth;
    }
}

TEST(CsvReader, VersionOneEndsTheHeaderAfterTheComments) {
    CPlotDataObj data;
    Lines lines = SplitCrLf(ReadBytes(kExample));
    lines[lineOffset] = "Offset Correction,0.25";
    ASSERT_EQ(ReadText(JoinCrLf(lines), data), 0);
    EXPECT_EQ(data.m_dOffsetCorrection, 0.25);

    lines[lineVersion] = "File Version,1.9";
    lines[lineOffset] = "Offset Correction,0.75"; // skipped like any line before the columns
    lines[lineSite] = "Site,Quarry";
    ASSERT_EQ(ReadText(JoinCrLf(lines), data), 0);
    EXPECT_EQ(data.m_nFileVersion, 1);
    EXPECT_EQ(data.m_dOffsetCorrection, 0.25);
    EXPECT_EQ(data.m_strSite, "Quarry");
    EXPECT_EQ(data.m_nReadingCount, 5);

    lines[lineVersion] = "File Version,1e400"; // beyond any int, and not version 1
    ASSERT_EQ(ReadText(JoinCrLf(lines), data), 0);
    EXPECT_EQ(data.m_dOffsetCorrection, 0.75);
}

TEST(CsvReader, ReadingDates) {
    ScopedTimeZone tz(kZoneCentralEurope);
    struct {
        const char* text;
        int year, month, day, hour, minute, second;
    } cases[] = {
        {"01/15/10,08:05", 2010, 1, 15, 8, 5, 0},
        {"12/31/99,23:59:59", 1999, 12, 31, 23, 59, 59},
        {"07/04/2100,12:30:00", 2100, 7, 4, 12, 30, 0},
        {"02/30/2010,10:00:00", 2010, 3, 2, 10, 0, 0},
        {"01/15/2010,10:00:75", 2010, 1, 15, 10, 0, 0},
    };
    CCsvDataFile file;
    for (const auto& c : cases) {
        CTime time = file.ParseReadingDate(c.text);
        EXPECT_EQ(time, CTime(c.year, c.month, c.day, c.hour, c.minute, c.second)) << c.text;
        EXPECT_EQ(time.GetDay(), c.day) << c.text;
    }
    for (const char* text : {"13/01/2010,10:00:00", "01/32/2010,10:00:00", "01/15/1800,10:00:00",
                             "01/15/2101,10:00:00", "2010-01-15", "01/15/2010"}) {
        std::int64_t before = CTime::GetCurrentTime().GetTime();
        std::int64_t time = file.ParseReadingDate(text).GetTime();
        EXPECT_GE(time, before) << text; // the current time
        EXPECT_LE(time, CTime::GetCurrentTime().GetTime()) << text;
    }
}

// Each row goes to the station its depth names, or the file is refused with
// the line named; what is carried but changed is warned of.
TEST(CsvReader, RowsGoToTheirOwnStationsOrTheFileIsRefused) {
    ScopedTimeZone tz(kZoneUtc);
    using Edit = std::function<void(Lines&)>;
    auto set = [](int n, std::string text) -> Edit { return [=](Lines& l) { l[n] = text; }; };
    auto insert = [](int n, std::string text) -> Edit {
        return [=](Lines& l) { l.insert(l.begin() + n, text); };
    };
    auto erase = [](int n) -> Edit { return [=](Lines& l) { l.erase(l.begin() + n); }; };
    auto both = [](Edit a, Edit b) -> Edit { return [=](Lines& l) { a(l), b(l); }; };
    const int row3 = lineFirstRow + 2; // the row at 6.0 ft, line 22 of the file
    const std::vector<double> kTwists = {0.1, 0.2, 0.2, 0.4, 0.3};
    struct {
        const char* what;
        Edit edit;
        int status;
        std::string diagnostics;   // line and severity of each: "E22 W8"
        std::vector<double> aPlus; // slots 0 to the reading count - 1, when read
    } cases[] = {
        {"unchanged", [](Lines&) {}, 0, "", kTwists},
        {"positive depth labels", set(lineFirstRow, "2.0,0.1,1.2,0.0,0.0"), 0, "", kTwists},
        {"blank lines and text after the last row",
         [](Lines& l) {
             l.insert(l.end(), {"", "  ", "end of survey"});
         },
         0, "", kTwists},
        {"a row missing", erase(row3), -5, "E22", {}},
        {"a blank line inside the data", insert(row3, ""), -7, "E22", {}},
        {"a note inside the data", insert(row3, "probe changed"), -7, "E22", {}},
        {"a row of 80 characters",
         set(row3, "-6.0,0.2,0.9,0.0,0.0" + std::string(60, ' ')),
         -7,
         "E22",
         {}},
        {"a line of 80 characters", insert(row3, std::string(80, 'x')), -7, "E22", {}},
        {"a row repeated", set(row3, "-4.0,0.2,0.9,0.0,0.0"), -4, "E22", {}},
        {"rows out of order", set(row3 + 1, "-4.0,0.4,0.7,0.0,0.0"), -4, "E23", {}},
        {"a row between stations", set(row3, "-5.0,0.2,0.9,0.0,0.0"), -4, "E22", {}},
        {"a row below the survey depth",
         insert(lineFirstRow + 5, "-12.0,0.1,0.1,0.0,0.0"),
         -6,
         "E25",
         {}},
        {"a reading that is not a number", set(row3, "-6.0,nan,0.9,0.0,0.0"), -8, "E22", {}},
        {"an infinite depth", set(row3, "-inf,0.2,0.9,0.0,0.0"), -8, "E22", {}},
        {"a top offset",
         both(set(lineDepth, "Depth,10.0,-6.0"),
              [](Lines& l) { l.erase(l.begin() + lineFirstRow, l.begin() + lineFirstRow + 2); }),
         0,
         "W20",
         {0.0, 0.0, 0.2, 0.4, 0.3}},
        {"rows that end above the survey depth",
         erase(lineFirstRow + 4),
         0,
         "W23",
         {0.1, 0.2, 0.2, 0.4}},
        {"a date that does not exist", set(lineDate, "Reading Date(m/d/y),02/31/2026,10:00:00"), 0,
         "W8", kTwists},
        {"no valid date", set(lineDate, "Reading Date(m/d/y),2010-02-12"), 0, "W8", kTwists},
        {"a zero interval", set(lineInterval, "Interval,0.0"), -3, "E10", {}},
        {"a negative interval", set(lineInterval, "Interval,-2.0"), -3, "E10", {}},
        {"a zero depth", set(lineDepth, "Depth,0.0,-2.0"), -3, "E9", {}},
        {"a depth that is not a number", set(lineDepth, "Depth,nan,-2.0"), -3, "E9", {}},
        {"a million stations", set(lineInterval, "Interval,0.00001"), -3, "E10", {}},
    };
    for (const auto& c : cases) {
        Lines lines = SplitCrLf(ReadBytes(kExample));
        c.edit(lines);
        CPlotDataObj data;
        EXPECT_EQ(ReadText(JoinCrLf(lines), data), c.status) << c.what;
        EXPECT_EQ(DiagnosticLines(data.m_diagnostics), c.diagnostics) << c.what;
        if (c.status == 0) {
            EXPECT_EQ(Series(data.m_pAPlus, data.m_nReadingCount), c.aPlus) << c.what;
        }
    }
}

TEST(CsvReader, OneDecimalLabelsOfAFinerIntervalFindTheirStations) {
    // 0.3048 (a foot in meters) is labelled -0.3, -0.6, ... -3.0.
    Lines lines = SplitCrLf(ReadBytes(kExample));
    lines[lineDepth] = "Depth,3.048,-0.3";
    lines[lineInterval] = "Interval,0.3048";
    lines.resize(lineFirstRow);
    for (int k = 1; k <= 10; ++k) {
        lines.push_back(FixedText(-k * 0.3048, 1).str() + ",0.1,0.0,0.0,0.0");
    }
    CPlotDataObj data;
    ASSERT_EQ(ReadText(JoinCrLf(lines), data), 0);
    EXPECT_EQ(data.m_nReadingCount, 10);
    EXPECT_TRUE(data.m_diagnostics.IsEmpty()) << data.m_diagnostics.Describe().str();
}

TEST(CsvReader, OnlyASpiralSurveyIsReadForATwiFile) {
    for (const char* type : {"Digital Inclinometer", "Digital Horizontal", "Digital Spiral"}) {
        Lines lines = SplitCrLf(ReadBytes(kExample));
        lines[lineType] = std::string("File Type,") + type;
        TempDir dir;
        WriteBytes(dir / "SDP_in.csv", JoinCrLf(lines));
        const bool bSpiral = std::string(type) == "Digital Spiral";
        for (BOOL bSpiralOnly : {FALSE, TRUE}) {
            CCsvDataFile file;
            file.m_bSpiralOnly = bSpiralOnly;
            CPlotDataObj data;
            EXPECT_EQ(file.ReadSurvey((dir / "SDP_in.csv").c_str(), &data),
                      bSpiralOnly && !bSpiral ? -9 : 0)
                << type;
            EXPECT_EQ(DiagnosticLines(data.m_diagnostics), bSpiralOnly && !bSpiral ? "E3" : "");
        }
    }
}

TEST(CsvRoundTrip, WrittenRecordReadsBackWithTheKnownDifferences) {
    ScopedTimeZone tz(kZoneCentralEurope);
    CPlotDataObj source;
    source.m_nFileVersion = 7;
    source.m_strSite = "North slope";
    source.m_strBorehole = "B12";
    source.m_strProbeSerial = "1234";
    source.m_strReelSerial = "R77";
    source.m_timeReading = CTime(2024, 7, 1, 9, 15, 30);
    source.m_dBottomDepth = 6.0;
    source.m_dTopOffset = 1.0;
    source.m_dInterval = 1.0;
    source.m_strDepthUnits = "meters";
    source.m_strReadingUnits = "mm";
    source.m_nReadingUnits = 1;
    source.m_strOperator = "JK";
    source.m_arrComments.Add("cased to 6 m, Comment End: here");
    source.m_dOffsetCorrection = -0.125;
    source.AllocateGrid();
    for (int k = 0; k < 6; ++k) {
        source.AddReading(k + 0.123456, -k - 0.5, k * 2.0, 0.0);
    }
    TempDir dir;
    CCsvDataFile file;
    ASSERT_EQ(file.WriteSurvey((dir / "SDP_B12.csv").c_str(), &source), 0);
    CPlotDataObj copy;
    ASSERT_EQ(file.ReadSurvey((dir / "SDP_B12.csv").c_str(), &copy), 0);

    EXPECT_EQ(copy.m_nFileVersion, 2);
    for (auto member :
         {&CPlotDataObj::m_strSite, &CPlotDataObj::m_strBorehole, &CPlotDataObj::m_strProbeSerial,
          &CPlotDataObj::m_strReelSerial, &CPlotDataObj::m_strDepthUnits,
          &CPlotDataObj::m_strReadingUnits, &CPlotDataObj::m_strOperator}) {
        EXPECT_EQ(copy.*member, source.*member);
    }
    for (auto member : {&CPlotDataObj::m_dBottomDepth, &CPlotDataObj::m_dTopOffset,
                        &CPlotDataObj::m_dInterval, &CPlotDataObj::m_dOffsetCorrection}) {
        EXPECT_EQ(copy.*member, source.*member);
    }
    EXPECT_EQ(copy.m_nFileType, 0);
    EXPECT_EQ(copy.m_timeReading, source.m_timeReading);
    EXPECT_EQ(copy.m_nReadingUnits, 1);
    ASSERT_EQ(copy.m_arrComments.GetSize(), 1);
    EXPECT_EQ(copy.m_arrComments[0], "cased to 6 m, Comment_End: here");
    // Slot 0 lies above the top offset and was not written: the rows come
    // back to their own depths, and the slot above them holds zero.
    ASSERT_EQ(copy.m_nReadingCount, 6);
    EXPECT_EQ(copy.m_pAPlus[0], 0.0);
    for (int k = 1; k < 6; ++k) {
        EXPECT_DOUBLE_EQ(copy.m_pAPlus[k], std::round((k + 0.123456) * 1e5) / 1e5);
        EXPECT_EQ(copy.m_pAMinus[k], -k - 0.5);
        EXPECT_EQ(copy.m_pBPlus[k], k * 2.0);
        EXPECT_EQ(copy.m_pBMinus[k], 0.0);
    }
}

// Rows of the whole shape only, columns by their names, and a cut-off file
// refused: each with its status and the line named.
TEST(CsvReader, RowShapesColumnsAndCutFiles) {
    ScopedTimeZone tz(kZoneUtc);
    using Edit = std::function<void(std::string&)>;
    const std::string kText = ReadBytes(kExample);
    const int row3 = lineFirstRow + 2; // the row at 6.0 ft, line 22 of the file
    auto setLine = [](int n, std::string text) -> Edit {
        return [=](std::string& bytes) {
            Lines lines = SplitCrLf(bytes);
            lines[static_cast<size_t>(n)] = text;
            bytes = JoinCrLf(lines);
        };
    };
    auto cutBy = [](size_t n) -> Edit {
        return [=](std::string& bytes) { bytes.resize(bytes.size() - n); };
    };
    const std::vector<double> kTwists = {0.1, 0.2, 0.2, 0.4, 0.3};
    struct {
        const char* what;
        Edit edit;
        int status;
        std::string diagnostics;
        std::vector<double> aPlus; // when read
    } cases[] = {
        {"a sixth value", setLine(row3, "-6.0,0.2,0.9,0.0,0.0,7"), -11, "E22", {}},
        {"decimal commas", setLine(row3, "-6,0,0,2,0,9,0,0,0,0"), -11, "E22", {}},
        {"a note after the values", setLine(row3, "-6.0,0.2,0.9,0.0,0.0 probe"), -11, "E22", {}},
        {"blanks and empty cells after the values", setLine(row3, "-6.0 , 0.2,0.9 ,0.0,0.0 , ,,"),
         0, "", kTwists},
        {"a NUL byte", setLine(row3, std::string("-6.0,0\0.2,0.9,0.0,0.0", 21)), -11, "E22", {}},
        {"a byte above 127", setLine(row3, "-6.0,0.2,0.9\xB0,0.0,0.0"), -11, "E22", {}},
        {"two rows joined by a lone LF",
         setLine(row3, "-6.0,0.2,0.9,0.0,0.0\n-7.0,0.1,0.1,0.0,0.0"),
         -11,
         "E22",
         {}},
        {"a row of four values inside the data", setLine(row3, "-6.0,0.2,0.9,0.0"), -11, "E22", {}},
        {"cut inside the last value", cutBy(4), -10, "E24", {}},
        {"cut after the last value", cutBy(2), -10, "E24", {}},
        {"cut inside the last row's depth", cutBy(20), -10, "E24", {}},
        {"cut after the last row's sign", cutBy(22), -10, "E24", {}},
        {"cut at a line end", cutBy(23), 0, "W23", {0.1, 0.2, 0.2, 0.4}},
        {"columns in another order",
         [&](std::string& bytes) {
             Lines lines = SplitCrLf(bytes);
             lines[lineColumns] = "Face A-, face a+,Face B+,DEPTH,Face B-";
             const char* rows[] = {"1.2,0.1,0.0,-2.0,0.0", "1.1,0.2,0.0,-4.0,0.0",
                                   "0.9,0.2,0.0,-6.0,0.0", "0.7,0.4,0.0,-8.0,0.0",
                                   "0.3,0.3,0.0,-10.0,0.0"};
             for (int i = 0; i < 5; ++i) {
                 lines[static_cast<size_t>(lineFirstRow + i)] = rows[i];
             }
             bytes = JoinCrLf(lines);
         },
         0, "", kTwists},
        {"an unknown column",
         setLine(lineColumns, "Depth,Temp C,Face A+,Face A-,Face B+,Face B-"),
         -3,
         "E18",
         {}},
        {"a column missing", setLine(lineColumns, "Depth,Face A+,Face A-,Face B+"), -3, "E18", {}},
        {"a column twice",
         setLine(lineColumns, "Depth,Face A+,Face A+,Face B+,Face B-"),
         -3,
         "E18",
         {}},
        {"a depth just short of the deepest row", setLine(lineDepth, "Depth,9.95,-2.0"), 0, "",
         kTwists},
    };
    for (const auto& c : cases) {
        std::string bytes = kText;
        c.edit(bytes);
        CPlotDataObj data;
        EXPECT_EQ(ReadText(bytes, data), c.status) << c.what;
        EXPECT_EQ(DiagnosticLines(data.m_diagnostics), c.diagnostics) << c.what;
        if (c.status == 0) {
            EXPECT_EQ(Series(data.m_pAPlus, data.m_nReadingCount), c.aPlus) << c.what;
        }
    }
}
