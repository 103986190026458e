// Many files at once in the Windows window: the files dropped or chosen
// together (a folder gives its surveys) are listed as ready, converted by the
// batch engine of veltrane-convert on a thread of their own when Convert is
// pressed, and listed with how each ended. Selecting a row shows that file in
// the preview; "Only files not converted" hides the rows that succeeded.
#pragma once

#include "convert/BatchEngine.h"
#include "convert/BatchReport.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class CResultsList {
public:
    // The message the run posts to the dialog when it has news for the list.
    static constexpr unsigned int kRunMessage = 0x8000 + 21; // WM_APP + 21
    // How long a run goes before the progress bar and Cancel appear.
    static constexpr unsigned int kProgressDelayMs = 500;

    // A row was selected: its file (UTF-8), its direction, and what to say
    // in place of a preview when it has no direction.
    std::function<void(const std::string& strPath, int nDirection, const std::string& strNote)>
        m_onChosen;
    // Compare, offered while several rows are selected: their files and
    // directions, in the list's order.
    std::function<void(const std::vector<std::string>& paths, const std::vector<int>& directions)>
        m_onCompare;

    ~CResultsList();
    // Creates the list, the count, the filter, the progress bar and Cancel
    // in the dialog, hidden until files are listed, in tab order after what
    // is there.
    void Create(void* hDlg);
    void UseDialogFont();
    // Places the list from nTop down, up to half of the room to nBottom;
    // returns where the preview under it starts (nTop while hidden).
    int Layout(int nLeft, int nTop, int nRight, int nBottom);

    // Converts the files as veltrane-convert does (see CBatchPlan); outputs
    // that exist already are asked about once, before anything is written
    // (askReplace: TRUE for Yes). FALSE, and nothing started, while an
    // earlier run is still going.
    bool ConvertMany(const std::vector<std::string>& paths,
                     const std::function<bool(const std::wstring&)>& askReplace);
    // Lists the surveys that ConvertMany would convert as ready, converting
    // nothing; FALSE (and nothing listed) while a run is going.
    bool ListReady(const std::vector<std::string>& paths);
    bool IsRunning() const { return m_thread.joinable(); }
    // Shows only the rows of files not converted, or every row.
    void ShowOnlyNotConverted(bool bOnly);
    // Stops the run after the files under way; the rest are not converted.
    void Cancel();
    // Cancels a run and returns once the files under way are in place and
    // listed, and the run has ended.
    void CancelAndWait();

    // The dialog's messages for the list; true for one it handled.
    bool OnMessage(unsigned int nMessage, unsigned long long wParam, long long lParam);

    // Where the outputs of the next run go (empty: beside each source) and
    // the header items given for the KVN CSV outputs of TWI sources.
    void SetOutputs(const CString& strFolder, const CTwiHeaderItems& items) {
        m_strOutputFolder = strFolder;
        m_twiItems = items;
    }

private:
    void UpdateCompare();
    void CompareSelected();
    // The list's own procedure, which follows the row under the mouse.
    friend class CResultsListProc;

    // A file of the list; the list view shows those the filter lets
    // through, each item holding the index of its row.
    struct CRow {
        std::string m_strPath;
        int m_nDirection = 0;
        std::wstring m_strResult; // the Result column
        int m_nIcon = -1;         // none until the result
        bool m_bHidden = false;   // by the filter
        std::wstring m_strDetail; // the tooltip
        std::string m_strNote;    // in place of a preview
    };

    // The surveys the paths name (a folder gives its own).
    std::vector<CConvertJob> SurveysOf(const std::vector<std::string>& paths) const;
    // A row for each, with its state (waiting, ready), and the list on show.
    void ListFiles(const std::vector<CConvertJob>& jobs, const char* pszState);
    // The list view's item of row nRow; -1 while the filter hides it.
    int ItemOfRow(int nRow) const;
    // The row of the list view's item nItem; -1 for none.
    int RowOfItem(int nItem) const;
    void InsertItem(int nRow, int nItem);
    // The rows again, each shown or hidden by the filter.
    void ApplyFilter();
    // The foot: the count, the filter, and during a run progress and Cancel.
    void LayoutFoot();
    void Start(const std::vector<CConvertJob>& jobs, bool bReplace);
    // Shows what the run posted since the last call; ends the run once it has.
    void TakeNews();
    void ShowResult(int nIndex, const CJobResult& result);
    void Finish();
    void ShowProgress(bool bShow);
    void SetStatus(const CString& strText);
    bool OnNotify(const void* pHeader);
    // The reason of a row in a tip while the mouse is over it.
    void AddTooltip();

    void* m_hDlg = nullptr;
    void* m_hList = nullptr;
    void* m_hTip = nullptr;
    int m_nTipRow = -1;    // the row under the mouse
    std::wstring m_strTip; // the tip on show
    bool m_bShown = false;
    bool m_bOnlyNotConverted = false;
    bool m_bProgress = false; // progress and Cancel on show
    // Where the foot goes, from the last layout.
    int m_nFootLeft = 0, m_nFootTop = 0, m_nFootRight = 0;
    std::vector<CRow> m_rows;
    CBatchReport m_report;

    std::thread m_thread;
    std::atomic<bool> m_bCancel{false};
    // What the run has posted and the window not yet shown.
    std::mutex m_lock;
    std::vector<std::pair<int, CJobResult>> m_news;
    int m_nDone = 0;
    bool m_bEnded = false;
    CString m_strOutputFolder;
    CTwiHeaderItems m_twiItems;
};
