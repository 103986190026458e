// What the two survey converters share: the outline of a read and of a write,
// the file they are while a call runs, opening and closing it, reading the
// next line that is not blank, writing one line, the stations a writer
// writes, and the fallback output naming with its extension. Each format's
// class supplies its own header and data steps.
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

    // Reads the survey file at strPath into the record: the header, then the
    // data. 0 when read (the record is then marked loaded); -1 when the path
    // is empty or the file cannot be opened; otherwise the format's status of
    // a header that failed, or -3 when no data follows it.
    int ReadSurvey(CString strPath, CPlotDataObj* pData);
    // Writes the record to strPath (a name is derived when it is empty):
    // 0 written, 1 the record holds no loaded survey (nothing created), 2 the
    // output cannot be created or written, 3 the header cannot be written.
    int WriteSurvey(CString strPath, CPlotDataObj* pData);

    // The format's steps. ReadHeader gives 0 or the format's failure status;
    // ReadData gives the number of stations read.
    virtual int ReadHeader() = 0;
    virtual int ReadData() = 0;
    virtual BOOL WriteHeader(CPlotDataObj* pData) = 0;
    virtual void WriteData(CPlotDataObj* pData) = 0;

    // With CFile::modeCreate the file is written under a temporary name beside
    // the target and only CommitDataFile puts it in place, so a failed write
    // never damages an earlier file of that name.
    BOOL OpenDataFile(CString strPath, UINT nFlags);
    // Closes the file; an uncommitted output is discarded with its temporary name.
    void CloseDataFile();
    // Closes an output and renames it over its target; FALSE (and nothing left
    // behind) when the system refuses either step.
    BOOL CommitDataFile();
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

    // The stations a writer writes: the survey depth over the interval,
    // truncated, but never a slot the grid does not have (the grid keeps one
    // to spare), and none without a grid or a positive interval. A record read
    // from a file whose grid could not be built is still marked loaded, so the
    // grid, not the header, has the last word.
    static int StationCount(const CPlotDataObj& data);

protected:
    explicit CSurveyDataFile(LPCSTR pszExtension);

    // Status values every read and write shares.
    static constexpr int kReadNotOpened = -1;
    static constexpr int kReadNoData = -3;
    static constexpr int kWriteNotLoaded = 1;
    static constexpr int kWriteNotCreated = 2;
    static constexpr int kWriteNoHeader = 3;

    // The status of a read whose header step failed with nHeaderStatus.
    virtual int HeaderFailure(int nHeaderStatus) const { return nHeaderStatus; }
    // What a format does once a read has succeeded, before the file closes.
    virtual void CompleteRead() {}
    // What a format changes in the record before it writes it.
    virtual void PrepareWrite(CPlotDataObj* /*pData*/) {}

    // The next line that is not empty once its leading blanks are removed,
    // without them; FALSE at the end of the file or at a line longer than
    // nLimit allows (see ReadLine).
    BOOL ReadNonBlankLine(CString& strLine, int nLimit);

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
