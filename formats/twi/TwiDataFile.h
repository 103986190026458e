// TWI survey files: four fixed header lines (caption, date, depth, interval)
// and one cumulative twist value per station, deepest station first, closed
// by "RUN END".
#pragma once

#include "formats/SurveyDataFile.h"
#include "platform/CString.h"
#include "platform/CTime.h"
#include "survey/PlotDataObj.h"

#include <vector>

class CTwiDataFile : public CSurveyDataFile {
public:
    CTwiDataFile();
    ~CTwiDataFile() override;

    // Writing (WriteSurvey): status 0 written, 1 record not loaded, 2 output
    // not created, 3 header not written. Every survey is written as twist.
    BOOL WriteHeader(CPlotDataObj* pData) override;
    void WriteData(CPlotDataObj* pData) override;

    // Reading (ReadSurvey): statusNotOpened no path or not opened;
    // statusNotSurvey header missing or malformed, or no data line; the
    // refusals of the data lines in SurveyStatus.h.
    int ReadHeader() override;
    BOOL MatchHeaderKey(CString strKey, CString& strLine);
    CTime ParseRunDate(CString strLine);
    int ReadData() override;
    int RebuildIncrements();

    // Beyond the interval: a reading year that two digits cannot hold.
    void AddTargetWarnings(const CPlotDataObj& data, CDiagnosticList& list) const override;

protected:
    // The file's running sums become the twist of each interval.
    void CompleteRead() override { RebuildIncrements(); }
    // A TWI file knows no survey type; the record says so after the write.
    void PrepareWrite(CPlotDataObj* pData) override { pData->m_nFileType = 0; }

private:
    static void WarnOfRoundedTwist(const CPlotDataObj& data, CDiagnosticList& list);
    static CString FormatRunDate(const CTime& time);
    // Day, month and year, then hour, minute and second, as the date line has them.
    static CString FormatDateFields(const int (&date)[3], const int (&clock)[3]);

    // A data line: its station label, its cumulative twist, its line.
    struct CStationLine {
        double dLabel;
        double dCumulative;
        int nLine;
    };
    enum LineRead { lineRead, lineEndOfFile, lineTooLong };
    // Where and why the data lines ended, and the text of the line that
    // ended them (empty when the file or an over-long line did).
    struct CDataEnd {
        int nLine = 0;
        CString strWhy;
        CString strText;
    };

    BOOL TakeHeaderLine(int nPosition, CString& strLine);
    void SetFixedMembers();
    static BOOL ParseDataLine(const CString& strLine, double& dStation, double& dCumulative);
    int ReadStationLines(std::vector<CStationLine>& lines);
    int EndOfStationLines(const CString& strLine, bool bFirst);
    LineRead ReadFirstDataLine(CString& strLine);
    LineRead ReadDataLine(CString& strLine);
    int CheckLabels(const std::vector<CStationLine>& lines, bool bReport);
    int CheckLabel(const CStationLine& line, double& dPrevious, bool bReport);
    // RefuseData when bReport, else only the status.
    int Refuse(bool bReport, int nStatus, int nLine, const CString& strText);
    bool IsRoundedIntervalFile(const std::vector<CStationLine>& lines, double& dSpacing) const;
    void WarnOfRoundedInterval(const std::vector<CStationLine>& lines, double dSpacing);
    void LookForRunEnd(int nTopLine);

    CDataEnd m_dataEnd;
};
