#include "platform/TempFiles.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {

// One slot per file being written at a time: a conversion writes one output,
// and a batch at most one per worker.
constexpr int kSlots = 64;
constexpr size_t kPathSize = 4096;

// A slot is free, being filled or emptied by a thread, or holds a path the
// signal handler may read. The handler reads only ready slots, and the path
// of a ready slot is never changed, so it needs no lock.
enum SlotState : int { slotFree, slotBusy, slotReady };

struct TempSlot {
    std::atomic<int> nState{slotFree};
    char szPath[kPathSize];
};

TempSlot g_slots[kSlots];

static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the slots");

extern "C" void RemoveTempFilesAndDie(int nSignal) {
    // Only async-signal-safe calls from here on: unlink, signal, raise.
    for (TempSlot& slot : g_slots) {
        if (slot.nState.load(std::memory_order_acquire) == slotReady) {
            ::unlink(slot.szPath);
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
        if (g_slots[i].nState.compare_exchange_strong(nExpected, slotBusy,
                                                      std::memory_order_acquire)) {
            std::strcpy(g_slots[i].szPath, pszPath);
            g_slots[i].nState.store(slotReady, std::memory_order_release);
            return i;
        }
    }
    return -1;
}

void UnregisterTempFile(int nSlot) {
    if (nSlot >= 0 && nSlot < kSlots) {
        g_slots[nSlot].nState.store(slotFree, std::memory_order_release);
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
