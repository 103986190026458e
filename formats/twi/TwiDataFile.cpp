#include "formats/twi/TwiDataFile.h"

#include "survey/LineReader.h"
#include "survey/NumberText.h"
#include "survey/PlotSettings.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>

namespace {

// The lines of a TWI file, as the writer produces them.
constexpr const char* kCaptionLine = " D  M  Y    H  M  S";
// The date line: day, month and two-digit year, then hour, minute and second,
// every field with at least two digits ("12 02 10,  20 28 45"), followed by a
// run identifier that is always 0000.
constexpr int kDateFieldDigits = 2;
constexpr const char* kDateFieldGap = " ";
constexpr const char* kDateClockGap = ",  ";
constexpr const char* kRunIdText = "     RUN ID.   : 0000";
constexpr const char* kDepthLabel = "DEPTH     : ";
constexpr const char* kIntervalLabel = "INTERVAL  : ";
constexpr int kHeaderDecimals = 1;
// A data line: the station depth with two decimals, zero-padded to six
// characters (002.00, 1000.00), a comma and four spaces, then the cumulative
// value with one decimal, a space standing where a non-negative value has no
// sign, and " deg" ("     1.2 deg", "    -0.3 deg" after the comma).
constexpr int kStationWidth = 6;
constexpr int kStationDecimals = 2;
constexpr const char* kStationSeparator = ",    ";
constexpr int kCumulativeDecimals = 1;
constexpr const char* kCumulativeUnit = " deg";
constexpr const char* kRunEndLine = "RUN END";

// What the reader looks for in the four header lines, in file order.
constexpr int kHeaderLineCount = 4;
constexpr const char* kCaptionKey = "D  M  Y";
constexpr const char* kRunIdKey = "RUN ID";
constexpr const char* kDepthKey = "DEPTH";
constexpr const char* kIntervalKey = "INTERVAL";

// Byte limits of the line reader: a header line may hold 79 bytes before its
// CR, a data line 119; the first data line and the blank lines before it are
// read without a limit.
constexpr int kHeaderLineLimit = 80;
constexpr int kDataLineLimit = 120;
constexpr int kNoLineLimit = -1;

// A TWI file names no depth unit; an interval of two or more is taken as
// feet, anything finer as meters.
constexpr double kFeetInterval = 2.0;
constexpr int kSpiralSurvey = 1;
constexpr int kTwiFileVersion = 1;

// Reads nCount whole numbers separated by white space; FALSE unless all are there.
BOOL ScanWholeNumbers(const char* p, int* pValues, int nCount) {
    for (int i = 0; i < nCount; ++i) {
        if (!ScanWhole(p, pValues[i])) {
            return FALSE;
        }
    }
    return TRUE;
}

int TwoDigitYear(int nYear) {
    return nYear >= 2000 ? nYear - 2000 : nYear - 1900;
}

} // namespace

CTwiDataFile::CTwiDataFile() : CSurveyDataFile("twi") {}

CTwiDataFile::~CTwiDataFile() = default;

// ---------------------------------------------------------------- writing

BOOL CTwiDataFile::WriteHeader(CPlotDataObj* pData) {
    if (!m_bOpen) {
        return FALSE;
    }
    WriteLine(kCaptionLine, TRUE);
    WriteLine(FormatRunDate(pData->m_timeReading) + kRunIdText, TRUE);
    WriteLine(kDepthLabel + FixedText(std::fabs(pData->m_dBottomDepth), kHeaderDecimals), TRUE);
    WriteLine(kIntervalLabel + FixedText(pData->m_dInterval, kHeaderDecimals), TRUE);
    return TRUE;
}

CString CTwiDataFile::FormatRunDate(const CTime& time) {
    struct tm fields;
    time.GetLocalTm(&fields);
    const int date[] = {fields.tm_mday, fields.tm_mon + 1, TwoDigitYear(fields.tm_year + 1900)};
    const int clock[] = {fields.tm_hour, fields.tm_min, fields.tm_sec};
    std::string strDate;
    for (const int* pGroup : {date, clock}) {
        if (pGroup == clock) {
            strDate += kDateClockGap;
        }
        for (int i = 0; i < 3; ++i) {
            if (i > 0) {
                strDate += kDateFieldGap;
            }
            AppendWhole(strDate, pGroup[i], kDateFieldDigits);
        }
    }
    return CString(std::move(strDate));
}

void CTwiDataFile::WriteData(CPlotDataObj* pData) {
    // A negative interval leaves the file with its four header lines only.
    if (!m_bOpen || pData->m_dInterval < 0.0) {
        return;
    }
    const int nStations = pData->m_pAPlus && pData->m_pACum ? StationCount(*pData) : 0;

    // The file's values run from the top down: each station carries the twist
    // summed over every interval above it and its own.
    double dSum = 0.0;
    for (int k = 0; k < nStations; ++k) {
        dSum += pData->m_pAPlus[k];
        pData->m_pACum[k] = dSum;
    }
    for (int i = nStations; i >= 1; --i) {
        std::string strLine;
        AppendFixedZeroPadded(strLine, i * pData->m_dInterval, kStationWidth, kStationDecimals);
        strLine += kStationSeparator;
        AppendFixedSpaceSigned(strLine, pData->m_pACum[i - 1], kCumulativeDecimals);
        strLine += kCumulativeUnit;
        WriteLine(CString(std::move(strLine)), TRUE);
    }
    WriteLine("", TRUE);
    WriteLine(kRunEndLine, TRUE);
}

// ---------------------------------------------------------------- reading

int CTwiDataFile::ReadHeader() {
    for (int nPosition = 1; nPosition <= kHeaderLineCount; ++nPosition) {
        CString strLine;
        if (!ReadNonBlankLine(strLine, kHeaderLineLimit)) {
            return -1;
        }
        if (!TakeHeaderLine(nPosition, strLine)) {
            return nPosition;
        }
    }
    SetFixedMembers();
    return 0;
}

BOOL CTwiDataFile::TakeHeaderLine(int nPosition, CString& strLine) {
    switch (nPosition) {
    case 1:
        return strLine.Find(kCaptionKey) >= 0;
    case 2:
        // The date is taken even when the line turns out not to be a date line.
        m_pData->m_timeReading = ParseRunDate(strLine);
        return MatchHeaderKey(kRunIdKey, strLine);
    case 3:
        if (!MatchHeaderKey(kDepthKey, strLine)) {
            return FALSE;
        }
        m_pData->m_dBottomDepth = ParseNumber(strLine);
        return TRUE;
    case 4:
        if (!MatchHeaderKey(kIntervalKey, strLine)) {
            return FALSE;
        }
        m_pData->m_dInterval = ParseNumber(strLine);
        return TRUE;
    default:
        return FALSE;
    }
}

// The members a TWI file does not carry: every TWI survey is a spiral survey
// in degrees without site, borehole, serial numbers, operator or comments.
void CTwiDataFile::SetFixedMembers() {
    CPlotDataObj& data = *m_pData;
    data.m_strDepthUnits =
        data.m_settings.UnitName(data.m_dInterval >= kFeetInterval ? unitFeet : unitMeters);
    data.m_dTopOffset = 0.0;
    data.m_nReadingUnits = unitDegrees;
    data.m_strReadingUnits = data.m_settings.UnitName(unitDegrees);
    data.m_strBorehole.Empty();
    data.m_strSite.Empty();
    data.m_strProbeSerial.Empty();
    data.m_strReelSerial.Empty();
    data.m_strOperator.Empty();
    data.m_nFileType = kSpiralSurvey;
    data.m_nFileVersion = kTwiFileVersion;
    data.m_arrComments.RemoveAll();
    data.m_nOutputIndex = -1;
    // A TWI file carries no offset correction; an earlier survey's must not
    // reach the next CSV output.
    data.m_dOffsetCorrection = 0.0;
}

BOOL CTwiDataFile::MatchHeaderKey(CString strKey, CString& strLine) {
    if (strLine.Find(strKey) < 0) {
        return FALSE;
    }
    const int nColon = strLine.Find(':');
    if (nColon >= 0) {
        strLine = strLine.Mid(nColon + 1);
    }
    strLine.TrimLeft();
    strLine.TrimRight();
    return TRUE;
}

// "D M Y, H M S" in local time; anything that is not such a date gives the
// current time, so the survey keeps a plausible date.
CTime CTwiDataFile::ParseRunDate(CString strLine) {
    strLine.TrimLeft();
    const int nComma = strLine.Find(',');
    if (nComma < 0) {
        return CTime::GetCurrentTime();
    }
    int date[3];  // day, month, year
    int clock[3]; // hour, minute, second
    CString strClock = strLine.Mid(nComma + 1);
    strClock.TrimLeft();
    if (!ScanWholeNumbers(strLine.Left(nComma), date, 3) || !ScanWholeNumbers(strClock, clock, 3)) {
        return CTime::GetCurrentTime();
    }
    const int nYear = SurveyYear(date[2]);
    const int nMonth = date[1];
    const int nDay = date[0];
    if (nYear == 0 || nMonth < 1 || nMonth > 12 || nDay < 1 || nDay > 31) {
        return CTime::GetCurrentTime();
    }
    const int nHour = clock[0] >= 0 && clock[0] <= 23 ? clock[0] : 0;
    const int nMinute = clock[1] >= 0 && clock[1] <= 59 ? clock[1] : 0;
    const int nSecond = clock[2] >= 0 && clock[2] <= 59 ? clock[2] : 0;
    return CTime(nYear, nMonth, nDay, nHour, nMinute, nSecond, -1);
}

// Places one cumulative value per data line, the first (deepest) line in slot
// m_nGridSize - 2 and each further line one slot higher, until slot 0 is
// filled or a line is not a data line.
int CTwiDataFile::ReadData() {
    CPlotDataObj& data = *m_pData;
    // Without a positive depth and interval AllocateGrid would keep an earlier
    // file's grid, and nothing of this file may go into it.
    if (!(std::fabs(data.m_dBottomDepth) > 0.0) || !(data.m_dInterval > 0.0)) {
        return 0;
    }
    data.AllocateGrid();
    int nSlot = data.m_nGridSize - 2;
    if (nSlot < 0) {
        return 0;
    }
    CString strLine = ReadFirstDataLine();
    double dCumulative = 0.0;
    while (ParseDataLine(strLine, dCumulative)) {
        data.m_pACum[nSlot] = dCumulative;
        ++data.m_nReadingCount;
        if (--nSlot < 0 || !ReadLine(*this, strLine, kDataLineLimit)) {
            break;
        }
    }
    MoveShortSurveyToTop();
    return data.m_nReadingCount;
}

// A data line is a station depth, a comma and the cumulative value (a
// trailing "deg" is ignored). The station depth must be a number, but only
// the line's position decides its slot.
BOOL CTwiDataFile::ParseDataLine(CString strLine, double& dCumulative) {
    strLine.TrimLeft();
    const int nComma = strLine.Find(',');
    if (strLine.IsEmpty() || nComma < 0) {
        return FALSE;
    }
    // A number never runs over a comma, so reading from the start of the line
    // reads the text before its first comma; white space before the value
    // is skipped by the reading itself.
    double dStation = 0.0;
    const char* pStation = strLine;
    if (!ScanDouble(pStation, dStation)) {
        return FALSE;
    }
    const char* pValue = static_cast<LPCSTR>(strLine) + nComma + 1;
    return ScanDouble(pValue, dCumulative) ? TRUE : FALSE;
}

// The last data line of a TWI file is always the shallowest station, one
// interval down. When a file lists fewer stations than the grid expects (its
// depth is not a whole multiple of its interval), the values are moved up so
// that the last line lands in slot 0 and every station sits at its own depth;
// the slots they leave hold 0.0. A file that fills the grid stays as read.
void CTwiDataFile::MoveShortSurveyToTop() {
    CPlotDataObj& data = *m_pData;
    const int nShift = data.m_nGridSize - 1 - data.m_nReadingCount;
    if (nShift <= 0 || data.m_nReadingCount <= 0) {
        return;
    }
    double* pCum = data.m_pACum.get();
    std::copy(pCum + nShift, pCum + nShift + data.m_nReadingCount, pCum);
    std::fill(pCum + data.m_nReadingCount, pCum + data.m_nGridSize - 1, 0.0);
}

CString CTwiDataFile::ReadFirstDataLine() {
    CString strLine;
    if (!ReadNonBlankLine(strLine, kNoLineLimit)) {
        return CString();
    }
    return strLine;
}

// Turns the file's running sums back into the twist of each interval, the
// Face A+ reading; the other faces are not in a TWI file and read 0.0. A face
// series that could not be allocated is skipped.
int CTwiDataFile::RebuildIncrements() {
    CPlotDataObj& data = *m_pData;
    if (!data.m_pACum) {
        return data.m_nReadingCount;
    }
    double dPrevious = 0.0;
    for (int k = 0; k < data.m_nReadingCount; ++k) {
        const double dIncrement = data.m_pACum[k] - dPrevious;
        dPrevious = data.m_pACum[k];
        if (data.m_pAPlus) {
            data.m_pAPlus[k] = dIncrement;
        }
        for (auto* pFace : {&data.m_pAMinus, &data.m_pBPlus, &data.m_pBMinus}) {
            if (*pFace) {
                (*pFace)[k] = 0.0;
            }
        }
    }
    return data.m_nReadingCount;
}
