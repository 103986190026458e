#include "cli/BatchConverter.h"

#include "cli/LogText.h"
#include "cli/PictureWriter.h"
#include "cli/SurveyReport.h"
#include "convert/BatchEngine.h"
#include "convert/SurveySummary.h"
#include "platform/FileSystem.h"
#include "survey/NumberText.h"

#include <atomic>
#include <getopt.h>
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

// Why --plot (or pszOption) cannot draw this type, or nothing when it can.
std::string PictureTypeProblem(const std::string& strType, const char* pszOption = "--plot") {
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
        return "this veltrane-convert cannot draw " + strUpper + " pictures; '" + pszOption +
               "' takes " + CPictureWriter::TypesText() + " here";
    }
    return "unknown picture format '" + strType + "' for '" + pszOption + "': use " +
           CPictureWriter::TypesText();
}

// A picture's type: its extension, in small letters.
std::string PictureType(const std::string& strPath) {
    CString strType = CConvertCommand::ExtensionOf(strPath.c_str());
    strType.MakeLower();
    return strType.str();
}

// The options, for getopt_long. Long options without a short letter are
// numbered from 256 on, past every character.
enum LongOnly {
    optTo = 256,
    optStrict,
    optInfo,
    optPlot,
    optLimit,
    optPlotSize,
    optPage,
    optVersion,
    optJson,
    optSite,
    optBorehole,
    optDepthUnit,
    optCompare,
};

constexpr const char* kShortOptions = ":hnj:o:rq";

constexpr option kLongOptions[] = {
    {"to", required_argument, nullptr, optTo},
    {"strict", no_argument, nullptr, optStrict},
    {"no-clobber", no_argument, nullptr, 'n'},
    {"jobs", required_argument, nullptr, 'j'},
    {"output-dir", required_argument, nullptr, 'o'},
    {"recursive", no_argument, nullptr, 'r'},
    {"quiet", no_argument, nullptr, 'q'},
    {"json", no_argument, nullptr, optJson},
    {"site", required_argument, nullptr, optSite},
    {"borehole", required_argument, nullptr, optBorehole},
    {"depth-unit", required_argument, nullptr, optDepthUnit},
    {"info", no_argument, nullptr, optInfo},
    {"limit", required_argument, nullptr, optLimit},
    {"plot", required_argument, nullptr, optPlot},
    {"compare", required_argument, nullptr, optCompare},
    {"plot-size", required_argument, nullptr, optPlotSize},
    {"page", required_argument, nullptr, optPage},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, optVersion},
    {nullptr, 0, nullptr, 0},
};

// What a missing value of an option would have been.
std::string ValueNeeded(int nOption) {
    switch (nOption) {
    case 'j':
        return "a number of files";
    case optLimit:
        return "a twist in degrees";
    case optPlot:
        return "a picture format: " + CPictureWriter::TypesText();
    case optCompare:
        return "a picture file: OUT." + PictureTypesList();
    case optPlotSize:
        return "a picture size, " + CPictureSize::Rule();
    case optPage:
        return "a paper: a4 or letter";
    case optTo:
        return "a format: csv or twi";
    case 'o':
        return "a folder";
    case optSite:
    case optBorehole:
        return "a text";
    case optDepthUnit:
        return "a unit: feet or meters";
    default:
        return "a value";
    }
}

// The KVN CSV header items a TWI source does not carry: --site, --borehole
// and --depth-unit. False, with strProblem, for a text the CSV reader would
// not read back the same, or a unit other than feet or meters.
bool SetHeaderItem(int nOption, const std::string& value, CBatchOptions& options,
                   std::string& strProblem) {
    const CTwiHeaderItems::Item nItem = nOption == optSite       ? CTwiHeaderItems::itemSite
                                        : nOption == optBorehole ? CTwiHeaderItems::itemBorehole
                                                                 : CTwiHeaderItems::itemDepthUnit;
    CString strWhy;
    if (!options.twiItems.Set(nItem, value.c_str(), strWhy)) {
        strProblem = strWhy.str();
        return false;
    }
    return true;
}

// A picture option's value: --plot-size WxH and --page a4|letter.
bool SetPictureValue(int nOption, const std::string& value, CBatchOptions& options,
                     std::string& strProblem) {
    if (nOption == optPage) {
        options.bPage = CPictureSize::PaperOf(value, options.plotFormat.nPaper);
        if (!options.bPage) {
            strProblem = "unknown paper '" + value + "' for '--page': use a4 or letter";
        }
        return options.bPage;
    }
    if (!CPictureSize::Parse(value, options.plotFormat.nWidth, options.plotFormat.nHeight)) {
        strProblem =
            "'" + value + "' is not a picture size for '--plot-size': use " + CPictureSize::Rule();
        return false;
    }
    return true;
}

// What is wrong with the options that shape the pictures together; empty
// when nothing is.
std::string PictureOptionsProblem(const CBatchOptions& options) {
    const bool bPlot = !options.strPlotFormat.empty();
    const bool bCompare = !options.strComparePicture.empty();
    if (options.limit && !options.bInfo && !options.bJson && !bPlot) {
        return "option '--limit' goes with '--info', '--json' or '--plot'";
    }
    if (options.plotFormat.HasSize() && !bPlot && !bCompare) {
        return "option '--plot-size' goes with '--plot' or '--compare'";
    }
    const std::string strType =
        bCompare ? PictureType(options.strComparePicture) : options.strPlotFormat;
    if (options.bPage && strType != "pdf") {
        return "option '--page' goes with '--plot pdf' or '--compare OUT.pdf'";
    }
    if (options.bPage && options.plotFormat.HasSize()) {
        return "options '--page' and '--plot-size' both give the page's size: give one";
    }
    return std::string();
}

// A number option's value: -j N and --limit DEG.
bool SetNumber(int nOption, const std::string& value, CBatchOptions& options,
               std::string& strProblem) {
    if (nOption == optLimit) {
        double dLimit = 0.0;
        if (!CSurveySummary::ParseLimit(value, dLimit)) {
            strProblem = "'" + value + "' is not a twist in degrees (0 or more) for '--limit'";
            return false;
        }
        options.limit = dLimit;
        return true;
    }
    const char* p = value.c_str();
    int nJobs = 0;
    if (!ScanWhole(p, nJobs) || *p != '\0' || nJobs < 1) {
        strProblem = "'" + value + "' is not a number of files for '-j'";
        return false;
    }
    options.nJobs = nJobs;
    return true;
}

// Sets what an option with a value asks for; false, with strProblem, for a
// value it does not take.
bool SetValue(int nOption, const std::string& value, CBatchOptions& options,
              std::string& strProblem) {
    switch (nOption) {
    case 'j':
    case optLimit:
        return SetNumber(nOption, value, options, strProblem);
    case optPlotSize:
    case optPage:
        return SetPictureValue(nOption, value, options, strProblem);
    case optSite:
    case optBorehole:
    case optDepthUnit:
        return SetHeaderItem(nOption, value, options, strProblem);
    case optPlot:
        strProblem = PictureTypeProblem(value);
        if (!strProblem.empty()) {
            return false;
        }
        options.strPlotFormat = value;
        return true;
    case optCompare:
        // The picture's type is its extension.
        if (!PictureTypeProblem(PictureType(value), "--compare").empty()) {
            strProblem = "the picture '" + value + "' of '--compare' must be named ." +
                         PictureTypesList() + "; this veltrane-convert draws " +
                         CPictureWriter::TypesText();
            return false;
        }
        options.strComparePicture = value;
        return true;
    case optTo: {
        const int nTarget = CConvertCommand::GuessDirection(value.c_str());
        if (nTarget == directionNone) {
            strProblem = "unknown format '" + value + "' for '--to': use csv or twi";
            return false;
        }
        // --to names the target: to csv reads TWI files, to twi reads CSV files.
        options.nDirection = nTarget == directionCsvToTwi ? directionTwiToCsv : directionCsvToTwi;
        return true;
    }
    case 'o':
        strProblem = CConvertCommand::OutputFolderProblem(value.c_str()).str();
        if (!strProblem.empty()) {
            return false;
        }
        options.strOutputDir = value;
        return true;
    default:
        return false;
    }
}

// Sets what an option asks for; false, with strProblem, for a wrong one.
bool SetOption(int nOption, const char* pszValue, CBatchOptions& options, std::string& strProblem) {
    switch (nOption) {
    case 'h':
        options.nAction = CBatchOptions::actionHelp;
        return true;
    case optVersion:
        options.nAction = CBatchOptions::actionVersion;
        return true;
    case optStrict:
        options.bStrict = true;
        return true;
    case 'n':
        options.bNoClobber = true;
        return true;
    case optInfo:
        options.bInfo = true;
        return true;
    case 'r':
        options.bRecursive = true;
        return true;
    case 'q':
        options.bQuiet = true;
        return true;
    case optJson:
        options.bJson = true;
        return true;
    default:
        return SetValue(nOption, pszValue != nullptr ? pszValue : "", options, strProblem);
    }
}

// --compare converts nothing: the options of conversions and summaries do
// not go with it. False, with strProblem, when one is given.
bool CompareProblem(const CBatchOptions& options, std::string& strProblem) {
    if (options.strComparePicture.empty()) {
        return true;
    }
    const char* pszOther = options.bInfo                    ? "--info"
                           : !options.strPlotFormat.empty() ? "--plot"
                           : options.bJson                  ? "--json"
                           : options.bStrict                ? "--strict"
                                                            : nullptr;
    if (pszOther != nullptr) {
        strProblem = std::string("option '--compare' converts nothing and does not go with '") +
                     pszOther + "'";
        return false;
    }
    return true;
}

// True when nOption is one of the options above (by letter or number).
bool IsKnownOption(int nOption) {
    for (const option& known : kLongOptions) {
        if (known.name != nullptr && known.val == nOption) {
            return true;
        }
    }
    return false;
}

// How many long options a prefix such as "--no" could stand for.
int LongOptionsStartingWith(const std::string& strPrefix) {
    int nCount = 0;
    for (const option& known : kLongOptions) {
        nCount += known.name != nullptr && std::string("--") + known.name != strPrefix &&
                  (std::string("--") + known.name).rfind(strPrefix, 0) == 0;
    }
    return nCount;
}

// What is wrong with the option getopt_long refused ('?' or ':'), the
// argument it was reading being strArg. A letter it does not know is named
// by itself (it may stand inside a bundle such as -nx); a long option as it
// was given.
std::string RefusalText(int nRefusal, const std::string& strArg) {
    const std::string strLong = strArg.substr(0, strArg.find('='));
    if (optopt == 0) {
        return "unknown " +
               std::string(LongOptionsStartingWith(strLong) > 1 ? "(ambiguous) " : "") +
               "option '" + strLong + "'";
    }
    if (!IsKnownOption(optopt)) {
        return std::string("unknown option '-") + static_cast<char>(optopt) + "'";
    }
    // A known option refused is the argument just read.
    const std::string strName =
        strArg.rfind("--", 0) == 0 ? strLong : std::string("-") + static_cast<char>(optopt);
    if (nRefusal == ':') {
        return "option '" + strName + "' needs " + ValueNeeded(optopt);
    }
    return "option '" + strName + "' takes no value";
}

} // namespace

bool CBatchConverter::ParseOptions(const std::vector<std::string>& args, CBatchOptions& options,
                                   std::string& strProblem) {
    // getopt_long wants writable strings and keeps its place in globals:
    // optind 0 starts it afresh, so that a second call reads from the start.
    std::vector<std::string> copies(args);
    std::vector<char*> argv{const_cast<char*>(kProgramName)};
    for (std::string& arg : copies) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const int argc = static_cast<int>(argv.size()) - 1;
    optind = 0;
    opterr = 0;
    for (;;) {
        const int nOption = getopt_long(argc, argv.data(), kShortOptions, kLongOptions, nullptr);
        if (nOption == -1) {
            break;
        }
        if (nOption == '?' || nOption == ':') {
            strProblem = RefusalText(nOption, argv[static_cast<size_t>(optind - 1)]);
            return false;
        }
        if (!SetOption(nOption, optarg, options, strProblem)) {
            return false;
        }
        // --help and --version end the reading: what follows is not read.
        if (options.nAction != CBatchOptions::actionConvert) {
            return true;
        }
    }
    for (int i = optind; i < argc; ++i) {
        options.files.push_back(argv[static_cast<size_t>(i)]);
    }
    strProblem = PictureOptionsProblem(options);
    if (!strProblem.empty()) {
        return false;
    }
    if (options.files.empty()) {
        strProblem = "no survey file given";
        return false;
    }
    return CompareProblem(options, strProblem);
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
    m_bQuiet = options.bQuiet;
    m_bJson = options.bJson;
    const std::vector<CConvertJob> jobs = JobsOf(options);
    if (jobs.empty()) {
        m_err << kProgramName << ": no survey file (.twi or .csv) found\n";
        return exitSomeFailed;
    }
    if (!options.strComparePicture.empty()) {
        return Compare(options, jobs);
    }
    // --info and --plot: each survey read once more, summed up or drawn.
    CSurveyReport report(m_out, m_err);
    report.SetLimit(options.limit);
    report.SetPictureFormat(options.plotFormat);
    report.SetQuiet(options.bQuiet);
    report.SetJson(options.bJson);
    std::vector<std::string> inputs;
    for (const CConvertJob& job : jobs) {
        inputs.push_back(job.m_strPath.str());
    }
    if (!options.strPlotFormat.empty() &&
        !report.StartPictures(options.strPlotFormat, inputs, options.bNoClobber, strProblem)) {
        return UsageError(strProblem);
    }
    CString strFolderProblem;
    if ((!options.bInfo || !options.strPlotFormat.empty()) &&
        !CBatchPlan::MakeOutputFolders(jobs, strFolderProblem)) {
        m_err << kProgramName << ": " << strFolderProblem.str() << "\n";
        return exitSomeFailed;
    }
    return options.bInfo ? ShowSummaries(options, jobs, report) : Convert(options, jobs, report);
}

std::vector<CConvertJob> CBatchConverter::JobsOf(const CBatchOptions& options) {
    std::vector<CString> paths;
    for (const std::string& file : options.files) {
        paths.push_back(file.c_str());
    }
    return CBatchPlan::JobsOf(paths, options.nDirection, options.strOutputDir.c_str(),
                              options.bRecursive ? TRUE : FALSE);
}

int CBatchConverter::ShowSummaries(const CBatchOptions& options,
                                   const std::vector<CConvertJob>& jobs, CSurveyReport& report) {
    // Nothing is converted, but pictures are drawn: the later of two files
    // with one picture is refused before any is drawn.
    std::vector<CJobResult> results(jobs.size());
    std::vector<char> bPlanned(jobs.size(), 0);
    CBatchPlan plan;
    plan.m_bWritesSurveys = FALSE;
    plan.m_strPictureType = options.strPlotFormat.c_str();
    plan.Make(jobs, results, bPlanned);
    int nFailed = 0;
    for (size_t i = 0; i < jobs.size(); ++i) {
        if (results[i].m_nJobOutcome == jobSameOutput) {
            if (m_bJson) {
                PrintJson(results[i], CPictureOutcome());
            } else {
                m_err << jobs[i].m_strPath.str() << ": error: " << FailureText(results[i]) << "\n";
            }
            ++nFailed;
        } else if (!report.Report(jobs[i], true)) {
            ++nFailed;
        }
    }
    return nFailed == 0 ? exitConverted : exitSomeFailed;
}

int CBatchConverter::Compare(const CBatchOptions& options, const std::vector<CConvertJob>& jobs) {
    if (jobs.size() < 2) {
        return UsageError("option '--compare' needs at least two survey files");
    }
    CSurveyReport report(m_out, m_err);
    report.SetPictureFormat(options.plotFormat);
    std::vector<std::string> inputs;
    for (const CConvertJob& job : jobs) {
        inputs.push_back(job.m_strPath.str());
    }
    std::string strProblem;
    if (!report.StartPictures(PictureType(options.strComparePicture), inputs, options.bNoClobber,
                              strProblem)) {
        return UsageError(strProblem);
    }
    return report.Compare(jobs, options.strComparePicture) ? exitConverted : exitSomeFailed;
}

void CBatchConverter::CTally::Add(const CJobResult& result, bool bDone) {
    if (!bDone) {
        ++nFailed;
        return;
    }
    nConverted += result.m_nJobOutcome == jobConverted;
    nKept += result.m_nJobOutcome == jobKept;
    nUpToDate += result.m_nJobOutcome == jobUpToDate || result.m_nJobOutcome == jobOutputOfInput;
}

void CBatchConverter::StopOnClosedOutput(std::atomic<bool>& bOutputClosed) {
    if (!m_out && !bOutputClosed) {
        bOutputClosed = true;
        m_err << kProgramName << ": the standard output was closed: stopped; the files "
              << "not yet begun are not converted.\n";
    }
}

void CBatchConverter::PrintTally(const CTally& tally) {
    m_out.flush();
    m_err << kProgramName << ": " << tally.nConverted << " converted, " << tally.nUpToDate
          << " up to date, ";
    if (tally.nKept > 0) {
        m_err << tally.nKept << " kept, ";
    }
    m_err << tally.nFailed << " not converted\n";
}

void CBatchConverter::ReportSystemEvents(CBatchEngine& engine) {
    engine.m_onFewerWorkers = [this](int nStarted, int nAsked) {
        m_err << kProgramName << ": the system started only " << nStarted << " of " << nAsked
              << " workers; converting " << nStarted << " files at a time.\n";
    };
    engine.m_onLeftTempFiles = [this](const CString& strFolder, int nRemoved) {
        m_err << kProgramName << ": removed " << nRemoved << " temporary file"
              << (nRemoved == 1 ? "" : "s") << " that a stopped earlier run left in "
              << (strFolder.IsEmpty() ? std::string("the current folder") : strFolder.str())
              << ".\n";
    };
}

int CBatchConverter::Convert(const CBatchOptions& options, const std::vector<CConvertJob>& jobs,
                             CSurveyReport& report) {
    CBatchEngine engine;
    engine.m_bStrict = options.bStrict ? TRUE : FALSE;
    engine.m_bNoClobber = options.bNoClobber ? TRUE : FALSE;
    engine.m_nJobs = options.nJobs;
    engine.m_strPictureType = options.strPlotFormat.c_str();
    engine.m_strOtherFolderHint = "write the outputs into another folder with -o DIR";
    engine.m_twiItems = options.twiItems;
    engine.m_bFigures = m_bJson ? TRUE : FALSE;
    engine.m_limit = options.limit;
    CProgressLine progress(m_err, m_bProgress);
    CTally tally;
    // A standard output that cannot take the report (closed by `| head`, say)
    // stops the batch: the files begun are finished, no other is begun.
    std::atomic<bool> bOutputClosed{false};
    engine.m_pCancel = &bOutputClosed;
    int nUnflushed = 0;
    engine.m_onResult = [&](int nIndex, const CJobResult& result) {
        std::unique_lock<std::mutex> hold = progress.Hold();
        // The picture first, for the file's line to name it. A file the
        // plan refused has no picture either.
        bool bPictureDone = true;
        CPictureOutcome picture;
        if (report.DrawsPictures() && !result.RefusedInPlan()) {
            bPictureDone = report.Report(jobs[static_cast<size_t>(nIndex)], false);
            picture = report.LastPicture();
        }
        const bool bDone =
            bOutputClosed ? result.Succeeded() : PrintResult(result, report, picture);
        tally.Add(result, bDone && bPictureDone);
        // Each file's line goes out as it is done, which also shows at once
        // a standard output that was closed; else a block of them does.
        if (m_bLineAtATime || ++nUnflushed == kLinesPerBlock) {
            m_out.flush();
            nUnflushed = 0;
        }
        StopOnClosedOutput(bOutputClosed);
    };
    ReportSystemEvents(engine);
    engine.m_onProgress = [&](int nDone, int nTotal, const CString& strSource) {
        progress.Show(nDone, nTotal, strSource.str());
    };
    engine.Run(jobs);
    progress.Hold();
    m_out.flush();
    StopOnClosedOutput(bOutputClosed);
    if (jobs.size() > 1) {
        PrintTally(tally);
    }
    return tally.nFailed == 0 && !bOutputClosed ? exitConverted : exitSomeFailed;
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

bool CBatchConverter::PrintResult(const CJobResult& result, const CSurveyReport& report,
                                  const CPictureOutcome& picture) {
    if (m_bJson) {
        PrintJson(result, picture);
        return result.Succeeded();
    }
    const std::string source = result.m_strSource.str();
    const std::string output = result.m_strOutput.str();
    switch (result.m_nJobOutcome) {
    case jobConverted:
    case jobKept:
    case jobUpToDate:
        if (!m_bQuiet) {
            m_out << source << " -> " << output << OutcomeNote(result) << "\n";
        }
        break;
    case jobOutputOfInput:
        if (!m_bQuiet) {
            m_out << source << OutcomeNote(result) << "\n";
        }
        break;
    default:
        m_err << source << ": error: " << FailureText(result) << "\n";
    }
    CSurveyReport::PrintDiagnostics(m_err, source, result.m_diagnostics);
    report.PrintPicture(source, picture);
    return result.Succeeded();
}

std::string CBatchConverter::OutcomeNote(const CJobResult& result) {
    switch (result.m_nJobOutcome) {
    case jobKept:
        return " (kept)";
    case jobUpToDate:
        return " (up to date)";
    case jobOutputOfInput:
        return " (output of " + result.m_strMadeFrom.str() + ")";
    default:
        return "";
    }
}

std::string CBatchConverter::FailureText(const CJobResult& result) {
    if (result.m_nJobOutcome == jobUnknownType) {
        return CSurveyReport::UnknownTypeText();
    }
    std::string text = Sentence(result.StatusExplanation().str());
    if (text.empty()) {
        // Refused before or without a converter status: the command's words.
        text = Sentence(TerminalText(result.m_strMessage));
        const std::string strNotConverted = "not converted: ";
        if (text.rfind(strNotConverted, 0) == 0) {
            text = text.substr(strNotConverted.size());
        }
    }
    if (result.m_nOutcome == outcomeWriteFailed && result.m_nJobOutcome != jobFileError) {
        text = "cannot write " + result.m_strOutput.str() + ": " + text;
    }
    if (result.m_nOutcome == outcomeReadFailed || result.m_nOutcome == outcomeWriteFailed) {
        text += " (code " + std::to_string(result.m_nStatus) + ")";
    }
    return text;
}

void CBatchConverter::PrintJson(const CJobResult& result, const CPictureOutcome& picture) {
    static constexpr const char* kOutcomes[] = {
        "converted",      "kept",        "up to date", "output of input", "unknown type",
        "protects input", "same output", "failed",     "file error",      "cancelled",
    };
    std::string line = "{\"source\":" + JsonString(result.m_strSource.str());
    // No output for a file whose read failed, nor for one that is an output.
    const bool bOutput = result.m_nJobOutcome != jobOutputOfInput && !result.m_strOutput.IsEmpty();
    line += ",\"output\":" + (bOutput ? JsonString(result.m_strOutput.str()) : "null");
    if (result.m_nJobOutcome == jobOutputOfInput) {
        line += ",\"output_of\":" + JsonString(result.m_strMadeFrom.str());
    }
    line += ",\"outcome\":" + JsonString(kOutcomes[result.m_nJobOutcome]);
    const bool bCoded =
        result.m_nOutcome == outcomeReadFailed || result.m_nOutcome == outcomeWriteFailed;
    line += ",\"code\":" + (bCoded ? std::to_string(result.m_nStatus) : std::string("null"));
    if (!result.Succeeded()) {
        line += ",\"error\":" + JsonString(FailureText(result));
    }
    if (result.m_figures) {
        line += ",\"figures\":" + FiguresJson(*result.m_figures);
    }
    line += CSurveyReport::PictureJson(picture);
    m_out << line << ",\"diagnostics\":" << CSurveyReport::DiagnosticsJson(result.m_diagnostics)
          << "}\n";
}

void CBatchConverter::PrintUsage(std::ostream& stream) const {
    stream << "Usage: " << kProgramName << " " << kUsage << "\n"
           << "       " << kProgramName << " --info [--limit DEG] [--to csv|twi] FILE...\n"
           << "       " << kProgramName << " --compare OUT." << PictureTypesList() << " FILE...\n"
           << "Convert spiral surveys between KVN CSV (SDP_*.csv) and TWI (*.twi) files.\n"
           << "A FILE that is a folder stands for its .twi and .csv files.\n"
           << "Each converted file is written beside its source: B12.twi gives SDP_B12.csv,\n"
           << "SDP_B12.csv gives SDP_B12.twi. An existing file of that name is replaced\n"
           << "(keeping its permissions), but never a file named on the same command line.\n"
           << "\n"
           << "  --to csv     convert TWI files to KVN CSV\n"
           << "  --to twi     convert KVN CSV files to TWI\n"
           << "               (without --to, each file's extension decides: .csv or .twi)\n"
           << "  --strict     convert nothing of a survey with warnings (exit status 1)\n"
           << "  -j, --jobs N converts N files at a time (default: one per core)\n"
           << "  -o, --output-dir DIR\n"
           << "               write every output (and picture) into the folder DIR,\n"
           << "               which must exist, instead of beside its source\n"
           << "  -r, --recursive\n"
           << "               convert the surveys of a folder's subfolders too; with -o,\n"
           << "               their outputs go into the same subfolders under DIR\n"
           << "  -q, --quiet  no line for a file that converts, nor for its picture:\n"
           << "               failures only\n"
           << "  --json       one JSON object a file on standard output (JSON Lines):\n"
           << "               source, output, outcome, code, the survey's figures,\n"
           << "               its picture, diagnostics\n"
           << "  --site TEXT  the site of the KVN CSV output of a TWI source\n"
           << "  --borehole TEXT\n"
           << "               its borehole (a TWI file carries neither: without these\n"
           << "               options both stay empty)\n"
           << "  --depth-unit feet|meters\n"
           << "               its depth unit (without it, the interval decides)\n"
           << "  -n, --no-clobber\n"
           << "               keep an existing output instead of replacing it\n"
           << "  --info       convert nothing: show each survey's summary and what its\n"
           << "               read found (read as its conversion would read it), with\n"
           << "               its total twist, mean twist rate and largest interval twist\n"
           << "  --limit DEG  with --info or --json: also list the intervals twisting more\n"
           << "               than DEG degrees, either way; with --plot: mark the limit\n"
           << "               and them\n"
           << "  --plot " << PictureTypesList() << "\n"
           << "               also draw each survey's twist profile as a picture beside\n"
           << "               its output, named after it: B12.twi gives SDP_B12.csv and\n"
           << "               SDP_B12.svg (with --info too, without converting). A picture\n"
           << "               never replaces a survey file given in the call, and with\n"
           << "               -n no earlier picture.\n"
           << "               The picture marks the largest twist of one interval.\n"
           << "  --plot-size WxH\n"
           << "               the pictures' size: pixels for PNG (default 1200x900),\n"
           << "               points for SVG (default 900x675) and PDF\n"
           << "  --page a4|letter\n"
           << "               the paper of a PDF picture, portrait (default a4)\n"
           << "  --compare OUT." << PictureTypesList() << "\n"
           << "               convert nothing: draw the cumulative twist of every survey\n"
           << "               over each other into the picture OUT, and print for each\n"
           << "               survey after the oldest (by reading date) its largest\n"
           << "               difference from it: \"B.twi: largest difference from A.twi\n"
           << "               0.4 degrees at 12.5 meters\". Surveys of different intervals\n"
           << "               or depth units are refused; of different depths, only the\n"
           << "               depths all of them measured are compared.\n"
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
