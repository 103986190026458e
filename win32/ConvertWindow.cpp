#include "win32/ConvertWindow.h"

#include "convert/PictureFile.h"
#include "convert/SurveySummary.h"
#include "platform/FileSystem.h"
#include "platform/WidePath.h"
#include "plot/SvgChartPainter.h"
#include "win32/AccessibleNames.h"
#include "win32/resource.h"

#include <algorithm>
#include <vector>

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>
#include <shellapi.h>

namespace {

// The choices of the file dialog, each a text and its patterns. Names of CSV
// surveys start with "SDP_"; any other CSV file is listed only under the last.
const wchar_t kFileFilters[] = L"All Spiral Files (*.csv;*.twi)\0SDP_*.csv; *.twi\0"
                               L"KVN Spiral Files (*.csv)\0SDP_*.csv\0"
                               L"TWI Spiral Files (*.twi)\0*.twi\0"
                               L"All Files (*.*)\0*.*\0";

// Paths as long as Windows allows, in UTF-16 characters.
constexpr DWORD kLongestPath = 32768;

// The window's first size and its smallest, in dialog units: the template's
// width, and room for the preview under the template's controls (which take
// the top kTopUnits). Both stay within the work area of the window's monitor.
constexpr int kWidthUnits = 389;
constexpr int kHeightUnits = 300;
constexpr int kMinHeightUnits = 180;
constexpr int kTopUnits = 54;
constexpr int kMarginUnits = 5;
// The top rows in the template, which follow the window's width: the
// selection box grows or shrinks, Browse and the picture keep to the right,
// and the selection box keeps at least kMinSelectionUnits.
constexpr RECT kSelectionUnits{5, 7, 322, 28};
constexpr RECT kBrowseUnits{324, 7, 382, 22};
constexpr RECT kPictureUnits{361, 28, 382, 48};
constexpr int kConvertRightUnits = 179;
constexpr int kMinSelectionUnits = 60;

// The keys of the controls whose fixed texts carry no mnemonic, told where
// the mouse rests on them.
const struct {
    int nControl;
    const wchar_t* pszTip;
} kKeyTips[] = {
    {IDC_BROWSE, L"Choose a survey file, or several (Ctrl+O)"},
    {IDC_DIRECTION, L"Conversion direction (Ctrl+D)"},
    {IDC_CONVERT, L"Convert the selected file (Enter, Ctrl+Enter)"},
    {IDC_PICTURE, L"About Veltrane (F1)"},
};

// Save Picture's choices; the first is the type of a name without extension.
const wchar_t kPictureFilters[] = L"PNG picture (*.png)\0*.png\0"
                                  L"SVG drawing (*.svg)\0*.svg\0";

// The caption of the message boxes: the program's file name without ".exe".
std::wstring MessageCaption() {
    std::vector<wchar_t> path(kLongestPath);
    const DWORD nLength = GetModuleFileNameW(nullptr, path.data(), kLongestPath);
    std::wstring strName(path.data(), nLength < kLongestPath ? nLength : 0);
    strName = strName.substr(strName.find_last_of(L"\\/") + 1);
    const size_t nDot = strName.rfind(L'.');
    return nDot == std::wstring::npos || nDot == 0 ? strName : strName.substr(0, nDot);
}

std::wstring WindowText(HWND hWnd) {
    std::wstring strText(static_cast<size_t>(GetWindowTextLengthW(hWnd)) + 1, L'\0');
    strText.resize(static_cast<size_t>(
        GetWindowTextW(hWnd, strText.data(), static_cast<int>(strText.size()))));
    return strText;
}

INT_PTR CALLBACK AboutProc(HWND hDlg, UINT nMessage, WPARAM wParam, LPARAM /*lParam*/) {
    switch (nMessage) {
    case WM_INITDIALOG: {
        // Centred over the window that opened it.
        RECT rcOwner, rcBox;
        HWND hOwner = GetWindow(hDlg, GW_OWNER);
        if (hOwner != nullptr && GetWindowRect(hOwner, &rcOwner) && GetWindowRect(hDlg, &rcBox)) {
            SetWindowPos(hDlg, nullptr,
                         (rcOwner.left + rcOwner.right - (rcBox.right - rcBox.left)) / 2,
                         (rcOwner.top + rcOwner.bottom - (rcBox.bottom - rcBox.top)) / 2, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(hDlg, LOWORD(wParam));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

} // namespace

class CConvertWindowProc {
public:
    static INT_PTR CALLBACK Proc(HWND hDlg, UINT nMessage, WPARAM wParam, LPARAM lParam) {
        if (nMessage == WM_INITDIALOG) {
            SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
            reinterpret_cast<CConvertWindow*>(lParam)->m_hDlg = hDlg;
        }
        auto* pWindow = reinterpret_cast<CConvertWindow*>(GetWindowLongPtrW(hDlg, DWLP_USER));
        return pWindow != nullptr && pWindow->OnMessage(nMessage, wParam, lParam) ? TRUE : FALSE;
    }
};

int CConvertWindow::Run(const std::vector<std::string>& startFiles) {
    m_startFiles = startFiles;
    // COM, for the names given to screen readers.
    const HRESULT hrCom =
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    HINSTANCE hInstance = GetModuleHandleW(nullptr);
    HWND hDlg = CreateDialogParamW(hInstance, MAKEINTRESOURCEW(IDD_VELTRANE_DIALOG), nullptr,
                                   CConvertWindowProc::Proc, reinterpret_cast<LPARAM>(this));
    if (hDlg == nullptr) {
        if (SUCCEEDED(hrCom)) {
            CoUninitialize();
        }
        return 1;
    }
    HACCEL hAccelerators = LoadAcceleratorsW(hInstance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorW(hDlg, hAccelerators, &msg) || OnKey(&msg) ||
            IsDialogMessageW(hDlg, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    m_names.Release();
    if (SUCCEEDED(hrCom)) {
        CoUninitialize();
    }
    return 0;
}

bool CConvertWindow::OnKey(const void* pMessage) {
    const MSG& msg = *static_cast<const MSG*>(pMessage);
    HWND hDlg = static_cast<HWND>(m_hDlg);
    // Plain Enter and Escape, whichever control of the window has the
    // keyboard (the boxes the window opens run their own loops), unless they
    // close the open list of directions first.
    if (msg.message != WM_KEYDOWN || (msg.wParam != VK_RETURN && msg.wParam != VK_ESCAPE) ||
        GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0 || GetKeyState(VK_SHIFT) < 0 ||
        (msg.hwnd != hDlg && !IsChild(hDlg, msg.hwnd)) ||
        SendDlgItemMessageW(hDlg, IDC_DIRECTION, CB_GETDROPPEDSTATE, 0, 0)) {
        return false;
    }
    // Escape cancels a run over many files as Cancel does, and the window
    // stays; with none running it closes the window.
    if (msg.wParam == VK_ESCAPE) {
        if (m_results.IsRunning()) {
            m_results.Cancel();
        } else {
            PostMessageW(hDlg, WM_CLOSE, 0, 0);
        }
        return true;
    }
    // Enter on a push button presses it, as dialogs have it.
    const LRESULT nCode = SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, 0);
    if ((nCode & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0) {
        return false;
    }
    OnEnter();
    return true;
}

void CConvertWindow::OnEnter() {
    if (!m_readyPaths.empty() || m_command.EnterConverts()) {
        OnConvert();
    } else {
        OnBrowse();
    }
}

void CConvertWindow::OnConvert() {
    if (!ApplyOptions()) {
        return;
    }
    if (!m_readyPaths.empty()) {
        ConvertMany(m_readyPaths);
        return;
    }
    m_command.OnConvertButton();
}

bool CConvertWindow::OnMessage(unsigned int nMessage, unsigned long long wParam, long long lParam) {
    if (m_results.OnMessage(nMessage, wParam, lParam)) {
        return true;
    }
    switch (nMessage) {
    case WM_INITDIALOG:
        OnInitDialog();
        return true; // the system puts the focus on the first control
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
            OnAbout();
            return true;
        }
        return false;
    case WM_HELP:
        OnAbout();
        return true;
    case WM_SIZE:
        OnSize();
        return true;
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
        return true;
    case WM_DPICHANGED:
        OnDpiChanged(reinterpret_cast<const RECT*>(lParam));
        return true;
    case WM_CLOSE: // the close box, Alt+F4 or Escape
        Close();
        return true;
    case WM_DROPFILES: {
        HDROP hDrop = reinterpret_cast<HDROP>(wParam);
        std::vector<std::string> paths;
        const UINT nFiles = DragQueryFileW(hDrop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < nFiles; ++i) {
            std::wstring strPath(DragQueryFileW(hDrop, i, nullptr, 0) + 1, L'\0');
            strPath.resize(
                DragQueryFileW(hDrop, i, strPath.data(), static_cast<UINT>(strPath.size())));
            if (!strPath.empty()) {
                paths.push_back(Utf8FromWide(strPath.c_str()));
            }
        }
        DragFinish(hDrop);
        OpenFiles(paths);
        return true;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return false;
    default:
        (void)lParam;
        return false;
    }
}

bool CConvertWindow::OnCommand(unsigned int nCommand, unsigned int nNotification) {
    HWND hDlg = static_cast<HWND>(m_hDlg);
    if (m_options.OnCommand(nCommand, nNotification)) {
        return true;
    }
    switch (nCommand) {
    case IDC_BROWSE:
        OnBrowse();
        return true;
    case IDC_CONVERT:
        OnConvert();
        return true;
    case ID_FOCUS_DIRECTION:
        SendMessageW(hDlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(hDlg, IDC_DIRECTION)),
                     TRUE);
        return true;
    case IDC_PICTURE:
        if (nNotification == STN_CLICKED) {
            OnAbout();
        }
        return true;
    case ID_HELP_ABOUT:
        OnAbout();
        return true;
    case ID_SAVE_PICTURE:
        OnSavePicture();
        return true;
    case IDC_DIRECTION:
        // A direction picked from the list shows the survey as it reads.
        if (nNotification == CBN_SELCHANGE && !m_command.m_strSelection.IsEmpty()) {
            ShowPreview(
                m_command.m_strPathName.str(),
                static_cast<int>(SendDlgItemMessageW(hDlg, IDC_DIRECTION, CB_GETCURSEL, 0, 0)));
        }
        return false;
    case IDC_SITE:
    case IDC_BOREHOLE:
    case IDC_DEPTH_UNIT:
        // A text the header would not read back is named as it is typed.
        if ((nNotification == EN_CHANGE || nNotification == CBN_SELCHANGE) &&
            m_options.OnFieldEdited()) {
            // What stands below moves: drawn again whole, no trace left where it stood.
            OnSize();
            RedrawWindow(hDlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        }
        return true;
    case IDC_LIMIT:
        // The summary and the plot follow the limit as it is typed.
        if (nNotification == EN_CHANGE && m_preview.OnLimitEdited()) {
            m_names.Describe(m_preview.PlotWindow(), m_preview.Description());
            OnSize();
        }
        return true;
    case IDOK:
        OnEnter(); // Enter that reached the dialog: no default button to press
        return true;
    case IDCANCEL:
        Close();
        return true;
    default:
        return false;
    }
}

void CConvertWindow::OnGetMinMaxInfo(void* pMinMaxInfo) {
    HWND hDlg = static_cast<HWND>(m_hDlg);
    RECT smallest{0, 0, kWidthUnits, kMinHeightUnits};
    MapDialogRect(hDlg, &smallest);
    AdjustWindowRectEx(&smallest, static_cast<DWORD>(GetWindowLongPtrW(hDlg, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(hDlg, GWL_EXSTYLE)));
    // Never more than the monitor's work area: a large scale or a small
    // screen still shows the whole window.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    LONG nMaxWidth = smallest.right - smallest.left, nMaxHeight = smallest.bottom - smallest.top;
    if (GetMonitorInfoW(MonitorFromWindow(hDlg, MONITOR_DEFAULTTONEAREST), &monitor)) {
        nMaxWidth = monitor.rcWork.right - monitor.rcWork.left;
        nMaxHeight = monitor.rcWork.bottom - monitor.rcWork.top;
    }
    static_cast<MINMAXINFO*>(pMinMaxInfo)->ptMinTrackSize =
        POINT{std::min(smallest.right - smallest.left, nMaxWidth),
              std::min(smallest.bottom - smallest.top, nMaxHeight)};
}

void CConvertWindow::OnDpiChanged(const void* pSuggestedRect) {
    // Per-monitor scaling: the size Windows suggests for the new scale.
    const RECT& suggested = *static_cast<const RECT*>(pSuggestedRect);
    SetWindowPos(static_cast<HWND>(m_hDlg), nullptr, suggested.left, suggested.top,
                 suggested.right - suggested.left, suggested.bottom - suggested.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    m_options.UseDialogFont();
    m_preview.UseDialogFont();
    m_results.UseDialogFont();
}

void CConvertWindow::OnInitDialog() {
    HWND hDlg = static_cast<HWND>(m_hDlg);
    HINSTANCE hInstance = GetModuleHandleW(nullptr);
    // The About item goes into the system menu, after a separator.
    if (HMENU hMenu = GetSystemMenu(hDlg, FALSE)) {
        AppendMenuW(hMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(hMenu, MF_STRING, IDM_ABOUTBOX, Wide(CConvertCommand::kAboutItem).c_str());
    }
    const int nBig = GetSystemMetrics(SM_CXICON), nSmall = GetSystemMetrics(SM_CXSMICON);
    SendMessageW(hDlg, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadImageW(hInstance, MAKEINTRESOURCEW(IDR_MAINFRAME),
                                                     IMAGE_ICON, nBig, nBig, LR_SHARED)));
    SendMessageW(hDlg, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(LoadImageW(hInstance, MAKEINTRESOURCEW(IDR_MAINFRAME),
                                                     IMAGE_ICON, nSmall, nSmall, LR_SHARED)));

    // The start state: nothing selected and the direction TWI to KVN CSV.
    HWND hDirection = GetDlgItem(hDlg, IDC_DIRECTION);
    for (const char* pszEntry : CConvertCommand::kDirectionEntries) {
        SendMessageW(hDirection, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(pszEntry).c_str()));
    }
    SendMessageW(hDirection, CB_SETCURSEL, directionTwiToCsv, 0);
    m_options.Create(hDlg);
    m_preview.Create(hDlg);
    m_results.Create(hDlg);
    m_results.m_onChosen = [this](const std::string& strPath, int nDirection,
                                  const std::string& strNote) {
        ShowPreview(strPath, nDirection, strNote);
    };
    m_results.m_onCompare = [this](const std::vector<std::string>& paths,
                                   const std::vector<int>& directions) {
        m_preview.ShowComparison(paths, directions);
        m_names.Describe(m_preview.PlotWindow(), m_preview.Description());
        OnSize();
    };
    m_names.NameControls(hDlg);
    AddKeyTips();
    FitWorkArea();
    if (!m_startFiles.empty()) {
        // Taken once the window shows, so that a message has it as owner.
        ShowWindow(hDlg, SW_SHOW);
        OpenFiles(m_startFiles);
    }
}

void CConvertWindow::AddKeyTips() {
    HWND hDlg = static_cast<HWND>(m_hDlg);
    HWND hTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hDlg, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    for (const auto& tip : kKeyTips) {
        HWND hControl = GetDlgItem(hDlg, tip.nControl);
        // The direction box's field takes the mouse over most of the box.
        for (HWND hPart : {hControl, GetWindow(hControl, GW_CHILD)}) {
            if (hPart == nullptr) {
                continue;
            }
            TTTOOLINFOW tool = {};
            tool.cbSize = sizeof tool;
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = hDlg;
            tool.uId = reinterpret_cast<UINT_PTR>(hPart);
            tool.lpszText = const_cast<LPWSTR>(tip.pszTip);
            SendMessageW(hTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
}

void CConvertWindow::OpenFiles(const std::vector<std::string>& paths) {
    if (paths.size() == 1 && !IsDirectory(paths.front().c_str())) {
        SelectFile(paths.front());
    } else if (!paths.empty()) {
        ListMany(paths);
    }
}

void CConvertWindow::ListMany(const std::vector<std::string>& paths) {
    if (!m_results.ListReady(paths)) {
        ShowMessageText(Wide(CBatchReport::kStillRunning), MB_ICONWARNING);
        return;
    }
    m_readyPaths = paths;
    ShowTwiFieldsFor();
    SetDlgItemTextW(static_cast<HWND>(m_hDlg), IDC_SELECTION,
                    (paths.size() == 1 ? Wide(paths.front())
                                       : Wide(CBatchReport::Chosen(static_cast<int>(paths.size()))))
                        .c_str());
    OnSize(); // the list takes room for its rows
}

void CConvertWindow::ConvertMany(const std::vector<std::string>& paths) {
    HWND hDlg = static_cast<HWND>(m_hDlg);
    const bool bStarted = m_results.ConvertMany(paths, [hDlg](const std::wstring& strQuestion) {
        return MessageBoxW(hDlg, strQuestion.c_str(), MessageCaption().c_str(),
                           MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
    });
    if (!bStarted) {
        ShowMessageText(Wide(CBatchReport::kStillRunning), MB_ICONWARNING);
    }
    OnSize(); // the list takes room for its rows
}

void CConvertWindow::ShowMessageText(const std::wstring& strText, unsigned int nIcon) {
    MessageBoxW(static_cast<HWND>(m_hDlg), strText.c_str(), MessageCaption().c_str(),
                MB_OK | nIcon);
}

void CConvertWindow::ShowPreview(const std::string& strPath, int nDirection,
                                 const std::string& strNote) {
    m_preview.Preview(strPath, nDirection, strNote);
    m_names.Describe(m_preview.PlotWindow(), m_preview.Description());
    ShowTwiFieldsFor();
    OnSize(); // the diagnostics come and go
}

void CConvertWindow::ShowTwiFieldsFor() {
    bool bTwi = !m_command.m_strSelection.IsEmpty() && GetDirection() == directionTwiToCsv;
    if (!m_readyPaths.empty()) {
        bTwi =
            std::any_of(m_readyPaths.begin(), m_readyPaths.end(), [](const std::string& strPath) {
                return IsDirectory(strPath.c_str()) ||
                       CSurveySummary::DirectionOf(strPath.c_str()) == directionTwiToCsv;
            });
    }
    m_options.ShowTwiFields(bTwi);
}

bool CConvertWindow::ApplyOptions() {
    CString strFolder;
    CTwiHeaderItems items;
    std::wstring strProblem;
    if (!m_options.CollectFolder(strFolder, strProblem) || !m_options.Collect(items, strProblem)) {
        ShowMessageText(strProblem, MB_ICONWARNING);
        return false;
    }
    m_command.SetOutputFolder(strFolder);
    m_command.SetTwiHeaderItems(items);
    m_results.SetOutputs(strFolder, items);
    return true;
}

void CConvertWindow::Close() {
    // Each output of a run is whole and no temporary file stays.
    m_results.CancelAndWait();
    DestroyWindow(static_cast<HWND>(m_hDlg));
}

void CConvertWindow::OnBrowse() {
    std::vector<wchar_t> path(kLongestPath, L'\0');
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = static_cast<HWND>(m_hDlg);
    dialog.lpstrFilter = kFileFilters;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = kLongestPath;
    // A name that does not exist is accepted; the reader reports it on
    // Convert. Several files chosen together are listed for Convert.
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ALLOWMULTISELECT;
    if (!GetOpenFileNameW(&dialog) || path[0] == L'\0') {
        return;
    }
    // One file comes as its path; several as their folder, then each name,
    // each ended by a NUL, and an empty name at the end.
    const std::wstring strFirst(path.data());
    std::vector<std::string> paths;
    for (size_t nName = strFirst.size() + 1; nName < path.size() && path[nName] != L'\0';) {
        const std::wstring strName(path.data() + nName);
        const bool bFull = strName.size() > 1 && (strName[1] == L':' || strName[0] == L'\\');
        paths.push_back(Utf8FromWide(
            (bFull ? strName : strFirst + (strFirst.back() == L'\\' ? L"" : L"\\") + strName)
                .c_str()));
        nName += strName.size() + 1;
    }
    if (paths.empty()) {
        paths.push_back(Utf8FromWide(strFirst.c_str()));
    }
    OpenFiles(paths);
}

void CConvertWindow::SelectFile(const std::string& strPath) {
    HWND hDlg = static_cast<HWND>(m_hDlg);
    const int nDirection = m_command.SelectFile(strPath.c_str());
    if (nDirection != directionNone) {
        SendDlgItemMessageW(hDlg, IDC_DIRECTION, CB_SETCURSEL, nDirection, 0);
    }
    m_readyPaths.clear();
    SetDlgItemTextW(hDlg, IDC_SELECTION, Wide(m_command.m_strSelection).c_str());
    SetWindowTextW(hDlg, Wide(m_command.WindowTitle()).c_str());
    ShowPreview(strPath, GetDirection());
}

void CConvertWindow::FitWorkArea() {
    HWND hDlg = static_cast<HWND>(m_hDlg);
    RECT size{0, 0, kWidthUnits, kHeightUnits};
    MapDialogRect(hDlg, &size);
    AdjustWindowRectEx(&size, static_cast<DWORD>(GetWindowLongPtrW(hDlg, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(hDlg, GWL_EXSTYLE)));
    LONG nWidth = size.right - size.left, nHeight = size.bottom - size.top;
    // Within the work area of the monitor the window opens on, at any
    // scale, and centred there as the template's window was.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT work{0, 0, nWidth, nHeight};
    if (GetMonitorInfoW(MonitorFromWindow(hDlg, MONITOR_DEFAULTTONEAREST), &monitor)) {
        work = monitor.rcWork;
    }
    nWidth = std::min(nWidth, work.right - work.left);
    nHeight = std::min(nHeight, work.bottom - work.top);
    SetWindowPos(hDlg, nullptr, work.left + (work.right - work.left - nWidth) / 2,
                 work.top + (work.bottom - work.top - nHeight) / 2, nWidth, nHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    OnSize();
}

void CConvertWindow::OnSize() {
    HWND hDlg = static_cast<HWND>(m_hDlg);
    RECT client;
    GetClientRect(hDlg, &client);
    RECT base{0, 0, kWidthUnits, kMinSelectionUnits};
    MapDialogRect(hDlg, &base);
    const LONG nExtra = client.right - base.right; // below 0 in a narrow window
    RECT selection = kSelectionUnits, browse = kBrowseUnits, picture = kPictureUnits;
    RECT convert{0, 0, kConvertRightUnits + kMarginUnits, 0};
    for (RECT* pRect : {&selection, &browse, &picture, &convert}) {
        MapDialogRect(hDlg, pRect);
    }
    // Browse keeps to the right, after the least of the selection box; the
    // picture keeps to the right, after Convert.
    const LONG nGap = browse.left - selection.right;
    OffsetRect(&browse, std::max(nExtra, selection.left + base.bottom + nGap - browse.left), 0);
    selection.right = browse.left - nGap;
    OffsetRect(&picture, std::max(nExtra, convert.right - picture.left), 0);
    const UINT nFlags = SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(GetDlgItem(hDlg, IDC_SELECTION), nullptr, selection.left, selection.top,
                 selection.right - selection.left, selection.bottom - selection.top, nFlags);
    SetWindowPos(GetDlgItem(hDlg, IDC_BROWSE), nullptr, browse.left, browse.top,
                 browse.right - browse.left, browse.bottom - browse.top, nFlags);
    SetWindowPos(GetDlgItem(hDlg, IDC_PICTURE), nullptr, picture.left, picture.top, 0, 0,
                 nFlags | SWP_NOSIZE);

    RECT top{kMarginUnits, kTopUnits, 0, kMarginUnits};
    MapDialogRect(hDlg, &top);
    const int nRight = client.right - top.left, nBottom = client.bottom - top.bottom;
    // A run's list, when there is one, under the template's controls; the
    // preview takes the rest.
    const int nOptionsBottom = m_options.Layout(top.left, top.top, nRight);
    const int nPreviewTop = m_results.Layout(top.left, nOptionsBottom, nRight, nBottom);
    m_preview.Layout(top.left, nPreviewTop, nRight, nBottom);
}

void CConvertWindow::OnSavePicture() {
    const CTwistChart* pChart = m_preview.Chart();
    const CCompareChart* pCompare = m_preview.Comparison();
    if (pChart == nullptr && pCompare == nullptr) {
        return;
    }
    // Suggested: the converted file's name, as a PNG picture, or the comparison's.
    const CString strSuggested =
        pChart != nullptr
            ? CSurveySummary::WithExtension(
                  CSurveySummary::ConvertedPath(m_preview.Path().c_str(), m_preview.Direction()),
                  "png")
            : CString(m_preview.ComparePicture().c_str());
    std::vector<wchar_t> path(kLongestPath, L'\0');
    // In full, so that the dialog opens in the survey's folder even for a
    // survey named relative to the current one, not in the folder it showed last.
    const std::wstring strRelative = Wide(strSuggested);
    std::wstring strWide(kLongestPath, L'\0');
    const DWORD nFull =
        GetFullPathNameW(strRelative.c_str(), kLongestPath, strWide.data(), nullptr);
    strWide = nFull > 0 && nFull < kLongestPath ? strWide.substr(0, nFull) : strRelative;
    std::copy(strWide.begin(), strWide.begin() + std::min<size_t>(strWide.size(), kLongestPath - 1),
              path.begin());
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = static_cast<HWND>(m_hDlg);
    dialog.lpstrFilter = kPictureFilters;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = kLongestPath;
    dialog.lpstrTitle = L"Save Picture";
    dialog.lpstrDefExt = L"png";
    dialog.Flags =
        OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog)) {
        return;
    }
    // The name's extension says the type; a name without one takes the choice's.
    const std::string strPath = Utf8FromWide(path.data());
    const bool bSvg = strPath.size() > 4 &&
                      CompareNoCase(strPath.substr(strPath.size() - 4).c_str(), ".svg") == 0;
    std::string bytes;
    std::string strError = "the picture could not be drawn";
    const int nWidth = bSvg ? CPictureSize::kSvgWidth : CTwistChart::kDefaultWidth;
    const int nHeight = bSvg ? CPictureSize::kSvgHeight : CTwistChart::kDefaultHeight;
    if (bSvg) {
        bytes = pChart != nullptr ? CSvgChartPainter::Picture(*pChart, nWidth, nHeight)
                                  : CSvgChartPainter::Picture(*pCompare, nWidth, nHeight);
    } else if (!(pChart != nullptr
                     ? CGdiPlusChartPainter::Png(*pChart, nWidth, nHeight, bytes)
                     : CGdiPlusChartPainter::Png(*pCompare, nWidth, nHeight, bytes))) {
        bytes.clear();
    }
    if (bytes.empty() || !CPictureFile::SaveBytes(strPath.c_str(), bytes, strError)) {
        MessageBoxW(
            static_cast<HWND>(m_hDlg),
            (L"The picture was not saved: " + Wide(CString(strError.c_str())) + L".").c_str(),
            MessageCaption().c_str(), MB_OK | MB_ICONWARNING);
    }
}

void CConvertWindow::OnAbout() {
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUTBOX),
                    static_cast<HWND>(m_hDlg), AboutProc, 0);
}

int CConvertWindow::GetDirection() {
    HWND hDirection = GetDlgItem(static_cast<HWND>(m_hDlg), IDC_DIRECTION);
    const LRESULT nIndex = SendMessageW(hDirection, CB_GETCURSEL, 0, 0);
    return CConvertCommand::DirectionOfBox(static_cast<int>(nIndex),
                                           Utf8FromWide(WindowText(hDirection).c_str()).c_str());
}

void CConvertWindow::ShowMessage(CString strText) {
    const bool bConverted = m_command.m_nMessageOutcome == outcomeConverted;
    MessageBoxW(static_cast<HWND>(m_hDlg), Wide(strText).c_str(), MessageCaption().c_str(),
                MB_OK | (bConverted ? MB_ICONINFORMATION : MB_ICONWARNING));
}

BOOL CConvertWindow::ConfirmReplace(CString strOutput) {
    // Replacing a file silently could destroy a field file the user needs.
    return MessageBoxW(static_cast<HWND>(m_hDlg), ReplaceQuestion(Wide(strOutput)).c_str(),
                       MessageCaption().c_str(),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

std::wstring CConvertWindow::ReplaceQuestion(const std::wstring& strOutput) {
    std::vector<wchar_t> full(kLongestPath);
    const DWORD nLength = GetFullPathNameW(strOutput.c_str(), kLongestPath, full.data(), nullptr);
    std::wstring strFull =
        nLength > 0 && nLength < kLongestPath ? std::wstring(full.data(), nLength) : strOutput;
    const size_t nSeparator = strFull.find_last_of(L"\\/");
    std::wstring strName = strFull.substr(nSeparator == std::wstring::npos ? 0 : nSeparator + 1);
    std::wstring strFolder =
        nSeparator == std::wstring::npos ? L"." : strFull.substr(0, nSeparator);
    if (strFolder.size() == 2 && strFolder[1] == L':') {
        strFolder += L'\\'; // the root of a drive
    }
    return Wide(CConvertCommand::ReplaceQuestion(Utf8FromWide(strName.c_str()).c_str(),
                                                 Utf8FromWide(strFolder.c_str()).c_str()));
}
