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

    // Beyond the interval: a reading year that two digits cannot hold.
    void AddTargetWarnings(const CPlotDataObj& data, CDiagnosticList& list) const override;

protected:
    // Any header that does not match is "no TWI survey": -3.
    int HeaderFailure(int /*nHeaderStatus*/) const override { return statusNotSurvey; }
    // The file's running sums become the twist of each interval.
    void CompleteRead() override { RebuildIncrements(); }
    // A TWI file knows no survey type; the record says so after the write.
    void PrepareWrite(CPlotDataObj* pData) override { pData->m_nFileType = 0; }

private:
    static CString FormatRunDate(const CTime& time);
    // Day, month and year, then hour, minute and second, as the date line has them.
    static CString FormatDateFields(const int (&date)[3], const int (&clock)[3]);

    BOOL TakeHeaderLine(int nPosition, CString& strLine);
    void SetFixedMembers();
    static BOOL ParseDataLine(const CString& strLine, double& dStation, double& dCumulative);
    int ReadStations();
    BOOL CheckStation(double dStation, double dCumulative, double dPrevious);
};
