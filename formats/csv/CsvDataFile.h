// KVN CSV survey files: a keyed header, a comment block, a column-header line
// and one comma-separated row of four face readings per depth station.
#pragma once

#include "formats/SurveyDataFile.h"
#include "platform/CString.h"
#include "platform/CTime.h"
#include "survey/PlotDataObj.h"

class CCsvDataFile : public CSurveyDataFile {
public:
    CCsvDataFile();
    ~CCsvDataFile() override;

    // Writing (WriteSurvey): status 0 written, 1 record not loaded, 2 output
    // not created. The header is always written once the output is open.
    BOOL WriteHeader(CPlotDataObj* pData) override;
    void WriteData(CPlotDataObj* pData) override;

    // Reading (ReadSurvey): statusDone read; statusNotOpened no path, not
    // opened, or a header or comment line missing or too long;
    // statusFirstLineUnreadable; statusNotSurvey no signature, no usable
    // column-header line or no data row; 1 to 14 the header step whose key
    // was not found; the refusals of the rows in SurveyStatus.h.
    int ReadHeader() override;
    BOOL MatchHeaderKey(CString strKey, CString& strLine);
    CTime ParseReadingDate(CString strText);
    int ReadData() override;
    CString ReadNonBlankLine();

    // The number of header steps, and the key that step nStep (1 to
    // kHeaderSteps) looks for; empty outside that range.
    static constexpr int kHeaderSteps = 14;
    static LPCSTR HeaderKey(int nStep);
    // The steps of the header items a TWI file does not carry.
    static constexpr int kSiteStep = 3;
    static constexpr int kBoreholeStep = 4;

    // Set for a read whose survey becomes a TWI file: a KVN CSV file that is
    // not a spiral survey is then refused, since a TWI file holds twist only.
    BOOL m_bSpiralOnly = FALSE;

    // The faces of a row: Face A+, Face A-, Face B+, Face B-.
    static constexpr int kFaces = 4;

private:
    // Where the rows read so far went: their number, the slot, line and depth
    // label of the last, and the slot and line of the first.
    struct CRowPlacement {
        int nRows = 0;
        int nSlot = -1;
        int nLine = 0;
        double dLabel = 0.0;
        int nFirstSlot = 0;
        int nFirstLine = 0;
    };

    // A header item: its key, and what stores its value in m_pData; the
    // store gives FALSE when the comment block cannot be read to its end.
    struct CHeaderItem {
        LPCSTR pszKey;
        BOOL (*pStore)(CCsvDataFile& file, const CString& strValue);
    };
    static const CHeaderItem kHeaderItems[kHeaderSteps];
    static LPCSTR Key(int nStep);

    // One header line: the key, a comma, the value.
    void WriteItem(LPCSTR pszKey, CString strValue);
    BOOL StoreFileType(const CString& strValue);
    BOOL StoreReadingDate(const CString& strValue);
    BOOL StoreDepth(const CString& strValue);
    BOOL StoreInterval(const CString& strValue);
    BOOL ReadComments();
    BOOL MapColumns(const CString& strLine);
    int ReadRows(CString strLine);
    int RefuseRow(const CString& strLine, int nShape, bool bFirst);
    // The first of the five cells of a row that holds no number, named with
    // its column; empty when each holds one.
    CString BadCellText(const CString& strLine) const;
    // Why a line that is no row ends the data, naming the value that is no
    // number when the line has the cells of a row.
    CString EndReason(const CString& strLine) const;
    int PlaceRow(CRowPlacement& placement, double dDepth, const double (&dValues)[kFaces]);
    int CheckSequence(const CRowPlacement& placement, int nSlot, double dLabel);
    int EndOfRows(CRowPlacement& placement, CString strReason, int nLine);
    int FinishRows(const CRowPlacement& placement);

    int m_nFileTypeLine = 0; // where the File Type item was read
    CString m_strFileType;   // its value
    // The cell of a row that holds the depth and each face, Face A+ to
    // Face B-, as the column-header line names them.
    int m_nCellOf[kFaces + 1] = {0, 1, 2, 3, 4};
};
