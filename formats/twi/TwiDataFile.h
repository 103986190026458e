// TWI survey files: four fixed header lines (caption, date, depth, interval)
// and one cumulative twist value per station, deepest station first, closed
// by "RUN END".
#pragma once

#include "formats/SurveyDataFile.h"
#include "platform/CString.h"
#include "platform/CTime.h"
#include "survey/PlotDataObj.h"

class CTwiDataFile : public CSurveyDataFile {
public:
    CTwiDataFile();
    ~CTwiDataFile() override;

    // Writing. Status 0 written, 1 record not loaded, 2 output not created,
    // 3 header not written.
    int WriteSurvey(CString strPath, CPlotDataObj* pData);
    BOOL WriteHeader(CPlotDataObj* pData);
    void WriteData(CPlotDataObj* pData);

    // Reading. Status 0 read; -1 no path or not opened; -3 header missing or
    // malformed, or no data line.
    int ReadSurvey(CString strPath, CPlotDataObj* pData);
    int ReadHeader();
    BOOL MatchHeaderKey(CString strKey, CString& strLine);
    CTime ParseRunDate(CString strLine);
    int ReadData();
    CString ReadFirstDataLine();
    int RebuildIncrements();

private:
    static CString FormatRunDate(const CTime& time);
    static int CountStations(const CPlotDataObj* pData);

    BOOL ReadHeaderLine(CString& strLine);
    BOOL TakeHeaderLine(int nPosition, CString& strLine);
    void SetFixedMembers();
    static BOOL ParseDataLine(CString strLine, double& dCumulative);
    void MoveShortSurveyToTop();
};
