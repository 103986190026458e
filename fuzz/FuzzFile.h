// The readers work on files, so every harness writes its input bytes to a
// real file first (in memory-backed /dev/shm when the machine has it).
#pragma once

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

} // namespace fuzz_support
