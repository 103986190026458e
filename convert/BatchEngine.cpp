#include "convert/BatchEngine.h"

#include "platform/CFile.h"
#include "platform/FileSystem.h"

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

// The input an output would replace: the same name, or the same file under
// another one. -1 when none.
int ProtectedInput(const CString& strOutput, const std::vector<CConvertJob>& jobs) {
    for (size_t i = 0; i < jobs.size(); ++i) {
        if (strOutput == jobs[i].m_strPath || IsSameFile(strOutput, jobs[i].m_strPath)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace

int CBatchEngine::DirectionOf(const CConvertJob& job) {
    if (job.m_nDirection != directionNone) {
        return job.m_nDirection;
    }
    return CConvertCommand::GuessDirection(CConvertCommand::ExtensionOf(job.m_strPath));
}

std::vector<CJobResult> CBatchEngine::Run(const std::vector<CConvertJob>& jobs) {
    std::vector<CJobResult> results(jobs.size());
    std::vector<bool> bToConvert(jobs.size(), false);
    // Every output is checked against every input before anything is written.
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
        const int nInput = ProtectedInput(result.m_strOutput, jobs);
        if (nInput >= 0 && static_cast<size_t>(nInput) != i) {
            result.m_nJobOutcome = jobProtectsInput;
            result.m_strMessage = "Not converted: its output " + result.m_strOutput +
                                  " would replace " + jobs[static_cast<size_t>(nInput)].m_strPath +
                                  ", a file named in the same call.";
            continue;
        }
        bToConvert[i] = true;
    }
    for (size_t i = 0; i < jobs.size(); ++i) {
        if (bToConvert[i]) {
            if (m_pCancel && m_pCancel->load()) {
                results[i].m_nJobOutcome = jobCancelled;
                results[i].m_strMessage = "Not converted: cancelled.";
            } else {
                results[i] = Convert(jobs[i], results[i].m_nDirection);
            }
        }
        if (m_onResult) {
            m_onResult(static_cast<int>(i), results[i]);
        }
    }
    return results;
}

CJobResult CBatchEngine::Convert(const CConvertJob& job, int nDirection) const {
    CJobResult result;
    result.m_strSource = job.m_strPath;
    result.m_nDirection = nDirection;
    // A fresh context per file: nothing of one survey carries into the next.
    CJobHost host(nDirection, m_bNoClobber);
    auto command = std::make_unique<CConvertCommand>(host);
    command->SelectPath(job.m_strPath);
    command->m_bStrict = m_bStrict;
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
