// The time from the selection of a survey of 100,000 stations to the window
// painted with its plot: the file read as Convert would read it, the summary,
// the twist profile and the plot drawn on the offscreen platform.
#include "app/ConvertApp.h"
#include "app/ConvertDlg.h"
#include "formats/twi/TwiDataFile.h"
#include "survey/PlotDataObj.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

constexpr int kStations = 100000;

// A TWI survey of kStations stations at 0.5 intervals in the folder.
QString WriteLongSurvey(const QTemporaryDir& dir) {
    CPlotDataObj data;
    data.m_nFileType = 1;
    data.m_dInterval = 0.5;
    data.m_dBottomDepth = kStations * 0.5;
    data.AllocateGrid();
    for (int i = 0; i < kStations; ++i) {
        data.AddReading(((i * 7919) % 13) * 0.1 - 0.55, 0.0, 0.0, 0.0);
    }
    data.m_bDataLoaded = TRUE;
    const QString strPath = dir.filePath("long.twi");
    CTwiDataFile writer;
    return writer.WriteSurvey(QFile::encodeName(strPath).constData(), &data) == 0 ? strPath
                                                                                  : QString();
}

void PreviewLargeSurvey(benchmark::State& state) {
    QTemporaryDir dir;
    const QString strPath = WriteLongSurvey(dir);
    if (strPath.isEmpty()) {
        state.SkipWithError("the survey could not be written");
        return;
    }
    CConvertDlg dlg;
    dlg.SetFilesChooser([&strPath](QWidget*) { return QStringList{strPath}; });
    dlg.SetMessageSink([](QWidget*, const QString&, const QString&) {});
    dlg.show();
    auto* pBrowse = dlg.findChild<QPushButton*>("browse");
    for (auto _ : state) {
        pBrowse->click();
        dlg.repaint(); // paints now, plot included
    }
    state.SetItemsProcessed(state.iterations() * kStations);
}

} // namespace

BENCHMARK(PreviewLargeSurvey)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    CConvertApp app(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
