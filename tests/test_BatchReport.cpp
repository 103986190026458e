// What a window says of a run over many files: each row's result on one
// line, the count at the end and the one question before the run.
#include "convert/BatchReport.h"

#include <gtest/gtest.h>
#include <string>

namespace {

CJobResult Result(JobOutcome nJob, const char* pszOutput, const char* pszMessage = "") {
    CJobResult result;
    result.m_strSource = "in/B12.twi";
    result.m_nDirection = directionTwiToCsv;
    result.m_nJobOutcome = nJob;
    result.m_strOutput = pszOutput;
    result.m_strMessage = pszMessage;
    return result;
}

} // namespace

TEST(BatchReport, RowSaysTheOutputOrWhyOnOneLine) {
    CJobResult twoWarnings = Result(jobConverted, "C:\\data\\SDP_B12.csv");
    twoWarnings.m_diagnostics.AddWarning(3, "a depth was rounded");
    twoWarnings.m_diagnostics.AddError(4, "not counted as a warning");
    twoWarnings.m_diagnostics.AddWarning(5, "a reading was rounded");
    CJobResult oneWarning = Result(jobConverted, "out/SDP_B12.csv");
    oneWarning.m_diagnostics.AddWarning(0, "w");
    CJobResult madeFrom = Result(jobOutputOfInput, "in/SDP_B12.csv");
    madeFrom.m_strMadeFrom = "C:\\in\\B12.twi";
    const struct {
        CJobResult result;
        std::string text;
    } cases[] = {
        {Result(jobConverted, "in/SDP_B12.csv"), "Converted to SDP_B12.csv"},
        {oneWarning, "Converted to SDP_B12.csv (1 warning)"},
        {twoWarnings, "Converted to SDP_B12.csv (2 warnings)"},
        {Result(jobKept, "in\\SDP_B12.csv"), "Kept the existing SDP_B12.csv"},
        {Result(jobUpToDate, "in/SDP_B12.csv"), "Up to date: SDP_B12.csv"},
        {madeFrom, "The output of B12.twi, up to date"},
        // Line breaks and runs of spaces of a message make one space.
        {Result(jobCancelled, "", "Not converted:\r\n  cancelled. \n"),
         "Not converted: cancelled."},
        {Result(jobFailed, "", "  Error writing.\r\n"), "Error writing."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CBatchReport::ResultText(c.result).str(), c.text);
    }
    const std::string strUnknown = CBatchReport::ResultText(Result(jobUnknownType, "", "")).str();
    EXPECT_NE(strUnknown.find(CBatchReport::kOnlySurveys), std::string::npos) << strUnknown;
    EXPECT_EQ(strUnknown.find('\n'), std::string::npos) << strUnknown;

    // The tooltip: the row's text, then the lines that explain it.
    EXPECT_EQ(CBatchReport::ResultDetail(oneWarning).str(),
              "Converted to SDP_B12.csv (1 warning)\n\nwarning: w");
}

TEST(BatchReport, CountAndQuestion) {
    const struct {
        std::vector<JobOutcome> outcomes;
        int nTotal;
        std::string summary;
    } cases[] = {
        {{jobConverted}, 1, "1 file: 1 converted."},
        {{}, 3, "3 files: 0 converted, 3 not converted."}, // rows with no result yet
        {{jobConverted, jobKept, jobFailed, jobCancelled},
         4,
         "4 files: 1 converted, 1 kept, 2 not converted (cancelled)."},
        {{jobKept, jobKept}, 2, "2 files: 0 converted, 2 kept."},
        // Up to date is no failure: a second run over the same files.
        {{jobUpToDate, jobOutputOfInput, jobConverted}, 3, "3 files: 1 converted, 2 up to date."},
    };
    for (const auto& c : cases) {
        CBatchReport report;
        for (JobOutcome n : c.outcomes) {
            report.Add(Result(n, "SDP_B12.csv"));
        }
        EXPECT_EQ(report.Summary(c.nTotal).str(), c.summary);
    }
    EXPECT_EQ(CBatchReport::ReplaceQuestion(1).str(),
              "1 of the converted files already exists. Replace it?");
    EXPECT_EQ(CBatchReport::ReplaceQuestion(12).str(),
              "12 of the converted files already exist. Replace them?");
    EXPECT_EQ(CBatchReport::Converting(1).str(), "Converting 1 file...");
    EXPECT_EQ(CBatchReport::ReadyToConvert(1).str(),
              "1 file ready: press Convert to convert them.");
    EXPECT_EQ(CBatchReport::ReadyToConvert(3).str(),
              "3 files ready: press Convert to convert them.");
    EXPECT_EQ(CBatchReport::Chosen(2).str(), "2 files and folders chosen");
}

// Only files not converted: every ending that left a good output is hidden.
TEST(BatchReport, FilterHidesWhatSucceeded) {
    for (JobOutcome n : {jobConverted, jobKept, jobUpToDate, jobOutputOfInput, jobUnknownType,
                         jobProtectsInput, jobSameOutput, jobFailed, jobFileError, jobCancelled}) {
        const bool bSucceeded =
            n == jobConverted || n == jobKept || n == jobUpToDate || n == jobOutputOfInput;
        EXPECT_EQ(CBatchReport::HiddenByFilter(true, Result(n, "SDP_B12.csv")), bSucceeded) << n;
        EXPECT_FALSE(CBatchReport::HiddenByFilter(false, Result(n, "SDP_B12.csv"))) << n;
    }
}
