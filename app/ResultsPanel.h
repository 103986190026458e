// Many files at once: the files dropped or chosen together (a folder gives
// its surveys) are converted by the batch engine of veltrane-convert, off the
// window's thread and several at a time, and listed here with how each
// ended. Selecting a row shows that file in the preview.
#pragma once

#include "convert/BatchEngine.h"
#include "convert/BatchReport.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <atomic>
#include <functional>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QThread;
class QTreeWidget;

class CResultsPanel : public QWidget {
    Q_OBJECT

public:
    // Asks a question; true for Yes.
    using Question = std::function<bool(const QString& strQuestion)>;

    // How long a run goes before the progress bar and Cancel appear.
    static constexpr int kProgressDelayMs = 500;
    static constexpr const char* kWaiting = CBatchReport::kWaiting;
    static constexpr const char* kReady = CBatchReport::kReady;

    explicit CResultsPanel(QWidget* pParent = nullptr);
    ~CResultsPanel() override;

    // "3 of the converted files already exist. Replace them?"
    static QString ReplaceQuestion(int nExisting);

    // Converts the files as veltrane-convert does (see CBatchPlan): a folder
    // gives its surveys, the direction goes by each file's extension, outputs
    // beside the sources, never replacing a file of the run nor the output of
    // an earlier file of it. Outputs that exist already are asked about once, before
    // anything is written: No keeps them all. The progress follows each file,
    // the rows fill as the engine puts the outputs in place; false (and
    // nothing started) while an earlier run is still going.
    bool ConvertMany(const QStringList& paths, const Question& askReplace);
    // Lists the surveys that ConvertMany would convert as ready, converting
    // nothing; false (and nothing listed) while a run is going.
    bool ListReady(const QStringList& paths);
    bool IsRunning() const { return m_pThread != nullptr; }
    // The next runs write their outputs into strFolder (empty: beside each
    // source), and give TWI sources these header items.
    void SetOutputs(const CString& strFolder, const CTwiHeaderItems& items) {
        m_strOutputFolder = strFolder;
        m_twiItems = items;
    }
    // Stops the run after the file under way; the rest are not converted.
    void Cancel();
    // Cancels a run and returns once the files under way are in place and
    // listed, and the run has ended.
    void CancelAndWait();

    // Called on a worker of the run as each file ends, with the count of
    // files done; tests hold a run up with it.
    void SetFileEndHook(std::function<void(int nDone)> hook) { m_fileEndHook = std::move(hook); }

    QTreeWidget* List() const { return m_pList; }
    // Compare: offered while several rows are selected.
    QPushButton* CompareButton() const { return m_pCompare; }
    // Shows the selected surveys over each other (compareChosen); nothing
    // while fewer than two are selected.
    void CompareSelected();
    // Room for the rows of a run, up to a few; the survey below keeps the rest.
    QSize sizeHint() const override;
    QString StatusText() const;

signals:
    // A row was selected: its file, its direction, and what to say in
    // place of a preview when it has no direction.
    void fileChosen(const QString& strPath, int nDirection, const QString& strNote);
    // Several rows are to be compared: their files and directions, in the
    // order of the list.
    void compareChosen(const QStringList& paths, const QList<int>& directions);
    // A run began: the rows are listed, waiting for their results.
    void started();
    // Rows were listed as ready, waiting for Convert.
    void listed();
    // Every row has its result.
    void finished();

private:
    // The surveys that the paths name (a folder gives its surveys), as
    // shown and as the engine takes them.
    void FindSurveys(const QStringList& paths, QStringList& files,
                     std::vector<CConvertJob>& jobs) const;
    // A row for each file, with its state (waiting, or ready).
    void ListFiles(const QStringList& files, const std::vector<CConvertJob>& jobs,
                   const char* pszState);
    // Converts the files on a thread of the run's own.
    void Start(const std::vector<CConvertJob>& jobs, bool bReplace);
    void ShowResult(int nIndex, const CJobResult& result);
    void Finish();
    void OnSelectionChanged();
    // Hides the rows that converted while "only files not converted" is on.
    void ApplyFilter();
    // The list's menu: Compare, for the rows selected.
    void OnListMenu(const QPoint& at);

    QTreeWidget* m_pList = nullptr;
    QLabel* m_pStatus = nullptr;
    QWidget* m_pProgressRow = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QPushButton* m_pCancel = nullptr;
    QCheckBox* m_pOnlyFailed = nullptr;
    QPushButton* m_pCompare = nullptr;

    QThread* m_pThread = nullptr;
    std::function<void(int nDone)> m_fileEndHook;
    std::atomic<bool> m_bCancel{false};
    CString m_strOutputFolder;
    CTwiHeaderItems m_twiItems;
    int m_nRun = 0; // runs started
    // How many rows ended each way so far.
    CBatchReport m_report;
};
