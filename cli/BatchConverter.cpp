#include "cli/BatchConverter.h"

#include "cli/PictureWriter.h"
#include "cli/SurveyReport.h"
#include "convert/BatchEngine.h"
#include "convert/SurveySummary.h"
#include "survey/NumberText.h"

#include <atomic>
#include <memory>
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

// "svg|png|pdf": the picture types of this build, as the help shows them.
std::string PictureTypesList() {
    std::string strList;
    for (const std::string& strType : CPictureWriter::Types()) {
        strList += (strList.empty() ? "" : "|") + strType;
    }
    return strList;
}

// Why --plot cannot draw this type, or nothing when it can.
std::string PictureTypeProblem(const std::string& strType) {
    for (const std::string& strKnown : CPictureWriter::Types()) {
        if (strType == strKnown) {
            return std::string();
        }
    }
    if (strType == "svg" || strType == "png" || strType == "pdf") {
        std::string strUpper;
        for (char ch : strType) {
            strUpper += static_cast<char>(ch - 'a' + 'A');
        }
        return "this veltrane-convert cannot draw " + strUpper + " pictures; '--plot' takes " +
               CPictureWriter::TypesText() + " here";
    }
    return "unknown picture format '" + strType + "' for '--plot': use " +
           CPictureWriter::TypesText();
}

// Options that take a value: "--jobs N", "--jobs=N", and for a short one
// "-j N" or "-jN".
struct CValueOption {
    const char* pszLong;
    const char* pszShort; // null for none
    const char* pszNeeds; // what a missing value is
};

constexpr CValueOption kValueOptions[] = {
    {"--jobs", "-j", "a number of files"},
    {"--limit", nullptr, "a twist in degrees"},
    {"--plot", nullptr, "a picture format: "}, // the types of this build follow
    {"--to", nullptr, "a format: csv or twi"},
};

// The value option that arg names, or null; with its value when it carries
// one (the value then follows in the next argument otherwise).
const CValueOption* FindValueOption(const std::string& arg, bool& bAttached, std::string& value) {
    for (const CValueOption& option : kValueOptions) {
        const std::string strLong = option.pszLong;
        bAttached = true;
        if (arg.rfind(strLong + "=", 0) == 0) {
            value = arg.substr(strLong.size() + 1);
            return &option;
        }
        if (option.pszShort != nullptr && arg.rfind(option.pszShort, 0) == 0 && arg.size() > 2) {
            value = arg.substr(2);
            return &option;
        }
        bAttached = false;
        if (arg == strLong || (option.pszShort != nullptr && arg == option.pszShort)) {
            return &option;
        }
    }
    return nullptr;
}

// Sets what a value option asks for; false, with strProblem, for a value it
// does not take.
bool SetValue(const CValueOption& option, const std::string& value, CBatchOptions& options,
              std::string& strProblem) {
    const std::string strLong = option.pszLong;
    if (strLong == "--jobs") {
        const char* p = value.c_str();
        int nJobs = 0;
        if (!ScanWhole(p, nJobs) || *p != '\0' || nJobs < 1) {
            strProblem = "'" + value + "' is not a number of files for '-j'";
            return false;
        }
        options.nJobs = nJobs;
    } else if (strLong == "--limit") {
        double dLimit = 0.0;
        if (!CSurveySummary::ParseLimit(value, dLimit)) {
            strProblem = "'" + value + "' is not a twist in degrees (0 or more) for '--limit'";
            return false;
        }
        options.limit = dLimit;
    } else if (strLong == "--plot") {
        strProblem = PictureTypeProblem(value);
        if (!strProblem.empty()) {
            return false;
        }
        options.strPlotFormat = value;
    } else {
        const int nTarget = CConvertCommand::GuessDirection(value.c_str());
        if (nTarget == directionNone) {
            strProblem = "unknown format '" + value + "' for '--to': use csv or twi";
            return false;
        }
        // --to names the target: to csv reads TWI files, to twi reads CSV files.
        options.nDirection = nTarget == directionCsvToTwi ? directionTwiToCsv : directionCsvToTwi;
    }
    return true;
}

// An option without a value; false for any other argument.
bool SetFlag(const std::string& arg, CBatchOptions& options) {
    if (arg == "--help" || arg == "-h") {
        options.nAction = CBatchOptions::actionHelp;
    } else if (arg == "--version") {
        options.nAction = CBatchOptions::actionVersion;
    } else if (arg == "--strict") {
        options.bStrict = true;
    } else if (arg == "-n" || arg == "--no-clobber") {
        options.bNoClobber = true;
    } else if (arg == "--info") {
        options.bInfo = true;
    } else {
        return false;
    }
    return true;
}

} // namespace

bool CBatchConverter::ParseOptions(const std::vector<std::string>& args, CBatchOptions& options,
                                   std::string& strProblem) {
    bool bOptionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (bOptionsEnded || arg.size() < 2 || arg[0] != '-') {
            options.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            bOptionsEnded = true;
            continue;
        }
        if (SetFlag(arg, options)) {
            if (options.nAction != CBatchOptions::actionConvert) {
                return true;
            }
            continue;
        }
        bool bAttached = false;
        std::string value;
        const CValueOption* pOption = FindValueOption(arg, bAttached, value);
        if (pOption == nullptr) {
            strProblem = "unknown option '" + arg + "'";
            return false;
        }
        if (!bAttached && i + 1 >= args.size()) {
            strProblem = "option '" + arg + "' needs " + pOption->pszNeeds;
            if (std::string(pOption->pszLong) == "--plot") {
                strProblem += CPictureWriter::TypesText();
            }
            return false;
        }
        if (!SetValue(*pOption, bAttached ? value : args[++i], options, strProblem)) {
            return false;
        }
    }
    if (options.limit && !options.bInfo) {
        strProblem = "option '--limit' goes with '--info'";
        return false;
    }
    if (options.files.empty()) {
        strProblem = "no survey file given";
        return false;
    }
    return true;
}

int CBatchConverter::Run(const std::vector<std::string>& args) {
    CBatchOptions options;
    std::string strProblem;
    if (!ParseOptions(args, options, strProblem)) {
        return UsageError(strProblem);
    }
    if (options.nAction == CBatchOptions::actionHelp) {
        PrintUsage(m_out);
        return exitConverted;
    }
    if (options.nAction == CBatchOptions::actionVersion) {
        m_out << kVersionText << "\n";
        return exitConverted;
    }
    // --info and --plot: each survey read once more, summed up or drawn.
    CSurveyReport report(m_out, m_err);
    report.SetLimit(options.limit);
    if (!options.strPlotFormat.empty() &&
        !report.StartPictures(options.strPlotFormat, options.files, options.bNoClobber,
                              strProblem)) {
        return UsageError(strProblem);
    }
    return options.bInfo ? ShowSummaries(options, report) : Convert(options, report);
}

int CBatchConverter::ShowSummaries(const CBatchOptions& options, CSurveyReport& report) {
    // Nothing is converted, but pictures are drawn: the later of two files
    // with one picture is refused before any is drawn.
    std::vector<CConvertJob> jobs;
    for (const std::string& file : options.files) {
        jobs.push_back(CConvertJob{file.c_str(), options.nDirection});
    }
    std::vector<CJobResult> results(jobs.size());
    std::vector<char> bPlanned(jobs.size(), 0);
    CBatchPlan plan;
    plan.m_bWritesSurveys = FALSE;
    plan.m_strPictureType = options.strPlotFormat.c_str();
    plan.Make(jobs, results, bPlanned);
    int nFailed = 0;
    for (size_t i = 0; i < jobs.size(); ++i) {
        if (results[i].m_nJobOutcome == jobSameOutput) {
            m_err << options.files[i] << ": " << results[i].m_strMessage.str() << "\n";
            ++nFailed;
        } else if (!report.Report(options.files[i], options.nDirection, true)) {
            ++nFailed;
        }
    }
    return nFailed == 0 ? exitConverted : exitSomeFailed;
}

int CBatchConverter::Convert(const CBatchOptions& options, CSurveyReport& report) {
    std::vector<CConvertJob> jobs;
    for (const std::string& file : options.files) {
        jobs.push_back(CConvertJob{file.c_str(), options.nDirection});
    }
    CBatchEngine engine;
    engine.m_bStrict = options.bStrict ? TRUE : FALSE;
    engine.m_bNoClobber = options.bNoClobber ? TRUE : FALSE;
    engine.m_nJobs = options.nJobs;
    engine.m_strPictureType = options.strPlotFormat.c_str();
    CProgressLine progress(m_err, m_bProgress);
    int nFailed = 0;
    // A standard output that cannot take the report (closed by `| head`, say)
    // stops the batch: the files begun are finished, no other is begun.
    std::atomic<bool> bOutputClosed{false};
    engine.m_pCancel = &bOutputClosed;
    engine.m_onResult = [&](int nIndex, const CJobResult& result) {
        std::unique_lock<std::mutex> hold = progress.Hold();
        bool bDone = bOutputClosed ? result.Succeeded() : PrintResult(result);
        // A file the plan refused has no picture either.
        if (report.DrawsPictures() && !result.RefusedInPlan() &&
            !report.Report(options.files[static_cast<size_t>(nIndex)], options.nDirection, false)) {
            bDone = false;
        }
        if (!bDone) {
            ++nFailed;
        }
        if (!m_out && !bOutputClosed) {
            bOutputClosed = true;
            m_err << kProgramName << ": the standard output was closed: stopped; the files "
                  << "not yet begun are not converted.\n";
        }
    };
    engine.m_onFewerWorkers = [&](int nStarted, int nAsked) {
        m_err << kProgramName << ": the system started only " << nStarted << " of " << nAsked
              << " workers; converting " << nStarted << " files at a time.\n";
    };
    engine.m_onLeftTempFiles = [&](const CString& strFolder, int nRemoved) {
        m_err << kProgramName << ": removed " << nRemoved << " temporary file"
              << (nRemoved == 1 ? "" : "s") << " that a stopped earlier run left in "
              << (strFolder.IsEmpty() ? std::string("the current folder") : strFolder.str())
              << ".\n";
    };
    engine.m_onProgress = [&](int nDone, int nTotal, const CString& strSource) {
        progress.Show(nDone, nTotal, strSource.str());
    };
    engine.Run(jobs);
    progress.Hold();
    return nFailed == 0 && !bOutputClosed ? exitConverted : exitSomeFailed;
}

CBatchConverter::CProgressLine::CProgressLine(std::ostream& stream, bool bEnabled)
    : m_stream(stream), m_bEnabled(bEnabled), m_start(std::chrono::steady_clock::now()),
      m_last(m_start) {}

void CBatchConverter::CProgressLine::Show(int nDone, int nTotal, const std::string& strSource) {
    if (!m_bEnabled) {
        return;
    }
    std::unique_lock<std::mutex> lock(m_mutex, std::try_to_lock);
    if (!lock.owns_lock()) {
        return; // another worker shows it, or a message is being printed
    }
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

std::unique_lock<std::mutex> CBatchConverter::CProgressLine::Hold() {
    std::unique_lock<std::mutex> lock(m_mutex);
    Erase();
    return lock;
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
        m_err << source << ": " << CSurveyReport::UnknownTypeText() << "\n";
        break;
    default: {
        m_err << source << ": " << TerminalText(result.m_strMessage) << "\n";
        const CString strExplanation = result.StatusExplanation();
        if (!strExplanation.IsEmpty()) {
            m_err << strExplanation.str() << "\n";
        }
    }
    }
    CSurveyReport::PrintDiagnostics(m_err, source, result.m_diagnostics);
    return result.Succeeded();
}

void CBatchConverter::PrintUsage(std::ostream& stream) const {
    stream << "Usage: " << kProgramName << " " << kUsage << "\n"
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
           << "  --plot " << PictureTypesList() << "\n"
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
          << "Usage: " << kProgramName << " " << kUsage << "\n"
          << "Try '" << kProgramName << " --help' for more information.\n";
    return exitUsage;
}
