// The window from the keyboard and for assistive technology: what Enter and
// Escape do, the plot's menu from the keys, the names a screen reader reads,
// the title, the first size on a small or scaled screen, and the figures
// with a twist limit typed in the window.
#include "app/ConvertApp.h"
#include "app/ConvertDlg.h"
#include "app/PreviewPanel.h"
#include "app/TwistPlotView.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>

namespace {

const QString kSamples = QStringLiteral(VELTRANE_SAMPLE_DIR);
const QString kPictures = QStringLiteral(VELTRANE_PICTURE_DIR);

QString Sample(const QTemporaryDir& dir, const QString& strSample, const QString& strName) {
    QFile::copy(kSamples + "/" + strSample, dir.filePath(strName));
    return dir.filePath(strName);
}

// A shown, active main window whose file dialog and message box are
// replaced: Browse counts its calls and returns m_choice.
struct Window {
    Window() {
        dlg.SetFilesChooser([this](QWidget*) {
            ++m_nBrowsed;
            return m_choice;
        });
        dlg.SetMessageSink(
            [this](QWidget*, const QString&, const QString& strText) { m_messages << strText; });
        dlg.SetQuestionSink([](QWidget*, const QString&, const QString&) { return true; });
        dlg.show();
        dlg.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
    }
    template <class T = QWidget> T* Child(const char* pszName) {
        return dlg.findChild<T*>(QString::fromLatin1(pszName));
    }
    CResultsPanel& Results() { return dlg.Preview().Results(); }
    // Several files chosen in Browse start a run over them.
    void ConvertMany(const QStringList& paths) {
        m_choice = paths;
        dlg.OnBrowse();
        m_choice.clear();
    }

    CConvertDlg dlg;
    QStringList m_choice;
    int m_nBrowsed = 0;
    QStringList m_messages;
};

} // namespace

class TestWindowKeys : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void enterConvertsOrBrowses_data();
    void enterConvertsOrBrowses();
    void escapeCancelsRunAndWindowStays();
    void closingDuringRunLeavesNoTemporaryFile();
    void plotMenuFromKeys_data();
    void plotMenuFromKeys();
    void namesAndTitle();
    void limitListsIntervals();
    void firstSizeFitsScreen();
};

void TestWindowKeys::initTestCase() {
    qputenv("TZ", "UTC0"); // the summary's dates are local times
    tzset();
}

void TestWindowKeys::enterConvertsOrBrowses_data() {
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QString>("focus"); // the control with the focus
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("converts"); // or browses

    const int nEnter = Qt::Key_Return;
    const int nNone = Qt::NoModifier;
    QTest::newRow("nothing selected") << false << "selection" << nEnter << nNone << false;
    QTest::newRow("selected") << true << "selection" << nEnter << nNone << true;
    QTest::newRow("keypad Enter") << true << "selection" << int(Qt::Key_Enter)
                                  << int(Qt::KeypadModifier) << true;
    QTest::newRow("in the direction box") << true << "direction" << nEnter << nNone << true;
    QTest::newRow("on the plot") << true << "plot" << nEnter << nNone << true;
    QTest::newRow("in the limit field") << true << "limit" << nEnter << nNone << true;
    QTest::newRow("on Browse") << true << "browse" << nEnter << nNone << false;
    QTest::newRow("Ctrl+O") << true << "selection" << int(Qt::Key_O) << int(Qt::ControlModifier)
                            << false;
    QTest::newRow("Ctrl+Return, nothing selected")
        << false << "selection" << nEnter << int(Qt::ControlModifier) << true;
}

void TestWindowKeys::enterConvertsOrBrowses() {
    QFETCH(bool, selected);
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, converts);

    QTemporaryDir dir;
    Window w;
    if (selected) {
        w.dlg.SelectFile(Sample(dir, "SDP_I-3.csv", "SDP_I-3.csv"));
    }
    QWidget* pFocus = w.Child(focus.toLatin1().constData());
    pFocus->setFocus();
    QVERIFY(pFocus->hasFocus() || pFocus->isAncestorOf(QApplication::focusWidget()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(w.m_nBrowsed, converts ? 0 : 1);
    const QString strConverted = QString::fromLatin1(CConvertCommand::kMsgConverted);
    const QString strExpected = !converts  ? QString()
                                : selected ? strConverted + dir.filePath("SDP_I-3.twi")
                                           : QString::fromLatin1(CConvertCommand::kMsgNoFile);
    QCOMPARE(w.m_messages.value(0), strExpected);
    QVERIFY(w.dlg.isVisible());
}

// A run held up on its first file: Escape cancels it as Cancel does, and
// the window stays; once no run goes, Escape closes the window again.
void TestWindowKeys::escapeCancelsRunAndWindowStays() {
    QTemporaryDir dir;
    const int nFiles = QThread::idealThreadCount() + 2;
    QStringList paths;
    for (int i = 0; i < nFiles; ++i) {
        paths << Sample(dir, "BH-07.twi", QStringLiteral("B%1.twi").arg(i));
    }
    Window w;
    QSemaphore go;
    w.Results().SetFileEndHook([&go](int) { go.acquire(); });
    QSignalSpy done(&w.Results(), &CResultsPanel::finished);
    w.ConvertMany(paths);
    QVERIFY(w.Results().IsRunning());

    QTest::keyClick(&w.dlg, Qt::Key_Escape);
    go.release(nFiles);
    QVERIFY(done.wait(20000));
    QVERIFY(w.dlg.isVisible());
    QVERIFY2(w.Results().StatusText().endsWith(QStringLiteral("(cancelled).")),
             qPrintable(w.Results().StatusText()));

    QTest::keyClick(&w.dlg, Qt::Key_Escape);
    QVERIFY(!w.dlg.isVisible());
}

// Closing the window midway: the files under way are finished and put in
// place whole, no later file is begun, and no temporary file stays behind.
void TestWindowKeys::closingDuringRunLeavesNoTemporaryFile() {
    QTemporaryDir dir;
    constexpr int kFiles = 40;
    QStringList paths;
    for (int i = 0; i < kFiles; ++i) {
        paths << Sample(dir, "BH-07.twi", QStringLiteral("B%1.twi").arg(i));
    }
    QSemaphore firstDone;
    {
        Window w;
        w.Results().SetFileEndHook([&firstDone](int nDone) {
            if (nDone == 1) {
                firstDone.release();
            }
            QThread::msleep(20); // long enough for the close to come midway
        });
        w.ConvertMany(paths);
        QVERIFY(firstDone.tryAcquire(1, 20000));
        QVERIFY(w.dlg.close());
        QVERIFY(!w.dlg.isVisible());
        // Over when the window closes, not after.
        QVERIFY(!w.Results().IsRunning());
        QVERIFY(w.Results().StatusText().endsWith(QStringLiteral("(cancelled).")));

        const QDir folder(dir.path());
        const QStringList all = folder.entryList(QDir::Hidden | QDir::Files | QDir::System);
        const QStringList outputs = folder.entryList({"SDP_*"}, QDir::Files);
        QCOMPARE(all.size(), kFiles + outputs.size()); // nothing but sources and outputs
        QVERIFY2(outputs.size() >= 1 && outputs.size() < kFiles, qPrintable(outputs.join(' ')));
        QFile first(dir.filePath(outputs.first()));
        QVERIFY(first.open(QIODevice::ReadOnly));
        const QByteArray bytes = first.readAll();
        QVERIFY(bytes.endsWith("-80.0,0.6,0.6,0.0,0.0\r\n"));
        for (const QString& strOutput : outputs) {
            QFile output(dir.filePath(strOutput));
            QVERIFY(output.open(QIODevice::ReadOnly));
            QCOMPARE(output.readAll(), bytes);
        }
    }
}

void TestWindowKeys::plotMenuFromKeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Menu") << int(Qt::Key_Menu) << int(Qt::NoModifier);
    QTest::newRow("Shift+F10") << int(Qt::Key_F10) << int(Qt::ShiftModifier);
}

void TestWindowKeys::plotMenuFromKeys() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QTemporaryDir dir;
    Window w;
    w.dlg.SelectFile(Sample(dir, "BH-07.twi", "BH-07.twi"));
    // The plot is on the Tab path after Convert.
    w.Child("convert")->setFocus();
    auto* pPlot = w.Child<CTwistPlotView>("plot");
    for (int nTabs = 0; nTabs < 3 && QApplication::focusWidget() != pPlot; ++nTabs) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(QApplication::focusWidget(), pPlot);

    QStringList items;
    QTimer::singleShot(0, [&items] {
        auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(pMenu != nullptr);
        for (const QAction* pAction : pMenu->actions()) {
            items << pAction->text();
        }
        pMenu->close();
    });
    QTest::keyClick(pPlot, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(items.value(0), QString::fromLatin1(CConvertDlg::kSavePictureItem));
}

void TestWindowKeys::namesAndTitle() {
    QTemporaryDir dir;
    Window w;
    QCOMPARE(w.dlg.windowTitle(), QStringLiteral("Veltrane"));
    w.dlg.SelectFile(Sample(dir, "SDP_I-3.csv", "SDP_I-3.csv"));
    QCOMPARE(w.dlg.windowTitle(), QStringLiteral("SDP_I-3.csv - Veltrane"));
    // A run over many files shows its list, progress and Cancel.
    w.Results().SetFileEndHook([](int) { QThread::msleep(CResultsPanel::kProgressDelayMs); });
    w.ConvertMany({Sample(dir, "BH-07.twi", "B1.twi"), Sample(dir, "BH-07.twi", "B2.twi")});
    QTRY_VERIFY_WITH_TIMEOUT(w.Child("cancel")->isVisible(), 5000);

    // Every control a user can reach, and every text that reports, is named;
    // the parts of a control (a box's field) go by the control's name.
    QStringList unnamed;
    for (QWidget* pWidget : w.dlg.findChildren<QWidget*>()) {
        const bool bReached = (pWidget->focusPolicy() & Qt::TabFocus) != 0;
        const bool bReports =
            qobject_cast<QLabel*>(pWidget) != nullptr && !pWidget->objectName().isEmpty();
        const bool bPart = qobject_cast<QComboBox*>(pWidget->parentWidget()) != nullptr;
        if ((bReached || bReports) && pWidget->isVisibleTo(&w.dlg) && !bPart &&
            pWidget->accessibleName().isEmpty()) {
            unnamed << QString::fromLatin1(pWidget->metaObject()->className()) + " " +
                           pWidget->objectName();
        }
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
    QVERIFY(w.Results().IsRunning());
    w.Results().CancelAndWait();

    // The plot is described by the summary of the survey it draws.
    w.dlg.SelectFile(dir.filePath("SDP_I-3.csv"));
    const QString strDescription = w.Child("plot")->accessibleDescription();
    QVERIFY2(strDescription.startsWith("SDP_I-3.csv\nFormat: KVN CSV\nBorehole: I-3\n"),
             qPrintable(strDescription));
    QVERIFY2(strDescription.endsWith("\nLargest interval twist: 0.6 degrees at 14.0 meters"),
             qPrintable(strDescription));
}

// The figures follow the limit typed, in the desktop's notation or with a
// point; a text that is no limit judges nothing.
void TestWindowKeys::limitListsIntervals() {
    QTemporaryDir dir;
    Window w;
    w.dlg.SelectFile(Sample(dir, "SDP_I-3.csv", "SDP_I-3.csv"));
    auto* pLimit = w.Child<QLineEdit>("limit");
    QVERIFY(pLimit->isVisible());
    const struct {
        const char* typed;
        const char* last; // the summary's last line
    } cases[] = {
        {"0.5", "Over 0.5 degrees: 1 interval, at 14.0 meters"},
        {"0.3", "Over 0.3 degrees: 8 intervals, at 3.5, 4.5, 7.0, 14.0, 15.0, 20.0, 23.0 and "
                "23.5 meters"},
        {"0.6", "Over 0.6 degrees: (none)"},
        {"-1", "Largest interval twist: 0.6 degrees at 14.0 meters"},
        {"", "Largest interval twist: 0.6 degrees at 14.0 meters"},
    };
    for (const auto& c : cases) {
        pLimit->clear();
        QTest::keyClicks(pLimit, QString::fromLatin1(c.typed));
        QCOMPARE(w.dlg.Preview().SummaryLines().last(), QString::fromLatin1(c.last));
    }
    // The limit stays for the next survey.
    pLimit->setText(QStringLiteral("0.5"));
    w.dlg.SelectFile(Sample(dir, "BH-07.twi", "BH-07.twi"));
    QCOMPARE(w.dlg.Preview().SummaryLines().last(),
             QStringLiteral("Over 0.5 degrees: 5 intervals, at 18.0, 38.0, 46.0, 70.0 and "
                            "80.0 feet"));
    QCOMPARE(CPreviewPanel::ParseLimit(QLocale().toString(0.25)), std::optional<double>(0.25));
}

// Run once as is and once on a 1400 x 1000 screen at scale factor 2: the
// window opens within the screen's free area, whatever the scale. Each run
// leaves a picture of the window with a survey on show.
void TestWindowKeys::firstSizeFitsScreen() {
    QTemporaryDir dir;
    CConvertDlg dlg;
    dlg.SelectFile(Sample(dir, "SDP_I-3.csv", "SDP_I-3.csv"));
    dlg.findChild<QLineEdit*>("limit")->setText(QStringLiteral("0.3"));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const QScreen* pScreen = dlg.screen();
    const QRect available = pScreen->availableGeometry();
    const qreal dScale = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
    if (dScale == 2) {
        QCOMPARE(available.size() * 2, QSize(1400, 1000));
    }
    QVERIFY2(available.contains(dlg.frameGeometry()),
             qPrintable(QStringLiteral("%1x%2 at %3,%4")
                            .arg(dlg.frameGeometry().width())
                            .arg(dlg.frameGeometry().height())
                            .arg(dlg.frameGeometry().x())
                            .arg(dlg.frameGeometry().y())));
    QVERIFY(dlg.minimumSize().width() <= available.width());
    QVERIFY(dlg.minimumSize().height() <= available.height());
    // Browse and Convert lie inside the window.
    for (const char* pszButton : {"browse", "convert"}) {
        const QWidget* pButton = dlg.findChild<QWidget*>(QString::fromLatin1(pszButton));
        QVERIFY(dlg.rect().contains(pButton->geometry()));
    }
    const QString strPicture =
        QStringLiteral("%1/veltrane-window-%2.png").arg(kPictures).arg(qRound(dScale * 100));
    QVERIFY(dlg.grab().save(strPicture, "PNG", 0));
    qInfo("Picture of the window: %s", qPrintable(strPicture));
}

int main(int argc, char** argv) {
    CConvertApp app(argc, argv);
    TestWindowKeys test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_WindowKeys.moc"
