// The converter machinery both formats share: line writing, fallback output
// naming, and the safe replacement of an output file.
#include "formats/SurveyDataFile.h"
#include "formats/csv/CsvDataFile.h"
#include "formats/twi/TwiDataFile.h"
#include "platform/FileSystem.h"

#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

// The shared machinery alone, with format steps that read and write nothing.
class CTestDataFile : public CSurveyDataFile {
public:
    CTestDataFile() : CSurveyDataFile("csv") {}
    int ReadHeader() override { return 0; }
    int ReadData() override { return 0; }
    BOOL WriteHeader(CPlotDataObj*) override { return TRUE; }
    void WriteData(CPlotDataObj*) override {}
};

const UINT kWriteFlags = CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite;

int CountEntries(const std::string& folder) {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++n;
    }
    return n;
}

} // namespace

TEST(SurveyDataFile, WriteLineEndsWithCrLfAndNeverCutsALine) {
    TempDir dir;
    std::string path = dir / "lines.csv";
    CTestDataFile file;
    ASSERT_TRUE(file.OpenDataFile(path.c_str(), kWriteFlags));
    file.WriteLine(CString(std::string(256, 't').c_str()), TRUE);
    file.WriteLine("", TRUE);
    file.WriteLine("no end", FALSE);
    ASSERT_TRUE(file.CommitDataFile());
    EXPECT_EQ(ReadBytes(path), std::string(256, 't') + "\r\n\r\nno end");

    // One line too long, and the output is not put in place at all.
    ASSERT_TRUE(file.OpenDataFile(path.c_str(), kWriteFlags));
    file.WriteLine("fits", TRUE);
    file.WriteLine(CString(std::string(257, 's').c_str()), TRUE);
    EXPECT_FALSE(file.CommitDataFile());
    EXPECT_EQ(ReadBytes(path), std::string(256, 't') + "\r\n\r\nno end");
    EXPECT_EQ(CountEntries(dir.path()), 1);
}

TEST(SurveyDataFile, OutputReplacesTheTargetOnlyWhenCommitted) {
    TempDir dir;
    std::string path = dir / "SDP_B12.csv";
    WriteBytes(path, "earlier survey");
    {
        CTestDataFile file;
        ASSERT_TRUE(file.OpenDataFile(path.c_str(), kWriteFlags));
        file.WriteLine("half", TRUE);
        EXPECT_EQ(ReadBytes(path), "earlier survey");
        EXPECT_EQ(CountEntries(dir.path()), 2);
        file.CloseDataFile(); // not committed: discarded
        EXPECT_FALSE(file.m_bOpen);
    }
    EXPECT_EQ(ReadBytes(path), "earlier survey");
    EXPECT_EQ(CountEntries(dir.path()), 1);

    CTestDataFile file;
    ASSERT_TRUE(file.OpenDataFile(path.c_str(), kWriteFlags));
    file.WriteLine("new", TRUE);
    EXPECT_TRUE(file.CommitDataFile());
    EXPECT_EQ(ReadBytes(path), "new\r\n");
    EXPECT_EQ(CountEntries(dir.path()), 1);
}

TEST(SurveyDataFile, OutputThatCannotBeCreated) {
    TempDir dir;
    CTestDataFile file;
    EXPECT_FALSE(file.OpenDataFile(dir.path().c_str(), kWriteFlags)); // a folder
    EXPECT_FALSE(file.OpenDataFile((dir / "missing/x.csv").c_str(), kWriteFlags));
    EXPECT_FALSE(file.OpenDataFile("", kWriteFlags));
    EXPECT_FALSE(file.m_bOpen);
    EXPECT_EQ(CountEntries(dir.path()), 0);
}

TEST(SurveyDataFile, FindFreeNameCountsPastTakenNames) {
    TempDir dir;
    CTestDataFile file;
    file.m_strOutFolder = (dir.path() + "/").c_str();

    struct {
        int nStartIndex;
        std::vector<std::string> existing;
        std::string expectName;
        int expectIndex;
    } cases[] = {
        {-1, {}, "B12.csv", -1},
        {-1, {"B12.csv"}, "B12(1).csv", 1},
        {-1, {"B12.csv", "B12(1).csv", "B12(2).csv"}, "B12(3).csv", 3},
        {0, {}, "B12(1).csv", 1},
        {3, {}, "B12(4).csv", 4}, // numbered even though B12.csv is free
        {3, {"B12(4).csv"}, "B12(5).csv", 5},
    };
    for (const auto& c : cases) {
        TempDir caseDir;
        file.m_strOutFolder = (caseDir.path() + "/").c_str();
        for (const auto& name : c.existing) {
            WriteBytes(caseDir / name, "");
        }
        CString base("B12");
        int index = c.nStartIndex;
        CString path = file.FindFreeName(base, index);
        EXPECT_EQ(std::string(base), c.expectName);
        EXPECT_EQ(std::string(path), caseDir / c.expectName);
        EXPECT_EQ(index, c.expectIndex);
    }
}

TEST(SurveyDataFile, FindFreeNameGivesUpAfter1025) {
    TempDir dir;
    CTestDataFile file;
    file.m_strOutFolder = (dir.path() + "/").c_str();
    WriteBytes(dir / "B12.csv", "");
    for (int i = 1; i <= 1025; ++i) {
        WriteBytes(dir / ("B12(" + std::to_string(i) + ").csv"), "");
    }
    CString base("B12");
    int index = -1;
    CString path = file.FindFreeName(base, index);
    EXPECT_EQ(base, "FilenameError.csv");
    EXPECT_EQ(std::string(path), dir / "FilenameError.csv");
    EXPECT_EQ(index, 1025);

    RemoveFile((dir / "B12(1025).csv").c_str());
    base = "B12";
    index = -1;
    file.FindFreeName(base, index);
    EXPECT_EQ(base, "B12(1025).csv");
}

TEST(SurveyDataFile, MakeOutputPathKeepsTheIndexInTheRecord) {
    TempDir dir;
    CTestDataFile file;
    file.m_strOutFolder = (dir.path() + "/").c_str();
    CPlotDataObj data;
    data.m_strBorehole = "B12";
    data.m_nOutputIndex = -5; // any negative index means: plain name first
    WriteBytes(dir / "B12.csv", "");
    CString path = file.MakeOutputPath(&data);
    EXPECT_EQ(std::string(path), dir / "B12(1).csv");
    EXPECT_EQ(data.m_nOutputIndex, 1);
    EXPECT_EQ(file.m_strName, "B12(1).csv");
    EXPECT_EQ(file.m_strPath, path);
    // The next derived name keeps counting, even though B12(1).csv is free.
    EXPECT_EQ(std::string(file.MakeOutputPath(&data)), dir / "B12(2).csv");
}

// Each format's writer, given no path, derives a free name from the borehole
// with its own extension, and counts on in the record.
TEST(SurveyDataFile, EmptyPathDerivesAFreeNameInEitherFormat) {
    CCsvDataFile csv;
    CTwiDataFile twi;
    struct {
        CSurveyDataFile& file;
        const char* ext;
        const char* lastLine;
    } cases[] = {{csv, "csv", "-10.0,0.3,0.3,0.0,0.0"}, {twi, "twi", "RUN END"}};
    for (const auto& c : cases) {
        TempDir dir;
        const std::string taken = std::string("B12.") + c.ext;
        const std::string derived = std::string("B12(1).") + c.ext;
        WriteBytes(dir / taken, "taken");
        CPlotDataObj data;
        testing_support::MakeSpiralSurvey(data, 10.0, 2.0, {0.1, 0.2, 0.2, 0.4, 0.3});
        data.m_strBorehole = "B12";
        data.m_nOutputIndex = -1;
        c.file.m_strOutFolder = (dir.path() + "/").c_str();
        EXPECT_EQ(c.file.WriteSurvey("", &data), 0) << c.ext;
        EXPECT_EQ(data.m_nOutputIndex, 1);
        EXPECT_EQ(std::string(c.file.m_strName), derived);
        EXPECT_EQ(ReadBytes(dir / taken), "taken");
        EXPECT_EQ(testing_support::SplitCrLf(ReadBytes(dir / derived)).back(), c.lastLine);
        EXPECT_EQ(CountEntries(dir.path()), 2);
    }
}
