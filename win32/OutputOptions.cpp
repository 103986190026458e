#include "win32/OutputOptions.h"

#include "platform/WidePath.h"
#include "win32/resource.h"

#include <algorithm>
#include <sstream>
#include <utility>

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>
#include <shobjidl.h>

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
// The output row: its label, the two choices, the folder and Choose.
constexpr int kOutputLabelUnits = 30;
constexpr int kBesideUnits = 76;
constexpr int kInFolderUnits = 46;
constexpr int kChooseUnits = 50;
// The remembered choice, a line each: "key=value", UTF-8.
constexpr const char* kInFolderKey = "output-in-folder";
constexpr const char* kFolderKey = "output-folder";
const wchar_t kSettingsFolder[] = L"\\Veltrane";
const wchar_t kSettingsFile[] = L"\\settings.txt";

HWND Control(void* hDlg, int nControl) {
    return GetDlgItem(static_cast<HWND>(hDlg), nControl);
}

constexpr int kControls[] = {
    IDC_OUTPUT_LABEL,  IDC_BESIDE_SOURCE,    IDC_IN_FOLDER,  IDC_OUTPUT_FOLDER,
    IDC_CHOOSE_FOLDER, IDC_SITE_LABEL,       IDC_SITE,       IDC_BOREHOLE_LABEL,
    IDC_BOREHOLE,      IDC_DEPTH_UNIT_LABEL, IDC_DEPTH_UNIT, IDC_TWI_PROBLEM};

} // namespace

void COutputOptions::Create(void* hDialog) {
    HWND hDlg = static_cast<HWND>(hDialog);
    m_hDlg = hDialog;
    HINSTANCE hInstance = GetModuleHandleW(nullptr);
    const auto add = [&](DWORD nExStyle, const wchar_t* pszClass, const wchar_t* pszText,
                         DWORD nStyle, int nControl) {
        CreateWindowExW(nExStyle, pszClass, pszText, WS_CHILD | WS_VISIBLE | nStyle, 0, 0, 0, 0,
                        hDlg, reinterpret_cast<HMENU>(static_cast<INT_PTR>(nControl)), hInstance,
                        nullptr);
    };
    add(0, L"STATIC", L"Output:", SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, IDC_OUTPUT_LABEL);
    add(0, L"BUTTON", L"&Beside the source", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP,
        IDC_BESIDE_SOURCE);
    add(0, L"BUTTON", L"In &folder:", BS_AUTORADIOBUTTON, IDC_IN_FOLDER);
    add(WS_EX_CLIENTEDGE, L"EDIT", L"", ES_AUTOHSCROLL | ES_READONLY | WS_GROUP, IDC_OUTPUT_FOLDER);
    SendDlgItemMessageW(hDlg, IDC_OUTPUT_FOLDER, EM_SETCUEBANNER, TRUE,
                        reinterpret_cast<LPARAM>(L"none chosen"));
    add(0, L"BUTTON", L"C&hoose...", BS_PUSHBUTTON | WS_TABSTOP, IDC_CHOOSE_FOLDER);
    for (const Field& field : kFields) {
        CreateWindowExW(0, L"STATIC", field.pszLabel,
                        WS_CHILD | SS_LEFT | SS_CENTERIMAGE | WS_GROUP, 0, 0, 0, 0, hDlg,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(field.nLabel)), hInstance,
                        nullptr);
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
    Recall();
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
    // The output row: the folder takes what the others leave.
    RECT row{kGapUnits, kRowUnits, 0, 0};
    MapDialogRect(hDlg, &row);
    const int nRowHeight = static_cast<int>(row.top), nSpace = static_cast<int>(row.left);
    RECT widths[] = {{0, 0, kOutputLabelUnits, 0},
                     {0, 0, kBesideUnits, 0},
                     {0, 0, kInFolderUnits, 0},
                     {0, 0, kChooseUnits, 0}};
    for (RECT& width : widths) {
        MapDialogRect(hDlg, &width);
    }
    int nX = nLeft;
    for (const auto& [nControl, nWidth] : {std::pair<int, LONG>{IDC_OUTPUT_LABEL, widths[0].right},
                                           {IDC_BESIDE_SOURCE, widths[1].right},
                                           {IDC_IN_FOLDER, widths[2].right}}) {
        MoveWindow(Control(m_hDlg, nControl), nX, nTop, static_cast<int>(nWidth), nRowHeight, TRUE);
        nX += static_cast<int>(nWidth);
    }
    const int nChoose = static_cast<int>(widths[3].right);
    const int nFolderRight = std::max(nX, nRight - nChoose - nSpace);
    MoveWindow(Control(m_hDlg, IDC_OUTPUT_FOLDER), nX, nTop, nFolderRight - nX, nRowHeight, TRUE);
    MoveWindow(Control(m_hDlg, IDC_CHOOSE_FOLDER), nFolderRight + nSpace, nTop, nChoose, nRowHeight,
               TRUE);
    nTop += nRowHeight + nSpace;

    RECT units{kGapUnits, kRowUnits, kFieldUnits, kUnitBoxUnits};
    MapDialogRect(hDlg, &units);
    const int nGap = static_cast<int>(units.left), nRow = static_cast<int>(units.top);
    for (const Field& field : kFields) {
        for (int nControl : {field.nLabel, field.nControl}) {
            ShowWindow(GetDlgItem(hDlg, nControl), m_bTwiShown ? SW_SHOWNA : SW_HIDE);
        }
    }
    ShowWindow(GetDlgItem(hDlg, IDC_TWI_PROBLEM), SW_HIDE);
    if (!m_bTwiShown) {
        return nTop;
    }
    // The two text fields at their width, or narrower, sharing the room the
    // labels and the unit box leave in a narrow window.
    RECT least{0, 0, kLabelUnits[0] + kLabelUnits[1] + kLabelUnits[2], 0};
    MapDialogRect(hDlg, &least);
    const int nFieldWidth = std::max(
        nGap,
        std::min(static_cast<int>(units.right),
                 (nRight - nLeft - static_cast<int>(least.right + units.bottom) - 4 * nGap) / 2));
    nX = nLeft;
    for (size_t i = 0; i < std::size(kFields); ++i) {
        RECT label{0, 0, kLabelUnits[i], 0};
        MapDialogRect(hDlg, &label);
        MoveWindow(GetDlgItem(hDlg, kFields[i].nLabel), nX, nTop, static_cast<int>(label.right),
                   nRow, TRUE);
        nX += static_cast<int>(label.right);
        const bool bBox = kFields[i].nControl == IDC_DEPTH_UNIT;
        const int nWidth = bBox ? static_cast<int>(units.bottom) : nFieldWidth;
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

bool COutputOptions::CollectFolder(CString& strFolder, std::wstring& strProblem) const {
    strFolder.Empty();
    if (!m_bInFolder) {
        return true;
    }
    if (m_strFolder.empty()) {
        strProblem = Wide(CConvertCommand::kNoFolderChosen);
        return false;
    }
    strFolder = Utf8FromWide(m_strFolder.c_str()).c_str();
    const CString strWhy = CConvertCommand::OutputFolderProblem(strFolder);
    strProblem = Wide(CTwiHeaderItems::AsMessage(strWhy));
    return strWhy.IsEmpty();
}

bool COutputOptions::OnCommand(unsigned int nCommand, unsigned int nNotification) {
    if (nNotification != BN_CLICKED) {
        return false;
    }
    switch (nCommand) {
    case IDC_BESIDE_SOURCE:
        ShowChoice(false, m_strFolder);
        Remember();
        return true;
    case IDC_IN_FOLDER:
        // In a folder with none chosen yet asks for one.
        if (m_strFolder.empty()) {
            ChooseFolder();
        } else {
            ShowChoice(true, m_strFolder);
            Remember();
        }
        return true;
    case IDC_CHOOSE_FOLDER:
        ChooseFolder();
        return true;
    default:
        return false;
    }
}

void COutputOptions::ChooseFolder() {
    // The system's folder picker, in the folder chosen last.
    std::wstring strChosen;
    IFileOpenDialog* pDialog = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IFileOpenDialog, reinterpret_cast<void**>(&pDialog)))) {
        DWORD nOptions = 0;
        pDialog->GetOptions(&nOptions);
        pDialog->SetOptions(nOptions | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
        pDialog->SetTitle(L"Folder for converted files");
        IShellItem* pCurrent = nullptr;
        if (!m_strFolder.empty() &&
            SUCCEEDED(SHCreateItemFromParsingName(m_strFolder.c_str(), nullptr, IID_IShellItem,
                                                  reinterpret_cast<void**>(&pCurrent)))) {
            pDialog->SetFolder(pCurrent);
            pCurrent->Release();
        }
        IShellItem* pItem = nullptr;
        if (SUCCEEDED(pDialog->Show(static_cast<HWND>(m_hDlg))) &&
            SUCCEEDED(pDialog->GetResult(&pItem))) {
            wchar_t* pszPath = nullptr;
            if (SUCCEEDED(pItem->GetDisplayName(SIGDN_FILESYSPATH, &pszPath))) {
                strChosen = pszPath;
                CoTaskMemFree(pszPath);
            }
            pItem->Release();
        }
        pDialog->Release();
    }
    if (!strChosen.empty()) {
        ShowChoice(true, strChosen);
    } else {
        ShowChoice(m_bInFolder && !m_strFolder.empty(), m_strFolder); // as before
    }
    Remember();
}

void COutputOptions::ShowChoice(bool bInFolder, const std::wstring& strFolder) {
    m_bInFolder = bInFolder;
    m_strFolder = strFolder;
    HWND hDlg = static_cast<HWND>(m_hDlg);
    CheckRadioButton(hDlg, IDC_BESIDE_SOURCE, IDC_IN_FOLDER,
                     bInFolder ? IDC_IN_FOLDER : IDC_BESIDE_SOURCE);
    SetDlgItemTextW(hDlg, IDC_OUTPUT_FOLDER, strFolder.c_str());
}

std::wstring COutputOptions::SettingsPath() {
    wchar_t szAppData[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, szAppData))) {
        return std::wstring();
    }
    return std::wstring(szAppData) + kSettingsFolder + kSettingsFile;
}

void COutputOptions::Remember() const {
    const std::wstring strPath = SettingsPath();
    if (strPath.empty()) {
        return;
    }
    // A setting not kept is no failure of the window: it asks again next time.
    CreateDirectoryW(strPath.substr(0, strPath.rfind(L'\\')).c_str(), nullptr);
    const std::string strText = std::string(kInFolderKey) + "=" + (m_bInFolder ? "yes" : "no") +
                                "\r\n" + kFolderKey + "=" + Utf8FromWide(m_strFolder.c_str()) +
                                "\r\n";
    HANDLE hFile = CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD nWritten = 0;
    WriteFile(hFile, strText.data(), static_cast<DWORD>(strText.size()), &nWritten, nullptr);
    CloseHandle(hFile);
}

void COutputOptions::Recall() {
    std::string strText;
    HANDLE hFile = CreateFileW(SettingsPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile != INVALID_HANDLE_VALUE) {
        char buffer[4096];
        DWORD nRead = 0;
        while (ReadFile(hFile, buffer, sizeof buffer, &nRead, nullptr) && nRead > 0 &&
               strText.size() < 65536) {
            strText.append(buffer, nRead);
        }
        CloseHandle(hFile);
    }
    bool bInFolder = false;
    std::wstring strFolder;
    std::istringstream lines(strText);
    for (std::string strLine; std::getline(lines, strLine);) {
        if (!strLine.empty() && strLine.back() == '\r') {
            strLine.pop_back();
        }
        const size_t nEquals = strLine.find('=');
        const std::string strKey = strLine.substr(0, nEquals);
        const std::string strValue =
            nEquals == std::string::npos ? "" : strLine.substr(nEquals + 1);
        if (strKey == kInFolderKey) {
            bInFolder = strValue == "yes";
        } else if (strKey == kFolderKey) {
            strFolder = Wide(strValue);
        }
    }
    // A folder is chosen only with a folder named.
    ShowChoice(bInFolder && !strFolder.empty(), strFolder);
}
