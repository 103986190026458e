#include "platform/CFile.h"
#include "platform/FileSystem.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

TEST(CFile, OpenFailureIsAResultWithTheCause) {
    TempDir dir;
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open((dir / "missing.twi").c_str(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    EXPECT_FALSE(file.Open(dir.path().c_str(), CFile::modeRead));
    EXPECT_FALSE(
        file.Open((dir / "no/such/folder.csv").c_str(), CFile::modeCreate | CFile::modeWrite));
    EXPECT_FALSE(file.IsOpen());
}

TEST(CFile, CreateTruncatesWritesAndSeeks) {
    TempDir dir;
    std::string path = dir / "out.csv";
    WriteBytes(path, "an older and longer content");
    {
        CFile file;
        ASSERT_TRUE(
            file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite));
        file.Write("ABCDEF", 6);
        file.Close();
    }
    EXPECT_EQ(ReadBytes(path), "ABCDEF");

    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite));
    char buffer[4] = {};
    EXPECT_EQ(file.Read(buffer, 3), 3u);
    EXPECT_EQ(std::string(buffer, 3), "ABC");
    EXPECT_EQ(file.Seek(-2, CFile::current), 1);
    EXPECT_EQ(file.Read(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "BCDE");
    EXPECT_EQ(file.Read(buffer, 4), 1u);
    EXPECT_EQ(file.Read(buffer, 4), 0u);
}

TEST(CFile, ShareDenyWriteKeepsASecondWriterOut) {
    TempDir dir;
    std::string path = dir / "locked.twi";
    CFile reader;
    WriteBytes(path, "x");
    ASSERT_TRUE(reader.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite));
    CFile writer;
    EXPECT_FALSE(writer.Open(path.c_str(), CFile::modeWrite | CFile::shareDenyWrite));
    CFile secondReader;
    EXPECT_TRUE(secondReader.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite));
}

TEST(FileSystem, ExistenceProbeAndCaseInsensitiveCompare) {
    TempDir dir;
    EXPECT_TRUE(FileExists(dir.path().c_str()));
    EXPECT_FALSE(FileExists((dir / "B12.csv").c_str()));
    WriteBytes(dir / "B12.csv", "");
    EXPECT_TRUE(FileExists((dir / "B12.csv").c_str()));
    EXPECT_FALSE(FileExists(""));

    EXPECT_EQ(CompareNoCase("CSV", "csv"), 0);
    EXPECT_EQ(CompareNoCase("Twi", "TWI"), 0);
    EXPECT_NE(CompareNoCase("csv", "csvx"), 0);
    EXPECT_LT(CompareNoCase("abc", "ABD"), 0);
}

TEST(FileSystem, TemporaryFileBesideItsTargetThenReplace) {
    TempDir dir;
    std::string target = dir / "SDP_B12.csv";
    WriteBytes(target, "old");
    CString temp = CreateTempFileBeside(target.c_str());
    ASSERT_FALSE(temp.IsEmpty());
    EXPECT_EQ(std::string(temp).rfind(dir.path() + "/.", 0), 0u);
    WriteBytes(std::string(temp), "new");
    EXPECT_TRUE(ReplaceFile(temp, target.c_str()));
    EXPECT_EQ(ReadBytes(target), "new");
    EXPECT_FALSE(FileExists(temp));
    EXPECT_TRUE(CreateTempFileBeside((dir / "no/folder/x.csv").c_str()).IsEmpty());
}
