// The temporary files an interrupted program must not leave behind, on
// Windows. Ctrl-C, Ctrl-Break and closing the console window reach the
// program as console events, handled on a thread of their own while the
// program goes on; the handler removes every noted file, then lets the
// system end the program as it would have. The files are open for writing
// then, so CFile opens them with deleting shared: the system removes each as
// soon as its last handle closes, at the latest when the program ends.
#include "platform/TempFiles.h"

#include "platform/WidePath.h"

#include <atomic>
#include <string>

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {

// One slot per temporary file. The slots lie in zeroed memory, so only those
// ever used take up room. A path of more than kPathSize - 1 UTF-16 units
// (four times the classic 260 of Windows) is written all the same, but not
// removed on Ctrl-C.
constexpr int kSlots = kTempFileSlots;
constexpr size_t kPathSize = 1024;

// A slot is free, being filled or emptied by a thread, or holds a path the
// handler may read. The handler reads only ready slots, and the path of a
// ready slot is never changed, so it needs no lock. Paths are kept in UTF-16,
// ready for the system's call.
enum SlotState : int { slotFree = 0, slotBusy, slotReady };

std::atomic<int> g_states[kSlots];
wchar_t g_paths[kSlots][kPathSize];

BOOL WINAPI RemoveTempFilesOnEvent(DWORD nEvent) {
    switch (nEvent) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        for (int i = 0; i < kSlots; ++i) {
            if (g_states[i].load(std::memory_order_acquire) == slotReady) {
                DeleteFileW(g_paths[i]);
            }
        }
        break;
    default:
        break;
    }
    return FALSE; // the system's own handler ends the program
}

} // namespace

int RegisterTempFile(LPCSTR pszPath) {
    std::wstring strWide;
    if (pszPath == nullptr || !WideFromUtf8(pszPath, strWide) || strWide.size() >= kPathSize) {
        return -1;
    }
    for (int i = 0; i < kSlots; ++i) {
        int nExpected = slotFree;
        if (g_states[i].load(std::memory_order_relaxed) == slotFree &&
            g_states[i].compare_exchange_strong(nExpected, slotBusy, std::memory_order_acquire)) {
            strWide.copy(g_paths[i], strWide.size());
            g_paths[i][strWide.size()] = L'\0';
            g_states[i].store(slotReady, std::memory_order_release);
            return i;
        }
    }
    return -1;
}

void UnregisterTempFile(int nSlot) {
    if (nSlot >= 0 && nSlot < kSlots) {
        g_states[nSlot].store(slotFree, std::memory_order_release);
    }
}

void RemoveTempFilesOnSignals() {
    // A file-size limit has no counterpart here: a write beyond what the disk
    // holds fails with "no space left on device".
    SetConsoleCtrlHandler(RemoveTempFilesOnEvent, TRUE);
}
