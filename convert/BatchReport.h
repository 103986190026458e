// What a window says of a run over many files: the one question before it,
// each file's row and the count at its end. Both windows list a run the same
// way, so the words live here, once.
#pragma once

#include "convert/BatchPlan.h"

class CBatchReport {
public:
    // "3 of the converted files already exist. Replace them?"
    static CString ReplaceQuestion(int nExisting);
    // What a row of a file of no known type says, in place of the direction
    // box's advice.
    static constexpr const char* kOnlySurveys = "Only .twi and .csv files are converted.";
    static constexpr const char* kWaiting = "Waiting...";
    static constexpr const char* kNoSurveys = "No survey files (.twi or .csv) to convert.";
    static constexpr const char* kStillRunning =
        "Other files are still being converted. Wait until they are done, or cancel them, "
        "before converting these.";

    // "Converting 3 files..."
    static CString Converting(int nFiles);
    // A row's result on one line: the output written (with its count of
    // warnings) or kept, or why the file was not converted.
    static CString ResultText(const CJobResult& result);
    // The result and the lines that explain it, for the row's tooltip.
    static CString ResultDetail(const CJobResult& result);

    // Counts the rows as their results come, and says so at the end.
    void Add(const CJobResult& result);
    // "4 files: 2 converted, 1 kept, 1 not converted (cancelled)."
    CString Summary(int nTotal) const;

private:
    int m_nConverted = 0;
    int m_nKept = 0;
    int m_nCancelled = 0;
};
