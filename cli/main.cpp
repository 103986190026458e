#include "cli/BatchConverter.h"
#include "platform/TempFiles.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    // Without TZ the C library looks at /etc/localtime again at every date it
    // converts; naming that same zone file lets it read it once.
    if (std::getenv("TZ") == nullptr) {
        ::setenv("TZ", ":/etc/localtime", 0);
    }
    // Ctrl-C or a kill midway leaves no hidden temporary file behind.
    RemoveTempFilesOnSignals();
    std::vector<std::string> args(argv + 1, argv + argc);
    CBatchConverter converter(std::cout, std::cerr, ::isatty(STDERR_FILENO) != 0);
    converter.m_bLineAtATime = ::isatty(STDOUT_FILENO) != 0;
    if (!converter.m_bLineAtATime) {
        // Room for a block of lines, so that they go out whole, together.
        static char outputBuffer[1 << 16];
        std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);
    }
    return converter.Run(args);
}
