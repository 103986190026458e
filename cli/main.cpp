#include "cli/BatchConverter.h"
#include "platform/TempFiles.h"

#include <iostream>

int main(int argc, char** argv) {
    // Ctrl-C or a kill midway leaves no hidden temporary file behind.
    RemoveTempFilesOnSignals();
    std::vector<std::string> args(argv + 1, argv + argc);
    CBatchConverter converter(std::cout, std::cerr);
    return converter.Run(args);
}
