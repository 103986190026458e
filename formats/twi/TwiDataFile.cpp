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
// CR, a data line 119, the first included; blank lines before the first are
// passed over whatever their length.
constexpr int kHeaderLineLimit = 80;
constexpr int kDataLineLimit = 120;

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

// TRUE when the text begins with pszWord, letters in any case (ASCII only,
// whatever the locale).
bool StartsWithNoCase(const char* p, const char* pszWord) {
    for (; *pszWord != '\0'; ++p, ++pszWord) {
        const char ch = (*p >= 'a' && *p <= 'z') ? static_cast<char>(*p - 'a' + 'A') : *p;
        const char want = (*pszWord >= 'a' && *pszWord <= 'z')
                              ? static_cast<char>(*pszWord - 'a' + 'A')
                              : *pszWord;
        if (ch != want) {
            return false;
        }
    }
    return true;
}

const char* SkipBlanks(const char* p) {
    while (*p == ' ') {
        ++p;
    }
    return p;
}

// The two values of a data line, as diagnostics name them.
constexpr const char* kStationColumn = "station depth";
constexpr const char* kTwistColumn = "cumulative twist";

std::string Trimmed(const std::string& strText) {
    const size_t nFirst = strText.find_first_not_of(' ');
    if (nFirst == std::string::npos) {
        return std::string();
    }
    return strText.substr(nFirst, strText.find_last_not_of(' ') - nFirst + 1);
}

// The cumulative twist of a data line as written: the text after the comma,
// without its unit.
std::string TwistText(const std::string& strLine) {
    std::string strTwist = Trimmed(strLine.substr(strLine.find(',') + 1));
    const std::string strUnit = kCumulativeUnit + 1;
    if (strTwist.size() >= strUnit.size() &&
        StartsWithNoCase(strTwist.c_str() + strTwist.size() - strUnit.size(), strUnit.c_str())) {
        strTwist = Trimmed(strTwist.substr(0, strTwist.size() - strUnit.size()));
    }
    return strTwist;
}

// The value of a data line that is not a number, named: the station depth
// before the comma, unless it is one number, or the cumulative twist after
// it, unless it begins with one. Empty for a line without a comma, or when
// both are numbers (the line is wrong in another way).
CString BadValueText(const CString& strLine) {
    const std::string& line = strLine.str();
    if (line.find(',') == std::string::npos) {
        return CString();
    }
    const std::string strStation = Trimmed(line.substr(0, line.find(',')));
    const char* p = strStation.c_str();
    double dValue = 0.0;
    if (!ScanDouble(p, dValue) || *SkipBlanks(p) != '\0') {
        return NotANumberText(strStation.c_str(), kStationColumn);
    }
    const std::string strTwist = TwistText(line);
    p = strTwist.c_str();
    if (!ScanDouble(p, dValue)) {
        return NotANumberText(strTwist.c_str(), kTwistColumn);
    }
    return CString();
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
    WarnOfRoundedTwist(data, list);
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

// A TWI file keeps each running total with one decimal, so readings with
// more decimals come back changed: each by the rounding of its own total
// and of the one above it, up to 0.1 together.
void CTwiDataFile::WarnOfRoundedTwist(const CPlotDataObj& data, CDiagnosticList& list) {
    const int nStations = data.m_pAPlus ? StationCount(data) : 0;
    constexpr double kTenths = 10.0;
    constexpr double kSlack = 1e-6; // what binary fractions add to a decimal
    const double* const pAPlus = data.m_pAPlus.get();
    if (std::all_of(pAPlus, pAPlus + nStations, [&](double dReading) {
            return !std::isfinite(dReading) ||
                   std::fabs(dReading * kTenths - std::round(dReading * kTenths)) <= kSlack;
        })) {
        return; // one decimal at most: the totals keep them all
    }
    double dSum = 0.0;
    double dAbove = 0.0; // the total above, as a reader of the output gets it
    double dLargest = 0.0;
    int nLargest = 0;
    std::string strTotal;
    for (int k = 0; k < nStations; ++k) {
        dSum += pAPlus[k];
        strTotal.clear();
        AppendFixed(strTotal, dSum, kCumulativeDecimals);
        const double dTotal = ParseNumber(strTotal.c_str());
        const double dChange = std::fabs((dTotal - dAbove) - pAPlus[k]);
        if (dChange > dLargest) {
            dLargest = dChange;
            nLargest = k;
        }
        dAbove = dTotal;
    }
    if (!(dLargest > kSlack)) {
        return;
    }
    std::string strChange;
    AppendFixed(strChange, dLargest, 2);
    list.AddWarning(0, "the readings have more decimals than a TWI file keeps: it holds each "
                       "running total of the twist with one decimal, so a reading comes back "
                       "changed by up to 0.1 degree (here by up to " +
                           CString(strChange.c_str()) + ", at " +
                           DepthText((nLargest + 1) * data.m_dInterval, data) + ")");
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
            return statusNotSurvey;
        }
        if (!TakeHeaderLine(nPosition, strLine)) {
            return statusNotSurvey;
        }
    }
    SetFixedMembers();
    return statusDone;
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

// Reads the data lines, deepest first, and places each reading at the
// station its own label names on the header's grid: the stations must run
// up one interval at a time to the top one. The one file whose labels are
// off that grid and still read is the writer's own of an interval that one
// decimal cannot hold; it is read on the header's grid, with a warning.
int CTwiDataFile::ReadData() {
    CPlotDataObj& data = *m_pData;
    // Without a usable depth and interval AllocateGrid would keep an earlier
    // file's grid, and nothing of this file may go into it.
    if (!CheckGrid()) {
        return statusNotSurvey;
    }
    data.AllocateGrid();
    if (data.m_nGridSize < 2 || !data.m_pACum) {
        return RefuseData(statusNotSurvey, data.m_nDepthLine,
                          "there is not enough memory for the depth grid");
    }
    std::vector<CStationLine> lines;
    int nStatus = ReadStationLines(lines);
    if (nStatus != statusDone) {
        return nStatus;
    }
    if (CheckLabels(lines, false) != statusDone) {
        double dSpacing = 0.0;
        if (!IsRoundedIntervalFile(lines, dSpacing)) {
            return CheckLabels(lines, true);
        }
        WarnOfRoundedInterval(lines, dSpacing);
    }
    // The stations run up one at a time to the top one, which goes to slot 0.
    const int nRead = static_cast<int>(lines.size());
    for (int i = 0; i < nRead; ++i) {
        data.m_pACum[nRead - 1 - i] = lines[static_cast<size_t>(i)].dCumulative;
    }
    data.m_nReadingCount = nRead;
    WarnOfStationsBelow(nRead - 1, lines.front().nLine);
    LookForRunEnd(lines.back().nLine);
    return statusDone;
}

// The data lines from the first after the header to the one that ends the
// data (m_dataEnd): no more than the survey depth has room for and one to
// spare, which shows that there are too many. A line cut off, a data line of
// the wrong shape or a value that is not a number refuses the file.
int CTwiDataFile::ReadStationLines(std::vector<CStationLine>& lines) {
    const CPlotDataObj& data = *m_pData;
    const size_t nRoom = static_cast<size_t>(StationCount(data));
    lines.reserve(nRoom + 1); // address space only, until the lines fill it
    CString strLine;
    LineRead nRead = ReadFirstDataLine(strLine);
    for (;;) {
        if (nRead != lineRead) {
            if (lines.empty()) {
                return RefuseData(statusNotSurvey, m_nLine,
                                  nRead == lineEndOfFile
                                      ? CString("no data line follows the header")
                                      : CString("the first data line is 120 characters or "
                                                "longer; a data line holds at most 119"));
            }
            m_dataEnd.nLine = nRead == lineEndOfFile ? lines.back().nLine : m_nLine;
            m_dataEnd.strWhy = nRead == lineEndOfFile
                                   ? "the file ends here"
                                   : "this line is 120 characters or longer, so the data ends here";
            m_dataEnd.strText.Empty();
            if (nRead == lineTooLong) {
                SkipRestOfLine(*this); // what follows is searched for "RUN END"
            }
            return statusDone;
        }
        CStationLine station{0.0, 0.0, m_nLine};
        if (!ParseDataLine(strLine, station.dLabel, station.dCumulative)) {
            return EndOfStationLines(strLine, lines.empty());
        }
        if (!m_lineFacts.bEndedAtCr) {
            return RefuseData(statusDataEndsEarly, m_nLine,
                              "the file ends inside this data line, before its line end: it is "
                              "cut off");
        }
        if (m_lineFacts.bBytesDropped) {
            return RefuseData(statusBadDataLine, m_nLine,
                              "the data line holds bytes that are not text (control bytes, a "
                              "lone line feed, or letters beyond plain ASCII): " +
                                  Quote(strLine));
        }
        if (!std::isfinite(station.dLabel) || !std::isfinite(station.dCumulative)) {
            const bool bStation = !std::isfinite(station.dLabel);
            const std::string& line = strLine.str();
            return RefuseData(statusReadingNotFinite, m_nLine,
                              NotFiniteText(bStation
                                                ? Trimmed(line.substr(0, line.find(','))).c_str()
                                                : TwistText(line).c_str(),
                                            bStation ? kStationColumn : kTwistColumn));
        }
        lines.push_back(station);
        if (lines.size() > nRoom) {
            return statusDone; // the labels tell what is wrong
        }
        nRead = ReadDataLine(strLine);
    }
}

// A line that is not a data line. One that begins with a number was meant as
// one and is refused; a line cut off by the end of the file is a cut file.
// Any other line ends the data, or, as the first, shows that there is none.
int CTwiDataFile::EndOfStationLines(const CString& strLine, bool bFirst) {
    double dNumber = 0.0;
    const char* p = strLine;
    const bool bMeant = ScanDouble(p, dNumber);
    if (bMeant && !m_lineFacts.bEndedAtCr) {
        return RefuseData(statusDataEndsEarly, m_nLine,
                          "the file ends inside this data line: it is cut off");
    }
    const bool bBlank = strLine.str().find_first_not_of(' ') == std::string::npos;
    const CString strBadValue = BadValueText(strLine);
    if (bFirst || bMeant) {
        return RefuseData(bFirst ? statusNotSurvey : statusBadDataLine, m_nLine,
                          bBlank ? CString("no data line follows the header")
                          : !strBadValue.IsEmpty()
                              ? strBadValue
                              : CString(bFirst ? "the first line after the header" : "the line") +
                                    " is not a data line of a station depth, a comma, the "
                                    "twist and \"" +
                                    CString(kCumulativeUnit + 1) +
                                    "\" (a decimal comma or a blank inside a number is no "
                                    "part of one): " +
                                    Quote(strLine));
    }
    m_dataEnd.nLine = m_nLine;
    m_dataEnd.strWhy =
        bBlank ? CString("a blank line ends the data here")
               : (strBadValue.IsEmpty() ? CString("this line is not a data line") : strBadValue) +
                     ", so the data ends here";
    m_dataEnd.strText = strLine;
    return statusDone;
}

// The first line after the header that is not blank. Blank lines of any
// length are passed over without being kept.
CTwiDataFile::LineRead CTwiDataFile::ReadFirstDataLine(CString& strLine) {
    for (;;) {
        const LineRead nRead = ReadDataLine(strLine);
        strLine.TrimLeft();
        if (nRead == lineTooLong && strLine.IsEmpty()) {
            SkipRestOfLine(*this);
            continue;
        }
        if (nRead != lineRead || !strLine.IsEmpty()) {
            return nRead;
        }
    }
}

CTwiDataFile::LineRead CTwiDataFile::ReadDataLine(CString& strLine) {
    if (ReadFileLine(strLine, kDataLineLimit)) {
        return lineRead;
    }
    return AtEndOfFile() ? lineEndOfFile : lineTooLong;
}

// Each station at its own label: on the header's grid within the files'
// rounding, no deeper than the survey depth, one interval above the station
// before it, and the last one the top station. The first fault refuses the
// file; with bReport FALSE it is only found, not reported.
int CTwiDataFile::CheckLabels(const std::vector<CStationLine>& lines, bool bReport) {
    double dPrevious = 0.0; // the station number of the line before; 0 before the first
    for (const CStationLine& line : lines) {
        const int nStatus = CheckLabel(line, dPrevious, bReport);
        if (nStatus != statusDone) {
            return nStatus;
        }
    }
    // The last data line of a TWI file is the top station, one interval down;
    // a file cut off on its way up must not have its stations moved up to it.
    if (dPrevious != 1.0) {
        const CPlotDataObj& data = *m_pData;
        return Refuse(bReport, statusDataEndsEarly, m_dataEnd.nLine,
                      m_dataEnd.strWhy + ", before the top station: the last station read is at " +
                          DepthText(std::fabs(lines.back().dLabel), data) +
                          ", and the stations go on up to " + DepthText(data.m_dInterval, data));
    }
    return statusDone;
}

// One station's label against the grid and the station before it
// (dPrevious, which then becomes this station's number).
int CTwiDataFile::CheckLabel(const CStationLine& line, double& dPrevious, bool bReport) {
    const CPlotDataObj& data = *m_pData;
    const double dInterval = data.m_dInterval;
    const double dLabel = std::fabs(line.dLabel);
    const double dStation = std::round(dLabel / dInterval);
    // The texts are made only for a fault.
    auto here = [&] { return "the station at " + DepthText(dLabel, data); };
    auto surveyDepth = [&] { return DepthText(std::fabs(data.m_dBottomDepth), data); };
    CString strFault;
    int nStatus = statusMisplacedStation;
    if (std::fabs(dLabel - dStation * dInterval) > StationTolerance(dInterval)) {
        strFault = here() + " is not a station of the interval of " + DepthText(dInterval, data) +
                   ": it lies between " +
                   DepthText(std::floor(dLabel / dInterval) * dInterval, data) + " and " +
                   DepthText(std::ceil(dLabel / dInterval) * dInterval, data);
    } else if (dPrevious == 0.0) {
        // The deepest station: within the survey depth, and not above the top.
        if (dStation > StationCount(data)) {
            nStatus = statusBelowSurveyDepth;
            strFault = here() + " lies deeper than the survey depth of " + surveyDepth() +
                       " in the DEPTH line";
        } else if (dStation < 1.0) {
            strFault = here() + " lies above the top station, one interval down at " +
                       DepthText(dInterval, data);
        }
    } else if (dStation == dPrevious) {
        strFault = here() + " is listed twice (the line before holds it too)";
    } else if (dStation > dPrevious) {
        strFault = here() + " is out of order: it follows the station at " +
                   DepthText(dPrevious * dInterval, data) +
                   ", and the stations run from the deepest up";
    } else if (dPrevious <= 1.0) {
        nStatus = statusBelowSurveyDepth;
        strFault = "the file lists more stations than the survey depth of " + surveyDepth() +
                   " has room for";
    } else if (dStation < dPrevious - 1.0) {
        nStatus = statusMissingStation;
        strFault = MissingText((dPrevious - 1.0) * dInterval, (dStation + 1.0) * dInterval,
                               dPrevious - 1.0 - dStation, data) +
                   " (the lines jump from " + DepthText(dPrevious * dInterval, data) + " to " +
                   DepthText(dLabel, data) + ")";
    }
    if (!strFault.IsEmpty()) {
        return Refuse(bReport, nStatus, line.nLine, strFault);
    }
    dPrevious = dStation;
    return statusDone;
}

int CTwiDataFile::Refuse(bool bReport, int nStatus, int nLine, const CString& strText) {
    return bReport ? RefuseData(nStatus, nLine, strText) : nStatus;
}

// The writer's own files of an interval that one decimal cannot hold (a foot
// in meters, 0.3048, is written as INTERVAL 0.3): labels evenly spaced from
// the top down, at a spacing that rounds to the INTERVAL line, the deepest
// rounding to the DEPTH line, and no more of them than the header's grid
// has stations. dSpacing is the spacing found.
bool CTwiDataFile::IsRoundedIntervalFile(const std::vector<CStationLine>& lines,
                                         double& dSpacing) const {
    const CPlotDataObj& data = *m_pData;
    const size_t nLines = lines.size();
    if (nLines < 2 || nLines > static_cast<size_t>(StationCount(data))) {
        return false;
    }
    constexpr double kLabelRounding = 0.005; // station labels have two decimals
    constexpr double kHeaderRounding = 0.05; // DEPTH and INTERVAL have one
    constexpr double kSlack = 1e-9;
    const double dDeepest = std::fabs(lines.front().dLabel);
    dSpacing = dDeepest / static_cast<double>(nLines);
    if (std::fabs(dSpacing - data.m_dInterval) > kHeaderRounding + kSlack ||
        std::fabs(dDeepest - std::fabs(data.m_dBottomDepth)) >
            kHeaderRounding + kLabelRounding + kSlack) {
        return false;
    }
    // The spacing is known to within a label's rounding over all the lines,
    // so each label lies within two roundings of its multiple of it.
    for (size_t i = 0; i < nLines; ++i) {
        const double dExpected = static_cast<double>(nLines - i) * dSpacing;
        if (std::fabs(std::fabs(lines[i].dLabel) - dExpected) > 2.0 * kLabelRounding + kSlack) {
            return false;
        }
    }
    return true;
}

void CTwiDataFile::WarnOfRoundedInterval(const std::vector<CStationLine>& lines, double dSpacing) {
    CPlotDataObj& data = *m_pData;
    const double dDeepest = std::fabs(lines.front().dLabel);
    const double dPlaced = static_cast<double>(lines.size()) * data.m_dInterval;
    std::string strSpacing;
    AppendFixed(strSpacing, dSpacing, 3);
    data.m_diagnostics.AddWarning(
        lines.front().nLine,
        "the stations lie about " + DepthText(ParseNumber(strSpacing.c_str()), data) +
            " apart, which the INTERVAL line rounds to " + DepthText(data.m_dInterval, data) +
            ": the readings are placed on the header's grid, so the deepest station moves by " +
            DepthText(std::fabs(dDeepest - dPlaced), data) + ", from " + DepthText(dDeepest, data) +
            " to " + DepthText(dPlaced, data));
}

// A complete file ends its data with "RUN END" (after a blank line); one
// without it may have lost what followed its top station.
void CTwiDataFile::LookForRunEnd(int nTopLine) {
    CString strLine = m_dataEnd.strText;
    for (;;) {
        const char* p = SkipBlanks(strLine);
        if (StartsWithNoCase(p, kRunEndLine) &&
            *SkipBlanks(p + std::char_traits<char>::length(kRunEndLine)) == '\0') {
            return;
        }
        const LineRead nRead = ReadDataLine(strLine);
        if (nRead == lineEndOfFile) {
            break;
        }
        if (nRead == lineTooLong) {
            SkipRestOfLine(*this);
        }
    }
    m_pData->m_diagnostics.AddWarning(nTopLine, "the file has no \"" + CString(kRunEndLine) +
                                                    "\" line after its top station: it may be "
                                                    "cut off");
}

// A data line as the writer makes it: a station depth, a comma, the
// cumulative value and its unit, "deg" in any letter case, with blanks
// allowed around each. Nothing else may stand on the line, so a decimal
// comma ("7,4 deg") or a blank inside a number ("3 .9") is no data line.
BOOL CTwiDataFile::ParseDataLine(const CString& strLine, double& dStation, double& dCumulative) {
    const char* p = strLine;
    if (!ScanDouble(p, dStation)) {
        return FALSE;
    }
    p = SkipBlanks(p);
    if (*p != ',' || !ScanDouble(++p, dCumulative)) {
        return FALSE;
    }
    p = SkipBlanks(p);
    const char* pszUnit = kCumulativeUnit + 1; // without its leading blank
    if (!StartsWithNoCase(p, pszUnit)) {
        return FALSE;
    }
    return *SkipBlanks(p + std::char_traits<char>::length(pszUnit)) == '\0';
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
