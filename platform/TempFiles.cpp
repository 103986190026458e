// The list of temporary files that a stop removes, and the names that let a
// later run recognise the files of a run that could not clean up. The calls
// to the system are TempFiles_posix.cpp's and TempFiles_win.cpp's.
#include "platform/TempFiles.h"

#include "platform/FileSystem.h"
#include "platform/TempFilesSystem.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

namespace {

// A slot is free; being filled by the thread that took it; noted while its
// file is being created; noted with its file created; or taken by the
// stopping thread, which removes the file and keeps the slot until the
// program ends. Only the thread that holds a slot in the state it set reads
// or writes its path, so the paths need no lock; the stopping thread takes a
// slot from another thread by swapping the state.
enum SlotState : int { slotFree = 0, slotFilling, slotCreating, slotNoted, slotRemoving };

std::atomic<int> g_states[kTempFileSlots];
// Never freed: a stop at the end of the program still reads it.
std::string* const g_paths = new std::string[kTempFileSlots];
std::atomic<int> g_nextSlot{0}; // where the search for a free slot begins
std::atomic<bool> g_stopping{false};

// How long a stop waits for files being created (one open call each) before
// it removes what it has.
constexpr std::chrono::milliseconds kCreateWait{2000};

// The mark of a temporary name, after the target's name: ".vt-", the
// machine (8 hex digits), "-", the process, "-", kRandomLetters letters.
constexpr const char* kMark = ".vt-";
constexpr size_t kMachineDigits = 8;
constexpr size_t kRandomLetters = 6;
constexpr const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

// This machine's name in 8 hex digits (FNV-1a), so that a folder shared
// between machines never loses another machine's files.
const std::string& MachineTag() {
    static const std::string tag = [] {
        unsigned int nHash = 2166136261u;
        for (unsigned char ch : temp_files_system::MachineName()) {
            nHash = (nHash ^ ch) * 16777619u;
        }
        char szTag[kMachineDigits + 1];
        std::snprintf(szTag, sizeof szTag, "%08x", nHash);
        return std::string(szTag);
    }();
    return tag;
}

bool IsLetter(char ch) {
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9');
}

// The process that wrote a temporary name of this machine, or 0 when the
// name is no such name.
unsigned long WriterOf(const std::string& name) {
    const size_t nMark = name.rfind(kMark);
    if (name.size() < 2 || name[0] != '.' || nMark == std::string::npos || nMark < 1 ||
        name.compare(nMark + 4, kMachineDigits, MachineTag()) != 0) {
        return 0;
    }
    size_t nAt = nMark + 4 + kMachineDigits;
    if (nAt >= name.size() || name[nAt] != '-') {
        return 0;
    }
    unsigned long nProcess = 0;
    size_t nDigits = 0;
    for (++nAt; nAt < name.size() && name[nAt] >= '0' && name[nAt] <= '9'; ++nAt, ++nDigits) {
        nProcess = nProcess * 10 + static_cast<unsigned long>(name[nAt] - '0');
    }
    if (nDigits == 0 || nDigits > 10 || nAt >= name.size() || name[nAt] != '-' ||
        name.size() - nAt - 1 != kRandomLetters) {
        return 0;
    }
    for (++nAt; nAt < name.size(); ++nAt) {
        if (!IsLetter(name[nAt])) {
            return 0;
        }
    }
    return nProcess;
}

// Takes a slot from the thread that holds it in state nFrom, for removal.
bool TakeForStop(int nSlot, int nFrom) {
    return g_states[nSlot].compare_exchange_strong(nFrom, slotRemoving);
}

} // namespace

int RegisterTempFile(LPCSTR pszPath) {
    if (pszPath == nullptr || g_stopping.load()) {
        return -1;
    }
    const int nStart = g_nextSlot.load(std::memory_order_relaxed);
    for (int n = 0; n < kTempFileSlots; ++n) {
        const int i = (nStart + n) % kTempFileSlots;
        int nExpected = slotFree;
        if (g_states[i].load(std::memory_order_relaxed) != slotFree ||
            !g_states[i].compare_exchange_strong(nExpected, slotFilling,
                                                 std::memory_order_acquire)) {
            continue;
        }
        g_nextSlot.store((i + 1) % kTempFileSlots, std::memory_order_relaxed);
        g_paths[i] = pszPath;
        // Noted first, then the stop looked for: a stop that began meanwhile
        // either sees this slot and waits for its file, or is seen here.
        g_states[i].store(slotCreating);
        if (g_stopping.load()) {
            TempFileCreated(i, FALSE);
            return -1;
        }
        return i;
    }
    return -1;
}

void TempFileCreated(int nSlot, BOOL bCreated) {
    if (nSlot >= 0 && nSlot < kTempFileSlots) {
        // A slot the stop has taken stays its own.
        int nExpected = slotCreating;
        g_states[nSlot].compare_exchange_strong(nExpected, bCreated ? slotNoted : slotFree);
    }
}

void UnregisterTempFile(int nSlot) {
    if (nSlot >= 0 && nSlot < kTempFileSlots) {
        int nExpected = slotNoted;
        g_states[nSlot].compare_exchange_strong(nExpected, slotFree);
    }
}

void RemoveNotedTempFilesForStop() {
    g_stopping.store(true);
    const auto deadline = std::chrono::steady_clock::now() + kCreateWait;
    for (int i = 0; i < kTempFileSlots; ++i) {
        for (;;) {
            const int nState = g_states[i].load();
            if (nState == slotCreating && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            if (nState != slotCreating && nState != slotNoted) {
                break; // free, or being filled by a thread that will see the stop
            }
            if (TakeForStop(i, nState)) {
                RemoveFile(g_paths[i].c_str());
                break;
            }
        }
    }
}

CString TempNameBeside(LPCSTR pszTarget) {
    // Each thread draws its own names, so that a batch writes in parallel.
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::string target = pszTarget ? pszTarget : "";
    std::string folder = FolderOf(pszTarget).str();
    std::string name = target.substr(folder.size());
    // Keep the temporary name within the systems' 255 bytes (or UTF-16
    // characters) for a name.
    if (name.size() > 200) {
        name = "veltrane";
    }
    std::string temp = folder + "." + name + kMark + MachineTag() + "-" +
                       std::to_string(temp_files_system::CurrentProcess()) + "-";
    for (size_t i = 0; i < kRandomLetters; ++i) {
        temp += kLetters[random() % (sizeof kLetters - 1)];
    }
    return CString(temp.c_str());
}

int RemoveLeftTempFiles(LPCSTR pszFolder) {
    const std::string folder = pszFolder ? pszFolder : "";
    std::vector<std::string> names;
    if (!temp_files_system::ListFolder(folder, names)) {
        return 0;
    }
    const unsigned long nSelf = temp_files_system::CurrentProcess();
    int nRemoved = 0;
    for (const std::string& name : names) {
        const unsigned long nWriter = WriterOf(name);
        if (nWriter != 0 && nWriter != nSelf && !temp_files_system::ProcessRuns(nWriter) &&
            RemoveFile((folder + name).c_str())) {
            ++nRemoved;
        }
    }
    return nRemoved;
}
