#include "cli/BatchConverter.h"

#include "cli/SurveyReport.h"
#include "convert/BatchEngine.h"
#include "convert/SurveySummary.h"
#include "survey/NumberText.h"

#include <memory>
#include <optional>
#include <ostream>

namespace {

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
    std::optional<double> limit;
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
        } else if (arg == "-n" || arg == "--no-clobber") {
            m_bNoClobber = true;
        } else if (arg == "-j" || arg == "--jobs" || arg.rfind("--jobs=", 0) == 0 ||
                   (arg.rfind("-j", 0) == 0 && arg.size() > 2)) {
            std::string value;
            if (arg == "-j" || arg == "--jobs") {
                if (i + 1 >= args.size()) {
                    return UsageError("option '" + arg + "' needs a number of files");
                }
                value = args[++i];
            } else {
                value = arg.substr(arg[1] == 'j' ? 2 : 7);
            }
            const char* p = value.c_str();
            int nJobs = 0;
            if (!ScanWhole(p, nJobs) || *p != '\0' || nJobs < 1) {
                return UsageError("'" + value + "' is not a number of files for '-j'");
            }
            m_nJobs = nJobs;
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
        } else if (arg == "--limit" || arg.rfind("--limit=", 0) == 0) {
            if (arg == "--limit" && i + 1 >= args.size()) {
                return UsageError("option '--limit' needs a twist in degrees");
            }
            const std::string value = arg == "--limit" ? args[++i] : arg.substr(8);
            double dLimit = 0.0;
            if (!CSurveySummary::ParseLimit(value, dLimit)) {
                return UsageError("'" + value +
                                  "' is not a twist in degrees (0 or more) for '--limit'");
            }
            limit = dLimit;
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
    if (limit && !m_bInfo) {
        return UsageError("option '--limit' goes with '--info'");
    }

    // --info and --plot: each survey read once more, summed up or drawn.
    CSurveyReport report(m_out, m_err);
    report.SetLimit(limit);
    std::string strProblem;
    if (!m_strPlotFormat.empty() &&
        !report.StartPictures(m_strPlotFormat, files, m_bNoClobber, strProblem)) {
        return UsageError(strProblem);
    }
    int nFailed = 0;
    if (m_bInfo) {
        for (const std::string& file : files) {
            if (!report.Report(file, nForcedDirection, true)) {
                ++nFailed;
            }
        }
        return nFailed == 0 ? exitConverted : exitSomeFailed;
    }

    std::vector<CConvertJob> jobs;
    for (const std::string& file : files) {
        jobs.push_back(CConvertJob{file.c_str(), nForcedDirection});
    }
    CBatchEngine engine;
    engine.m_bStrict = m_bStrict ? TRUE : FALSE;
    engine.m_bNoClobber = m_bNoClobber ? TRUE : FALSE;
    engine.m_nJobs = m_nJobs;
    CProgressLine progress(m_err, m_bProgress);
    engine.m_onResult = [&](int nIndex, const CJobResult& result) {
        progress.Erase();
        bool bDone = PrintResult(result);
        if (report.DrawsPictures() &&
            !report.Report(files[static_cast<size_t>(nIndex)], nForcedDirection, false)) {
            bDone = false;
        }
        if (!bDone) {
            ++nFailed;
        }
    };
    engine.m_onProgress = [&](int nDone, int nTotal, const CString& strSource) {
        progress.Show(nDone, nTotal, strSource.str());
    };
    engine.Run(jobs);
    progress.Erase();
    return nFailed == 0 ? exitConverted : exitSomeFailed;
}

CBatchConverter::CProgressLine::CProgressLine(std::ostream& stream, bool bEnabled)
    : m_stream(stream), m_bEnabled(bEnabled), m_start(std::chrono::steady_clock::now()),
      m_last(m_start) {}

void CBatchConverter::CProgressLine::Show(int nDone, int nTotal, const std::string& strSource) {
    // Only for a batch that takes a while, and then a few times a second.
    const auto now = std::chrono::steady_clock::now();
    if (!m_bEnabled || now - m_start < kQuietStart || (m_bShown && now - m_last < kEvery)) {
        return;
    }
    m_last = now;
    m_bShown = true;
    m_stream << "\r" << kProgramName << ": " << nDone << " of " << nTotal << " done, "
             << strSource.substr(0, 60) << "\x1b[K" << std::flush;
}

void CBatchConverter::CProgressLine::Erase() {
    if (m_bShown) {
        m_stream << "\r\x1b[K" << std::flush;
        m_bShown = false;
    }
}

bool CBatchConverter::PrintResult(const CJobResult& result) {
    const std::string source = result.m_strSource.str();
    switch (result.m_nJobOutcome) {
    case jobConverted:
        m_out << TerminalText(result.m_strMessage) << "\n";
        break;
    case jobKept:
        m_out << source << ": kept the existing " << result.m_strOutput.str()
              << " (--no-clobber)\n";
        break;
    case jobUnknownType:
        m_err << source << ": The file format type can not determined.\n"
              << "Name the target format with --to csv or --to twi.\n";
        break;
    default: {
        m_err << source << ": " << TerminalText(result.m_strMessage) << "\n";
        const std::string explanation =
            ExplainStatus(result.m_nOutcome, result.m_nDirection, result.m_nStatus);
        if (!explanation.empty()) {
            m_err << explanation << "\n";
        }
    }
    }
    PrintDiagnostics(source, result.m_diagnostics);
    return result.Succeeded();
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
    stream << "Usage: " << kProgramName << " [--to csv|twi] [--strict] [-n] [-j N] FILE...\n"
           << "       " << kProgramName << " --info [--limit DEG] [--to csv|twi] FILE...\n"
           << "Convert spiral surveys between KVN CSV (SDP_*.csv) and TWI (*.twi) files.\n"
           << "Each converted file is written beside its source: B12.twi gives SDP_B12.csv,\n"
           << "SDP_B12.csv gives SDP_B12.twi. An existing file of that name is replaced\n"
           << "(keeping its permissions), but never a file named on the same command line.\n"
           << "\n"
           << "  --to csv     convert TWI files to KVN CSV\n"
           << "  --to twi     convert KVN CSV files to TWI\n"
           << "               (without --to, each file's extension decides: .csv or .twi)\n"
           << "  --strict     convert nothing of a survey with warnings (exit status 1)\n"
           << "  -j, --jobs N converts N files at a time (default: one per core)\n"
           << "  -n, --no-clobber\n"
           << "               keep an existing output instead of replacing it\n"
           << "  --info       convert nothing: show each survey's summary and what its\n"
           << "               read found (read as its conversion would read it), with\n"
           << "               its total twist, mean twist rate and largest interval twist\n"
           << "  --limit DEG  with --info: also list the intervals twisting more than DEG\n"
           << "               degrees, either way\n"
           << "  --plot svg|png|pdf\n"
           << "               also draw each survey's twist profile as a picture beside\n"
           << "               its output, named after it: B12.twi gives SDP_B12.csv and\n"
           << "               SDP_B12.svg (with --info too, without converting). A picture\n"
           << "               never replaces a survey file given in the call, and with\n"
           << "               -n no earlier picture.\n"
           << "  --help       show this help and exit\n"
           << "  --version    show the version and exit\n"
           << "\n"
           << "Exit status: 0 when every file was converted (with --info: read) and every\n"
           << "picture saved, 1 when any failed, 2 when the command line is wrong.\n";
}

int CBatchConverter::UsageError(const std::string& strProblem) {
    m_err << kProgramName << ": " << strProblem << "\n"
          << "Usage: " << kProgramName << " [--to csv|twi] [--strict] [-n] [-j N] FILE...\n"
          << "Try '" << kProgramName << " --help' for more information.\n";
    return exitUsage;
}
