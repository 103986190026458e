// A write that the system refuses must never damage an earlier file of the
// same name, must leave no temporary file behind, and must be reported as a
// failure. The refusals here are real: a file-size limit that stops the write
// partway, a folder the writer may not write into, a folder in the way.
#include "convert/ConvertCommand.h"
#include "formats/csv/CsvDataFile.h"
#include "formats/twi/TwiDataFile.h"

#include "TestSupport.h"

#include <csignal>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

const std::string kEarlier = "an earlier survey that must survive\r\n";

// Child exit codes.
enum { childReturned0 = 10, childReturnedFailure = 11, childFileException = 12 };

// A spiral survey large enough (about 8 KB in either format) to cross a
// 1 KB file-size limit partway.
void MakeSurvey(CPlotDataObj& data) {
    std::vector<double> twists;
    for (int k = 0; k < 400; ++k) {
        twists.push_back(0.1 * (k % 7) - 0.3);
    }
    testing_support::MakeSpiralSurvey(data, 200.0, 0.5, twists, "meters");
}

// Runs the write in a child process and returns how it ended.
int RunInChild(const std::function<int()>& write, const std::function<void()>& limit) {
    pid_t pid = ::fork();
    if (pid == 0) {
        limit();
        int code;
        try {
            code = write() == 0 ? childReturned0 : childReturnedFailure;
        } catch (const CFileException&) {
            code = childFileException;
        }
        ::_exit(code);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void LimitFileSize() {
    std::signal(SIGXFSZ, SIG_IGN); // the write then fails with EFBIG instead of killing us
    struct rlimit limit = {1024, 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

void BecomeNobody() {
    if (::geteuid() == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(99);
        }
    }
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

struct Writer {
    const char* name;
    std::function<int(const std::string&, CPlotDataObj*)> write;
};

const Writer kWriters[] = {
    {"SDP_B12.csv",
     [](const std::string& path, CPlotDataObj* data) {
         CCsvDataFile csv;
         return csv.WriteSurvey(path.c_str(), data);
     }},
    {"B12.twi",
     [](const std::string& path, CPlotDataObj* data) {
         CTwiDataFile twi;
         return twi.WriteSurvey(path.c_str(), data);
     }},
};

} // namespace

TEST(OutputFaults, WriteStoppedByTheFileSizeLimitKeepsTheEarlierFile) {
    for (const auto& writer : kWriters) {
        TempDir dir;
        std::string target = dir / writer.name;
        WriteBytes(target, kEarlier);
        CPlotDataObj data;
        MakeSurvey(data);
        int code = RunInChild([&] { return writer.write(target, &data); }, LimitFileSize);
        EXPECT_EQ(code, childFileException) << writer.name;
        EXPECT_EQ(ReadBytes(target), kEarlier) << writer.name;
        EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{writer.name}) << writer.name;
    }
}

TEST(OutputFaults, FolderWithoutWritePermissionGivesStatus2) {
    for (const auto& writer : kWriters) {
        TempDir dir;
        std::string folder = dir / "locked";
        std::filesystem::create_directory(folder);
        std::string target = folder + "/" + writer.name;
        WriteBytes(target, kEarlier);
        std::filesystem::permissions(dir.path(), std::filesystem::perms::all,
                                     std::filesystem::perm_options::replace);
        std::filesystem::permissions(
            folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                        std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
        CPlotDataObj data;
        MakeSurvey(data);
        int code = RunInChild([&] { return writer.write(target, &data); }, BecomeNobody);
        EXPECT_EQ(code, childReturnedFailure) << writer.name;
        EXPECT_EQ(ReadBytes(target), kEarlier) << writer.name;
        EXPECT_EQ(Entries(folder), std::vector<std::string>{writer.name}) << writer.name;
    }
}

TEST(OutputFaults, OutputPathThatIsAFolderGivesStatus2) {
    for (const auto& writer : kWriters) {
        TempDir dir;
        std::string target = dir / writer.name;
        std::filesystem::create_directory(target);
        WriteBytes(target + "/inside.txt", kEarlier);
        CPlotDataObj data;
        MakeSurvey(data);
        EXPECT_EQ(writer.write(target, &data), 2) << writer.name;
        EXPECT_EQ(ReadBytes(target + "/inside.txt"), kEarlier);
        EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{writer.name});
    }
}

TEST(OutputFaults, BatchConverterReportsARefusedWriteAsAFailure) {
    TempDir dir;
    std::string source = dir / "B12.twi";
    std::string csv = dir / "SDP_B12.csv";
    {
        CPlotDataObj data;
        MakeSurvey(data);
        CTwiDataFile twi;
        ASSERT_EQ(twi.WriteSurvey(source.c_str(), &data), 0);
    }
    WriteBytes(csv, kEarlier);
    // bash counts ulimit -f in KiB; trap '' XFSZ ignores the signal for the child.
    std::string command = "cd '" + dir.path() + "' && bash -c \"trap '' XFSZ; ulimit -f 1; '" +
                          VELTRANE_CONVERT_EXE + "' B12.twi\" > out.txt 2> err.txt";
    int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    std::string err = ReadBytes(dir / "err.txt");
    EXPECT_NE(err.find("B12.twi: "), std::string::npos) << err;
    EXPECT_NE(err.find("file too large"), std::string::npos) << err;
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "");
    EXPECT_EQ(ReadBytes(csv), kEarlier);
    std::vector<std::string> names = Entries(dir.path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"B12.twi", "SDP_B12.csv", "err.txt", "out.txt"}));
}
