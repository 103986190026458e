#include "app/ConvertDlg.h"

#include "app/AboutDlg.h"
#include "app/ConvertApp.h"
#include "app/DialogUnits.h"
#include "app/OutputOptions.h"
#include "app/PreviewPanel.h"
#include "app/SurveyPaths.h"
#include "convert/BatchReport.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QUrl>
#include <algorithm>
#include <memory>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace {

// The choices of the file dialog: what each shows, then what it lists. Names
// of CSV surveys start with "SDP_"; any other CSV file is listed only under
// the last choice.
const char* const kFileFilters[] = {
    "All Spiral Files (*.csv;*.twi) (SDP_*.csv *.twi)",
    "KVN Spiral Files (*.csv) (SDP_*.csv)",
    "TWI Spiral Files (*.twi) (*.twi)",
    "All Files (*.*) (*)",
};

// The window in dialog units: the narrowest, where the top rows end and the
// preview begins, and the size it opens with, room for a useful plot.
constexpr int kBaseWidth = 389;
constexpr int kPreviewTop = 53;
constexpr int kMinHeight = 200;
constexpr int kOpenWidth = 440;
constexpr int kOpenHeight = 330;

} // namespace

CConvertDlg::CConvertDlg(QWidget* pParent)
    : QDialog(pParent), m_command(*this), m_chooser(&CConvertDlg::ChooseSurveyFiles),
      m_sink([this](QWidget* pOwner, const QString& strCaption, const QString& strText) {
          ShowMessageBox(pOwner, strCaption, strText, m_bShowingConverted);
      }),
      m_question(&CConvertDlg::AskYesNo), m_pictureChooser(&CPreviewPanel::ChoosePictureFile) {
    setWindowTitle(QString::fromLatin1(kTitle));
    // A resizable window for the preview, with no help box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(CConvertApp::AppIcon());
    setAcceptDrops(true);
    CreateControls();

    m_pAboutAction = new QAction(QString::fromLatin1(kAboutItem), this);
    m_pAboutAction->setShortcut(QKeySequence(Qt::Key_F1));
    m_pAboutAction->setShortcutContext(Qt::WindowShortcut);
    connect(m_pAboutAction, &QAction::triggered, this, &CConvertDlg::OnAbout);
    addAction(m_pAboutAction);
    // Between About and Save Picture, the window's first and last actions.
    AddKeyboardPaths();

    m_pSavePictureAction = new QAction(QString::fromLatin1(kSavePictureItem), this);
    m_pSavePictureAction->setShortcut(QKeySequence::Save);
    m_pSavePictureAction->setShortcutContext(Qt::WindowShortcut);
    m_pSavePictureAction->setEnabled(false);
    connect(m_pSavePictureAction, &QAction::triggered, this, &CConvertDlg::OnSavePicture);
    connect(m_pPreview, &CPreviewPanel::plotChanged, m_pSavePictureAction, &QAction::setEnabled);
    addAction(m_pSavePictureAction);
    FitScreen();
    m_nBaseMinHeight = minimumHeight();
    connect(m_pPreview, &CPreviewPanel::roomChanged, this, &CConvertDlg::KeepPreviewRoom);
    KeepPreviewRoom();

    // The start state: nothing selected, the direction TWI to KVN CSV, and
    // the focus in the selection box, the first control of the tab order.
    m_cbDirection->setCurrentIndex(directionTwiToCsv);
    m_pSelection->setFocus();
}

void CConvertDlg::CreateControls() {
    CDialogUnits units(font());
    setMinimumSize(units.MapSize(kBaseWidth, kMinHeight));
    resize(units.MapSize(kOpenWidth, kOpenHeight));

    // The selected path, read-only; a long path wraps onto a second line.
    m_pSelection = new QPlainTextEdit(this);
    m_pSelection->setObjectName(QStringLiteral("selection"));
    m_pSelection->setGeometry(units.MapRect(5, 7, 317, 21));
    m_pSelection->setReadOnly(true);
    m_pSelection->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_pSelection->setFocusPolicy(Qt::StrongFocus);
    m_pSelection->setTabChangesFocus(true);
    m_pSelection->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_pSelection->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pSelection->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pSelection->document()->setDocumentMargin(2);
    m_pSelection->setAcceptDrops(false);
    m_pSelection->viewport()->setAcceptDrops(false);
    m_pSelection->viewport()->installEventFilter(this);

    m_pBrowse = new QPushButton(QStringLiteral("Browse..."), this);
    m_pBrowse->setObjectName(QStringLiteral("browse"));
    // No default button: what Enter does is decided in keyPressEvent.
    m_pBrowse->setAutoDefault(false);
    m_pBrowse->setGeometry(units.MapRect(324, 7, 58, 15));
    connect(m_pBrowse, &QPushButton::clicked, this, &CConvertDlg::OnBrowse);

    CreateDirectionRow(units);

    // The picture; a click on it opens the About box.
    m_pPicture = new QLabel(this);
    m_pPicture->setObjectName(QStringLiteral("picture"));
    QRect rcPicture = units.MapRect(361, 28, 21, 20);
    int nSide = qMin(rcPicture.width(), rcPicture.height());
    m_pPicture->setGeometry(rcPicture.x(), rcPicture.y(), nSide, nSide);
    m_pPicture->setPixmap(
        CConvertApp::PictureIcon().pixmap(QSize(nSide, nSide), devicePixelRatioF()));
    m_pPicture->setCursor(Qt::PointingHandCursor);
    m_pPicture->installEventFilter(this);

    setTabOrder(m_pSelection, m_pBrowse);
    setTabOrder(m_pBrowse, m_cbDirection);
    setTabOrder(m_cbDirection, m_pConvert);

    m_rcSelection = m_pSelection->geometry();
    m_rcBrowse = m_pBrowse->geometry();
    m_rcPicture = m_pPicture->geometry();
    // Under the rows: where the outputs go, and what a TWI file lacks. The
    // window grows by them, so that the preview keeps its room.
    m_pOptions = new COutputOptions(this);
    m_pOptions->setObjectName(QStringLiteral("outputOptions"));
    const int nOptions = m_pOptions->sizeHint().height();
    setMinimumHeight(minimumHeight() + nOptions);
    resize(width(), height() + nOptions);
    connect(m_pOptions, &COutputOptions::heightChanged, this, &CConvertDlg::LayOutControls);
    setTabOrder(m_pConvert, m_pOptions->BesideSource());
    setTabOrder(m_pOptions->BesideSource(), m_pOptions->InFolder());
    setTabOrder(m_pOptions->InFolder(), m_pOptions->ChooseButton());
    setTabOrder(m_pOptions->ChooseButton(), m_pOptions->SiteField());
    setTabOrder(m_pOptions->SiteField(), m_pOptions->BoreholeField());
    setTabOrder(m_pOptions->BoreholeField(), m_pOptions->DepthUnitBox());
    m_pPreview = new CPreviewPanel(this);
    m_pPreview->setObjectName(QStringLiteral("preview"));
    setTabOrder(m_pOptions->DepthUnitBox(), m_pPreview);
    connect(m_cbDirection, &QComboBox::currentIndexChanged, this, &CConvertDlg::OnDirectionChanged);
    connect(m_cbDirection, &QComboBox::editTextChanged, this, &CConvertDlg::OnDirectionChanged);
    LayOutControls();
}

void CConvertDlg::AddKeyboardPaths() {
    const auto addShortcut = [this](QList<QKeySequence> keys, auto handler) {
        auto* pAction = new QAction(this);
        pAction->setShortcuts(keys);
        pAction->setShortcutContext(Qt::WindowShortcut);
        connect(pAction, &QAction::triggered, this, handler);
        addAction(pAction);
    };
    const auto key = [](const char* pszKey) { return QKeySequence(QString::fromLatin1(pszKey)); };
    addShortcut({key(kBrowseKey)}, &CConvertDlg::OnBrowse);
    // Enter of the keypad too.
    addShortcut({key(kConvertKey), QKeySequence(Qt::CTRL | Qt::Key_Enter)},
                &CConvertDlg::OnConvert);
    addShortcut({key(kDirectionKey)}, [this] { m_cbDirection->setFocus(Qt::ShortcutFocusReason); });
    // The keys are told where the mouse rests, not on the fixed texts.
    const auto keyText = [&key](const char* pszKey) {
        return key(pszKey).toString(QKeySequence::NativeText);
    };
    m_pBrowse->setToolTip(
        QStringLiteral("Choose a survey file, or several (%1)").arg(keyText(kBrowseKey)));
    m_pConvert->setToolTip(
        QStringLiteral("Convert the selected file (Enter, %1)").arg(keyText(kConvertKey)));
    m_cbDirection->setToolTip(
        QStringLiteral("Conversion direction (%1)").arg(keyText(kDirectionKey)));
    m_pPicture->setToolTip(QStringLiteral("About Veltrane (F1)"));

    m_pSelection->setAccessibleName(QStringLiteral("Selected survey file"));
    m_pBrowse->setAccessibleName(QStringLiteral("Browse for a survey file"));
    m_cbDirection->setAccessibleName(QStringLiteral("Conversion direction"));
    m_pConvert->setAccessibleName(QStringLiteral("Convert"));
    m_pPicture->setAccessibleName(QStringLiteral("About Veltrane"));
    m_pPreview->setAccessibleName(QStringLiteral("Survey preview"));
}

void CConvertDlg::FitScreen() {
    const QScreen* pScreen = screen();
    if (pScreen == nullptr) {
        return;
    }
    // The frame is the desktop's and unknown before the window shows: room
    // for a title bar and borders in the window's own font.
    const int nLine = fontMetrics().height();
    const QSize available = pScreen->availableGeometry().size() - QSize(nLine, 3 * nLine);
    if (available.isEmpty()) {
        return;
    }
    setMinimumSize(minimumSize().boundedTo(available));
    resize(size().boundedTo(available));
    m_nScreenHeight = available.height();
}

void CConvertDlg::CreateDirectionRow(const CDialogUnits& units) {
    // The direction: an entry of the list, or typed text, which selects none.
    m_cbDirection = new QComboBox(this);
    m_cbDirection->setObjectName(QStringLiteral("direction"));
    m_cbDirection->setEditable(true);
    m_cbDirection->setInsertPolicy(QComboBox::NoInsert);
    for (const char* pszEntry : kDirectionEntries) {
        m_cbDirection->addItem(QString::fromLatin1(pszEntry));
    }
    m_cbDirection->lineEdit()->setAcceptDrops(false);
    m_cbDirection->lineEdit()->installEventFilter(this);

    // Where the desktop's font and style need more room for the entries than
    // the grid gives, the box grows and Convert moves along, so that no entry
    // is cut off. The box keeps its own height, level with Convert.
    QRect rcDirection = units.MapRect(5, 33, 106, 41);
    m_cbDirection->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    int nWider = qMax(0, m_cbDirection->sizeHint().width() - rcDirection.width());
    rcDirection.setWidth(rcDirection.width() + nWider);
    rcDirection.setHeight(m_cbDirection->sizeHint().height());

    m_pConvert = new QPushButton(QStringLiteral("Convert"), this);
    m_pConvert->setObjectName(QStringLiteral("convert"));
    m_pConvert->setAutoDefault(false);
    m_pConvert->setGeometry(units.MapRect(113, 32, 66, 15).translated(nWider, 0));
    connect(m_pConvert, &QPushButton::clicked, this, &CConvertDlg::OnConvert);

    rcDirection.moveTop(m_pConvert->geometry().center().y() - rcDirection.height() / 2);
    m_cbDirection->setGeometry(rcDirection);
}

void CConvertDlg::LayOutControls() {
    CDialogUnits units(font());
    const int nExtra = qMax(0, width() - units.MapSize(kBaseWidth, 0).width());
    m_pSelection->setGeometry(m_rcSelection.adjusted(0, 0, nExtra, 0));
    m_pBrowse->setGeometry(m_rcBrowse.translated(nExtra, 0));
    m_pPicture->setGeometry(m_rcPicture.translated(nExtra, 0));
    // Below the rows, as wide as they are, with the left margin under it.
    const int nLeft = m_rcSelection.left();
    const int nTop = units.MapRect(0, kPreviewTop, 0, 0).top();
    const int nRight = m_rcBrowse.right() + nExtra;
    const int nOptions = m_pOptions->sizeHint().height();
    m_pOptions->setGeometry(nLeft, nTop, nRight - nLeft + 1, nOptions);
    const int nPreviewTop = nTop + nOptions + nLeft;
    m_pPreview->setGeometry(nLeft, nPreviewTop, nRight - nLeft + 1,
                            qMax(0, height() - nPreviewTop - nLeft));
}

void CConvertDlg::KeepPreviewRoom() {
    if (m_nBaseMinHeight == 0) {
        return; // still being built
    }
    const int nMargin = m_rcSelection.left();
    int nNeeded = m_pPreview->y() + m_pPreview->minimumSizeHint().height() + nMargin;
    if (m_nScreenHeight > 0) {
        nNeeded = qMin(nNeeded, m_nScreenHeight);
    }
    setMinimumHeight(qMax(m_nBaseMinHeight, nNeeded));
    if (height() < minimumHeight()) {
        resize(width(), minimumHeight());
    }
}

void CConvertDlg::resizeEvent(QResizeEvent* pEvent) {
    QDialog::resizeEvent(pEvent);
    LayOutControls();
}

void CConvertDlg::ShowTwiFieldsFor() {
    bool bTwi = GetDirection() == directionTwiToCsv;
    if (!m_manyReady.isEmpty()) {
        bTwi = std::any_of(m_manyReady.begin(), m_manyReady.end(), [](const QString& strPath) {
            return QFileInfo(strPath).isDir() ||
                   strPath.endsWith(QStringLiteral(".twi"), Qt::CaseInsensitive);
        });
    }
    m_pOptions->ShowTwiFields(bTwi);
}

bool CConvertDlg::ApplyOptions() {
    CString strFolder;
    CTwiHeaderItems items;
    QString strProblem;
    if (!m_pOptions->Collect(strFolder, items, strProblem)) {
        m_sink(this, CConvertApp::MessageCaption(), strProblem);
        return false;
    }
    m_command.SetOutputFolder(strFolder);
    m_command.SetTwiHeaderItems(items);
    m_pPreview->Results().SetOutputs(strFolder, items);
    return true;
}

void CConvertDlg::OnDirectionChanged() {
    ShowTwiFieldsFor();
    if (m_bSelecting || m_command.m_strSelection.IsEmpty()) {
        return;
    }
    const QString strPath = FromSurveyPath(m_command.m_strPathName);
    if (GetDirection() != m_pPreview->Direction() || strPath != m_pPreview->Path()) {
        m_pPreview->Preview(strPath, GetDirection());
    }
}

void CConvertDlg::SetFileChooser(FileChooser chooser) {
    m_chooser = [chooser](QWidget* pParent) {
        const QString strPath = chooser(pParent);
        return strPath.isEmpty() ? QStringList() : QStringList{strPath};
    };
}

QString CConvertDlg::ChooseSurveyFile(QWidget* pParent) {
    return ChooseSurveyFiles(pParent).value(0);
}

QStringList CConvertDlg::ChooseSurveyFiles(QWidget* pParent) {
    QFileDialog dialog(pParent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A name that does not exist is accepted; the reader reports it on Convert.
    dialog.setFileMode(QFileDialog::AnyFile);
    // Qt's own dialog shows each choice as written, patterns apart.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    QStringList filters;
    for (const char* pszFilter : kFileFilters) {
        filters << QString::fromLatin1(pszFilter);
    }
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.first());
    // Several files may be picked together (Ctrl, Shift), still accepting
    // a typed name that does not exist.
    for (const char* pszView : {"listView", "treeView"}) {
        if (auto* pView = dialog.findChild<QAbstractItemView*>(QString::fromLatin1(pszView))) {
            pView->setSelectionMode(QAbstractItemView::ExtendedSelection);
        }
    }
    if (dialog.exec() != QDialog::Accepted) {
        return QStringList();
    }
    return dialog.selectedFiles();
}

void CConvertDlg::ShowMessageBox(QWidget* pParent, const QString& strCaption,
                                 const QString& strText, bool bConverted) {
    QString strShown = strText;
    strShown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(bConverted ? QMessageBox::Information : QMessageBox::Warning, strCaption,
                    strShown, QMessageBox::Ok, pParent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool CConvertDlg::AskYesNo(QWidget* pParent, const QString& strCaption, const QString& strText) {
    QMessageBox box(QMessageBox::Question, strCaption, strText, QMessageBox::Yes | QMessageBox::No,
                    pParent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString CConvertDlg::ReplaceQuestion(const QString& strOutput) {
    const QFileInfo info(strOutput);
    return FromSurveyPath(CConvertCommand::ReplaceQuestion(
        info.fileName().toUtf8().constData(),
        QDir::toNativeSeparators(info.absolutePath()).toUtf8().constData()));
}

void CConvertDlg::OnBrowse() {
    const QStringList paths = m_chooser(this);
    if (paths.size() == 1) {
        SelectFile(paths.first());
    } else if (paths.size() > 1) {
        ListMany(paths);
    }
}

void CConvertDlg::ListMany(const QStringList& paths) {
    if (!m_pPreview->Results().ListReady(paths)) {
        ConvertMany(paths); // says why not
        return;
    }
    m_manyReady = paths;
    ShowTwiFieldsFor();
    m_pSelection->setPlainText(
        paths.size() == 1
            ? QDir::toNativeSeparators(paths.first())
            : FromSurveyText(CBatchReport::Chosen(static_cast<int>(paths.size())).str()));
}

bool CConvertDlg::ConvertMany(const QStringList& paths) {
    const bool bStarted = m_pPreview->Results().ConvertMany(paths, [this](const QString& strText) {
        return m_question(this, CConvertApp::MessageCaption(), strText);
    });
    if (!bStarted) {
        m_sink(this, CConvertApp::MessageCaption(),
               QString::fromLatin1(CBatchReport::kStillRunning));
    }
    return bStarted;
}

void CConvertDlg::SelectFile(const QString& strPath) {
    m_manyReady.clear();
    m_bSelecting = true;
    const int nDirection = m_command.SelectFile(ToSurveyPath(strPath));
    if (nDirection != directionNone) {
        m_cbDirection->setCurrentIndex(nDirection);
    }
    m_pSelection->setPlainText(FromSurveyPath(m_command.m_strSelection));
    setWindowTitle(FromSurveyPath(m_command.WindowTitle()));
    m_bSelecting = false;
    ShowTwiFieldsFor();
    m_pPreview->Preview(FromSurveyPath(m_command.m_strPathName), GetDirection());
}

void CConvertDlg::OnConvert() {
    // With nothing chosen, the command says so whatever the options hold.
    const bool bChosen = !m_manyReady.isEmpty() || !m_command.m_strSelection.IsEmpty();
    if (bChosen && !ApplyOptions()) {
        return;
    }
    // Several files chosen stay chosen: Convert again converts them again
    // (finding them up to date), as it does one file.
    if (!m_manyReady.isEmpty()) {
        ConvertMany(m_manyReady);
        return;
    }
    // A file exception must not unwind through Qt's event handling.
    m_command.OnConvertButton();
}

void CConvertDlg::OnAbout() {
    CAboutDlg dlgAbout(this);
    dlgAbout.exec();
}

void CConvertDlg::OnSavePicture() {
    if (!m_pPreview->HasPicture()) {
        return;
    }
    const QString strPath = m_pictureChooser(this, m_pPreview->SuggestedPictureName());
    QString strError;
    if (!strPath.isEmpty() && !m_pPreview->SavePicture(strPath, &strError)) {
        m_sink(this, CConvertApp::MessageCaption(),
               QStringLiteral("The picture could not be saved.\n") + strError);
    }
}

int CConvertDlg::GetDirection() {
    return CConvertCommand::DirectionOfBox(m_cbDirection->currentIndex(),
                                           m_cbDirection->currentText().toUtf8().constData());
}

BOOL CConvertDlg::ConfirmReplace(CString strOutput) {
    // Replacing a file silently could destroy a field file the user needs.
    return m_question(this, CConvertApp::MessageCaption(),
                      ReplaceQuestion(FromSurveyPath(strOutput)))
               ? TRUE
               : FALSE;
}

void CConvertDlg::ShowMessage(CString strText) {
    m_bShowingConverted = m_command.m_nMessageOutcome == outcomeConverted;
    m_sink(this, CConvertApp::MessageCaption(), FromSurveyPath(strText));
    m_bShowingConverted = false;
}

bool CConvertDlg::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pWatched == m_pPicture && pEvent->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(pEvent)->button() == Qt::LeftButton) {
        OnAbout();
        return true;
    }
    // The text fields keep their own menu (copy, paste) and add the About item.
    if (pEvent->type() == QEvent::ContextMenu &&
        (pWatched == m_pSelection->viewport() || pWatched == m_cbDirection->lineEdit())) {
        auto* pContext = static_cast<QContextMenuEvent*>(pEvent);
        std::unique_ptr<QMenu> pMenu(pWatched == m_pSelection->viewport()
                                         ? m_pSelection->createStandardContextMenu(pContext->pos())
                                         : m_cbDirection->lineEdit()->createStandardContextMenu());
        pMenu->addSeparator();
        pMenu->addAction(m_pAboutAction);
        pMenu->exec(pContext->globalPos());
        return true;
    }
    return QDialog::eventFilter(pWatched, pEvent);
}

void CConvertDlg::contextMenuEvent(QContextMenuEvent* pEvent) {
    QMenu menu(this);
    menu.addAction(m_pSavePictureAction);
    menu.addSeparator();
    menu.addAction(m_pAboutAction);
    menu.exec(pEvent->globalPos());
}

void CConvertDlg::keyPressEvent(QKeyEvent* pEvent) {
    const Qt::KeyboardModifiers modifiers = pEvent->modifiers() & ~Qt::KeypadModifier;
    const bool bEnter = pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter;
    if (bEnter && modifiers == Qt::NoModifier) {
        // Enter on a push button presses it; anywhere else it does the next
        // step of the window's work.
        if (auto* pButton = qobject_cast<QPushButton*>(focusWidget())) {
            pButton->click();
        } else if (m_command.EnterConverts() || !m_manyReady.isEmpty()) {
            OnConvert(); // the selected file, or the files listed for Convert
        } else {
            OnBrowse();
        }
        return;
    }
    if (pEvent->key() == Qt::Key_Escape && modifiers == Qt::NoModifier &&
        m_pPreview->Results().IsRunning()) {
        m_pPreview->Results().Cancel();
        return;
    }
    QDialog::keyPressEvent(pEvent);
}

void CConvertDlg::closeEvent(QCloseEvent* pEvent) {
    m_pPreview->Results().CancelAndWait();
    QDialog::closeEvent(pEvent);
}

QString CConvertDlg::DroppedFile(const QMimeData* pData) {
    if (pData == nullptr || !pData->hasUrls() || pData->urls().size() != 1 ||
        !pData->urls().first().isLocalFile()) {
        return QString();
    }
    return pData->urls().first().toLocalFile();
}

QStringList CConvertDlg::DroppedFiles(const QMimeData* pData) {
    QStringList paths;
    if (pData == nullptr || !pData->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : pData->urls()) {
        if (!url.isLocalFile()) {
            return QStringList();
        }
        paths << url.toLocalFile();
    }
    return paths;
}

void CConvertDlg::dragEnterEvent(QDragEnterEvent* pEvent) {
    if (!DroppedFiles(pEvent->mimeData()).isEmpty()) {
        pEvent->acceptProposedAction();
    }
}

void CConvertDlg::dropEvent(QDropEvent* pEvent) {
    // One file is selected, to be looked at and converted with Convert;
    // several files or a folder are listed, and converted with Convert too.
    const QString strPath = DroppedFile(pEvent->mimeData());
    const QStringList paths = DroppedFiles(pEvent->mimeData());
    if (paths.isEmpty()) {
        return;
    }
    pEvent->acceptProposedAction();
    if (!strPath.isEmpty() && !QFileInfo(strPath).isDir()) {
        SelectFile(strPath);
    } else {
        ListMany(paths);
    }
}

#ifdef Q_OS_WIN
// The command id of the About item in the system menu.
constexpr UINT kIdAboutBox = 0x0010;

// On Windows the About item goes into the real system menu, after a separator.
void CConvertDlg::showEvent(QShowEvent* pEvent) {
    QDialog::showEvent(pEvent);
    if (m_bSystemMenuReady) {
        return;
    }
    m_bSystemMenuReady = true;
    HMENU hMenu = ::GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (hMenu != nullptr) {
        ::AppendMenuW(hMenu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(hMenu, MF_STRING, kIdAboutBox,
                      reinterpret_cast<LPCWSTR>(QString::fromLatin1(kAboutItem).utf16()));
    }
}

bool CConvertDlg::nativeEvent(const QByteArray& eventType, void* pMessage, qintptr* pResult) {
    auto* pMsg = static_cast<MSG*>(pMessage);
    if (pMsg->message == WM_SYSCOMMAND && (pMsg->wParam & 0xFFF0) == kIdAboutBox) {
        OnAbout();
        *pResult = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, pMessage, pResult);
}
#endif
