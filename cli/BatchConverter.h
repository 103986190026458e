// veltrane-convert: converts many survey files in one call, each through the
// same conversion command the window's Convert button runs.
#pragma once

#include "VeltraneVersion.h"
#include "convert/BatchEngine.h"
#include "convert/ConvertCommand.h"

#include <iosfwd>
#include <string>
#include <vector>

class CBatchConverter {
public:
    static constexpr const char* kProgramName = "veltrane-convert";
    static constexpr const char* kVersionText = VELTRANE_NAME_AND_VERSION;

    enum ExitStatus { exitConverted = 0, exitSomeFailed = 1, exitUsage = 2 };

    CBatchConverter(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}

    // Parses the arguments (without the program name), converts every file
    // and returns the exit status.
    int Run(const std::vector<std::string>& args);

    // Plain words for a converter status: what it means for that reader or
    // writer, so nobody has to look codes up. Empty for an unknown status.
    static std::string ExplainStatus(ConvertOutcome nOutcome, int nDirection, int nStatus);

private:
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
    // --info: summaries instead of conversions; --plot: picture files.
    bool m_bInfo = false;
    std::string m_strPlotFormat;
};
