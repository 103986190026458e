// How drawing the twist plot grows with the number of stations: into a
// 1200 x 900 image, as a window or a PNG gets it (a series keeps a few points
// a pixel row), and into SVG text, which keeps every station.
#include "plot/SvgChartPainter.h"
#include "plot/TwistPlot.h"
#include "survey/PlotDataObj.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

constexpr int kWidth = CTwistPlot::kDefaultWidth;
constexpr int kHeight = CTwistPlot::kDefaultHeight;

// A casing that turns slowly one way, its twist varying from interval to
// interval by up to 0.3 degrees.
CTwistProfile MakeProfile(int nStations) {
    CPlotDataObj data;
    data.m_nFileType = 1;
    data.m_dInterval = 0.5;
    data.m_dBottomDepth = nStations * data.m_dInterval;
    data.m_strBorehole = "B12";
    data.m_strDepthUnits = "meters";
    data.AllocateGrid();
    unsigned state = 12345;
    for (int k = 0; k < nStations; ++k) {
        state = state * 1103515245u + 12345u;
        data.AddReading(0.004 + ((state >> 16) % 601) / 1000.0 - 0.3, 0.0, 0.0, 0.0);
    }
    return CTwistProfile::FromSurvey(data);
}

void Profile(benchmark::State& state) {
    CPlotDataObj data;
    data.m_nFileType = 1;
    data.m_dInterval = 0.5;
    data.m_dBottomDepth = static_cast<double>(state.range(0)) * data.m_dInterval;
    data.AllocateGrid();
    for (int k = 0; k < state.range(0); ++k) {
        data.AddReading(0.1 * ((k * 7) % 5) - 0.2, 0.0, 0.0, 0.0);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(CTwistProfile::FromSurvey(data));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void DrawImage(benchmark::State& state) {
    const CTwistPlot plot(MakeProfile(static_cast<int>(state.range(0))));
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        plot.Draw(painter, image.rect());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void DrawSvg(benchmark::State& state) {
    const CTwistPlot plot(MakeProfile(static_cast<int>(state.range(0))));
    size_t nBytes = 0;
    for (auto _ : state) {
        nBytes = CSvgChartPainter::Picture(plot.Chart(), kWidth, kHeight).size();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["svg_bytes"] = static_cast<double>(nBytes);
}

} // namespace

BENCHMARK(Profile)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(DrawImage)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(DrawSvg)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen"); // no window is shown
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
