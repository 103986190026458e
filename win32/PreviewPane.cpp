#include "win32/PreviewPane.h"

#include "convert/SurveyComparison.h"
#include "platform/WidePath.h"
#include "plot/FigureMarks.h"
#include "plot/GdiPlusChartPainter_win.h"
#include "win32/resource.h"

#include <algorithm>
#include <utility>

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>
#include <objidl.h>

#include <gdiplus.h>

namespace {

const wchar_t kPlotClass[] = L"VeltraneTwistPlot";
// The summary's widest share of the pane, the diagnostics' height in dialog
// units, and the gap between the parts.
constexpr int kSummaryShare = 40; // percent
constexpr int kDiagnosticsUnits = 44;
constexpr int kGapUnits = 4;
// The limit's row: its height, the field's width and the label's and unit's.
constexpr int kLimitRowUnits = 14;
constexpr int kLimitFieldUnits = 36;
constexpr int kLimitLabelUnits = 24;
constexpr int kLimitUnitUnits = 32;
const wchar_t kLimitLabel[] = L"&Limit:";
const wchar_t kLimitUnit[] = L"degrees";

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
            const bool bChart =
                pPane != nullptr && (pPane->Chart() != nullptr || pPane->Comparison() != nullptr);
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
    // The twist limit under the summary, shown while a survey is.
    CreateWindowExW(0, L"STATIC", kLimitLabel, WS_CHILD | SS_LEFT | SS_CENTERIMAGE, 0, 0, 0, 0,
                    hDlg, reinterpret_cast<HMENU>(IDC_LIMIT_LABEL), hInstance, nullptr);
    CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0,
                    0, hDlg, reinterpret_cast<HMENU>(IDC_LIMIT), hInstance, nullptr);
    CreateWindowExW(0, L"STATIC", kLimitUnit, WS_CHILD | SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, 0,
                    0, 0, 0, hDlg, reinterpret_cast<HMENU>(IDC_LIMIT_UNIT), hInstance, nullptr);
    SendDlgItemMessageW(hDlg, IDC_LIMIT, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(L"none"));
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
    for (int nControl :
         {IDC_SUMMARY, IDC_DIAGNOSTICS, IDC_LIMIT_LABEL, IDC_LIMIT, IDC_LIMIT_UNIT}) {
        SendDlgItemMessageW(hDlg, nControl, WM_SETFONT, static_cast<WPARAM>(hFont), TRUE);
    }
}

void CPreviewPane::Layout(int nLeft, int nTop, int nRight, int nBottom) {
    HWND hDlg = static_cast<HWND>(m_hDlg);
    RECT units{0, kDiagnosticsUnits, kGapUnits, 0};
    MapDialogRect(hDlg, &units);
    const int nGap = static_cast<int>(units.right);
    RECT limit{kLimitLabelUnits, kLimitRowUnits, kLimitFieldUnits, kLimitUnitUnits};
    MapDialogRect(hDlg, &limit);
    const int nLimitRow = m_chart ? static_cast<int>(limit.top) : 0;
    const int nLimitWidth = static_cast<int>(limit.left + limit.right + limit.bottom) + 2 * nGap;
    const int nDiagnostics = m_bDiagnostics ? static_cast<int>(units.top) : 0;
    const int nSurveyBottom = std::max(nTop, nBottom - (m_bDiagnostics ? nDiagnostics + nGap : 0));
    // The summary as wide as its longest line, up to a share of the pane.
    const int nSummaryRight =
        nLeft + std::min((nRight - nLeft) * kSummaryShare / 100,
                         std::max(m_nSummaryWidth + nGap, m_chart ? nLimitWidth : 0));
    const int nPlotLeft = std::min(nRight, nSummaryRight + nGap);
    // The limit's row right under the summary's lines, as the summary wraps
    // them at its width, within the survey's height.
    HWND hSummary = GetDlgItem(hDlg, IDC_SUMMARY);
    MoveWindow(hSummary, nLeft, nTop, nSummaryRight - nLeft, nSurveyBottom - nTop, FALSE);
    const int nLines = static_cast<int>(SendMessageW(hSummary, EM_GETLINECOUNT, 0, 0));
    const int nLimitTop =
        std::max(nTop, std::min(nTop + nLines * m_nLineHeight + nGap, nSurveyBottom - nLimitRow));
    MoveWindow(hSummary, nLeft, nTop, nSummaryRight - nLeft,
               (m_chart ? nLimitTop : nSurveyBottom) - nTop, TRUE);
    int nX = nLeft;
    for (const auto& [nControl, nWidth] : {std::pair<int, LONG>{IDC_LIMIT_LABEL, limit.left},
                                           {IDC_LIMIT, limit.right},
                                           {IDC_LIMIT_UNIT, limit.bottom}}) {
        HWND hControl = GetDlgItem(hDlg, nControl);
        MoveWindow(hControl, nX, nLimitTop, static_cast<int>(nWidth), nLimitRow, TRUE);
        ShowWindow(hControl, m_chart ? SW_SHOWNA : SW_HIDE);
        nX += static_cast<int>(nWidth) + nGap / 2;
    }
    MoveWindow(static_cast<HWND>(m_hPlot), nPlotLeft, nTop, nRight - nPlotLeft,
               nSurveyBottom - nTop, TRUE);
    HWND hDiagnostics = GetDlgItem(hDlg, IDC_DIAGNOSTICS);
    MoveWindow(hDiagnostics, nLeft, nBottom - nDiagnostics, nRight - nLeft, nDiagnostics, TRUE);
    ShowWindow(hDiagnostics, m_bDiagnostics ? SW_SHOWNA : SW_HIDE);
}

void CPreviewPane::ShowComparison(const std::vector<std::string>& paths,
                                  const std::vector<int>& directions) {
    std::vector<CString> surveyPaths;
    for (const std::string& strPath : paths) {
        surveyPaths.emplace_back(strPath.c_str());
    }
    CSurveyComparison comparison = CSurveyComparison::OfFiles(surveyPaths, directions);
    m_strPath.clear();
    m_nDirection = directionNone;
    m_chart.reset();
    m_compare.reset();
    const std::string& strFirst = paths.empty() ? std::string() : paths.front();
    const size_t nSlash = strFirst.find_last_of("\\/");
    m_strComparePicture =
        (nSlash == std::string::npos ? std::string() : strFirst.substr(0, nSlash + 1)) +
        CSurveyComparison::kPictureName + ".png";
    m_summary.Read(CString(), directionNone);
    std::string strSummary = std::string(CSurveyComparison::kHeading) + "\n";
    m_strDescription = CSurveyComparison::kHeading;
    if (comparison.IsReady()) {
        for (const std::string& strLine : comparison.SummaryLines()) {
            strSummary += "\n" + strLine;
            m_strDescription += "\n" + strLine;
        }
        m_compare.emplace(std::move(comparison));
        m_strMessage.clear();
    } else {
        m_strMessage = comparison.Problem();
    }
    ShowText(IDC_SUMMARY, strSummary);
    ShowText(IDC_DIAGNOSTICS, std::string());
    m_bDiagnostics = false;
    InvalidateRect(static_cast<HWND>(m_hPlot), nullptr, FALSE);
}

void CPreviewPane::Preview(const std::string& strPath, int nDirection, const std::string& strNote) {
    m_strPath = strPath;
    m_nDirection = nDirection;
    m_chart.reset();
    m_compare.reset();
    const bool bDirection = nDirection == directionTwiToCsv || nDirection == directionCsvToTwi;
    std::string strSummary;
    m_strDescription.clear();
    if (strPath.empty()) {
        m_summary.Read(CString(), directionNone);
        m_strMessage = kNothingSelected;
    } else if (!bDirection) {
        m_summary.Read(CString(), directionNone);
        strSummary = FileNameOf(strPath);
        m_strMessage = strNote.empty() ? std::string(kNoDirection) : strNote;
    } else {
        m_summary.Read(strPath.c_str(), nDirection);
        ShowSurvey();
        return;
    }
    ShowText(IDC_SUMMARY, strSummary);
    ShowText(IDC_DIAGNOSTICS, std::string());
    m_bDiagnostics = false;
    InvalidateRect(static_cast<HWND>(m_hPlot), nullptr, FALSE);
}

void CPreviewPane::ShowSurvey() {
    const std::string strName = FileNameOf(m_strPath);
    std::string strSummary = strName + "\n";
    m_strDescription = strName;
    for (const std::string& strLine : m_summary.Lines()) {
        strSummary += "\n" + strLine;
        m_strDescription += "\n" + strLine;
    }
    const std::string strDiagnostics = m_summary.m_data.m_diagnostics.Describe().str();
    m_chart.reset();
    if (m_summary.IsRead()) {
        m_chart.emplace(CTwistProfile::FromSurvey(m_summary.m_data), strName);
        m_chart->SetMarks(MarksOfFigures(SurveyFigures::Of(m_chart->Profile(), m_summary.m_limit)));
        m_strMessage.clear();
    } else {
        // In place of the plot: why, and the lines that say where.
        m_strMessage = m_summary.FailureText();
        if (!strDiagnostics.empty()) {
            m_strMessage += "\n\n" + strDiagnostics;
        }
    }
    ShowText(IDC_SUMMARY, strSummary);
    ShowText(IDC_DIAGNOSTICS, m_chart ? strDiagnostics : std::string());
    m_bDiagnostics = m_chart && !strDiagnostics.empty();
    InvalidateRect(static_cast<HWND>(m_hPlot), nullptr, FALSE);
}

std::optional<double> CPreviewPane::ParseLimit(const std::string& strText) {
    // The user's decimal separator read as a point.
    wchar_t szDecimal[8] = L".";
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, szDecimal, 8);
    const std::string strDecimal = Utf8FromWide(szDecimal);
    std::string strNumber = strText;
    for (size_t n = strDecimal.empty() || strDecimal == "." ? std::string::npos
                                                            : strNumber.find(strDecimal);
         n != std::string::npos; n = strNumber.find(strDecimal, n + 1)) {
        strNumber.replace(n, strDecimal.size(), ".");
    }
    const size_t nStart = strNumber.find_first_not_of(" \t");
    double dLimit = 0.0;
    if (nStart == std::string::npos ||
        !CSurveySummary::ParseLimit(strNumber.substr(nStart), dLimit)) {
        return std::nullopt;
    }
    return dLimit;
}

bool CPreviewPane::OnLimitEdited() {
    HWND hLimit = GetDlgItem(static_cast<HWND>(m_hDlg), IDC_LIMIT);
    std::wstring strText(static_cast<size_t>(GetWindowTextLengthW(hLimit)) + 1, L'\0');
    strText.resize(static_cast<size_t>(
        GetWindowTextW(hLimit, strText.data(), static_cast<int>(strText.size()))));
    // A text that is no limit (yet) judges nothing.
    const std::optional<double> limit = ParseLimit(Utf8FromWide(strText.c_str()));
    if (limit == m_summary.m_limit) {
        return false;
    }
    m_summary.m_limit = limit;
    if (!m_summary.IsRead()) {
        return false;
    }
    ShowSurvey();
    return true;
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
    TEXTMETRICW metrics{};
    GetTextMetricsW(hdc, &metrics);
    m_nLineHeight = static_cast<int>(metrics.tmHeight);
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
    if (m_chart || m_compare) {
        // Laid out at the window's scale, as text and controls are, and
        // drawn in its device pixels, so that it stays sharp.
        const double dScale = ScaleOf(hWnd, hdc);
        Gdiplus::Graphics graphics(hMemory);
        graphics.ScaleTransform(static_cast<Gdiplus::REAL>(dScale),
                                static_cast<Gdiplus::REAL>(dScale));
        CGdiPlusChartPainter painter(graphics);
        const ChartRect rect{0, 0, client.right / dScale, client.bottom / dScale};
        const double dTextSize = PlotTextSize(hMemory, dScale);
        painter.Paint(m_chart ? m_chart->Steps(rect, painter.Metrics(), dScale, dTextSize)
                              : m_compare->Steps(rect, painter.Metrics(), dScale, dTextSize));
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

double CPreviewPane::PlotTextSize(void* hDC, double dScale) const {
    HDC hdc = static_cast<HDC>(hDC);
    HGDIOBJ hOld = SelectObject(
        hdc, reinterpret_cast<HGDIOBJ>(SendMessageW(static_cast<HWND>(m_hDlg), WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    const BOOL bMeasured = GetTextMetricsW(hdc, &metrics);
    SelectObject(hdc, hOld);
    // The font's em in device pixels, in the plot's units; 0 (the picture's
    // rule) when the system cannot say.
    const int nEm = bMeasured ? metrics.tmHeight - metrics.tmInternalLeading : 0;
    return nEm > 0 && dScale > 0 ? nEm / dScale : 0.0;
}
