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

    // Writing (WriteSurvey): status 0 written, 1 record not loaded, 2 output
    // not created, 3 header not written. Every survey is written as twist.
    BOOL WriteHeader(CPlotDataObj* pData) override;
    void WriteData(CPlotDataObj* pData) override;

    // Reading (ReadSurvey): status 0 read; -1 no path or not opened; -3
    // header missing or malformed, or no data line.
    int ReadHeader() override;
    BOOL MatchHeaderKey(CString strKey, CString& strLine);
    CTime ParseRunDate(CString strLine);
    int ReadData() override;
    CString ReadFirstDataLine();
    int RebuildIncrements();

protected:
    // Any header that does not match is "no TWI survey": -3.
    int HeaderFailure(int /*nHeaderStatus*/) const override { return kReadNoData; }
    // The file's running sums become the twist of each interval.
    void CompleteRead() override { RebuildIncrements(); }
    // A TWI file knows no survey type; the record says so after the write.
    void PrepareWrite(CPlotDataObj* pData) override { pData->m_nFileType = 0; }

private:
    static CString FormatRunDate(const CTime& time);

    BOOL TakeHeaderLine(int nPosition, CString& strLine);
    void SetFixedMembers();
    static BOOL ParseDataLine(CString strLine, double& dCumulative);
    void MoveShortSurveyToTop();
};
