// The preview of the Veltrane window, driven as a user would: a file chosen
// or dropped shows its survey, a file that cannot be read says why, the
// direction box reads it again, Save Picture saves the plot, the file given
// on the command line opens with the window, and several files or a folder
// are converted at once and listed. Pictures of the window land in the
// build folder.
#include "app/ConvertApp.h"
#include "app/ConvertDlg.h"
#include "app/PreviewPanel.h"
#include "app/ResultsPanel.h"
#include "app/TwistPlotView.h"
#include "formats/twi/TwiDataFile.h"

#include <QAction>
#include <QComboBox>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {

const QString kSamples = QStringLiteral(VELTRANE_SAMPLE_DIR);
const QString kPictures = QStringLiteral(VELTRANE_PICTURE_DIR);

QByteArray ReadFile(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& strPath, const QByteArray& bytes) {
    QFile file(strPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A copy of a sample in the folder, edited: each pair replaces its first
// text with its second.
QString EditedSample(const QTemporaryDir& dir, const QString& strSample, const QString& strName,
                     const QList<QPair<QByteArray, QByteArray>>& edits = {}) {
    QByteArray bytes = ReadFile(kSamples + "/" + strSample);
    for (const auto& edit : edits) {
        bytes.replace(bytes.indexOf(edit.first), edit.first.size(), edit.second);
    }
    WriteFile(dir.filePath(strName), bytes);
    return dir.filePath(strName);
}

// An empty expectation is met by any text, the null text included.
bool StartsWith(const QString& strText, const QString& strStart) {
    return strStart.isEmpty() || strText.startsWith(strStart);
}

// The main window with its dialogs replaced: Browse returns m_strChoice,
// Save Picture m_strPicture (remembering the name it suggested), and
// messages are kept.
struct Window {
    Window() {
        dlg.SetFileChooser([this](QWidget*) { return m_strChoice; });
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

    QComboBox* Direction() { return dlg.findChild<QComboBox*>("direction"); }
    const CPreviewPanel& Panel() { return dlg.Preview(); }
    CTwistPlotView* PlotView() { return dlg.findChild<CTwistPlotView*>("plot"); }
    QAction* Action(const char* pszText) {
        for (QAction* pAction : dlg.actions()) {
            if (pAction->text() == QString::fromLatin1(pszText)) {
                return pAction;
            }
        }
        return nullptr;
    }
    void Browse(const QString& strChoice) {
        m_strChoice = strChoice;
        dlg.findChild<QPushButton*>("browse")->click();
    }
    void Drop(const QString& strPath) {
        dlg.show();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(strPath)});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dlg, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dlg, &drop);
    }
    void Convert() { dlg.findChild<QPushButton*>("convert")->click(); }
    // Drops several files or folders, and waits for the run to end.
    bool DropMany(const QStringList& paths, bool bWait = true) {
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
        return !bWait || done.count() > 0 || done.wait(20000);
    }
    CResultsPanel& Results() { return dlg.Preview().Results(); }
    // Each row as "FILE: RESULT".
    QStringList Rows() {
        QStringList rows;
        QTreeWidget* pList = Results().List();
        for (int i = 0; i < pList->topLevelItemCount(); ++i) {
            rows << pList->topLevelItem(i)->text(0) + ": " + pList->topLevelItem(i)->text(1);
        }
        return rows;
    }
    void SelectRow(int nRow) {
        Results().List()->setCurrentItem(Results().List()->topLevelItem(nRow));
    }

    CConvertDlg dlg;
    QString m_strChoice;
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
    void directionReadsAgain();
    void previewLeavesConversionAlone();
    void savePicture_data();
    void savePicture();
    void startFileArgument_data();
    void startFileArgument();
    void startFileOpensWithWindow();
    void rowsFollowWidth();
    void largeSurveyPreviewTime();
    void manyFilesConvertedAndListed();
    void folderGivesItsSurveys();
    void existingOutputsAskedOnce_data();
    void existingOutputsAskedOnce();
    void browseChoosesMany();
    void fileDialogTakesSeveral();
    void longRunShowsProgressAndCancels();
    void savePictures();
};

void TestPreviewPanel::initTestCase() {
    // The summary's dates are local times.
    qputenv("TZ", "UTC0");
    tzset();
}

void TestPreviewPanel::selectionShowsSurvey_data() {
    QTest::addColumn<QString>("sample");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("summary");
    QTest::addColumn<QString>("message");     // the start of the text in place of the plot
    QTest::addColumn<QString>("diagnostics"); // the start of the diagnostics
    QTest::addColumn<int>("stations");        // in the plot; -1 for no plot

    QTest::newRow("twi chosen") << "BH-07.twi"
                                << "browse" << QStringList{"Format: TWI",
                                                           "Reading date: 10/21/2026 14:05:37",
                                                           "Depth: 80.0 feet",
                                                           "Interval: 2.0 feet",
                                                           "Stations: 40, from 2.0 to 80.0 feet",
                                                           "Reading unit: degrees"}
                                << ""
                                << "" << 40;
    QTest::newRow("csv dropped") << "SDP_I-3.csv"
                                 << "drop"
                                 << QStringList{"Format: KVN CSV",
                                                "Borehole: I-3",
                                                "Site: North Slope Cut",
                                                "Reading date: 09/14/2026 10:42:05",
                                                "Depth: 24.0 meters",
                                                "Interval: 0.5 meters",
                                                "Stations: 48, from 0.5 to 24.0 meters",
                                                "Reading unit: degrees"}
                                 << ""
                                 << "" << 48;
    QTest::newRow("warning") << "SDP_moved.csv"
                             << "browse"
                             << QStringList{"Format: KVN CSV",
                                            "Borehole: I-3",
                                            "Site: North Slope Cut",
                                            "Reading date: 03/03/2026 10:42:05",
                                            "Depth: 24.0 meters",
                                            "Interval: 0.5 meters",
                                            "Stations: 48, from 0.5 to 24.0 meters",
                                            "Reading unit: degrees"}
                             << ""
                             << "line 8: warning: the reading date \"02/31/2026,10:42:05\" does "
                                "not exist"
                             << 48;
    QTest::newRow("station missing")
        << "SDP_gap.csv"
        << "drop" << QStringList{"Format: KVN CSV"}
        << "Error reading data file, code = -5.\nA station is missing between the first and "
           "the last station."
        << "line 27: error: the station at 3.0 m is missing" << -1;
    // Refused exactly as the conversion to TWI refuses it.
    QTest::newRow("not spiral")
        << "SDP_incl.csv"
        << "browse" << QStringList{"Format: KVN CSV"}
        << "Error reading data file, code = -9.\nThis is not a spiral survey."
        << "line 3: error" << -1;
    QTest::newRow("missing") << "absent.twi"
                             << "browse" << QStringList{"Format: TWI"}
                             << "Error reading data file, code = -1.\nThe file does not exist"
                             << "error: the file cannot be opened: no such file or folder" << -1;
    // The system breaks the read off: the window names the file and carries on.
    QTest::newRow("device error") << "/proc/self/mem"
                                  << "browse" << QStringList{"Format: TWI"}
                                  << "The file /proc/self/mem could not be read: "
                                  << "" << -1;
}

void TestPreviewPanel::selectionShowsSurvey() {
    QFETCH(QString, sample);
    QFETCH(QString, how);
    QFETCH(QStringList, summary);
    QFETCH(QString, message);
    QFETCH(QString, diagnostics);
    QFETCH(int, stations);

    QTemporaryDir dir;
    EditedSample(dir, "SDP_I-3.csv", "SDP_moved.csv", {{"09/14/2026", "02/31/2026"}});
    EditedSample(dir, "SDP_I-3.csv", "SDP_gap.csv", {{"-3.0,0.1,5.8,0.0,0.0\r\n", ""}});
    EditedSample(dir, "SDP_I-3.csv", "SDP_incl.csv", {{"Digital Spiral", "Digital Inclinometer"}});
    const QString strPath = sample.startsWith('/') ? sample
                            : QFile::exists(dir.filePath(sample)) || sample == "absent.twi"
                                ? dir.filePath(sample)
                                : kSamples + "/" + sample;

    Window w;
    if (how == "drop") {
        w.Drop(strPath);
    } else {
        w.Browse(strPath);
    }
    QCOMPARE(w.Panel().Path(), strPath);
    QCOMPARE(w.Panel().SummaryLines(), summary);
    QVERIFY2(StartsWith(w.Panel().MessageText(), message), qPrintable(w.Panel().MessageText()));
    QVERIFY2(StartsWith(w.Panel().DiagnosticsText(), diagnostics),
             qPrintable(w.Panel().DiagnosticsText()));
    QCOMPARE(diagnostics.isEmpty(), w.Panel().DiagnosticsText().isEmpty());
    if (stations < 0) {
        QVERIFY(w.PlotView()->Plot() == nullptr);
        // The reason and, under it, the lines that say where.
        QVERIFY(!w.Panel().MessageText().isEmpty());
        QVERIFY(w.Panel().MessageText().endsWith(w.Panel().DiagnosticsText()));
    } else {
        QVERIFY(w.PlotView()->Plot() != nullptr);
        QCOMPARE(int(w.PlotView()->Plot()->Profile().m_stations.size()), stations);
        QVERIFY(w.Panel().MessageText().isEmpty());
    }
    // Save Picture is there for a plot only.
    QCOMPARE(w.Action(CConvertDlg::kSavePictureItem)->isEnabled(), stations >= 0);
    // The preview says what is wrong; no message box interrupts a look, but
    // for the one an unknown extension always gave.
    const bool bKnownType = strPath.endsWith(".csv") || strPath.endsWith(".twi");
    QCOMPARE(w.m_messages.size(), bKnownType ? 0 : 1);
}

void TestPreviewPanel::directionReadsAgain() {
    Window w;
    w.Browse(kSamples + "/SDP_I-3.csv");
    QCOMPARE(w.Panel().Direction(), int(directionCsvToTwi));

    // The other entry: the file read as TWI, which it is not.
    w.Direction()->setCurrentIndex(directionTwiToCsv);
    QCOMPARE(w.Panel().Direction(), int(directionTwiToCsv));
    QVERIFY(w.Panel().MessageText().startsWith("Error reading data file, code = -3."));
    QVERIFY(w.PlotView()->Plot() == nullptr);

    // Typed text selects no direction: nothing is read.
    w.Direction()->lineEdit()->setText(QStringLiteral("KVN to TWI"));
    QCOMPARE(w.Panel().MessageText(), QString::fromLatin1(CPreviewPanel::kNoDirection));
    QVERIFY(w.Panel().SummaryLines().isEmpty());

    w.Direction()->setCurrentIndex(directionCsvToTwi);
    QVERIFY(w.PlotView()->Plot() != nullptr);
    QCOMPARE(w.Panel().SummaryLines().value(1), QStringLiteral("Borehole: I-3"));
    QVERIFY(w.m_messages.isEmpty());
}

// The preview reads into its own record: Convert writes the same bytes
// whatever was looked at before, in either direction.
void TestPreviewPanel::previewLeavesConversionAlone() {
    QTemporaryDir dirPlain;
    QTemporaryDir dirLooked;
    QByteArray bytes[2];
    for (int nRun = 0; nRun < 2; ++nRun) {
        const QTemporaryDir& dir = nRun == 0 ? dirPlain : dirLooked;
        const QString strTwi = EditedSample(dir, "BH-07.twi", "BH-07.twi");
        Window w;
        if (nRun == 1) {
            // A KVN CSV survey with site, borehole, operator and comments,
            // then the TWI survey read the wrong way and the right way.
            w.Browse(kSamples + "/SDP_I-3.csv");
            w.Browse(strTwi);
            w.Direction()->setCurrentIndex(directionCsvToTwi);
            w.Direction()->setCurrentIndex(directionTwiToCsv);
            QVERIFY(!w.dlg.Command().m_plotData.m_bDataLoaded);
            QVERIFY(w.dlg.Command().m_plotData.m_diagnostics.IsEmpty());
        } else {
            w.Browse(strTwi);
        }
        w.Convert();
        QCOMPARE(w.m_messages.size(), 1);
        QVERIFY(w.m_messages.first().startsWith(CConvertCommand::kMsgConverted));
        bytes[nRun] = ReadFile(dir.filePath("SDP_BH-07.csv"));
    }
    QVERIFY(!bytes[0].isEmpty());
    QCOMPARE(bytes[1], bytes[0]);
}

void TestPreviewPanel::savePicture_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("magic"); // the first bytes; empty when it must fail
    QTest::newRow("png") << "twist.png" << QByteArray("\x89PNG");
    QTest::newRow("svg") << "twist.SVG" << QByteArray("<?xml");
    QTest::newRow("pdf") << "twist.pdf" << QByteArray("%PDF");
    QTest::newRow("unknown type") << "twist.gif" << QByteArray();
    QTest::newRow("no such folder") << "missing/twist.png" << QByteArray();
    QTest::newRow("cancelled") << "" << QByteArray();
}

void TestPreviewPanel::savePicture() {
    QFETCH(QString, name);
    QFETCH(QByteArray, magic);

    QTemporaryDir dir;
    Window w;
    w.Browse(EditedSample(dir, "BH-07.twi", "BH-07.twi"));
    w.m_strPicture = name.isEmpty() ? QString() : dir.filePath(name);
    // From the window's context menu, where the user finds it.
    QAction* pSave = w.Action(CConvertDlg::kSavePictureItem);
    QVERIFY(pSave != nullptr && pSave->isEnabled());
    pSave->trigger();

    // Beside the survey, named as veltrane-convert --plot names it.
    QCOMPARE(w.m_strSuggested, dir.filePath("SDP_BH-07.png"));
    if (!magic.isEmpty()) {
        QVERIFY(w.m_messages.isEmpty());
        QVERIFY(ReadFile(w.m_strPicture).startsWith(magic));
        if (name.endsWith(".png")) {
            QCOMPARE(QImage(w.m_strPicture).size(),
                     QSize(CTwistPlot::kDefaultWidth, CTwistPlot::kDefaultHeight));
        }
    } else if (name.isEmpty()) {
        QVERIFY(w.m_messages.isEmpty());
    } else {
        QCOMPARE(w.m_messages.size(), 1);
        QVERIFY2(w.m_messages.first().startsWith("The picture could not be saved.\n"),
                 qPrintable(w.m_messages.first()));
        QVERIFY(!QFile::exists(w.m_strPicture));
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), magic.isEmpty() ? 1 : 2);
}

void TestPreviewPanel::startFileArgument_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("file"); // relative to the current folder, or absolute
    QTest::newRow("none") << QStringList{} << "";
    QTest::newRow("a file") << QStringList{"B12.twi"} << "B12.twi";
    QTest::newRow("absolute") << QStringList{"/data/B12.twi"} << "/data/B12.twi";
    QTest::newRow("options are not files")
        << QStringList{"-style", "--reverse", "SDP_1.csv", "more.twi"} << "SDP_1.csv";
    QTest::newRow("after --") << QStringList{"--", "-odd.twi"} << "-odd.twi";
    QTest::newRow("file address") << QStringList{"file:///data/My%20B12.twi"} << "/data/My B12.twi";
}

void TestPreviewPanel::startFileArgument() {
    QFETCH(QStringList, args);
    QFETCH(QString, file);
    QList<QByteArray> bytes{"veltrane"};
    for (const QString& strArg : args) {
        bytes << strArg.toUtf8();
    }
    QList<char*> argv;
    for (QByteArray& arg : bytes) {
        argv << arg.data();
    }
    argv << nullptr;
    const QString strExpected = file.isEmpty() ? QString() : QDir::current().absoluteFilePath(file);
    QCOMPARE(CConvertApp::StartFile(int(bytes.size()), argv.data()), strExpected);
}

void TestPreviewPanel::startFileOpensWithWindow() {
    const QString strSample = kSamples + "/BH-07.twi";
    QString strSelected;
    QStringList summary;
    QTimer::singleShot(0, [&] {
        auto* pDlg = qobject_cast<CConvertDlg*>(QApplication::activeModalWidget());
        if (pDlg == nullptr) {
            return;
        }
        strSelected = pDlg->findChild<QPlainTextEdit*>("selection")->toPlainText();
        summary = pDlg->Preview().SummaryLines();
        pDlg->reject();
    });
    QCOMPARE(CConvertApp::RunMainWindow(strSample), 0);
    QCOMPARE(strSelected, strSample);
    QCOMPARE(summary.value(0), QStringLiteral("Format: TWI"));
}

void TestPreviewPanel::rowsFollowWidth() {
    Window w;
    w.dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.dlg));
    auto* pSelection = w.dlg.findChild<QPlainTextEdit*>("selection");
    auto* pBrowse = w.dlg.findChild<QPushButton*>("browse");
    auto* pPicture = w.dlg.findChild<QLabel*>("picture");
    auto* pConvert = w.dlg.findChild<QPushButton*>("convert");
    auto* pPreview = w.dlg.findChild<CPreviewPanel*>("preview");

    QRect rcConvert;
    int nBrowseToEdge = -1;
    int nPictureToEdge = -1;
    for (const QSize& size : {w.dlg.minimumSize(), w.dlg.minimumSize() + QSize(300, 200)}) {
        w.dlg.resize(size);
        QCoreApplication::processEvents();
        const int nMargin = pSelection->x();
        // Browse and the picture keep to the right edge, the box between
        // them and the left edge grows, Convert stays where it was.
        if (nBrowseToEdge < 0) {
            rcConvert = pConvert->geometry();
            nBrowseToEdge = w.dlg.width() - pBrowse->x();
            nPictureToEdge = w.dlg.width() - pPicture->x();
        }
        QCOMPARE(w.dlg.width() - pBrowse->x(), nBrowseToEdge);
        QCOMPARE(w.dlg.width() - pPicture->x(), nPictureToEdge);
        QCOMPARE(pConvert->geometry(), rcConvert);
        QVERIFY(pBrowse->geometry().right() >= w.dlg.width() - 2 * nMargin);
        QVERIFY(pSelection->geometry().right() < pBrowse->x());
        QVERIFY(pConvert->geometry().right() < pPicture->x());
        // The preview fills what is below the rows.
        QVERIFY(pPreview->y() > pConvert->geometry().bottom());
        QVERIFY(pPreview->y() > pPicture->geometry().bottom());
        QCOMPARE(pPreview->geometry().right(), pBrowse->geometry().right());
        QCOMPARE(pPreview->geometry().bottom(), w.dlg.height() - nMargin - 1);
        QVERIFY(w.PlotView()->isVisible() ||
                pPreview->findChild<QLabel*>("previewMessage")->isVisible());
    }
}

// The time from the selection of a survey of 100,000 stations to the plot
// on the screen, reported for the README.
void TestPreviewPanel::largeSurveyPreviewTime() {
    constexpr int kStations = 100000;
    QTemporaryDir dir;
    const QString strPath = dir.filePath("long.twi");
    {
        CPlotDataObj data;
        data.m_nFileType = 1;
        data.m_dInterval = 0.5;
        data.m_dBottomDepth = kStations * 0.5;
        data.m_strDepthUnits = "meters";
        data.m_timeReading = CTime(2026, 9, 14, 10, 42, 5);
        data.AllocateGrid();
        for (int i = 0; i < kStations; ++i) {
            data.AddReading(((i * 7919) % 13) * 0.1 - 0.55, 0.0, 0.0, 0.0);
        }
        data.m_bDataLoaded = TRUE;
        CTwiDataFile writer;
        QCOMPARE(writer.WriteSurvey(QFile::encodeName(strPath).constData(), &data), 0);
    }
    Window w;
    w.dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.dlg));

    // Five times over, as the machine may be busy with other work.
    QList<qint64> times;
    for (int nRun = 0; nRun < 5; ++nRun) {
        QElapsedTimer timer;
        timer.start();
        w.Browse(strPath);
        w.dlg.repaint(); // paints now, plot included
        times << timer.elapsed();
        QVERIFY(w.PlotView()->Plot() != nullptr);
        QCOMPARE(int(w.PlotView()->Plot()->Profile().m_stations.size()), kStations);
    }
    std::sort(times.begin(), times.end());
    qInfo("Preview of %d stations, from the selection to the painted window: %lld ms at best, "
          "%lld ms median",
          kStations, times.first(), times[2]);
}

void TestPreviewPanel::manyFilesConvertedAndListed() {
    QTemporaryDir dir;
    const QString strTwi = EditedSample(dir, "BH-07.twi", "BH-07.twi");
    const QString strCsv = EditedSample(dir, "SDP_I-3.csv", "SDP_I-3.csv");
    WriteFile(dir.filePath("broken.twi"), "not a survey\r\n");
    WriteFile(dir.filePath("notes.txt"), "hello");

    Window w;
    QVERIFY(w.DropMany({strTwi, strCsv, dir.filePath("broken.twi"), dir.filePath("notes.txt")}));
    const QStringList rows = w.Rows();
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows[0], QStringLiteral("BH-07.twi: Converted to SDP_BH-07.csv"));
    QCOMPARE(rows[1], QStringLiteral("SDP_I-3.csv: Converted to SDP_I-3.twi"));
    QVERIFY2(rows[2].startsWith("broken.twi: Error reading data file, code = -3. This is not a "
                                "readable TWI survey"),
             qPrintable(rows[2]));
    QVERIFY2(rows[3].startsWith("notes.txt: Not converted: the file format type can not be "
                                "determined"),
             qPrintable(rows[3]));
    // What the read found, on the row.
    QVERIFY(w.Results().List()->topLevelItem(2)->toolTip(1).contains("\n\nline 1: error: "));
    QCOMPARE(w.Results().StatusText(), QStringLiteral("4 files: 2 converted, 2 not converted."));
    QVERIFY(w.m_messages.isEmpty());
    QVERIFY(w.m_questions.isEmpty());
    // Nothing selected, nothing to convert with Convert.
    QVERIFY(w.dlg.Command().m_strSelection.IsEmpty());

    // The same bytes as Convert writes for the file alone.
    QTemporaryDir dirAlone;
    Window alone;
    alone.Browse(EditedSample(dirAlone, "BH-07.twi", "BH-07.twi"));
    alone.Convert();
    QCOMPARE(ReadFile(dir.filePath("SDP_BH-07.csv")), ReadFile(dirAlone.filePath("SDP_BH-07.csv")));
    QVERIFY(QFile::exists(dir.filePath("SDP_I-3.twi")));

    // A row selected shows its file.
    w.SelectRow(2);
    QCOMPARE(w.Panel().Path(), dir.filePath("broken.twi"));
    QVERIFY(w.Panel().MessageText().startsWith("Error reading data file, code = -3."));
    w.SelectRow(1);
    QCOMPARE(w.Panel().Path(), strCsv);
    QCOMPARE(w.Panel().SummaryLines().value(1), QStringLiteral("Borehole: I-3"));
    QVERIFY(w.PlotView()->Plot() != nullptr);
    w.SelectRow(3);
    QVERIFY(w.Panel().MessageText().startsWith("Not converted: the file format type"));
}

void TestPreviewPanel::folderGivesItsSurveys() {
    QTemporaryDir dir;
    EditedSample(dir, "BH-07.twi", "BH-07.twi");
    EditedSample(dir, "SDP_I-3.csv", "SDP_I-3.CSV");
    WriteFile(dir.filePath("notes.txt"), "hello");
    QVERIFY(QDir(dir.path()).mkdir("older"));
    EditedSample(dir, "BH-07.twi", "older/B1.twi");

    Window w;
    QVERIFY(w.DropMany({dir.path()}));
    QCOMPARE(w.Rows(), (QStringList{"BH-07.twi: Converted to SDP_BH-07.csv",
                                    "SDP_I-3.CSV: Converted to SDP_I-3.twi"}));
    QVERIFY(!QFile::exists(dir.filePath("older/SDP_B1.csv")));

    // An empty folder says so.
    QTemporaryDir empty;
    QVERIFY(w.DropMany({empty.path()}));
    QVERIFY(w.Rows().isEmpty());
    QCOMPARE(w.Results().StatusText(),
             QStringLiteral("No survey files (.twi or .csv) to convert."));
}

void TestPreviewPanel::existingOutputsAskedOnce_data() {
    QTest::addColumn<bool>("answer");
    QTest::newRow("replace") << true;
    QTest::newRow("keep") << false;
}

void TestPreviewPanel::existingOutputsAskedOnce() {
    QFETCH(bool, answer);
    QTemporaryDir dir;
    const QString strTwi = EditedSample(dir, "BH-07.twi", "BH-07.twi");
    const QString strCsv = EditedSample(dir, "SDP_I-3.csv", "SDP_I-3.csv");
    const QString strOther = EditedSample(dir, "BH-07.twi", "B2.twi");
    WriteFile(dir.filePath("SDP_BH-07.csv"), "earlier");
    WriteFile(dir.filePath("SDP_B2.csv"), "earlier");

    Window w;
    w.m_bAnswer = answer;
    QVERIFY(w.DropMany({strTwi, strCsv, strOther}));
    QCOMPARE(w.m_questions, QStringList{"2 of the converted files already exist. Replace them?"});
    QCOMPARE(w.Rows().value(1), QStringLiteral("SDP_I-3.csv: Converted to SDP_I-3.twi"));
    if (answer) {
        QCOMPARE(w.Rows().value(0), QStringLiteral("BH-07.twi: Converted to SDP_BH-07.csv"));
        QVERIFY(ReadFile(dir.filePath("SDP_BH-07.csv")).startsWith("KVN Digital"));
        QCOMPARE(w.Results().StatusText(), QStringLiteral("3 files: 3 converted."));
    } else {
        QCOMPARE(w.Rows().value(0), QStringLiteral("BH-07.twi: Kept the existing SDP_BH-07.csv"));
        QCOMPARE(w.Rows().value(2), QStringLiteral("B2.twi: Kept the existing SDP_B2.csv"));
        QCOMPARE(ReadFile(dir.filePath("SDP_BH-07.csv")), QByteArray("earlier"));
        QCOMPARE(w.Results().StatusText(), QStringLiteral("3 files: 1 converted, 2 kept."));
    }
    QCOMPARE(CResultsPanel::ReplaceQuestion(1),
             QStringLiteral("1 of the converted files already exists. Replace it?"));
}

void TestPreviewPanel::browseChoosesMany() {
    QTemporaryDir dir;
    const QStringList chosen{EditedSample(dir, "BH-07.twi", "BH-07.twi"),
                             EditedSample(dir, "SDP_I-3.csv", "SDP_I-3.csv")};
    Window w;
    w.dlg.SetFilesChooser([&chosen](QWidget*) { return chosen; });
    QSignalSpy done(&w.Results(), &CResultsPanel::finished);
    w.dlg.findChild<QPushButton*>("browse")->click();
    QVERIFY(done.count() > 0 || done.wait(20000));
    QCOMPARE(w.Rows(), (QStringList{"BH-07.twi: Converted to SDP_BH-07.csv",
                                    "SDP_I-3.csv: Converted to SDP_I-3.twi"}));
}

// Browse's own dialog: two files picked together come back together.
void TestPreviewPanel::fileDialogTakesSeveral() {
    QTemporaryDir dir;
    EditedSample(dir, "BH-07.twi", "B1.twi");
    EditedSample(dir, "BH-07.twi", "B2.twi");
    const QString strOldCurrent = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QStringList chosen;
    QTimer::singleShot(0, [] {
        auto* pDialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (pDialog == nullptr) {
            return;
        }
        auto* pList = pDialog->findChild<QListView*>("listView");
        QTRY_VERIFY(pList != nullptr && pList->model()->rowCount(pList->rootIndex()) == 2);
        // A click, then a Ctrl-click, as a user picks two files.
        for (int i = 0; i < 2; ++i) {
            const QRect rcItem = pList->visualRect(pList->model()->index(i, 0, pList->rootIndex()));
            QTest::mouseClick(pList->viewport(), Qt::LeftButton,
                              i == 0 ? Qt::NoModifier : Qt::ControlModifier, rcItem.center());
        }
        QMetaObject::invokeMethod(pDialog, "accept");
    });
    chosen = CConvertDlg::ChooseSurveyFiles(nullptr);
    QDir::setCurrent(strOldCurrent);
    chosen.sort();
    QCOMPARE(chosen, (QStringList{dir.filePath("B1.twi"), dir.filePath("B2.twi")}));
}

// A run held up after its first file: the window goes on answering, shows
// the progress and Cancel, and a cancel leaves the files after the one under
// way unconverted.
void TestPreviewPanel::longRunShowsProgressAndCancels() {
    QTemporaryDir dir;
    const QStringList paths{EditedSample(dir, "BH-07.twi", "B0.twi"),
                            EditedSample(dir, "BH-07.twi", "B1.twi"),
                            EditedSample(dir, "BH-07.twi", "B2.twi")};
    Window w;
    QSemaphore go;
    w.Results().SetFileEndHook([&go](int nIndex) {
        if (nIndex == 0) {
            go.acquire();
        }
    });
    QElapsedTimer timer;
    timer.start();
    QVERIFY(w.DropMany(paths, false));
    QVERIFY(w.Results().IsRunning());
    auto* pCancel = w.Results().findChild<QPushButton*>("cancel");
    QVERIFY(!pCancel->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(pCancel->isVisible(), 5000);
    QVERIFY(timer.elapsed() >= CResultsPanel::kProgressDelayMs);
    QCOMPARE(w.Results().findChild<QProgressBar*>("progress")->value(), 0);
    QCOMPARE(w.Rows().value(1), QStringLiteral("B1.twi: ") + CResultsPanel::kWaiting);

    QSignalSpy done(&w.Results(), &CResultsPanel::finished);
    pCancel->click();
    go.release();
    QVERIFY(done.wait(20000));
    QCOMPARE(w.Rows(),
             (QStringList{"B0.twi: Converted to SDP_B0.csv", "B1.twi: Not converted: cancelled.",
                          "B2.twi: Not converted: cancelled."}));
    QVERIFY(!QFile::exists(dir.filePath("SDP_B1.csv")));
    QVERIFY(!pCancel->isVisible());
    QVERIFY(!w.Results().IsRunning());
    QCOMPARE(w.Results().StatusText(),
             QStringLiteral("3 files: 1 converted, 2 not converted (cancelled)."));
}

// The window with each sample on show, with a file it cannot read, with
// one it reads with a warning, and with nothing selected.
void TestPreviewPanel::savePictures() {
    QTemporaryDir dir;
    const QString strGap =
        EditedSample(dir, "SDP_I-3.csv", "SDP_I-3 broken.csv", {{"-3.0,0.1,5.8,0.0,0.0\r\n", ""}});
    const QString strMoved =
        EditedSample(dir, "SDP_I-3.csv", "SDP_I-3 moved.csv", {{"09/14/2026", "02/31/2026"}});
    const QList<QPair<QString, QString>> shots = {
        {kSamples + "/SDP_I-3.csv", "veltrane-preview-csv.png"},
        {kSamples + "/BH-07.twi", "veltrane-preview-twi.png"},
        {strGap, "veltrane-preview-error.png"},
        {strMoved, "veltrane-preview-warning.png"},
        {QString(), "veltrane-preview-start.png"},
    };
    for (const auto& shot : shots) {
        Window w;
        if (!shot.first.isEmpty()) {
            w.Browse(shot.first);
        }
        w.dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.dlg));
        QVERIFY(w.dlg.grab().save(kPictures + "/" + shot.second));
    }

    // Many files: the results over the survey of the row selected.
    const QString strBadDate =
        EditedSample(dir, "SDP_I-3.csv", "SDP_I-4.csv", {{"09/14/2026", "02/31/2026"}});
    WriteFile(dir.filePath("notes.txt"), "hello");
    Window w;
    QVERIFY(w.DropMany({EditedSample(dir, "BH-07.twi", "BH-07.twi"),
                        EditedSample(dir, "SDP_I-3.csv", "SDP_I-3.csv"), strGap, strBadDate,
                        dir.filePath("notes.txt")}));
    w.SelectRow(1);
    QVERIFY(w.dlg.grab().save(kPictures + "/veltrane-preview-many.png"));

    // The README's picture (res/screenshot-window.png is a copy): a sample
    // as the window shows it, compressed as far as PNG goes.
    const QString strOldCurrent = QDir::currentPath();
    QDir::setCurrent(kSamples + "/..");
    Window readme;
    readme.Browse(QStringLiteral("samples/SDP_I-3.csv"));
    QDir::setCurrent(strOldCurrent);
    readme.dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&readme.dlg));
    QVERIFY(readme.dlg.grab().save(kPictures + "/veltrane-readme.png", "PNG", 0));
    qInfo("Pictures of the preview: %s/veltrane-preview-*.png", qPrintable(kPictures));
}

int main(int argc, char** argv) {
    CConvertApp app(argc, argv);
    TestPreviewPanel test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_PreviewPanel.moc"
