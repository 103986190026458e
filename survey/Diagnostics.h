// What a read or a write found wrong or had to change, each with the line of
// the source file it concerns, in words a field engineer understands. One
// list travels with the survey record: a read starts it afresh, the write
// that follows adds to it, and whoever shows the outcome shows the list.
#pragma once

#include "platform/CString.h"
#include "platform/Types.h"

#include <vector>

enum DiagnosticSeverity {
    severityWarning, // carried, but something changed on the way
    severityError,   // refused
};

struct CDiagnostic {
    DiagnosticSeverity m_nSeverity = severityError;
    int m_nLine = 0; // line of the source file, from 1; 0 for the file as a whole
    CString m_strText;

    // "line 12: warning: TEXT", or "warning: TEXT" without a line.
    CString Describe() const;
    LPCSTR SeverityName() const { return m_nSeverity == severityError ? "error" : "warning"; }
};

class CDiagnosticList {
public:
    void RemoveAll() { m_items.clear(); }
    void AddError(int nLine, CString strText);
    void AddWarning(int nLine, CString strText);
    void Add(const CDiagnostic& diagnostic) { m_items.push_back(diagnostic); }

    int GetSize() const { return static_cast<int>(m_items.size()); }
    BOOL IsEmpty() const { return m_items.empty(); }
    const CDiagnostic& GetAt(int nIndex) const { return m_items[static_cast<size_t>(nIndex)]; }
    BOOL HasErrors() const;
    BOOL HasWarnings() const;

    // Every entry as Describe gives it, one per line, joined with CR LF.
    CString Describe() const;

private:
    std::vector<CDiagnostic> m_items;
};
