#include "formats/twi/TwiDataFile.h"

#include "survey/LineReader.h"
#include "survey/NumberText.h"
#include "survey/PlotSettings.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

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
    return FormatDateFields(date, clock);
}

CString CTwiDataFile::FormatDateFields(const int (&date)[3], const int (&clock)[3]) {
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

void CTwiDataFile::AddTargetWarnings(const CPlotDataObj& data, CDiagnosticList& list) const {
    CSurveyDataFile::AddTargetWarnings(data, list);
    // The date line has a two-digit year, which a reader takes as 1970 to
    // 2069: 2070 to 2100 read back a century early, and 2100 (written as
    // 100) not at all.
    const int nYear = data.m_timeReading.GetYear();
    const int nWritten = TwoDigitYear(nYear);
    const int nReadBack = SurveyYear(nWritten);
    if (nReadBack == nYear) {
        return;
    }
    std::string strText = "the reading year ";
    AppendWhole(strText, nYear);
    strText += " is written with two digits, as ";
    AppendWhole(strText, nWritten, kDateFieldDigits);
    if (nReadBack == 0) {
        strText +=
            ", which a reader cannot take as a year: it will use the time of reading instead";
    } else {
        strText += ", which reads back as ";
        AppendWhole(strText, nReadBack);
    }
    list.AddWarning(data.m_nDateLine, CString(std::move(strText)));
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
        std::string& strLine = BeginLine();
        AppendFixedZeroPadded(strLine, i * pData->m_dInterval, kStationWidth, kStationDecimals);
        strLine += kStationSeparator;
        AppendFixedSpaceSigned(strLine, pData->m_pACum[i - 1], kCumulativeDecimals);
        strLine += kCumulativeUnit;
        if (const int nLength = EndLine()) {
            RefuseLongLine(
                "the line of the station at " + DepthText(i * pData->m_dInterval, *pData), nLength);
            return;
        }
    }
    WriteLine("", TRUE);
    WriteLine(kRunEndLine, TRUE);
}

// ---------------------------------------------------------------- reading

int CTwiDataFile::ReadHeader() {
    for (int nPosition = 1; nPosition <= kHeaderLineCount; ++nPosition) {
        CString strLine;
        if (!ReadNonBlankLine(strLine, kHeaderLineLimit)) {
            m_pData->m_diagnostics.AddError(
                m_nLine, AtEndOfFile()
                             ? "the file ends before the header is complete: a TWI file begins "
                               "with the caption, date, DEPTH and INTERVAL lines"
                             : "the line is 80 characters or longer; a header line holds at "
                               "most 79");
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
    CPlotDataObj& data = *m_pData;
    const CString strRead = strLine;
    switch (nPosition) {
    case 1:
        if (strLine.Find(kCaptionKey) >= 0) {
            return TRUE;
        }
        data.m_diagnostics.AddError(m_nLine, "the first line is not the caption \"" +
                                                 CString(kCaptionLine) +
                                                 "\": this is not a TWI survey file");
        return FALSE;
    case 2:
        // The date is taken even when the line turns out not to be a date line.
        data.m_timeReading = ParseRunDate(strLine);
        if (!MatchHeaderKey(kRunIdKey, strLine)) {
            break;
        }
        data.m_nDateLine = m_nLine;
        if (!m_strDateNote.IsEmpty()) {
            data.m_diagnostics.AddWarning(m_nLine, m_strDateNote);
        }
        return TRUE;
    case 3:
        if (!MatchHeaderKey(kDepthKey, strLine)) {
            break;
        }
        data.m_dBottomDepth = ParseNumber(strLine);
        data.m_nDepthLine = m_nLine;
        return TRUE;
    case 4:
        if (!MatchHeaderKey(kIntervalKey, strLine)) {
            break;
        }
        data.m_dInterval = ParseNumber(strLine);
        data.m_nIntervalLine = m_nLine;
        return TRUE;
    default:
        return FALSE;
    }
    static const char* const kExpected[kHeaderLineCount] = {
        "the caption", "the date line with \"RUN ID\"", "the \"DEPTH\" line",
        "the \"INTERVAL\" line"};
    data.m_diagnostics.AddError(m_nLine, CString(kExpected[nPosition - 1]) +
                                             " was expected here, but the line reads " +
                                             Quote(strRead));
    return FALSE;
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
// current time, so the survey keeps a plausible date. What stands in place of
// the date as written is noted in m_strDateNote.
CTime CTwiDataFile::ParseRunDate(CString strLine) {
    m_strDateNote.Empty();
    strLine.TrimLeft();
    const int nComma = strLine.Find(',');
    int date[3] = {};  // day, month, year
    int clock[3] = {}; // hour, minute, second
    CString strClock = strLine.Mid(nComma + 1);
    strClock.TrimLeft();
    const bool bRead = nComma >= 0 && ScanWholeNumbers(strLine.Left(nComma), date, 3) &&
                       ScanWholeNumbers(strClock, clock, 3);
    const int nYear = bRead ? SurveyYear(date[2]) : 0;
    const int nMonth = date[1];
    const int nDay = date[0];
    if (nYear == 0 || nMonth < 1 || nMonth > 12 || nDay < 1 || nDay > 31) {
        const CTime now = CTime::GetCurrentTime();
        struct tm fields;
        now.GetLocalTm(&fields);
        const int today[] = {fields.tm_mday, fields.tm_mon + 1, fields.tm_year + 1900};
        const int time[] = {fields.tm_hour, fields.tm_min, fields.tm_sec};
        m_strDateNote = "the date line holds no valid date (" + Quote(strLine) +
                        "); the time of the conversion, " + FormatDateFields(today, time) +
                        ", was used";
        return now;
    }
    const int nHour = clock[0] >= 0 && clock[0] <= 23 ? clock[0] : 0;
    const int nMinute = clock[1] >= 0 && clock[1] <= 59 ? clock[1] : 0;
    const int nSecond = clock[2] >= 0 && clock[2] <= 59 ? clock[2] : 0;
    const CTime time(nYear, nMonth, nDay, nHour, nMinute, nSecond, -1);
    struct tm local;
    time.GetLocalTm(&local);
    const int wanted[] = {nYear, nMonth, nDay, clock[0], clock[1], clock[2]};
    const int got[] = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                       local.tm_hour,        local.tm_min,     local.tm_sec};
    if (!std::equal(std::begin(wanted), std::end(wanted), std::begin(got))) {
        m_strDateNote = "the date and time \"" + FormatDateFields(date, clock) +
                        "\" do not exist; they were read as " + FormatRunDate(time);
    }
    return time;
}

// Reads the data lines from the deepest station up, checks that each station
// is the next one up from the line before and that the last is the top one,
// and places them so that the top station lands in slot 0. A file whose depth
// is not a whole multiple of its interval lists one station fewer than its
// grid has slots; the slot below its deepest line stays 0.0.
int CTwiDataFile::ReadData() {
    CPlotDataObj& data = *m_pData;
    // Without a usable depth and interval AllocateGrid would keep an earlier
    // file's grid, and nothing of this file may go into it.
    if (!CheckGrid()) {
        return 0;
    }
    data.AllocateGrid();
    if (data.m_nGridSize < 2 || !data.m_pACum) {
        data.m_diagnostics.AddError(data.m_nDepthLine,
                                    "there is not enough memory for the depth grid");
        return 0;
    }
    const int nFirstLine = m_nLine + 1;
    const int nRead = ReadStations();
    if (nRead <= 0) {
        return 0;
    }
    // The top station, read last, goes to slot 0; the slots below the
    // deepest line hold 0.0.
    double* const pCumulative = data.m_pACum.get();
    const int nSlots = data.m_nGridSize - 1;
    const int nShift = nSlots - nRead;
    if (nShift > 0) {
        std::copy(pCumulative + nShift, pCumulative + nSlots, pCumulative);
        std::fill(pCumulative + nRead, pCumulative + nSlots, 0.0);
    }
    data.m_nReadingCount = nRead;
    WarnOfStationsBelow(nRead - 1, nFirstLine);
    return nRead;
}

// The data lines, deepest first, into the slots from the deepest up; the
// number read, or 0 when the file is refused or holds none.
int CTwiDataFile::ReadStations() {
    CPlotDataObj& data = *m_pData;
    double* const pCumulative = data.m_pACum.get();
    const int nSlots = data.m_nGridSize - 1;
    CString strLine = ReadFirstDataLine();
    int nRead = 0;
    double dStation = 0.0;
    double dCumulative = 0.0;
    double dPrevious = 0.0;
    CString strEnd; // how the data ended
    int nEndLine = 0;
    for (;;) {
        if (!ParseDataLine(strLine, dStation, dCumulative)) {
            const bool bBlank = strLine.str().find_first_not_of(' ') == std::string::npos;
            if (nRead == 0) {
                data.m_diagnostics.AddError(
                    m_nLine, bBlank ? CString("no data line follows the header")
                                    : "the first line after the header is not a data line (a "
                                      "station depth, a comma and the twist): " +
                                          Quote(strLine));
                return 0;
            }
            strEnd = bBlank ? "a blank line ends the data here"
                            : "this line is not a data line, so the data ends here";
            nEndLine = m_nLine;
            break;
        }
        if (!CheckStation(dStation, dCumulative, nRead == 0 ? -1.0 : dPrevious)) {
            return 0;
        }
        if (nRead == nSlots) {
            RefuseData(statusBelowSurveyDepth, m_nLine,
                       "the file lists more stations than the survey depth of " +
                           DepthText(std::fabs(data.m_dBottomDepth), data) + " has room for");
            return 0;
        }
        pCumulative[nSlots - 1 - nRead] = dCumulative;
        ++nRead;
        dPrevious = std::fabs(dStation);
        const int nStationLine = m_nLine;
        if (!ReadFileLine(strLine, kDataLineLimit)) {
            const BOOL bEnded = AtEndOfFile();
            strEnd = bEnded ? "the file ends here"
                            : "this line is 120 characters or longer, so the data ends here";
            nEndLine = bEnded ? nStationLine : m_nLine;
            break;
        }
    }
    // The last data line of a TWI file is the top station, one interval down;
    // a file cut off on its way up must not have its stations moved up to it.
    const double dInterval = data.m_dInterval;
    if (std::fabs(dPrevious - dInterval) > StationTolerance(dInterval)) {
        RefuseData(statusDataEndsEarly, nEndLine,
                   strEnd + ", before the top station: the last station read is at " +
                       DepthText(dPrevious, data) + ", and the stations go on up to " +
                       DepthText(dInterval, data));
        return 0;
    }
    return nRead;
}

// The checks of one data line against the line before it (dPrevious, or -1.0
// for the first line): finite numbers, no station deeper than the survey
// depth, and each station the next one up. FALSE with the refusal made.
BOOL CTwiDataFile::CheckStation(double dStation, double dCumulative, double dPrevious) {
    const CPlotDataObj& data = *m_pData;
    if (!std::isfinite(dStation) || !std::isfinite(dCumulative)) {
        RefuseData(statusReadingNotFinite, m_nLine,
                   CString(std::isfinite(dStation) ? "the twist" : "the station depth") +
                       " is not a finite number");
        return FALSE;
    }
    dStation = std::fabs(dStation);
    const double dTolerance = StationTolerance(data.m_dInterval);
    if (dPrevious < 0.0) {
        const double dDepth = std::fabs(data.m_dBottomDepth);
        if (dStation > dDepth + dTolerance) {
            RefuseData(statusBelowSurveyDepth, m_nLine,
                       "the station at " + DepthText(dStation, data) +
                           " lies deeper than the survey depth of " + DepthText(dDepth, data) +
                           " in the DEPTH line");
            return FALSE;
        }
        return TRUE;
    }
    const double dStep = dPrevious - dStation;
    const double dInterval = data.m_dInterval;
    if (std::fabs(dStep - dInterval) <= dTolerance) {
        return TRUE;
    }
    const CString strHere = "the station at " + DepthText(dStation, data);
    const CString strBefore = DepthText(dPrevious, data);
    if (std::fabs(dStep) <= dTolerance) {
        RefuseData(statusMisplacedStation, m_nLine,
                   strHere + " is listed twice (the line before holds it too)");
    } else if (dStep < 0.0) {
        RefuseData(statusMisplacedStation, m_nLine,
                   strHere + " is out of order: it follows the station at " + strBefore +
                       ", and the stations run from the deepest up");
    } else if (const double dMissing = std::round(dStep / dInterval) - 1.0;
               dMissing >= 1.0 && std::fabs(dStep - (dMissing + 1.0) * dInterval) <= dTolerance) {
        RefuseData(statusMissingStation, m_nLine,
                   MissingText(dPrevious - dInterval, dStation + dInterval, dMissing, data) +
                       " (the lines jump from " + strBefore + " to " + DepthText(dStation, data) +
                       ")");
    } else {
        RefuseData(statusMisplacedStation, m_nLine,
                   strHere + " is not one interval of " + DepthText(dInterval, data) +
                       " above the station at " + strBefore + " on the line before");
    }
    return FALSE;
}

// A data line is a station depth, a comma and the cumulative value (a
// trailing "deg" is ignored).
BOOL CTwiDataFile::ParseDataLine(const CString& strLine, double& dStation, double& dCumulative) {
    const std::string& line = strLine.str();
    const size_t nComma = line.find(',');
    if (nComma == std::string::npos) {
        return FALSE;
    }
    // A number never runs over a comma, so reading from the start of the line
    // (white space skipped) reads the text before its first comma; white
    // space before the value is skipped by the reading itself.
    const char* pStation = line.c_str();
    if (!ScanDouble(pStation, dStation)) {
        return FALSE;
    }
    const char* pValue = line.c_str() + nComma + 1;
    return ScanDouble(pValue, dCumulative) ? TRUE : FALSE;
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
