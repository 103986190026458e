// The preview of the Veltrane window, driven as a user would: a file chosen
// or dropped shows its survey or why it cannot be read, Save Picture saves
// the plot, the file given on the command line opens with the window, and
// several files or a folder are converted at once and listed. Pictures of
// the window land in the build folder.
#include "app/ConvertApp.h"
#include "app/ConvertDlg.h"
#include "app/PreviewPanel.h"
#include "app/ResultsPanel.h"
#include "app/TwistPlotView.h"
#include "formats/twi/TwiDataFile.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSemaphore>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

namespace {

const QString kSamples = QStringLiteral(VELTRANE_SAMPLE_DIR);
const QString kPictures = QStringLiteral(VELTRANE_PICTURE_DIR);
// An edit of a sample: the first text becomes the second.
using Edit = QPair<QByteArray, QByteArray>;
const Edit kDropRow3m{"-3.0,0.1,5.8,0.0,0.0\r\n", ""};

QByteArray ReadFile(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& strPath, const QByteArray& bytes) {
    QFile file(strPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A copy of a sample in the folder, edited.
QString Sample(const QTemporaryDir& dir, const QString& strSample, const QString& strName,
               const Edit& edit = {}) {
    QByteArray bytes = ReadFile(kSamples + "/" + strSample);
    if (!edit.first.isEmpty()) {
        bytes.replace(bytes.indexOf(edit.first), edit.first.size(), edit.second);
    }
    WriteFile(dir.filePath(strName), bytes);
    return dir.filePath(strName);
}

// The main window with its dialogs replaced: Browse returns m_choice, Save
// Picture m_strPicture, questions get m_bAnswer; what they were shown is kept.
struct Window {
    Window() {
        dlg.SetFilesChooser([this](QWidget*) { return m_choice; });
        dlg.SetMessageSink(
            [this](QWidget*, const QString&, const QString& strText) { m_messages << strText; });
        dlg.SetPictureChooser([this](QWidget*, const QString& strSuggested) {
            m_strSuggested = strSuggested;
            return m_strPicture;
        });
        dlg.SetQuestionSink([this](QWidget*, const QString&, const QString& strText) {
            m_questions << strText;
            return m_bAnswer;
        });
    }

    const CPreviewPanel& Panel() { return dlg.Preview(); }
    CResultsPanel& Results() { return dlg.Preview().Results(); }
    const CTwistPlot* Plot() { return dlg.findChild<CTwistPlotView*>("plot")->Plot(); }
    QComboBox* Direction() { return dlg.findChild<QComboBox*>("direction"); }
    bool Browse(const QStringList& choice) {
        m_choice = choice;
        QSignalSpy done(&Results(), &CResultsPanel::finished);
        dlg.findChild<QPushButton*>("browse")->click();
        if (choice.size() < 2) {
            return true;
        }
        Convert(); // several are listed, and wait for it
        return done.count() > 0 || done.wait(20000);
    }
    // Drops files; several are converted (unless bConvert is false), and
    // their run waited for unless told not to.
    bool Drop(const QStringList& paths, bool bWait = true, bool bConvert = true) {
        dlg.show();
        QList<QUrl> urls;
        for (const QString& strPath : paths) {
            urls << QUrl::fromLocalFile(strPath);
        }
        QMimeData data;
        data.setUrls(urls);
        QSignalSpy done(&Results(), &CResultsPanel::finished);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dlg, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dlg, &drop);
        if ((paths.size() == 1 && !QFileInfo(paths[0]).isDir()) || !bConvert) {
            return true;
        }
        Convert(); // several are listed, and wait for it
        return !bWait || done.count() > 0 || done.wait(20000);
    }
    // Each row of the results as "FILE: RESULT".
    QStringList Rows() {
        QStringList rows;
        for (int i = 0; i < Results().List()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* pItem = Results().List()->topLevelItem(i);
            rows << pItem->text(0) + ": " + pItem->text(1);
        }
        return rows;
    }
    void Convert() { dlg.findChild<QPushButton*>("convert")->click(); }
    void SelectRow(int nRow) {
        Results().List()->setCurrentItem(Results().List()->topLevelItem(nRow));
    }

    CConvertDlg dlg;
    QStringList m_choice;
    QString m_strPicture;
    QString m_strSuggested;
    QStringList m_messages;
    QStringList m_questions;
    bool m_bAnswer = false;
};

} // namespace

class TestPreviewPanel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void selectionShowsSurvey_data();
    void selectionShowsSurvey();
    void previewLeavesConversionAlone();
    void savePicture_data();
    void savePicture();
    void plotFollowsWindowAndLocale();
    void startFile();
    void largeSurveyShowsEveryStation();
    void manyFilesConvertedAndListed();
    void existingOutputsAskedOnce_data();
    void existingOutputsAskedOnce();
    void longRunShowsProgressAndCancels();
    void fileDialogTakesSeveral();
    void savePictures();
    void compareSelectedRows();
    void summaryReadableUnderLongList();
};

void TestPreviewPanel::initTestCase() {
    qputenv("TZ", "UTC0"); // the summary's dates are local times
    tzset();
}

void TestPreviewPanel::selectionShowsSurvey_data() {
    QTest::addColumn<QString>("sample");
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<bool>("drop");
    QTest::addColumn<QString>("summary"); // the first lines, joined by "|"
    QTest::addColumn<QString>("shown");   // the start of the message, or of the diagnostics
    QTest::addColumn<int>("stations");    // in the plot; -1 for none

    QTest::newRow("twi chosen") << "BH-07.twi" << Edit() << false
                                << "Format: TWI|Reading date: 2026-10-21 14:05:37|Depth: 80.0 "
                                   "feet|Interval: 2.0 feet|Stations: 40, from 2.0 to 80.0 "
                                   "feet|Reading unit: degrees"
                                << "" << 40;
    QTest::newRow("csv dropped, a warning")
        << "SDP_I-3.csv" << Edit{"09/14/2026", "02/31/2026"} << true
        << "Format: KVN CSV|Borehole: I-3|Site: North Slope Cut|Reading date: 2026-03-03"
        << "line 8: warning: the reading date \"02/31/2026,10:42:05\" does not exist" << 48;
    QTest::newRow("station missing")
        << "SDP_I-3.csv" << kDropRow3m << false << "Format: KVN CSV"
        << "Error reading data file, code = -5.\nA station is missing between the first and the "
           "last station.\n\nline 27: error: the station at 3.0 m is missing"
        << -1;
    // Refused exactly as the conversion to TWI refuses it.
    QTest::newRow("not spiral") << "SDP_I-3.csv" << Edit{"Spiral", "Inclinometer"} << true
                                << "Format: KVN CSV"
                                << "Error reading data file, code = -9.\nThis is not a spiral "
                                   "survey."
                                << -1;
    // The system breaks the read off: the window names the file and carries on.
    QTest::newRow("device error") << "/proc/self/mem" << Edit() << false << "Format: TWI"
                                  << "The file /proc/self/mem could not be read: " << -1;
}

void TestPreviewPanel::selectionShowsSurvey() {
    QFETCH(QString, sample);
    QFETCH(Edit, edit);
    QFETCH(bool, drop);
    QFETCH(QString, summary);
    QFETCH(QString, shown);
    QFETCH(int, stations);

    QTemporaryDir dir;
    const QString strPath = sample.startsWith('/') ? sample : Sample(dir, sample, sample, edit);
    Window w;
    QVERIFY(drop ? w.Drop({strPath}) : w.Browse({strPath}));
    QCOMPARE(w.Panel().Path(), strPath);
    QVERIFY2(w.Panel().SummaryLines().join('|').startsWith(summary),
             qPrintable(w.Panel().SummaryLines().join('|')));
    const QString strShown = stations < 0 ? w.Panel().MessageText() : w.Panel().DiagnosticsText();
    QVERIFY2(strShown.startsWith(shown), qPrintable(strShown));
    QCOMPARE(w.Plot() != nullptr, stations >= 0);
    if (stations >= 0) {
        QCOMPARE(int(w.Plot()->Profile().m_stations.size()), stations);
    }
    // Save Picture is there for a plot only; no message box interrupts a
    // look, but for the one an unknown extension always gave.
    QCOMPARE(w.dlg.actions().last()->isEnabled(), stations >= 0);
    QCOMPARE(w.m_messages.size(), sample.startsWith('/') ? 1 : 0);

    // The other direction reads the file again.
    w.Direction()->setCurrentIndex(1 - w.Direction()->currentIndex());
    QCOMPARE(w.Panel().Direction(), w.Direction()->currentIndex());
    QVERIFY(w.Panel().MessageText().startsWith("Error reading data file, code = -") ||
            sample.startsWith('/'));
}

// The preview reads into its own record: Convert writes the same bytes
// whatever was looked at before, in either direction.
void TestPreviewPanel::previewLeavesConversionAlone() {
    QTemporaryDir dirPlain;
    QTemporaryDir dirLooked;
    Window plain;
    plain.Browse({Sample(dirPlain, "BH-07.twi", "BH-07.twi")});
    plain.Convert();

    Window looked;
    looked.Browse({kSamples + "/SDP_I-3.csv"}); // site, borehole, operator, comments
    looked.Browse({Sample(dirLooked, "BH-07.twi", "BH-07.twi")});
    looked.Direction()->setCurrentIndex(directionCsvToTwi);
    looked.Direction()->setCurrentIndex(directionTwiToCsv);
    QVERIFY(!looked.dlg.Command().m_plotData.m_bDataLoaded);
    looked.Convert();
    QVERIFY(looked.m_messages.value(0).startsWith("Spiral data file converted."));
    QVERIFY(!ReadFile(dirPlain.filePath("SDP_BH-07.csv")).isEmpty());
    QCOMPARE(ReadFile(dirLooked.filePath("SDP_BH-07.csv")),
             ReadFile(dirPlain.filePath("SDP_BH-07.csv")));
}

void TestPreviewPanel::savePicture_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("magic"); // the first bytes; empty when none is written
    QTest::newRow("png") << "twist.png" << QByteArray("\x89PNG");
    QTest::newRow("no such folder") << "missing/twist.png" << QByteArray();
    QTest::newRow("cancelled") << "" << QByteArray();
}

void TestPreviewPanel::savePicture() {
    QFETCH(QString, name);
    QFETCH(QByteArray, magic);
    QTemporaryDir dir;
    Window w;
    w.Browse({Sample(dir, "BH-07.twi", "BH-07.twi")});
    w.m_strPicture = name.isEmpty() ? QString() : dir.filePath(name);
    QAction* pSave = w.dlg.actions().last();
    QCOMPARE(pSave->text(), QString::fromLatin1(CConvertDlg::kSavePictureItem));
    pSave->trigger();

    // Beside the survey, named as veltrane-convert --plot names it.
    QCOMPARE(w.m_strSuggested, dir.filePath("SDP_BH-07.png"));
    QVERIFY(ReadFile(w.m_strPicture).startsWith(magic));
    if (name.endsWith(".png") && !magic.isEmpty()) {
        QCOMPARE(QImage(w.m_strPicture).size(),
                 QSize(CTwistPlot::kDefaultWidth, CTwistPlot::kDefaultHeight));
    }
    const bool bFailed = magic.isEmpty() && !name.isEmpty();
    QCOMPARE(w.m_messages.size(), bFailed ? 1 : 0);
    QVERIFY(!bFailed || w.m_messages[0].startsWith("The picture could not be saved.\n"));
}

// The plot's text is the window's font; the limit field marks the plot;
// Save Picture puts a PDF on the paper of the user's locale.
void TestPreviewPanel::plotFollowsWindowAndLocale() {
    QTemporaryDir dir;
    Window w;
    w.Browse({Sample(dir, "BH-07.twi", "BH-07.twi")});
    auto* pView = w.dlg.findChild<CTwistPlotView*>("plot");
    QFont font = pView->font();
    font.setPointSizeF(20);
    pView->setFont(font);
    QCOMPARE(pView->TextSize(), 20.0 * pView->logicalDpiY() / 72.0);

    QCOMPARE(w.Plot()->Chart().Marks().largest->dDepth, 18.0);
    QVERIFY(!w.Plot()->Chart().Marks().limit);
    w.dlg.findChild<QLineEdit*>("limit")->setText(QStringLiteral("0.5"));
    QCOMPARE(*w.Plot()->Chart().Marks().limit, 0.5);
    QCOMPARE(w.Plot()->Chart().Marks().overLimit.size(), size_t(5));

    const struct {
        QLocale locale;
        PicturePaper paper;
        QByteArray box;
    } cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), PicturePaper::letter,
         "/MediaBox [0 0 612"},
        {QLocale(QLocale::German, QLocale::Germany), PicturePaper::a4, "/MediaBox [0 0 595"},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), PicturePaper::a4,
         "/MediaBox [0 0 595"}};
    const QLocale before;
    for (const auto& c : cases) {
        QLocale::setDefault(c.locale);
        QCOMPARE(CPreviewPanel::LocalePaper(), c.paper);
        w.m_strPicture = dir.filePath(QStringLiteral("page.pdf"));
        w.dlg.actions().last()->trigger();
        QVERIFY(ReadFile(w.m_strPicture).contains(c.box));
    }
    QLocale::setDefault(before);
}

void TestPreviewPanel::startFile() {
    // veltrane FILE: the first argument that is not an option, made absolute.
    const struct {
        QList<QByteArray> args;
        QString file;
    } cases[] = {
        {{"veltrane", "-style", "--reverse", "B12.twi", "more.twi"}, "B12.twi"},
        {{"veltrane", "--", "-odd.twi"}, "-odd.twi"},
        {{"veltrane", "file:///data/My%20B12.twi"}, "/data/My B12.twi"},
    };
    for (auto c : cases) {
        QList<char*> argv;
        for (QByteArray& arg : c.args) {
            argv << arg.data();
        }
        const QString strExpected =
            c.file.isEmpty() ? "" : QDir::current().absoluteFilePath(c.file);
        QCOMPARE(CConvertApp::StartFile(int(argv.size()), argv.data()), strExpected);
    }

    // The window opens with it selected and on show.
    QString strSelected;
    QStringList summary;
    QTimer::singleShot(0, [&] {
        if (auto* pDlg = qobject_cast<CConvertDlg*>(QApplication::activeModalWidget())) {
            strSelected = pDlg->findChild<QPlainTextEdit*>("selection")->toPlainText();
            summary = pDlg->Preview().SummaryLines();
            pDlg->reject();
        }
    });
    QCOMPARE(CConvertApp::RunMainWindow(kSamples + "/BH-07.twi"), 0);
    QCOMPARE(strSelected, kSamples + "/BH-07.twi");
    QCOMPARE(summary.value(0), QStringLiteral("Format: TWI"));
}

// A survey of 100,000 stations previews every one of them, in the summary
// and in the plot; bench/bench_preview.cpp times it.
void TestPreviewPanel::largeSurveyShowsEveryStation() {
    constexpr int kStations = 100000;
    QTemporaryDir dir;
    CPlotDataObj data;
    data.m_nFileType = 1;
    data.m_dInterval = 0.5;
    data.m_dBottomDepth = kStations * 0.5;
    data.AllocateGrid();
    for (int i = 0; i < kStations; ++i) {
        data.AddReading(((i * 7919) % 13) * 0.1 - 0.55, 0.0, 0.0, 0.0);
    }
    data.m_bDataLoaded = TRUE;
    CTwiDataFile writer;
    QCOMPARE(writer.WriteSurvey(QFile::encodeName(dir.filePath("long.twi")).constData(), &data), 0);

    Window w;
    w.Browse({dir.filePath("long.twi")});
    QCOMPARE(int(w.Plot()->Profile().m_stations.size()), kStations);
    const QStringList summary = w.Panel().SummaryLines();
    QVERIFY2(summary.contains("Stations: 100000, from 0.5 to 50000.0 meters"),
             qPrintable(summary.join('|')));
}

void TestPreviewPanel::manyFilesConvertedAndListed() {
    QTemporaryDir dir;
    const QString strCsv = Sample(dir, "SDP_I-3.csv", "SDP_I-3.csv");
    WriteFile(dir.filePath("broken.twi"), "not a survey\r\n");
    WriteFile(dir.filePath("notes.txt"), "hello");
    Window w;
    QVERIFY(w.Drop({Sample(dir, "BH-07.twi", "BH-07.twi"), strCsv, dir.filePath("broken.twi"),
                    dir.filePath("notes.txt")}));
    const QStringList rows = w.Rows();
    QCOMPARE(rows.mid(0, 2), (QStringList{"BH-07.twi: Converted to SDP_BH-07.csv",
                                          "SDP_I-3.csv: Converted to SDP_I-3.twi"}));
    QVERIFY2(rows.value(2).startsWith("broken.twi: Error reading data file, code = -3. This is "
                                      "not a readable TWI survey"),
             qPrintable(rows.value(2)));
    QCOMPARE(rows.value(3), QStringLiteral("notes.txt: The file format type can not determined. "
                                           "Only .twi and .csv files are converted."));
    QVERIFY(w.Results().List()->topLevelItem(2)->toolTip(1).contains("\n\nline 1: error: "));
    QCOMPARE(w.Results().StatusText(), QStringLiteral("4 files: 2 converted, 2 not converted."));
    // The list can show the failures alone.
    w.dlg.findChild<QCheckBox*>("onlyFailed")->setChecked(true);
    QList<bool> hidden;
    for (int i = 0; i < 4; ++i) {
        hidden << w.Results().List()->topLevelItem(i)->isHidden();
    }
    QCOMPARE(hidden, (QList<bool>{true, true, false, false}));
    w.dlg.findChild<QCheckBox*>("onlyFailed")->setChecked(false);
    QVERIFY(w.m_messages.isEmpty() && w.m_questions.isEmpty());
    QVERIFY(w.dlg.Command().m_strSelection.IsEmpty()); // nothing selected for Convert

    // A row selected shows its file.
    w.SelectRow(1);
    QCOMPARE(w.Panel().Path(), strCsv);
    QVERIFY(w.Plot() != nullptr);
    w.SelectRow(3);
    QVERIFY(w.Panel().MessageText().startsWith("The file format type can not determined."));

    // A folder gives its surveys, not those of its subfolders.
    QVERIFY(QDir(dir.path()).mkdir("older"));
    Sample(dir, "BH-07.twi", "older/B1.TWI");
    QVERIFY(w.Drop({dir.filePath("older")}));
    QCOMPARE(w.Rows(), QStringList{"B1.TWI: Converted to SDP_B1.csv"});

    // Several chosen in Browse are listed as ready; only Convert converts them.
    Sample(dir, "BH-07.twi", "older/B2.twi");
    w.m_choice = QStringList{dir.filePath("older/B1.TWI"), dir.filePath("older/B2.twi")};
    w.dlg.findChild<QPushButton*>("browse")->click();
    QCOMPARE(w.Rows(), (QStringList{"B1.TWI: Ready", "B2.twi: Ready"}));
    QVERIFY(!QFileInfo::exists(dir.filePath("older/SDP_B2.csv")));
    QSignalSpy done(&w.Results(), &CResultsPanel::finished);
    w.Convert();
    QVERIFY(done.count() > 0 || done.wait(20000));
    QCOMPARE(w.Rows(),
             (QStringList{"B1.TWI: Up to date: SDP_B1.csv", "B2.twi: Converted to SDP_B2.csv"}));
}

void TestPreviewPanel::existingOutputsAskedOnce_data() {
    QTest::addColumn<bool>("answer");
    QTest::newRow("replace") << true;
    QTest::newRow("keep") << false;
}

// Several files chosen in Browse; two of their outputs exist.
void TestPreviewPanel::existingOutputsAskedOnce() {
    QFETCH(bool, answer);
    QTemporaryDir dir;
    WriteFile(dir.filePath("SDP_B1.csv"), "earlier");
    WriteFile(dir.filePath("SDP_B2.csv"), "earlier");
    Window w;
    w.m_bAnswer = answer;
    QVERIFY(w.Browse({Sample(dir, "BH-07.twi", "B1.twi"), Sample(dir, "SDP_I-3.csv", "SDP_I-3.csv"),
                      Sample(dir, "BH-07.twi", "B2.twi")}));
    QCOMPARE(w.m_questions, QStringList{"2 of the converted files already exist. Replace them?"});
    QCOMPARE(w.Rows().value(1), QStringLiteral("SDP_I-3.csv: Converted to SDP_I-3.twi"));
    QCOMPARE(w.Rows().value(2), answer ? QStringLiteral("B2.twi: Converted to SDP_B2.csv")
                                       : QStringLiteral("B2.twi: Kept the existing SDP_B2.csv"));
    QCOMPARE(ReadFile(dir.filePath("SDP_B1.csv")).startsWith("KVN Digital"), answer);
    QCOMPARE(w.Results().StatusText(), answer ? QStringLiteral("3 files: 3 converted.")
                                              : QStringLiteral("3 files: 1 converted, 2 kept."));
}

// A run held up as its first files end: the window goes on answering, shows
// the progress and Cancel, and a cancel converts the files under way (one a
// worker) and none after them.
void TestPreviewPanel::longRunShowsProgressAndCancels() {
    QTemporaryDir dir;
    const int nFiles = QThread::idealThreadCount() + 2;
    QStringList paths;
    for (int i = 0; i < nFiles; ++i) {
        paths << Sample(dir, "BH-07.twi", QStringLiteral("B%1.twi").arg(i));
    }
    Window w;
    QSemaphore go;
    w.Results().SetFileEndHook([&go](int) { go.acquire(); });
    QElapsedTimer timer;
    timer.start();
    QVERIFY(w.Drop(paths, false));
    auto* pCancel = w.Results().findChild<QPushButton*>("cancel");
    QVERIFY(w.Results().IsRunning() && !pCancel->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(pCancel->isVisible(), 5000);
    QVERIFY(timer.elapsed() >= CResultsPanel::kProgressDelayMs);
    QCOMPARE(w.Rows().value(0), QStringLiteral("B0.twi: ") + CResultsPanel::kWaiting);

    QSignalSpy done(&w.Results(), &CResultsPanel::finished);
    pCancel->click();
    go.release(nFiles);
    QVERIFY(done.wait(20000));
    int nConverted = 0;
    while (w.Rows().value(nConverted) ==
           QStringLiteral("B%1.twi: Converted to SDP_B%1.csv").arg(nConverted)) {
        ++nConverted;
    }
    QVERIFY(nConverted >= 1 && nConverted <= QThread::idealThreadCount());
    for (int i = nConverted; i < nFiles; ++i) {
        QCOMPARE(w.Rows().value(i), QStringLiteral("B%1.twi: Not converted: cancelled.").arg(i));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("SDP_B%1.csv").arg(i))));
    }
    QVERIFY(!pCancel->isVisible() && !w.Results().IsRunning());
    QCOMPARE(w.Results().StatusText(),
             QStringLiteral("%1 files: %2 converted, %3 not converted (cancelled).")
                 .arg(nFiles)
                 .arg(nConverted)
                 .arg(nFiles - nConverted));
}

// Browse's own dialog: two files picked together (a click, a Ctrl-click)
// come back together.
void TestPreviewPanel::fileDialogTakesSeveral() {
    QTemporaryDir dir;
    WriteFile(dir.filePath("B1.twi"), "x");
    WriteFile(dir.filePath("B2.twi"), "x");
    const QString strOldCurrent = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QTimer::singleShot(0, [] {
        auto* pDialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* pList = pDialog ? pDialog->findChild<QListView*>("listView") : nullptr;
        QTRY_VERIFY(pList != nullptr && pList->model()->rowCount(pList->rootIndex()) == 2);
        for (int i = 0; i < 2; ++i) {
            const QRect rcItem = pList->visualRect(pList->model()->index(i, 0, pList->rootIndex()));
            QTest::mouseClick(pList->viewport(), Qt::LeftButton,
                              i == 0 ? Qt::NoModifier : Qt::ControlModifier, rcItem.center());
        }
        QMetaObject::invokeMethod(pDialog, "accept");
    });
    QStringList chosen = CConvertDlg::ChooseSurveyFiles(nullptr);
    QDir::setCurrent(strOldCurrent);
    chosen.sort();
    QCOMPARE(chosen, (QStringList{dir.filePath("B1.twi"), dir.filePath("B2.twi")}));
}

// The window with a survey, with a file it cannot read, and with the
// results of many files; and the README's picture (res/screenshot-window.png
// is a copy), a sample as the window shows it.
void TestPreviewPanel::savePictures() {
    QTemporaryDir dir;
    const QString strGap = Sample(dir, "SDP_I-3.csv", "SDP_I-3 broken.csv", kDropRow3m);
    const QList<QPair<QStringList, QString>> shots = {
        {{kSamples + "/BH-07.twi"}, "veltrane-preview-twi.png"},
        {{strGap}, "veltrane-preview-error.png"},
        {{Sample(dir, "BH-07.twi", "BH-07.twi"), Sample(dir, "SDP_I-3.csv", "SDP_I-3.csv"), strGap,
          Sample(dir, "SDP_I-3.csv", "SDP_I-4.csv", {"09/14/2026", "02/31/2026"})},
         "veltrane-preview-many.png"},
        {{Sample(dir, "BH-07.twi", "B1.twi"), Sample(dir, "BH-07.twi", "B2.twi")},
         "veltrane-preview-ready.png"},
        {{"samples/SDP_I-3.csv"}, "veltrane-readme.png"},
    };
    const QString strOldCurrent = QDir::currentPath();
    for (const auto& shot : shots) {
        QDir::setCurrent(kSamples + "/..");
        Window w;
        QVERIFY(w.Drop(shot.first, true, !shot.second.contains("ready")));
        QDir::setCurrent(strOldCurrent);
        w.SelectRow(1);
        QVERIFY(QTest::qWaitForWindowExposed(&w.dlg));
        const QString strPicture = kPictures + "/" + shot.second;
        QVERIFY(w.dlg.grab().save(strPicture, "PNG", 0));

        // The picture is the window, and shows the plot where the window does.
        const QImage picture(strPicture);
        QCOMPARE(picture.size(), w.dlg.grab().size());
        const CTwistPlotView* pView = w.dlg.findChild<CTwistPlotView*>("plot");
        const bool bPlotShown = pView->isVisible();
        QCOMPARE(bPlotShown, shot.second != "veltrane-preview-error.png");
        const qreal dScale = picture.devicePixelRatio();
        const QRect rcPlot(pView->mapTo(&w.dlg, QPoint(0, 0)) * dScale, pView->size() * dScale);
        int nSeries = 0;
        for (int y = rcPlot.top(); bPlotShown && y <= rcPlot.bottom(); ++y) {
            for (int x = rcPlot.left(); x <= rcPlot.right(); ++x) {
                const QRgb c = picture.pixel(x, y);
                nSeries += qBlue(c) > qRed(c) + 60 ? 1 : 0; // the cumulative twist's blue
            }
        }
        QVERIFY2(!bPlotShown || nSeries > 100, qPrintable(shot.second));
    }
    qInfo("Pictures of the preview: %s/veltrane-preview-*.png", qPrintable(kPictures));
}

namespace {

// A TWI survey read on strDate ("DD MM YY"), its cumulative twists from the
// top down at an interval of 2 feet (or dInterval), deepest first.
QByteArray Twi(const char* pszDate, const QList<double>& cumulative, double dInterval = 2.0) {
    QByteArray text = QByteArray(" D  M  Y    H  M  S\r\n") + pszDate +
                      ",  08 00 00     RUN ID.   : 0000\r\n" +
                      QStringLiteral("DEPTH     : %1\r\nINTERVAL  : %2\r\n")
                          .arg(dInterval * double(cumulative.size()), 0, 'f', 1)
                          .arg(dInterval, 0, 'f', 1)
                          .toLatin1();
    for (qsizetype i = cumulative.size(); i-- > 0;) {
        text += QStringLiteral("%1,     %2 deg\r\n")
                    .arg(dInterval * double(i + 1), 6, 'f', 2, QLatin1Char('0'))
                    .arg(cumulative[i], 0, 'f', 1)
                    .toLatin1();
    }
    return text + "\r\nRUN END\r\n";
}

} // namespace

// Several rows selected offer Compare, from a button or the keyboard: the
// surveys over each other, the oldest the reference, and the differences
// beside them; a pair that cannot be compared says why in their place. The
// window with a comparison is kept as a picture.
void TestPreviewPanel::compareSelectedRows() {
    QTemporaryDir dir;
    WriteFile(dir.filePath("B12-2026.twi"), Twi("02 03 26", {0.1, 0.4, 0.9, 1.1, 1.3}));
    WriteFile(dir.filePath("B12-2024.twi"), Twi("15 02 24", {0.1, 0.2, 0.6, 0.9}));
    WriteFile(dir.filePath("B12-2025.twi"), Twi("01 03 25", {0.1, 0.3, 0.5, 0.9, 1.2}));
    WriteFile(dir.filePath("B12-coarse.twi"), Twi("01 04 26", {0.2, 0.6}, 4.0));
    Window w;
    w.dlg.resize(1100, 760);
    QVERIFY(w.Drop({dir.filePath("B12-2026.twi"), dir.filePath("B12-2024.twi"),
                    dir.filePath("B12-2025.twi"), dir.filePath("B12-coarse.twi")},
                   true, false));
    QVERIFY(QTest::qWaitForWindowExposed(&w.dlg));
    auto* pCompare = w.dlg.findChild<QPushButton*>("compare");
    QVERIFY(pCompare != nullptr && !pCompare->accessibleName().isEmpty());
    w.SelectRow(0);
    QVERIFY(!pCompare->isEnabled()); // one row is shown, not compared

    // Rows 1 and 4: refused, with the files named.
    QTreeWidget* pList = w.Results().List();
    pList->topLevelItem(3)->setSelected(true);
    QVERIFY(pCompare->isEnabled());
    pCompare->click();
    QVERIFY2(w.Panel().MessageText().startsWith("B12-coarse.twi has an interval of 4.0 feet and "
                                                "B12-2026.twi of 2.0 feet"),
             qPrintable(w.Panel().MessageText()));
    QVERIFY(w.Panel().Comparison() == nullptr);

    // The three of one interval, from the keyboard.
    pList->clearSelection();
    for (int i = 0; i < 3; ++i) {
        pList->topLevelItem(i)->setSelected(true);
    }
    w.dlg.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w.dlg));
    pList->setFocus();
    // The mnemonic presses the button as a click does, a moment later.
    QTest::keyClick(pList, Qt::Key_C, Qt::AltModifier);
    QTRY_VERIFY(w.Panel().Comparison() != nullptr);
    QCOMPARE(w.Panel().Comparison()->Comparison().m_series.front().strName,
             std::string("B12-2024.twi"));
    const QString strDescription =
        w.dlg.findChild<CTwistPlotView*>("plot")->accessibleDescription();
    QVERIFY2(strDescription.contains("B12-2026.twi, 2026-03-02 08:00:00: largest difference "
                                     "from B12-2024.twi 0.3 degrees at 6.0 feet"),
             qPrintable(strDescription));
    QVERIFY(strDescription.contains("Surveys of different depths"));

    // Save Picture saves the comparison.
    w.m_strPicture = dir.filePath("compare.svg");
    w.dlg.OnSavePicture();
    QVERIFY(ReadFile(w.m_strPicture).contains("B12-2024.twi (reference)"));
    QCOMPARE(QFileInfo(w.m_strSuggested).fileName(), QStringLiteral("comparison.png"));

    QVERIFY(w.dlg.grab().save(kPictures + "/veltrane-preview-compare.png", "PNG", 0));
    qInfo("The window comparing surveys: %s/veltrane-preview-compare.png", qPrintable(kPictures));
}

// Many files listed leave the survey under them the room of its summary,
// in the smallest window and the largest: the list scrolls instead.
void TestPreviewPanel::summaryReadableUnderLongList() {
    QTemporaryDir dir;
    QStringList files;
    for (int i = 0; i < 40; ++i) {
        files << Sample(dir, "BH-07.twi",
                        QStringLiteral("B%1.twi").arg(i, 2, 10, QLatin1Char('0')));
    }
    Window w;
    for (const QSize size : {w.dlg.minimumSize(), QSize(w.dlg.width(), 900)}) {
        w.dlg.resize(size);
        QVERIFY(w.Drop(files));
        w.SelectRow(5);
        QCOMPARE(w.Panel().SummaryLines().value(0), QStringLiteral("Format: TWI"));
        const auto* pSummary = w.dlg.findChild<QLabel*>("summary");
        QTRY_VERIFY(pSummary->isVisible());
        QVERIFY(w.dlg.grab().save(QStringLiteral(VELTRANE_PICTURE_DIR) +
                                  QStringLiteral("/veltrane-long-list-%1.png").arg(size.height())));
        // Every line of the summary within the window, none under the
        // diagnostics or cut off at the bottom.
        const QRect rcSummary(pSummary->mapTo(&w.dlg, QPoint(0, 0)), pSummary->sizeHint());
        const auto* pDiagnostics = w.dlg.findChild<QWidget*>("diagnostics");
        const int nBottom = pDiagnostics->isVisible()
                                ? pDiagnostics->mapTo(&w.dlg, QPoint(0, 0)).y()
                                : w.dlg.height();
        QVERIFY2(rcSummary.bottom() < nBottom,
                 qPrintable(QStringLiteral("%1 > %2").arg(rcSummary.bottom()).arg(nBottom)));
        QVERIFY(pSummary->height() >= pSummary->sizeHint().height());
        // And the list shows a few rows.
        QVERIFY(w.Results().List()->viewport()->height() >=
                3 * w.Results().List()->sizeHintForRow(0));
    }
}

int main(int argc, char** argv) {
    // What the window remembers between runs stays inside the test.
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    CConvertApp app(argc, argv);
    TestPreviewPanel test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_PreviewPanel.moc"
