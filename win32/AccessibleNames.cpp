#include "win32/AccessibleNames.h"

#include "platform/WidePath.h"
#include "win32/resource.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <initguid.h>

#include <oleacc.h>

namespace {

// The names, as the Qt window gives its controls. A control whose text is
// a value (a path, an entry, a list) also gets a hidden label just before it
// in the tab order, which is where the system looks for the name of such a
// control when no name was given to it directly.
const struct {
    int nControl;
    const char* pszName;
    bool bLabel;
} kNames[] = {
    {IDC_SELECTION, "Selected survey file", true},
    {IDC_BROWSE, "Browse for a survey file", false},
    {IDC_DIRECTION, "Conversion direction", true},
    {IDC_CONVERT, "Convert", false},
    {IDC_PICTURE, "About Veltrane", false},
    {IDC_SUMMARY, "Survey summary", true},
    {IDC_PLOT, "Twist plot", false},
    {IDC_DIAGNOSTICS, "What the read found", true},
    {IDC_RESULTS, "Converted files", true},
    {IDC_RESULTS_STATUS, "Conversion summary", false},
    {IDC_ONLY_NOT_CONVERTED, "Show only the files not converted", false},
    {IDC_PROGRESS, "Conversion progress", true},
    {IDC_CANCEL_RUN, "Cancel the conversion", false},
};

// A hidden static text with the name, just before the control.
void AddLabel(HWND hControl, const char* pszName) {
    HWND hLabel =
        CreateWindowExW(0, L"STATIC", Wide(pszName).c_str(), WS_CHILD | SS_NOPREFIX, 0, 0, 0, 0,
                        GetParent(hControl), nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND hBefore = GetWindow(hControl, GW_HWNDPREV);
    SetWindowPos(hLabel, hBefore != nullptr ? hBefore : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

} // namespace

CAccessibleNames::~CAccessibleNames() {
    Release();
}

bool CAccessibleNames::Start() {
    if (!m_bTried) {
        m_bTried = true;
        void* pServices = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IAccPropServices, &pServices))) {
            m_pServices = pServices;
        }
    }
    return m_pServices != nullptr;
}

void CAccessibleNames::Release() {
    if (m_pServices != nullptr) {
        static_cast<IAccPropServices*>(m_pServices)->Release();
        m_pServices = nullptr;
    }
}

void CAccessibleNames::NameControls(void* hDialog) {
    const bool bServices = Start();
    for (const auto& entry : kNames) {
        HWND hControl = GetDlgItem(static_cast<HWND>(hDialog), entry.nControl);
        if (hControl == nullptr) {
            continue;
        }
        if (entry.bLabel) {
            AddLabel(hControl, entry.pszName);
        }
        if (bServices) {
            static_cast<IAccPropServices*>(m_pServices)
                ->SetHwndPropStr(hControl, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                 PROPID_ACC_NAME, Wide(entry.pszName).c_str());
        }
    }
}

void CAccessibleNames::Describe(void* hWnd, const std::string& strText) {
    if (!Start() || hWnd == nullptr) {
        return;
    }
    auto* pServices = static_cast<IAccPropServices*>(m_pServices);
    if (strText.empty()) {
        MSAAPROPID prop = PROPID_ACC_DESCRIPTION;
        pServices->ClearHwndProps(static_cast<HWND>(hWnd), static_cast<DWORD>(OBJID_CLIENT),
                                  CHILDID_SELF, &prop, 1);
        return;
    }
    pServices->SetHwndPropStr(static_cast<HWND>(hWnd), static_cast<DWORD>(OBJID_CLIENT),
                              CHILDID_SELF, PROPID_ACC_DESCRIPTION, Wide(strText).c_str());
}
