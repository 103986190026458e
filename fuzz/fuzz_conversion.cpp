// A whole conversion: the bytes are read with one reader (the first byte
// chooses which), the record is written in the other format, and that output
// is read back with its own reader into a fresh record. Unless the conversion
// warned, the output must read back with as many stations as were written.
#include "formats/csv/CsvDataFile.h"
#include "formats/twi/TwiDataFile.h"

#include "FuzzFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    bool bFromTwi = (data[0] & 1) != 0;
    std::string input = fuzz_support::WriteInput("conv.in", data + 1, size - 1);
    std::string output = fuzz_support::ScratchPath(bFromTwi ? "conv.csv" : "conv.twi");

    CCsvDataFile csv;
    CTwiDataFile twi;
    CPlotDataObj record;
    int nRead =
        bFromTwi ? twi.ReadSurvey(input.c_str(), &record) : csv.ReadSurvey(input.c_str(), &record);
    if (nRead != 0) {
        return 0;
    }
    int nWrite = bFromTwi ? csv.WriteSurvey(output.c_str(), &record)
                          : twi.WriteSurvey(output.c_str(), &record);
    // A record that was read is always written, unless a value is too long
    // for a line of the other format (a twist of 1e308): then the write
    // refuses it and says so, rather than cut the number.
    if (nWrite != 0 && !(nWrite == statusLineTooLong && record.m_diagnostics.HasErrors())) {
        std::abort();
    }
    if (nWrite != 0) {
        return 0;
    }
    CPlotDataObj readBack;
    const int nReadBack = bFromTwi ? csv.ReadSurvey(output.c_str(), &readBack)
                                   : twi.ReadSurvey(output.c_str(), &readBack);
    // The readers and the writers count the same stations: an output that
    // the conversion did not warn about reads back, every station of it.
    if (!record.m_diagnostics.HasWarnings() &&
        (nReadBack != 0 ||
         CSurveyDataFile::StationCount(readBack) != CSurveyDataFile::StationCount(record))) {
        std::abort();
    }
    return 0;
}
