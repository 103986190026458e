#include "cli/BatchConverter.h"

#include "cli/SurveyReport.h"
#include "platform/CFile.h"

#include <memory>
#include <ostream>

namespace {

// The batch driver's answer to the command's two questions: the direction it
// was given for this file; its messages are taken from the command itself.
class CBatchHost : public CConvertHost {
public:
    void SetDirection(int nDirection) { m_nDirection = nDirection; }
    int GetDirection() override { return m_nDirection; }
    void ShowMessage(CString /*strText*/) override {}

private:
    int m_nDirection = directionNone;
};

// A message for a terminal: CR LF becomes a plain newline.
std::string TerminalText(const CString& strText) {
    std::string text = strText.str();
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        result += text[i];
    }
    return result;
}

} // namespace

std::string CBatchConverter::ExplainStatus(ConvertOutcome nOutcome, int nDirection, int nStatus) {
    if (nOutcome == outcomeReadFailed) {
        return ReadStatusText(nDirection == directionTwiToCsv ? formatTwi : formatCsv, nStatus)
            .str();
    }
    if (nOutcome == outcomeWriteFailed) {
        return WriteStatusText(nStatus).str();
    }
    return "";
}

int CBatchConverter::Run(const std::vector<std::string>& args) {
    int nForcedDirection = directionNone;
    std::vector<std::string> files;
    bool bOptionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (bOptionsEnded || arg.size() < 2 || arg[0] != '-') {
            files.push_back(arg);
        } else if (arg == "--") {
            bOptionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            PrintUsage(m_out);
            return exitConverted;
        } else if (arg == "--strict") {
            m_bStrict = true;
        } else if (arg == "--info") {
            m_bInfo = true;
        } else if (arg == "--plot" || arg.rfind("--plot=", 0) == 0) {
            if (arg == "--plot" && i + 1 >= args.size()) {
                return UsageError("option '--plot' needs a picture format: svg, png or pdf");
            }
            m_strPlotFormat = arg == "--plot" ? args[++i] : arg.substr(7);
            if (m_strPlotFormat != "svg" && m_strPlotFormat != "png" && m_strPlotFormat != "pdf") {
                return UsageError("unknown picture format '" + m_strPlotFormat +
                                  "' for '--plot': use svg, png or pdf");
            }
        } else if (arg == "--version") {
            m_out << kVersionText << "\n";
            return exitConverted;
        } else if (arg == "--to" || arg.rfind("--to=", 0) == 0) {
            std::string value;
            if (arg == "--to") {
                if (i + 1 >= args.size()) {
                    return UsageError("option '--to' needs a format: csv or twi");
                }
                value = args[++i];
            } else {
                value = arg.substr(5);
            }
            int nDirection = CConvertCommand::GuessDirection(value.c_str());
            if (nDirection == directionNone) {
                return UsageError("unknown format '" + value + "' for '--to': use csv or twi");
            }
            // --to names the target: to csv reads TWI files, to twi reads CSV files.
            nForcedDirection =
                nDirection == directionCsvToTwi ? directionTwiToCsv : directionCsvToTwi;
        } else {
            return UsageError("unknown option '" + arg + "'");
        }
    }
    if (files.empty()) {
        return UsageError("no survey file given");
    }

    CSurveyReport report(m_out, m_err);
    std::string strProblem;
    if (!m_strPlotFormat.empty() && !report.StartPictures(m_strPlotFormat, files, strProblem)) {
        return UsageError(strProblem);
    }
    int nFailed = 0;
    for (const std::string& file : files) {
        bool bDone = m_bInfo || ConvertFile(file, nForcedDirection);
        if ((m_bInfo || report.DrawsPictures()) &&
            !report.Report(file, nForcedDirection, m_bInfo)) {
            bDone = false;
        }
        if (!bDone) {
            ++nFailed;
        }
    }
    return nFailed == 0 ? exitConverted : exitSomeFailed;
}

bool CBatchConverter::ConvertFile(const std::string& strPath, int nForcedDirection) {
    // A fresh context per file: nothing of one survey carries into the next.
    CBatchHost host;
    auto command = std::make_unique<CConvertCommand>(host);
    command->SelectPath(strPath.c_str());
    int nDirection = nForcedDirection;
    if (nDirection == directionNone) {
        nDirection = CConvertCommand::GuessDirection(command->m_strFileExt);
    }
    if (nDirection == directionNone) {
        m_err << strPath << ": The file format type can not determined.\n"
              << "Name the target format with --to csv or --to twi.\n";
        return false;
    }
    host.SetDirection(nDirection);

    command->m_bStrict = m_bStrict ? TRUE : FALSE;
    try {
        command->OnConvert();
    } catch (const CFileException& error) {
        // A device error or a full disk midway: the output, if any was begun,
        // has been discarded.
        m_err << strPath << ": "
              << TerminalText(CConvertCommand::FileErrorText(error, command->m_strLastOutput))
              << "\n";
        return false;
    }

    const bool bConverted = command->m_nLastOutcome == outcomeConverted;
    if (bConverted) {
        m_out << TerminalText(command->m_strLastMessage) << "\n";
    } else {
        m_err << strPath << ": " << TerminalText(command->m_strLastMessage) << "\n";
        std::string explanation =
            ExplainStatus(command->m_nLastOutcome, nDirection, command->m_nLastStatus);
        if (!explanation.empty()) {
            m_err << explanation << "\n";
        }
    }
    PrintDiagnostics(strPath, command->m_plotData.m_diagnostics);
    return bConverted;
}

void CBatchConverter::PrintDiagnostics(const std::string& strSource,
                                       const CDiagnosticList& diagnostics) {
    // The compiler's convention, so that editors can jump to the line.
    for (int i = 0; i < diagnostics.GetSize(); ++i) {
        const CDiagnostic& diagnostic = diagnostics.GetAt(i);
        m_err << strSource;
        if (diagnostic.m_nLine > 0) {
            m_err << ":" << diagnostic.m_nLine;
        }
        m_err << ": " << diagnostic.SeverityName() << ": " << diagnostic.m_strText.str() << "\n";
    }
}

void CBatchConverter::PrintUsage(std::ostream& stream) const {
    stream << "Usage: " << kProgramName << " [--to csv|twi] [--strict] FILE...\n"
           << "       " << kProgramName << " --info [--to csv|twi] FILE...\n"
           << "Convert spiral surveys between KVN CSV (SDP_*.csv) and TWI (*.twi) files.\n"
           << "Each converted file is written beside its source: B12.twi gives SDP_B12.csv,\n"
           << "SDP_B12.csv gives SDP_B12.twi. An existing file of that name is replaced.\n"
           << "\n"
           << "  --to csv     convert TWI files to KVN CSV\n"
           << "  --to twi     convert KVN CSV files to TWI\n"
           << "               (without --to, each file's extension decides: .csv or .twi)\n"
           << "  --strict     convert nothing of a survey with warnings (exit status 1)\n"
           << "  --info       convert nothing: show each survey's summary and what its\n"
           << "               read found (read as its conversion would read it)\n"
           << "  --plot svg|png|pdf\n"
           << "               also draw each survey's twist profile as a picture beside\n"
           << "               its output, named after it: B12.twi gives SDP_B12.csv and\n"
           << "               SDP_B12.svg (with --info too, without converting). A picture\n"
           << "               never replaces a survey file given in the call.\n"
           << "  --help       show this help and exit\n"
           << "  --version    show the version and exit\n"
           << "\n"
           << "Exit status: 0 when every file was converted (with --info: read) and every\n"
           << "picture saved, 1 when any failed, 2 when the command line is wrong.\n";
}

int CBatchConverter::UsageError(const std::string& strProblem) {
    m_err << kProgramName << ": " << strProblem << "\n"
          << "Usage: " << kProgramName << " [--to csv|twi] [--strict] FILE...\n"
          << "Try '" << kProgramName << " --help' for more information.\n";
    return exitUsage;
}
