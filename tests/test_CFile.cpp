#include "platform/CFile.h"
#include "platform/FileSystem.h"
#include "platform/TempFiles.h"

#include "TestSupport.h"

#include <cerrno>
#include <filesystem>
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
    CFileException error;
    EXPECT_FALSE(writer.Open(path.c_str(), CFile::modeWrite | CFile::shareDenyWrite, &error));
    EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
    EXPECT_EQ(std::string(error.GetErrorText()), "the file is in use by another program");
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

TEST(FileSystem, TemporaryNameBesideItsTargetThenReplace) {
    TempDir dir;
    std::string target = dir / "SDP_B12.csv";
    WriteBytes(target, "old");
    CString temp = TempNameBeside(target.c_str());
    EXPECT_EQ(std::string(temp).rfind(dir.path() + "/.SDP_B12.csv.", 0), 0u);
    EXPECT_NE(temp, TempNameBeside(target.c_str()));

    CFile file;
    ASSERT_TRUE(file.Open(temp, CFile::modeCreateNew | CFile::modeWrite));
    file.Write("new", 3);
    file.Close();
    CFileException error;
    EXPECT_FALSE(file.Open(temp, CFile::modeCreateNew | CFile::modeWrite, &error));
    EXPECT_EQ(error.m_lOsError, EEXIST);
    EXPECT_TRUE(ReplaceFile(temp, target.c_str()));
    EXPECT_EQ(ReadBytes(target), "new");
    EXPECT_FALSE(FileExists(temp));

    std::string longName(250, 'n');
    std::string shortened = std::string(TempNameBeside((dir / longName).c_str()));
    EXPECT_EQ(shortened.rfind(dir.path() + "/.veltrane.", 0), 0u);
}

TEST(CFile, ReadAheadKeepsTheCallersPosition) {
    TempDir dir;
    std::string path = dir / "big.bin";
    std::string bytes;
    for (int i = 0; i < 200000; ++i) {
        bytes += static_cast<char>('a' + i % 26);
    }
    WriteBytes(path, bytes);
    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead));
    char buffer[8];
    // Seeks back inside what was read ahead, across a refill, and to the end.
    struct {
        long long seek;
        UINT from;
        long long expectPos;
    } moves[] = {{0, CFile::begin, 0},         {65530, CFile::begin, 65530},
                 {-3, CFile::current, 65535},  {10, CFile::current, 65553},
                 {-20, CFile::current, 65541}, {-8, CFile::end, 199992},
                 {100, CFile::begin, 100}};
    for (const auto& move : moves) {
        EXPECT_EQ(file.Seek(move.seek, move.from), move.expectPos);
        ASSERT_EQ(file.Read(buffer, 8), 8u);
        EXPECT_EQ(std::string(buffer, 8), bytes.substr(static_cast<size_t>(move.expectPos), 8));
        EXPECT_EQ(file.Seek(0, CFile::current), move.expectPos + 8);
    }
    file.Seek(-2, CFile::end);
    EXPECT_EQ(file.Read(buffer, 8), 2u);
    EXPECT_EQ(file.Read(buffer, 8), 0u);
    EXPECT_EQ(file.Seek(-1, CFile::current), 199999);
    EXPECT_EQ(file.Read(buffer, 8), 1u);
}

// Names outside ASCII travel as UTF-8 through every file call, and one file
// is known as the same under another path or a hard link.
TEST(FileSystem, NonAsciiNamesAndOneFileUnderTwoNames) {
    TempDir dir;
    const std::string name = dir / "\xd0\xa1\xd0\xba\xd0\xb2-1.twi"; // "Скв-1.twi"
    CFile file;
    ASSERT_TRUE(file.Open(name.c_str(), CFile::modeCreate | CFile::modeWrite));
    file.Write("ab\r\n", 4);
    file.Close();
    const std::filesystem::path systemName(std::u8string(name.begin(), name.end()));
    EXPECT_EQ(std::filesystem::file_size(systemName), 4u);
    EXPECT_TRUE(FileExists(name.c_str()));
    EXPECT_TRUE(IsSameFile(name.c_str(), name.c_str()));

    const std::string link = dir / "\xc3\xa9-link.twi";
    std::filesystem::create_hard_link(
        systemName, std::filesystem::path(std::u8string(link.begin(), link.end())));
    EXPECT_TRUE(IsSameFile(name.c_str(), link.c_str()));
    WriteBytes(dir / "other.twi", "ab\r\n");
    EXPECT_FALSE(IsSameFile(name.c_str(), (dir / "other.twi").c_str()));
    EXPECT_FALSE(IsSameFile(name.c_str(), (dir / "missing.twi").c_str()));
    FileIdentity original, linked, other;
    ASSERT_TRUE(GetFileIdentity(name.c_str(), original));
    ASSERT_TRUE(GetFileIdentity(link.c_str(), linked));
    ASSERT_TRUE(GetFileIdentity((dir / "other.twi").c_str(), other));
    EXPECT_EQ(original, linked);
    EXPECT_NE(original, other);
    EXPECT_FALSE(GetFileIdentity((dir / "missing.twi").c_str(), other));

    const std::string temp = std::string(TempNameBeside(name.c_str()));
    ASSERT_TRUE(file.Open(temp.c_str(), CFile::modeCreateNew | CFile::modeWrite));
    file.Write("new", 3);
    file.Close();
    EXPECT_TRUE(ReplaceFile(temp.c_str(), name.c_str()));
    EXPECT_EQ(std::filesystem::file_size(systemName), 3u);
    EXPECT_TRUE(RemoveFile(name.c_str()));
    EXPECT_FALSE(FileExists(name.c_str()));
}

#ifdef _WIN32
// Windows paths split at either separator, and after a drive.
TEST(FileSystem, WindowsPathsSplitAtBothSeparators) {
    const struct {
        const char* path;
        const char* folder;
    } cases[] = {{"C:\\data\\B12.twi", "C:\\data\\"},
                 {"sub\\B12.twi", "sub\\"},
                 {"C:/data\\sub/B12.twi", "C:/data\\sub/"},
                 {"\\\\server\\share\\B12.twi", "\\\\server\\share\\"},
                 {"C:B12.twi", "C:"},
                 {"B12.twi", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(std::string(FolderOf(c.path)), c.folder) << c.path;
        const std::string temp = std::string(TempNameBeside(c.path));
        EXPECT_EQ(temp.rfind(std::string(c.folder) + ".B12.twi.", 0), 0u) << c.path;
    }
}
#endif
