#include "formats/csv/CsvDataFile.h"

#include "survey/FastDecimal.h"
#include "survey/LineReader.h"
#include "survey/NumberText.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <ctime>
#include <iterator>
#include <string>

namespace {

constexpr const char* kSignature = "KVN Digital Inclinometer Data";

// The header items in file order: step n of the reader looks for the key of
// kHeaderItems[n - 1]. The writer writes each item as its key, a comma and
// the value; the comment block stands between its own two marker lines.
enum HeaderStep {
    stepFileVersion = 1,
    stepFileType,
    stepSite,
    stepBorehole,
    stepProbeSerial,
    stepReelSerial,
    stepReadingDate,
    stepDepth,
    stepInterval,
    stepDepthUnits,
    stepReadingUnits,
    stepOperator,
    stepComments,
    stepOffsetCorrection,
};
constexpr int kHeaderSteps = stepOffsetCorrection;
static_assert(kHeaderSteps == CCsvDataFile::kHeaderSteps);
static_assert(stepSite == CCsvDataFile::kSiteStep && stepBorehole == CCsvDataFile::kBoreholeStep);

// Every file is written as version 2.20; a version 1 file has no offset
// correction, so its header ends with the comment block.
constexpr double kWrittenVersion = 2.2;
constexpr int kVersionWithoutOffset = 1;

constexpr int kTypeSpiral = 1;
constexpr int kTypeHorizontal = 2;
constexpr const char* kTypeWordSpiral = "Digital Spiral";
constexpr const char* kTypeWordHorizontal = "Digital Horizontal";
constexpr const char* kTypeWordInclinometer = "Digital Inclinometer";
constexpr const char* kTypeMarkSpiral = "Spiral";
constexpr const char* kTypeMarkHorizontal = "Horiz";

constexpr const char* kProbeSerialPrefix = "DP";
constexpr const char* kReelSerialPrefix = "DR";

// The reading date: month/day/year,hour:minute:second, every field with at
// least two digits and the year with four (02/12/2010,20:28:45). A reader
// takes the six fields as whole numbers between these separators; the
// seconds may be missing.
constexpr int kDateFields = 6;
constexpr char kDateSeparators[kDateFields - 1] = {'/', '/', ',', ':', ':'};
constexpr int kDateFieldDigits[kDateFields] = {2, 2, 4, 2, 2, 2};
// Depths, the interval and the offset correction have fixed decimals.
constexpr int kDepthDecimals = 1;
constexpr int kIntervalDecimals = 1;
constexpr int kOffsetDecimals = 6;
constexpr int kVersionDecimals = 2;

// A comment line may not end the block early, so the writer disguises the
// end marker inside it; the reader does not undo that.
constexpr const char* kCommentEnd = "Comment End:";
constexpr const char* kCommentEndInComment = "Comment_End:";

constexpr const char* kColumnHeader = "Depth,Face A+,Face A-,Face B+,Face B-";
// The column-header line as the reader finds it, in upper case.
constexpr const char* kColumnHeaderMark = "DEPTH,";
// The names of the column-header line, in the order the writer writes them:
// the depth, then the faces. A reader finds them in any order, letter case
// and blanks around them aside.
constexpr int kColumns = CCsvDataFile::kFaces + 1;
constexpr const char* kColumnNames[kColumns] = {"Depth", "Face A+", "Face A-", "Face B+",
                                                "Face B-"};

// A data row: a minus sign and the station depth with one decimal (-2.0,
// -10.5), then one cell per face that has a column, each a comma and the
// value with the decimals of the reading unit, or ",0.0" for a zero. The
// reader takes five numbers separated by commas, in the order of the
// column-header line; blanks may stand around a number, and only blanks
// and empty cells after the fifth.
constexpr char kRowDepthSign = '-';
constexpr int kRowDepthDecimals = 1;
constexpr char kSeparator = ',';
constexpr const char* kZeroCell = ",0.0";
constexpr int kFaces = CCsvDataFile::kFaces;

// Decimals of a cell by reading-unit code; a spiral survey always has one.
constexpr int kDecimalsByUnit[] = {8, 5, 7, 6, 7, 1, 6, 2};
constexpr int kDefaultDecimals = 7;
constexpr int kSpiralDecimals = 1;

// Bytes a line may use up before its CR: the header and comment lines and the
// rows after the first are short, the search for the column-header line
// and for rows after the data allows longer lines; no line is kept whole
// beyond these.
constexpr int kHeaderLineLimit = 80;
constexpr int kSearchLineLimit = 128;
constexpr int kRowLineLimit = 80;

int DecimalsFor(int nReadingUnits) {
    constexpr int nUnits = static_cast<int>(sizeof kDecimalsByUnit / sizeof kDecimalsByUnit[0]);
    return (nReadingUnits >= 0 && nReadingUnits < nUnits) ? kDecimalsByUnit[nReadingUnits]
                                                          : kDefaultDecimals;
}

// Zero, and a value that is not a number, are written as a plain zero cell.
void AppendCell(std::string& strRow, double dValue, int nDecimals) {
    if (dValue == 0.0 || std::isnan(dValue)) {
        strRow += kZeroCell;
        return;
    }
    strRow += kSeparator;
    AppendFixed(strRow, dValue, nDecimals);
}

// A whole row made in a buffer of its own and appended in one piece, when
// every number of it takes the short exact path of the fixed-point text;
// FALSE, with nothing appended, for a row that needs the general path (the
// bytes are those of AppendFixed and AppendCell either way).
bool AppendShortRow(std::string& strRow, double dDepth, const double (&dValues)[kFaces],
                    const int (&nColumns)[kFaces], int nDecimals) {
    constexpr size_t kZeroCellLength = 4;
    static_assert(kZeroCell[kZeroCellLength] == '\0');
    char buffer[1 + (kFaces + 1) * (kFixedShortSize + 1)];
    char* p = buffer;
    *p++ = kRowDepthSign;
    int nLength = FormatFixedShort(p, dDepth, kRowDepthDecimals);
    if (nLength == 0) {
        return false;
    }
    p += nLength;
    for (int nFace = 0; nFace < kFaces; ++nFace) {
        const double dValue = dValues[nFace];
        if (nColumns[nFace] < 0) {
            continue;
        }
        if (dValue == 0.0 || std::isnan(dValue)) {
            std::memcpy(p, kZeroCell, kZeroCellLength);
            p += kZeroCellLength;
            continue;
        }
        *p++ = kSeparator;
        if ((nLength = FormatFixedShort(p, dValue, nDecimals)) == 0) {
            return false;
        }
        p += nLength;
    }
    strRow.append(buffer, static_cast<size_t>(p - buffer));
    return true;
}

const char* SkipBlanks(const char* p) {
    while (*p == ' ') {
        ++p;
    }
    return p;
}

// What a line of the data section is.
enum RowShape {
    rowWhole,     // five numbers, then only blanks and empty cells
    rowTextAfter, // five numbers, then something else
    rowShort,     // begins with a number, but five are not there
    rowNone,      // does not begin with a number: no row
};

// Reads the five numbers of a row in file order, separated by commas with
// blanks allowed around them.
RowShape ScanRow(const char* pText, double (&dCells)[kColumns]) {
    for (int i = 0; i < kColumns; ++i) {
        if (i > 0) {
            pText = SkipBlanks(pText);
            if (*pText != kSeparator) {
                return rowShort;
            }
            ++pText;
        }
        if (!ScanDouble(pText, dCells[i])) {
            return i == 0 ? rowNone : rowShort;
        }
    }
    return pText[std::strspn(pText, " ,")] == '\0' ? rowWhole : rowTextAfter;
}

// The text of cell nCell of a line (cells split at its commas), blanks
// around it removed; empty when the line has fewer cells.
std::string CellText(const std::string& strLine, int nCell) {
    size_t nStart = 0;
    for (int i = 0; i < nCell; ++i) {
        nStart = strLine.find(kSeparator, nStart);
        if (nStart == std::string::npos) {
            return std::string();
        }
        ++nStart;
    }
    const size_t nEnd = std::min(strLine.find(kSeparator, nStart), strLine.size());
    const size_t nFirst = strLine.find_first_not_of(' ', nStart);
    const size_t nLast = strLine.find_last_not_of(' ', nEnd - 1);
    if (nFirst == std::string::npos || nFirst >= nEnd || nLast < nFirst) {
        return std::string();
    }
    return strLine.substr(nFirst, nLast - nFirst + 1);
}

int CellCount(const std::string& strLine) {
    return static_cast<int>(std::count(strLine.begin(), strLine.end(), kSeparator)) + 1;
}

// TRUE when a cell holds one number and nothing else.
bool IsNumberCell(const std::string& strCell) {
    const char* p = strCell.c_str();
    double dValue = 0.0;
    return ScanDouble(p, dValue) && *SkipBlanks(p) == '\0';
}

// A cell's text for comparing with a column name: blanks around it removed,
// letters in upper case (ASCII only, whatever the locale).
std::string ColumnKey(std::string strCell) {
    const size_t nFirst = strCell.find_first_not_of(' ');
    const size_t nLast = strCell.find_last_not_of(' ');
    strCell =
        nFirst == std::string::npos ? std::string() : strCell.substr(nFirst, nLast - nFirst + 1);
    for (char& ch : strCell) {
        if (ch >= 'a' && ch <= 'z') {
            ch = static_cast<char>(ch - 'a' + 'A');
        }
    }
    return strCell;
}

double SlotValue(const std::unique_ptr<double[]>& pSeries, int k) {
    return pSeries ? pSeries[k] : 0.0;
}

// Truncates toward zero; values beyond the int range stop at its ends.
int TruncateToInt(double dValue) {
    if (std::isnan(dValue)) {
        return 0;
    }
    if (dValue <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    if (dValue >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    return static_cast<int>(dValue);
}

CString TypeWord(int nFileType) {
    if (nFileType == kTypeSpiral) {
        return kTypeWordSpiral;
    }
    return nFileType == kTypeHorizontal ? kTypeWordHorizontal : kTypeWordInclinometer;
}

CString WithPrefix(LPCSTR pszPrefix, const CString& strSerial) {
    return strSerial.IsEmpty() ? strSerial : pszPrefix + strSerial;
}

CString WithoutPrefix(LPCSTR pszPrefix, const CString& strValue) {
    CString strPrefix(pszPrefix);
    return strValue.Left(strPrefix.GetLength()) == strPrefix ? strValue.Mid(strPrefix.GetLength())
                                                             : strValue;
}

// The value of the face whose column is nColumn; a face without a column reads 0.0.
double ColumnValue(const double (&dValues)[kFaces], int nColumn) {
    return (nColumn >= 0 && nColumn < kFaces) ? dValues[nColumn] : 0.0;
}

// month/day/year,hour:minute:second in local time.
CString FormatReadingDate(const CTime& time) {
    struct tm local;
    time.GetLocalTm(&local);
    const int values[kDateFields] = {local.tm_mon + 1, local.tm_mday, local.tm_year + 1900,
                                     local.tm_hour,    local.tm_min,  local.tm_sec};
    std::string strDate;
    for (int i = 0; i < kDateFields; ++i) {
        if (i > 0) {
            strDate += kDateSeparators[i - 1];
        }
        AppendWhole(strDate, values[i], kDateFieldDigits[i]);
    }
    return CString(std::move(strDate));
}

// Reads the date fields in order, each a whole number after its separator,
// and returns how many were read before the text stopped matching.
int ScanDateFields(const char* p, int (&fields)[kDateFields]) {
    int nRead = 0;
    while (nRead < kDateFields) {
        if (nRead > 0) {
            if (*p != kDateSeparators[nRead - 1]) {
                break;
            }
            ++p;
        }
        if (!ScanWhole(p, fields[nRead])) {
            break;
        }
        ++nRead;
    }
    return nRead;
}

} // namespace

// Each header item: its key, and where its value goes. Step 13 reads the
// comment block that follows its line; step 14 is not taken in a file of
// version 1.
const CCsvDataFile::CHeaderItem CCsvDataFile::kHeaderItems[kHeaderSteps] = {
    {"File Version",
     [](CCsvDataFile& file, const CString& strValue) {
         file.m_pData->m_nFileVersion = TruncateToInt(ParseNumber(strValue));
         return TRUE;
     }},
    {"File Type",
     [](CCsvDataFile& file, const CString& strValue) { return file.StoreFileType(strValue); }},
    {"Site",
     [](CCsvDataFile& file, const CString& strValue) {
         file.m_pData->m_strSite = strValue;
         return TRUE;
     }},
    {"Borehole",
     [](CCsvDataFile& file, const CString& strValue) {
         file.m_pData->m_strBorehole = strValue;
         return TRUE;
     }},
    {"Probe Serial#",
     [](CCsvDataFile& file, const CString& strValue) {
         file.m_pData->m_strProbeSerial = WithoutPrefix(kProbeSerialPrefix, strValue);
         return TRUE;
     }},
    {"Reel Serial#",
     [](CCsvDataFile& file, const CString& strValue) {
         file.m_pData->m_strReelSerial = WithoutPrefix(kReelSerialPrefix, strValue);
         return TRUE;
     }},
    {"Reading Date(m/d/y)",
     [](CCsvDataFile& file, const CString& strValue) { return file.StoreReadingDate(strValue); }},
    {"Depth",
     [](CCsvDataFile& file, const CString& strValue) { return file.StoreDepth(strValue); }},
    {"Interval",
     [](CCsvDataFile& file, const CString& strValue) { return file.StoreInterval(strValue); }},
    {"Depth Units",
     [](CCsvDataFile& file, const CString& strValue) {
         file.m_pData->m_strDepthUnits = strValue;
         return TRUE;
     }},
    {"Reading Units",
     [](CCsvDataFile& file, const CString& strValue) {
         CPlotDataObj& data = *file.m_pData;
         data.m_strReadingUnits = strValue;
         data.m_nReadingUnits = data.m_settings.ParseUnits(strValue);
         return TRUE;
     }},
    {"Operator",
     [](CCsvDataFile& file, const CString& strValue) {
         file.m_pData->m_strOperator = strValue;
         return TRUE;
     }},
    {"Comment:", [](CCsvDataFile& file, const CString&) { return file.ReadComments(); }},
    {"Offset Correction",
     [](CCsvDataFile& file, const CString& strValue) {
         file.m_pData->m_dOffsetCorrection = ParseNumber(strValue);
         return TRUE;
     }},
};

LPCSTR CCsvDataFile::Key(int nStep) {
    return kHeaderItems[nStep - 1].pszKey;
}

LPCSTR CCsvDataFile::HeaderKey(int nStep) {
    return nStep >= 1 && nStep <= kHeaderSteps ? Key(nStep) : "";
}

CCsvDataFile::CCsvDataFile() : CSurveyDataFile("csv") {}

CCsvDataFile::~CCsvDataFile() = default;

// ---------------------------------------------------------------- writing

void CCsvDataFile::WriteItem(LPCSTR pszKey, CString strValue) {
    WriteLine(pszKey + CString(",") + strValue, TRUE);
}

BOOL CCsvDataFile::WriteHeader(CPlotDataObj* pData) {
    if (!m_bOpen) {
        return FALSE;
    }
    WriteLine(kSignature, TRUE);
    WriteItem(Key(stepFileVersion), FixedText(kWrittenVersion, kVersionDecimals));
    WriteItem(Key(stepFileType), TypeWord(pData->m_nFileType));
    WriteItem(Key(stepSite), pData->m_strSite);
    WriteItem(Key(stepBorehole), pData->m_strBorehole);
    WriteItem(Key(stepProbeSerial), WithPrefix(kProbeSerialPrefix, pData->m_strProbeSerial));
    WriteItem(Key(stepReelSerial), WithPrefix(kReelSerialPrefix, pData->m_strReelSerial));

    WriteItem(Key(stepReadingDate), FormatReadingDate(pData->m_timeReading));
    // The second depth is the label of the first row written.
    WriteItem(Key(stepDepth),
              FixedText(pData->m_dBottomDepth, kDepthDecimals) + "," +
                  FixedText(-(pData->m_dTopOffset + pData->m_dInterval), kDepthDecimals));
    WriteItem(Key(stepInterval), FixedText(pData->m_dInterval, kIntervalDecimals));
    WriteItem(Key(stepDepthUnits), pData->m_strDepthUnits);
    WriteItem(Key(stepReadingUnits), pData->m_strReadingUnits);
    WriteItem(Key(stepOperator), pData->m_strOperator);

    WriteLine(Key(stepComments), TRUE);
    for (int i = 0; i < pData->m_arrComments.GetSize(); ++i) {
        CString strComment = pData->m_arrComments[i];
        strComment.Replace(kCommentEnd, kCommentEndInComment);
        WriteLine(strComment, TRUE);
    }
    WriteLine(kCommentEnd, TRUE);
    WriteItem(Key(stepOffsetCorrection), FixedText(pData->m_dOffsetCorrection, kOffsetDecimals));
    WriteLine("", TRUE);
    WriteLine(kColumnHeader, TRUE);
    WriteLine("", TRUE);
    return TRUE;
}

void CCsvDataFile::WriteData(CPlotDataObj* pData) {
    if (!m_bOpen) {
        return;
    }
    int nDecimals = DecimalsFor(pData->m_nReadingUnits);
    const double dInterval = pData->m_dInterval;
    if (dInterval < 0.0) {
        return; // the header alone
    }
    const int nSlots = StationCount(*pData);
    const bool bSpiral = pData->m_nFileType == kTypeSpiral;
    if (bSpiral) {
        // The cumulative twist runs from the bottom up: the deepest slot holds
        // its own twist, slot 0 the total.
        nDecimals = kSpiralDecimals;
        double dSum = 0.0;
        for (int k = nSlots - 1; k >= 0; --k) {
            dSum += SlotValue(pData->m_pAPlus, k);
            if (pData->m_pACum) {
                pData->m_pACum[k] = dSum;
            }
        }
    }
    const int nColumns[kFaces] = {pData->m_nColAPlus, pData->m_nColAMinus, pData->m_nColBPlus,
                                  pData->m_nColBMinus};
    for (int k = 0; k < nSlots; ++k) {
        // Slot k stands for depth (k + 1) x interval; the top offset counts
        // from one interval above it.
        if (k * dInterval < pData->m_dTopOffset) {
            continue;
        }
        double dValues[kFaces];
        if (bSpiral) {
            dValues[0] = SlotValue(pData->m_pAPlus, k);
            dValues[1] = SlotValue(pData->m_pACum, k);
            dValues[2] = dValues[3] = 0.0;
        } else {
            dValues[0] = SlotValue(pData->m_pAPlus, k);
            dValues[1] = SlotValue(pData->m_pAMinus, k);
            dValues[2] = SlotValue(pData->m_pBPlus, k);
            dValues[3] = SlotValue(pData->m_pBMinus, k);
        }
        std::string& strRow = BeginLine();
        if (!AppendShortRow(strRow, (k + 1) * dInterval, dValues, nColumns, nDecimals)) {
            strRow += kRowDepthSign;
            AppendFixed(strRow, (k + 1) * dInterval, kRowDepthDecimals);
            for (int nFace = 0; nFace < kFaces; ++nFace) {
                if (nColumns[nFace] >= 0) {
                    AppendCell(strRow, dValues[nFace], nDecimals);
                }
            }
        }
        if (const int nLength = EndLine()) {
            RefuseLongLine("the row of the station at " + DepthText((k + 1) * dInterval, *pData),
                           nLength);
            return;
        }
    }
}

// ---------------------------------------------------------------- reading

int CCsvDataFile::ReadHeader() {
    CDiagnosticList& diagnostics = m_pData->m_diagnostics;
    CString strLine;
    if (!ReadFileLine(strLine, kHeaderLineLimit)) {
        diagnostics.AddError(m_nLine, AtEndOfFile() && strLine.IsEmpty()
                                          ? "the file is empty"
                                          : "the first line has no line end within 80 "
                                            "characters: the lines of a KVN CSV file end with CR "
                                            "LF (this file may end its lines with LF alone)");
        return statusFirstLineUnreadable;
    }
    if (strLine.Find(kSignature) < 0) {
        diagnostics.AddError(m_nLine, "the first line does not hold \"" + CString(kSignature) +
                                          "\": this is not a KVN CSV survey file");
        return statusNotSurvey;
    }
    for (int nStep = 1; nStep <= kHeaderSteps; ++nStep) {
        if (!CSurveyDataFile::ReadNonBlankLine(strLine, kHeaderLineLimit)) {
            diagnostics.AddError(m_nLine, AtEndOfFile()
                                              ? "the file ends where the header item \"" +
                                                    CString(Key(nStep)) + "\" is expected"
                                              : CString("the line is 80 characters or longer; a "
                                                        "header line holds at most 79"));
            return statusNotOpened;
        }
        strLine.TrimRight(',');
        const CString strRead = strLine;
        if (!MatchHeaderKey(Key(nStep), strLine)) {
            diagnostics.AddError(m_nLine, "the header item \"" + CString(Key(nStep)) +
                                              "\" was expected here, but the line reads " +
                                              Quote(strRead));
            return nStep; // the header items' statuses are their step numbers
        }
        if (!kHeaderItems[nStep - 1].pStore(*this, strLine)) {
            return statusNotOpened;
        }
        if (nStep == stepComments && m_pData->m_nFileVersion == kVersionWithoutOffset) {
            break;
        }
    }
    return statusDone;
}

BOOL CCsvDataFile::MatchHeaderKey(CString strKey, CString& strLine) {
    if (strLine.Find(strKey) < 0) {
        return FALSE;
    }
    int nComma = strLine.Find(',');
    if (nComma < 0) {
        strLine.Empty();
    } else {
        strLine = strLine.Mid(nComma + 1);
        strLine.TrimLeft();
        strLine.TrimRight();
        strLine.TrimRight(',');
    }
    return TRUE;
}

BOOL CCsvDataFile::StoreFileType(const CString& strValue) {
    CPlotDataObj& data = *m_pData;
    if (strValue.Find(kTypeMarkSpiral) >= 0) {
        data.m_nFileType = kTypeSpiral;
    } else if (strValue.Find(kTypeMarkHorizontal) >= 0) {
        data.m_nFileType = kTypeHorizontal;
    } else {
        data.m_nFileType = 0;
    }
    data.m_nColAPlus = 0;
    data.m_nColAMinus = 1;
    data.m_nColBPlus = 2;
    data.m_nColBMinus = 3;
    m_nFileTypeLine = m_nLine;
    m_strFileType = strValue;
    return TRUE;
}

BOOL CCsvDataFile::StoreReadingDate(const CString& strValue) {
    CPlotDataObj& data = *m_pData;
    data.m_timeReading = ParseReadingDate(strValue);
    data.m_nDateLine = m_nLine;
    if (!m_strDateNote.IsEmpty()) {
        data.m_diagnostics.AddWarning(m_nLine, m_strDateNote);
    }
    return TRUE;
}

// The survey depth, then the label of the first row; the top offset is one
// interval less (StoreInterval).
BOOL CCsvDataFile::StoreDepth(const CString& strValue) {
    CPlotDataObj& data = *m_pData;
    double dBottom = 0.0;
    double dFirstRow = 0.0;
    const char* p = strValue;
    int nFound = 0;
    if (ScanDouble(p, dBottom)) {
        ++nFound;
        if (*p == kSeparator && ScanDouble(++p, dFirstRow)) {
            ++nFound;
        }
    }
    data.m_dBottomDepth = nFound >= 1 ? dBottom : 0.0;
    data.m_dTopOffset = nFound >= 2 ? std::fabs(dFirstRow) : 0.0;
    data.m_nDepthLine = m_nLine;
    return TRUE;
}

BOOL CCsvDataFile::StoreInterval(const CString& strValue) {
    CPlotDataObj& data = *m_pData;
    data.m_dInterval = ParseNumber(strValue);
    data.m_dTopOffset -= data.m_dInterval;
    if (data.m_dTopOffset < 0.0) {
        data.m_dTopOffset = 0.0;
    }
    data.m_nIntervalLine = m_nLine;
    return TRUE;
}

// Every line up to the end marker is a comment, exactly as read: blank lines
// included, nothing trimmed.
BOOL CCsvDataFile::ReadComments() {
    m_pData->m_arrComments.SetSize(0);
    const int nStartLine = m_nLine;
    CString strLine;
    for (;;) {
        if (!ReadFileLine(strLine, kHeaderLineLimit)) {
            m_pData->m_diagnostics.AddError(
                m_nLine, AtEndOfFile() ? "the comment block that begins at line " +
                                             LineNumberText(nStartLine) + " never reaches \"" +
                                             CString(kCommentEnd) + "\""
                                       : CString("the comment line is 80 characters or longer; a "
                                                 "comment line holds at most 79"));
            return FALSE;
        }
        if (strLine.Find(kCommentEnd) >= 0) {
            return TRUE;
        }
        m_pData->m_arrComments.Add(strLine);
    }
}

CTime CCsvDataFile::ParseReadingDate(CString strText) {
    m_strDateNote.Empty();
    int fields[kDateFields] = {};
    const int nFields = ScanDateFields(strText, fields);
    const int nMonth = fields[0], nDay = fields[1], nHour = fields[3], nMinute = fields[4];
    const int nYear = SurveyYear(fields[2]);
    int nSecond = fields[5];
    if ((nFields != 5 && nFields != 6) || nYear == 0 || nMonth < 1 || nMonth > 12 || nDay < 1 ||
        nDay > 31) {
        const CTime now = CTime::GetCurrentTime();
        m_strDateNote = "the reading date " + Quote(strText) +
                        " is not a valid date; the time of the conversion, " +
                        FormatReadingDate(now) + ", was used";
        return now;
    }
    if (nFields == 5 || nSecond < 0 || nSecond > 59) {
        nSecond = 0;
    }
    // Hours, minutes and days beyond their month carry over as mktime does.
    const CTime time(nYear, nMonth, nDay, nHour, nMinute, nSecond, -1);
    struct tm local;
    time.GetLocalTm(&local);
    const int wanted[] = {nYear, nMonth, nDay, nHour, nMinute, nFields == 5 ? 0 : fields[5]};
    const int got[] = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                       local.tm_hour,        local.tm_min,     local.tm_sec};
    if (!std::equal(std::begin(wanted), std::end(wanted), std::begin(got))) {
        m_strDateNote = "the reading date " + Quote(strText) + " does not exist; it was read as " +
                        FormatReadingDate(time);
    }
    return time;
}

CString CCsvDataFile::ReadNonBlankLine() {
    CString strLine;
    if (!CSurveyDataFile::ReadNonBlankLine(strLine, kSearchLineLimit)) {
        return CString();
    }
    return strLine;
}

// Finds the column-header line and maps its columns, then reads the rows.
// Each row goes to the station its depth label names: for a file without a
// top offset and without gaps that is the file order. A row that cannot go
// to a station of its own, a missing station, a row of the wrong shape, a
// cut-off last row, or rows that an interruption would cut off refuse the
// file; stations above the first row or below the last are noted, since the
// writers write them as zero.
int CCsvDataFile::ReadData() {
    CPlotDataObj& data = *m_pData;
    CString strLine;
    do {
        strLine = ReadNonBlankLine();
        strLine.MakeUpper();
        if (strLine.IsEmpty()) {
            return RefuseData(statusNotSurvey, m_nLine,
                              "no column-header line (\"" + CString(kColumnHeader) +
                                  "\") follows the header");
        }
    } while (strLine.Find(kColumnHeaderMark) < 0);
    const int nColumnsLine = m_nLine;
    if (!MapColumns(strLine)) {
        return statusNotSurvey;
    }

    strLine = ReadNonBlankLine();
    if (strLine.IsEmpty()) {
        return RefuseData(statusNotSurvey, nColumnsLine,
                          "no data row follows the column-header line");
    }
    if (m_bSpiralOnly && data.m_nFileType != kTypeSpiral) {
        return RefuseData(statusNotSpiral, m_nFileTypeLine,
                          "the File Type is " + Quote(m_strFileType) +
                              ", not a spiral survey: a TWI file holds twist only, and these "
                              "readings would be written as twist");
    }
    if (!CheckGrid()) {
        return statusNotSurvey;
    }
    data.AllocateGrid();
    if (data.m_nGridSize < 2) {
        return RefuseData(statusNotSurvey, data.m_nDepthLine,
                          "there is not enough memory for the depth grid");
    }
    return ReadRows(strLine);
}

// The names of the column-header line (upper case here): the depth and the
// four faces, each once, in any order, with blanks around them and empty
// cells after them allowed.
BOOL CCsvDataFile::MapColumns(const CString& strLine) {
    std::fill(std::begin(m_nCellOf), std::end(m_nCellOf), -1);
    const std::string& line = strLine.str();
    const size_t nEnd = line.find_last_not_of(" ,");
    int nCell = 0;
    for (size_t nStart = 0; nEnd != std::string::npos && nStart <= nEnd; ++nCell) {
        const size_t nComma = std::min(line.find(kSeparator, nStart), nEnd + 1);
        const std::string strName = ColumnKey(line.substr(nStart, nComma - nStart));
        nStart = nComma + 1;
        const auto pName = std::find_if(std::begin(kColumnNames), std::end(kColumnNames),
                                        [&](const char* psz) { return ColumnKey(psz) == strName; });
        const int nColumn = static_cast<int>(pName - std::begin(kColumnNames));
        if (pName == std::end(kColumnNames) || m_nCellOf[nColumn] >= 0) {
            RefuseData(statusNotSurvey, m_nLine,
                       (pName == std::end(kColumnNames)
                            ? "the column-header line names a column \"" +
                                  CString(strName.c_str()) +
                                  "\" that a KVN CSV survey does not have"
                            : "the column-header line names the column \"" +
                                  CString(kColumnNames[nColumn]) + "\" twice") +
                           "; the columns are " + Quote(kColumnHeader));
            return FALSE;
        }
        m_nCellOf[nColumn] = nCell;
    }
    for (int nColumn = 0; nColumn < kColumns; ++nColumn) {
        if (m_nCellOf[nColumn] < 0) {
            RefuseData(statusNotSurvey, m_nLine,
                       "the column-header line has no column \"" + CString(kColumnNames[nColumn]) +
                           "\"; the columns are " + Quote(kColumnHeader));
            return FALSE;
        }
    }
    return TRUE;
}

// The rows from the first (strLine, already read) to the end of the data.
int CCsvDataFile::ReadRows(CString strLine) {
    CRowPlacement placement;
    for (;;) {
        double dCells[kColumns] = {};
        const RowShape nShape = ScanRow(strLine, dCells);
        if (nShape != rowWhole || !m_lineFacts.bEndedAtCr || m_lineFacts.bBytesDropped) {
            if (const int nStatus = RefuseRow(strLine, nShape, placement.nRows == 0)) {
                return nStatus;
            }
            return EndOfRows(placement, EndReason(strLine), m_nLine);
        }
        for (int nColumn = 0; nColumn < kColumns; ++nColumn) {
            if (!std::isfinite(dCells[m_nCellOf[nColumn]])) {
                return RefuseData(statusReadingNotFinite, m_nLine,
                                  NotFiniteText(CellText(strLine.str(), m_nCellOf[nColumn]).c_str(),
                                                kColumnNames[nColumn]));
            }
        }
        double dValues[kFaces];
        for (int nFace = 0; nFace < kFaces; ++nFace) {
            dValues[nFace] = dCells[m_nCellOf[nFace + 1]];
        }
        if (const int nStatus = PlaceRow(placement, dCells[m_nCellOf[0]], dValues)) {
            return nStatus;
        }
        if (!ReadFileLine(strLine, kRowLineLimit)) {
            if (AtEndOfFile()) {
                return FinishRows(placement);
            }
            // A row of 80 bytes or more: it is not taken, so rows must not be
            // hidden in it or after it.
            const int nLongLine = m_nLine;
            if (ScanRow(strLine, dCells) != rowNone) {
                return RefuseData(statusDataInterrupted, nLongLine,
                                  "the row is 80 characters or longer; rows after the first hold "
                                  "at most 79");
            }
            SkipRestOfLine(*this);
            return EndOfRows(placement,
                             "this line is 80 characters or longer, so the data ends here",
                             nLongLine);
        }
        if (strLine.IsEmpty()) {
            return EndOfRows(placement, "a blank line ends the data here", m_nLine);
        }
    }
}

// The status that refuses a line of the data section that is not a whole
// row, or 0 when it is no row at all and only ends the data. A last line
// without its line end is a file cut off; a row that lost bytes or holds
// more or fewer than five numbers would be read as another row than the
// file has.
int CCsvDataFile::RefuseRow(const CString& strLine, int nShape, bool bFirst) {
    // The line after the rows may be anything, but not a line cut off: that
    // may be the start of a row.
    if (!m_lineFacts.bEndedAtCr && (nShape != rowNone || !bFirst)) {
        return RefuseData(statusDataEndsEarly, m_nLine,
                          "the file ends inside this data row, before its line end: it is cut "
                          "off");
    }
    if (m_lineFacts.bBytesDropped && nShape != rowNone) {
        return RefuseData(statusBadDataLine, m_nLine,
                          "the data row holds bytes that are not text (control bytes, a lone "
                          "line feed, or letters beyond plain ASCII): " +
                              Quote(strLine));
    }
    const CString strBadCell = BadCellText(strLine);
    switch (nShape) {
    case rowTextAfter:
        return RefuseData(statusBadDataLine, m_nLine,
                          "the data row holds more than its five values (only blanks and empty "
                          "cells may follow them; a decimal comma reads as one more cell): " +
                              Quote(strLine));
    case rowShort:
        return RefuseData(bFirst ? statusNotSurvey : statusBadDataLine, m_nLine,
                          !strBadCell.IsEmpty()
                              ? strBadCell
                              : "the data row does not hold five numbers separated by commas: " +
                                    Quote(strLine));
    default:
        break;
    }
    if (bFirst) {
        return RefuseData(statusNotSurvey, m_nLine,
                          strLine.Find(kSeparator) >= 0 && !strBadCell.IsEmpty()
                              ? strBadCell
                              : "the first line after the column-header line is not a data row of "
                                "five numbers separated by commas: " +
                                    Quote(strLine));
    }
    return statusDone;
}

CString CCsvDataFile::BadCellText(const CString& strLine) const {
    const std::string& line = strLine.str();
    const int nCells = std::min(CellCount(line), kColumns);
    for (int nCell = 0; nCell < nCells; ++nCell) {
        const std::string strCell = CellText(line, nCell);
        if (IsNumberCell(strCell)) {
            continue;
        }
        const int* pColumn = std::find(std::begin(m_nCellOf), std::end(m_nCellOf), nCell);
        if (pColumn != std::end(m_nCellOf)) {
            return NotANumberText(strCell.c_str(), kColumnNames[pColumn - std::begin(m_nCellOf)]);
        }
    }
    return CString();
}

CString CCsvDataFile::EndReason(const CString& strLine) const {
    const CString strBadCell = strLine.Find(kSeparator) >= 0 ? BadCellText(strLine) : CString();
    return (strBadCell.IsEmpty() ? CString("this line is not a data row") : strBadCell) +
           ", so the data ends here";
}

// A row must name the station after the row before it: a repeat, a row out
// of order or a gap refuses the file.
int CCsvDataFile::CheckSequence(const CRowPlacement& placement, int nSlot, double dLabel) {
    const CPlotDataObj& data = *m_pData;
    const double dInterval = data.m_dInterval;
    if (placement.nRows > 0 && nSlot <= placement.nSlot) {
        return RefuseData(
            statusMisplacedStation, m_nLine,
            nSlot == placement.nSlot
                ? "the row at " + DepthText(dLabel, data) + " repeats the station of line " +
                      LineNumberText(placement.nLine)
                : "the row at " + DepthText(dLabel, data) +
                      " is out of order: it follows the row at " +
                      DepthText(placement.dLabel, data) + ", and the rows run from the top down");
    }
    if (placement.nRows > 0 && nSlot > placement.nSlot + 1) {
        return RefuseData(statusMissingStation, m_nLine,
                          MissingText((placement.nSlot + 2) * dInterval, nSlot * dInterval,
                                      nSlot - placement.nSlot - 1, data) +
                              " (the rows jump from " + DepthText(placement.dLabel, data) + " to " +
                              DepthText(dLabel, data) + ")");
    }
    return statusDone;
}

// Puts one row at the station its depth names; statusDone, or the status
// that refuses the file.
int CCsvDataFile::PlaceRow(CRowPlacement& placement, double dDepth,
                           const double (&dValues)[kFaces]) {
    CPlotDataObj& data = *m_pData;
    const double dLabel = std::fabs(dDepth);
    const double dInterval = data.m_dInterval;
    const double dTolerance = StationTolerance(dInterval);
    const double dSurveyDepth = std::fabs(data.m_dBottomDepth);
    const double dStation = std::round(dLabel / dInterval);
    if (dStation > StationCount(data)) {
        return RefuseData(statusBelowSurveyDepth, m_nLine,
                          "the row at " + DepthText(dLabel, data) +
                              " lies deeper than the survey depth of " +
                              DepthText(dSurveyDepth, data) + " in the header");
    }
    if (dStation < 1.0 || std::fabs(dLabel - dStation * dInterval) > dTolerance) {
        return RefuseData(statusMisplacedStation, m_nLine,
                          "the row at " + DepthText(dLabel, data) +
                              " lies between the stations of the interval of " +
                              DepthText(dInterval, data));
    }
    const int nSlot = static_cast<int>(dStation) - 1;
    if (const int nStatus = CheckSequence(placement, nSlot, dLabel); nStatus != statusDone) {
        return nStatus;
    }
    if (placement.nRows == 0) {
        placement.nFirstSlot = nSlot;
        placement.nFirstLine = m_nLine;
        // The stations above the first row hold no reading.
        while (data.m_nReadingCount < nSlot) {
            data.AddReading(0.0, 0.0, 0.0, 0.0);
        }
    }
    data.AddReading(ColumnValue(dValues, data.m_nColAPlus), ColumnValue(dValues, data.m_nColAMinus),
                    ColumnValue(dValues, data.m_nColBPlus),
                    ColumnValue(dValues, data.m_nColBMinus));
    ++placement.nRows;
    placement.nSlot = nSlot;
    placement.nLine = m_nLine;
    placement.dLabel = dLabel;
    return statusDone;
}

// The rows ended at nLine for the reason given; further rows after it would
// be cut off, so the rest of the file is searched for them, a line at a time
// and no line kept longer than the search allows.
int CCsvDataFile::EndOfRows(CRowPlacement& placement, CString strReason, int nLine) {
    CString strLine;
    for (;;) {
        if (!ReadFileLine(strLine, kSearchLineLimit)) {
            if (AtEndOfFile()) {
                break;
            }
            SkipRestOfLine(*this); // the start of the line tells whether it is a row
        }
        double dCells[kColumns] = {};
        if (ScanRow(strLine, dCells) == rowWhole || ScanRow(strLine, dCells) == rowTextAfter) {
            return RefuseData(statusDataInterrupted, nLine,
                              strReason + ", but rows follow it (line " + LineNumberText(m_nLine) +
                                  ")");
        }
    }
    return FinishRows(placement);
}

int CCsvDataFile::FinishRows(const CRowPlacement& placement) {
    CPlotDataObj& data = *m_pData;
    if (placement.nFirstSlot > 0) {
        data.m_diagnostics.AddWarning(
            placement.nFirstLine,
            "the first row is at " +
                DepthText((placement.nFirstSlot + 1) * data.m_dInterval, data) + ": " +
                StationsText(placement.nFirstSlot) + " above it " +
                (placement.nFirstSlot == 1 ? "holds" : "hold") +
                " no reading and will be written as zero");
    }
    WarnOfStationsBelow(placement.nSlot, placement.nLine);
    return statusDone;
}
