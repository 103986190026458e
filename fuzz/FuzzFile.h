// The readers work on files, so every harness writes its input bytes to a
// real file first (in memory-backed /dev/shm when the machine has it).
#pragma once

#include "formats/csv/CsvDataFile.h"
#include "formats/twi/TwiDataFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace fuzz_support {

inline const std::string& ScratchFolder() {
    static const std::string folder = [] {
        std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = base + "/veltrane-fuzz-XXXXXX";
        char* made = mkdtemp(pattern.data());
        return std::string(made ? made : base.c_str());
    }();
    return folder;
}

inline std::string ScratchPath(const char* name) {
    return ScratchFolder() + "/" + name;
}

inline std::string WriteInput(const char* name, const uint8_t* data, size_t size) {
    std::string path = ScratchPath(name);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file) {
        if (size > 0) {
            std::fwrite(data, 1, size, file);
        }
        std::fclose(file);
    }
    return path;
}

// Reads the bytes with one reader into a long-lived record, as the window
// keeps it, and writes whatever it read again in both formats.
inline void ReadAndWriteBoth(CSurveyDataFile& reader, const char* name, const uint8_t* data,
                             size_t size) {
    static CPlotDataObj record;
    CCsvDataFile csv;
    CTwiDataFile twi;
    std::string path = WriteInput(name, data, size);
    if (reader.ReadSurvey(path.c_str(), &record) == 0) {
        csv.WriteSurvey(ScratchPath("out.csv").c_str(), &record);
        twi.WriteSurvey(ScratchPath("out.twi").c_str(), &record);
    }
}

} // namespace fuzz_support
