// The temporary files an interrupted program must not leave behind. An output
// is written under a hidden temporary name beside its target and renamed over
// it when complete. Its name is noted here before the file is created and
// forgotten once the file is renamed or removed, so that a stop (Ctrl-C, a
// kill, a closed terminal) removes every such file before the program ends.
//
// One place stops the program: on POSIX systems a thread of its own that
// waits for the stop signals, which every other thread blocks; on Windows
// the console's control handler, which the system runs on a thread of its
// own. Either refuses new temporary files from then on, waits for the ones
// being created, removes every noted file and ends the program.
#pragma once

#include "platform/CString.h"
#include "platform/Types.h"

#include <memory>

// How many temporary files can be noted at once: a conversion writes one
// output, and a batch keeps those of two chunks of up to 4,000 files until it
// puts them in place.
constexpr int kTempFileSlots = 8192;

// Notes the name of a temporary file about to be created; the result is the
// slot to pass on, or -1 when the file must not be created: the program is
// stopping, or every slot is taken.
int RegisterTempFile(LPCSTR pszPath);
// The creation of a noted file was tried: created, it stays noted until it
// is forgotten; not created, the slot is free again.
void TempFileCreated(int nSlot, BOOL bCreated);
// The file is gone or has been renamed into place: forget it.
void UnregisterTempFile(int nSlot);

// The hidden name of a temporary file beside pszTarget: a dot, the target's
// name, and a mark of this machine and this process with random letters, so
// that a later run can tell which files a stopped run left. Different at
// every call; create it with CFile::modeCreateNew, which fails if it is taken.
CString TempNameBeside(LPCSTR pszTarget);
// The temporary files in pszFolder (empty for the current folder) that a run
// of this program on this machine left when it was ended without a chance to
// clean up (a kill -9, a power cut): named as TempNameBeside names them, by a
// process that no longer runs. Removes them and returns how many went.
int RemoveLeftTempFiles(LPCSTR pszFolder);

// Takes over the stop signals (on Windows the console's control events): from
// then on a stop removes every noted temporary file, then ends the program as
// the signal would (a shell reports 128 + its number). Call it first in
// main, before any thread is started; every thread started later inherits
// the blocked signals. A signal the program was started with ignored (nohup)
// stays ignored, and one someone else handles stays theirs. SIGXFSZ is
// ignored, so that a file-size limit becomes a write error ("file too large")
// instead of killing the program midway.
void RemoveTempFilesOnSignals();

// While one lives, this thread blocks the stop signals, and the threads it
// starts meanwhile start with them blocked: workers started so can never be
// the thread a stop signal interrupts, even in a program that did not take
// the signals over first thing.
class CStopSignalsBlocked {
public:
    CStopSignalsBlocked();
    ~CStopSignalsBlocked();
    CStopSignalsBlocked(const CStopSignalsBlocked&) = delete;
    CStopSignalsBlocked& operator=(const CStopSignalsBlocked&) = delete;

private:
    struct CSaved; // the thread's signal mask before (POSIX)
    std::unique_ptr<CSaved> m_pSaved;
};
