// The stop of a program on a POSIX system. Every thread blocks the signals
// that would end the program, and one thread of its own waits for them: it
// can take its time to remove the temporary files (waiting for one being
// created, say), which a signal handler, running on whichever thread the
// signal interrupted, could not do without waiting for itself.
#include "platform/TempFiles.h"

#include "platform/TempFilesSystem.h"

#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <pthread.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

// The signals whose default action ends the program and that are sent to
// it, not raised by a fault of its own (those end it at once, as they must).
sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int nSignal : {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGALRM, SIGTERM, SIGUSR1, SIGUSR2, SIGIO,
                        SIGPROF, SIGVTALRM, SIGXCPU}) {
        sigaddset(&set, nSignal);
    }
#ifdef SIGPWR
    sigaddset(&set, SIGPWR);
#endif
#ifdef SIGSTKFLT
    sigaddset(&set, SIGSTKFLT);
#endif
#ifdef SIGRTMIN
    for (int nSignal = SIGRTMIN; nSignal <= SIGRTMAX; ++nSignal) {
        sigaddset(&set, nSignal);
    }
#endif
    return set;
}

// The program's signal mask before the stop signals were taken over: a
// child started by fork gets it back, so that it can be stopped as usual.
sigset_t g_maskBefore;

extern "C" void RestoreMaskInChild() {
    pthread_sigmask(SIG_SETMASK, &g_maskBefore, nullptr);
}

// Ends the program as the signal would have (SIGQUIT with its core dump).
[[noreturn]] void EndAs(int nSignal) {
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(nSignal, &action, nullptr);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, nSignal);
    pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    ::raise(nSignal);
    ::_exit(128 + nSignal); // not reached
}

} // namespace

void RemoveTempFilesOnSignals() {
    ::signal(SIGXFSZ, SIG_IGN);
    // Only the signals still at their default action: one the program was
    // started with ignored stays ignored, and one with a handler stays its
    // handler's (a profiler's, a sanitizer's).
    const sigset_t all = StopSignals();
    sigset_t taken;
    sigemptyset(&taken);
    for (int nSignal = 1; nSignal < NSIG; ++nSignal) {
        struct sigaction current = {};
        if (sigismember(&all, nSignal) == 1 && ::sigaction(nSignal, nullptr, &current) == 0 &&
            current.sa_handler == SIG_DFL && !(current.sa_flags & SA_SIGINFO)) {
            sigaddset(&taken, nSignal);
        }
    }
    pthread_sigmask(SIG_BLOCK, &taken, &g_maskBefore);
    try {
        std::thread([taken] {
            int nSignal = 0;
            while (sigwait(&taken, &nSignal) != 0) {
            }
            RemoveNotedTempFilesForStop();
            EndAs(nSignal);
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare (a process limit): the signals end the program
        // as they would have, and only that clean-up is lost.
        pthread_sigmask(SIG_SETMASK, &g_maskBefore, nullptr);
        return;
    }
    pthread_atfork(nullptr, nullptr, RestoreMaskInChild);
}

struct CStopSignalsBlocked::CSaved {
    sigset_t mask;
};

CStopSignalsBlocked::CStopSignalsBlocked() : m_pSaved(new CSaved) {
    const sigset_t all = StopSignals();
    pthread_sigmask(SIG_BLOCK, &all, &m_pSaved->mask);
}

CStopSignalsBlocked::~CStopSignalsBlocked() {
    pthread_sigmask(SIG_SETMASK, &m_pSaved->mask, nullptr);
}

namespace temp_files_system {

unsigned long CurrentProcess() {
    return static_cast<unsigned long>(::getpid());
}

BOOL ProcessRuns(unsigned long nProcess) {
    const pid_t pid = static_cast<pid_t>(nProcess);
    if (pid <= 0 || static_cast<unsigned long>(pid) != nProcess) {
        return FALSE;
    }
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

std::string MachineName() {
    char szName[256] = {};
    if (::gethostname(szName, sizeof szName - 1) != 0) {
        return "";
    }
    return szName;
}

BOOL ListFolder(const std::string& strFolder, std::vector<std::string>& names) {
    DIR* pDir = ::opendir(strFolder.empty() ? "." : strFolder.c_str());
    if (pDir == nullptr) {
        return FALSE;
    }
    while (const dirent* pEntry = ::readdir(pDir)) {
        names.emplace_back(pEntry->d_name);
    }
    ::closedir(pDir);
    return TRUE;
}

} // namespace temp_files_system
