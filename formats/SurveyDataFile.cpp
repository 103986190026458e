#include "formats/SurveyDataFile.h"

#include "platform/FileSystem.h"
#include "survey/LineReader.h"
#include "survey/NumberText.h"
#include "survey/PlotSettings.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

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
        m_bLineTooLong = FALSE;
        m_bOpen = m_output.Create(*this, strPath, nFlags, m_nSystemError);
        return m_bOpen;
    }
    CFileException error;
    m_bOpen = Open(strPath, nFlags, &error);
    m_nSystemError = m_bOpen ? 0 : error.m_lOsError;
    return m_bOpen;
}

void CSurveyDataFile::CloseDataFile() {
    if (m_output.IsActive()) {
        DiscardOutput();
        return;
    }
    if (m_bOpen) {
        Close();
    }
    m_bOpen = FALSE;
}

int CSurveyDataFile::ReadSurvey(CString strPath, CPlotDataObj* pData) {
    m_strPath = strPath;
    m_nLine = 0;
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
    if (nStatus == statusDone) {
        nStatus = ReadData();
    }
    if (nStatus == statusDone) {
        pData->m_bDataLoaded = TRUE;
        CompleteRead();
    }
    if (nStatus != statusDone && !diagnostics.HasErrors()) {
        diagnostics.AddError(m_nLine, "no survey data could be read");
    }
    CloseDataFile();
    return nStatus;
}

int CSurveyDataFile::WriteSurvey(CString strPath, CPlotDataObj* pData) {
    return WriteSurvey(strPath, pData, nullptr);
}

int CSurveyDataFile::WriteSurvey(CString strPath, CPlotDataObj* pData, const EntryFacts* pTarget) {
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
    const EntryFacts target = !m_bKeepIdentical    ? EntryFacts()
                              : pTarget != nullptr ? *pTarget
                                                   : LookAt(strPath);
    if (target.nKind == entryFile) {
        const int nStatus = Render(pData, strRendered);
        if (nStatus != statusDone) {
            return nStatus;
        }
        if (FileHolds(strPath, strRendered, target)) {
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
        m_output.Fill(strRendered);
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
           FileHolds(strPath, strRendered, EntryFacts{entryNone});
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
    m_bLineTooLong = FALSE;
    m_output.Hold();
    m_bOpen = TRUE;
    const int nStatus = WriteBody(pData);
    m_bOpen = FALSE;
    strBytes = m_output.TakeHeld();
    return nStatus;
}

BOOL CSurveyDataFile::FileHolds(const CString& strPath, const std::string& strBytes,
                                const EntryFacts& facts) {
    if (facts.nKind == entryFile && facts.nSize != strBytes.size()) {
        return FALSE;
    }
    CFile file;
    if (!file.Open(strPath, CFile::modeRead | CFile::shareDenyWrite)) {
        return FALSE;
    }
    // Compared block by block as read ahead, with no copy; the first block
    // that differs, or runs past the bytes expected, ends it.
    size_t nCompared = 0;
    BOOL bSame = TRUE;
    for (;;) {
        size_t nAvailable = 0;
        const char* p = file.PeekBuffered(nAvailable);
        if (p == nullptr) {
            break;
        }
        if (nAvailable > strBytes.size() - nCompared ||
            std::memcmp(p, strBytes.data() + nCompared, nAvailable) != 0) {
            bSame = FALSE;
            break;
        }
        nCompared += nAvailable;
        file.TakeBuffered(nAvailable);
    }
    file.Close();
    return bSame && nCompared == strBytes.size();
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
        WarnOfRoundedDepth(data, list);
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

void CSurveyDataFile::WarnOfRoundedDepth(const CPlotDataObj& data, CDiagnosticList& list) {
    // Both formats write the survey depth with one decimal too; a reader of
    // the output counts its stations down to that depth.
    const double dDepth = std::fabs(data.m_dBottomDepth);
    const int nStations = StationCount(data);
    if (nStations < 1 || !std::isfinite(dDepth)) {
        return;
    }
    const double dWritten = ParseNumber(FixedText(dDepth, 1));
    const int nReadBack = StationsOfDepth(dWritten, data.m_dInterval);
    if (nReadBack == nStations) {
        return;
    }
    std::string strCounts = StationsText(nReadBack).str();
    strCounts += " down to it, where ";
    AppendWhole(strCounts, nStations);
    strCounts += nStations == 1 ? " is written" : " are written";
    list.AddWarning(data.m_nDepthLine,
                    "the survey depth " + DepthText(dDepth, data) +
                        " is written with one decimal, as " + DepthText(dWritten, data) +
                        ": a reader of the output counts " + CString(strCounts.c_str()) +
                        (nReadBack < nStations
                             ? CString(", and refuses the file for its station at ") +
                                   DepthText(nStations * data.m_dInterval, data)
                             : CString()));
}

BOOL CSurveyDataFile::ReadFileLine(CString& strLine, int nLimit) {
    ++m_nLine;
    return ReadLine(*this, strLine, nLimit, &m_lineFacts);
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

int CSurveyDataFile::RefuseData(int nStatus, int nLine, CString strText) {
    m_pData->m_diagnostics.AddError(nLine, strText);
    return nStatus;
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
    if (data.m_nGridSize < 1) {
        return 0;
    }
    return std::min(StationsOfDepth(data.m_dBottomDepth, data.m_dInterval), data.m_nGridSize - 1);
}

int CSurveyDataFile::StationsOfDepth(double dDepth, double dInterval) {
    if (!(dInterval > 0.0)) {
        return 0;
    }
    const double dSteps = (std::fabs(dDepth) + StationTolerance(dInterval)) / dInterval;
    if (!(dSteps >= 1.0)) {
        return 0; // also a depth that is not a number
    }
    return dSteps >= INT_MAX ? INT_MAX : static_cast<int>(dSteps);
}

BOOL CSurveyDataFile::CommitDataFile() {
    if (!m_bOpen || !m_output.IsActive()) {
        return FALSE;
    }
    if (m_bLineTooLong) {
        DiscardOutput(); // a file with a line left out must not replace anything
        return FALSE;
    }
    m_bOpen = FALSE;
    return m_output.Commit(m_nSystemError);
}

void CSurveyDataFile::DiscardOutput() {
    const BOOL bWriting = m_output.IsActive();
    m_output.Discard();
    if (bWriting) {
        m_bOpen = FALSE;
    }
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
    m_output.Append(strLine, bNewLine);
}

std::string& CSurveyDataFile::BeginLine() {
    return m_output.BeginLine();
}

int CSurveyDataFile::EndLine() {
    return m_output.EndLine();
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
