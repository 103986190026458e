#include "convert/BatchEngine.h"

#include "formats/SurveyDataFile.h"
#include "platform/CFile.h"
#include "platform/FileSystem.h"
#include "platform/TempFiles.h"

#include <algorithm>

static_assert(2 * CBatchEngine::kMaxChunkSize <= kTempFileSlots,
              "the temporary files of two chunks must fit the slots a signal empties");
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <utility>

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

int CBatchEngine::DirectionOf(const CConvertJob& job) {
    if (job.m_nDirection != directionNone) {
        return job.m_nDirection;
    }
    return CConvertCommand::GuessDirection(CConvertCommand::ExtensionOf(job.m_strPath));
}

void CBatchEngine::Plan(const std::vector<CConvertJob>& jobs, std::vector<CJobResult>& results,
                        std::vector<char>& bConvert) {
    // The inputs by name, and by the file they lead to once an output turns
    // out to exist (only then can it be one of them under another name): one
    // look-up for each output, however many files the call names.
    std::map<std::string, size_t> byName;
    for (size_t i = 0; i < jobs.size(); ++i) {
        byName.emplace(jobs[i].m_strPath.str(), i);
    }
    std::map<FileIdentity, size_t> byFile;
    bool bInputsKnown = false;
    for (size_t i = 0; i < jobs.size(); ++i) {
        CJobResult& result = results[i];
        result.m_strSource = jobs[i].m_strPath;
        result.m_nDirection = DirectionOf(jobs[i]);
        if (result.m_nDirection == directionNone) {
            result.m_nJobOutcome = jobUnknownType;
            result.m_strMessage = CConvertCommand::kMsgUnknownType;
            continue;
        }
        result.m_strOutput = CConvertCommand::OutputPathFor(jobs[i].m_strPath, result.m_nDirection);
        // An output that is its own source is the command's to refuse.
        auto name = byName.find(result.m_strOutput.str());
        size_t nInput = name != byName.end() ? name->second : i;
        FileIdentity identity;
        if (nInput == i && GetFileIdentity(result.m_strOutput, identity)) {
            if (!bInputsKnown) {
                for (size_t j = 0; j < jobs.size(); ++j) {
                    FileIdentity input;
                    if (GetFileIdentity(jobs[j].m_strPath, input)) {
                        byFile.emplace(input, j);
                    }
                }
                bInputsKnown = true;
            }
            auto file = byFile.find(identity);
            nInput = file != byFile.end() ? file->second : i;
        }
        if (nInput != i && jobs[nInput].m_strPath != jobs[i].m_strPath) {
            result.m_nJobOutcome = jobProtectsInput;
            result.m_strMessage = "Not converted: its output " + result.m_strOutput +
                                  " would replace " + jobs[nInput].m_strPath +
                                  ", a file named in the same call.";
            continue;
        }
        bConvert[i] = 1;
    }
}

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
    Plan(jobs, results, bConvert);
    RemoveLeftTempFilesBeside(results, bConvert);

    // The workers convert file after file; this thread puts each chunk's
    // outputs in place as soon as the chunk is done, while the workers go
    // on with the next one (at most two chunks are ever pending).
    const size_t nChunkSize = std::clamp<size_t>(m_nChunkSize, 1, kMaxChunkSize);
    const size_t nChunks = (nFiles + nChunkSize - 1) / nChunkSize;
    std::vector<std::unique_ptr<COutputBatch>> batches;
    for (size_t c = 0; c < nChunks; ++c) {
        batches.push_back(std::make_unique<COutputBatch>());
    }
    std::mutex mutex;
    std::condition_variable changed;
    size_t nNext = 0;                                   // the next file to begin
    size_t nAllowed = std::min(nFiles, 2 * nChunkSize); // files that may begin
    std::vector<size_t> doneInChunk(nChunks, 0);
    int nDone = 0;

    // Converts the files up to nUntil (the workers: all of them).
    auto work = [&](size_t nUntil) {
        for (;;) {
            size_t i = 0;
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock, [&] { return nNext < nAllowed || nNext >= nUntil; });
                if (nNext >= nUntil) {
                    return;
                }
                i = nNext++;
            }
            if (!bConvert[i]) {
                // refused before any work; nothing to do
            } else if (m_pCancel && m_pCancel->load()) {
                results[i].m_nJobOutcome = jobCancelled;
                results[i].m_strMessage = "Not converted: cancelled.";
            } else {
                results[i] = Convert(jobs[i], results[i].m_nDirection, *batches[i / nChunkSize],
                                     static_cast<int>(i));
            }
            std::lock_guard<std::mutex> lock(mutex);
            const size_t nChunk = i / nChunkSize;
            if (m_onProgress) {
                m_onProgress(++nDone, static_cast<int>(nFiles), jobs[i].m_strPath);
            }
            // Only the last file of a chunk wakes the thread that commits it.
            if (++doneInChunk[nChunk] ==
                std::min(nFiles, (nChunk + 1) * nChunkSize) - nChunk * nChunkSize) {
                changed.notify_all();
            }
        }
    };
    std::vector<std::thread> workers;
    {
        // The workers never take a stop signal: the thread that stops the
        // program must find each temporary file either noted or not begun.
        CStopSignalsBlocked blocked;
        const int nAsked = Workers(nFiles);
        try {
            while (static_cast<int>(workers.size()) < nAsked) {
                workers.emplace_back(work, nFiles);
            }
        } catch (const std::system_error&) {
            // A process or memory limit: the batch goes on with fewer.
        }
        if (static_cast<int>(workers.size()) < nAsked && m_onFewerWorkers) {
            m_onFewerWorkers(std::max<int>(static_cast<int>(workers.size()), 1), nAsked);
        }
    }
    for (size_t c = 0; c < nChunks; ++c) {
        const size_t nStart = c * nChunkSize;
        const size_t nEnd = std::min(nFiles, nStart + nChunkSize);
        if (workers.empty()) {
            work(nEnd); // no worker could start: this thread converts alone
        }
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return doneInChunk[c] == nEnd - nStart; });
        }
        Commit(*batches[c], results);
        batches[c].reset();
        {
            std::lock_guard<std::mutex> lock(mutex);
            nAllowed = std::min(nFiles, nEnd + 2 * nChunkSize);
        }
        changed.notify_all();
        if (m_onResult) {
            for (size_t i = nStart; i < nEnd; ++i) {
                m_onResult(static_cast<int>(i), results[i]);
            }
        }
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    return results;
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
    command->m_bStrict = m_bStrict;
    CSurveyDataFile* writers[] = {&command->m_csvFile, &command->m_twiFile};
    for (CSurveyDataFile* pWriter : writers) {
        pWriter->m_pOutputBatch = &batch;
        pWriter->m_nBatchOrder = nOrder;
    }
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
    if (result.m_nOutcome == outcomeConverted) {
        result.m_nJobOutcome = jobConverted;
    } else if (result.m_nOutcome == outcomeKept) {
        result.m_nJobOutcome = jobKept;
    } else {
        result.m_nJobOutcome = jobFailed;
    }
    return result;
}
