// veltrane.exe on Windows: the native dialog. A file named on the command
// line (by "Open with") is selected first; several (dropped on the program's
// icon) are listed for Convert.
#include "platform/TempFiles.h"
#include "platform/WidePath.h"
#include "win32/ConvertWindow.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE /*hInstance*/, HINSTANCE /*hPrevious*/, LPWSTR /*pszCommandLine*/,
                    int /*nShow*/) {
    // Ended by the session midway, the window leaves no temporary file behind.
    RemoveTempFilesOnSignals();
    std::vector<std::string> startFiles;
    int argc = 0;
    if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
        for (int i = 1; i < argc; ++i) {
            if (argv[i][0] != L'\0') {
                startFiles.push_back(Utf8FromWide(argv[i]));
            }
        }
        LocalFree(argv);
    }
    CConvertWindow window;
    return window.Run(startFiles);
}
