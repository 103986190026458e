// The TWI reader on any bytes, into one long-lived record as the window
// keeps it; whatever it reads is written again in both formats.
#include "FuzzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CTwiDataFile reader;
    fuzz_support::ReadAndWriteBoth(reader, "in.twi", data, size);
    return 0;
}
