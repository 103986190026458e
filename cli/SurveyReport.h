// What veltrane-convert says and draws about a survey besides converting it:
// its summary and what the read found (--info), and the picture of its twist
// profile beside the output (--plot). Each file is read once for both, with
// the reader its conversion uses.
#pragma once

#include "cli/PictureWriter.h"
#include "convert/BatchPlan.h"
#include "convert/SurveySummary.h"

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// How the picture of one survey ended.
struct CPictureOutcome {
    std::string strPicture; // the picture written or kept; empty when none
    bool bKept = false;     // an existing picture kept (--no-clobber)
    std::string strError;   // why the picture was not written; empty when it was
};

class CSurveyReport {
public:
    CSurveyReport(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}

    // -q: no line for a picture written. --json: with --info, one JSON
    // object a file in place of the summary; a picture is not printed but
    // kept for the caller's object (LastPicture).
    void SetQuiet(bool bQuiet) { m_bQuiet = bQuiet; }
    void SetJson(bool bJson) { m_bJson = bJson; }

    // Pictures from now on, with this extension ("svg", "png" or "pdf"). A
    // picture never replaces a file of inputs, nor with bKeepExisting any
    // earlier file. False, with strError saying why, when this program
    // cannot draw.
    bool StartPictures(const std::string& strExtension, const std::vector<std::string>& inputs,
                       bool bKeepExisting, std::string& strError);
    bool DrawsPictures() const { return m_pWriter != nullptr; }
    // The size of the pictures (and a PDF's paper); the type's default at first.
    void SetPictureFormat(const PictureFormat& format) { m_format = format; }
    // The twist limit in degrees (--limit) the summaries name the intervals
    // over, and the pictures mark; none by default.
    void SetLimit(std::optional<double> limit) { m_limit = limit; }

    // Reads the job's file in its direction (directionNone: by its
    // extension). With
    // bInfo its summary goes to the output and what the read found to the
    // error stream, or why it could not be read; without, an unreadable file
    // is left to the conversion to report. Then the picture, if pictures
    // were started and the survey was read. True when all of it succeeded.
    bool Report(const CConvertJob& job, bool bInfo);
    // The picture of the last Report.
    const CPictureOutcome& LastPicture() const { return m_picture; }
    // The picture's line: "SRC -> PICTURE" on the output (" (kept)" after a
    // picture kept), left out with -q; or why it was not written, on the
    // error stream. Nothing for a file without a picture.
    void PrintPicture(const std::string& strSource, const CPictureOutcome& picture) const;
    // The picture as fields of a file's JSON object: ",\"picture\":...".
    static std::string PictureJson(const CPictureOutcome& picture);

    // --compare: reads the jobs' files, compares them (CSurveyComparison),
    // prints each later survey's largest difference from the oldest and
    // draws them over each other into strPicture, with the writer that
    // StartPictures started. A refusal goes to the error stream. True when
    // compared and drawn (or, with bKeepExisting, kept).
    bool Compare(const std::vector<CConvertJob>& jobs, const std::string& strPicture);

    // Each diagnostic as SOURCE:LINE: error: TEXT (or warning), the
    // compiler's convention, so that editors can jump to the line.
    static void PrintDiagnostics(std::ostream& stream, const std::string& strSource,
                                 const CDiagnosticList& diagnostics);

    // The first nCount lines of a survey file as its reader counts them,
    // fit for a terminal; fewer when the file is shorter.
    static std::vector<std::string> SourceLines(const std::string& strPath, int nCount);

    // What is said of a file whose type its extension does not give, after
    // "FILE: error: ".
    static std::string UnknownTypeText();
    // Why a survey could not be read, after "FILE: error: ": what its status
    // means, with the status ("(code -5)"), or why the system broke off.
    static std::string ReadFailureText(const CSurveySummary& summary);
    // Each diagnostic as a JSON object (line, severity, text), in a list.
    static std::string DiagnosticsJson(const CDiagnosticList& diagnostics);

private:
    // --info: the summary, or why there is none, and what the read found.
    void PrintSummary(const std::string& strPath, const CSurveySummary& summary);
    // --info --json: the same as one JSON object.
    void PrintSummaryJson(const std::string& strPath, const CSurveySummary& summary) const;
    bool WritePicture(const CPlotDataObj& data, const CConvertJob& job, int nDirection,
                      const TwistMarks& marks);
    // True when strPicture names one of the inputs of this call.
    bool IsInput(const std::string& strPicture) const;

    std::ostream& m_out;
    std::ostream& m_err;
    std::unique_ptr<CPictureWriter> m_pWriter;
    std::string m_strExtension;
    std::vector<std::string> m_inputs;
    bool m_bKeepExisting = false;
    std::optional<double> m_limit;
    PictureFormat m_format;
    bool m_bQuiet = false;
    bool m_bJson = false;
    CPictureOutcome m_picture;
    int m_nSummaries = 0; // printed so far, a blank line apart
};
