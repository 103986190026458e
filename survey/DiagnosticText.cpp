#include "survey/DiagnosticText.h"

#include "survey/NumberText.h"
#include "survey/PlotSettings.h"

CString DepthText(double dDepth, const CPlotDataObj& data) {
    // As many decimals as the depth needs (10.06, 0.3048), but at least one.
    std::string strText;
    AppendFixed(strText, dDepth, 6);
    while (strText.size() > 2 && strText.back() == '0' && strText[strText.size() - 2] != '.') {
        strText.pop_back();
    }
    static const char* const kAbbreviations[] = {"m", "mm", "ft", "in"};
    const int nUnit = data.m_settings.ParseUnits(data.m_strDepthUnits);
    if (!data.m_strDepthUnits.IsEmpty() && nUnit >= unitMeters && nUnit <= unitInches) {
        strText += " ";
        strText += kAbbreviations[nUnit];
    }
    return CString(std::move(strText));
}

CString StationsText(int nCount) {
    if (nCount == 1) {
        return "one station";
    }
    std::string strText;
    AppendWhole(strText, nCount);
    return CString(std::move(strText)) + " stations";
}

CString LineNumberText(int nLine) {
    std::string strText;
    AppendWhole(strText, nLine);
    return CString(std::move(strText));
}

CString Quote(const CString& strLine) {
    constexpr int kLongest = 40;
    if (strLine.GetLength() <= kLongest) {
        return "\"" + strLine + "\"";
    }
    return "\"" + strLine.Left(kLongest) + "...\"";
}

CString MissingText(double dFrom, double dTo, double dCount, const CPlotDataObj& data) {
    if (dCount < 1.5) {
        return "the station at " + DepthText(dFrom, data) + " is missing";
    }
    return "the " + StationsText(static_cast<int>(dCount)) + " from " + DepthText(dFrom, data) +
           " to " + DepthText(dTo, data) + " are missing";
}

CString NotANumberText(const CString& strValue, LPCSTR pszColumn) {
    if (strValue.IsEmpty()) {
        return "a number is missing (" + CString(pszColumn) + ")";
    }
    return Quote(strValue) + " is not a number (" + pszColumn + ")";
}

CString NotFiniteText(const CString& strValue, LPCSTR pszColumn) {
    return Quote(strValue) + " is not a finite number (" + pszColumn + ")";
}
