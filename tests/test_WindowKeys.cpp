// The window from the keyboard and for screen readers: Enter and Escape, a
// run cancelled or closed midway, the plot's menu from the keys, names, the
// title, the limit typed, and the first size on a small or scaled screen.
#include "app/ConvertApp.h"
#include "app/ConvertDlg.h"
#include "app/PreviewPanel.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QSemaphore>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A shown, active window on a copy of each sample; Browse counts its calls
// and returns m_choice, messages are kept.
struct Window {
    Window() {
        for (const char* pszSample : {"SDP_I-3.csv", "BH-07.twi"}) {
            QFile::copy(QStringLiteral(VELTRANE_SAMPLE_DIR "/") + pszSample, Path(pszSample));
        }
        dlg.SetFilesChooser([this](QWidget*) {
            ++m_nBrowsed;
            return m_choice;
        });
        dlg.SetMessageSink([this](QWidget*, const QString&, const QString& s) { m_messages << s; });
        dlg.SetQuestionSink([](QWidget*, const QString&, const QString&) { return true; });
        dlg.show();
        dlg.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
    }
    QString Path(const QString& strName) { return dir.filePath(strName); }
    QWidget* Child(const QString& strName) { return dlg.findChild<QWidget*>(strName); }
    CResultsPanel& Results() { return dlg.Preview().Results(); }
    // A run over copies of BH-07.twi (several chosen in Browse).
    void ConvertMany(int nFiles) {
        m_choice.clear();
        for (int i = 0; i < nFiles; ++i) {
            m_choice << Path(QStringLiteral("B%1.twi").arg(i));
            QFile::copy(Path("BH-07.twi"), m_choice.last());
        }
        dlg.OnBrowse(); // listed, waiting for Convert
        dlg.OnConvert();
    }

    QTemporaryDir dir;
    CConvertDlg dlg;
    QStringList m_choice;
    int m_nBrowsed = 0;
    QStringList m_messages;
};

} // namespace

class TestWindowKeys : public QObject {
    Q_OBJECT

private slots:
    void enterConvertsOrBrowses_data();
    void enterConvertsOrBrowses();
    void enterConvertsListedFiles();
    void escapeCancelsAndClosingWaits();
    void plotMenuFromKeys_data();
    void plotMenuFromKeys();
    void namesTitleAndLimit();
    void firstSizeFitsScreen();
};

void TestWindowKeys::enterConvertsOrBrowses_data() {
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<bool>("converts"); // or browses
    const QKeySequence enter(Qt::Key_Return);
    QTest::newRow("nothing selected") << false << "selection" << enter << false;
    QTest::newRow("selected") << true << "selection" << enter << true;
    QTest::newRow("keypad") << true << "selection"
                            << QKeySequence(Qt::KeypadModifier | Qt::Key_Enter) << true;
    QTest::newRow("direction box") << true << "direction" << enter << true;
    QTest::newRow("plot") << true << "plot" << enter << true;
    QTest::newRow("limit field") << true << "limit" << enter << true;
    QTest::newRow("on Browse") << true << "browse" << enter << false;
    QTest::newRow("Ctrl+O") << true << "selection" << QKeySequence("Ctrl+O") << false;
    QTest::newRow("Ctrl+Return") << false << "selection" << QKeySequence("Ctrl+Return") << true;
}

void TestWindowKeys::enterConvertsOrBrowses() {
    QFETCH(bool, selected);
    QFETCH(QString, focus);
    QFETCH(QKeySequence, keys);
    QFETCH(bool, converts);
    Window w;
    if (selected) {
        w.dlg.SelectFile(w.Path("SDP_I-3.csv"));
    }
    w.Child(focus)->setFocus();
    QTest::keySequence(QApplication::focusWidget(), keys);
    QCOMPARE(w.m_nBrowsed, converts ? 0 : 1);
    QCOMPARE(w.m_messages.value(0), !converts ? QString()
                                    : selected
                                        ? CConvertCommand::kMsgConverted + w.Path("SDP_I-3.twi")
                                        : QString(CConvertCommand::kMsgNoFile));
}

// Several files listed for Convert, with no file selected before: Enter
// converts them rather than browsing again.
void TestWindowKeys::enterConvertsListedFiles() {
    Window w;
    w.m_choice = QStringList{w.Path("SDP_I-3.csv"), w.Path("BH-07.twi")};
    w.dlg.OnBrowse();
    QSignalSpy done(&w.Results(), &CResultsPanel::finished);
    w.Child("selection")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(done.count() > 0 || done.wait(20000));
    QCOMPARE(w.m_nBrowsed, 1);
    QVERIFY(QFile::exists(w.Path("SDP_I-3.twi")) && QFile::exists(w.Path("SDP_BH-07.csv")));
}

// Escape cancels a run held up on its first files, as Cancel does, and the
// window stays; closing during a run is over when the window is: each output
// whole, none after the files under way, no temporary file left.
void TestWindowKeys::escapeCancelsAndClosingWaits() {
    Window w;
    QSemaphore go;
    w.Results().SetFileEndHook([&go](int) { go.acquire(); });
    QSignalSpy done(&w.Results(), &CResultsPanel::finished);
    w.ConvertMany(QThread::idealThreadCount() + 2);
    QTest::keyClick(&w.dlg, Qt::Key_Escape);
    go.release(1000);
    QVERIFY(done.wait(20000));
    QVERIFY(w.dlg.isVisible());
    QVERIFY(w.Results().StatusText().endsWith("(cancelled)."));

    constexpr int kFiles = 40;
    QSemaphore ended;
    w.Results().SetFileEndHook([&ended](int) {
        ended.release();
        QThread::msleep(20); // the close comes while the others are under way
    });
    w.ConvertMany(kFiles);
    QVERIFY(ended.tryAcquire(1, 20000));
    QVERIFY(w.dlg.close());
    QVERIFY(!w.Results().IsRunning());
    QVERIFY(w.Results().StatusText().endsWith("(cancelled)."));
    const QStringList outputs = QDir(w.dir.path()).entryList({"SDP_B*"});
    QCOMPARE(QDir(w.dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
             2 + kFiles + outputs.size()); // the samples, sources and outputs only
    QVERIFY(outputs.size() < kFiles);
    for (const QString& strOutput : outputs) {
        QFile output(w.Path(strOutput));
        QVERIFY(output.open(QIODevice::ReadOnly) &&
                output.readAll().endsWith("-80.0,0.6,0.6,0.0,0.0\r\n"));
    }
}

void TestWindowKeys::plotMenuFromKeys_data() {
    QTest::addColumn<QKeySequence>("keys");
    QTest::newRow("Menu") << QKeySequence(Qt::Key_Menu);
    QTest::newRow("Shift+F10") << QKeySequence(Qt::SHIFT | Qt::Key_F10);
}

void TestWindowKeys::plotMenuFromKeys() {
    QFETCH(QKeySequence, keys);
    Window w;
    w.dlg.SelectFile(w.Path("BH-07.twi"));
    // The plot is on the Tab path after Convert (the output options and the
    // limit between them).
    w.Child("convert")->setFocus();
    for (int nTabs = 0; nTabs < 10 && QApplication::focusWidget() != w.Child("plot"); ++nTabs) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(QApplication::focusWidget(), w.Child("plot"));
    QString strFirst;
    QTimer::singleShot(0, [&strFirst] {
        QMenu* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (pMenu != nullptr) {
            strFirst = pMenu->actions().value(0)->text();
            pMenu->close();
        }
    });
    QTest::keySequence(w.Child("plot"), keys);
    QCOMPARE(strFirst, QString(CConvertDlg::kSavePictureItem));
}

void TestWindowKeys::namesTitleAndLimit() {
    Window w;
    QCOMPARE(w.dlg.windowTitle(), QStringLiteral("Veltrane"));
    w.dlg.SelectFile(w.Path("SDP_I-3.csv"));
    QCOMPARE(w.dlg.windowTitle(), QStringLiteral("SDP_I-3.csv - Veltrane"));
    // During a run its list, progress and Cancel show too. The files are
    // converted side by side, so each outlasts the delay before Cancel shows.
    w.Results().SetFileEndHook([](int) { QThread::msleep(2 * CResultsPanel::kProgressDelayMs); });
    w.ConvertMany(2);
    QTRY_VERIFY_WITH_TIMEOUT(w.Child("cancel")->isVisible(), 5000);
    // Every control reached by Tab, and every text that reports, is named;
    // a box's own field goes by the box's name.
    QStringList unnamed;
    for (QWidget* pWidget : w.dlg.findChildren<QWidget*>()) {
        const bool bNeeds = (pWidget->focusPolicy() & Qt::TabFocus) ||
                            (qobject_cast<QLabel*>(pWidget) && !pWidget->objectName().isEmpty());
        if (bNeeds && pWidget->isVisibleTo(&w.dlg) && pWidget->accessibleName().isEmpty() &&
            !qobject_cast<QComboBox*>(pWidget->parentWidget())) {
            unnamed << pWidget->metaObject()->className();
        }
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
    w.Results().CancelAndWait();

    // The limit as typed, with a point or the desktop's separator; anything
    // else judges nothing. The plot is described by the summary.
    const QString strOver = QStringLiteral("Over 0.5 degrees: 1 interval, at 14.0 meters");
    const QString strNone = QStringLiteral("Largest interval twist: 0.6 degrees at 14.0 meters");
    for (const QString& strTyped :
         {QStringLiteral(" 0.5 "), QLocale().toString(0.5), QStringLiteral("-1"),
          QStringLiteral("2deg"), QStringLiteral("nan"), QStringLiteral("1e999"), QString()}) {
        static_cast<QLineEdit*>(w.Child("limit"))->setText(strTyped);
        const QString strLast = strTyped.contains('5') ? strOver : strNone;
        QCOMPARE(w.dlg.Preview().SummaryLines().last(), strLast);
        QVERIFY(w.Child("plot")->accessibleDescription().endsWith("\n" + strLast));
    }
    QVERIFY(w.Child("plot")->accessibleDescription().startsWith("SDP_I-3.csv\nFormat: KVN CSV\n"));
    // The limit stays for the next survey.
    static_cast<QLineEdit*>(w.Child("limit"))->setText("0.5");
    w.dlg.SelectFile(w.Path("BH-07.twi"));
    QCOMPARE(w.dlg.Preview().SummaryLines().last(),
             "Over 0.5 degrees: 5 intervals, at 18.0, 38.0, 46.0, 70.0 and 80.0 feet");
}

// Run as is, and by ctest on a 1400 x 1000 screen at scale factor 2: the
// window opens within the screen's free area. Each run leaves a picture.
void TestWindowKeys::firstSizeFitsScreen() {
    Window w;
    w.dlg.SelectFile(w.Path("SDP_I-3.csv"));
    static_cast<QLineEdit*>(w.Child("limit"))->setText("0.3");
    const QRect available = w.dlg.screen()->availableGeometry();
    const double dScale = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
    if (dScale == 2) {
        QCOMPARE(available.size() * 2, QSize(1400, 1000));
    }
    QVERIFY(available.contains(w.dlg.frameGeometry()));
    QVERIFY(available.width() >= w.dlg.minimumWidth() &&
            available.height() >= w.dlg.minimumHeight());
    QVERIFY(w.dlg.rect().contains(w.Child("browse")->geometry()));
    const QString strPicture =
        QStringLiteral(VELTRANE_PICTURE_DIR "/veltrane-window-%1.png").arg(qRound(dScale * 100));
    QVERIFY(w.dlg.grab().save(strPicture, "PNG", 0));
}

int main(int argc, char** argv) {
    qputenv("TZ", "UTC0"); // the summary's dates are local times
    // What the window remembers between runs stays inside the test.
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    CConvertApp app(argc, argv);
    TestWindowKeys test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_WindowKeys.moc"
