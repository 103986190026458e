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
    // A row listed for Convert, before any run.
    static constexpr const char* kReady = "Ready";
    // The filter of a long list: only the rows that did not succeed.
    static constexpr const char* kOnlyNotConverted = "Only files not converted";
    static constexpr const char* kNoSurveys = "No survey files (.twi or .csv) to convert.";
    static constexpr const char* kStillRunning =
        "Other files are still being converted. Wait until they are done, or cancel them, "
        "before converting these.";

    // "Converting 3 files..."
    static CString Converting(int nFiles);
    // "3 files ready: press Convert to convert them."
    static CString ReadyToConvert(int nFiles);
    // What the selection box shows for several files or folders chosen:
    // "3 files and folders chosen".
    static CString Chosen(int nPaths);
    // A row with this result is hidden while only the files not converted
    // are shown; a row still without its result stays.
    static bool HiddenByFilter(bool bOnlyNotConverted, const CJobResult& result) {
        return bOnlyNotConverted && result.Succeeded();
    }
    // A row's result on one line: the output written (with its count of
    // warnings) or kept, or why the file was not converted.
    static CString ResultText(const CJobResult& result);
    // The result and the lines that explain it, for the row's tooltip.
    static CString ResultDetail(const CJobResult& result);

    // Counts the rows as their results come, and says so at the end.
    void Add(const CJobResult& result);
    // "4 files: 2 converted, 1 kept, 1 up to date, 1 not converted (cancelled)."
    CString Summary(int nTotal) const;

private:
    int m_nConverted = 0;
    int m_nKept = 0;
    int m_nUpToDate = 0; // up to date, or the output of another file of the run
    int m_nCancelled = 0;
};
