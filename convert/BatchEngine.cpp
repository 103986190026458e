#include "convert/BatchEngine.h"

#include "convert/ChunkScheduler.h"
#include "formats/SurveyDataFile.h"
#include "platform/CFile.h"
#include "platform/FileSystem.h"
#include "platform/TempFiles.h"
#include "survey/TwistProfile.h"

#include <algorithm>
#include <memory>
#include <set>
#include <system_error>
#include <thread>
#include <utility>

static_assert(CChunkScheduler::kChunksAhead * CBatchEngine::kMaxChunkSize <= kTempFileSlots,
              "the temporary files of the chunks under way must fit the slots a signal empties");

namespace {

// The command's answers for one file of a batch: the direction it was given,
// and replacing an existing output unless told to keep it.
class CJobHost : public CConvertHost {
public:
    CJobHost(int nDirection, BOOL bNoClobber)
        : m_nDirection(nDirection), m_bNoClobber(bNoClobber) {}
    int GetDirection() override { return m_nDirection; }
    void ShowMessage(CString /*strText*/) override {}
    BOOL ConfirmReplace(CString /*strOutput*/) override { return !m_bNoClobber; }

private:
    int m_nDirection;
    BOOL m_bNoClobber;
};

} // namespace

int CBatchEngine::Workers(size_t nFiles) const {
    int nWorkers = m_nJobs > 0 ? m_nJobs : static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(nWorkers, 1, static_cast<int>(std::max<size_t>(nFiles, 1)));
}

void CBatchEngine::RemoveLeftTempFilesBeside(const std::vector<CJobResult>& results,
                                             const std::vector<char>& bConvert) const {
    std::set<std::string> folders;
    for (size_t i = 0; i < results.size(); ++i) {
        if (bConvert[i]) {
            folders.insert(FolderOf(results[i].m_strOutput).str());
        }
    }
    for (const std::string& folder : folders) {
        const int nRemoved = RemoveLeftTempFiles(folder.c_str());
        if (nRemoved > 0 && m_onLeftTempFiles) {
            m_onLeftTempFiles(folder.c_str(), nRemoved);
        }
    }
}

std::vector<CJobResult> CBatchEngine::Run(const std::vector<CConvertJob>& jobs) {
    const size_t nFiles = jobs.size();
    std::vector<CJobResult> results(nFiles);
    std::vector<char> bConvert(nFiles, 0);
    CBatchPlan plan;
    plan.m_strPictureType = m_strPictureType;
    plan.m_strOtherFolderHint = m_strOtherFolderHint;
    plan.m_twiItems = m_twiItems;
    plan.Make(jobs, results, bConvert);
    RemoveLeftTempFilesBeside(results, bConvert);

    // The workers convert file after file; this thread puts each chunk's
    // outputs in place as soon as the chunk is done, while the workers go
    // on with the chunks after it.
    CChunkScheduler scheduler(nFiles, std::clamp<size_t>(m_nChunkSize, 1, kMaxChunkSize));
    std::vector<std::unique_ptr<COutputBatch>> batches;
    for (size_t c = 0; c < scheduler.Chunks(); ++c) {
        batches.push_back(std::make_unique<COutputBatch>());
    }
    std::atomic<int> nDone{0};
    // Converts the files before nUntil (the workers: all of them).
    auto work = [&](size_t nUntil) {
        size_t i = 0;
        while (scheduler.Next(i, nUntil)) {
            RunJob(jobs[i], bConvert[i], results[i], *batches[scheduler.ChunkOf(i)], i);
            if (m_onProgress) {
                m_onProgress(++nDone, static_cast<int>(nFiles), jobs[i].m_strPath);
            }
            scheduler.Done(i);
        }
    };
    std::vector<std::thread> workers = StartWorkers(Workers(nFiles), [&] { work(nFiles); });
    for (size_t c = 0; c < scheduler.Chunks(); ++c) {
        if (workers.empty()) {
            work(scheduler.EndOf(c)); // no worker could start: this thread converts alone
        }
        scheduler.WaitForChunk(c);
        Commit(*batches[c], results);
        batches[c].reset();
        scheduler.Committed(c);
        if (m_onResult) {
            for (size_t i = scheduler.FirstOf(c); i < scheduler.EndOf(c); ++i) {
                m_onResult(static_cast<int>(i), results[i]);
            }
        }
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    return results;
}

std::vector<std::thread> CBatchEngine::StartWorkers(int nAsked,
                                                    const std::function<void()>& work) const {
    std::vector<std::thread> workers;
    // The workers never take a stop signal: the thread that stops the
    // program must find each temporary file either noted or not begun.
    CStopSignalsBlocked blocked;
    try {
        while (static_cast<int>(workers.size()) < nAsked) {
            workers.emplace_back(work);
        }
    } catch (const std::system_error&) {
        // A process or memory limit: the batch goes on with fewer.
    }
    if (static_cast<int>(workers.size()) < nAsked && m_onFewerWorkers) {
        m_onFewerWorkers(std::max<int>(static_cast<int>(workers.size()), 1), nAsked);
    }
    return workers;
}

void CBatchEngine::RunJob(const CConvertJob& job, BOOL bPlanned, CJobResult& result,
                          COutputBatch& batch, size_t nFile) const {
    if (!bPlanned) {
        return; // refused before any work
    }
    if (m_pCancel && m_pCancel->load()) {
        result.m_nJobOutcome = jobCancelled;
        result.m_strMessage = "Not converted: cancelled.";
        return;
    }
    result = Convert(job, result.m_nDirection, batch, static_cast<int>(nFile));
}

void CBatchEngine::Commit(COutputBatch& batch, std::vector<CJobResult>& results) {
    // A rename the system refuses turns that file's success into a failure.
    for (const COutputBatch::CFailure& failure : batch.CommitAll()) {
        CJobResult& result = results[static_cast<size_t>(failure.nOrder)];
        result.m_nJobOutcome = jobFailed;
        result.m_nOutcome = outcomeWriteFailed;
        result.m_nStatus = statusNotCreated;
        result.m_strMessage.Format(CConvertCommand::kMsgError, statusNotCreated);
        result.m_diagnostics.AddError(
            0, "the output file " + result.m_strOutput +
                   " cannot be put in place: " + SystemErrorText(failure.nError));
    }
}

CJobResult CBatchEngine::Convert(const CConvertJob& job, int nDirection, COutputBatch& batch,
                                 int nOrder) const {
    CJobResult result;
    result.m_strSource = job.m_strPath;
    result.m_nDirection = nDirection;
    // A fresh context per file: nothing of one survey carries into the next.
    CJobHost host(nDirection, m_bNoClobber);
    auto command = std::make_unique<CConvertCommand>(host);
    command->SelectPath(job.m_strPath);
    command->SetStrict(m_bStrict);
    command->SetOutputFolder(job.m_strOutputFolder);
    command->SetKeepIdentical(TRUE);
    command->SetTwiHeaderItems(m_twiItems);
    command->SetOutputBatch(&batch, nOrder);
    try {
        command->OnConvert();
    } catch (const CFileException& error) {
        result.m_nJobOutcome = jobFileError;
        result.m_strOutput = command->m_strLastOutput;
        result.m_strMessage = CConvertCommand::FileErrorText(error, command->m_strLastOutput);
        result.m_diagnostics = command->m_plotData.m_diagnostics;
        return result;
    }
    result.m_nOutcome = command->m_nLastOutcome;
    result.m_nStatus = command->m_nLastStatus;
    result.m_strOutput = command->m_strLastOutput;
    result.m_strMessage = command->m_strLastMessage;
    result.m_diagnostics = command->m_plotData.m_diagnostics;
    const bool bRead = result.m_nOutcome != outcomeReadFailed &&
                       result.m_nOutcome != outcomeNothingSelected &&
                       result.m_nOutcome != outcomeNoDirection && result.m_nOutcome != outcomeNone;
    if (m_bFigures && bRead) {
        // Only spiral surveys are converted, but the TWI writer marks the
        // record it wrote as of no type (its readings stay as read).
        constexpr int kSpiralSurvey = 1;
        command->m_plotData.m_nFileType = kSpiralSurvey;
        result.m_figures =
            SurveyFigures::Of(CTwistProfile::FromSurvey(command->m_plotData), m_limit);
    }
    if (result.m_nOutcome == outcomeConverted) {
        result.m_nJobOutcome = jobConverted;
    } else if (result.m_nOutcome == outcomeKept) {
        result.m_nJobOutcome = jobKept;
    } else if (result.m_nOutcome == outcomeUpToDate) {
        result.m_nJobOutcome = jobUpToDate;
    } else {
        result.m_nJobOutcome = jobFailed;
    }
    return result;
}
