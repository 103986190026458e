// How reading and writing one survey grows with its number of stations.
#include "formats/csv/CsvDataFile.h"
#include "formats/twi/TwiDataFile.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// A folder for the benchmark's files (under TMPDIR, else /tmp), removed at
// exit. Never destroyed itself, so the exit handler can still read it.
const std::string& WorkFolder() {
    static const std::string* folder = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/veltrane-bench-XXXXXX";
        auto* made = new std::string(::mkdtemp(pattern.data()) ? pattern : "/tmp");
        std::atexit([] { std::system(("rm -rf '" + WorkFolder() + "'").c_str()); });
        return made;
    }();
    return *folder;
}

// Writes a spiral survey of the given number of stations in both formats.
void MakeSurvey(int nStations, const std::string& twiPath, const std::string& csvPath) {
    CPlotDataObj data;
    data.m_nFileType = 1;
    data.m_dInterval = 0.5;
    data.m_dBottomDepth = nStations * data.m_dInterval;
    data.m_strDepthUnits = "meters";
    data.m_strReadingUnits = "degrees";
    data.m_nReadingUnits = 7;
    data.AllocateGrid();
    for (int k = 0; k < nStations; ++k) {
        data.AddReading(0.1 * ((k * 7) % 5) - 0.2, 0.0, 0.0, 0.0);
    }
    CTwiDataFile twi;
    CCsvDataFile csv;
    csv.WriteSurvey(csvPath.c_str(), &data);
    twi.WriteSurvey(twiPath.c_str(), &data);
}

void TwiToCsv(benchmark::State& state) {
    int nStations = static_cast<int>(state.range(0));
    std::string base = WorkFolder() + "/t" + std::to_string(nStations);
    MakeSurvey(nStations, base + ".twi", base + "_in.csv");
    CTwiDataFile twi;
    CCsvDataFile csv;
    CPlotDataObj data;
    for (auto _ : state) {
        if (twi.ReadSurvey((base + ".twi").c_str(), &data) != 0 ||
            csv.WriteSurvey((base + "_out.csv").c_str(), &data) != 0) {
            state.SkipWithError("conversion failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * nStations);
    state.SetComplexityN(nStations);
}

void CsvToTwi(benchmark::State& state) {
    int nStations = static_cast<int>(state.range(0));
    std::string base = WorkFolder() + "/c" + std::to_string(nStations);
    MakeSurvey(nStations, base + "_in.twi", base + ".csv");
    CTwiDataFile twi;
    CCsvDataFile csv;
    CPlotDataObj data;
    for (auto _ : state) {
        if (csv.ReadSurvey((base + ".csv").c_str(), &data) != 0 ||
            twi.WriteSurvey((base + "_out.twi").c_str(), &data) != 0) {
            state.SkipWithError("conversion failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * nStations);
    state.SetComplexityN(nStations);
}

} // namespace

BENCHMARK(TwiToCsv)
    ->RangeMultiplier(10)
    ->Range(100, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(CsvToTwi)
    ->RangeMultiplier(10)
    ->Range(100, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

BENCHMARK_MAIN();
