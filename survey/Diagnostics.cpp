#include "survey/Diagnostics.h"

#include "survey/NumberText.h"

#include <algorithm>

CString CDiagnostic::Describe() const {
    std::string strText;
    if (m_nLine > 0) {
        strText = "line ";
        AppendWhole(strText, m_nLine);
        strText += ": ";
    }
    strText += SeverityName();
    strText += ": ";
    strText += m_strText.str();
    return CString(std::move(strText));
}

void CDiagnosticList::AddError(int nLine, CString strText) {
    m_items.push_back(CDiagnostic{severityError, nLine, std::move(strText)});
}

void CDiagnosticList::AddWarning(int nLine, CString strText) {
    m_items.push_back(CDiagnostic{severityWarning, nLine, std::move(strText)});
}

BOOL CDiagnosticList::HasErrors() const {
    return std::any_of(m_items.begin(), m_items.end(),
                       [](const CDiagnostic& d) { return d.m_nSeverity == severityError; });
}

BOOL CDiagnosticList::HasWarnings() const {
    return std::any_of(m_items.begin(), m_items.end(),
                       [](const CDiagnostic& d) { return d.m_nSeverity == severityWarning; });
}

CString CDiagnosticList::Describe() const {
    CString strText;
    for (const CDiagnostic& diagnostic : m_items) {
        if (!strText.IsEmpty()) {
            strText += "\r\n";
        }
        strText += diagnostic.Describe();
    }
    return strText;
}
