// A survey file read as a conversion reads it, without converting it: the
// record, what the read found, and a summary of the survey in "label: value"
// items. The window's preview and veltrane-convert --info both show it, so
// they say the same about a file.
#pragma once

#include "convert/ConvertCommand.h"
#include "platform/CString.h"
#include "survey/PlotDataObj.h"
#include "survey/TwistProfile.h"

#include <optional>
#include <string>
#include <vector>

struct SummaryItem {
    std::string strLabel; // "Reading date"
    std::string strValue; // "09/14/2026 10:42:05"
};

// The figures an engineer judges a spiral survey by, from its measured
// stations. Twists are in degrees, depths in the survey's depth unit.
struct SurveyFigures {
    bool bStations = false;      // false: no measured station, so no figures
    double dTotalTwist = 0.0;    // summed over every interval, top to bottom
    double dLength = 0.0;        // from where the sum starts to the deepest station
    double dRatePer10 = 0.0;     // the mean twist over 10 units of depth
    double dLargestTwist = 0.0;  // the interval twist of largest size, with its sign
    double dLargestDepth = 0.0;  // the station ending that interval (the shallowest of equals)
    std::optional<double> limit; // degrees either way; none: no interval is judged
    std::vector<TwistStation> overLimit; // intervals twisting more than the limit, shallowest first
    std::string strDepthUnits;           // as the survey names its unit, blanks trimmed

    static SurveyFigures Of(const CTwistProfile& profile, std::optional<double> limit);
};

class CSurveySummary {
public:
    // Reads strPath with the reader of the source format of nDirection
    // (directionTwiToCsv or directionCsvToTwi) into m_data, which starts
    // empty. A KVN CSV file is read as a conversion to TWI reads it: one that
    // is not a spiral survey is refused. TRUE when the survey was read. A
    // read the system breaks off midway (a device error) is a failed read
    // too, with m_strFileError saying which file and why.
    BOOL Read(const CString& strPath, int nDirection);

    BOOL IsRead() const { return m_bRead; }

    // The survey's items: format, borehole and site (KVN CSV), reading date,
    // depth, interval, the stations a conversion writes (and how many hold a
    // reading, when fewer) and reading unit, then the figures of a survey
    // with stations: total twist, mean twist rate, largest interval twist
    // and, with a limit, the intervals over it. After a failed read only the
    // format the file was read as.
    std::vector<SummaryItem> Items() const;
    // Each item as "label: value".
    std::vector<std::string> Lines() const;

    // After a failed read: the conversion's first line ("Error reading data
    // file, code = N.", or the system's refusal) and, on a line of its own,
    // what the status means for that reader. Empty after a read.
    std::string FailureText() const;

    // The direction a conversion of strPath takes by its extension (any
    // letter case): .csv KVN CSV to TWI, .twi TWI to KVN CSV; directionNone
    // for any other.
    static int DirectionOf(const CString& strPath);
    // The name of a format for people: "KVN CSV" or "TWI".
    static const char* FormatName(SurveyFormat nFormat);
    // The file a conversion of strSource in nDirection writes: SDP_B12.csv
    // for B12.twi, SDP_B12.twi for SDP_B12.csv, in the source's folder.
    // Empty for directionNone.
    static CString ConvertedPath(const CString& strSource, int nDirection);
    // strPath with its extension (after the last "." of the name) replaced
    // by pszExtension (given without its dot), which is appended when the
    // name has none.
    static CString WithExtension(const CString& strPath, const char* pszExtension);
    // A twist limit as a person types it, in degrees: a number of at least 0
    // with a decimal point, nothing after it. False for anything else.
    static bool ParseLimit(const std::string& strText, double& dLimit);

    // The limit the figures judge the intervals by; none by default.
    std::optional<double> m_limit;

    CPlotDataObj m_data;
    SurveyFormat m_nFormat = formatTwi;
    int m_nStatus = 0;
    CString m_strFileError;

private:
    // The header items a read that failed had read, for its summary.
    void AddHeaderItemsRead(std::vector<SummaryItem>& items) const;
    BOOL m_bRead = FALSE;
};
