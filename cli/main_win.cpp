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

// Windows shells pass "*.twi" on as it is: the C runtime expands such
// patterns into the files they match before wmain, as a POSIX shell would.
extern "C" {
int _dowildcard = -1;
}

int wmain(int argc, wchar_t** argv) {
    // Ctrl-C or closing the console midway leaves no hidden temporary file behind.
    RemoveTempFilesOnSignals();
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(Utf8FromWide(argv[i]));
    }
    // A batch that takes a while shows its progress on a console, whose
    // escape sequences must be switched on to redraw the line in place.
    HANDLE hError = GetStdHandle(STD_ERROR_HANDLE);
    DWORD nMode = 0;
    const bool bProgress = GetConsoleMode(hError, &nMode) &&
                           SetConsoleMode(hError, nMode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    CBatchConverter converter(std::cout, std::cerr, bProgress);
    return converter.Run(args);
}
