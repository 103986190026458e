// The stop of a program on Windows. Ctrl-C, Ctrl-Break and closing the
// console window reach the program as console events, which the system
// hands to a thread of its own while the program goes on: that thread is the
// one that stops it. It removes every noted file, then ends the program as
// the system would have. The files may still be open for writing, so
// CFile opens them with deleting shared: the system removes each as soon as
// its last handle closes, at the latest when the program ends.
#include "platform/TempFiles.h"

#include "platform/TempFilesSystem.h"
#include "platform/WidePath.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {

BOOL WINAPI RemoveTempFilesOnEvent(DWORD nEvent) {
    switch (nEvent) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        RemoveNotedTempFilesForStop();
        // What the system's own handler does, said here so that no console
        // host can report the stop as a success.
        ExitProcess(static_cast<UINT>(STATUS_CONTROL_C_EXIT));
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        RemoveNotedTempFilesForStop();
        break;
    default:
        break;
    }
    return FALSE; // the system's own handler ends the program
}

} // namespace

void RemoveTempFilesOnSignals() {
    // A file-size limit has no counterpart here: a write beyond what the disk
    // holds fails with "no space left on device". A program started with
    // Ctrl-C ignored (start /b) keeps ignoring it: the system does not call
    // the handlers then.
    SetConsoleCtrlHandler(RemoveTempFilesOnEvent, TRUE);
}

// The console's events go to the handler's thread, never to the workers:
// nothing to block.
struct CStopSignalsBlocked::CSaved {};

CStopSignalsBlocked::CStopSignalsBlocked() = default;

CStopSignalsBlocked::~CStopSignalsBlocked() = default;

namespace temp_files_system {

unsigned long CurrentProcess() {
    return GetCurrentProcessId();
}

BOOL ProcessRuns(unsigned long nProcess) {
    HANDLE hProcess = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(nProcess));
    if (hProcess == nullptr) {
        // No such process, or one we may not look at: only the first is gone.
        return GetLastError() != ERROR_INVALID_PARAMETER;
    }
    const BOOL bRuns = WaitForSingleObject(hProcess, 0) == WAIT_TIMEOUT;
    CloseHandle(hProcess);
    return bRuns;
}

std::string MachineName() {
    wchar_t szName[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD nLength = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(szName, &nLength) ? Utf8FromWide(szName) : std::string();
}

BOOL ListFolder(const std::string& strFolder, std::vector<std::string>& names) {
    std::wstring strPattern;
    if (!WideFromUtf8((strFolder + "*").c_str(), strPattern)) {
        return FALSE;
    }
    WIN32_FIND_DATAW found;
    HANDLE hFind = FindFirstFileW(strPattern.c_str(), &found);
    if (hFind == INVALID_HANDLE_VALUE) {
        return FALSE;
    }
    do {
        names.push_back(Utf8FromWide(found.cFileName));
    } while (FindNextFileW(hFind, &found));
    FindClose(hFind);
    return TRUE;
}

} // namespace temp_files_system
