// A write that the system refuses must never damage an earlier file of the
// same name, must leave no temporary file behind, and must be reported as a
// failure. The refusals here are real: a file-size limit that stops the write
// partway, a folder the writer may not write into, a folder in the way.
#include "convert/ConvertCommand.h"
#include "formats/csv/CsvDataFile.h"
#include "formats/twi/TwiDataFile.h"
#include "platform/TempFiles.h"

#include "TestSupport.h"

#include <csignal>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
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

namespace {

using RunResult = testing_support::ProgramRun;

// veltrane-convert with these (shell-quoted) arguments in the folder.
RunResult Convert(const TempDir& dir, const std::string& args) {
    return testing_support::RunInFolder(dir.path(), "'" VELTRANE_CONVERT_EXE "' " + args);
}

unsigned Mode(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

const std::string kCsvField = ReadBytes(testing_support::DataPath("spiral_10ft.csv"));
const std::string kTwiField = ReadBytes(testing_support::DataPath("twi_10ft.twi"));

} // namespace

// A conversion never replaces its own source, by its name or another.
TEST(OutputFaults, AConversionNeverReplacesItsOwnSource) {
    struct {
        const char* what;
        std::function<void(const TempDir&)> make;
        std::string args, source;
    } cases[] = {
        {"the same name", [](const TempDir& d) { WriteBytes(d / "survey.twi", kCsvField); },
         "--to twi survey.twi", "survey.twi"},
        {"a hard link",
         [](const TempDir& d) {
             WriteBytes(d / "SDP_B12.csv", kCsvField);
             ::link((d / "SDP_B12.csv").c_str(), (d / "SDP_B12.twi").c_str());
         },
         "SDP_B12.csv", "SDP_B12.csv"},
        {"a symbolic link",
         [](const TempDir& d) {
             WriteBytes(d / "SDP_B12.csv", kCsvField);
             ::symlink("SDP_B12.csv", (d / "SDP_B12.twi").c_str());
         },
         "SDP_B12.csv", "SDP_B12.csv"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        c.make(dir);
        RunResult run = Convert(dir, c.args);
        EXPECT_EQ(run.status, 1) << c.what;
        EXPECT_NE(run.err.find("(code 5)"), std::string::npos) << c.what << ": " << run.err;
        EXPECT_NE(run.err.find("is the file being converted"), std::string::npos) << run.err;
        EXPECT_EQ(ReadBytes(dir / c.source), kCsvField) << c.what;
    }
}

// No output of a batch replaces a file named as an input, earlier or later.
TEST(OutputFaults, ABatchNeverReplacesAnotherInput) {
    TempDir dir;
    WriteBytes(dir / "B12.twi", kTwiField);
    std::string field = kCsvField;
    field.replace(field.find("Site,"), 5, "Site,North slope");
    WriteBytes(dir / "SDP_B12.csv", field);
    RunResult run = Convert(dir, "B12.twi SDP_B12.csv");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(ReadBytes(dir / "SDP_B12.csv"), field);
    EXPECT_NE(run.err.find("B12.twi: error: its output SDP_B12.csv would replace "
                           "SDP_B12.csv, a file named in the same call."),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.out, "SDP_B12.csv -> SDP_B12.twi\n");

    // The same under another name: the output is a hard link to an input.
    std::filesystem::remove(dir / "SDP_B12.csv");
    WriteBytes(dir / "field.csv", field);
    ::link((dir / "field.csv").c_str(), (dir / "SDP_B12.csv").c_str());
    run = Convert(dir, "B12.twi field.csv");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(ReadBytes(dir / "field.csv"), field);
    EXPECT_NE(
        run.err.find("would replace field.csv, a file named in the same call. To replace it,"),
        std::string::npos)
        << run.err;
}

// The batch converter replaces (keeping the mode), or keeps with -n.
TEST(OutputFaults, ReplacedOutputsKeepTheirModeAndNoClobberKeepsThem) {
    TempDir dir;
    WriteBytes(dir / "B12.twi", kTwiField);
    const std::string output = dir / "SDP_B12.csv";
    for (unsigned mode : {0600u, 0444u, 0640u}) {
        WriteBytes(output, kEarlier);
        ::chmod(output.c_str(), mode);
        RunResult run = Convert(dir, "-n B12.twi");
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, "B12.twi -> SDP_B12.csv (kept)\n");
        EXPECT_EQ(ReadBytes(output), kEarlier);
        run = Convert(dir, "B12.twi");
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(ReadBytes(output), kCsvField);
        EXPECT_EQ(Mode(output), mode);
    }
    std::filesystem::remove(output);
    const mode_t mask = ::umask(022);
    ::umask(mask);
    Convert(dir, "B12.twi");
    EXPECT_EQ(Mode(output), 0666u & ~mask); // a new file has the usual mode
}

// Ctrl-C midway: the hidden temporary file goes, the earlier output stays.
TEST(OutputFaults, InterruptedWriteLeavesNoTemporaryFile) {
    TempDir dir;
    const std::string output = dir / "SDP_B12.csv";
    WriteBytes(output, kEarlier);
    // A writer that is interrupted once its data is written, before it is
    // put in place.
    class CInterruptedCsv : public CCsvDataFile {
    public:
        void WriteData(CPlotDataObj* pData) override {
            CCsvDataFile::WriteData(pData);
            // As Ctrl-C comes: to the process, while this thread goes on.
            ::kill(::getpid(), SIGINT);
            for (;;) {
                ::pause();
            }
        }
    };
    pid_t pid = ::fork();
    if (pid == 0) {
        RemoveTempFilesOnSignals();
        CPlotDataObj data;
        MakeSurvey(data);
        CInterruptedCsv csv;
        csv.WriteSurvey(output.c_str(), &data);
        ::_exit(0); // not reached
    }
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    ASSERT_TRUE(WIFSIGNALED(raw));
    EXPECT_EQ(128 + WTERMSIG(raw), 130); // what a shell reports for Ctrl-C
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"SDP_B12.csv"});
    EXPECT_EQ(ReadBytes(output), kEarlier);
}

// The outputs are on the disk before their rename (the batch converter flushes
// them together, one call for the file system), and the folder after it.
TEST(OutputFaults, OutputIsFlushedBeforeItIsRenamed) {
    if (std::system("strace -V > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "strace is not installed (scripts/install-deps.sh installs it)";
    }
    TempDir dir;
    WriteBytes(dir / "B12.twi", kTwiField);
    WriteBytes(dir / "B13.twi", kTwiField);
    // LeakSanitizer cannot work under strace: a sanitizer build leaves leaks
    // to the other tests here.
    std::string command = "cd '" + dir.path() +
                          "' && ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" strace -f -o trace "
                          "-e trace=fsync,syncfs,rename '" +
                          VELTRANE_CONVERT_EXE + "' B12.twi B13.twi > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::string trace = ReadBytes(dir / "trace");
    // One flush of the file system for both, then the renames, then the folder.
    const size_t nFlush = trace.find("syncfs(");
    const size_t nFirstRename = trace.find("rename(");
    const size_t nLastRename = trace.rfind("rename(");
    ASSERT_NE(nFlush, std::string::npos) << trace;
    ASSERT_NE(nFirstRename, nLastRename) << trace;
    EXPECT_LT(nFlush, nFirstRename) << trace;
    EXPECT_EQ(trace.find("syncfs(", nFlush + 1), std::string::npos) << trace;
    EXPECT_NE(trace.find("fsync(", nLastRename), std::string::npos) << trace;
}

// Failures name their real reason, and a line is never cut.
TEST(OutputFaults, FailuresNameTheirReason) {
    TempDir dir;
    // A source of 254 bytes has a name; its output, 4 bytes longer, cannot.
    const std::string title(250, 'b');
    WriteBytes(dir / (title + ".twi"), kTwiField);
    RunResult run = Convert(dir, title + ".twi");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot be put in place: file name too long"), std::string::npos)
        << run.err;

    std::string csv = kCsvField;
    csv.replace(csv.find("-6.0,0.2,"), 9, "-6.0,1e300,");
    WriteBytes(dir / "SDP_huge.csv", csv);
    WriteBytes(dir / "SDP_huge.twi", kEarlier);
    run = Convert(dir, "SDP_huge.csv");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("(code 4)"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("the line of the station at 10.0 ft would be "), std::string::npos)
        << run.err;
    EXPECT_EQ(ReadBytes(dir / "SDP_huge.twi"), kEarlier);
}
