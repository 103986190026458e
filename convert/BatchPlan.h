// What a call over many files will do, settled before any work: the files a
// call names, each file's direction and output, and the files refused because
// converting them would destroy a file of the call or the work of another
// file of it. The batch command line and the window's many files share these
// rules, so that both convert the same files the same way.
#pragma once

#include "convert/ConvertCommand.h"
#include "convert/SurveySummary.h"
#include "survey/Diagnostics.h"

#include <optional>
#include <vector>

class CInputIndex;

struct CConvertJob {
    CConvertJob() = default;
    CConvertJob(const CString& strPath, int nDirection, const CString& strOutputFolder = CString())
        : m_strPath(strPath), m_nDirection(nDirection), m_strOutputFolder(strOutputFolder) {}

    CString m_strPath;
    // directionTwiToCsv or directionCsvToTwi; directionNone lets the file's
    // extension decide (.twi or .csv, in any letter case).
    int m_nDirection = directionNone;
    // The folder its output (and picture) goes into; empty for beside it.
    CString m_strOutputFolder;
    // The file the path led to when the call's names were looked at, so
    // that the plan need not look again; unset when nobody looked.
    std::optional<FileIdentity> m_identity;
};

// How one file ended, beyond the command's own outcomes.
enum JobOutcome {
    jobConverted,     // written
    jobKept,          // the output exists and was kept (no-clobber)
    jobUpToDate,      // the output holds this conversion already: left alone
    jobOutputOfInput, // it is what another input of the call converts into
    jobUnknownType,   // the extension names no direction
    jobProtectsInput, // its output would replace a file named as an input
    jobSameOutput,    // its output or picture is also that of an earlier file
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
    CString m_strMadeFrom; // jobOutputOfInput: the input it is the output of
    CString m_strMessage;  // the command's message, or what stopped the file
    CDiagnosticList m_diagnostics;
    // The figures of the survey read, when the batch was asked for them and
    // the file was read.
    std::optional<SurveyFigures> m_figures;

    BOOL Succeeded() const {
        return m_nJobOutcome == jobConverted || m_nJobOutcome == jobKept ||
               m_nJobOutcome == jobUpToDate || m_nJobOutcome == jobOutputOfInput;
    }
    // Refused by the plan: nothing of this file is read, written or drawn.
    BOOL RefusedInPlan() const;
    // What the converter status of a failed read or write means for that
    // reader or writer, in plain words; empty for any other ending.
    CString StatusExplanation() const;
};

class CBatchPlan {
public:
    // The call writes the converted surveys; FALSE for one that only reads
    // them (and draws their pictures).
    BOOL m_bWritesSurveys = TRUE;
    // Pictures drawn beside the outputs, of this type ("svg", "png", "pdf");
    // empty for none.
    CString m_strPictureType;
    // How a caller writes the outputs elsewhere, for the refusal of a file
    // whose output would replace a differing input ("use -o DIR").
    CString m_strOtherFolderHint = "move one of them to another folder";
    // The header items the conversions give TWI sources (see CConvertCommand).
    CTwiHeaderItems m_twiItems;

    // Fills in the direction and output of every job, and refuses those that
    // cannot be converted: no type, an output that would replace a file named
    // as an input (earlier or later in the list), or an output or picture that
    // an earlier file of the list writes already (names compared without
    // regard to letter case). An input that holds exactly what another input
    // converts into is that input's output: it is not converted itself
    // (jobOutputOfInput), and the other converts, finding it up to date.
    // TRUE in bConvert for the files to convert.
    void Make(const std::vector<CConvertJob>& jobs, std::vector<CJobResult>& results,
              std::vector<char>& bConvert) const;

    // The direction a job is converted in.
    static int DirectionOf(const CConvertJob& job);
    // The picture of a survey: beside its output (in strFolder when given),
    // named after it (B12.twi gives SDP_B12.svg).
    static CString PicturePath(const CString& strSource, int nDirection, LPCSTR pszType,
                               const CString& strFolder = CString());
    // The files a call over these names converts: a folder gives its .twi
    // and .csv files (any letter case, not those of its subfolders) sorted by
    // name, a file itself.
    static std::vector<CString> SurveyFilesOf(const std::vector<CString>& paths);
    // The conversions of a call over these names, each in nDirection: as
    // SurveyFilesOf, and with bRecursive a folder's subfolders follow its
    // files, each in turn (links to folders are not followed). With
    // strOutputFolder every output goes there, and one found in a subfolder
    // of a folder named goes into the same subfolder under it; the output
    // folder itself is never searched.
    static std::vector<CConvertJob> JobsOf(const std::vector<CString>& paths, int nDirection,
                                           const CString& strOutputFolder, BOOL bRecursive);
    // Creates the output folders of the jobs that do not exist yet. FALSE,
    // with strProblem naming it, when one cannot be made.
    static BOOL MakeOutputFolders(const std::vector<CConvertJob>& jobs, CString& strProblem);
    // How many of the outputs the plan would write exist already, outputs
    // that are their own source (which the command refuses) or that hold
    // their conversion already (left alone) not counted.
    static int ExistingOutputs(const std::vector<CConvertJob>& jobs);

private:
    // For each input, the input whose output it is byte for byte, found
    // where that input's output goes or, with an output folder, beside it
    // (the output of a run without the folder); npos for none.
    // The results hold each input's direction and output already.
    std::vector<size_t> OutputsOfInputs(const std::vector<CConvertJob>& jobs,
                                        const std::vector<CJobResult>& results,
                                        CInputIndex& inputs) const;
};
