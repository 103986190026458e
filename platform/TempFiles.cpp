#include "platform/TempFiles.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {

// One slot per temporary file. The slots lie in zeroed memory, so only those
// ever used take up room. A path of more than kPathSize - 1 bytes is written
// all the same, but not removed on a signal.
constexpr int kSlots = kTempFileSlots;
constexpr size_t kPathSize = 1024;

// A slot is free, being filled or emptied by a thread, or holds a path the
// signal handler may read. The handler reads only ready slots, and the path
// of a ready slot is never changed, so it needs no lock. The states lie
// together, so that finding a free slot touches little memory; the paths
// apart, in memory that is zero until a slot is first used.
enum SlotState : int { slotFree = 0, slotBusy, slotReady };

std::atomic<int> g_states[kSlots];
char g_paths[kSlots][kPathSize];

static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the slots");

extern "C" void RemoveTempFilesAndDie(int nSignal) {
    // Only async-signal-safe calls from here on: unlink, signal, raise.
    for (int i = 0; i < kSlots; ++i) {
        if (g_states[i].load(std::memory_order_acquire) == slotReady) {
            ::unlink(g_paths[i]);
        }
    }
    std::signal(nSignal, SIG_DFL);
    std::raise(nSignal);
}

} // namespace

int RegisterTempFile(LPCSTR pszPath) {
    if (pszPath == nullptr || std::strlen(pszPath) >= kPathSize) {
        return -1;
    }
    for (int i = 0; i < kSlots; ++i) {
        int nExpected = slotFree;
        if (g_states[i].load(std::memory_order_relaxed) == slotFree &&
            g_states[i].compare_exchange_strong(nExpected, slotBusy, std::memory_order_acquire)) {
            std::strcpy(g_paths[i], pszPath);
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
    struct sigaction action = {};
    action.sa_handler = RemoveTempFilesAndDie;
    sigemptyset(&action.sa_mask);
    for (int nSignal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&action.sa_mask, nSignal);
    }
    for (int nSignal : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(nSignal, &action, nullptr);
    }
    std::signal(SIGXFSZ, SIG_IGN);
}
