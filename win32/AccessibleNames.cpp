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

// The names, as the Qt window gives its controls.
const struct {
    int nControl;
    const char* pszName;
} kNames[] = {
    {IDC_SELECTION, "Selected survey file"},
    {IDC_BROWSE, "Browse for a survey file"},
    {IDC_DIRECTION, "Conversion direction"},
    {IDC_CONVERT, "Convert"},
    {IDC_PICTURE, "About Veltrane"},
    {IDC_SUMMARY, "Survey summary"},
    {IDC_PLOT, "Twist plot"},
    {IDC_DIAGNOSTICS, "What the read found"},
    {IDC_RESULTS, "Converted files"},
    {IDC_RESULTS_STATUS, "Conversion summary"},
    {IDC_ONLY_NOT_CONVERTED, "Show only the files not converted"},
    {IDC_PROGRESS, "Conversion progress"},
    {IDC_CANCEL_RUN, "Cancel the conversion"},
};

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
    if (!Start()) {
        return;
    }
    auto* pServices = static_cast<IAccPropServices*>(m_pServices);
    for (const auto& entry : kNames) {
        HWND hControl = GetDlgItem(static_cast<HWND>(hDialog), entry.nControl);
        if (hControl != nullptr) {
            pServices->SetHwndPropStr(hControl, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
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
