#include "app/ResultsPanel.h"

#include "app/SurveyPaths.h"
#include "platform/FileSystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
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

constexpr const char* kUnknownType =
    "Not converted: the file format type can not be determined from its extension (.twi or "
    ".csv).";

QString FileName(const CString& strPath) {
    return QFileInfo(FromSurveyPath(strPath)).fileName();
}

// A message of the command on one line.
QString OneLine(const CString& strText) {
    return FromSurveyText(strText.str()).replace('\n', ' ').simplified();
}

QString Counted(int nCount, const char* pszOne, const char* pszMany) {
    return QStringLiteral("%1 %2").arg(nCount).arg(
        QString::fromLatin1(nCount == 1 ? pszOne : pszMany));
}

// The row's result: the output written or kept, or why the file was not
// converted, with what the status means.
QString ResultText(const CJobResult& result) {
    switch (result.m_nJobOutcome) {
    case jobConverted: {
        int nWarnings = 0;
        for (int i = 0; i < result.m_diagnostics.GetSize(); ++i) {
            nWarnings += result.m_diagnostics.GetAt(i).m_nSeverity == severityWarning ? 1 : 0;
        }
        QString strText = QStringLiteral("Converted to ") + FileName(result.m_strOutput);
        if (nWarnings > 0) {
            strText += QStringLiteral(" (%1)").arg(Counted(nWarnings, "warning", "warnings"));
        }
        return strText;
    }
    case jobKept:
        return QStringLiteral("Kept the existing ") + FileName(result.m_strOutput);
    case jobUnknownType:
        return QString::fromLatin1(kUnknownType);
    case jobFailed: {
        CString strMeaning;
        if (result.m_nOutcome == outcomeReadFailed) {
            strMeaning = ReadStatusText(
                result.m_nDirection == directionTwiToCsv ? formatTwi : formatCsv, result.m_nStatus);
        } else if (result.m_nOutcome == outcomeWriteFailed) {
            strMeaning = WriteStatusText(result.m_nStatus);
        }
        return (OneLine(result.m_strMessage) + " " + OneLine(strMeaning)).trimmed();
    }
    default:
        return OneLine(result.m_strMessage);
    }
}

QIcon ResultIcon(const QStyle* pStyle, const CJobResult& result) {
    switch (result.m_nJobOutcome) {
    case jobConverted:
        return pStyle->standardIcon(QStyle::SP_DialogApplyButton);
    case jobKept:
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
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
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

QStringList CResultsPanel::SurveyFilesOf(const QStringList& paths) {
    QStringList files;
    for (const QString& strPath : paths) {
        const QFileInfo info(strPath);
        if (!info.isDir()) {
            files << strPath;
            continue;
        }
        const QDir folder(strPath);
        for (const QString& strName :
             folder.entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase)) {
            const QString strExt = QFileInfo(strName).suffix();
            if (strExt.compare(QStringLiteral("twi"), Qt::CaseInsensitive) == 0 ||
                strExt.compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0) {
                files << folder.filePath(strName);
            }
        }
    }
    return files;
}

int CResultsPanel::ExistingOutputs(const std::vector<CConvertJob>& jobs) {
    // The engine's own plan: an output that would replace another file of
    // the run is refused there, and one that is its own source by the command.
    std::vector<CJobResult> results(jobs.size());
    std::vector<char> bConvert(jobs.size(), 0);
    CBatchEngine::Plan(jobs, results, bConvert);
    int nExisting = 0;
    for (size_t i = 0; i < jobs.size(); ++i) {
        FileIdentity output, source;
        if (bConvert[i] && GetFileIdentity(results[i].m_strOutput, output) &&
            !(GetFileIdentity(jobs[i].m_strPath, source) && source == output)) {
            ++nExisting;
        }
    }
    return nExisting;
}

QString CResultsPanel::ReplaceQuestion(int nExisting) {
    if (nExisting == 1) {
        return QStringLiteral("1 of the converted files already exists. Replace it?");
    }
    return QStringLiteral("%1 of the converted files already exist. Replace them?").arg(nExisting);
}

bool CResultsPanel::ConvertMany(const QStringList& paths, const Question& askReplace) {
    if (IsRunning()) {
        return false;
    }
    const QStringList files = SurveyFilesOf(paths);
    std::vector<CConvertJob> jobs;
    for (const QString& strFile : files) {
        jobs.push_back(CConvertJob{ToSurveyPath(strFile), directionNone});
    }

    const int nExisting = ExistingOutputs(jobs);
    const bool bReplace = nExisting == 0 || askReplace(ReplaceQuestion(nExisting));

    m_pList->clear();
    for (size_t i = 0; i < jobs.size(); ++i) {
        auto* pItem = new QTreeWidgetItem(m_pList);
        pItem->setText(0, QFileInfo(files[static_cast<qsizetype>(i)]).fileName());
        pItem->setToolTip(0, files[static_cast<qsizetype>(i)]);
        pItem->setText(1, QString::fromLatin1(kWaiting));
        pItem->setData(0, kPathRole, files[static_cast<qsizetype>(i)]);
        pItem->setData(0, kDirectionRole, CBatchEngine::DirectionOf(jobs[i]));
    }
    show();
    emit started();
    m_nConverted = m_nKept = m_nCancelled = 0;
    m_pProgress->setRange(0, static_cast<int>(jobs.size()));
    m_pProgress->setValue(0);
    m_pCancel->setEnabled(true);
    m_bCancel = false;
    if (jobs.empty()) {
        m_pStatus->setText(QStringLiteral("No survey files (.twi or .csv) to convert."));
        emit finished();
        return true;
    }
    m_pStatus->setText(
        QStringLiteral("Converting %1...").arg(Counted(int(jobs.size()), "file", "files")));

    // The engine runs on a thread of its own (and its workers, one per
    // core); the count of files done and then the results, in the order of
    // the files, come back to the window's thread.
    m_pThread = QThread::create([this, jobs, bReplace, hook = m_fileEndHook] {
        CBatchEngine engine;
        engine.m_bNoClobber = bReplace ? FALSE : TRUE;
        engine.m_pCancel = &m_bCancel;
        // Rows fill in a few files at a time rather than all at the end.
        engine.m_nChunkSize = kChunkSize;
        engine.m_onProgress = [this, &hook](int nDone, int /*nTotal*/, const CString&) {
            if (hook) {
                hook(nDone);
            }
            QMetaObject::invokeMethod(
                this, [this, nDone] { m_pProgress->setValue(nDone); }, Qt::QueuedConnection);
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
    return true;
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
    // The whole story on the row: the result and the lines that explain it.
    QString strDetail = ResultText(result);
    if (!result.m_diagnostics.IsEmpty()) {
        strDetail += QStringLiteral("\n\n") + FromSurveyText(result.m_diagnostics.Describe().str());
    }
    pItem->setToolTip(1, strDetail);
    if (result.m_nJobOutcome == jobUnknownType) {
        pItem->setData(0, kNoteRole, QString::fromLatin1(kUnknownType));
    }
    m_nConverted += result.m_nJobOutcome == jobConverted ? 1 : 0;
    m_nKept += result.m_nJobOutcome == jobKept ? 1 : 0;
    m_nCancelled += result.m_nJobOutcome == jobCancelled ? 1 : 0;
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
    // "4 files: 2 converted, 1 kept, 1 not converted (cancelled)."
    const int nTotal = m_pList->topLevelItemCount();
    const int nOthers = nTotal - m_nConverted - m_nKept;
    QString strStatus =
        Counted(nTotal, "file", "files") + QStringLiteral(": %1 converted").arg(m_nConverted);
    if (m_nKept > 0) {
        strStatus += QStringLiteral(", %1 kept").arg(m_nKept);
    }
    if (nOthers > 0) {
        strStatus += QStringLiteral(", %1 not converted").arg(nOthers);
    }
    strStatus += m_nCancelled > 0 ? QStringLiteral(" (cancelled).") : QStringLiteral(".");
    m_pStatus->setText(strStatus);
    emit finished();
}

void CResultsPanel::OnSelectionChanged() {
    const QList<QTreeWidgetItem*> selected = m_pList->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    const QTreeWidgetItem* pItem = selected.first();
    emit fileChosen(pItem->data(0, kPathRole).toString(), pItem->data(0, kDirectionRole).toInt(),
                    pItem->data(0, kNoteRole).toString());
}
