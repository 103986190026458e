#include "win32/ResultsList.h"

#include "platform/WidePath.h"
#include "win32/resource.h"

#include <algorithm>

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>
#include <windowsx.h>

namespace {

// Files whose outputs go in place together, and whose rows then appear.
constexpr size_t kChunkSize = 16;
constexpr UINT_PTR kProgressTimer = 21;

// Sizes in dialog units: a row, the list's header and frame, the foot with
// the count, the progress bar and Cancel, and the rows shown at most.
constexpr int kRowUnits = 10;
constexpr int kHeaderUnits = 14;
constexpr int kFootUnits = 14;
constexpr int kGapUnits = 4;
constexpr int kCancelUnits = 50;
constexpr int kFilterUnits = 100;
constexpr int kCompareUnits = 50;
constexpr int kShownRows = 6;
constexpr int kTipWidthUnits = 260;

// The icons of the rows, in the image list's order.
enum RowIcon { iconConverted, iconInformation, iconWarning };
// The check mark of a converted file.
constexpr COLORREF kCheckColour = RGB(0, 150, 60);

std::string FileNameOf(const std::string& strPath) {
    const size_t nSlash = strPath.find_last_of("\\/");
    return nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1);
}

// Lines for a tooltip, which breaks lines at LF; the diagnostics come in CR LF.
std::wstring WithoutCr(std::wstring strText) {
    strText.erase(std::remove(strText.begin(), strText.end(), L'\r'), strText.end());
    return strText;
}

RowIcon IconOf(const CJobResult& result) {
    switch (result.m_nJobOutcome) {
    case jobConverted:
        return iconConverted;
    case jobKept:
    case jobUpToDate:
    case jobOutputOfInput:
    case jobCancelled:
        return iconInformation;
    default:
        return iconWarning;
    }
}

// A check mark drawn at the size of small icons, then the system's
// information and warning icons.
HIMAGELIST MakeIcons(HWND hList) {
    const int nSize = GetSystemMetrics(SM_CXSMICON);
    HIMAGELIST hImages = ImageList_Create(nSize, nSize, ILC_COLOR32 | ILC_MASK, 3, 0);
    HDC hdc = GetDC(hList);
    HDC hMemory = CreateCompatibleDC(hdc);
    HBITMAP hBitmap = CreateCompatibleBitmap(hdc, nSize, nSize);
    HGDIOBJ hOldBitmap = SelectObject(hMemory, hBitmap);
    const COLORREF kTransparent = RGB(255, 0, 255);
    RECT all{0, 0, nSize, nSize};
    HBRUSH hBackground = CreateSolidBrush(kTransparent);
    FillRect(hMemory, &all, hBackground);
    DeleteObject(hBackground);
    HPEN hPen = CreatePen(PS_SOLID, std::max(2, nSize / 6), kCheckColour);
    HGDIOBJ hOldPen = SelectObject(hMemory, hPen);
    const POINT check[] = {{nSize * 3 / 16, nSize * 9 / 16},
                           {nSize * 6 / 16, nSize * 12 / 16},
                           {nSize * 13 / 16, nSize * 4 / 16}};
    Polyline(hMemory, check, 3);
    SelectObject(hMemory, hOldPen);
    DeleteObject(hPen);
    SelectObject(hMemory, hOldBitmap);
    ImageList_AddMasked(hImages, hBitmap, kTransparent);
    DeleteObject(hBitmap);
    DeleteDC(hMemory);
    ReleaseDC(hList, hdc);
    // The system's information and warning icons.
    for (WORD nIcon : {WORD{32516}, WORD{32515}}) {
        ImageList_AddIcon(hImages,
                          static_cast<HICON>(LoadImageW(nullptr, MAKEINTRESOURCEW(nIcon),
                                                        IMAGE_ICON, nSize, nSize, LR_SHARED)));
    }
    return hImages;
}

// The list's wide messages, whatever the build's character set.
// Changes many rows at once: the list is drawn once, at the end.
class CBulkChange {
public:
    explicit CBulkChange(HWND hList) : m_hList(hList) {
        SendMessageW(hList, WM_SETREDRAW, FALSE, 0);
    }
    ~CBulkChange() {
        SendMessageW(m_hList, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(m_hList, nullptr, FALSE);
    }
    CBulkChange(const CBulkChange&) = delete;
    CBulkChange& operator=(const CBulkChange&) = delete;

private:
    HWND m_hList;
};

void SetCellText(HWND hList, int nRow, int nColumn, const std::wstring& strText) {
    LVITEMW item = {};
    item.iSubItem = nColumn;
    item.pszText = const_cast<LPWSTR>(strText.c_str());
    SendMessageW(hList, LVM_SETITEMTEXTW, static_cast<WPARAM>(nRow),
                 reinterpret_cast<LPARAM>(&item));
}

void AddColumn(HWND hList, int nColumn, LPCWSTR pszTitle) {
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 160;
    column.pszText = const_cast<LPWSTR>(pszTitle);
    SendMessageW(hList, LVM_INSERTCOLUMNW, static_cast<WPARAM>(nColumn),
                 reinterpret_cast<LPARAM>(&column));
}

} // namespace

CResultsList::~CResultsList() {
    // A window closed midway ends the run after the files under way.
    if (m_thread.joinable()) {
        m_bCancel = true;
        m_thread.join();
    }
}

void CResultsList::Create(void* hDialog) {
    HWND hDlg = static_cast<HWND>(hDialog);
    m_hDlg = hDialog;
    HINSTANCE hInstance = GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    HWND hList = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"Converted files",
                                 WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0, 0, 0,
                                 hDlg, reinterpret_cast<HMENU>(IDC_RESULTS), hInstance, nullptr);
    m_hList = hList;
    ListView_SetExtendedListViewStyle(hList, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    ListView_SetImageList(hList, MakeIcons(hList), LVSIL_SMALL);
    AddColumn(hList, 0, L"File");
    AddColumn(hList, 1, L"Result");
    AddTooltip();

    CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 0, 0, 0,
                    0, hDlg, reinterpret_cast<HMENU>(IDC_RESULTS_STATUS), hInstance, nullptr);
    // In a long list, the few files that need a look.
    CreateWindowExW(0, L"BUTTON", Wide(CBatchReport::kOnlyNotConverted).c_str(),
                    WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 0, 0, 0, hDlg,
                    reinterpret_cast<HMENU>(IDC_ONLY_NOT_CONVERTED), hInstance, nullptr);
    CreateWindowExW(0, L"BUTTON", L"&Compare", WS_CHILD | WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON,
                    0, 0, 0, 0, hDlg, reinterpret_cast<HMENU>(IDC_COMPARE), hInstance, nullptr);
    CreateWindowExW(0, PROGRESS_CLASSW, L"Conversion progress", WS_CHILD, 0, 0, 0, 0, hDlg,
                    reinterpret_cast<HMENU>(IDC_PROGRESS), hInstance, nullptr);
    CreateWindowExW(0, L"BUTTON", L"Cancel", WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0,
                    hDlg, reinterpret_cast<HMENU>(IDC_CANCEL_RUN), hInstance, nullptr);
    UseDialogFont();
}

void CResultsList::UseDialogFont() {
    HWND hDlg = static_cast<HWND>(m_hDlg);
    const LRESULT hFont = SendMessageW(hDlg, WM_GETFONT, 0, 0);
    for (int nControl :
         {IDC_RESULTS, IDC_RESULTS_STATUS, IDC_ONLY_NOT_CONVERTED, IDC_COMPARE, IDC_CANCEL_RUN}) {
        SendDlgItemMessageW(hDlg, nControl, WM_SETFONT, static_cast<WPARAM>(hFont), TRUE);
    }
}

int CResultsList::Layout(int nLeft, int nTop, int nRight, int nBottom) {
    if (!m_bShown) {
        return nTop;
    }
    HWND hDlg = static_cast<HWND>(m_hDlg);
    const int nRows = std::clamp(static_cast<int>(m_rows.size()), 1, kShownRows);
    RECT units{kCancelUnits, kHeaderUnits + nRows * kRowUnits, kGapUnits, kFootUnits};
    MapDialogRect(hDlg, &units);
    const int nFoot = static_cast<int>(units.bottom), nGap = static_cast<int>(units.right);
    // The rows as the list lays them out, when it has some: their height
    // follows the font and the icons.
    int nWanted = static_cast<int>(units.top);
    HWND hList = static_cast<HWND>(m_hList);
    RECT row{LVIR_BOUNDS, 0, 0, 0}, header{};
    if (ListView_GetItemCount(hList) > 0 &&
        SendMessageW(hList, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row)) &&
        GetWindowRect(ListView_GetHeader(hList), &header)) {
        nWanted =
            std::max<int>(nWanted, (header.bottom - header.top) + nRows * (row.bottom - row.top) +
                                       2 * GetSystemMetrics(SM_CYEDGE) + 2);
    }
    // Up to half of the room: the survey below keeps the rest.
    const int nList = std::min(nWanted, (nBottom - nTop) / 2 - nFoot - nGap);
    const int nListBottom = nTop + std::max(0, nList);
    MoveWindow(hList, nLeft, nTop, nRight - nLeft, nListBottom - nTop, TRUE);
    // The File column as wide as a third of the list; the result takes the rest.
    const int nWidth = nRight - nLeft - GetSystemMetrics(SM_CXVSCROLL) - 4;
    ListView_SetColumnWidth(hList, 0, nWidth / 3);
    ListView_SetColumnWidth(hList, 1, nWidth - nWidth / 3);

    m_nFootLeft = nLeft;
    m_nFootTop = nListBottom + nGap / 2;
    m_nFootRight = nRight;
    LayoutFoot();
    return m_nFootTop + nFoot + nGap;
}

void CResultsList::LayoutFoot() {
    HWND hDlg = static_cast<HWND>(m_hDlg);
    RECT units{kCancelUnits, kFilterUnits, kGapUnits, kFootUnits};
    MapDialogRect(hDlg, &units);
    const int nFoot = static_cast<int>(units.bottom), nGap = static_cast<int>(units.right);
    const int nLeft = m_nFootLeft, nTop = m_nFootTop, nRight = m_nFootRight;
    // The count at the left; the filter at the right, or, while progress
    // and Cancel take the right half, just before them.
    const int nMiddle = nLeft + (nRight - nLeft) / 2;
    const int nCancelLeft = nRight - static_cast<int>(units.left);
    const int nFilterRight = m_bProgress ? nMiddle - nGap : nRight;
    const int nFilterLeft = std::max(nLeft, nFilterRight - static_cast<int>(units.top));
    // Compare before the filter.
    RECT compare{0, 0, kCompareUnits, 0};
    MapDialogRect(hDlg, &compare);
    const int nCompareLeft = std::max(nLeft, nFilterLeft - nGap - static_cast<int>(compare.right));
    MoveWindow(GetDlgItem(hDlg, IDC_COMPARE), nCompareLeft, nTop, nFilterLeft - nGap - nCompareLeft,
               nFoot, TRUE);
    MoveWindow(GetDlgItem(hDlg, IDC_RESULTS_STATUS), nLeft, nTop + nFoot / 5,
               std::max(0, nCompareLeft - nGap - nLeft), nFoot - nFoot / 5, TRUE);
    MoveWindow(GetDlgItem(hDlg, IDC_ONLY_NOT_CONVERTED), nFilterLeft, nTop,
               nFilterRight - nFilterLeft, nFoot, TRUE);
    MoveWindow(GetDlgItem(hDlg, IDC_PROGRESS), nMiddle, nTop + nFoot / 6,
               nCancelLeft - nGap - nMiddle, nFoot - nFoot / 3, TRUE);
    MoveWindow(GetDlgItem(hDlg, IDC_CANCEL_RUN), nCancelLeft, nTop, nRight - nCancelLeft, nFoot,
               TRUE);
}

std::vector<CConvertJob> CResultsList::SurveysOf(const std::vector<std::string>& paths) const {
    std::vector<CString> named;
    for (const std::string& strPath : paths) {
        named.emplace_back(strPath.c_str());
    }
    std::vector<CConvertJob> jobs;
    for (const CString& strFile : CBatchPlan::SurveyFilesOf(named)) {
        jobs.push_back(CConvertJob{strFile, directionNone, m_strOutputFolder});
    }
    return jobs;
}

void CResultsList::ListFiles(const std::vector<CConvertJob>& jobs, const char* pszState) {
    ListView_DeleteAllItems(static_cast<HWND>(m_hList)); // no selection carries over
    m_rows.clear();
    const std::wstring strState = Wide(pszState);
    for (const CConvertJob& job : jobs) {
        CRow row;
        row.m_strPath = job.m_strPath.str();
        row.m_nDirection = CBatchPlan::DirectionOf(job);
        row.m_strResult = strState;
        row.m_strDetail = Wide(job.m_strPath);
        m_rows.push_back(std::move(row));
    }
    ApplyFilter();
    m_bShown = true;
    HWND hDlg = static_cast<HWND>(m_hDlg);
    for (int nControl : {IDC_RESULTS, IDC_RESULTS_STATUS, IDC_ONLY_NOT_CONVERTED, IDC_COMPARE}) {
        ShowWindow(GetDlgItem(hDlg, nControl), SW_SHOWNA);
    }
    UpdateCompare();
}

bool CResultsList::ListReady(const std::vector<std::string>& paths) {
    if (IsRunning()) {
        return false;
    }
    const std::vector<CConvertJob> jobs = SurveysOf(paths);
    ListFiles(jobs, CBatchReport::kReady);
    ShowProgress(false);
    SetStatus(jobs.empty() ? CString(CBatchReport::kNoSurveys)
                           : CBatchReport::ReadyToConvert(static_cast<int>(jobs.size())));
    return true;
}

bool CResultsList::ConvertMany(const std::vector<std::string>& paths,
                               const std::function<bool(const std::wstring&)>& askReplace) {
    if (IsRunning()) {
        return false;
    }
    const std::vector<CConvertJob> jobs = SurveysOf(paths);
    // Asked before the rows change, the ready rows still on show.
    const int nExisting = CBatchPlan::ExistingOutputs(jobs);
    const bool bReplace =
        nExisting == 0 || askReplace(Wide(CBatchReport::ReplaceQuestion(nExisting)));

    ListFiles(jobs, CBatchReport::kWaiting);
    HWND hDlg = static_cast<HWND>(m_hDlg);
    m_report = CBatchReport();
    m_bCancel = false;
    SendDlgItemMessageW(hDlg, IDC_PROGRESS, PBM_SETRANGE32, 0, static_cast<LPARAM>(jobs.size()));
    SendDlgItemMessageW(hDlg, IDC_PROGRESS, PBM_SETPOS, 0, 0);
    EnableWindow(GetDlgItem(hDlg, IDC_CANCEL_RUN), TRUE);
    if (jobs.empty()) {
        SetStatus(CBatchReport::kNoSurveys);
        return true;
    }
    SetStatus(CBatchReport::Converting(static_cast<int>(jobs.size())));
    Start(jobs, bReplace);
    return true;
}

void CResultsList::InsertItem(int nRow, int nItem) {
    HWND hList = static_cast<HWND>(m_hList);
    const CRow& row = m_rows[static_cast<size_t>(nRow)];
    const std::wstring strName = Wide(FileNameOf(row.m_strPath).c_str());
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = nItem;
    item.iImage = row.m_nIcon < 0 ? I_IMAGENONE : row.m_nIcon;
    item.pszText = const_cast<LPWSTR>(strName.c_str());
    item.lParam = nRow;
    const int nAt =
        static_cast<int>(SendMessageW(hList, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    SetCellText(hList, nAt, 1, row.m_strResult);
}

void CResultsList::ApplyFilter() {
    HWND hList = static_cast<HWND>(m_hList);
    const int nSelected = RowOfItem(ListView_GetNextItem(hList, -1, LVNI_SELECTED));
    CBulkChange change(hList);
    ListView_DeleteAllItems(hList);
    int nItem = 0;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (!(m_bOnlyNotConverted && m_rows[i].m_bHidden)) {
            InsertItem(static_cast<int>(i), nItem++);
        }
    }
    // The row that was selected stays so, when it is still listed.
    const int nAgain = ItemOfRow(nSelected);
    if (nAgain >= 0) {
        ListView_SetItemState(hList, nAgain, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(hList, nAgain, FALSE);
    }
}

void CResultsList::ShowOnlyNotConverted(bool bOnly) {
    m_bOnlyNotConverted = bOnly;
    SendDlgItemMessageW(static_cast<HWND>(m_hDlg), IDC_ONLY_NOT_CONVERTED, BM_SETCHECK,
                        bOnly ? BST_CHECKED : BST_UNCHECKED, 0);
    ApplyFilter();
}

int CResultsList::ItemOfRow(int nRow) const {
    if (nRow < 0 || nRow >= static_cast<int>(m_rows.size())) {
        return -1;
    }
    if (!m_bOnlyNotConverted) {
        return nRow; // every row is listed, in order
    }
    LVFINDINFOW find = {};
    find.flags = LVFI_PARAM;
    find.lParam = nRow;
    return static_cast<int>(SendMessageW(static_cast<HWND>(m_hList), LVM_FINDITEMW,
                                         static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

int CResultsList::RowOfItem(int nItem) const {
    if (nItem < 0) {
        return -1;
    }
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = nItem;
    if (!SendMessageW(static_cast<HWND>(m_hList), LVM_GETITEMW, 0,
                      reinterpret_cast<LPARAM>(&item)) ||
        item.lParam < 0 || item.lParam >= static_cast<LPARAM>(m_rows.size())) {
        return -1;
    }
    return static_cast<int>(item.lParam);
}

void CResultsList::Start(const std::vector<CConvertJob>& jobs, bool bReplace) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_news.clear();
        m_nDone = 0;
        m_bEnded = false;
    }
    // The engine runs on a thread of its own (and its workers, one per
    // core); what it has done waits here for the window's thread, which a
    // posted message wakes.
    HWND hDlg = static_cast<HWND>(m_hDlg);
    m_thread = std::thread([this, jobs, bReplace, hDlg, items = m_twiItems] {
        CBatchEngine engine;
        engine.m_twiItems = items;
        engine.m_bNoClobber = bReplace ? FALSE : TRUE;
        engine.m_pCancel = &m_bCancel;
        // Rows fill in a few files at a time rather than all at the end.
        engine.m_nChunkSize = kChunkSize;
        engine.m_onProgress = [this, hDlg](int nDone, int, const CString&) {
            {
                std::lock_guard<std::mutex> guard(m_lock);
                // Workers that end together may report their counts in either order.
                m_nDone = std::max(m_nDone, nDone);
            }
            PostMessageW(hDlg, kRunMessage, 0, 0);
        };
        engine.m_onResult = [this, hDlg](int nIndex, const CJobResult& result) {
            {
                std::lock_guard<std::mutex> guard(m_lock);
                m_news.emplace_back(nIndex, result);
            }
            PostMessageW(hDlg, kRunMessage, 0, 0);
        };
        engine.Run(jobs);
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_bEnded = true;
        }
        PostMessageW(hDlg, kRunMessage, 0, 0);
    });
    SetTimer(hDlg, kProgressTimer, kProgressDelayMs, nullptr);
}

void CResultsList::Cancel() {
    m_bCancel = true;
    EnableWindow(GetDlgItem(static_cast<HWND>(m_hDlg), IDC_CANCEL_RUN), FALSE);
}

void CResultsList::CancelAndWait() {
    if (m_thread.joinable()) {
        Cancel();
        m_thread.join();
        TakeNews();
    }
}

bool CResultsList::OnMessage(unsigned int nMessage, unsigned long long wParam, long long lParam) {
    switch (nMessage) {
    case kRunMessage:
        TakeNews();
        return true;
    case WM_TIMER:
        if (wParam != kProgressTimer) {
            return false;
        }
        KillTimer(static_cast<HWND>(m_hDlg), kProgressTimer);
        ShowProgress(IsRunning());
        return true;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_ONLY_NOT_CONVERTED && HIWORD(wParam) == BN_CLICKED) {
            ShowOnlyNotConverted(SendDlgItemMessageW(static_cast<HWND>(m_hDlg),
                                                     IDC_ONLY_NOT_CONVERTED, BM_GETCHECK, 0,
                                                     0) == BST_CHECKED);
            return true;
        }
        if (LOWORD(wParam) == IDC_COMPARE && HIWORD(wParam) == BN_CLICKED) {
            CompareSelected();
            return true;
        }
        if (LOWORD(wParam) != IDC_CANCEL_RUN) {
            return false;
        }
        Cancel();
        return true;
    case WM_NOTIFY:
        return OnNotify(reinterpret_cast<const NMHDR*>(lParam));
    default:
        return false;
    }
}

void CResultsList::TakeNews() {
    std::vector<std::pair<int, CJobResult>> news;
    int nDone = 0;
    bool bEnded = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        news.swap(m_news);
        nDone = m_nDone;
        bEnded = m_bEnded;
    }
    SendDlgItemMessageW(static_cast<HWND>(m_hDlg), IDC_PROGRESS, PBM_SETPOS,
                        static_cast<WPARAM>(nDone), 0);
    if (!news.empty()) {
        CBulkChange change(static_cast<HWND>(m_hList));
        for (const auto& [nIndex, result] : news) {
            ShowResult(nIndex, result);
        }
    }
    if (bEnded && m_thread.joinable()) {
        m_thread.join();
        Finish();
    }
}

void CResultsList::ShowResult(int nIndex, const CJobResult& result) {
    if (nIndex < 0 || nIndex >= static_cast<int>(m_rows.size())) {
        return;
    }
    HWND hList = static_cast<HWND>(m_hList);
    CRow& row = m_rows[static_cast<size_t>(nIndex)];
    row.m_strResult = Wide(CBatchReport::ResultText(result));
    row.m_nIcon = IconOf(result);
    row.m_bHidden = CBatchReport::HiddenByFilter(true, result);
    row.m_strDetail = WithoutCr(Wide(CBatchReport::ResultDetail(result)));
    if (result.m_nJobOutcome == jobUnknownType) {
        row.m_strNote = CBatchReport::ResultText(result).str();
    }
    m_report.Add(result);
    const int nItem = ItemOfRow(nIndex);
    if (nItem < 0) {
        return;
    }
    if (m_bOnlyNotConverted && row.m_bHidden) {
        ListView_DeleteItem(hList, nItem);
        return;
    }
    SetCellText(hList, nItem, 1, row.m_strResult);
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = nItem;
    item.iImage = row.m_nIcon;
    SendMessageW(hList, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    if (ListView_GetItemState(hList, nItem, LVIS_SELECTED) != 0 && m_onChosen) {
        m_onChosen(row.m_strPath, row.m_nDirection, row.m_strNote); // it may have changed
    }
}

void CResultsList::Finish() {
    KillTimer(static_cast<HWND>(m_hDlg), kProgressTimer);
    ShowProgress(false);
    SetStatus(m_report.Summary(static_cast<int>(m_rows.size())));
}

void CResultsList::ShowProgress(bool bShow) {
    HWND hDlg = static_cast<HWND>(m_hDlg);
    HWND hCancel = GetDlgItem(hDlg, IDC_CANCEL_RUN);
    if (!bShow && GetFocus() == hCancel) {
        SetFocus(static_cast<HWND>(m_hList)); // the keyboard stays in the window
    }
    for (int nControl : {IDC_PROGRESS, IDC_CANCEL_RUN}) {
        ShowWindow(GetDlgItem(hDlg, nControl), bShow ? SW_SHOWNA : SW_HIDE);
    }
    m_bProgress = bShow;
    if (m_bShown) {
        LayoutFoot(); // the filter makes room for them, or takes the corner again
    }
}

void CResultsList::SetStatus(const CString& strText) {
    SetDlgItemTextW(static_cast<HWND>(m_hDlg), IDC_RESULTS_STATUS, Wide(strText).c_str());
}

class CResultsListProc {
public:
    static LRESULT CALLBACK Proc(HWND hList, UINT nMessage, WPARAM wParam, LPARAM lParam,
                                 UINT_PTR /*nId*/, DWORD_PTR pData) {
        if (nMessage == WM_MOUSEMOVE) {
            // Another row under the mouse: the tip goes, and comes back with its reason.
            auto* pList = reinterpret_cast<CResultsList*>(pData);
            LVHITTESTINFO hit = {};
            hit.pt = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            const int nRow = static_cast<int>(
                SendMessageW(hList, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
            if (nRow != pList->m_nTipRow) {
                pList->m_nTipRow = nRow;
                SendMessageW(static_cast<HWND>(pList->m_hTip), TTM_POP, 0, 0);
            }
        }
        return DefSubclassProc(hList, nMessage, wParam, lParam);
    }
};

void CResultsList::AddTooltip() {
    HWND hList = static_cast<HWND>(m_hList);
    // The reason of the row under the mouse, asked for as the tip shows; a
    // tip of the list's own, because not every list view shows its item tips.
    HWND hTip = CreateWindowExW(
        WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, static_cast<HWND>(m_hDlg),
        nullptr, GetModuleHandleW(nullptr), nullptr);
    m_hTip = hTip;
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = static_cast<HWND>(m_hDlg);
    tool.uId = reinterpret_cast<UINT_PTR>(hList);
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(hTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    // Long reasons break into lines of about two thirds of the template's width.
    RECT width{0, 0, kTipWidthUnits, 0};
    MapDialogRect(static_cast<HWND>(m_hDlg), &width);
    SendMessageW(hTip, TTM_SETMAXTIPWIDTH, 0, width.right);
    SendMessageW(hTip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 30000);
    SetWindowSubclass(hList, CResultsListProc::Proc, 0, reinterpret_cast<DWORD_PTR>(this));
}

bool CResultsList::OnNotify(const void* pHeader) {
    const NMHDR& header = *static_cast<const NMHDR*>(pHeader);
    if (header.hwndFrom == static_cast<HWND>(m_hTip) && header.code == TTN_GETDISPINFOW) {
        auto& info = *const_cast<NMTTDISPINFOW*>(static_cast<const NMTTDISPINFOW*>(pHeader));
        const int nRow = RowOfItem(m_nTipRow);
        m_strTip = nRow >= 0 ? m_rows[static_cast<size_t>(nRow)].m_strDetail : std::wstring();
        info.lpszText = m_strTip.empty() ? nullptr : m_strTip.data();
        return true;
    }
    if (header.idFrom != IDC_RESULTS) {
        return false;
    }
    if (header.code == LVN_ITEMCHANGED) {
        const auto& change = *static_cast<const NMLISTVIEW*>(pHeader);
        const bool bSelected =
            (change.uNewState & LVIS_SELECTED) != 0 && (change.uOldState & LVIS_SELECTED) == 0;
        const int nRow = bSelected ? RowOfItem(change.iItem) : -1;
        if (nRow >= 0 && m_onChosen) {
            const CRow& row = m_rows[static_cast<size_t>(nRow)];
            m_onChosen(row.m_strPath, row.m_nDirection, row.m_strNote);
        }
        UpdateCompare();
        return true;
    }
    return false;
}

void CResultsList::UpdateCompare() {
    EnableWindow(GetDlgItem(static_cast<HWND>(m_hDlg), IDC_COMPARE),
                 ListView_GetSelectedCount(static_cast<HWND>(m_hList)) >= 2);
}

void CResultsList::CompareSelected() {
    HWND hList = static_cast<HWND>(m_hList);
    std::vector<std::string> paths;
    std::vector<int> directions;
    for (int nItem = ListView_GetNextItem(hList, -1, LVNI_SELECTED); nItem >= 0;
         nItem = ListView_GetNextItem(hList, nItem, LVNI_SELECTED)) {
        const int nRow = RowOfItem(nItem);
        if (nRow >= 0) {
            paths.push_back(m_rows[static_cast<size_t>(nRow)].m_strPath);
            directions.push_back(m_rows[static_cast<size_t>(nRow)].m_nDirection);
        }
    }
    if (paths.size() >= 2 && m_onCompare) {
        m_onCompare(paths, directions);
    }
}
