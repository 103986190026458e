// What the two survey converters share: the outline of a read and of a write,
// the file they are while a call runs, opening and closing it, reading the
// next line that is not blank, writing one line, the stations a writer
// writes, and the fallback output naming with its extension. Each format's
// class supplies its own header and data steps.
#pragma once

#include "formats/SafeOutput.h"
#include "formats/SurveyStatus.h"
#include "platform/CFile.h"
#include "platform/CString.h"
#include "platform/FileSystem.h"
#include "platform/Types.h"
#include "survey/DiagnosticText.h"
#include "survey/LineReader.h"
#include "survey/PlotDataObj.h"

#include <string>

class CSurveyDataFile : public CFile {
public:
    // Longest line a writer puts on disk, CR LF not counted.
    static constexpr int kMaxLineLength = CSafeOutput::kMaxLineLength;
    // Highest number a derived output name may carry before the writer gives
    // up and uses "FilenameError." with the extension.
    static constexpr int kMaxNameIndex = 1024;

    ~CSurveyDataFile() override;

    // Reads the survey file at strPath into the record: the header, then the
    // data. statusDone when read (the record is then marked loaded);
    // statusNotOpened when the path is empty or the file cannot be opened;
    // otherwise the format's status of a header that failed or of data it
    // refused. The record's diagnostics start afresh and say what was
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
    // The same, given what a look at strPath found just before (pTarget),
    // so that the write need not look again before it compares.
    int WriteSurvey(CString strPath, CPlotDataObj* pData, const EntryFacts* pTarget);
    BOOL m_bKeepIdentical = FALSE;
    BOOL m_bLeftAlone = FALSE;
    // TRUE when the file at strPath holds exactly the bytes a write of the
    // record would give; nothing is written.
    BOOL WouldWriteSameAs(const CString& strPath, CPlotDataObj* pData);
    // The warnings a write of this record would give, added to the list:
    // what this format cannot hold as the record has it.
    virtual void AddTargetWarnings(const CPlotDataObj& data, CDiagnosticList& list) const;

    // The format's steps. Each gives statusDone or the status of the failure,
    // whose reason it has added to the record's diagnostics. ReadData leaves
    // the stations read in the record (m_nReadingCount).
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
    void SetOutputBatch(COutputBatch* pBatch, int nOrder) { m_output.SetBatch(pBatch, nOrder); }

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

    // The stations a writer writes (StationsOfDepth), but never a slot the
    // grid does not have (the grid keeps one to spare), and none without a
    // grid. A record read from a file whose grid could not be built is still
    // marked loaded, so the grid, not the header, has the last word.
    static int StationCount(const CPlotDataObj& data);
    // The stations of a survey depth: every station down to the depth, the
    // deepest one included when the depth falls short of it by no more than
    // a file's rounding (StationTolerance), as a depth of 79.95 has the
    // station at 80.0. Both readers accept a station only within this count,
    // so every station read is written. 0 without a positive interval.
    static int StationsOfDepth(double dDepth, double dInterval);

protected:
    explicit CSurveyDataFile(LPCSTR pszExtension);

    // What a format does once a read has succeeded, before the file closes.
    virtual void CompleteRead() {}
    // What a format changes in the record before it writes it.
    virtual void PrepareWrite(CPlotDataObj* /*pData*/) {}

    // One line of the file (see ReadLine), counted in m_nLine; how it ended
    // and whether bytes vanished from it is kept in m_lineFacts.
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

    // Adds the error that refuses the file, at nLine; gives nStatus back for
    // the step to end with.
    int RefuseData(int nStatus, int nLine, CString strText);
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
    // Warns when the survey depth, written with one decimal, would give a
    // reader of the output another number of stations than is written.
    static void WarnOfRoundedDepth(const CPlotDataObj& data, CDiagnosticList& list);
    // Warns, at nLine, when the stations read end above the survey depth: the
    // writers write every station down to it, those without a reading as
    // zero. nLastSlot is the deepest slot that holds a reading.
    void WarnOfStationsBelow(int nLastSlot, int nLine);

    // What stands in the record in place of the reading date as written (the
    // time of the conversion, or a date the calendar moved), for a warning;
    // empty when the date was taken as written.
    CString m_strDateNote;
    // What the line read last held beyond its text.
    CLineFacts m_lineFacts;

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
    void DiscardOutput();
    // The format's header and data steps into the output buffer: 0, or the
    // status of a write that failed (its error added to the record).
    int WriteBody(CPlotDataObj* pData);
    // The whole output made in memory, no file opened: 0 and its bytes in
    // strBytes, or the status of the write that failed.
    int Render(CPlotDataObj* pData, std::string& strBytes);
    // TRUE when the file at strPath holds exactly these bytes. A file whose
    // size is known to differ is not even opened.
    static BOOL FileHolds(const CString& strPath, const std::string& strBytes,
                          const EntryFacts& facts);

    const CString m_strExtension;
    CSafeOutput m_output; // the output being written, until committed or discarded
    BOOL m_bLineTooLong = FALSE;
    CString m_strLongLine; // what the line too long was, for the error
};
