// Many files in one call: the plan made before any work, the chunks the
// outputs are put in place by, and a cancel while the workers run.
#include "TestSupport.h"
#include "convert/BatchEngine.h"
#include "convert/ChunkScheduler.h"

#include <chrono>
#include <condition_variable>
#include <future>
#include <gtest/gtest.h>
#include <mutex>

using testing_support::DataPath;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

// How each job of a plan ended, as "ok", "type", "input" or "same".
std::string Outcomes(const std::vector<CJobResult>& results, const std::vector<char>& bConvert) {
    std::string text;
    for (size_t i = 0; i < results.size(); ++i) {
        const JobOutcome n = results[i].m_nJobOutcome;
        text += text.empty() ? "" : " ";
        text += bConvert[i]           ? "ok"
                : n == jobUnknownType ? "type"
                : n == jobSameOutput  ? "same"
                                      : "input";
    }
    return text;
}

} // namespace

#ifdef _WIN32
constexpr bool kNamesIgnoreCase = true;
#else
constexpr bool kNamesIgnoreCase = false;
#endif

TEST(BatchPlan, LaterFileWritingAnEarlierFilesOutputOrPictureIsRefused) {
    TempDir dir;
    std::filesystem::create_directory(dir / "sub");
    struct {
        std::vector<std::string> files;
        int nDirection;      // as --to sets it
        const char* pszType; // pictures drawn
        BOOL bWritesSurveys;
        std::string outcomes;
        std::string message; // of the last file
    } cases[] = {
        {{"A.twi", "A.TWI"},
         directionNone,
         "",
         TRUE,
         "ok same",
         "Not converted: its output " + dir / "SDP_A.csv"},
        {{"A.twi", "A.dat"},
         directionTwiToCsv,
         "",
         TRUE,
         "ok same",
         "Not converted: its output " + dir / "SDP_A.csv" + " is also the output of " +
             dir / "A.twi" + ", named earlier in the same call."},
        {{"SDP_A.csv", "SDP_A.CSV", "./SDP_A.csv"}, directionNone, "", TRUE, "ok same same", ""},
        {{"A.twi", "sub/A.twi", "B.twi"}, directionNone, "", TRUE, "ok ok ok", ""},
        // Pictures: B.twi and SDP_B.CSV both draw SDP_B.svg. Where names
        // ignore letter case (Windows), SDP_B.CSV is B.twi's own output.
        {{"B.twi", "SDP_B.CSV"},
         directionNone,
         "svg",
         TRUE,
         kNamesIgnoreCase ? "input ok" : "ok same",
         kNamesIgnoreCase
             ? std::string()
             : "Not converted: its picture " + dir / "SDP_B.svg" + " is also the picture of " +
                   dir / "B.twi" + ", named earlier in the same call."},
        {{"B.twi", "SDP_B.CSV"},
         directionNone,
         "",
         TRUE,
         kNamesIgnoreCase ? "input ok" : "ok ok",
         ""},
        // A file refused for another reason writes nothing, so it blocks nothing.
        {{"B.twi", "SDP_B.csv"}, directionNone, "svg", TRUE, "input ok", ""},
        {{"notes.txt", "notes.TXT"}, directionNone, "", TRUE, "type type", ""},
        // Reading only: the pictures alone count.
        {{"A.twi", "A.TWI"}, directionNone, "", FALSE, "ok ok", ""},
        {{"A.twi", "A.TWI"}, directionNone, "png", FALSE, "ok same", "Skipped: its picture "},
    };
    for (const auto& c : cases) {
        std::vector<CConvertJob> jobs;
        for (const std::string& file : c.files) {
            WriteBytes(dir / file, "x");
            jobs.push_back(CConvertJob{(dir / file).c_str(), c.nDirection});
        }
        CBatchPlan plan;
        plan.m_strPictureType = c.pszType;
        plan.m_bWritesSurveys = c.bWritesSurveys;
        std::vector<CJobResult> results(jobs.size());
        std::vector<char> bConvert(jobs.size(), 0);
        plan.Make(jobs, results, bConvert);
        EXPECT_EQ(Outcomes(results, bConvert), c.outcomes) << c.files[1];
        EXPECT_EQ(results.back().m_strMessage.str().substr(0, c.message.size()), c.message)
            << c.files[1];
        for (const std::string& file : c.files) {
            std::filesystem::remove(dir / file);
        }
    }
}

// An output that leads to another input under a name of its own (a link, a
// hard link) is refused alike whether the call's names were looked at when
// listed (JobsOf) or are looked at by the plan itself.
TEST(BatchPlan, OutputLinkedToAnotherInputIsRefusedHoweverTheJobsCame) {
    TempDir dir;
    WriteBytes(dir / "B.twi", "x");
    WriteBytes(dir / "C.twi", "y");
    const std::vector<CString> names = {(dir / "B.twi").c_str(), (dir / "C.twi").c_str()};
    for (const bool bHardLink : {false, true}) {
        std::filesystem::remove(dir / "SDP_B.csv");
        std::error_code error;
        if (bHardLink) {
            std::filesystem::create_hard_link(dir / "C.twi", dir / "SDP_B.csv", error);
        } else {
            std::filesystem::create_symlink(dir / "C.twi", dir / "SDP_B.csv", error);
        }
        if (error) {
            GTEST_SKIP() << "no links here: " << error.message();
        }
        const std::vector<CConvertJob> listed =
            CBatchPlan::JobsOf(names, directionNone, CString(), FALSE);
        ASSERT_TRUE(listed[0].m_identity.has_value());
        std::vector<CConvertJob> bare = listed;
        for (CConvertJob& job : bare) {
            job.m_identity.reset();
        }
        const std::vector<CConvertJob>* const calls[] = {&listed, &bare};
        for (const std::vector<CConvertJob>* pJobs : calls) {
            std::vector<CJobResult> results(pJobs->size());
            std::vector<char> bConvert(pJobs->size(), 0);
            CBatchPlan().Make(*pJobs, results, bConvert);
            EXPECT_EQ(Outcomes(results, bConvert), "input ok") << bHardLink;
        }
    }
}

TEST(BatchPlan, ExistingOutputsCountLinksThatLeadNowhere) {
    TempDir dir;
    for (const char* name : {"A.twi", "B.twi", "C.twi", "SDP_A.csv"}) {
        WriteBytes(dir / name, "x");
    }
    std::error_code error;
    std::filesystem::create_symlink(dir / "gone.csv", dir / "SDP_B.csv", error);
    if (error) {
        GTEST_SKIP() << "this system makes no symbolic links here: " << error.message();
    }
    std::filesystem::create_directory(dir / "SDP_C.csv"); // the write fails on it: not asked
    std::vector<CConvertJob> jobs;
    for (const char* name : {"A.twi", "B.twi", "C.twi"}) {
        jobs.push_back(CConvertJob{(dir / name).c_str(), directionNone});
    }
    EXPECT_EQ(CBatchPlan::ExistingOutputs(jobs), 2);
}

TEST(ChunkScheduler, FilesBeginAtMostTwoChunksAheadOfTheCommit) {
    CChunkScheduler scheduler(7, 2);
    ASSERT_EQ(scheduler.Chunks(), 4u);
    EXPECT_EQ(scheduler.EndOf(3), 7u);
    size_t nFile = 0;
    for (size_t i = 0; i < 4; ++i) {
        ASSERT_TRUE(scheduler.Next(nFile));
        EXPECT_EQ(nFile, i);
    }
    // The fifth waits for the first chunk to be put in place.
    auto fifth = std::async(std::launch::async, [&] {
        size_t n = 0;
        return scheduler.Next(n) ? n : 99;
    });
    EXPECT_EQ(fifth.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    scheduler.Done(1);
    scheduler.Done(0);
    scheduler.WaitForChunk(0);
    scheduler.Committed(0);
    EXPECT_EQ(fifth.get(), 4u);
    ASSERT_TRUE(scheduler.Next(nFile));
    EXPECT_EQ(nFile, 5u);
    for (size_t i : {2u, 3u, 4u, 5u}) {
        scheduler.Done(i);
    }
    scheduler.Committed(1);
    ASSERT_TRUE(scheduler.Next(nFile));
    EXPECT_EQ(nFile, 6u);
    EXPECT_FALSE(scheduler.Next(nFile));
}

// Files that convert, fail and are refused, over chunks of three: the
// results come in the order of the files, each once its chunk is in place,
// and are the same as in one chunk.
TEST(BatchEngine, ChunksKeepTheOrderOfResultsAndPutOutputsInPlaceFirst) {
    TempDir dir;
    const std::string twi = ReadBytes(DataPath("twi_10ft.twi"));
    std::vector<CConvertJob> jobs;
    for (int i = 0; i < 11; ++i) {
        const std::string name = dir / ("B" + std::to_string(i) + (i == 4 ? ".TWI" : ".twi"));
        WriteBytes(name, i == 6 ? "not a survey\r\n" : twi);
        jobs.push_back(CConvertJob{name.c_str(), directionNone});
    }
    jobs.push_back(CConvertJob{(dir / "B4.twi").c_str(), directionNone}); // B4.TWI's output
    auto run = [&](size_t nChunkSize, std::vector<int>& order) {
        CBatchEngine engine;
        engine.m_nJobs = 3;
        engine.m_nChunkSize = nChunkSize;
        engine.m_onResult = [&](int nIndex, const CJobResult& result) {
            order.push_back(nIndex);
            // The chunk's outputs are all in place when its first result comes.
            const size_t nFirst = static_cast<size_t>(nIndex);
            const size_t nEnd = std::min(jobs.size(), (nFirst / nChunkSize + 1) * nChunkSize);
            for (size_t i = nFirst; i < nEnd; ++i) {
                if (i != 6 && i != 11) {
                    EXPECT_TRUE(
                        std::filesystem::exists(dir / ("SDP_B" + std::to_string(i) + ".csv")))
                        << i;
                }
            }
            EXPECT_EQ(result.m_strSource, jobs[static_cast<size_t>(nIndex)].m_strPath);
        };
        return engine.Run(jobs);
    };
    std::vector<int> order, orderOne;
    const std::vector<CJobResult> results = run(3, order);
    std::vector<int> expected(jobs.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        expected[i] = static_cast<int>(i);
    }
    EXPECT_EQ(order, expected);
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        if (entry.path().filename().string().rfind("SDP_", 0) == 0) {
            std::filesystem::remove(entry.path());
        }
    }
    const std::vector<CJobResult> one = run(CBatchEngine::kMaxChunkSize, orderOne);
    ASSERT_EQ(results.size(), one.size());
    for (size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(results[i].m_nJobOutcome, one[i].m_nJobOutcome) << i;
        EXPECT_EQ(results[i].m_strMessage, one[i].m_strMessage) << i;
    }
    EXPECT_EQ(results[6].m_nJobOutcome, jobFailed);
    EXPECT_EQ(results[11].m_nJobOutcome, jobSameOutput); // B4.twi: B4.TWI's output
}

// Each worker waits in the progress callback after its first file until all
// of them are in it at once, which only works when no lock of the engine is
// held there; then Cancel: those files stay converted, no other begins.
TEST(BatchEngine, CancelStopsParallelWorkersWaitingInTheirCallbacks) {
    TempDir dir;
    const std::string twi = ReadBytes(DataPath("twi_10ft.twi"));
    std::vector<CConvertJob> jobs;
    for (int i = 0; i < 12; ++i) {
        const std::string name = dir / ("B" + std::to_string(i) + ".twi");
        WriteBytes(name, twi);
        jobs.push_back(CConvertJob{name.c_str(), directionNone});
    }
    constexpr int kWorkers = 3;
    std::atomic<bool> bCancel{false};
    std::mutex mutex;
    std::condition_variable changed;
    int nInside = 0;
    bool bAllInside = false;
    CBatchEngine engine;
    engine.m_nJobs = kWorkers;
    engine.m_pCancel = &bCancel;
    engine.m_onProgress = [&](int, int, const CString&) {
        std::unique_lock<std::mutex> lock(mutex);
        if (++nInside == kWorkers) {
            bAllInside = true;
            bCancel = true;
            changed.notify_all();
        }
        // A callback holding the others up would wait here forever.
        changed.wait_for(lock, std::chrono::seconds(10), [&] { return bAllInside; });
    };
    const std::vector<CJobResult> results = engine.Run(jobs);
    EXPECT_TRUE(bAllInside);
    int nConverted = 0;
    for (const CJobResult& result : results) {
        nConverted += result.m_nJobOutcome == jobConverted ? 1 : 0;
        EXPECT_TRUE(result.m_nJobOutcome == jobConverted || result.m_nJobOutcome == jobCancelled);
    }
    EXPECT_EQ(nConverted, kWorkers);
}
