// veltrane-convert: converts many survey files in one call, each through the
// same conversion command the window's Convert button runs.
#pragma once

#include "VeltraneVersion.h"
#include "convert/BatchEngine.h"
#include "convert/ConvertCommand.h"

#include <chrono>
#include <iosfwd>
#include <string>
#include <vector>

class CBatchConverter {
public:
    static constexpr const char* kProgramName = "veltrane-convert";
    static constexpr const char* kVersionText = VELTRANE_NAME_AND_VERSION;

    enum ExitStatus { exitConverted = 0, exitSomeFailed = 1, exitUsage = 2 };

    // bProgress: standard error is a terminal, where a batch that takes a
    // while shows one line of progress (never in pipes or logs).
    CBatchConverter(std::ostream& out, std::ostream& err, bool bProgress = false)
        : m_out(out), m_err(err), m_bProgress(bProgress) {}

    // Parses the arguments (without the program name), converts every file
    // and returns the exit status.
    int Run(const std::vector<std::string>& args);

    // Plain words for a converter status: what it means for that reader or
    // writer, so nobody has to look codes up. Empty for an unknown status.
    static std::string ExplainStatus(ConvertOutcome nOutcome, int nDirection, int nStatus);

private:
    // One line on the terminal, "veltrane-convert: 1234 of 5000 done, FILE",
    // redrawn in place and erased before any message and at the end.
    class CProgressLine {
    public:
        CProgressLine(std::ostream& stream, bool bEnabled);
        void Show(int nDone, int nTotal, const std::string& strSource);
        void Erase();

    private:
        static constexpr std::chrono::milliseconds kQuietStart{1000};
        static constexpr std::chrono::milliseconds kEvery{100};
        std::ostream& m_stream;
        bool m_bEnabled;
        bool m_bShown = false;
        std::chrono::steady_clock::time_point m_start;
        std::chrono::steady_clock::time_point m_last;
    };

    // Reports how one file ended; TRUE when it converted (or was kept).
    bool PrintResult(const CJobResult& result);
    // Each diagnostic as SOURCE:LINE: error: TEXT (or warning), on stderr.
    void PrintDiagnostics(const std::string& strSource, const CDiagnosticList& diagnostics);
    void PrintUsage(std::ostream& stream) const;
    int UsageError(const std::string& strProblem);

    std::ostream& m_out;
    std::ostream& m_err;
    bool m_bStrict = false;
    bool m_bNoClobber = false;
    bool m_bProgress = false;
    int m_nJobs = 0; // files at a time; 0 for one per core
    // --info: summaries instead of conversions; --plot: picture files.
    bool m_bInfo = false;
    std::string m_strPlotFormat;
};
