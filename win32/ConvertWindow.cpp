#include "win32/ConvertWindow.h"

#include "convert/PictureFile.h"
#include "convert/SurveySummary.h"
#include "platform/FileSystem.h"
#include "platform/WidePath.h"
#include "plot/SvgChartPainter.h"
#include "win32/resource.h"

#include <algorithm>
#include <vector>

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commdlg.h>
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
// the top kTopUnits).
constexpr int kWidthUnits = 389;
constexpr int kHeightUnits = 300;
constexpr int kMinHeightUnits = 180;
constexpr int kTopUnits = 54;
constexpr int kMarginUnits = 5;

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
    HINSTANCE hInstance = GetModuleHandleW(nullptr);
    HWND hDlg = CreateDialogParamW(hInstance, MAKEINTRESOURCEW(IDD_VELTRANE_DIALOG), nullptr,
                                   CConvertWindowProc::Proc, reinterpret_cast<LPARAM>(this));
    if (hDlg == nullptr) {
        return 1;
    }
    HACCEL hAccelerators = LoadAcceleratorsW(hInstance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorW(hDlg, hAccelerators, &msg)) {
            continue;
        }
        // Escape cancels a run over many files, or else closes the window,
        // whichever control has the keyboard (the boxes the window opens run
        // their own loops), unless it closes the open list of directions first.
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE &&
            !SendDlgItemMessageW(hDlg, IDC_DIRECTION, CB_GETDROPPEDSTATE, 0, 0)) {
            if (m_results.IsRunning()) {
                m_results.Cancel();
            } else {
                PostMessageW(hDlg, WM_CLOSE, 0, 0);
            }
            continue;
        }
        if (IsDialogMessageW(hDlg, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
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
    switch (nCommand) {
    case IDC_BROWSE:
        OnBrowse();
        return true;
    case IDC_CONVERT:
        m_command.OnConvertButton();
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
            m_preview.Preview(
                m_command.m_strPathName.str(),
                static_cast<int>(SendDlgItemMessageW(hDlg, IDC_DIRECTION, CB_GETCURSEL, 0, 0)));
            OnSize(); // the diagnostics come and go
        }
        return false;
    case IDOK:
        return true; // no default button: Enter closes nothing
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
    static_cast<MINMAXINFO*>(pMinMaxInfo)->ptMinTrackSize =
        POINT{smallest.right - smallest.left, smallest.bottom - smallest.top};
}

void CConvertWindow::OnDpiChanged(const void* pSuggestedRect) {
    // Per-monitor scaling: the size Windows suggests for the new scale.
    const RECT& suggested = *static_cast<const RECT*>(pSuggestedRect);
    SetWindowPos(static_cast<HWND>(m_hDlg), nullptr, suggested.left, suggested.top,
                 suggested.right - suggested.left, suggested.bottom - suggested.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
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
    m_preview.Create(hDlg);
    m_results.Create(hDlg);
    m_results.m_onChosen = [this](const std::string& strPath, int nDirection,
                                  const std::string& strNote) {
        m_preview.Preview(strPath, nDirection, strNote);
        OnSize(); // the diagnostics come and go
    };
    SizeForPreview();
    if (!m_startFiles.empty()) {
        // Taken once the window shows, so that a message has it as owner.
        ShowWindow(hDlg, SW_SHOW);
        OpenFiles(m_startFiles);
    }
}

void CConvertWindow::OpenFiles(const std::vector<std::string>& paths) {
    if (paths.size() == 1 && !IsDirectory(paths.front().c_str())) {
        SelectFile(paths.front());
    } else if (!paths.empty()) {
        ConvertMany(paths);
    }
}

void CConvertWindow::ConvertMany(const std::vector<std::string>& paths) {
    HWND hDlg = static_cast<HWND>(m_hDlg);
    const bool bStarted = m_results.ConvertMany(paths, [hDlg](const std::wstring& strQuestion) {
        return MessageBoxW(hDlg, strQuestion.c_str(), MessageCaption().c_str(),
                           MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
    });
    if (!bStarted) {
        MessageBoxW(hDlg, Wide(CBatchReport::kStillRunning).c_str(), MessageCaption().c_str(),
                    MB_OK | MB_ICONWARNING);
    }
    OnSize(); // the list takes room for its rows
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
    // Convert. Several files chosen together are converted at once.
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
    SetDlgItemTextW(hDlg, IDC_SELECTION, Wide(m_command.m_strSelection).c_str());
    m_preview.Preview(strPath, GetDirection());
    OnSize(); // the diagnostics come and go
}

void CConvertWindow::SizeForPreview() {
    HWND hDlg = static_cast<HWND>(m_hDlg);
    RECT size{0, 0, kWidthUnits, kHeightUnits};
    MapDialogRect(hDlg, &size);
    AdjustWindowRectEx(&size, static_cast<DWORD>(GetWindowLongPtrW(hDlg, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(hDlg, GWL_EXSTYLE)));
    const int nWidth = size.right - size.left, nHeight = size.bottom - size.top;
    // Centred in the work area, as the template's window was.
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(hDlg, nullptr, work.left + std::max(0L, (work.right - work.left - nWidth) / 2),
                 work.top + std::max(0L, (work.bottom - work.top - nHeight) / 2), nWidth, nHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    OnSize();
}

void CConvertWindow::OnSize() {
    HWND hDlg = static_cast<HWND>(m_hDlg);
    RECT client;
    GetClientRect(hDlg, &client);
    RECT top{kMarginUnits, kTopUnits, 0, kMarginUnits};
    MapDialogRect(hDlg, &top);
    const int nRight = client.right - top.left, nBottom = client.bottom - top.bottom;
    // A run's list, when there is one, under the template's controls; the
    // preview takes the rest.
    const int nPreviewTop = m_results.Layout(top.left, top.top, nRight, nBottom);
    m_preview.Layout(top.left, nPreviewTop, nRight, nBottom);
}

void CConvertWindow::OnSavePicture() {
    const CTwistChart* pChart = m_preview.Chart();
    if (pChart == nullptr) {
        return;
    }
    // Suggested: the converted file's name, as a PNG picture.
    const CString strSuggested = CSurveySummary::WithExtension(
        CSurveySummary::ConvertedPath(m_preview.Path().c_str(), m_preview.Direction()), "png");
    std::vector<wchar_t> path(kLongestPath, L'\0');
    const std::wstring strWide = Wide(strSuggested);
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
    if (bSvg) {
        bytes =
            CSvgChartPainter::Picture(*pChart, CPictureSize::kSvgWidth, CPictureSize::kSvgHeight);
    } else if (!CGdiPlusChartPainter::Png(*pChart, CTwistChart::kDefaultWidth,
                                          CTwistChart::kDefaultHeight, bytes)) {
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
