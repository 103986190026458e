// veltrane-convert on Windows: the arguments arrive as UTF-16 and are passed
// on as UTF-8, the core's text; the console shows UTF-8 as it is written.
#include "cli/BatchConverter.h"
#include "platform/TempFiles.h"
#include "platform/WidePath.h"

#include <iostream>

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    // Ctrl-C or closing the console midway leaves no hidden temporary file behind.
    RemoveTempFilesOnSignals();
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(Utf8FromWide(argv[i]));
    }
    CBatchConverter converter(std::cout, std::cerr);
    return converter.Run(args);
}
