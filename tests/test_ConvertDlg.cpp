// The Veltrane window, driven as a user would: Browse, the direction box,
// Convert, drops, the About box. The whole suite runs under a comma-decimal
// locale, as a German user runs the program.
#include "VeltraneVersion.h"
#include "app/AboutDlg.h"
#include "app/ConvertApp.h"
#include "app/ConvertDlg.h"
#include "app/OutputOptions.h"
#include "app/PreviewPanel.h"
#include "app/ResultsPanel.h"
#include "formats/csv/CsvDataFile.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QUrl>
#include <QtTest>
#include <clocale>
#include <cstdio>
#include <functional>

namespace {

constexpr const char* kCommaLocale = "de_DE.UTF-8";

// One spiral survey in both formats: each converts into the other.
const QByteArray kTwiSurvey = " D  M  Y    H  M  S\r\n"
                              "12 02 10,  20 28 45     RUN ID.   : 0000\r\n"
                              "DEPTH     : 10.0\r\n"
                              "INTERVAL  : 2.0\r\n"
                              "010.00,     1.2 deg\r\n"
                              "008.00,     0.9 deg\r\n"
                              "006.00,     0.5 deg\r\n"
                              "004.00,     0.3 deg\r\n"
                              "002.00,     0.1 deg\r\n"
                              "\r\n"
                              "RUN END\r\n";

const QByteArray kCsvSurvey = "KVN Digital Inclinometer Data\r\n"
                              "File Version,2.20\r\n"
                              "File Type,Digital Spiral\r\n"
                              "Site,\r\n"
                              "Borehole,\r\n"
                              "Probe Serial#,\r\n"
                              "Reel Serial#,\r\n"
                              "Reading Date(m/d/y),02/12/2010,20:28:45\r\n"
                              "Depth,10.0,-2.0\r\n"
                              "Interval,2.0\r\n"
                              "Depth Units,feet\r\n"
                              "Reading Units,degrees\r\n"
                              "Operator,\r\n"
                              "Comment:\r\n"
                              "Comment End:\r\n"
                              "Offset Correction,0.000000\r\n"
                              "\r\n"
                              "Depth,Face A+,Face A-,Face B+,Face B-\r\n"
                              "\r\n"
                              "-2.0,0.1,1.2,0.0,0.0\r\n"
                              "-4.0,0.2,1.1,0.0,0.0\r\n"
                              "-6.0,0.2,0.9,0.0,0.0\r\n"
                              "-8.0,0.4,0.7,0.0,0.0\r\n"
                              "-10.0,0.3,0.3,0.0,0.0\r\n";

// The messages as the user reads them, written out so that a changed text
// fails here.
const QString kMsgUnknownType =
    QStringLiteral("The file format type can not determined.\r\nSelect the type from combo box "
                   "before pressing the Convert button.");
const QString kMsgConverted = QStringLiteral("Spiral data file converted. New file located at\r\n");
const QString kMsgNoDirection =
    QStringLiteral("Select the conversion direction before pressing the Convert button.");

void WriteFile(const QString& strPath, const QByteArray& bytes) {
    QFile file(strPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QString FromCString(const CString& str) {
    return QString::fromLocal8Bit(static_cast<const char*>(str));
}

CString ToCString(const QString& strPath) {
    return CString(QFile::encodeName(strPath).constData());
}

QByteArray ReadFile(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A main window whose file dialog, message box and question are replaced:
// Browse returns m_strChoice, every message is kept together with what the
// selection box showed when it came, and every question is kept and answered
// with m_bAnswer.
struct Window {
    Window() {
        dlg.SetFileChooser([this](QWidget*) { return m_strChoice; });
        dlg.SetMessageSink([this](QWidget*, const QString& strCaption, const QString& strText) {
            m_captions << strCaption;
            m_messages << strText;
            m_shownAtMessage << Selection()->toPlainText();
        });
        dlg.SetQuestionSink([this](QWidget*, const QString&, const QString& strText) {
            m_questions << strText;
            return m_bAnswer;
        });
    }

    QPlainTextEdit* Selection() { return dlg.findChild<QPlainTextEdit*>("selection"); }
    QComboBox* Direction() { return dlg.findChild<QComboBox*>("direction"); }
    QPushButton* Button(const char* pszName) { return dlg.findChild<QPushButton*>(pszName); }

    void Browse(const QString& strChoice) {
        m_strChoice = strChoice;
        Button("browse")->click();
    }
    void Convert() { Button("convert")->click(); }
    void ClearMessages() {
        m_captions.clear();
        m_messages.clear();
        m_shownAtMessage.clear();
    }

    CConvertDlg dlg;
    QString m_strChoice;
    QStringList m_captions;
    QStringList m_messages;
    QStringList m_shownAtMessage;
    QStringList m_questions;
    bool m_bAnswer = true;
};

// Triggers whatever should open a modal dialog, and hands that dialog to
// onModal once it is up (from inside its event loop).
void WithNextModal(const std::function<void(QWidget*)>& onModal,
                   const std::function<void()>& trigger) {
    QTimer::singleShot(0, [onModal] { onModal(QApplication::activeModalWidget()); });
    trigger();
}

} // namespace

class TestConvertDlg : public QObject {
    Q_OBJECT

private slots:
    void startState();
    void browseGuessesDirection_data();
    void browseGuessesDirection();
    void cancelKeepsSelection();
    void fileDialogChoices();
    void handPickedDirection();
    void convertEndToEnd_data();
    void convertEndToEnd();
    void convertFileException();
    void replaceAsksFirst();
    void dropSelectsFile_data();
    void dropSelectsFile();
    void aboutOpens_data();
    void aboutOpens();
    void contextMenuOffersAbout();
    void dialogsEnd_data();
    void dialogsEnd();
    void commaLocaleWritesSameBytes_data();
    void commaLocaleWritesSameBytes();
    void savePictures();
    void outputFolderRememberedAndUsed();
    void twiFieldsReadBackOrRefused();
};

void TestConvertDlg::startState() {
    Window w;
    QCOMPARE(w.dlg.windowTitle(), QStringLiteral("Veltrane"));
    QVERIFY(w.Selection()->toPlainText().isEmpty());
    QVERIFY(w.Selection()->isReadOnly());
    QVERIFY(w.dlg.Command().m_strSelection.IsEmpty());
    QCOMPARE(w.Direction()->count(), 2);
    QCOMPARE(w.Direction()->itemText(0), QStringLiteral("TWI (*.twi) ----> KVN (*.csv)"));
    QCOMPARE(w.Direction()->itemText(1), QStringLiteral("KVN (*.csv) ---> TWI (*.twi)"));
    QCOMPARE(w.Direction()->currentIndex(), 0);
    QVERIFY(w.Direction()->isEditable());
    QCOMPARE(w.dlg.GetDirection(), 0);
    QCOMPARE(w.Button("browse")->text(), QStringLiteral("Browse..."));
    QCOMPARE(w.Button("convert")->text(), QStringLiteral("Convert"));
    // No OK, no Cancel: the Cancel of a run over many files shows during one
    // only. Browse, Convert, and Choose of the output folder.
    const QList<QPushButton*> buttons = w.dlg.findChildren<QPushButton*>();
    QCOMPARE(std::count_if(buttons.begin(), buttons.end(),
                           [&w](QPushButton* pButton) { return pButton->isVisibleTo(&w.dlg); }),
             3);

    const QList<QAction*> actions = w.dlg.actions();
    QVERIFY(std::any_of(actions.begin(), actions.end(), [](QAction* pAction) {
        return pAction->text() == QStringLiteral("&About Veltrane...");
    }));

    // A window that grows for the preview, with minimise and maximise boxes,
    // opening larger than its minimum.
    QCOMPARE(w.dlg.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    QVERIFY(w.dlg.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(w.dlg.windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(!(w.dlg.windowFlags() & Qt::WindowContextHelpButtonHint));
    QVERIFY(w.dlg.width() > w.dlg.minimumWidth() && w.dlg.height() > w.dlg.minimumHeight());

    // The focus starts in the selection box, and Tab follows the rows.
    w.dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&w.dlg));
    QCOMPARE(QApplication::focusWidget(), w.Selection());
    QList<QWidget*> order;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* pFocus = QApplication::focusWidget();
        order << (pFocus == w.Direction()->lineEdit() ? w.Direction() : pFocus);
    }
    QCOMPARE(order, (QList<QWidget*>{w.Button("browse"), w.Direction(), w.Button("convert"),
                                     w.dlg.findChild<QWidget*>("besideSource")}));
}

void TestConvertDlg::browseGuessesDirection_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("unknownType"); // the format message comes

    QTest::newRow("upper-case csv") << "SDP_0001.CSV" << 0 << 1 << "SDP_0001" << false;
    QTest::newRow("mixed-case twi") << "B12.Twi" << 1 << 0 << "B12" << false;
    QTest::newRow("twi that does not exist") << "absent.twi" << 1 << 0 << "absent" << false;
    QTest::newRow("last dot counts") << "SDP_site.4.csv" << 0 << 1 << "SDP_site.4" << false;
    QTest::newRow("other extension keeps 0") << "notes.txt" << 0 << 0 << "notes" << true;
    QTest::newRow("other extension keeps 1") << "notes.txt" << 1 << 1 << "notes" << true;
    QTest::newRow("no extension") << "README" << 1 << 1 << "README" << true;
    QTest::newRow("csv inside the name") << "csv.notes" << 1 << 1 << "csv" << true;
}

void TestConvertDlg::browseGuessesDirection() {
    QFETCH(QString, name);
    QFETCH(int, before);
    QFETCH(int, after);
    QFETCH(QString, title);
    QFETCH(bool, unknownType);

    QTemporaryDir dir;
    Window w;
    const QString strEarlier = dir.filePath(before == 1 ? "earlier.csv" : "earlier.twi");
    w.Browse(strEarlier);
    QCOMPARE(w.Direction()->currentIndex(), before);
    w.ClearMessages();

    const QString strPath = dir.filePath(name);
    w.Browse(strPath);
    QCOMPARE(w.Selection()->toPlainText(), strPath);
    QCOMPARE(w.Direction()->currentIndex(), after);
    QCOMPARE(w.dlg.GetDirection(), after);
    QCOMPARE(FromCString(w.dlg.Command().m_strFileTitle), title);
    QCOMPARE(FromCString(w.dlg.Command().m_strPathName), strPath);

    if (unknownType) {
        // The message comes while the box still shows the earlier file.
        QCOMPARE(w.m_messages, QStringList{kMsgUnknownType});
        QCOMPARE(w.m_shownAtMessage, QStringList{strEarlier});
        QCOMPARE(w.m_captions, QStringList{QStringLiteral("test_ConvertDlg")});
    } else {
        QVERIFY(w.m_messages.isEmpty());
    }
}

void TestConvertDlg::cancelKeepsSelection() {
    Window w;
    w.Browse("/data/SDP_0001.csv");
    w.Browse(QString()); // the file dialog was cancelled
    QCOMPARE(w.Selection()->toPlainText(), QStringLiteral("/data/SDP_0001.csv"));
    QVERIFY(w.dlg.Command().m_strPathName == "/data/SDP_0001.csv");
    QCOMPARE(w.Direction()->currentIndex(), 1);
    QVERIFY(w.m_messages.isEmpty());
}

void TestConvertDlg::fileDialogChoices() {
    // The real file dialog: its four choices as the user reads them, the
    // first one selected and listing only surveys, and cancel choosing nothing.
    QTemporaryDir dir;
    for (const char* pszName : {"SDP_0001.csv", "other.csv", "B12.TWI", "notes.txt"}) {
        WriteFile(dir.filePath(pszName), "x");
    }
    const QString strOldCurrent = QDir::currentPath();
    QDir::setCurrent(dir.path());

    QStringList choices;
    QStringList listed;
    bool bAnyName = false;
    QString strChosen = QStringLiteral("unchanged");
    WithNextModal(
        [&](QWidget* pModal) {
            auto* pDialog = qobject_cast<QFileDialog*>(pModal);
            if (pDialog == nullptr) {
                return;
            }
            auto cancel = qScopeGuard([pDialog] { pDialog->reject(); });
            auto* pTypes = pDialog->findChild<QComboBox*>("fileTypeCombo");
            for (int i = 0; pTypes != nullptr && i < pTypes->count(); ++i) {
                choices << pTypes->itemText(i);
            }
            bAnyName = pDialog->fileMode() == QFileDialog::AnyFile;
            auto* pList = pDialog->findChild<QListView*>("listView");
            QTRY_VERIFY(pList != nullptr && pList->model()->rowCount(pList->rootIndex()) > 0);
            for (int i = 0; i < pList->model()->rowCount(pList->rootIndex()); ++i) {
                listed << pList->model()->index(i, 0, pList->rootIndex()).data().toString();
            }
        },
        [&] { strChosen = CConvertDlg::ChooseSurveyFile(nullptr); });
    QDir::setCurrent(strOldCurrent);

    QCOMPARE(choices, (QStringList{"All Spiral Files (*.csv;*.twi)", "KVN Spiral Files (*.csv)",
                                   "TWI Spiral Files (*.twi)", "All Files (*.*)"}));
    listed.sort();
    QCOMPARE(listed, (QStringList{"B12.TWI", "SDP_0001.csv"}));
    QVERIFY(bAnyName);
    QVERIFY(strChosen.isEmpty());
}

void TestConvertDlg::handPickedDirection() {
    Window w;
    w.Browse("/data/B12.twi");
    QCOMPARE(w.dlg.GetDirection(), 0);

    // Picking the other entry overrides the guess.
    w.Direction()->setCurrentIndex(1);
    QCOMPARE(w.dlg.GetDirection(), 1);

    // Typed text selects no direction, and Convert says so.
    w.Direction()->lineEdit()->setText(QStringLiteral("TWI to CSV"));
    QCOMPARE(w.dlg.GetDirection(), -1);
    w.Convert();
    QCOMPARE(w.m_messages, QStringList{kMsgNoDirection});

    // The next Browse guesses again.
    w.Browse("/data/C7.twi");
    QCOMPARE(w.Direction()->currentText(), w.Direction()->itemText(0));
    QCOMPARE(w.dlg.GetDirection(), 0);
}

void TestConvertDlg::convertEndToEnd_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QString>("message");

    QTest::newRow("twi to csv") << "B12.twi" << kTwiSurvey << "SDP_B12.csv" << kCsvSurvey
                                << kMsgConverted + "%1";
    QTest::newRow("csv to twi") << "SDP_0001.csv" << kCsvSurvey << "SDP_0001.twi" << kTwiSurvey
                                << kMsgConverted + "%1";
    // What went wrong follows the first line, with the line of the file.
    QTest::newRow("missing twi") << "absent.twi" << QByteArray() << "SDP_absent.csv" << QByteArray()
                                 << "Error reading data file, code = -1.\r\n\r\n"
                                    "error: the file cannot be opened: no such file or folder";
    QTest::newRow("csv read as twi")
        << "SDP_0001.csv" << kCsvSurvey << "" << QByteArray()
        << "Error reading data file, code = -3.\r\n\r\n"
           "line 1: error: the first line is not the caption \" D  M  Y    H  M  S\": this is "
           "not a TWI survey file";
    QTest::newRow("nothing selected")
        << "" << QByteArray() << "" << QByteArray() << "No file selected.";
}

void TestConvertDlg::convertEndToEnd() {
    QFETCH(QString, source);
    QFETCH(QByteArray, content);
    QFETCH(QString, output);
    QFETCH(QByteArray, expected);
    QFETCH(QString, message);

    QTemporaryDir dir;
    Window w;
    if (!source.isEmpty()) {
        if (!content.isEmpty()) {
            WriteFile(dir.filePath(source), content);
        }
        w.Browse(dir.filePath(source));
    }
    if (QTest::currentDataTag() == QByteArray("csv read as twi")) {
        w.Direction()->setCurrentIndex(0);
    }
    const QStringList before = QDir(dir.path()).entryList(QDir::Files);

    // Twice: the second press replaces the first output with the same bytes.
    for (int nPress = 0; nPress < 2; ++nPress) {
        w.ClearMessages();
        w.Convert();
        const QString strExpected =
            message.contains("%1") ? message.arg(dir.filePath(output)) : message;
        QCOMPARE(w.m_messages, QStringList{strExpected});
        if (expected.isEmpty()) {
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files), before);
        } else {
            QCOMPARE(ReadFile(dir.filePath(output)), expected);
        }
    }
    // Converting leaves the selection as it was.
    QCOMPARE(w.Selection()->toPlainText(), source.isEmpty() ? QString() : dir.filePath(source));
}

void TestConvertDlg::convertFileException() {
#ifndef Q_OS_LINUX
    QSKIP("needs Linux's /proc/self/mem to fail a read");
#endif
    // Reading process memory at address 0 fails with an I/O error: the file
    // exception reaches the window, which names the file and carries on.
    Window w;
    w.Browse(QStringLiteral("/proc/self/mem"));
    w.ClearMessages();
    w.Convert();
    QCOMPARE(w.m_messages.size(), 1);
    QVERIFY2(w.m_messages.first().contains("/proc/self/mem"), qPrintable(w.m_messages.first()));
    QVERIFY(w.dlg.isEnabled());

    QTemporaryDir dir;
    WriteFile(dir.filePath("B12.twi"), kTwiSurvey);
    w.Browse(dir.filePath("B12.twi"));
    w.ClearMessages();
    w.Convert();
    QCOMPARE(w.m_messages, QStringList{kMsgConverted + dir.filePath("SDP_B12.csv")});
}

void TestConvertDlg::dropSelectsFile_data() {
    // Files of the test's folder, or a web address.
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("one survey") << QStringList{"SDP_0001.csv"} << true;
    // Several files are listed, waiting for Convert, not selected.
    QTest::newRow("two files") << QStringList{"SDP_0001.csv", "B12.twi"} << true;
    QTest::newRow("web address") << QStringList{"https://example.com/SDP_0001.csv"} << false;
}

void TestConvertDlg::dropSelectsFile() {
    QFETCH(QStringList, names);
    QFETCH(bool, accepted);

    QTemporaryDir dir;
    WriteFile(dir.filePath("SDP_0001.csv"), kCsvSurvey);
    WriteFile(dir.filePath("B12.twi"), kTwiSurvey);
    QList<QUrl> urls;
    for (const QString& strName : names) {
        urls << (strName.contains("://") ? QUrl(strName)
                                         : QUrl::fromLocalFile(dir.filePath(strName)));
    }

    Window w;
    w.dlg.show();
    QMimeData data;
    data.setUrls(urls);
    QPoint ptDrop(5, 5);
    QDragEnterEvent enter(ptDrop, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w.dlg, &enter);
    QCOMPARE(enter.isAccepted(), accepted);
    if (!accepted) {
        return;
    }
    QSignalSpy finished(&w.dlg.Preview().Results(), &CResultsPanel::finished);
    QDropEvent drop(QPointF(ptDrop), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w.dlg, &drop);
    if (names.size() > 1) {
        // Listed for Convert, not selected as one file, and nothing converted yet.
        QCOMPARE(w.Selection()->toPlainText(), QStringLiteral("2 files and folders chosen"));
        QVERIFY(w.dlg.Command().m_strSelection.IsEmpty());
        QVERIFY(!QFile::exists(dir.filePath("SDP_0001.twi")));
        w.dlg.findChild<QPushButton*>(QStringLiteral("convert"))->click();
        QVERIFY(finished.count() > 0 || finished.wait(20000));
        QCOMPARE(ReadFile(dir.filePath("SDP_0001.twi")), kTwiSurvey);
        QCOMPARE(ReadFile(dir.filePath("SDP_B12.csv")), kCsvSurvey);
        return;
    }
    QCOMPARE(w.Selection()->toPlainText(), dir.filePath("SDP_0001.csv"));
    QCOMPARE(w.dlg.GetDirection(), 1);
    QVERIFY(w.dlg.Command().m_strFileTitle == "SDP_0001");
    QVERIFY(!QFile::exists(dir.filePath("SDP_0001.twi"))); // selected, not converted
}

void TestConvertDlg::aboutOpens_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("menu item") << "menu item";
    QTest::newRow("F1") << "F1";
    QTest::newRow("picture") << "picture";
}

void TestConvertDlg::aboutOpens() {
    QFETCH(QString, how);
    Window w;
    w.dlg.show();

    // Twice in a row: each box closes before the window responds again.
    for (int nTime = 0; nTime < 2; ++nTime) {
        w.dlg.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.dlg));
        QString strSeen;
        WithNextModal(
            [&strSeen](QWidget* pModal) {
                auto* pAbout = qobject_cast<CAboutDlg*>(pModal);
                if (pAbout != nullptr) {
                    strSeen = pAbout->windowTitle();
                    const QList<QLabel*> labels = pAbout->findChildren<QLabel*>();
                    for (QLabel* pLabel : labels) {
                        strSeen += "|" + pLabel->text();
                    }
                    pAbout->reject();
                }
            },
            [&] {
                if (how == "menu item") {
                    w.dlg.actions().first()->trigger();
                } else if (how == "F1") {
                    QTest::keyClick(&w.dlg, Qt::Key_F1);
                } else {
                    QTest::mouseClick(w.dlg.findChild<QLabel*>("picture"), Qt::LeftButton);
                }
            });
        QVERIFY2(strSeen.startsWith("About Veltrane|"), qPrintable(strSeen));
        // The version the build was configured with.
        QVERIFY(strSeen.contains("|Veltrane Version " VELTRANE_VERSION_SHORT "|"));
        QVERIFY(strSeen.contains("\nVersion " VELTRANE_VERSION_TEXT));
    }
}

void TestConvertDlg::contextMenuOffersAbout() {
    Window w;
    w.dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&w.dlg));
    // Right clicks on the window and on the selection box.
    for (QWidget* pTarget : {static_cast<QWidget*>(&w.dlg), w.Selection()->viewport()}) {
        QStringList items;
        QTimer::singleShot(0, [&items] {
            if (auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (QAction* pAction : pMenu->actions()) {
                    items << pAction->text();
                }
                pMenu->close();
            }
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(3, 3),
                                pTarget->mapToGlobal(QPoint(3, 3)));
        QApplication::sendEvent(pTarget, &event);
        QVERIFY(!items.isEmpty());
        QCOMPARE(items.last(), QStringLiteral("&About Veltrane..."));
    }
}

void TestConvertDlg::dialogsEnd_data() {
    QTest::addColumn<bool>("about");
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("result");

    QTest::newRow("window, Escape") << false << "Escape" << int(QDialog::Rejected);
    QTest::newRow("window, close") << false << "close" << int(QDialog::Rejected);
    QTest::newRow("about, OK") << true << "OK" << int(QDialog::Accepted);
    QTest::newRow("about, Enter") << true << "Enter" << int(QDialog::Accepted);
    QTest::newRow("about, Escape") << true << "Escape" << int(QDialog::Rejected);
    QTest::newRow("about, close") << true << "close" << int(QDialog::Rejected);
}

void TestConvertDlg::dialogsEnd() {
    QFETCH(bool, about);
    QFETCH(QString, how);
    QFETCH(int, result);

    Window w;
    CAboutDlg dlgAbout;
    QDialog* pDialog = about ? static_cast<QDialog*>(&dlgAbout) : &w.dlg;
    QTimer::singleShot(0, [pDialog, how] {
        if (how == "OK") {
            pDialog->findChild<QPushButton*>()->click();
        } else if (how == "Enter") {
            QTest::keyClick(pDialog, Qt::Key_Return);
        } else if (how == "Escape") {
            QTest::keyClick(pDialog, Qt::Key_Escape);
        } else {
            pDialog->close();
        }
    });
    // A watchdog, so that a dialog that stays open fails instead of hanging.
    QTimer::singleShot(5000, pDialog, [pDialog] { pDialog->done(-1); });
    QCOMPARE(pDialog->exec(), result);
    QVERIFY(!pDialog->isVisible());
}

void TestConvertDlg::replaceAsksFirst() {
    QTemporaryDir dir;
    Window w;
    WriteFile(dir.filePath("B12.twi"), kTwiSurvey);
    const QString strOutput = dir.filePath("SDP_B12.csv");
    WriteFile(strOutput, "a field file");
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    QVERIFY(QFile::setPermissions(strOutput, readOnly));
    w.Browse(dir.filePath("B12.twi"));

    // No writes nothing and says nothing more.
    w.m_bAnswer = false;
    w.Convert();
    const QString strQuestion = QStringLiteral("SDP_B12.csv already exists in %1. Replace it?")
                                    .arg(QDir::toNativeSeparators(dir.path()));
    QCOMPARE(w.m_questions, QStringList{strQuestion});
    QVERIFY(w.m_messages.isEmpty());
    QCOMPARE(ReadFile(strOutput), QByteArray("a field file"));

    // Yes replaces it, and the file keeps its read-only access.
    w.m_bAnswer = true;
    w.Convert();
    QCOMPARE(w.m_messages, QStringList{kMsgConverted + strOutput});
    QCOMPARE(ReadFile(strOutput), kCsvSurvey);
    QCOMPARE(QFile::permissions(strOutput) & 0x7077, readOnly); // owner, group, others

    // The question itself: Yes and No, No the default.
    bool bAnswer = true;
    WithNextModal(
        [](QWidget* pModal) {
            auto* pBox = qobject_cast<QMessageBox*>(pModal);
            QVERIFY(pBox != nullptr);
            QCOMPARE(pBox->standardButtons(), QMessageBox::Yes | QMessageBox::No);
            QCOMPARE(pBox->defaultButton(), pBox->button(QMessageBox::No));
            QTest::keyClick(pBox, Qt::Key_Return);
        },
        [&] { bAnswer = CConvertDlg::AskYesNo(&w.dlg, "veltrane", strQuestion); });
    QVERIFY(!bAnswer);
}

void TestConvertDlg::commaLocaleWritesSameBytes_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("output");
    QTest::newRow("twi to csv") << "B12.twi" << kTwiSurvey << "SDP_B12.csv";
    QTest::newRow("csv to twi") << "SDP_0001.csv" << kCsvSurvey << "SDP_0001.twi";
}

void TestConvertDlg::commaLocaleWritesSameBytes() {
    QFETCH(QString, source);
    QFETCH(QByteArray, content);
    QFETCH(QString, output);

    // The suite was started under the comma-decimal locale, and the
    // application leaves it as the user has it: the C library itself writes
    // numbers with a comma.
    const QByteArray strNumeric = std::setlocale(LC_NUMERIC, nullptr);
    QVERIFY2(strNumeric.startsWith("de_DE"),
             "the de_DE.UTF-8 locale is missing: scripts/install-deps.sh generates it");
    {
        char szNumber[16];
        std::snprintf(szNumber, sizeof szNumber, "%.1f", 2.0);
        QCOMPARE(QByteArray(szNumber), QByteArray("2,0"));
    }

    auto convert = [&](const QString& strFolder, QByteArray& bytes) {
        Window w;
        WriteFile(strFolder + "/" + source, content);
        w.Browse(strFolder + "/" + source);
        w.Convert();
        QCOMPARE(w.m_messages.size(), 1);
        QVERIFY2(w.m_messages.first().startsWith(kMsgConverted), qPrintable(w.m_messages.first()));
        bytes = ReadFile(strFolder + "/" + output);
    };
    QTemporaryDir dirComma;
    QTemporaryDir dirC;
    QByteArray bytesComma;
    QByteArray bytesC;
    convert(dirComma.path(), bytesComma);
    std::setlocale(LC_ALL, "C");
    convert(dirC.path(), bytesC);
    std::setlocale(LC_ALL, "");

    QVERIFY(!bytesC.isEmpty());
    QCOMPARE(bytesComma, bytesC);
}

void TestConvertDlg::savePictures() {
    // A long path, to show it wrapping onto the second line of the box.
    // The narrowest window, where the rows are as they always were.
    Window w;
    const QString strLong = QStringLiteral("/home/surveys/North Slope Cut/2026 spiral checks/"
                                           "inclinometer I-3 after casing install/SDP_I-3.csv");
    w.Browse(strLong);
    w.dlg.resize(w.dlg.minimumSize());
    w.dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.dlg));
    QTextLayout* pLayout = w.Selection()->document()->firstBlock().layout();
    QCOMPARE(pLayout->lineCount(), 2);
    // Both lines fit in the box.
    QTextDocument* pDocument = w.Selection()->document();
    QVERIFY(pDocument->documentLayout()->blockBoundingRect(pDocument->firstBlock()).height() <=
            w.Selection()->viewport()->height());

    CAboutDlg dlgAbout;
    dlgAbout.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlgAbout));

    // Each picture is its window at its size, with more than its background
    // drawn: text, frames, the icon.
    const QString strFolder = QStringLiteral(VELTRANE_PICTURE_DIR);
    const std::pair<QWidget*, QString> pictures[] = {{&w.dlg, "/veltrane-window.png"},
                                                     {&dlgAbout, "/veltrane-about.png"}};
    for (const auto& [pWindow, strName] : pictures) {
        QVERIFY(pWindow->grab().save(strFolder + strName));
        const QImage picture(strFolder + strName);
        QCOMPARE(picture.size(), pWindow->grab().size());
        QSet<QRgb> colours;
        for (int y = 0; y < picture.height(); y += 2) {
            for (int x = 0; x < picture.width(); x += 2) {
                colours.insert(picture.pixel(x, y));
            }
        }
        QVERIFY2(colours.size() > 8, qPrintable(strName));
    }
    qInfo("Pictures of the window: %s/veltrane-window.png and veltrane-about.png",
          qPrintable(strFolder));
}

// The output folder chosen in one window is where the next window's Convert
// writes, one file or several; a folder gone since is refused, not made.
void TestConvertDlg::outputFolderRememberedAndUsed() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("field")) &&
            QDir(dir.path()).mkpath(QStringLiteral("out")));
    const QString strField = dir.filePath(QStringLiteral("field"));
    const QString strOut = dir.filePath(QStringLiteral("out"));
    WriteFile(strField + "/B12.twi", kTwiSurvey);
    WriteFile(strField + "/SDP_C7.csv", kCsvSurvey);
    {
        Window w;
        // Back to beside the source for the tests after this one.
        auto guard = qScopeGuard([&w] { w.dlg.Options().BesideSource()->click(); });
        QVERIFY(w.dlg.Options().BesideSource()->isChecked());
        w.dlg.Options().SetFolderChooser([&](QWidget*, const QString&) { return strOut; });
        w.dlg.Options().InFolder()->click(); // no folder yet: it asks for one
        QCOMPARE(w.dlg.Options().OutputFolder(), QDir::toNativeSeparators(strOut));
        guard.dismiss();
    }
    Window w;
    auto guard = qScopeGuard([&w] { w.dlg.Options().BesideSource()->click(); });
    QVERIFY(w.dlg.Options().InFolder()->isChecked());
    QCOMPARE(w.dlg.Options().OutputFolder(), QDir::toNativeSeparators(strOut));
    // Kept where a new run of the program finds it.
    const QSettings stored(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Veltrane"),
                           QStringLiteral("Veltrane"));
    QCOMPARE(stored.value(QStringLiteral("output/folder")).toString(),
             QDir::toNativeSeparators(strOut));

    w.Browse(strField + "/B12.twi");
    w.Convert();
    QCOMPARE(ReadFile(strOut + "/SDP_B12.csv"), kCsvSurvey);
    QVERIFY(!QFile::exists(strField + "/SDP_B12.csv"));
    QVERIFY(w.m_messages.last().endsWith(QStringLiteral("out/SDP_B12.csv")));

    // Several files go there too.
    QVERIFY(QFile::remove(strOut + "/SDP_B12.csv"));
    QSignalSpy finished(&w.dlg.Preview().Results(), &CResultsPanel::finished);
    w.dlg.SetFilesChooser([&](QWidget*) {
        return QStringList{strField + "/B12.twi", strField + "/SDP_C7.csv"};
    });
    w.Button("browse")->click();
    w.Convert();
    QVERIFY(finished.count() > 0 || finished.wait(20000));
    QCOMPARE(ReadFile(strOut + "/SDP_B12.csv"), kCsvSurvey);
    QCOMPARE(ReadFile(strOut + "/SDP_C7.twi"), kTwiSurvey);
    QCOMPARE(QDir(strField).entryList(QDir::Files).size(), 2);

    // The folder removed since: refused with the command's sentence.
    QVERIFY(QDir(strOut).removeRecursively());
    w.Browse(strField + "/B12.twi");
    w.ClearMessages();
    w.Convert();
    QCOMPARE(w.m_messages, QStringList{QStringLiteral("The output folder %1 does not exist.")
                                           .arg(QDir::toNativeSeparators(strOut))});
    QVERIFY(!QFile::exists(strOut));
}

// For a TWI source the window offers site, borehole and depth unit: given,
// they read back through the KVN CSV reader as typed; a text the reader
// would not read back the same is refused with the command's sentence, and
// nothing is written.
void TestConvertDlg::twiFieldsReadBackOrRefused() {
    QTemporaryDir dir;
    WriteFile(dir.filePath("B12.twi"), kTwiSurvey);
    WriteFile(dir.filePath("SDP_C7.csv"), kCsvSurvey);
    Window w;
    COutputOptions& options = w.dlg.Options();
    w.Browse(dir.filePath("SDP_C7.csv"));
    QVERIFY(!options.TwiFieldsShown());
    w.Browse(dir.filePath("B12.twi"));
    QVERIFY(options.TwiFieldsShown());

    const QString strLongest(70, QLatin1Char('b')); // "Borehole," and 70 fill 79 bytes
    options.SiteField()->setText(QStringLiteral("North Slope Cut"));
    options.BoreholeField()->setText(strLongest);
    options.DepthUnitBox()->setCurrentIndex(options.DepthUnitBox()->findText("meters"));
    w.Convert();
    CCsvDataFile reader;
    CPlotDataObj data;
    QCOMPARE(reader.ReadSurvey(ToCString(dir.filePath("SDP_B12.csv")), &data), 0);
    QCOMPARE(FromCString(data.m_strSite), QStringLiteral("North Slope Cut"));
    QCOMPARE(FromCString(data.m_strBorehole), strLongest);
    QCOMPARE(FromCString(data.m_strDepthUnits), QStringLiteral("meters"));
    QVERIFY(QFile::remove(dir.filePath("SDP_B12.csv")));

    const struct {
        const char* field;
        QString text;
        QString message;
    } refused[] = {
        {"site", QStringLiteral("Dam,"),
         QStringLiteral("The site \"Dam,\" starts or ends with a blank, or ends with a comma, "
                        "which a reader of the KVN CSV file drops.")},
        {"site", QStringLiteral(" Dam"), QStringLiteral("The site \" Dam\" starts or ends")},
        {"borehole", strLongest + "b",
         QStringLiteral("The borehole \"%1b\" is 71 characters long, and the Borehole line of a "
                        "KVN CSV file holds 70 at most.")
             .arg(strLongest)},
        {"borehole", QStringLiteral("B\u00e9"), QStringLiteral("The borehole \"B")},
    };
    for (const auto& c : refused) {
        options.SiteField()->clear();
        options.BoreholeField()->clear();
        w.dlg.findChild<QLineEdit*>(c.field)->setText(c.text);
        QVERIFY(options.ProblemLabel()->isVisibleTo(&w.dlg));
        w.ClearMessages();
        w.Convert();
        QCOMPARE(w.m_messages.size(), 1);
        QVERIFY2(w.m_messages.first().startsWith(c.message), qPrintable(w.m_messages.first()));
        QCOMPARE(options.ProblemLabel()->text(), w.m_messages.first());
        QVERIFY(!QFile::exists(dir.filePath("SDP_B12.csv")));
        if (&c == &refused[0]) {
            w.dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w.dlg));
            QVERIFY(w.dlg.grab().save(QStringLiteral(VELTRANE_PICTURE_DIR) +
                                      QStringLiteral("/veltrane-window-refused-site.png")));
        }
    }

    // The picture of the window with a folder chosen and the fields filled.
    options.BoreholeField()->setText(QStringLiteral("B-12"));
    options.SiteField()->setText(QStringLiteral("North Slope Cut"));
    auto guard = qScopeGuard([&options] { options.BesideSource()->click(); });
    options.SetFolderChooser([&dir](QWidget*, const QString&) { return dir.path(); });
    options.ChooseButton()->click();
    QVERIFY(options.InFolder()->isChecked());
    w.dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.dlg));
    QVERIFY(w.dlg.grab().save(QStringLiteral(VELTRANE_PICTURE_DIR) +
                              QStringLiteral("/veltrane-window-output-options.png")));
}

int main(int argc, char** argv) {
    // As a German user would start Veltrane: Qt takes the locale from here.
    qputenv("LC_ALL", kCommaLocale);
    // What the window remembers between runs stays inside the test.
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    CConvertApp app(argc, argv);
    TestConvertDlg test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_ConvertDlg.moc"
