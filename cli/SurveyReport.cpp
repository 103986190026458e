#include "cli/SurveyReport.h"

#include "cli/LogText.h"
#include "convert/BatchPlan.h"
#include "convert/PictureFile.h"
#include "convert/SurveyComparison.h"
#include "convert/SurveySummary.h"
#include "formats/SurveyStatus.h"
#include "plot/FigureMarks.h"
#include "survey/TwistProfile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <ostream>

namespace {

std::string FileName(const std::string& strPath) {
    const size_t nSlash = strPath.find_last_of('/');
    return nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1);
}

} // namespace

bool CSurveyReport::StartPictures(const std::string& strExtension,
                                  const std::vector<std::string>& inputs, bool bKeepExisting,
                                  std::string& strError) {
    m_pWriter = CPictureWriter::Create(strExtension, strError);
    m_bKeepExisting = bKeepExisting;
    m_strExtension = strExtension;
    m_inputs = inputs;
    return m_pWriter != nullptr;
}

bool CSurveyReport::Report(const CConvertJob& job, bool bInfo) {
    m_picture = CPictureOutcome();
    const std::string strPath = job.m_strPath.str();
    int nDirection = job.m_nDirection;
    if (nDirection == directionNone) {
        nDirection = CSurveySummary::DirectionOf(strPath.c_str());
    }
    if (nDirection == directionNone) {
        if (bInfo && m_bJson) {
            m_out << "{\"source\":" << JsonString(strPath)
                  << ",\"outcome\":\"unknown type\",\"code\":null,\"error\":"
                  << JsonString(UnknownTypeText()) << ",\"diagnostics\":[]}\n";
        } else if (bInfo) {
            m_err << strPath << ": error: " << UnknownTypeText() << "\n";
        }
        return !bInfo;
    }
    CSurveySummary summary;
    summary.m_limit = m_limit;
    summary.Read(strPath.c_str(), nDirection);
    const bool bPictureDone =
        !summary.IsRead() || m_pWriter == nullptr ||
        WritePicture(
            summary.m_data, job, nDirection,
            MarksOfFigures(SurveyFigures::Of(CTwistProfile::FromSurvey(summary.m_data), m_limit)));
    if (bInfo && m_bJson) {
        PrintSummaryJson(strPath, summary);
    } else if (bInfo) {
        PrintSummary(strPath, summary);
        PrintPicture(strPath, m_picture);
    }
    if (!summary.IsRead()) {
        return !bInfo;
    }
    return bPictureDone;
}

void CSurveyReport::PrintSummary(const std::string& strPath, const CSurveySummary& summary) {
    // A file refused after its header still shows what it read of it.
    if (summary.IsRead() || summary.Items().size() > 1) {
        if (m_nSummaries++ > 0) {
            m_out << "\n";
        }
        m_out << strPath << "\n";
        for (const std::string& strLine : summary.Lines()) {
            m_out << "  " << strLine << "\n";
        }
    }
    // Flushed in turn, so that a terminal shows each file's lines together.
    m_out.flush();
    if (!summary.IsRead()) {
        m_err << strPath << ": error: " << ReadFailureText(summary) << "\n";
    }
    PrintDiagnostics(m_err, strPath, summary.m_data.m_diagnostics);
}

void CSurveyReport::PrintSummaryJson(const std::string& strPath,
                                     const CSurveySummary& summary) const {
    std::string line =
        "{\"source\":" + JsonString(strPath) +
        ",\"outcome\":" + JsonString(summary.IsRead() ? "read" : "not read") +
        ",\"code\":" + (summary.IsRead() ? std::string("null") : std::to_string(summary.m_nStatus));
    if (!summary.IsRead()) {
        line += ",\"error\":" + JsonString(ReadFailureText(summary));
    }
    line += ",\"summary\":{";
    bool bFirst = true;
    for (const SummaryItem& item : summary.Items()) {
        line += (bFirst ? "" : ",") + JsonString(item.strLabel) + ":" + JsonString(item.strValue);
        bFirst = false;
    }
    line += "}";
    if (summary.IsRead()) {
        line += ",\"figures\":" +
                FiguresJson(SurveyFigures::Of(CTwistProfile::FromSurvey(summary.m_data), m_limit));
    }
    line += PictureJson(m_picture);
    m_out << line << ",\"diagnostics\":" << DiagnosticsJson(summary.m_data.m_diagnostics) << "}\n";
}

bool CSurveyReport::WritePicture(const CPlotDataObj& data, const CConvertJob& job, int nDirection,
                                 const TwistMarks& marks) {
    // Beside the output, named after it: B12.twi gives SDP_B12.csv and SDP_B12.svg.
    const std::string strPath = job.m_strPath.str();
    const std::string strPicture =
        CBatchPlan::PicturePath(job.m_strPath, nDirection, m_strExtension.c_str(),
                                job.m_strOutputFolder)
            .str();
    m_picture.strPicture = strPicture;
    if (IsInput(strPicture)) {
        m_picture.strError = "it would replace a survey file of this call";
        return false;
    }
    // The survey outputs' rule: a name taken by a file or a link is kept
    // with -n, and otherwise replaced, the link itself rather than its target.
    if (m_bKeepExisting && CConvertCommand::OutputTaken(strPicture.c_str())) {
        m_picture.bKept = true;
        return true;
    }
    const auto draw = [&](const CString& strFile, std::string& strWhy) {
        return m_pWriter->Write(data, FileName(strPath), PictureRequest{m_format, marks},
                                strFile.str(), strWhy);
    };
    return CPictureFile::Save(strPicture.c_str(), draw, m_picture.strError);
}

void CSurveyReport::PrintPicture(const std::string& strSource,
                                 const CPictureOutcome& picture) const {
    if (picture.strPicture.empty()) {
        return;
    }
    if (!picture.strError.empty()) {
        m_err << strSource << ": error: the picture " << picture.strPicture
              << " was not written: " << picture.strError << "\n";
    } else if (!m_bQuiet) {
        m_out << strSource << " -> " << picture.strPicture << (picture.bKept ? " (kept)" : "")
              << "\n";
    }
}

std::string CSurveyReport::PictureJson(const CPictureOutcome& picture) {
    if (picture.strPicture.empty()) {
        return std::string();
    }
    std::string json = ",\"picture\":" + JsonString(picture.strPicture) + ",\"picture_outcome\":" +
                       JsonString(!picture.strError.empty() ? "failed"
                                  : picture.bKept           ? "kept"
                                                            : "written");
    if (!picture.strError.empty()) {
        json += ",\"picture_error\":" + JsonString(picture.strError);
    }
    return json;
}

bool CSurveyReport::Compare(const std::vector<CConvertJob>& jobs, const std::string& strPicture) {
    std::vector<CString> paths;
    std::vector<int> directions;
    for (const CConvertJob& job : jobs) {
        paths.push_back(job.m_strPath);
        directions.push_back(job.m_nDirection);
    }
    const CSurveyComparison comparison = CSurveyComparison::OfFiles(paths, directions);
    if (!comparison.IsReady()) {
        m_err << comparison.Problem() << "\n";
        return false;
    }
    for (const std::string& strLine : comparison.DifferenceLines()) {
        m_out << strLine << "\n";
    }
    if (comparison.DepthsDiffer()) {
        m_out << comparison.CommonRangeNote() << "\n";
    }
    m_out.flush();
    if (IsInput(strPicture)) {
        m_err << "the picture " << strPicture
              << " was not written: it would replace a survey file of this call.\n";
        return false;
    }
    if (m_bKeepExisting && CConvertCommand::OutputTaken(strPicture.c_str())) {
        m_out << "Kept the existing " << strPicture << " (--no-clobber)\n";
        return true;
    }
    std::string strError;
    const auto draw = [&](const CString& strFile, std::string& strWhy) {
        return m_pWriter->WriteComparison(comparison, PictureRequest{m_format, TwistMarks()},
                                          strFile.str(), strWhy);
    };
    if (!CPictureFile::Save(strPicture.c_str(), draw, strError)) {
        m_err << "the picture " << strPicture << " was not written: " << strError << "\n";
        return false;
    }
    m_out << "Comparison picture saved as " << strPicture << "\n";
    return true;
}

bool CSurveyReport::IsInput(const std::string& strPicture) const {
    // The same file under any name: a link, "./", another spelling of the folder.
    std::error_code error;
    if (!std::filesystem::exists(strPicture, error)) {
        return false;
    }
    for (const std::string& strInput : m_inputs) {
        if (strInput == strPicture || std::filesystem::equivalent(strInput, strPicture, error)) {
            return true;
        }
    }
    return false;
}

std::string CSurveyReport::UnknownTypeText() {
    return "its type is not known from its extension: name the target format with --to csv or "
           "--to twi";
}

std::string CSurveyReport::ReadFailureText(const CSurveySummary& summary) {
    if (!summary.m_strFileError.IsEmpty()) {
        return Sentence(summary.m_strFileError.str());
    }
    std::string strMeaning = Sentence(ReadStatusText(summary.m_nFormat, summary.m_nStatus).str());
    if (strMeaning.empty()) {
        strMeaning = "it cannot be read";
    }
    return strMeaning + " (code " + std::to_string(summary.m_nStatus) + ")";
}

std::string CSurveyReport::DiagnosticsJson(const CDiagnosticList& diagnostics) {
    std::string json = "[";
    for (int i = 0; i < diagnostics.GetSize(); ++i) {
        const CDiagnostic& diagnostic = diagnostics.GetAt(i);
        json += std::string(i > 0 ? "," : "") + "{\"line\":" +
                (diagnostic.m_nLine > 0 ? std::to_string(diagnostic.m_nLine) : "null") +
                ",\"severity\":" + JsonString(diagnostic.SeverityName()) +
                ",\"text\":" + JsonString(diagnostic.m_strText.str()) + "}";
    }
    return json + "]";
}

void CSurveyReport::PrintDiagnostics(std::ostream& stream, const std::string& strSource,
                                     const CDiagnosticList& diagnostics) {
    int nLastLine = 0;
    for (int i = 0; i < diagnostics.GetSize(); ++i) {
        nLastLine = std::max(nLastLine, diagnostics.GetAt(i).m_nLine);
    }
    const std::vector<std::string> lines = SourceLines(strSource, nLastLine);
    for (int i = 0; i < diagnostics.GetSize(); ++i) {
        const CDiagnostic& diagnostic = diagnostics.GetAt(i);
        stream << strSource;
        if (diagnostic.m_nLine > 0) {
            stream << ":" << diagnostic.m_nLine;
        }
        stream << ": " << diagnostic.SeverityName() << ": " << diagnostic.m_strText.str() << "\n";
        // The line at fault under it, as compilers quote source lines.
        if (diagnostic.m_nLine > 0 && static_cast<size_t>(diagnostic.m_nLine) <= lines.size()) {
            const std::string strNumber = std::to_string(diagnostic.m_nLine);
            stream << std::string(strNumber.size() < 5 ? 5 - strNumber.size() : 0, ' ') << strNumber
                   << " | " << lines[static_cast<size_t>(diagnostic.m_nLine) - 1] << "\n";
        }
    }
}

std::vector<std::string> CSurveyReport::SourceLines(const std::string& strPath, int nCount) {
    // Counted as the readers count them: a line ends at CR (an LF after it
    // belongs to it), a lone LF ends nothing; TAB shows as a blank and other
    // bytes outside printable ASCII as "?", so a quote never disturbs the
    // terminal. A long line is cut.
    static constexpr size_t kShown = 120;
    std::vector<std::string> lines;
    if (nCount <= 0) {
        return lines;
    }
    std::ifstream file(strPath, std::ios::binary);
    std::string line;
    bool bAfterCr = false;
    for (char ch; lines.size() < static_cast<size_t>(nCount) && file.get(ch);) {
        if (ch == '\n' && bAfterCr) {
            bAfterCr = false;
            continue;
        }
        bAfterCr = ch == '\r';
        if (bAfterCr) {
            lines.push_back(line.size() > kShown ? line.substr(0, kShown) + "..." : line);
            line.clear();
        } else if (line.size() <= kShown) {
            const unsigned char byte = static_cast<unsigned char>(ch);
            line += ch == '\t' ? ' ' : (byte < 32 || byte > 126 ? '?' : ch);
        }
    }
    if (lines.size() < static_cast<size_t>(nCount) && !line.empty()) {
        lines.push_back(line); // the last line, without its end
    }
    return lines;
}
