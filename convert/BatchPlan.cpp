#include "convert/BatchPlan.h"

#include "convert/SurveySummary.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

// The inputs of a call by name, and by the file they lead to once an output
// turns out to exist (only then can it be one of them under another name):
// one look at each output and at most one at each input, however often the
// plan asks.
class CInputIndex {
public:
    explicit CInputIndex(const std::vector<CConvertJob>& jobs) : m_jobs(jobs) {
        for (size_t i = 0; i < jobs.size(); ++i) {
            m_byName.emplace(jobs[i].m_strPath.str(), i);
        }
    }

    // The input that strOutput of input nJob would replace; nJob for none.
    size_t Replaced(const CString& strOutput, size_t nJob) {
        auto name = m_byName.find(strOutput.str());
        if (name != m_byName.end() && name->second != nJob) {
            return name->second;
        }
        const std::optional<FileIdentity>& identity = OutputIdentity(strOutput);
        if (!identity) {
            return nJob;
        }
        if (!m_bFilesKnown) {
            for (size_t j = 0; j < m_jobs.size(); ++j) {
                FileIdentity input;
                if (m_jobs[j].m_identity) {
                    m_byFile.emplace(*m_jobs[j].m_identity, j);
                } else if (GetFileIdentity(m_jobs[j].m_strPath, input)) {
                    m_byFile.emplace(input, j);
                }
            }
            m_bFilesKnown = true;
        }
        auto file = m_byFile.find(*identity);
        return file != m_byFile.end() ? file->second : nJob;
    }

private:
    const std::optional<FileIdentity>& OutputIdentity(const CString& strOutput) {
        auto known = m_outputs.find(strOutput.str());
        if (known != m_outputs.end()) {
            return known->second;
        }
        FileIdentity identity;
        std::optional<FileIdentity> found;
        if (GetFileIdentity(strOutput, identity)) {
            found = identity;
        }
        return m_outputs.emplace(strOutput.str(), found).first->second;
    }

    const std::vector<CConvertJob>& m_jobs;
    std::map<std::string, size_t> m_byName;
    std::map<FileIdentity, size_t> m_byFile;
    bool m_bFilesKnown = false;
    std::unordered_map<std::string, std::optional<FileIdentity>> m_outputs;
};

namespace {

// The files a call writes, each under a key that two spellings of one name
// share: the folder by its identity ("./" and "" are one folder, so are a
// folder and a link to it), the name without regard to letter case (Windows
// and removable disks ignore it, and one of two files whose names differ in
// case only would be lost there).
class COutputIndex {
public:
    // The file of the call that writes strPath already, if any.
    bool Find(const CString& strPath, size_t& nEarlier) {
        auto found = m_written.find(Key(strPath));
        if (found == m_written.end()) {
            return false;
        }
        nEarlier = found->second;
        return true;
    }
    // strPath is written by file nFile of the call.
    void Add(const CString& strPath, size_t nFile) { m_written.emplace(Key(strPath), nFile); }

private:
    std::string Key(const CString& strPath) {
        const CString strFolder = FolderOf(strPath);
        std::string key = FolderKey(strFolder);
        key.reserve(key.size() + static_cast<size_t>(strPath.GetLength()));
        for (const char* p = static_cast<LPCSTR>(strPath) + strFolder.GetLength(); *p; ++p) {
            key += (*p >= 'A' && *p <= 'Z') ? static_cast<char>(*p - 'A' + 'a') : *p;
        }
        return key;
    }
    const std::string& FolderKey(const CString& strFolder) {
        auto known = m_folders.find(strFolder.str());
        if (known != m_folders.end()) {
            return known->second;
        }
        FileIdentity identity;
        std::string key = "?" + strFolder.str();
        if (GetFileIdentity(strFolder.IsEmpty() ? "." : static_cast<LPCSTR>(strFolder), identity)) {
            key = std::to_string(identity.first) + ":" + std::to_string(identity.second);
        }
        return m_folders.emplace(strFolder.str(), key + "/").first->second;
    }

    std::map<std::string, std::string> m_folders;
    std::map<std::string, size_t> m_written;
};

// A command that is asked nothing: it only reads and compares.
class CQuietHost : public CConvertHost {
public:
    explicit CQuietHost(int nDirection) : m_nDirection(nDirection) {}
    int GetDirection() override { return m_nDirection; }
    void ShowMessage(CString /*strText*/) override {}

private:
    int m_nDirection;
};

// TRUE when strCandidate holds exactly what converting the job writes.
bool ConvertsInto(const CConvertJob& job, int nDirection, const CString& strCandidate,
                  const CTwiHeaderItems& items) {
    CQuietHost host(nDirection);
    auto command = std::make_unique<CConvertCommand>(host);
    command->SelectPath(job.m_strPath);
    command->SetTwiHeaderItems(items);
    try {
        return command->ConvertsInto(nDirection, strCandidate) != FALSE;
    } catch (const CFileException&) {
        return false; // unreadable now: its conversion will say so
    }
}

} // namespace

BOOL CJobResult::RefusedInPlan() const {
    return m_nJobOutcome == jobUnknownType || m_nJobOutcome == jobProtectsInput ||
           m_nJobOutcome == jobSameOutput || m_nJobOutcome == jobOutputOfInput;
}

CString CJobResult::StatusExplanation() const {
    if (m_nJobOutcome != jobFailed && m_nJobOutcome != jobFileError) {
        return CString();
    }
    if (m_nOutcome == outcomeReadFailed) {
        return ReadStatusText(m_nDirection == directionTwiToCsv ? formatTwi : formatCsv, m_nStatus);
    }
    if (m_nOutcome == outcomeWriteFailed) {
        return WriteStatusText(m_nStatus);
    }
    return CString();
}

int CBatchPlan::DirectionOf(const CConvertJob& job) {
    if (job.m_nDirection != directionNone) {
        return job.m_nDirection;
    }
    return CConvertCommand::GuessDirection(CConvertCommand::ExtensionOf(job.m_strPath));
}

CString CBatchPlan::PicturePath(const CString& strSource, int nDirection, LPCSTR pszType,
                                const CString& strFolder) {
    return CSurveySummary::WithExtension(
        CConvertCommand::OutputPathFor(strSource, nDirection, strFolder), pszType);
}

std::vector<size_t> CBatchPlan::OutputsOfInputs(const std::vector<CConvertJob>& jobs,
                                                const std::vector<CJobResult>& results,
                                                CInputIndex& inputs) const {
    std::vector<size_t> outputOf(jobs.size(), std::string::npos);
    if (!m_bWritesSurveys) {
        return outputOf;
    }
    for (size_t i = 0; i < jobs.size(); ++i) {
        const int nDirection = results[i].m_nDirection;
        if (nDirection == directionNone || outputOf[i] != std::string::npos) {
            continue;
        }
        // Where its output goes, and with an output folder also where an
        // earlier run without one put it: beside the source.
        const CString strPaths[] = {
            results[i].m_strOutput,
            jobs[i].m_strOutputFolder.IsEmpty()
                ? CString()
                : CConvertCommand::OutputPathFor(jobs[i].m_strPath, nDirection)};
        for (const CString& strOutput : strPaths) {
            const size_t j = strOutput.IsEmpty() ? i : inputs.Replaced(strOutput, i);
            if (j != i && outputOf[j] == std::string::npos &&
                jobs[j].m_strPath != jobs[i].m_strPath &&
                ConvertsInto(jobs[i], nDirection, jobs[j].m_strPath, m_twiItems)) {
                outputOf[j] = i;
                break;
            }
        }
    }
    return outputOf;
}

namespace {

// The later of two files that would write one output or picture: refused,
// naming the earlier one. bWritesSurveys is FALSE for a call that only reads
// its files (pictures alone count then).
bool RefusedAsSameOutput(const std::vector<CConvertJob>& jobs, COutputIndex& written,
                         BOOL bWritesSurveys, const CString& strPicture, CJobResult& result) {
    size_t nEarlier = 0;
    if (bWritesSurveys && written.Find(result.m_strOutput, nEarlier)) {
        result.m_nJobOutcome = jobSameOutput;
        result.m_strMessage = "Not converted: its output " + result.m_strOutput +
                              " is also the output of " + jobs[nEarlier].m_strPath +
                              ", named earlier in the same call.";
        return true;
    }
    if (!strPicture.IsEmpty() && written.Find(strPicture, nEarlier)) {
        result.m_nJobOutcome = jobSameOutput;
        // A call that only reads its files skips the file, picture and all.
        result.m_strMessage = CString(bWritesSurveys ? "Not converted" : "Skipped") +
                              ": its picture " + strPicture + " is also the picture of " +
                              jobs[nEarlier].m_strPath + ", named earlier in the same call.";
        return true;
    }
    return false;
}

} // namespace

void CBatchPlan::Make(const std::vector<CConvertJob>& jobs, std::vector<CJobResult>& results,
                      std::vector<char>& bConvert) const {
    // Each file's direction and output, worked out once for both passes.
    for (size_t i = 0; i < jobs.size(); ++i) {
        CJobResult& result = results[i];
        result.m_strSource = jobs[i].m_strPath;
        result.m_nDirection = DirectionOf(jobs[i]);
        if (result.m_nDirection != directionNone) {
            result.m_strOutput = CConvertCommand::OutputPathFor(
                jobs[i].m_strPath, result.m_nDirection, jobs[i].m_strOutputFolder);
        }
    }
    CInputIndex inputs(jobs);
    COutputIndex written;
    const std::vector<size_t> outputOf = OutputsOfInputs(jobs, results, inputs);
    for (size_t i = 0; i < jobs.size(); ++i) {
        CJobResult& result = results[i];
        if (outputOf[i] != std::string::npos) {
            // An output of another input: reported as that, with no
            // direction or output of its own.
            result.m_nDirection = directionNone;
            result.m_strOutput.Empty();
            result.m_nJobOutcome = jobOutputOfInput;
            result.m_strMadeFrom = jobs[outputOf[i]].m_strPath;
            result.m_strMessage = "Not converted: it is the output of " +
                                  jobs[outputOf[i]].m_strPath + ", up to date.";
            continue;
        }
        if (result.m_nDirection == directionNone) {
            result.m_nJobOutcome = jobUnknownType;
            result.m_strMessage = CConvertCommand::UnknownTypeText(nullptr);
            continue;
        }
        // An output that is its own source is the command's to refuse.
        const size_t nInput = m_bWritesSurveys ? inputs.Replaced(result.m_strOutput, i) : i;
        if (nInput != i && jobs[nInput].m_strPath != jobs[i].m_strPath && outputOf[nInput] != i) {
            result.m_nJobOutcome = jobProtectsInput;
            result.m_strMessage = "Not converted: its output " + result.m_strOutput +
                                  " would replace " + jobs[nInput].m_strPath +
                                  ", a file named in the same call. To replace it, convert " +
                                  jobs[i].m_strPath + " alone; to keep both, " +
                                  m_strOtherFolderHint + ".";
            continue;
        }
        // The later of two files that would write one file is refused, so
        // that nothing an earlier file wrote is lost.
        const CString strPicture = m_strPictureType.IsEmpty()
                                       ? CString()
                                       : PicturePath(jobs[i].m_strPath, result.m_nDirection,
                                                     m_strPictureType, jobs[i].m_strOutputFolder);
        if (RefusedAsSameOutput(jobs, written, m_bWritesSurveys, strPicture, result)) {
            continue;
        }
        if (m_bWritesSurveys) {
            written.Add(result.m_strOutput, i);
        }
        if (!strPicture.IsEmpty()) {
            written.Add(strPicture, i);
        }
        bConvert[i] = 1;
    }
}

namespace {

CString Joined(const CString& strFolder, const CString& strName) {
    if (strFolder.IsEmpty()) {
        return strName;
    }
    const char chLast = strFolder[strFolder.GetLength() - 1];
    return strFolder + (chLast == '/' || chLast == '\\' ? "" : "/") + strName;
}

void SortNames(std::vector<CString>& names) {
    std::sort(names.begin(), names.end(), [](const CString& a, const CString& b) {
        const int nOrder = CompareNoCase(a, b);
        return nOrder != 0 ? nOrder < 0 : std::strcmp(a, b) < 0;
    });
}

// What a call searches a folder for, and where the outputs of what it finds go.
struct CFolderSearch {
    int nDirection;
    bool bRecursive;
    bool bSkipKnown; // skipOutput is the output folder, never searched
    FileIdentity skipOutput;
    std::vector<CConvertJob>& jobs;

    // FALSE when the folder cannot be read.
    bool Add(const CString& strFolder, const CString& strOutput) {
        std::vector<CString> names;
        std::vector<CString> folders;
        if (!ListFolderFiles(strFolder, names, bRecursive ? &folders : nullptr)) {
            return false;
        }
        SortNames(names);
        for (const CString& strName : names) {
            if (CSurveySummary::DirectionOf(strName) != directionNone) {
                jobs.emplace_back(Joined(strFolder, strName), nDirection, strOutput);
            }
        }
        SortNames(folders);
        for (const CString& strName : folders) {
            const CString strSub = Joined(strFolder, strName);
            FileIdentity identity;
            if (bSkipKnown && GetFileIdentity(strSub, identity) && identity == skipOutput) {
                continue;
            }
            Add(strSub, strOutput.IsEmpty() ? strOutput : Joined(strOutput, strName));
        }
        return true;
    }
};

// Creates a folder and those above it that are missing.
BOOL MakeFolders(const CString& strFolder) {
    if (strFolder.IsEmpty() || IsDirectory(strFolder)) {
        return TRUE;
    }
    CString strAbove = FolderOf(strFolder);
    while (!strAbove.IsEmpty() && (strAbove[strAbove.GetLength() - 1] == '/' ||
                                   strAbove[strAbove.GetLength() - 1] == '\\')) {
        strAbove = strAbove.Left(strAbove.GetLength() - 1);
    }
    return (strAbove.IsEmpty() || strAbove == strFolder || MakeFolders(strAbove)) &&
           MakeFolder(strFolder);
}

} // namespace

std::vector<CConvertJob> CBatchPlan::JobsOf(const std::vector<CString>& paths, int nDirection,
                                            const CString& strOutputFolder, BOOL bRecursive) {
    std::vector<CConvertJob> jobs;
    CFolderSearch search{nDirection, bRecursive != FALSE, false, FileIdentity{}, jobs};
    search.bSkipKnown =
        !strOutputFolder.IsEmpty() && GetFileIdentity(strOutputFolder, search.skipOutput);
    for (const CString& strPath : paths) {
        const EntryFacts facts = LookAt(strPath);
        if (facts.nKind != entryFolder || !search.Add(strPath, strOutputFolder)) {
            jobs.emplace_back(strPath, nDirection, strOutputFolder);
            if (facts.nKind == entryFile) {
                jobs.back().m_identity = facts.identity;
            }
        }
    }
    return jobs;
}

std::vector<CString> CBatchPlan::SurveyFilesOf(const std::vector<CString>& paths) {
    std::vector<CString> files;
    for (const CConvertJob& job : JobsOf(paths, directionNone, CString(), FALSE)) {
        files.push_back(job.m_strPath);
    }
    return files;
}

BOOL CBatchPlan::MakeOutputFolders(const std::vector<CConvertJob>& jobs, CString& strProblem) {
    CString strLast;
    for (const CConvertJob& job : jobs) {
        if (job.m_strOutputFolder == strLast) {
            continue; // the jobs of one folder come together
        }
        strLast = job.m_strOutputFolder;
        if (!MakeFolders(strLast)) {
            strProblem =
                "the output folder " + strLast + " cannot be created: " + SystemErrorText(errno);
            return FALSE;
        }
    }
    return TRUE;
}

int CBatchPlan::ExistingOutputs(const std::vector<CConvertJob>& jobs) {
    std::vector<CJobResult> results(jobs.size());
    std::vector<char> bConvert(jobs.size(), 0);
    CBatchPlan().Make(jobs, results, bConvert);
    int nExisting = 0;
    for (size_t i = 0; i < jobs.size(); ++i) {
        // An output that holds its conversion already is left alone: no
        // question about it.
        if (bConvert[i] && CConvertCommand::OutputTaken(results[i].m_strOutput) &&
            !IsSameFile(jobs[i].m_strPath, results[i].m_strOutput) &&
            !ConvertsInto(jobs[i], results[i].m_nDirection, results[i].m_strOutput,
                          CTwiHeaderItems())) {
            ++nExisting;
        }
    }
    return nExisting;
}
