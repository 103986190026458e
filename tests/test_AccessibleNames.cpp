// The names screen readers give the Windows window's controls whose text is
// a value (a path, an entry, a summary, a list): each is named for what it
// is, never by the value it shows.
#include "win32/AccessibleNames.h"
#include "win32/resource.h"

#include <gtest/gtest.h>
#include <string>

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>
#include <oleacc.h>

namespace {

std::wstring AccessibleName(HWND hWnd) {
    IAccessible* pAccessible = nullptr;
    if (FAILED(AccessibleObjectFromWindow(hWnd, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&pAccessible)))) {
        return L"(no accessible object)";
    }
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    pAccessible->get_accName(self, &name);
    std::wstring strName = name != nullptr ? name : L"";
    SysFreeString(name);
    pAccessible->Release();
    return strName;
}

} // namespace

TEST(AccessibleNames, ControlsShowingAValueAreNamedForWhatTheyAre) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    HWND hDlg = CreateWindowExW(0, L"STATIC", L"Veltrane", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(hDlg, nullptr);
    // In the window's tab order, the text boxes each showing a value of
    // their own (the direction box, the list and the progress bar are named
    // by annotation, which the test's system may not offer).
    const struct {
        int nControl;
        const wchar_t* pszClass;
        DWORD nStyle;
        const wchar_t* pszName;
    } controls[] = {
        {IDC_SELECTION, L"EDIT", ES_MULTILINE | ES_READONLY, L"Selected survey file"},
        {IDC_BROWSE, L"BUTTON", BS_PUSHBUTTON, nullptr},
        {IDC_DIRECTION, L"COMBOBOX", CBS_DROPDOWN, nullptr},
        {IDC_SUMMARY, L"EDIT", ES_MULTILINE | ES_READONLY, L"Survey summary"},
        {IDC_DIAGNOSTICS, L"EDIT", ES_MULTILINE | ES_READONLY, L"What the read found"},
        {IDC_RESULTS, WC_LISTVIEWW, LVS_REPORT, nullptr},
    };
    for (const auto& control : controls) {
        ASSERT_NE(CreateWindowExW(0, control.pszClass, L"C:\\data\\B12.twi",
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | control.nStyle, 0, 0, 100,
                                  20, hDlg, reinterpret_cast<HMENU>(control.nControl),
                                  GetModuleHandleW(nullptr), nullptr),
                  nullptr);
    }
    {
        CAccessibleNames names;
        names.NameControls(hDlg);
        for (const auto& control : controls) {
            if (control.pszName != nullptr) {
                EXPECT_EQ(AccessibleName(GetDlgItem(hDlg, control.nControl)), control.pszName)
                    << control.nControl;
            }
        }
        // The labels show nothing and take no place on the Tab path.
        for (HWND hChild = GetWindow(hDlg, GW_CHILD); hChild != nullptr;
             hChild = GetWindow(hChild, GW_HWNDNEXT)) {
            if (GetDlgCtrlID(hChild) == 0) {
                EXPECT_FALSE(IsWindowVisible(hChild));
                EXPECT_EQ(GetWindowLongPtrW(hChild, GWL_STYLE) & WS_TABSTOP, 0);
            }
        }
    }
    DestroyWindow(hDlg);
    CoUninitialize();
}
