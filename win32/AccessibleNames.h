// Names and descriptions for screen readers, for the controls whose own text
// is a value rather than a name (the selected path, the direction, the lists)
// and for the plot, which has no text of its own. The system's accessibility
// layer is told them directly (dynamic annotation), and the controls with a
// value get a hidden label before them as well, where a system without that
// service finds their names; no control shows a text it does not show today.
#pragma once

#include <string>

class CAccessibleNames {
public:
    CAccessibleNames() = default;
    ~CAccessibleNames();
    CAccessibleNames(const CAccessibleNames&) = delete;
    CAccessibleNames& operator=(const CAccessibleNames&) = delete;

    // Names every control of the dialog hDlg that the table below knows.
    // Needs COM on the calling thread.
    void NameControls(void* hDlg);
    // The description of a control (the plot's: the summary's text).
    void Describe(void* hWnd, const std::string& strText);
    // Lets go of the service; before COM ends on the thread.
    void Release();

private:
    bool Start();
    void* m_pServices = nullptr; // IAccPropServices
    bool m_bTried = false;
};
