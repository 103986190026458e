// What the two survey converters share: the outline of a read and of a write,
// the file they are while a call runs, opening and closing it, reading the
// next line that is not blank, writing one line, the stations a writer
// writes, and the fallback output naming with its extension. Each format's
// class supplies its own header and data steps.
#pragma once

#include "formats/SurveyStatus.h"
#include "platform/CFile.h"
#include "platform/CString.h"
#include "platform/Types.h"
#include "survey/PlotDataObj.h"

#include <mutex>
#include <string>
#include <vector>

// Outputs of a batch, written and closed under their temporary names but
// not yet put in place. They are flushed to the disk together, with one call
// for the file system rather than one for each file, and then renamed over
// their targets in the order of their numbers, so that a batch is as safe as
// file-by-file writing but hardly slower than copying. Until then a signal
// still removes them; what is not committed is discarded.
class COutputBatch {
public:
    struct CFailure {
        int nOrder;
        int nError; // the system's reason
    };

    COutputBatch() = default;
    COutputBatch(const COutputBatch&) = delete;
    COutputBatch& operator=(const COutputBatch&) = delete;
    ~COutputBatch();

    // Takes a written output; any thread may call it.
    void Add(int nOrder, const CString& strTemp, const CString& strTarget, int nTempSlot);
    // Flushes, renames and forgets every output added; the ones that could
    // not be put in place, with the reason.
    std::vector<CFailure> CommitAll();

private:
    struct CEntry {
        int nOrder;
        CString strTemp;
        CString strTarget;
        int nTempSlot;
    };

    std::mutex m_mutex;
    std::vector<CEntry> m_entries;
};

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
    // a header that failed, of data it refused, or -3 when no data follows
    // the header. The record's diagnostics start afresh and say what was
    // refused or changed, line by line.
    int ReadSurvey(CString strPath, CPlotDataObj* pData);
    // Writes the record to strPath (a name is derived when it is empty):
    // 0 written, 1 the record holds no loaded survey (nothing created), 2 the
    // output cannot be created or written, 3 the header cannot be written.
    // What the target format cannot hold is added to the record's
    // diagnostics as warnings.
    // With m_bKeepIdentical, an existing output that already holds exactly
    // the bytes of this write is left alone, its time stamp and all:
    // m_bLeftAlone then says so, and the status is 0.
    int WriteSurvey(CString strPath, CPlotDataObj* pData);
    BOOL m_bKeepIdentical = FALSE;
    BOOL m_bLeftAlone = FALSE;
    // TRUE when the file at strPath holds exactly the bytes a write of the
    // record would give; nothing is written.
    BOOL WouldWriteSameAs(const CString& strPath, CPlotDataObj* pData);
    // The warnings a write of this record would give, added to the list:
    // what this format cannot hold as the record has it.
    virtual void AddTargetWarnings(const CPlotDataObj& data, CDiagnosticList& list) const;

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
    // what is left before it closes the file. A line longer than
    // kMaxLineLength is not written but refused: the write then fails.
    void WriteLine(CString strLine, BOOL bNewLine);
    // The same for lines made in place, as the data lines are: BeginLine
    // gives the output buffer to append the line to, EndLine ends it with
    // CR LF and gives 0; a line too long is taken back instead, and EndLine
    // gives its length, for the writer to refuse it (RefuseLongLine).
    std::string& BeginLine();
    int EndLine();
    CString MakeOutputPath(CPlotDataObj* pData);
    // The calendar year of a date as survey files write it: 0 to 69 are 2000
    // to 2069, 70 to 99 are 1970 to 1999, and a full year must lie from 1970
    // to 2100. 0 for any other year.
    static int SurveyYear(int nYear);
    CString FindFreeName(CString& strBaseName, int& nIndex);
    // For a batch: a committed output goes to pBatch, to be put in place with
    // the others, under the number nOrder; null puts it in place at once.
    void SetOutputBatch(COutputBatch* pBatch, int nOrder) {
        m_pOutputBatch = pBatch;
        m_nBatchOrder = nOrder;
    }

    CString m_strOutFolder;
    CPlotDataObj* m_pData = nullptr;
    BOOL m_bOpen = FALSE;
    CString m_strPath;
    CString m_strName;

    // The line of the file read last, counted from 1 (0 before the first).
    int m_nLine = 0;
    // The system's reason (errno) why the last open or commit failed; 0
    // after one that succeeded.
    int m_nSystemError = 0;

    // The stations a writer writes: the survey depth over the interval,
    // truncated, but never a slot the grid does not have (the grid keeps one
    // to spare), and none without a grid or a positive interval. A record read
    // from a file whose grid could not be built is still marked loaded, so the
    // grid, not the header, has the last word.
    static int StationCount(const CPlotDataObj& data);

protected:
    explicit CSurveyDataFile(LPCSTR pszExtension);

    // The status of a read whose header step failed with nHeaderStatus.
    virtual int HeaderFailure(int nHeaderStatus) const { return nHeaderStatus; }
    // What a format does once a read has succeeded, before the file closes.
    virtual void CompleteRead() {}
    // What a format changes in the record before it writes it.
    virtual void PrepareWrite(CPlotDataObj* /*pData*/) {}

    // One line of the file (see ReadLine), counted in m_nLine.
    BOOL ReadFileLine(CString& strLine, int nLimit);
    // The next line that is not empty once its leading blanks are removed,
    // without them; FALSE at the end of the file or at a line longer than
    // nLimit allows.
    BOOL ReadNonBlankLine(CString& strLine, int nLimit);
    // After ReadFileLine gave FALSE: TRUE when the file has ended, FALSE when
    // a line was too long for its limit (the file stays where it was).
    BOOL AtEndOfFile();

    // A writer that would write a line longer than kMaxLineLength refuses
    // it, naming what it is ("the row of the station at 12.0 m"); WriteSurvey
    // then writes nothing and fails.
    void RefuseLongLine(CString strWhat, int nLength);

    // A data step that refuses the file sets the status here and adds the
    // error; ReadSurvey then ends with it.
    void RefuseData(int nStatus, int nLine, CString strText);
    // FALSE, with the reason added as an error, when the record's depth and
    // interval cannot build a depth grid: zero, negative interval, not a
    // number, infinite, or more stations than a grid may hold.
    BOOL CheckGrid();

    // How far a station depth in a file may stand from where the interval
    // puts it. Depths and the interval are written with one or two decimals,
    // and an interval of 0.3048 is written as 0.3, so a station may stray by
    // up to 0.06; but never by half an interval, so that a missing or a
    // repeated station still shows.
    static double StationTolerance(double dInterval);
    // "the station at 14.0 m is missing", or "the 3 stations from 14.0 m to
    // 15.0 m are missing".
    static CString MissingText(double dFrom, double dTo, double dCount, const CPlotDataObj& data);
    // Warns, at nLine, when the stations read end above the survey depth: the
    // writers write every station down to it, those without a reading as
    // zero. nLastSlot is the deepest slot that holds a reading.
    void WarnOfStationsBelow(int nLastSlot, int nLine);

    // A depth with the record's depth unit ("14.0 m", "10.06 ft").
    static CString DepthText(double dDepth, const CPlotDataObj& data);
    // "one station", "4 stations".
    static CString StationsText(int nCount);
    // A line number as text.
    static CString LineNumberText(int nLine);
    // A line's text for a message: quoted, and shortened when it is long.
    static CString Quote(const CString& strLine);

    // What stands in the record in place of the reading date as written (the
    // time of the conversion, or a date the calendar moved), for a warning;
    // empty when the date was taken as written.
    CString m_strDateNote;

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
    // The format's header and data steps into the output buffer: 0, or the
    // status of a write that failed (its error added to the record).
    int WriteBody(CPlotDataObj* pData);
    // The whole output made in memory, no file opened: 0 and its bytes in
    // strBytes, or the status of the write that failed.
    int Render(CPlotDataObj* pData, std::string& strBytes);
    // TRUE when the file at strPath holds exactly these bytes.
    static BOOL FileHolds(const CString& strPath, const std::string& strBytes);
    void ForgetTempFile();

    COutputBatch* m_pOutputBatch = nullptr;
    int m_nBatchOrder = 0;
    int m_nDataStatus = statusDone; // set by RefuseData
    const CString m_strExtension;
    int m_nTempSlot = -1;       // its place among the files a signal removes
    BOOL m_bKeepAccess = FALSE; // the target exists: the output takes its access rights
    UINT m_nTargetAccess = 0;
    BOOL m_bLineTooLong = FALSE;
    CString m_strLongLine;      // what the line too long was, for the error
    CString m_strTempPath;      // the temporary name while an output is written
    CString m_strTargetPath;    // the name it gets when committed
    std::string m_strOutput;    // lines written but not yet passed to the file
    size_t m_nLineStart = 0;    // where the line being made began in it
    BOOL m_bHoldOutput = FALSE; // Render: the buffer is never flushed
};
