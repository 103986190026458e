#include "convert/SurveySummary.h"

#include "formats/csv/CsvDataFile.h"
#include "formats/twi/TwiDataFile.h"
#include "survey/NumberText.h"
#include "survey/TwistProfile.h"

#include <cmath>

namespace {

constexpr const char* kNone = "(none)";
// Twists are read in degrees; the mean rate is given over this much depth.
constexpr const char* kDegrees = "degrees";
constexpr int kRateDepth = 10;
constexpr int kRateDecimals = 3;
// Readings carry a few decimals at most. A TWI file's interval twists are
// differences of its sums (0.4 - 0.1 gives 0.30000000000000004), so twists
// closer than this count as equal: an interval of exactly the limit is not
// over it.
constexpr double kTwistTolerance = 1e-9;

std::string Trimmed(CString str) {
    str.TrimLeft();
    str.TrimRight();
    return str.str();
}

std::string OrNone(const std::string& str) {
    return str.empty() ? kNone : str;
}

// As many decimals as the value needs (10.06, 0.3048) up to nDecimals, but
// at least one; with the unit as the survey names it. A value that rounds to
// zero shows no sign.
std::string Length(double dValue, const std::string& strUnit, int nDecimals = 6) {
    std::string strText;
    AppendFixed(strText, dValue, nDecimals);
    while (strText.size() > 2 && strText.back() == '0' && strText[strText.size() - 2] != '.') {
        strText.pop_back();
    }
    if (strText[0] == '-' && strText.find_first_not_of("-0.") == std::string::npos) {
        strText.erase(0, 1);
    }
    if (!strUnit.empty()) {
        strText += " " + strUnit;
    }
    return strText;
}

// "YYYY-MM-DD hh:mm:ss" in local time (ISO 8601): "03/02/2026" would read
// as 3 February in most of the world, and as 2 March in the KVN CSV files.
std::string DateTime(const CTime& time) {
    struct tm fields;
    time.GetLocalTm(&fields);
    std::string strText;
    AppendWhole(strText, fields.tm_year + 1900, 4);
    strText += "-";
    AppendWhole(strText, fields.tm_mon + 1, 2);
    strText += "-";
    AppendWhole(strText, fields.tm_mday, 2);
    strText += " ";
    AppendWhole(strText, fields.tm_hour, 2);
    strText += ":";
    AppendWhole(strText, fields.tm_min, 2);
    strText += ":";
    AppendWhole(strText, fields.tm_sec, 2);
    return strText;
}

// "4.0, 4.5 and 12.5 meters": the depths of the stations, the unit once.
std::string DepthList(const std::vector<TwistStation>& stations, const std::string& strUnit) {
    std::string strText;
    for (size_t i = 0; i < stations.size(); ++i) {
        if (i > 0) {
            strText += i + 1 == stations.size() ? " and " : ", ";
        }
        strText += Length(stations[i].dDepth, std::string());
    }
    return strUnit.empty() ? strText : strText + " " + strUnit;
}

// The figures as summary items, the depth unit as the survey names it.
void AddFigures(std::vector<SummaryItem>& items, const SurveyFigures& figures,
                const std::string& strUnit) {
    if (!figures.bStations) {
        return;
    }
    items.push_back({"Total twist", Length(figures.dTotalTwist, kDegrees)});
    std::string strRate = Length(figures.dRatePer10, kDegrees, kRateDecimals) + " per ";
    AppendWhole(strRate, kRateDepth);
    strRate += " " + (strUnit.empty() ? std::string("units") : strUnit);
    items.push_back({"Mean twist rate", strRate});
    items.push_back({"Largest interval twist", Length(figures.dLargestTwist, kDegrees) + " at " +
                                                   Length(figures.dLargestDepth, strUnit)});
    if (!figures.limit) {
        return;
    }
    std::string strOver;
    if (figures.overLimit.empty()) {
        strOver = kNone;
    } else {
        AppendWhole(strOver, static_cast<long long>(figures.overLimit.size()));
        strOver += figures.overLimit.size() == 1 ? " interval, at " : " intervals, at ";
        strOver += DepthList(figures.overLimit, strUnit);
    }
    items.push_back({"Over " + Length(*figures.limit, kDegrees), strOver});
}

} // namespace

SurveyFigures SurveyFigures::Of(const CTwistProfile& profile, std::optional<double> limit) {
    SurveyFigures figures;
    figures.limit = limit;
    figures.strDepthUnits = Trimmed(profile.m_strDepthUnits);
    if (profile.m_nStatus != profileReady || profile.m_stations.empty()) {
        return figures;
    }
    figures.bStations = true;
    const TwistStation* pLargest = &profile.m_stations.front();
    for (const TwistStation& station : profile.m_stations) {
        if (std::fabs(station.dTwist) > std::fabs(pLargest->dTwist) + kTwistTolerance) {
            pLargest = &station;
        }
        if (limit && std::fabs(station.dTwist) > *limit + kTwistTolerance) {
            figures.overLimit.push_back(station);
        }
    }
    figures.dLargestTwist = pLargest->dTwist;
    figures.dLargestDepth = pLargest->dDepth;
    // The sum from the top down to the deepest station: every interval once.
    figures.dTotalTwist = profile.m_stations.back().dCumulative;
    figures.dLength = profile.m_stations.back().dDepth - profile.m_dTopDepth;
    if (figures.dLength > 0.0) {
        figures.dRatePer10 = figures.dTotalTwist / figures.dLength * kRateDepth;
    }
    return figures;
}

BOOL CSurveySummary::Read(const CString& strPath, int nDirection) {
    m_data.Reset();
    m_strFileError.Empty();
    m_bRead = FALSE;
    m_nStatus = statusNotOpened;
    m_nFormat = nDirection == directionCsvToTwi ? formatCsv : formatTwi;
    if (nDirection != directionTwiToCsv && nDirection != directionCsvToTwi) {
        m_data.m_diagnostics.AddError(0, "no conversion direction is selected");
        return FALSE;
    }
    // Fresh readers: nothing of an earlier read carries into this one.
    CTwiDataFile twiFile;
    CCsvDataFile csvFile;
    csvFile.m_bSpiralOnly = TRUE;
    CSurveyDataFile& reader =
        m_nFormat == formatCsv ? static_cast<CSurveyDataFile&>(csvFile) : twiFile;
    try {
        m_nStatus = reader.ReadSurvey(strPath, &m_data);
    } catch (const CFileException& error) {
        // A device error midway: what was read so far is no survey.
        m_data.FreeSeries();
        m_strFileError = CConvertCommand::FileErrorText(error, CString());
        m_nStatus = statusNotOpened;
        return FALSE;
    }
    m_bRead = m_nStatus == statusDone;
    return m_bRead;
}

std::vector<SummaryItem> CSurveySummary::Items() const {
    std::vector<SummaryItem> items;
    items.push_back({"Format", FormatName(m_nFormat)});
    if (!m_bRead) {
        AddHeaderItemsRead(items);
        return items;
    }
    if (m_nFormat == formatCsv) {
        items.push_back({"Borehole", OrNone(Trimmed(m_data.m_strBorehole))});
        items.push_back({"Site", OrNone(Trimmed(m_data.m_strSite))});
    }
    const std::string strUnit = Trimmed(m_data.m_strDepthUnits);
    items.push_back({"Reading date", DateTime(m_data.m_timeReading)});
    items.push_back({"Depth", Length(m_data.m_dBottomDepth, strUnit)});
    items.push_back({"Interval", Length(m_data.m_dInterval, strUnit)});

    // The stations the conversion writes: every one down to the survey depth,
    // those without a reading as zero. When fewer were measured (as the twist
    // plot shows them), that is said too.
    const int nWritten = CSurveyDataFile::StationCount(m_data);
    const CTwistProfile profile = CTwistProfile::FromSurvey(m_data);
    const size_t nMeasured = profile.m_stations.size();
    std::string strStations;
    AppendWhole(strStations, nWritten);
    if (nWritten > 0) {
        strStations += ", from " + Length(m_data.m_dInterval, std::string()) + " to " +
                       Length(nWritten * m_data.m_dInterval, strUnit);
    }
    if (nMeasured != static_cast<size_t>(nWritten)) {
        strStations += " (";
        AppendWhole(strStations, static_cast<long long>(nMeasured));
        strStations += " with readings)";
    }
    items.push_back({"Stations", strStations});
    items.push_back({"Reading unit", OrNone(Trimmed(m_data.m_strReadingUnits))});
    AddFigures(items, SurveyFigures::Of(profile, m_limit), strUnit);
    return items;
}

void CSurveySummary::AddHeaderItemsRead(std::vector<SummaryItem>& items) const {
    // A file refused in its data (or late in its header) still names its
    // borehole and site: which survey it is matters most when it failed.
    // The record starts each read empty, so what is set came from the file.
    if (m_nFormat == formatCsv) {
        for (const auto& [pszLabel, strValue] :
             {std::pair{"Borehole", &m_data.m_strBorehole}, {"Site", &m_data.m_strSite}}) {
            if (!Trimmed(*strValue).empty()) {
                items.push_back({pszLabel, Trimmed(*strValue)});
            }
        }
    }
    const std::string strUnit = Trimmed(m_data.m_strDepthUnits);
    if (m_data.m_nDateLine > 0) {
        items.push_back({"Reading date", DateTime(m_data.m_timeReading)});
    }
    if (m_data.m_nDepthLine > 0) {
        items.push_back({"Depth", Length(m_data.m_dBottomDepth, strUnit)});
    }
    if (m_data.m_nIntervalLine > 0) {
        items.push_back({"Interval", Length(m_data.m_dInterval, strUnit)});
    }
}

std::vector<std::string> CSurveySummary::Lines() const {
    std::vector<std::string> lines;
    for (const SummaryItem& item : Items()) {
        lines.push_back(item.strLabel + ": " + item.strValue);
    }
    return lines;
}

std::string CSurveySummary::FailureText() const {
    if (m_bRead) {
        return std::string();
    }
    if (!m_strFileError.IsEmpty()) {
        return m_strFileError.str();
    }
    CString strMessage;
    strMessage.Format(CConvertCommand::kMsgError, m_nStatus);
    const CString strMeaning = ReadStatusText(m_nFormat, m_nStatus);
    if (!strMeaning.IsEmpty()) {
        strMessage += "\n" + strMeaning;
    }
    return strMessage.str();
}

int CSurveySummary::DirectionOf(const CString& strPath) {
    return CConvertCommand::GuessDirection(CConvertCommand::ExtensionOf(strPath));
}

const char* CSurveySummary::FormatName(SurveyFormat nFormat) {
    return nFormat == formatCsv ? "KVN CSV" : "TWI";
}

CString CSurveySummary::ConvertedPath(const CString& strSource, int nDirection) {
    if (nDirection != directionTwiToCsv && nDirection != directionCsvToTwi) {
        return CString();
    }
    return CConvertCommand::OutputPathFor(strSource, nDirection);
}

CString CSurveySummary::WithExtension(const CString& strPath, const char* pszExtension) {
    const int nSlash = strPath.ReverseFind('/') > strPath.ReverseFind('\\')
                           ? strPath.ReverseFind('/')
                           : strPath.ReverseFind('\\');
    const int nDot = strPath.ReverseFind('.');
    const CString strStem = nDot > nSlash ? strPath.Left(nDot) : strPath;
    return strStem + "." + pszExtension;
}

bool CSurveySummary::ParseLimit(const std::string& strText, double& dLimit) {
    const char* pText = strText.c_str();
    double dValue = 0.0;
    if (!ScanDouble(pText, dValue)) {
        return false;
    }
    while (*pText == ' ' || *pText == '\t') {
        ++pText;
    }
    if (*pText != '\0' || !std::isfinite(dValue) || dValue < 0.0) {
        return false;
    }
    dLimit = dValue;
    return true;
}
