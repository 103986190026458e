#include "win32/OutputOptions.h"

#include "platform/WidePath.h"
#include "win32/resource.h"

#include <algorithm>
#include <utility>

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>

namespace {

// The row's height, the gap between controls and the labels' and fields'
// widths, in dialog units.
constexpr int kRowUnits = 14;
constexpr int kGapUnits = 4;
constexpr int kFieldUnits = 80;
constexpr int kUnitBoxUnits = 76;
constexpr int kLabelUnits[] = {22, 34, 40}; // Site, Borehole, Depth unit

struct Field {
    int nLabel;
    int nControl;
    const wchar_t* pszLabel;
};
constexpr Field kFields[] = {
    {IDC_SITE_LABEL, IDC_SITE, L"&Site:"},
    {IDC_BOREHOLE_LABEL, IDC_BOREHOLE, L"Bore&hole:"},
    {IDC_DEPTH_UNIT_LABEL, IDC_DEPTH_UNIT, L"Depth &unit:"},
};
constexpr int kControls[] = {IDC_SITE_LABEL,       IDC_SITE,       IDC_BOREHOLE_LABEL, IDC_BOREHOLE,
                             IDC_DEPTH_UNIT_LABEL, IDC_DEPTH_UNIT, IDC_TWI_PROBLEM};

} // namespace

void COutputOptions::Create(void* hDialog) {
    HWND hDlg = static_cast<HWND>(hDialog);
    m_hDlg = hDialog;
    HINSTANCE hInstance = GetModuleHandleW(nullptr);
    for (const Field& field : kFields) {
        CreateWindowExW(0, L"STATIC", field.pszLabel, WS_CHILD | SS_LEFT | SS_CENTERIMAGE, 0, 0, 0,
                        0, hDlg, reinterpret_cast<HMENU>(static_cast<INT_PTR>(field.nLabel)),
                        hInstance, nullptr);
        const bool bBox = field.nControl == IDC_DEPTH_UNIT;
        HWND hControl = CreateWindowExW(
            bBox ? 0 : WS_EX_CLIENTEDGE, bBox ? L"COMBOBOX" : L"EDIT", L"",
            WS_CHILD | WS_TABSTOP | (bBox ? CBS_DROPDOWNLIST | WS_VSCROLL : ES_AUTOHSCROLL), 0, 0,
            0, 0, hDlg, reinterpret_cast<HMENU>(static_cast<INT_PTR>(field.nControl)), hInstance,
            nullptr);
        if (!bBox) {
            SendMessageW(hControl, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(L"none"));
        }
    }
    HWND hUnit = GetDlgItem(hDlg, IDC_DEPTH_UNIT);
    for (const char* pszEntry :
         {kUnitByInterval, CTwiHeaderItems::kFeet, CTwiHeaderItems::kMeters}) {
        SendMessageW(hUnit, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(pszEntry).c_str()));
    }
    SendMessageW(hUnit, CB_SETCURSEL, 0, 0);
    CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, hDlg,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TWI_PROBLEM)), hInstance,
                    nullptr);
    UseDialogFont();
}

void COutputOptions::UseDialogFont() {
    HWND hDlg = static_cast<HWND>(m_hDlg);
    const LRESULT hFont = SendMessageW(hDlg, WM_GETFONT, 0, 0);
    for (int nControl : kControls) {
        SendDlgItemMessageW(hDlg, nControl, WM_SETFONT, static_cast<WPARAM>(hFont), TRUE);
    }
}

int COutputOptions::Layout(int nLeft, int nTop, int nRight) {
    HWND hDlg = static_cast<HWND>(m_hDlg);
    for (int nControl : kControls) {
        ShowWindow(GetDlgItem(hDlg, nControl), m_bTwiShown ? SW_SHOWNA : SW_HIDE);
    }
    if (!m_bTwiShown) {
        return nTop;
    }
    RECT units{kGapUnits, kRowUnits, kFieldUnits, kUnitBoxUnits};
    MapDialogRect(hDlg, &units);
    const int nGap = static_cast<int>(units.left), nRow = static_cast<int>(units.top);
    int nX = nLeft;
    for (size_t i = 0; i < std::size(kFields); ++i) {
        RECT label{0, 0, kLabelUnits[i], 0};
        MapDialogRect(hDlg, &label);
        MoveWindow(GetDlgItem(hDlg, kFields[i].nLabel), nX, nTop, static_cast<int>(label.right),
                   nRow, TRUE);
        nX += static_cast<int>(label.right);
        const bool bBox = kFields[i].nControl == IDC_DEPTH_UNIT;
        // The fields share what the row has beyond its least, the box keeps its width.
        const int nWidth = bBox ? static_cast<int>(units.bottom) : static_cast<int>(units.right);
        // A drop-down box is as tall as its list: room for the three entries.
        MoveWindow(GetDlgItem(hDlg, kFields[i].nControl), nX, nTop, std::min(nWidth, nRight - nX),
                   bBox ? nRow * 6 : nRow, TRUE);
        nX += nWidth + 2 * nGap;
    }
    int nBottom = nTop + nRow + nGap;
    HWND hProblem = GetDlgItem(hDlg, IDC_TWI_PROBLEM);
    ShowWindow(hProblem, m_strProblem.empty() ? SW_HIDE : SW_SHOWNA);
    if (!m_strProblem.empty()) {
        MoveWindow(hProblem, nLeft, nBottom, nRight - nLeft, nRow, TRUE);
        nBottom += nRow + nGap;
    }
    return nBottom;
}

bool COutputOptions::ShowTwiFields(bool bShow) {
    if (bShow == m_bTwiShown) {
        return false;
    }
    m_bTwiShown = bShow;
    OnFieldEdited();
    return true;
}

bool COutputOptions::OnFieldEdited() {
    CTwiHeaderItems items;
    std::wstring strProblem = m_bTwiShown ? Problem(items) : std::wstring();
    if (strProblem == m_strProblem) {
        return false;
    }
    m_strProblem = std::move(strProblem);
    SetDlgItemTextW(static_cast<HWND>(m_hDlg), IDC_TWI_PROBLEM, m_strProblem.c_str());
    return true;
}

bool COutputOptions::Collect(CTwiHeaderItems& items, std::wstring& strProblem) const {
    items = CTwiHeaderItems();
    if (!m_bTwiShown) {
        return true;
    }
    strProblem = Problem(items);
    return strProblem.empty();
}

std::wstring COutputOptions::Problem(CTwiHeaderItems& items) const {
    const LRESULT nUnit =
        SendDlgItemMessageW(static_cast<HWND>(m_hDlg), IDC_DEPTH_UNIT, CB_GETCURSEL, 0, 0);
    const char* pszUnit = nUnit == 1   ? CTwiHeaderItems::kFeet
                          : nUnit == 2 ? CTwiHeaderItems::kMeters
                                       : "";
    const CString strProblem = items.SetAll(FieldText(IDC_SITE).c_str(),
                                            FieldText(IDC_BOREHOLE).c_str(), CString(pszUnit));
    return strProblem.IsEmpty() ? std::wstring() : Wide(CTwiHeaderItems::AsMessage(strProblem));
}

std::string COutputOptions::FieldText(int nControl) const {
    HWND hField = GetDlgItem(static_cast<HWND>(m_hDlg), nControl);
    std::wstring strText(static_cast<size_t>(GetWindowTextLengthW(hField)) + 1, L'\0');
    strText.resize(static_cast<size_t>(
        GetWindowTextW(hField, strText.data(), static_cast<int>(strText.size()))));
    return Utf8FromWide(strText.c_str());
}
