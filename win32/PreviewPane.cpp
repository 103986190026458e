#include "win32/PreviewPane.h"

#include "platform/WidePath.h"
#include "plot/GdiPlusChartPainter_win.h"
#include "win32/resource.h"

#include <algorithm>

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>

namespace {

const wchar_t kPlotClass[] = L"VeltraneTwistPlot";
// The summary's widest share of the pane, the diagnostics' height in dialog
// units, and the gap between the parts.
constexpr int kSummaryShare = 40; // percent
constexpr int kDiagnosticsUnits = 44;
constexpr int kGapUnits = 4;

// Lines for an edit control, which breaks lines at CR LF only.
std::string WithCrLf(const std::string& strText) {
    std::string strOut;
    for (size_t i = 0; i < strText.size(); ++i) {
        if (strText[i] == '\n' && (i == 0 || strText[i - 1] != '\r')) {
            strOut += '\r';
        }
        strOut += strText[i];
    }
    return strOut;
}

std::string FileNameOf(const std::string& strPath) {
    const size_t nSlash = strPath.find_last_of("\\/");
    return nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1);
}

// The window's scale: 1 at 96 dots per inch. Windows 10 tells it per
// monitor; before that every window has the system's.
double ScaleOf(HWND hWnd, HDC hdc) {
    using DpiForWindow = UINT(WINAPI*)(HWND);
    static const auto pDpiForWindow = reinterpret_cast<DpiForWindow>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    const UINT nDpi = pDpiForWindow != nullptr ? pDpiForWindow(hWnd)
                                               : static_cast<UINT>(GetDeviceCaps(hdc, LOGPIXELSY));
    return nDpi > 0 ? nDpi / 96.0 : 1.0;
}

} // namespace

class CPlotWindowProc {
public:
    static LRESULT CALLBACK Proc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
        auto* pPane = reinterpret_cast<CPreviewPane*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
        switch (nMessage) {
        case WM_ERASEBKGND:
            return 1; // the paint covers every pixel
        case WM_PAINT:
            if (pPane != nullptr) {
                pPane->PaintPlot(hWnd);
                return 0;
            }
            break;
        case WM_SIZE:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            InvalidateRect(hWnd, nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            // The plot takes the keyboard, so that the Menu key and
            // Shift+F10 open its context menu.
            SetFocus(hWnd);
            return 0;
        case WM_CONTEXTMENU: {
            // Save Picture, offered while a plot is on show.
            HMENU hMenu = CreatePopupMenu();
            const bool bChart = pPane != nullptr && pPane->Chart() != nullptr;
            AppendMenuW(hMenu, MF_STRING | (bChart ? 0 : MF_GRAYED), ID_SAVE_PICTURE,
                        L"&Save Picture...\tCtrl+S");
            AppendMenuW(hMenu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(hMenu, MF_STRING, ID_HELP_ABOUT,
                        (Wide(CConvertCommand::kAboutItem) + L"\tF1").c_str());
            POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (at.x == -1 && at.y == -1) { // from the keyboard: at the plot's corner
                at = POINT{0, 0};
                ClientToScreen(hWnd, &at);
            }
            TrackPopupMenu(hMenu, TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, 0, GetParent(hWnd),
                           nullptr);
            DestroyMenu(hMenu);
            return 0;
        }
        default:
            break;
        }
        return DefWindowProcW(hWnd, nMessage, wParam, lParam);
    }
};

void CPreviewPane::Create(void* hDialog) {
    HWND hDlg = static_cast<HWND>(hDialog);
    m_hDlg = hDialog;
    HINSTANCE hInstance = GetModuleHandleW(nullptr);
    WNDCLASSW plotClass = {};
    plotClass.lpfnWndProc = CPlotWindowProc::Proc;
    plotClass.hInstance = hInstance;
    plotClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // the arrow
    plotClass.lpszClassName = kPlotClass;
    RegisterClassW(&plotClass);

    // In tab order after the template's controls: summary, plot, diagnostics.
    const DWORD nText = WS_CHILD | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
    CreateWindowExW(0, L"EDIT", L"", nText | WS_VISIBLE, 0, 0, 0, 0, hDlg,
                    reinterpret_cast<HMENU>(IDC_SUMMARY), hInstance, nullptr);
    m_hPlot = CreateWindowExW(WS_EX_CLIENTEDGE, kPlotClass, L"Twist plot",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 0, 0, hDlg,
                              reinterpret_cast<HMENU>(IDC_PLOT), hInstance, nullptr);
    SetWindowLongPtrW(static_cast<HWND>(m_hPlot), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                    nText | WS_VSCROLL | WS_HSCROLL | ES_AUTOHSCROLL, 0, 0, 0, 0, hDlg,
                    reinterpret_cast<HMENU>(IDC_DIAGNOSTICS), hInstance, nullptr);
    UseDialogFont();
    Preview(std::string(), -1);
}

void CPreviewPane::UseDialogFont() {
    HWND hDlg = static_cast<HWND>(m_hDlg);
    const LRESULT hFont = SendMessageW(hDlg, WM_GETFONT, 0, 0);
    for (int nControl : {IDC_SUMMARY, IDC_DIAGNOSTICS}) {
        SendDlgItemMessageW(hDlg, nControl, WM_SETFONT, static_cast<WPARAM>(hFont), TRUE);
    }
}

void CPreviewPane::Layout(int nLeft, int nTop, int nRight, int nBottom) {
    HWND hDlg = static_cast<HWND>(m_hDlg);
    RECT units{0, kDiagnosticsUnits, kGapUnits, 0};
    MapDialogRect(hDlg, &units);
    const int nGap = static_cast<int>(units.right);
    const int nDiagnostics = m_bDiagnostics ? static_cast<int>(units.top) : 0;
    const int nSurveyBottom = std::max(nTop, nBottom - (m_bDiagnostics ? nDiagnostics + nGap : 0));
    // The summary as wide as its longest line, up to a share of the pane.
    const int nSummaryRight =
        nLeft + std::min((nRight - nLeft) * kSummaryShare / 100, m_nSummaryWidth + nGap);
    const int nPlotLeft = std::min(nRight, nSummaryRight + nGap);
    MoveWindow(GetDlgItem(hDlg, IDC_SUMMARY), nLeft, nTop, nSummaryRight - nLeft,
               nSurveyBottom - nTop, TRUE);
    MoveWindow(static_cast<HWND>(m_hPlot), nPlotLeft, nTop, nRight - nPlotLeft,
               nSurveyBottom - nTop, TRUE);
    HWND hDiagnostics = GetDlgItem(hDlg, IDC_DIAGNOSTICS);
    MoveWindow(hDiagnostics, nLeft, nBottom - nDiagnostics, nRight - nLeft, nDiagnostics, TRUE);
    ShowWindow(hDiagnostics, m_bDiagnostics ? SW_SHOWNA : SW_HIDE);
}

void CPreviewPane::Preview(const std::string& strPath, int nDirection, const std::string& strNote) {
    m_strPath = strPath;
    m_nDirection = nDirection;
    m_chart.reset();
    const bool bDirection = nDirection == directionTwiToCsv || nDirection == directionCsvToTwi;
    std::string strSummary;
    std::string strDiagnostics;
    m_strDescription.clear();
    if (strPath.empty()) {
        m_summary.Read(CString(), directionNone);
        m_strMessage = kNothingSelected;
    } else if (!bDirection) {
        m_summary.Read(CString(), directionNone);
        strSummary = FileNameOf(strPath);
        m_strMessage = strNote.empty() ? std::string(kNoDirection) : strNote;
    } else {
        const bool bRead = m_summary.Read(strPath.c_str(), nDirection);
        strSummary = FileNameOf(strPath) + "\n";
        m_strDescription = FileNameOf(strPath);
        for (const std::string& strLine : m_summary.Lines()) {
            strSummary += "\n" + strLine;
            m_strDescription += "\n" + strLine;
        }
        strDiagnostics = m_summary.m_data.m_diagnostics.Describe().str();
        if (bRead) {
            m_chart.emplace(CTwistProfile::FromSurvey(m_summary.m_data), FileNameOf(strPath));
            m_strMessage.clear();
        } else {
            // In place of the plot: why, and the lines that say where.
            m_strMessage = m_summary.FailureText();
            if (!strDiagnostics.empty()) {
                m_strMessage += "\n\n" + strDiagnostics;
            }
        }
    }
    ShowText(IDC_SUMMARY, strSummary);
    ShowText(IDC_DIAGNOSTICS, m_chart ? strDiagnostics : std::string());
    m_bDiagnostics = m_chart && !strDiagnostics.empty();
    InvalidateRect(static_cast<HWND>(m_hPlot), nullptr, FALSE);
}

void CPreviewPane::ShowText(int nControl, const std::string& strText) {
    HWND hDlg = static_cast<HWND>(m_hDlg);
    const std::wstring strWide = Wide(WithCrLf(strText));
    SetDlgItemTextW(hDlg, nControl, strWide.c_str());
    if (nControl != IDC_SUMMARY) {
        return;
    }
    // The longest line in the summary's font.
    HWND hSummary = GetDlgItem(hDlg, IDC_SUMMARY);
    HDC hdc = GetDC(hSummary);
    HGDIOBJ hOld =
        SelectObject(hdc, reinterpret_cast<HGDIOBJ>(SendMessageW(hSummary, WM_GETFONT, 0, 0)));
    m_nSummaryWidth = 0;
    for (size_t nStart = 0; nStart < strWide.size();) {
        const size_t nEnd = std::min(strWide.find(L'\r', nStart), strWide.size());
        SIZE extent{0, 0};
        GetTextExtentPoint32W(hdc, strWide.c_str() + nStart, static_cast<int>(nEnd - nStart),
                              &extent);
        m_nSummaryWidth = std::max(m_nSummaryWidth, static_cast<int>(extent.cx));
        nStart = nEnd + 2;
    }
    SelectObject(hdc, hOld);
    ReleaseDC(hSummary, hdc);
}

void CPreviewPane::PaintPlot(void* hWindow) {
    HWND hWnd = static_cast<HWND>(hWindow);
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(hWnd, &paint);
    RECT client;
    GetClientRect(hWnd, &client);
    // Drawn off screen first, so that a resize does not flicker.
    HDC hMemory = CreateCompatibleDC(hdc);
    HBITMAP hBitmap =
        CreateCompatibleBitmap(hdc, std::max(1L, client.right), std::max(1L, client.bottom));
    HGDIOBJ hOld = SelectObject(hMemory, hBitmap);
    if (m_chart) {
        // Laid out at the window's scale, as text and controls are, and
        // drawn in its device pixels, so that it stays sharp.
        const double dScale = ScaleOf(hWnd, hdc);
        Gdiplus::Graphics graphics(hMemory);
        graphics.ScaleTransform(static_cast<Gdiplus::REAL>(dScale),
                                static_cast<Gdiplus::REAL>(dScale));
        CGdiPlusChartPainter painter(graphics);
        painter.Paint(m_chart->Steps(ChartRect{0, 0, client.right / dScale, client.bottom / dScale},
                                     painter.Metrics(), dScale));
    } else {
        FillRect(hMemory, &client, GetSysColorBrush(COLOR_WINDOW));
        HGDIOBJ hOldFont = SelectObject(hMemory, reinterpret_cast<HGDIOBJ>(SendMessageW(
                                                     static_cast<HWND>(m_hDlg), WM_GETFONT, 0, 0)));
        SetBkMode(hMemory, TRANSPARENT);
        SetTextColor(hMemory, GetSysColor(COLOR_WINDOWTEXT));
        RECT text = client;
        InflateRect(&text, -8, -8);
        const std::wstring strMessage = Wide(m_strMessage);
        // An invitation is centred; a report reads from the top left.
        const UINT nAlign = m_strPath.empty() ? DT_CENTER : DT_LEFT;
        DrawTextW(hMemory, strMessage.c_str(), static_cast<int>(strMessage.size()), &text,
                  nAlign | DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(hMemory, hOldFont);
    }
    if (GetFocus() == hWnd) {
        RECT focus = client;
        InflateRect(&focus, -2, -2);
        DrawFocusRect(hMemory, &focus);
    }
    BitBlt(hdc, 0, 0, client.right, client.bottom, hMemory, 0, 0, SRCCOPY);
    SelectObject(hMemory, hOld);
    DeleteObject(hBitmap);
    DeleteDC(hMemory);
    EndPaint(hWnd, &paint);
}
