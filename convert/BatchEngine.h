// Converts many surveys in one go, for the batch command line and the
// window's many files alike. Each file gets a conversion context of its own,
// exactly as one press of Convert; the results come back in the order of the
// files, whatever order the work was done in.
#pragma once

#include "convert/BatchPlan.h"

#include <atomic>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

class COutputBatch;

class CBatchEngine {
public:
    // Files put in place together: their outputs are flushed to the disk in
    // one go, then renamed. A flush costs as much as the file system has to
    // write, whoever wrote it, so the fewer the better; two chunks must fit
    // the temporary files a signal can remove (platform/TempFiles).
    static constexpr size_t kMaxChunkSize = 4000;

    // Warnings count as errors: such a survey is not converted.
    BOOL m_bStrict = FALSE;
    // An existing output is kept instead of replaced.
    BOOL m_bNoClobber = FALSE;
    // Files converted at a time; 0 for as many as the machine has cores.
    int m_nJobs = 0;
    // Files put in place together, 1 to kMaxChunkSize; their results are
    // reported when the last of them is in place. A window that lists
    // results as they come takes small chunks, a batch large ones.
    size_t m_nChunkSize = kMaxChunkSize;
    // The type of the pictures the caller draws beside the outputs ("svg");
    // empty for none. The plan refuses a file whose picture would replace
    // that of an earlier file.
    CString m_strPictureType;
    // Each result of a survey read carries its figures, the intervals over
    // m_limit among them when a limit is given.
    BOOL m_bFigures = FALSE;
    std::optional<double> m_limit;
    // Site, borehole and depth unit for the outputs of TWI sources.
    CTwiHeaderItems m_twiItems;
    // How the caller writes the outputs elsewhere (see CBatchPlan).
    CString m_strOtherFolderHint = CBatchPlan().m_strOtherFolderHint;
    // Called with each result in the order of the files, one call at a time,
    // once the file's output is in place.
    std::function<void(int nIndex, const CJobResult& result)> m_onResult;
    // Called from the worker that did a file as it ends, with the count of
    // files done. No lock of the engine is held: other workers go on
    // meanwhile, and may call at the same time (their counts then arrive in
    // either order).
    std::function<void(int nDone, int nTotal, const CString& strSource)> m_onProgress;
    // Set from elsewhere to stop: files not yet begun are not converted.
    const std::atomic<bool>* m_pCancel = nullptr;
    // Called once, before any file, when the system would not start as many
    // workers as asked: the batch runs with those it started (at least the
    // calling thread).
    std::function<void(int nStarted, int nAsked)> m_onFewerWorkers;
    // Called before any file for each output folder where hidden temporary
    // files that a stopped earlier run left were found and removed.
    std::function<void(const CString& strFolder, int nRemoved)> m_onLeftTempFiles;

    // Plans first (see CBatchPlan: no file may replace a file named as an
    // input, nor the output of an earlier file), then converts. Messages,
    // diagnostics and outcomes do not depend on m_nJobs or m_nChunkSize.
    std::vector<CJobResult> Run(const std::vector<CConvertJob>& jobs);

private:
    // What a worker does with file nFile: nothing for one the plan refused,
    // a cancellation once cancelled, else its conversion.
    void RunJob(const CConvertJob& job, BOOL bPlanned, CJobResult& result, COutputBatch& batch,
                size_t nFile) const;
    CJobResult Convert(const CConvertJob& job, int nDirection, COutputBatch& batch,
                       int nOrder) const;
    int Workers(size_t nFiles) const;
    // Starts nAsked workers running work, with the stop signals blocked, or
    // as many as the system allows (m_onFewerWorkers says so); maybe none.
    std::vector<std::thread> StartWorkers(int nAsked, const std::function<void()>& work) const;
    void RemoveLeftTempFilesBeside(const std::vector<CJobResult>& results,
                                   const std::vector<char>& bConvert) const;
    static void Commit(COutputBatch& batch, std::vector<CJobResult>& results);
};
