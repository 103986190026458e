#include "formats/csv/CsvDataFile.h"

#include "survey/LineReader.h"
#include "survey/NumberText.h"

#include <climits>
#include <cmath>
#include <ctime>
#include <string>

namespace {

constexpr const char* kSignature = "KVN Digital Inclinometer Data";

// The header items in file order: step n of the reader looks for the key
// kHeaderKeys[n - 1]. The writer writes each item as its key, a comma and
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
constexpr const char* kHeaderKeys[kHeaderSteps] = {
    "File Version",
    "File Type",
    "Site",
    "Borehole",
    "Probe Serial#",
    "Reel Serial#",
    "Reading Date(m/d/y)",
    "Depth",
    "Interval",
    "Depth Units",
    "Reading Units",
    "Operator",
    "Comment:",
    "Offset Correction",
};

LPCSTR Key(int nStep) {
    return kHeaderKeys[nStep - 1];
}

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

// A data row: a minus sign and the station depth with one decimal (-2.0,
// -10.5), then one cell per face that has a column, each a comma and the
// value with the decimals of the reading unit, or ",0.0" for a zero. The
// reader takes five numbers separated by commas, the depth and the four
// values; blanks may stand before a number but not before a comma.
constexpr char kRowDepthSign = '-';
constexpr int kRowDepthDecimals = 1;
constexpr char kSeparator = ',';
constexpr const char* kZeroCell = ",0.0";
constexpr int kFaces = 4;

// Decimals of a cell by reading-unit code; a spiral survey always has one.
constexpr int kDecimalsByUnit[] = {8, 5, 7, 6, 7, 1, 6, 2};
constexpr int kDefaultDecimals = 7;
constexpr int kSpiralDecimals = 1;

// Bytes a line may use up before its CR: the header and comment lines and the
// rows after the first are short, the search for the column-header line
// allows longer lines.
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

// Reads the depth and the four values of a row, each number directly
// followed by the comma before the next; FALSE unless all five are there.
// Text after the fifth is ignored.
BOOL ScanRow(const char* pText, double& dDepth, double (&dValues)[kFaces]) {
    if (!ScanDouble(pText, dDepth)) {
        return FALSE;
    }
    for (double& dValue : dValues) {
        if (*pText != kSeparator) {
            return FALSE;
        }
        ++pText;
        if (!ScanDouble(pText, dValue)) {
            return FALSE;
        }
    }
    return TRUE;
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
        std::string strRow(1, kRowDepthSign);
        AppendFixed(strRow, (k + 1) * dInterval, kRowDepthDecimals);
        for (int nFace = 0; nFace < kFaces; ++nFace) {
            if (nColumns[nFace] >= 0) {
                AppendCell(strRow, dValues[nFace], nDecimals);
            }
        }
        WriteLine(CString(std::move(strRow)), TRUE);
    }
}

// ---------------------------------------------------------------- reading

int CCsvDataFile::ReadHeader() {
    CString strLine;
    if (!ReadLine(*this, strLine, kHeaderLineLimit)) {
        return -2;
    }
    if (strLine.Find(kSignature) < 0) {
        return -3;
    }
    for (int nStep = 1; nStep <= kHeaderSteps; ++nStep) {
        if (!CSurveyDataFile::ReadNonBlankLine(strLine, kHeaderLineLimit)) {
            return -1;
        }
        strLine.TrimRight(',');
        if (!MatchHeaderKey(Key(nStep), strLine)) {
            return nStep;
        }
        if (!StoreHeaderItem(nStep, strLine)) {
            return -1;
        }
        if (nStep == stepComments && m_pData->m_nFileVersion == kVersionWithoutOffset) {
            break;
        }
    }
    return 0;
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

BOOL CCsvDataFile::StoreHeaderItem(int nStep, CString strValue) {
    CPlotDataObj* pData = m_pData;
    switch (nStep) {
    case stepFileVersion:
        pData->m_nFileVersion = TruncateToInt(ParseNumber(strValue));
        break;
    case stepFileType:
        if (strValue.Find(kTypeMarkSpiral) >= 0) {
            pData->m_nFileType = kTypeSpiral;
        } else if (strValue.Find(kTypeMarkHorizontal) >= 0) {
            pData->m_nFileType = kTypeHorizontal;
        } else {
            pData->m_nFileType = 0;
        }
        pData->m_nColAPlus = 0;
        pData->m_nColAMinus = 1;
        pData->m_nColBPlus = 2;
        pData->m_nColBMinus = 3;
        break;
    case stepSite:
        pData->m_strSite = strValue;
        break;
    case stepBorehole:
        pData->m_strBorehole = strValue;
        break;
    case stepProbeSerial:
        pData->m_strProbeSerial = WithoutPrefix(kProbeSerialPrefix, strValue);
        break;
    case stepReelSerial:
        pData->m_strReelSerial = WithoutPrefix(kReelSerialPrefix, strValue);
        break;
    case stepReadingDate:
        pData->m_timeReading = ParseReadingDate(strValue);
        break;
    case stepDepth: {
        // The second number is the label of the first row; the top offset
        // is one interval less (step 9).
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
        pData->m_dBottomDepth = nFound >= 1 ? dBottom : 0.0;
        pData->m_dTopOffset = nFound >= 2 ? std::fabs(dFirstRow) : 0.0;
        break;
    }
    case stepInterval:
        pData->m_dInterval = ParseNumber(strValue);
        pData->m_dTopOffset -= pData->m_dInterval;
        if (pData->m_dTopOffset < 0.0) {
            pData->m_dTopOffset = 0.0;
        }
        break;
    case stepDepthUnits:
        pData->m_strDepthUnits = strValue;
        break;
    case stepReadingUnits:
        pData->m_strReadingUnits = strValue;
        pData->m_nReadingUnits = pData->m_settings.ParseUnits(strValue);
        break;
    case stepOperator:
        pData->m_strOperator = strValue;
        break;
    case stepComments:
        return ReadComments();
    case stepOffsetCorrection:
        pData->m_dOffsetCorrection = ParseNumber(strValue);
        break;
    }
    return TRUE;
}

// Every line up to the end marker is a comment, exactly as read: blank lines
// included, nothing trimmed.
BOOL CCsvDataFile::ReadComments() {
    m_pData->m_arrComments.SetSize(0);
    CString strLine;
    for (;;) {
        if (!ReadLine(*this, strLine, kHeaderLineLimit)) {
            return FALSE;
        }
        if (strLine.Find(kCommentEnd) >= 0) {
            return TRUE;
        }
        m_pData->m_arrComments.Add(strLine);
    }
}

CTime CCsvDataFile::ParseReadingDate(CString strText) {
    int fields[kDateFields] = {};
    const int nFields = ScanDateFields(strText, fields);
    int nMonth = fields[0], nDay = fields[1], nYear = fields[2];
    int nHour = fields[3], nMinute = fields[4], nSecond = fields[5];
    if (nFields != 5 && nFields != 6) {
        return CTime::GetCurrentTime();
    }
    nYear = SurveyYear(nYear);
    if (nYear == 0 || nMonth < 1 || nMonth > 12 || nDay < 1 || nDay > 31) {
        return CTime::GetCurrentTime();
    }
    if (nFields == 5 || nSecond < 0 || nSecond > 59) {
        nSecond = 0;
    }
    // Hours, minutes and days beyond their month carry over as mktime does.
    return CTime(nYear, nMonth, nDay, nHour, nMinute, nSecond, -1);
}

CString CCsvDataFile::ReadNonBlankLine() {
    CString strLine;
    if (!CSurveyDataFile::ReadNonBlankLine(strLine, kSearchLineLimit)) {
        return CString();
    }
    return strLine;
}

int CCsvDataFile::ReadData() {
    CString strLine;
    do {
        strLine = ReadNonBlankLine();
        strLine.MakeUpper();
        if (strLine.IsEmpty()) {
            return 0;
        }
    } while (strLine.Find(kColumnHeaderMark) < 0);

    strLine = ReadNonBlankLine();
    if (strLine.IsEmpty()) {
        return 0;
    }
    m_pData->AllocateGrid();
    // Rows fill the slots in file order; the depth must be a number but does
    // not place the row. One empty line, or a line that is not a row, ends
    // the data.
    int nRows = 0;
    for (;;) {
        double dDepth = 0.0;
        double dValues[kFaces] = {};
        if (!ScanRow(strLine, dDepth, dValues)) {
            break;
        }
        ++nRows;
        // A row beyond the grid is counted but not stored.
        m_pData->AddReading(ColumnValue(dValues, m_pData->m_nColAPlus),
                            ColumnValue(dValues, m_pData->m_nColAMinus),
                            ColumnValue(dValues, m_pData->m_nColBPlus),
                            ColumnValue(dValues, m_pData->m_nColBMinus));
        if (!ReadLine(*this, strLine, kRowLineLimit) || strLine.IsEmpty()) {
            break;
        }
    }
    return nRows;
}
