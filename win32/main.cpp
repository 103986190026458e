// veltrane.exe on Windows: the native dialog. A file named on the command
// line (by "Open with", or dropped on the program's icon) is selected first.
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
    std::string strStartFile;
    int argc = 0;
    if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
        if (argc > 1) {
            strStartFile = Utf8FromWide(argv[1]);
        }
        LocalFree(argv);
    }
    CConvertWindow window;
    return window.Run(strStartFile);
}
