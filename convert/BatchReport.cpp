#include "convert/BatchReport.h"

namespace {

CString FileName(const CString& strPath) {
    const std::string& str = strPath.str();
    const size_t nSlash = str.find_last_of("\\/");
    return CString(nSlash == std::string::npos ? str.c_str() : str.c_str() + nSlash + 1);
}

// A message on one line: line breaks and runs of white space made one space.
CString OneLine(const CString& strText) {
    std::string strOut;
    for (char ch : strText.str()) {
        const bool bSpace = ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n';
        if (bSpace) {
            if (!strOut.empty() && strOut.back() != ' ') {
                strOut += ' ';
            }
        } else {
            strOut += ch;
        }
    }
    while (!strOut.empty() && strOut.back() == ' ') {
        strOut.pop_back();
    }
    return CString(strOut.c_str());
}

CString Counted(int nCount, const char* pszOne, const char* pszMany) {
    CString str;
    str.Format("%d %s", nCount, nCount == 1 ? pszOne : pszMany);
    return str;
}

} // namespace

CString CBatchReport::ReplaceQuestion(int nExisting) {
    if (nExisting == 1) {
        return "1 of the converted files already exists. Replace it?";
    }
    CString str;
    str.Format("%d of the converted files already exist. Replace them?", nExisting);
    return str;
}

CString CBatchReport::Converting(int nFiles) {
    return "Converting " + Counted(nFiles, "file", "files") + "...";
}

CString CBatchReport::ReadyToConvert(int nFiles) {
    return Counted(nFiles, "file", "files") + " ready: press Convert to convert them.";
}

CString CBatchReport::Chosen(int nPaths) {
    CString str;
    str.Format("%d files and folders chosen", nPaths);
    return str;
}

CString CBatchReport::ResultText(const CJobResult& result) {
    switch (result.m_nJobOutcome) {
    case jobConverted: {
        int nWarnings = 0;
        for (int i = 0; i < result.m_diagnostics.GetSize(); ++i) {
            nWarnings += result.m_diagnostics.GetAt(i).m_nSeverity == severityWarning ? 1 : 0;
        }
        CString strText = "Converted to " + FileName(result.m_strOutput);
        if (nWarnings > 0) {
            strText += " (" + Counted(nWarnings, "warning", "warnings") + ")";
        }
        return strText;
    }
    case jobKept:
        return "Kept the existing " + FileName(result.m_strOutput);
    case jobUpToDate:
        return "Up to date: " + FileName(result.m_strOutput);
    case jobOutputOfInput:
        return "The output of " + FileName(result.m_strMadeFrom) + ", up to date";
    case jobUnknownType:
        return OneLine(CConvertCommand::UnknownTypeText(kOnlySurveys));
    case jobFailed:
        return OneLine(result.m_strMessage + " " + result.StatusExplanation());
    default:
        return OneLine(result.m_strMessage);
    }
}

CString CBatchReport::ResultDetail(const CJobResult& result) {
    CString strDetail = ResultText(result);
    if (!result.m_diagnostics.IsEmpty()) {
        strDetail += "\n\n" + result.m_diagnostics.Describe();
    }
    return strDetail;
}

void CBatchReport::Add(const CJobResult& result) {
    m_nConverted += result.m_nJobOutcome == jobConverted ? 1 : 0;
    m_nKept += result.m_nJobOutcome == jobKept ? 1 : 0;
    m_nUpToDate +=
        result.m_nJobOutcome == jobUpToDate || result.m_nJobOutcome == jobOutputOfInput ? 1 : 0;
    m_nCancelled += result.m_nJobOutcome == jobCancelled ? 1 : 0;
}

CString CBatchReport::Summary(int nTotal) const {
    const int nOthers = nTotal - m_nConverted - m_nKept - m_nUpToDate;
    CString strStatus;
    strStatus.Format(": %d converted", m_nConverted);
    strStatus = Counted(nTotal, "file", "files") + strStatus;
    CString strPart;
    if (m_nKept > 0) {
        strPart.Format(", %d kept", m_nKept);
        strStatus += strPart;
    }
    if (m_nUpToDate > 0) {
        strPart.Format(", %d up to date", m_nUpToDate);
        strStatus += strPart;
    }
    if (nOthers > 0) {
        strPart.Format(", %d not converted", nOthers);
        strStatus += strPart;
    }
    strStatus += m_nCancelled > 0 ? " (cancelled)." : ".";
    return strStatus;
}
