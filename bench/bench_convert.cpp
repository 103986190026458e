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

// Reads the source with one converter and writes it with the other, over and
// over; the two files are made anew for each size.
void Convert(benchmark::State& state, bool bFromTwi) {
    int nStations = static_cast<int>(state.range(0));
    std::string base = WorkFolder() + (bFromTwi ? "/t" : "/c") + std::to_string(nStations);
    std::string twiPath = base + ".twi";
    std::string csvPath = base + ".csv";
    MakeSurvey(nStations, twiPath, csvPath);
    CTwiDataFile twi;
    CCsvDataFile csv;
    CSurveyDataFile& reader = bFromTwi ? static_cast<CSurveyDataFile&>(twi) : csv;
    CSurveyDataFile& writer = bFromTwi ? static_cast<CSurveyDataFile&>(csv) : twi;
    const std::string source = bFromTwi ? twiPath : csvPath;
    const std::string output = base + (bFromTwi ? "_out.csv" : "_out.twi");
    CPlotDataObj data;
    for (auto _ : state) {
        if (reader.ReadSurvey(source.c_str(), &data) != 0 ||
            writer.WriteSurvey(output.c_str(), &data) != 0) {
            state.SkipWithError("conversion failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * nStations);
    state.SetComplexityN(nStations);
}

void TwiToCsv(benchmark::State& state) {
    Convert(state, true);
}

void CsvToTwi(benchmark::State& state) {
    Convert(state, false);
}

} // namespace

// Up to the largest survey a grid may hold (a million stations is refused).
void StationCounts(benchmark::internal::Benchmark* pBenchmark) {
    for (int nStations : {100, 1000, 10000, 100000, 999999}) {
        pBenchmark->Arg(nStations);
    }
    pBenchmark->Unit(benchmark::kMillisecond)->Complexity();
}

BENCHMARK(TwiToCsv)->Apply(StationCounts);
BENCHMARK(CsvToTwi)->Apply(StationCounts);

BENCHMARK_MAIN();
