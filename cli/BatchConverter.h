// veltrane-convert: converts many survey files in one call, each through the
// same conversion command the window's Convert button runs.
#pragma once

#include "VeltraneVersion.h"
#include "convert/BatchEngine.h"
#include "convert/ConvertCommand.h"
#include "plot/PictureSize.h"

#include <atomic>
#include <chrono>
#include <iosfwd>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class CSurveyReport;
struct CPictureOutcome;

// What a command line asks for.
class CBatchEngine;

struct CBatchOptions {
    enum Action { actionConvert, actionHelp, actionVersion };
    Action nAction = actionConvert;
    int nDirection = directionNone; // --to: the direction of every file
    bool bStrict = false;
    bool bNoClobber = false;
    int nJobs = 0; // files at a time; 0 for one per core
    // --info: summaries instead of conversions; --plot: picture files.
    bool bInfo = false;
    std::optional<double> limit; // --limit: intervals twisting more, listed and marked
    bool bQuiet = false;         // -q
    bool bJson = false;          // --json
    std::string strPlotFormat;
    // --compare: the picture of the surveys over each other; nothing is
    // converted.
    std::string strComparePicture;
    // --plot-size and --page: the pictures' size, and a PDF's paper.
    PictureFormat plotFormat;
    bool bPage = false;
    // -o: the folder every output and picture goes into; empty for beside
    // each source.
    std::string strOutputDir;
    // --site, --borehole, --depth-unit: for the outputs of TWI sources.
    CTwiHeaderItems twiItems;
    // -r: a folder's subfolders too.
    bool bRecursive = false;
    std::vector<std::string> files;
};

class CBatchConverter {
public:
    static constexpr const char* kProgramName = "veltrane-convert";
    // The GNU form: the program, its package in parentheses, the version.
    static constexpr const char* kVersionText =
        "veltrane-convert (Veltrane) " VELTRANE_VERSION_TEXT;

    enum ExitStatus { exitConverted = 0, exitSomeFailed = 1, exitUsage = 2 };

    // bProgress: standard error is a terminal, where a batch that takes a
    // while shows one line of progress (never in pipes or logs).
    CBatchConverter(std::ostream& out, std::ostream& err, bool bProgress = false)
        : m_out(out), m_err(err), m_bProgress(bProgress) {}

    // Each file's line goes out as it is done; FALSE for a standard output
    // that no person watches (a file or a pipe), where the lines go out a
    // block at a time.
    bool m_bLineAtATime = true;

    // The line that says how to call the program, after its name: every option.
    static constexpr const char* kUsage =
        "[-hnqr] [-j N] [-o DIR] [--to csv|twi] [--strict] "
        "[--info] [--limit DEG] [--plot svg|png|pdf] [--plot-size WxH] "
        "[--page a4|letter] [--compare OUT] [--json] [--site TEXT] "
        "[--borehole TEXT] [--depth-unit feet|meters] [--version] "
        "FILE...";

    // Parses the arguments (without the program name), converts every file
    // and returns the exit status.
    int Run(const std::vector<std::string>& args);

    // Reads the arguments (without the program name) into options; false,
    // with strProblem saying what is wrong, for a wrong command line.
    // Short options bundle (-nj2), long ones may be abbreviated (--no-c),
    // "--" ends the options; options and files may come in any order.
    // --help and --version end the reading: what follows them is not read.
    static bool ParseOptions(const std::vector<std::string>& args, CBatchOptions& options,
                             std::string& strProblem);

private:
    // One line on the terminal, "veltrane-convert: 1234 of 5000 done, FILE",
    // redrawn in place and erased before any message and at the end. The
    // workers show it; a message is printed while the line is held, so the
    // two never mix.
    class CProgressLine {
    public:
        CProgressLine(std::ostream& stream, bool bEnabled);
        // From any thread; skipped while another thread shows or holds it.
        void Show(int nDone, int nTotal, const std::string& strSource);
        // Erases the line and keeps it away until the lock is let go.
        std::unique_lock<std::mutex> Hold();

    private:
        void Erase();

        std::mutex m_mutex;
        static constexpr std::chrono::milliseconds kQuietStart{1000};
        static constexpr std::chrono::milliseconds kEvery{100};
        std::ostream& m_stream;
        bool m_bEnabled;
        bool m_bShown = false;
        std::chrono::steady_clock::time_point m_start;
        std::chrono::steady_clock::time_point m_last;
    };

    // The conversion of each file, in the order given.
    static std::vector<CConvertJob> JobsOf(const CBatchOptions& options);
    // --info: each file's summary, and its picture with --plot.
    int ShowSummaries(const CBatchOptions& options, const std::vector<CConvertJob>& jobs,
                      CSurveyReport& report);
    // --compare: the surveys over each other in one picture, and how far
    // each strays from the oldest.
    int Compare(const CBatchOptions& options, const std::vector<CConvertJob>& jobs);
    // How the files of a batch ended, for the line after them.
    struct CTally {
        int nConverted = 0;
        int nUpToDate = 0; // up to date, or the output of another input
        int nKept = 0;
        int nFailed = 0;
        void Add(const CJobResult& result, bool bDone);
    };
    // "veltrane-convert: 198 converted, 2 up to date, 1 not converted".
    void PrintTally(const CTally& tally);
    // A standard output that took no more lines stops the batch, once, with
    // a word on standard error.
    void StopOnClosedOutput(std::atomic<bool>& bOutputClosed);
    // Lines that wait for one another to go out together, when they are not
    // written one at a time.
    static constexpr int kLinesPerBlock = 64;
    // What the engine says of the system: fewer workers than asked, and
    // temporary files an earlier, stopped run left.
    void ReportSystemEvents(CBatchEngine& engine);
    // Converts the files, and draws their pictures with --plot.
    int Convert(const CBatchOptions& options, const std::vector<CConvertJob>& jobs,
                CSurveyReport& report);
    // Reports how one file ended; TRUE when it converted (or was kept, or
    // is up to date).
    // Its picture's line follows, or with --json its fields.
    bool PrintResult(const CJobResult& result, const CSurveyReport& report,
                     const CPictureOutcome& picture);
    // --json: the file's ending as one JSON object on a line of its own:
    // with its figures when the survey was read, and its picture.
    void PrintJson(const CJobResult& result, const CPictureOutcome& picture);
    // " (up to date)", " (kept)", " (output of B12.twi)", or nothing.
    static std::string OutcomeNote(const CJobResult& result);
    // Why a file was not converted, for "B12.twi: error: ...": what its
    // status means, with the status.
    static std::string FailureText(const CJobResult& result);
    void PrintUsage(std::ostream& stream) const;
    int UsageError(const std::string& strProblem);

    std::ostream& m_out;
    std::ostream& m_err;
    bool m_bProgress = false;
    bool m_bQuiet = false; // -q: no line for a file that converted
    bool m_bJson = false;  // --json: one JSON object a file instead of lines
};
