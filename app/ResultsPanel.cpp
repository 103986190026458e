#include "app/ResultsPanel.h"

#include "app/SurveyPaths.h"
#include "convert/BatchReport.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// Files whose outputs go in place together, and whose rows then appear.
constexpr size_t kChunkSize = 16;

// What a row keeps of its file.
constexpr int kPathRole = Qt::UserRole;
constexpr int kDirectionRole = Qt::UserRole + 1;
constexpr int kNoteRole = Qt::UserRole + 2;
constexpr int kSucceededRole = Qt::UserRole + 3; // converted, kept or up to date

constexpr const char* kCompareText = "&Compare";
constexpr const char* kCompareName = "Compare the selected surveys";
constexpr const char* kCompareTip =
    "The selected surveys over each other, and how far each strays from the oldest";

// A row's result as the window shows it: the words both windows share.
QString ResultText(const CJobResult& result) {
    return FromSurveyText(CBatchReport::ResultText(result).str());
}

QIcon ResultIcon(const QStyle* pStyle, const CJobResult& result) {
    switch (result.m_nJobOutcome) {
    case jobConverted:
        return pStyle->standardIcon(QStyle::SP_DialogApplyButton);
    case jobKept:
    case jobUpToDate:
    case jobOutputOfInput:
    case jobCancelled:
        return pStyle->standardIcon(QStyle::SP_MessageBoxInformation);
    default:
        return pStyle->standardIcon(QStyle::SP_MessageBoxWarning);
    }
}

} // namespace

CResultsPanel::CResultsPanel(QWidget* pParent) : QWidget(pParent) {
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);

    m_pList = new QTreeWidget(this);
    m_pList->setObjectName(QStringLiteral("results"));
    m_pList->setAccessibleName(QStringLiteral("Converted files"));
    m_pList->setColumnCount(2);
    m_pList->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Result")});
    m_pList->setRootIsDecorated(false);
    m_pList->setUniformRowHeights(true);
    // Several rows at once are compared.
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pList, &QWidget::customContextMenuRequested, this, &CResultsPanel::OnListMenu);
    m_pList->header()->setStretchLastSection(true);
    m_pList->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    connect(m_pList, &QTreeWidget::itemSelectionChanged, this, &CResultsPanel::OnSelectionChanged);
    pLayout->addWidget(m_pList, 1);

    // The count, and while a long run goes on its progress and Cancel.
    auto* pFoot = new QHBoxLayout();
    m_pStatus = new QLabel(this);
    m_pStatus->setObjectName(QStringLiteral("resultsStatus"));
    m_pStatus->setAccessibleName(QStringLiteral("Conversion summary"));
    pFoot->addWidget(m_pStatus, 1);
    // In a long list, the few files that need a look.
    m_pOnlyFailed = new QCheckBox(QString::fromLatin1(CBatchReport::kOnlyNotConverted), this);
    m_pOnlyFailed->setAccessibleName(QStringLiteral("Show only the files not converted"));
    m_pOnlyFailed->setObjectName(QStringLiteral("onlyFailed"));
    connect(m_pOnlyFailed, &QCheckBox::toggled, this, &CResultsPanel::ApplyFilter);
    pFoot->addWidget(m_pOnlyFailed);
    m_pCompare = new QPushButton(QString::fromLatin1(kCompareText), this);
    m_pCompare->setObjectName(QStringLiteral("compare"));
    m_pCompare->setAccessibleName(QString::fromLatin1(kCompareName));
    m_pCompare->setToolTip(QString::fromLatin1(kCompareTip));
    m_pCompare->setAutoDefault(false);
    m_pCompare->setEnabled(false);
    connect(m_pCompare, &QPushButton::clicked, this, &CResultsPanel::CompareSelected);
    pFoot->addWidget(m_pCompare);
    m_pProgressRow = new QWidget(this);
    auto* pProgressLayout = new QHBoxLayout(m_pProgressRow);
    pProgressLayout->setContentsMargins(0, 0, 0, 0);
    m_pProgress = new QProgressBar(m_pProgressRow);
    m_pProgress->setObjectName(QStringLiteral("progress"));
    m_pProgress->setAccessibleName(QStringLiteral("Conversion progress"));
    m_pCancel = new QPushButton(QStringLiteral("Cancel"), m_pProgressRow);
    m_pCancel->setObjectName(QStringLiteral("cancel"));
    m_pCancel->setAccessibleName(QStringLiteral("Cancel the conversion"));
    // Enter in the window never cancels a run by accident.
    m_pCancel->setAutoDefault(false);
    connect(m_pCancel, &QPushButton::clicked, this, &CResultsPanel::Cancel);
    pProgressLayout->addWidget(m_pProgress, 1);
    pProgressLayout->addWidget(m_pCancel);
    m_pProgressRow->hide();
    pFoot->addWidget(m_pProgressRow, 1);
    pLayout->addLayout(pFoot);
}

CResultsPanel::~CResultsPanel() {
    // A window closed midway ends the run after the file under way.
    if (m_pThread != nullptr) {
        m_bCancel = true;
        m_pThread->wait();
        delete m_pThread;
    }
}

QString CResultsPanel::ReplaceQuestion(int nExisting) {
    return FromSurveyText(CBatchReport::ReplaceQuestion(nExisting).str());
}

void CResultsPanel::FindSurveys(const QStringList& paths, QStringList& files,
                                std::vector<CConvertJob>& jobs) const {
    std::vector<CString> named;
    for (const QString& strPath : paths) {
        named.push_back(ToSurveyPath(strPath));
    }
    for (const CString& strFile : CBatchPlan::SurveyFilesOf(named)) {
        files << FromSurveyPath(strFile);
        jobs.push_back(CConvertJob{strFile, directionNone, m_strOutputFolder});
    }
}

bool CResultsPanel::ListReady(const QStringList& paths) {
    if (IsRunning()) {
        return false;
    }
    QStringList files;
    std::vector<CConvertJob> jobs;
    FindSurveys(paths, files, jobs);
    ListFiles(files, jobs, kReady);
    show();
    emit listed();
    m_pProgressRow->hide();
    m_pStatus->setText(FromSurveyText(
        jobs.empty() ? std::string(CBatchReport::kNoSurveys)
                     : CBatchReport::ReadyToConvert(static_cast<int>(jobs.size())).str()));
    return true;
}

bool CResultsPanel::ConvertMany(const QStringList& paths, const Question& askReplace) {
    if (IsRunning()) {
        return false;
    }
    QStringList files;
    std::vector<CConvertJob> jobs;
    FindSurveys(paths, files, jobs);

    const int nExisting = CBatchPlan::ExistingOutputs(jobs);
    const bool bReplace = nExisting == 0 || askReplace(ReplaceQuestion(nExisting));

    ListFiles(files, jobs, kWaiting);
    show();
    emit started();
    m_report = CBatchReport();
    m_pProgress->setRange(0, static_cast<int>(jobs.size()));
    m_pProgress->setValue(0);
    m_pCancel->setEnabled(true);
    m_bCancel = false;
    if (jobs.empty()) {
        m_pStatus->setText(QString::fromLatin1(CBatchReport::kNoSurveys));
        emit finished();
        return true;
    }
    m_pStatus->setText(
        FromSurveyText(CBatchReport::Converting(static_cast<int>(jobs.size())).str()));

    Start(jobs, bReplace);
    return true;
}

void CResultsPanel::ListFiles(const QStringList& files, const std::vector<CConvertJob>& jobs,
                              const char* pszState) {
    m_pList->clear();
    for (size_t i = 0; i < jobs.size(); ++i) {
        const QString& strFile = files[static_cast<qsizetype>(i)];
        auto* pItem = new QTreeWidgetItem(m_pList);
        pItem->setText(0, QFileInfo(strFile).fileName());
        pItem->setToolTip(0, strFile);
        pItem->setText(1, QString::fromLatin1(pszState));
        pItem->setData(0, kPathRole, strFile);
        pItem->setData(0, kDirectionRole, CBatchPlan::DirectionOf(jobs[i]));
    }
}

void CResultsPanel::Start(const std::vector<CConvertJob>& jobs, bool bReplace) {
    // The engine runs on a thread of its own (and its workers, one per
    // core); the count of files done and then the results, in the order of
    // the files, come back to the window's thread.
    m_pThread = QThread::create([this, jobs, bReplace, hook = m_fileEndHook, items = m_twiItems] {
        CBatchEngine engine;
        engine.m_bNoClobber = bReplace ? FALSE : TRUE;
        engine.m_twiItems = items;
        engine.m_strOtherFolderHint = "choose an output folder";
        engine.m_pCancel = &m_bCancel;
        // Rows fill in a few files at a time rather than all at the end.
        engine.m_nChunkSize = kChunkSize;
        engine.m_onProgress = [this, &hook](int nDone, int /*nTotal*/, const CString&) {
            if (hook) {
                hook(nDone);
            }
            // Workers that end together may report their counts in either order.
            QMetaObject::invokeMethod(
                this, [this, nDone] { m_pProgress->setValue(qMax(nDone, m_pProgress->value())); },
                Qt::QueuedConnection);
        };
        engine.m_onResult = [this](int nIndex, const CJobResult& result) {
            QMetaObject::invokeMethod(
                this, [this, nIndex, result] { ShowResult(nIndex, result); }, Qt::QueuedConnection);
        };
        engine.Run(jobs);
    });
    connect(m_pThread, &QThread::finished, this, &CResultsPanel::Finish, Qt::QueuedConnection);
    m_pThread->start();
    // Only for this run: an earlier one's timer may still be pending.
    const int nRun = ++m_nRun;
    QTimer::singleShot(kProgressDelayMs, this, [this, nRun] {
        if (IsRunning() && nRun == m_nRun) {
            m_pProgressRow->show();
        }
    });
}

void CResultsPanel::Cancel() {
    m_bCancel = true;
    m_pCancel->setEnabled(false);
}

void CResultsPanel::CancelAndWait() {
    if (m_pThread != nullptr) {
        Cancel();
        m_pThread->wait();
        // The rows and the end of the run, queued by the run, shown now.
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    }
}

QSize CResultsPanel::sizeHint() const {
    constexpr int kShownRows = 6;
    const int nRows = std::clamp(m_pList->topLevelItemCount(), 1, kShownRows);
    // Rows get an icon with their result: as tall as it, or as the text.
    const QTreeWidgetItem* pFirst = m_pList->topLevelItem(0);
    const int nLaidOut = pFirst != nullptr ? m_pList->visualItemRect(pFirst).height() : 0;
    const int nIcon = m_pList->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, m_pList);
    const int nRowHeight = qMax(nLaidOut, qMax(fontMetrics().height(), nIcon) + 4);
    const int nList =
        m_pList->header()->sizeHint().height() + nRows * nRowHeight + 2 * m_pList->frameWidth() + 2;
    const int nFoot = qMax(m_pStatus->sizeHint().height(), m_pProgressRow->sizeHint().height());
    return QSize(QWidget::sizeHint().width(), nList + layout()->spacing() + nFoot);
}

QString CResultsPanel::StatusText() const {
    return m_pStatus->text();
}

void CResultsPanel::ShowResult(int nIndex, const CJobResult& result) {
    QTreeWidgetItem* pItem = m_pList->topLevelItem(nIndex);
    if (pItem == nullptr) {
        return;
    }
    pItem->setText(1, ResultText(result));
    pItem->setIcon(1, ResultIcon(style(), result));
    pItem->setData(0, kSucceededRole, result.Succeeded() != FALSE);
    pItem->setHidden(CBatchReport::HiddenByFilter(m_pOnlyFailed->isChecked(), result));
    // The whole story on the row: the result and the lines that explain it.
    pItem->setToolTip(1, FromSurveyText(CBatchReport::ResultDetail(result).str()));
    if (result.m_nJobOutcome == jobUnknownType) {
        pItem->setData(0, kNoteRole, ResultText(result));
    }
    m_report.Add(result);
    if (pItem->isSelected()) {
        OnSelectionChanged(); // the file may have changed: show it again
    }
}

void CResultsPanel::Finish() {
    if (m_pThread != nullptr) {
        m_pThread->wait();
        delete m_pThread;
        m_pThread = nullptr;
    }
    m_pProgressRow->hide();
    m_pStatus->setText(FromSurveyText(m_report.Summary(m_pList->topLevelItemCount()).str()));
    emit finished();
}

void CResultsPanel::CompareSelected() {
    QStringList paths;
    QList<int> directions;
    for (int i = 0; i < m_pList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* pItem = m_pList->topLevelItem(i);
        if (pItem->isSelected() && !pItem->isHidden()) {
            paths << pItem->data(0, kPathRole).toString();
            directions << pItem->data(0, kDirectionRole).toInt();
        }
    }
    if (paths.size() >= 2) {
        emit compareChosen(paths, directions);
    }
}

void CResultsPanel::OnListMenu(const QPoint& at) {
    QMenu menu(this);
    QAction* pCompare = menu.addAction(QString::fromLatin1(kCompareText));
    pCompare->setEnabled(m_pCompare->isEnabled());
    connect(pCompare, &QAction::triggered, this, &CResultsPanel::CompareSelected);
    menu.exec(m_pList->viewport()->mapToGlobal(at));
}

void CResultsPanel::OnSelectionChanged() {
    const QList<QTreeWidgetItem*> selected = m_pList->selectedItems();
    m_pCompare->setEnabled(selected.size() >= 2);
    // Several rows wait for Compare; one is shown at once.
    if (selected.size() != 1) {
        return;
    }
    const QTreeWidgetItem* pItem = selected.first();
    emit fileChosen(pItem->data(0, kPathRole).toString(), pItem->data(0, kDirectionRole).toInt(),
                    pItem->data(0, kNoteRole).toString());
}

void CResultsPanel::ApplyFilter() {
    const bool bOnlyFailed = m_pOnlyFailed->isChecked();
    for (int i = 0; i < m_pList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* pItem = m_pList->topLevelItem(i);
        pItem->setHidden(bOnlyFailed && pItem->data(0, kSucceededRole).toBool());
    }
}
