#include "convert/SurveySummary.h"

#include "formats/csv/CsvDataFile.h"
#include "formats/twi/TwiDataFile.h"
#include "survey/NumberText.h"
#include "survey/TwistProfile.h"

namespace {

constexpr const char* kNone = "(none)";

std::string Trimmed(CString str) {
    str.TrimLeft();
    str.TrimRight();
    return str.str();
}

std::string OrNone(const std::string& str) {
    return str.empty() ? kNone : str;
}

// As many decimals as the value needs (10.06, 0.3048), but at least one;
// with the unit as the survey names it.
std::string Length(double dValue, const std::string& strUnit) {
    std::string strText;
    AppendFixed(strText, dValue, 6);
    while (strText.size() > 2 && strText.back() == '0' && strText[strText.size() - 2] != '.') {
        strText.pop_back();
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

} // namespace

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

    // The measured stations, as the twist plot shows them.
    const CTwistProfile profile = CTwistProfile::FromSurvey(m_data);
    std::string strStations;
    AppendWhole(strStations, static_cast<long long>(profile.m_stations.size()));
    if (!profile.m_stations.empty()) {
        strStations += ", from " + Length(profile.m_stations.front().dDepth, std::string()) +
                       " to " + Length(profile.m_stations.back().dDepth, strUnit);
    }
    items.push_back({"Stations", strStations});
    items.push_back({"Reading unit", OrNone(Trimmed(m_data.m_strReadingUnits))});
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
