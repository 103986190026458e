// The KVN CSV reader on any bytes, into one long-lived record as the window
// keeps it; whatever it reads is written again in both formats.
#include "formats/csv/CsvDataFile.h"
#include "formats/twi/TwiDataFile.h"

#include "FuzzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CPlotDataObj record;
    CCsvDataFile csv;
    CTwiDataFile twi;
    std::string path = fuzz_support::WriteInput("in.csv", data, size);
    if (csv.ReadSurvey(path.c_str(), &record) == 0) {
        csv.WriteSurvey(fuzz_support::ScratchPath("out.csv").c_str(), &record);
        twi.WriteSurvey(fuzz_support::ScratchPath("out.twi").c_str(), &record);
    }
    return 0;
}
