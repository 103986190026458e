#include "formats/SurveyDataFile.h"

#include "platform/FileSystem.h"
#include "platform/TempFiles.h"
#include "survey/LineReader.h"
#include "survey/NumberText.h"
#include "survey/PlotSettings.h"

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace {

// "(n)": the number a derived output name carries before its extension.
CString NumberSuffix(int nIndex) {
    std::string strSuffix = "(";
    AppendWhole(strSuffix, nIndex);
    strSuffix += ")";
    return CString(std::move(strSuffix));
}

} // namespace

CSurveyDataFile::CSurveyDataFile(LPCSTR pszExtension) : m_strExtension(pszExtension) {}

CSurveyDataFile::~CSurveyDataFile() {
    DiscardOutput();
}

BOOL CSurveyDataFile::OpenDataFile(CString strPath, UINT nFlags) {
    CloseDataFile();
    m_nSystemError = 0;
    if (nFlags & CFile::modeCreate) {
        // One look at the target: a folder is refused, and a file to be
        // replaced lends its access rights to the new one.
        const EntryKind nTarget = GetEntry(strPath, &m_nTargetAccess);
        m_bKeepAccess = nTarget == entryFile;
        if (strPath.IsEmpty() || nTarget == entryFolder) {
            m_nSystemError = strPath.IsEmpty() ? ENOENT : EISDIR;
            m_bOpen = FALSE;
            return m_bOpen;
        }
        for (int nTry = 0; nTry < kTempNameTries; ++nTry) {
            CString strTemp = TempNameBeside(strPath);
            CFileException error;
            if (Open(strTemp, nFlags | CFile::modeCreateNew, &error)) {
                m_strTempPath = strTemp;
                m_strTargetPath = strPath;
                m_nTempSlot = RegisterTempFile(strTemp);
                m_bLineTooLong = FALSE;
                m_bOpen = TRUE;
                return m_bOpen;
            }
            m_nSystemError = error.m_lOsError;
            if (error.m_lOsError != EEXIST) {
                break; // the folder refuses: missing, not writable, full
            }
        }
        m_bOpen = FALSE;
        return m_bOpen;
    }
    CFileException error;
    m_bOpen = Open(strPath, nFlags, &error);
    m_nSystemError = m_bOpen ? 0 : error.m_lOsError;
    return m_bOpen;
}

void CSurveyDataFile::CloseDataFile() {
    if (!m_strTempPath.IsEmpty()) {
        DiscardOutput();
        return;
    }
    if (m_bOpen) {
        FlushOutput();
        Close();
    }
    m_bOpen = FALSE;
}

int CSurveyDataFile::ReadSurvey(CString strPath, CPlotDataObj* pData) {
    m_strPath = strPath;
    m_nLine = 0;
    m_nDataStatus = statusDone;
    CDiagnosticList& diagnostics = pData->m_diagnostics;
    diagnostics.RemoveAll();
    if (strPath.IsEmpty()) {
        diagnostics.AddError(0, "no file was named");
        return statusNotOpened;
    }
    if (!OpenDataFile(strPath, CFile::modeRead | CFile::shareDenyWrite)) {
        diagnostics.AddError(0, "the file cannot be opened: " + SystemErrorText(m_nSystemError));
        return statusNotOpened;
    }
    m_pData = pData;
    pData->m_nDateLine = pData->m_nDepthLine = pData->m_nIntervalLine = 0;
    int nStatus = ReadHeader();
    if (nStatus != statusDone) {
        nStatus = HeaderFailure(nStatus);
    } else {
        const int nStations = ReadData();
        if (m_nDataStatus != statusDone) {
            nStatus = m_nDataStatus;
        } else if (nStations < 1) {
            nStatus = statusNotSurvey;
        } else {
            pData->m_bDataLoaded = TRUE;
            CompleteRead();
        }
    }
    if (nStatus != statusDone && !diagnostics.HasErrors()) {
        diagnostics.AddError(m_nLine, "no survey data could be read");
    }
    CloseDataFile();
    return nStatus;
}

int CSurveyDataFile::WriteSurvey(CString strPath, CPlotDataObj* pData) {
    if (!pData->m_bDataLoaded) {
        pData->m_diagnostics.AddError(0, "the survey holds no data to write");
        return statusNotLoaded; // nothing is created
    }
    if (strPath.IsEmpty()) {
        strPath = MakeOutputPath(pData);
    }
    m_bLeftAlone = FALSE;
    // An output that would not change is made in memory and compared; a
    // file read costs far less than a file written and flushed to the disk.
    std::string strRendered;
    if (m_bKeepIdentical && GetEntry(strPath) == entryFile) {
        const int nStatus = Render(pData, strRendered);
        if (nStatus != statusDone) {
            return nStatus;
        }
        if (FileHolds(strPath, strRendered)) {
            m_bLeftAlone = TRUE;
            AddTargetWarnings(*pData, pData->m_diagnostics);
            return statusDone;
        }
    }
    if (!OpenDataFile(strPath, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite)) {
        pData->m_diagnostics.AddError(0, "the output file " + strPath + " cannot be created: " +
                                             SystemErrorText(m_nSystemError));
        return statusNotCreated;
    }
    CPendingOutput pending(*this);
    if (!strRendered.empty()) {
        m_strOutput.swap(strRendered);
    } else if (const int nStatus = WriteBody(pData); nStatus != statusDone) {
        return nStatus;
    }
    if (!CommitDataFile()) {
        pData->m_diagnostics.AddError(
            0, "the output file " + strPath +
                   " cannot be put in place: " + SystemErrorText(m_nSystemError));
        return statusNotCreated;
    }
    AddTargetWarnings(*pData, pData->m_diagnostics);
    return statusDone;
}

BOOL CSurveyDataFile::WouldWriteSameAs(const CString& strPath, CPlotDataObj* pData) {
    std::string strRendered;
    return pData->m_bDataLoaded && Render(pData, strRendered) == statusDone &&
           FileHolds(strPath, strRendered);
}

int CSurveyDataFile::WriteBody(CPlotDataObj* pData) {
    PrepareWrite(pData);
    if (!WriteHeader(pData)) {
        DiscardOutput();
        pData->m_diagnostics.AddError(0, "the header of the output could not be written");
        return statusHeaderNotWritten;
    }
    WriteData(pData);
    if (m_bLineTooLong) {
        DiscardOutput();
        pData->m_diagnostics.AddError(0, m_strLongLine + ": nothing was written");
        return statusLineTooLong;
    }
    return statusDone;
}

int CSurveyDataFile::Render(CPlotDataObj* pData, std::string& strBytes) {
    // The steps write lines while the file is open; here the open file is
    // the buffer alone, which keeps every line until the end.
    CloseDataFile();
    m_strOutput.clear();
    m_bLineTooLong = FALSE;
    m_bHoldOutput = TRUE;
    m_bOpen = TRUE;
    const int nStatus = WriteBody(pData);
    m_bOpen = FALSE;
    m_bHoldOutput = FALSE;
    strBytes.swap(m_strOutput);
    m_strOutput.clear();
    return nStatus;
}

BOOL CSurveyDataFile::FileHolds(const CString& strPath, const std::string& strBytes) {
    CFile file;
    if (!file.Open(strPath, CFile::modeRead | CFile::shareDenyWrite)) {
        return FALSE;
    }
    // One byte more than expected shows a longer file.
    std::string strRead(strBytes.size() + 1, '\0');
    size_t nRead = 0;
    while (nRead < strRead.size()) {
        const UINT nGot = file.Read(&strRead[nRead], static_cast<UINT>(strRead.size() - nRead));
        if (nGot == 0) {
            break;
        }
        nRead += nGot;
    }
    file.Close();
    return nRead == strBytes.size() && strRead.compare(0, nRead, strBytes) == 0;
}

void CSurveyDataFile::AddTargetWarnings(const CPlotDataObj& data, CDiagnosticList& list) const {
    // Both formats write the interval with one decimal; a reader of the
    // output builds its stations from that.
    const double dInterval = data.m_dInterval;
    if (!(dInterval > 0.0) || !std::isfinite(dInterval)) {
        return;
    }
    const double dWritten = ParseNumber(FixedText(dInterval, 1));
    if (dWritten == dInterval) {
        return;
    }
    const int nStations = StationCount(data);
    CString strText = "the interval " + DepthText(dInterval, data) +
                      " is written with one decimal, as " + DepthText(dWritten, data);
    if (!(dWritten > 0.0)) {
        strText += ": a reader of the output cannot build a depth grid from it";
    } else if (nStations > 0) {
        std::string strCount;
        AppendWhole(strCount, nStations);
        strText += ": a reader of the output builds its " + CString(strCount.c_str()) +
                   " stations that far apart, so the deepest, at " +
                   DepthText(nStations * dInterval, data) + ", appears at " +
                   DepthText(nStations * dWritten, data);
    }
    list.AddWarning(data.m_nIntervalLine, strText);
}

BOOL CSurveyDataFile::ReadFileLine(CString& strLine, int nLimit) {
    ++m_nLine;
    return ReadLine(*this, strLine, nLimit);
}

BOOL CSurveyDataFile::AtEndOfFile() {
    char ch;
    if (Read(&ch, 1) == 0) {
        return TRUE;
    }
    Seek(-1, CFile::current);
    return FALSE;
}

void CSurveyDataFile::RefuseLongLine(CString strWhat, int nLength) {
    if (m_bLineTooLong) {
        return; // the first one is reported
    }
    m_bLineTooLong = TRUE;
    std::string strText = strWhat.str() + " would be ";
    AppendWhole(strText, nLength);
    strText += " characters long, and a line of the output holds at most ";
    AppendWhole(strText, kMaxLineLength);
    m_strLongLine = CString(std::move(strText));
}

void CSurveyDataFile::RefuseData(int nStatus, int nLine, CString strText) {
    if (m_nDataStatus == statusDone) {
        m_nDataStatus = nStatus;
    }
    m_pData->m_diagnostics.AddError(nLine, strText);
}

BOOL CSurveyDataFile::CheckGrid() {
    const CPlotDataObj& data = *m_pData;
    const double dDepth = std::fabs(data.m_dBottomDepth);
    const double dInterval = data.m_dInterval;
    CString strProblem;
    int nLine = data.m_nDepthLine;
    if (!std::isfinite(dDepth)) {
        strProblem = "the survey depth is not a finite number";
    } else if (dDepth == 0.0) {
        strProblem = "the survey depth is zero";
    } else if (!std::isfinite(dInterval) || !(dInterval > 0.0)) {
        nLine = data.m_nIntervalLine;
        strProblem = std::isfinite(dInterval)
                         ? "the interval " + FixedText(dInterval, 1) + " is not greater than zero"
                         : CString("the interval is not a finite number");
    } else if (!(std::ceil(dDepth / dInterval) < CPlotDataObj::kMaxGridSize)) {
        nLine = data.m_nIntervalLine;
        static_assert(CPlotDataObj::kMaxGridSize == 1000000, "the text names the limit");
        strProblem = "a survey depth of " + DepthText(dDepth, data) + " at an interval of " +
                     DepthText(dInterval, data) +
                     " gives a million stations or more, more than any borehole has";
    } else {
        return TRUE;
    }
    m_pData->m_diagnostics.AddError(nLine, strProblem + ": no depth grid can be built");
    return FALSE;
}

double CSurveyDataFile::StationTolerance(double dInterval) {
    constexpr double kRounding = 0.06;
    constexpr double kSlack = 1e-9; // what binary fractions add to a decimal depth
    return std::min(kRounding, 0.49 * dInterval) + kSlack;
}

CString CSurveyDataFile::MissingText(double dFrom, double dTo, double dCount,
                                     const CPlotDataObj& data) {
    if (dCount < 1.5) {
        return "the station at " + DepthText(dFrom, data) + " is missing";
    }
    return "the " + StationsText(static_cast<int>(dCount)) + " from " + DepthText(dFrom, data) +
           " to " + DepthText(dTo, data) + " are missing";
}

void CSurveyDataFile::WarnOfStationsBelow(int nLastSlot, int nLine) {
    const CPlotDataObj& data = *m_pData;
    const int nWritten = StationCount(data);
    const int nEmpty = nWritten - (nLastSlot + 1);
    if (nEmpty <= 0) {
        return;
    }
    const double dInterval = data.m_dInterval;
    m_pData->m_diagnostics.AddWarning(
        nLine, "the data ends at " + DepthText((nLastSlot + 1) * dInterval, data) +
                   ", above the survey depth of " +
                   DepthText(std::fabs(data.m_dBottomDepth), data) + ": " + StationsText(nEmpty) +
                   " below it " + (nEmpty == 1 ? "holds" : "hold") +
                   " no reading and will be written as zero");
}

CString CSurveyDataFile::DepthText(double dDepth, const CPlotDataObj& data) {
    // As many decimals as the depth needs (10.06, 0.3048), but at least one.
    std::string strText;
    AppendFixed(strText, dDepth, 6);
    while (strText.size() > 2 && strText.back() == '0' && strText[strText.size() - 2] != '.') {
        strText.pop_back();
    }
    static const char* const kAbbreviations[] = {"m", "mm", "ft", "in"};
    const int nUnit = data.m_settings.ParseUnits(data.m_strDepthUnits);
    if (!data.m_strDepthUnits.IsEmpty() && nUnit >= unitMeters && nUnit <= unitInches) {
        strText += " ";
        strText += kAbbreviations[nUnit];
    }
    return CString(std::move(strText));
}

CString CSurveyDataFile::StationsText(int nCount) {
    if (nCount == 1) {
        return "one station";
    }
    std::string strText;
    AppendWhole(strText, nCount);
    return CString(std::move(strText)) + " stations";
}

CString CSurveyDataFile::LineNumberText(int nLine) {
    std::string strText;
    AppendWhole(strText, nLine);
    return CString(std::move(strText));
}

CString CSurveyDataFile::Quote(const CString& strLine) {
    constexpr int kLongest = 40;
    if (strLine.GetLength() <= kLongest) {
        return "\"" + strLine + "\"";
    }
    return "\"" + strLine.Left(kLongest) + "...\"";
}

BOOL CSurveyDataFile::ReadNonBlankLine(CString& strLine, int nLimit) {
    strLine.Empty();
    while (strLine.IsEmpty()) {
        if (!ReadFileLine(strLine, nLimit)) {
            return FALSE;
        }
        strLine.TrimLeft();
    }
    return TRUE;
}

int CSurveyDataFile::StationCount(const CPlotDataObj& data) {
    if (!(data.m_dInterval > 0.0) || data.m_nGridSize < 1) {
        return 0;
    }
    const double dSteps = std::fabs(data.m_dBottomDepth) / data.m_dInterval;
    if (!(dSteps >= 1.0)) {
        return 0; // also a depth that is not a number
    }
    const int nLimit = data.m_nGridSize - 1;
    return dSteps >= nLimit ? nLimit : static_cast<int>(dSteps);
}

BOOL CSurveyDataFile::CommitDataFile() {
    if (!m_bOpen || m_strTempPath.IsEmpty()) {
        return FALSE;
    }
    if (m_bLineTooLong) {
        DiscardOutput(); // a file with a line left out must not replace anything
        return FALSE;
    }
    FlushOutput();
    // A file replaced keeps its access rights; a new one has the usual.
    if (m_bKeepAccess) {
        SetAccess(m_nTargetAccess);
    }
    if (m_pOutputBatch != nullptr) {
        // Flushed to the disk and renamed with the rest of the batch.
        Close();
        m_bOpen = FALSE;
        m_pOutputBatch->Add(m_nBatchOrder, m_strTempPath, m_strTargetPath, m_nTempSlot);
        m_nTempSlot = -1; // the batch removes it on a signal now
        ForgetTempFile();
        return TRUE;
    }
    // On the disk before the rename, or a power cut could leave an empty
    // file where the earlier one was.
    Flush();
    Close(); // raises CFileException when the system reports a late write error
    m_bOpen = FALSE;
    BOOL bReplaced = ReplaceFile(m_strTempPath, m_strTargetPath);
    if (!bReplaced) {
        m_nSystemError = errno;
        RemoveFile(m_strTempPath);
    } else {
        SyncFolderOf(m_strTargetPath); // the new name itself on the disk
    }
    ForgetTempFile();
    return bReplaced;
}

void CSurveyDataFile::ForgetTempFile() {
    UnregisterTempFile(m_nTempSlot);
    m_nTempSlot = -1;
    m_strTempPath.Empty();
    m_strTargetPath.Empty();
}

void CSurveyDataFile::DiscardOutput() {
    m_strOutput.clear();
    if (m_strTempPath.IsEmpty()) {
        return;
    }
    Abort();
    m_bOpen = FALSE;
    RemoveFile(m_strTempPath);
    ForgetTempFile();
}

CSurveyDataFile::CPendingOutput::~CPendingOutput() {
    m_file.DiscardOutput();
}

void CSurveyDataFile::WriteLine(CString strLine, BOOL bNewLine) {
    // A line is never cut: that would write another number than the one read.
    if (strLine.GetLength() > kMaxLineLength) {
        RefuseLongLine("the line " + Quote(strLine), strLine.GetLength());
        return;
    }
    m_strOutput.append(static_cast<LPCSTR>(strLine), static_cast<size_t>(strLine.GetLength()));
    if (bNewLine) {
        m_strOutput += "\r\n";
    }
    if (m_strOutput.size() >= kOutputBufferSize && !m_bHoldOutput) {
        FlushOutput();
    }
}

void CSurveyDataFile::FlushOutput() {
    if (m_strOutput.empty()) {
        return;
    }
    // The buffer is emptied whether or not the write succeeds (a failure
    // raises CFileException), and keeps its room for the next lines.
    struct CEmptied {
        std::string& strBuffer;
        ~CEmptied() { strBuffer.clear(); }
    } emptied{m_strOutput};
    Write(m_strOutput.data(), static_cast<UINT>(m_strOutput.size()));
}

std::string& CSurveyDataFile::BeginLine() {
    m_nLineStart = m_strOutput.size();
    return m_strOutput;
}

int CSurveyDataFile::EndLine() {
    const size_t nLength = m_strOutput.size() - m_nLineStart;
    if (nLength > kMaxLineLength) {
        m_strOutput.resize(m_nLineStart);
        return static_cast<int>(nLength);
    }
    m_strOutput += "\r\n";
    if (m_strOutput.size() >= kOutputBufferSize && !m_bHoldOutput) {
        FlushOutput();
    }
    return 0;
}

int CSurveyDataFile::SurveyYear(int nYear) {
    constexpr int kCenturyPivot = 70;
    constexpr int kFirstYear = 1970;
    constexpr int kLastYear = 2100;
    if (nYear >= 0 && nYear < kCenturyPivot) {
        return nYear + 2000;
    }
    if (nYear >= kCenturyPivot && nYear <= 99) {
        return nYear + 1900;
    }
    return nYear >= kFirstYear && nYear <= kLastYear ? nYear : 0;
}

CString CSurveyDataFile::MakeOutputPath(CPlotDataObj* pData) {
    CString strBaseName = pData->m_strBorehole;
    int nIndex = pData->m_nOutputIndex < 0 ? -1 : pData->m_nOutputIndex;
    CString strPath = FindFreeName(strBaseName, nIndex);
    pData->m_nOutputIndex = nIndex;
    m_strName = strBaseName;
    m_strPath = strPath;
    return strPath;
}

CString CSurveyDataFile::FindFreeName(CString& strBaseName, int& nIndex) {
    CString strSuffix;
    if (nIndex >= 0) {
        ++nIndex;
        strSuffix = NumberSuffix(nIndex);
    }
    CString strName = strBaseName + strSuffix + "." + m_strExtension;
    CString strPath = m_strOutFolder + strName;
    while (FileExists(strPath)) {
        if (nIndex > kMaxNameIndex) {
            strName = CString("FilenameError.") + m_strExtension;
            strPath = m_strOutFolder + strName;
            break;
        }
        if (nIndex < 0) {
            nIndex = 0;
        }
        ++nIndex;
        strSuffix = NumberSuffix(nIndex);
        strName = strBaseName + strSuffix + "." + m_strExtension;
        strPath = m_strOutFolder + strName;
    }
    strBaseName = strName;
    return strPath;
}

// ---------------------------------------------------------------- batches

COutputBatch::~COutputBatch() {
    for (const CEntry& entry : m_entries) {
        RemoveFile(entry.strTemp);
        UnregisterTempFile(entry.nTempSlot);
    }
}

void COutputBatch::Add(int nOrder, const CString& strTemp, const CString& strTarget,
                       int nTempSlot) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.push_back(CEntry{nOrder, strTemp, strTarget, nTempSlot});
}

std::vector<COutputBatch::CFailure> COutputBatch::CommitAll() {
    std::vector<CEntry> entries;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        entries.swap(m_entries);
    }
    std::sort(entries.begin(), entries.end(),
              [](const CEntry& a, const CEntry& b) { return a.nOrder < b.nOrder; });
    // One output for each folder the outputs go to.
    std::vector<CString> folders;
    std::vector<CString> oneInEach;
    for (const CEntry& entry : entries) {
        CString strFolder = FolderOf(entry.strTarget);
        if (std::find(folders.begin(), folders.end(), strFolder) == folders.end()) {
            folders.push_back(strFolder);
            oneInEach.push_back(entry.strTarget);
        }
    }
    // Every output on the disk before any is renamed: one flush of each file
    // system where the system offers it, else one flush of each file.
    const bool bSynced =
        std::all_of(oneInEach.begin(), oneInEach.end(),
                    [](const CString& strPath) { return SyncFileSystemOf(strPath); });
    std::vector<CFailure> failures;
    for (const CEntry& entry : entries) {
        if (!bSynced) {
            SyncFileByName(entry.strTemp);
        }
        if (!ReplaceFile(entry.strTemp, entry.strTarget)) {
            failures.push_back(CFailure{entry.nOrder, errno});
            RemoveFile(entry.strTemp);
        }
        UnregisterTempFile(entry.nTempSlot);
    }
    for (const CString& strPath : oneInEach) {
        SyncFolderOf(strPath); // the new names themselves
    }
    return failures;
}
