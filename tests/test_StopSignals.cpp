// A batch stopped at any moment, by any signal that ends a program, leaves no
// temporary file, and every output is either the earlier file or the new one.
// The batch runs as veltrane-convert itself, on a folder of some thousands of
// surveys (in memory where the system offers it, so that the trials stay short).
#include "platform/TempFiles.h"

#include "TestSupport.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

// A batch of some thousands, for the random moments; a few hundred where
// the moment is chosen.
constexpr int kManyFiles = 2000;
constexpr int kSomeFiles = 1500; // one chunk, long enough to outlast a busy machine's kill
constexpr int kFewFiles = 120;   // still more report than a pipe's buffer holds
const std::string kEarlier = "an earlier output\r\n";
const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGUSR1, SIGUSR2, SIGALRM};
const std::string kTwi = ReadBytes(testing_support::DataPath("twi_10ft.twi"));
const std::string kCsv = ReadBytes(testing_support::DataPath("spiral_10ft.csv")); // its output

// Temporary folders in memory where there is such a file system.
[[maybe_unused]] const bool kInMemory = [] {
    if (std::filesystem::is_directory("/dev/shm") && ::access("/dev/shm", W_OK) == 0) {
        ::setenv("TMPDIR", "/dev/shm", 1);
    }
    return true;
}();

std::string Input(int i) {
    return "s" + std::to_string(i) + ".twi";
}
std::string Output(int i) {
    return "SDP_s" + std::to_string(i) + ".csv";
}

// A folder of surveys; every other one has an earlier output.
class CBatchFolder {
public:
    explicit CBatchFolder(int nFiles) : m_nFiles(nFiles) {
        for (int i = 0; i < m_nFiles; ++i) {
            WriteBytes(m_dir / Input(i), kTwi);
        }
        Reset();
    }
    void Reset() const {
        for (int i = 0; i < m_nFiles; ++i) {
            if (i % 2) {
                WriteBytes(m_dir / Output(i), kEarlier);
            } else {
                std::filesystem::remove(m_dir / Output(i));
            }
        }
    }
    int HiddenFiles() const {
        int n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir.path())) {
            n += entry.path().filename().string()[0] == '.';
        }
        return n;
    }
    // How many outputs are as before the run, and how many are strNew.
    std::pair<int, int> OldAndNew(const std::string& strNew) const {
        std::pair<int, int> counts;
        for (int i = 0; i < m_nFiles; ++i) {
            const std::string path = m_dir / Output(i);
            const std::string bytes = std::filesystem::exists(path) ? ReadBytes(path) : "-";
            counts.first += bytes == (i % 2 ? kEarlier : "-");
            counts.second += bytes == strNew;
        }
        return counts;
    }
    const TempDir& dir() const { return m_dir; }
    int files() const { return m_nFiles; }
    std::string err() const { return m_capture / "err"; }

private:
    int m_nFiles;
    TempDir m_dir;
    TempDir m_capture;
};

// Starts veltrane-convert on the folder's surveys, its report going nowhere
// and its errors to the folder's err file; prepare runs in the child first.
pid_t StartBatch(const CBatchFolder& folder, const std::vector<std::string>& options,
                 const std::function<void()>& prepare = {}) {
    std::vector<std::string> args = {VELTRANE_CONVERT_EXE};
    args.insert(args.end(), options.begin(), options.end());
    for (int i = 0; i < folder.files(); ++i) {
        args.push_back(Input(i));
    }
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int nNull = ::open("/dev/null", O_WRONLY);
        const int nErr = ::open(folder.err().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        struct rlimit noCore = {0, 0}; // SIGQUIT ends it without a core file
        // The signals as a terminal gives them, whatever the test runner's.
        for (int nSignal : kSignals) {
            ::signal(nSignal, SIG_DFL);
        }
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        if (::chdir(folder.dir().path().c_str()) != 0 || ::dup2(nNull, STDOUT_FILENO) < 0 ||
            ::dup2(nErr, STDERR_FILENO) < 0 || ::setrlimit(RLIMIT_CORE, &noCore) != 0) {
            ::_exit(99);
        }
        if (prepare) {
            prepare();
        }
        ::execv(argv[0], argv.data());
        ::_exit(98);
    }
    return pid;
}

int WaitFor(pid_t pid) {
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    return raw;
}

// Waits until the batch has at least nFiles temporary files, that is outputs
// written and waiting to be put in place.
bool WaitForTempFiles(const CBatchFolder& folder, int nFiles) {
    for (int n = 0; n < 5000; ++n) {
        if (folder.HiddenFiles() >= nFiles) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

} // namespace

// Each signal at a random moment of the batch, with 1, 2 and 4 workers.
TEST(StopSignals, EverySignalAtARandomMomentLeavesNoTemporaryFile) {
    CBatchFolder folder(kManyFiles);
    const unsigned nSeed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(nSeed));
    std::mt19937 random(nSeed);
    // Within the first 0.15 s, which a batch of this size outlasts.
    std::uniform_int_distribution<int> moment(0, 150000);
    int nTrial = 0;
    // No reset between the trials: each output stays the earlier or the new
    // one whatever trial last touched it.
    for (int nSignal : kSignals) {
        const std::string jobs = std::to_string(1 << (nTrial++ % 3));
        const pid_t pid = StartBatch(folder, {"-j", jobs});
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        ::kill(pid, nSignal);
        const int raw = WaitFor(pid);
        const std::string what = std::string(strsignal(nSignal)) + ", -j " + jobs;
        // Ended by the signal, or done before it came.
        EXPECT_TRUE((WIFSIGNALED(raw) && WTERMSIG(raw) == nSignal) ||
                    (WIFEXITED(raw) && WEXITSTATUS(raw) == 0))
            << what << ": status " << raw;
        EXPECT_EQ(folder.HiddenFiles(), 0) << what;
        const auto [nOld, nNew] = folder.OldAndNew(kCsv);
        EXPECT_EQ(nOld + nNew, kManyFiles) << what;
    }
}

// Stopped by each signal while a chunk's outputs are written and wait to be
// put in place: they all go, and every output stays as it was. Under nohup
// SIGHUP is ignored from the start, and stays so.
TEST(StopSignals, StopWhileOutputsWaitToBeCommitted) {
    CBatchFolder folder(kSomeFiles);
    std::vector<std::pair<int, bool>> cases = {{SIGHUP, true}}; // signal, ignored
    for (int nSignal : kSignals) {
        cases.emplace_back(nSignal, false);
    }
    for (const auto& c : cases) {
        const int nSignal = c.first;
        const bool bIgnored = c.second;
        SCOPED_TRACE(std::string(strsignal(nSignal)) + (bIgnored ? ", ignored" : ""));
        folder.Reset();
        const pid_t pid = StartBatch(folder, {"-j", "2"}, [bIgnored, nSignal] {
            if (bIgnored) {
                ::signal(nSignal, SIG_IGN);
            }
        });
        const bool bWaiting = WaitForTempFiles(folder, 5);
        ::kill(pid, nSignal);
        const int raw = WaitFor(pid);
        ASSERT_TRUE(bWaiting);
        EXPECT_EQ(folder.HiddenFiles(), 0);
        if (bIgnored) {
            EXPECT_EQ(raw, 0);
            EXPECT_EQ(folder.OldAndNew(kCsv), std::make_pair(0, kSomeFiles));
        } else {
            EXPECT_TRUE(WIFSIGNALED(raw) && WTERMSIG(raw) == nSignal) << raw;
            EXPECT_EQ(folder.OldAndNew(kCsv).first, kSomeFiles);
        }
    }
}

// A closed standard output stops the batch with a message instead of a
// SIGPIPE.
TEST(StopSignals, ClosedOutputStopsTheBatch) {
    CBatchFolder folder(kFewFiles);
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ::close(pipeEnds[0]); // nobody reads
    const int raw = WaitFor(StartBatch(folder, {}, [&] { ::dup2(pipeEnds[1], STDOUT_FILENO); }));
    ::close(pipeEnds[1]);
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1) << raw;
    // The stop is said first; the count of the batch follows.
    EXPECT_EQ(ReadBytes(folder.err())
                  .rfind("veltrane-convert: the standard output was closed: stopped; the files "
                         "not yet begun are not converted.\nveltrane-convert: ",
                         0),
              0u);
    EXPECT_EQ(folder.HiddenFiles(), 0);
}

// Temporary files that a stopped run left: only those named by this machine
// and by a process that no longer runs go, with a word on stderr.
TEST(StopSignals, NextRunRemovesWhatAStoppedRunLeft) {
    TempDir dir;
    WriteBytes(dir / "B12.twi", kTwi);
    // A process number that no longer runs: a child that has ended.
    const pid_t gone = ::fork();
    if (gone == 0) {
        ::_exit(0);
    }
    WaitFor(gone);
    // Names as this machine writes them, with other processes and letters.
    const std::string ours = std::string(TempNameBeside((dir / "SDP_B12.csv").c_str()));
    const size_t nMark = ours.rfind(".vt-");
    ASSERT_NE(nMark, std::string::npos) << ours;
    const std::string machine = ours.substr(nMark + 4, 8);
    const std::string other = machine == "00000000" ? "11111111" : "00000000";
    const std::string dead = std::to_string(gone);
    auto name = [&](const std::string& strName, const std::string& strMachine,
                    const std::string& strProcess, const std::string& strLetters) {
        return dir / (strName + ".vt-" + strMachine + "-" + strProcess + "-" + strLetters);
    };
    EXPECT_EQ(ours.substr(0, nMark + 13),
              name(".SDP_B12.csv", machine, "", "").substr(0, nMark + 13));
    const struct {
        std::string path;
        bool bRemoved;
    } cases[] = {
        {name(".SDP_B12.csv", machine, dead, "Ab3dE9"), true},
        {name(".SDP_C7.twi", machine, dead, "zzzzzz"), true},
        {name(".SDP_B12.csv", machine, std::to_string(::getpid()), "Ab3dE9"), false}, // runs
        {name(".SDP_B12.csv", machine, "1", "Ab3dE9"), false},                        // runs
        {name(".SDP_B12.csv", other, dead, "Ab3dE9"), false}, // another machine's
        {name(".SDP_B12.csv", machine, dead, "Ab3dE"), false},
        {name(".SDP_B12.csv", machine, dead, "Ab3d.9"), false},
        {name(".SDP_B12.csv", machine, "", "Ab3dE9"), false},
        {name(".SDP_B12.csv", machine, "12345678901", "Ab3dE9"), false},
        {name("", machine, dead, "Ab3dE9"), false},            // no name
        {name("SDP_B12.csv", machine, dead, "Ab3dE9"), false}, // not hidden
    };
    for (const auto& c : cases) {
        WriteBytes(c.path, "left");
    }
    const testing_support::ProgramRun run =
        testing_support::RunInFolder(dir.path(), "'" VELTRANE_CONVERT_EXE "' B12.twi");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "veltrane-convert: removed 2 temporary files that a stopped earlier run "
                       "left in the current folder.\n");
    for (const auto& c : cases) {
        EXPECT_EQ(std::filesystem::exists(c.path), !c.bRemoved) << c.path;
    }
}

// Under a process limit the batch runs with the workers the system starts,
// even none but itself, and says so once.
TEST(StopSignals, FewerWorkersThanAsked) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a process limit is tried as another user, which needs root";
    }
    CBatchFolder folder(kFewFiles);
    ::chmod(folder.dir().path().c_str(), 0777);
    // The program and its stop thread count as two; 1 leaves no stop thread.
    for (rlim_t nLimit : {1, 2, 4}) {
        folder.Reset();
        const pid_t pid = StartBatch(folder, {"-j", "100"}, [nLimit] {
            // The leak check at the end of a sanitizer build needs a
            // thread of its own, which the limit refuses.
            const char* pszAsan = std::getenv("ASAN_OPTIONS");
            ::setenv("ASAN_OPTIONS",
                     (std::string(pszAsan ? pszAsan : "") + ":detect_leaks=0").c_str(), 1);
            struct rlimit limit = {nLimit, nLimit};
            if (::setgid(65534) != 0 || ::setuid(65534) != 0 ||
                ::setrlimit(RLIMIT_NPROC, &limit) != 0) {
                ::_exit(97);
            }
        });
        const int raw = WaitFor(pid);
        const std::string err = ReadBytes(folder.err());
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << nLimit << ": " << raw << err;
        EXPECT_EQ(err.rfind("veltrane-convert: the system started only ", 0), 0u) << err;
        EXPECT_NE(err.find(" of 100 workers; converting "), std::string::npos) << err;
        // Said once, before the count of the batch.
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
        EXPECT_EQ(folder.OldAndNew(kCsv).second, kFewFiles) << nLimit;
        EXPECT_EQ(folder.HiddenFiles(), 0);
    }
}
