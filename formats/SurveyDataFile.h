// What the two survey converters share exactly: the file they are while a
// call runs, opening and closing it, writing one line, and the fallback
// output naming with its extension. Each format's class adds its own reader
// and writer steps.
#pragma once

#include "platform/CFile.h"
#include "platform/CString.h"
#include "platform/Types.h"
#include "survey/PlotDataObj.h"

#include <string>

class CSurveyDataFile : public CFile {
public:
    // Longest line a writer puts on disk, CR LF not counted.
    static constexpr int kMaxLineLength = 256;
    // Highest number a derived output name may carry before the writer gives
    // up and uses "FilenameError." with the extension.
    static constexpr int kMaxNameIndex = 1024;

    ~CSurveyDataFile() override;

    // With CFile::modeCreate the file is written under a temporary name beside
    // the target and only CommitDataFile puts it in place, so a failed write
    // never damages an earlier file of that name.
    BOOL OpenDataFile(CString strPath, UINT nFlags);
    // Closes the file; an uncommitted output is discarded with its temporary name.
    void CloseDataFile();
    // Closes an output and renames it over its target; FALSE (and nothing left
    // behind) when the system refuses either step.
    BOOL CommitDataFile();
    // The first steps of every write: 1 when the record holds no loaded
    // survey, a name derived when the path is empty, 2 when the output cannot
    // be opened; 0 with the output open.
    int OpenOutput(CString strPath, CPlotDataObj* pData);
    // Lines are gathered and written in large blocks; CommitDataFile writes
    // what is left before it closes the file.
    void WriteLine(CString strLine, BOOL bNewLine);
    CString MakeOutputPath(CPlotDataObj* pData);
    // The calendar year of a date as survey files write it: 0 to 69 are 2000
    // to 2069, 70 to 99 are 1970 to 1999, and a full year must lie from 1970
    // to 2100. 0 for any other year.
    static int SurveyYear(int nYear);
    CString FindFreeName(CString& strBaseName, int& nIndex);

    CString m_strOutFolder;
    CPlotDataObj* m_pData = nullptr;
    BOOL m_bOpen = FALSE;
    CString m_strPath;
    CString m_strName;

protected:
    explicit CSurveyDataFile(LPCSTR pszExtension);

    // Discards an uncommitted output if a file exception leaves a writer
    // early, so no temporary file outlives the failed write.
    class CPendingOutput {
    public:
        explicit CPendingOutput(CSurveyDataFile& file) : m_file(file) {}
        ~CPendingOutput();
        CPendingOutput(const CPendingOutput&) = delete;
        CPendingOutput& operator=(const CPendingOutput&) = delete;

    private:
        CSurveyDataFile& m_file;
    };

private:
    static constexpr size_t kOutputBufferSize = 65536;
    // Temporary names are random; a taken one is simply tried again.
    static constexpr int kTempNameTries = 100;

    void FlushOutput();
    void DiscardOutput();

    const CString m_strExtension;
    CString m_strTempPath;   // the temporary name while an output is written
    CString m_strTargetPath; // the name it gets when committed
    std::string m_strOutput; // lines written but not yet passed to the file
};
