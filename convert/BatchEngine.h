// Converts many surveys in one go, for the batch command line and the
// window's many files alike. Each file gets a conversion context of its own,
// exactly as one press of Convert; the results come back in the order of the
// files, whatever order the work was done in.
#pragma once

#include "convert/ConvertCommand.h"
#include "survey/Diagnostics.h"

#include <atomic>
#include <functional>
#include <vector>

struct CConvertJob {
    CString m_strPath;
    // directionTwiToCsv or directionCsvToTwi; directionNone lets the file's
    // extension decide (.twi or .csv, in any letter case).
    int m_nDirection = directionNone;
};

// How one file ended, beyond the command's own outcomes.
enum JobOutcome {
    jobConverted,     // written
    jobKept,          // the output exists and was kept (no-clobber)
    jobUnknownType,   // the extension names no direction
    jobProtectsInput, // its output would replace a file named as an input
    jobFailed,        // read, write or strict refusal: see the command's outcome
    jobFileError,     // a device error or a full disk midway
    jobCancelled,     // not started before the batch was cancelled
};

struct CJobResult {
    CString m_strSource;
    int m_nDirection = directionNone;
    JobOutcome m_nJobOutcome = jobFailed;
    ConvertOutcome m_nOutcome = outcomeNone; // the command's, when it ran
    int m_nStatus = 0;                       // the converter status of a failure
    CString m_strOutput;
    CString m_strMessage; // the command's message, or what stopped the file
    CDiagnosticList m_diagnostics;

    BOOL Succeeded() const { return m_nJobOutcome == jobConverted || m_nJobOutcome == jobKept; }
};

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
    // Called with each result in the order of the files, one call at a time,
    // once the file's output is in place.
    std::function<void(int nIndex, const CJobResult& result)> m_onResult;
    // Called from the workers as each file is done, one call at a time.
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

    // Checks every output against every input first (no file may replace a
    // file named as an input, earlier or later in the list), then converts.
    // Messages, diagnostics and outcomes do not depend on m_nJobs.
    std::vector<CJobResult> Run(const std::vector<CConvertJob>& jobs);

    // The direction a job is converted in.
    static int DirectionOf(const CConvertJob& job);
    // Fills in the direction and output of every job, and refuses those
    // that cannot be converted; TRUE in bConvert for the others. Run plans
    // so first; a window plans so to ask before replacing.
    static void Plan(const std::vector<CConvertJob>& jobs, std::vector<CJobResult>& results,
                     std::vector<char>& bConvert);

private:
    CJobResult Convert(const CConvertJob& job, int nDirection, COutputBatch& batch,
                       int nOrder) const;
    int Workers(size_t nFiles) const;
    void RemoveLeftTempFilesBeside(const std::vector<CJobResult>& results,
                                   const std::vector<char>& bConvert) const;
    static void Commit(COutputBatch& batch, std::vector<CJobResult>& results);
};
