// How a converter's output reaches the disk without ever damaging an earlier
// file: it is written under a hidden temporary name beside its target, in
// large blocks, and only a commit puts it in place (flushed to the disk, then
// renamed over the target, whose access rights it takes). Until then a stop
// removes it; a discarded output leaves nothing behind. In a batch the
// commits are grouped: the outputs wait in a COutputBatch and are flushed and
// renamed together.
#pragma once

#include "platform/CFile.h"
#include "platform/CString.h"
#include "platform/Types.h"

#include <mutex>
#include <string>
#include <vector>

// Outputs of a batch, written and closed under their temporary names but
// not yet put in place. They are flushed to the disk together, with one call
// for the file system rather than one for each file, and then renamed over
// their targets in the order of their numbers, so that a batch is as safe as
// file-by-file writing but hardly slower than copying. Until then a signal
// still removes them; what is not committed is discarded.
class COutputBatch {
public:
    struct CFailure {
        int nOrder;
        int nError; // the system's reason
    };

    COutputBatch() = default;
    COutputBatch(const COutputBatch&) = delete;
    COutputBatch& operator=(const COutputBatch&) = delete;
    ~COutputBatch();

    // Takes a written output; any thread may call it.
    void Add(int nOrder, const CString& strTemp, const CString& strTarget, int nTempSlot);
    // Flushes, renames and forgets every output added; the ones that could
    // not be put in place, with the reason.
    std::vector<CFailure> CommitAll();

private:
    struct CEntry {
        int nOrder;
        CString strTemp;
        CString strTarget;
        int nTempSlot;
    };

    std::mutex m_mutex;
    std::vector<CEntry> m_entries;
};

// One output under way, written through the file it is created with (a
// converter is the file it writes).
class CSafeOutput {
public:
    // Longest line a writer puts on disk, CR LF not counted.
    static constexpr int kMaxLineLength = 256;

    CSafeOutput() = default;
    CSafeOutput(const CSafeOutput&) = delete;
    CSafeOutput& operator=(const CSafeOutput&) = delete;

    // Opens file under a fresh temporary name beside strTarget, noted before
    // it exists so that a stop meanwhile removes it. FALSE, with the system's
    // reason in nSystemError, for a folder or an empty name, a folder that
    // refuses, or a program that is stopping.
    BOOL Create(CFile& file, const CString& strTarget, UINT nFlags, int& nSystemError);
    // TRUE while an output is being written.
    BOOL IsActive() const { return !m_strTempPath.IsEmpty(); }

    // The block of lines not yet passed to the file, for a line made in
    // place: BeginLine gives it, EndLine ends the line with CR LF and gives
    // 0, or takes a line longer than kMaxLineLength back and gives its length.
    std::string& BeginLine();
    int EndLine();
    // A whole line, with or without its CR LF (the caller checked its length).
    void Append(const CString& strLine, BOOL bNewLine);
    // Passes the lines gathered to the file (a failure raises CFileException).
    void Flush();
    // For an output made in memory alone: from Hold on, no file is written
    // and the lines stay in the buffer until TakeHeld takes them all.
    void Hold();
    std::string TakeHeld();
    // Takes lines made in memory as the output's, to be written on commit.
    void Fill(std::string& strBytes) { m_strBuffer.swap(strBytes); }

    // Puts the output in place: into the batch when one is set, else flushed
    // to the disk and renamed over the target. FALSE, with nSystemError and
    // nothing left behind, when the system refuses.
    BOOL Commit(int& nSystemError);
    // Closes and removes an uncommitted output.
    void Discard();

    // In a batch, a committed output goes to this batch under nOrder.
    void SetBatch(COutputBatch* pBatch, int nOrder) {
        m_pBatch = pBatch;
        m_nBatchOrder = nOrder;
    }

private:
    static constexpr size_t kBufferSize = 65536;
    // Temporary names are random; a taken one is simply tried again.
    static constexpr int kTempNameTries = 100;

    void FlushWhenFull();
    void Forget();

    CFile* m_pFile = nullptr; // the file written, while an output is active
    COutputBatch* m_pBatch = nullptr;
    int m_nBatchOrder = 0;
    int m_nTempSlot = -1;       // its place among the files a signal removes
    BOOL m_bKeepAccess = FALSE; // the target exists: the output takes its access rights
    UINT m_nTargetAccess = 0;
    CString m_strTempPath;   // the temporary name while an output is written
    CString m_strTargetPath; // the name it gets when committed
    std::string m_strBuffer; // lines written but not yet passed to the file
    size_t m_nLineStart = 0; // where the line being made began in it
    BOOL m_bHold = FALSE;    // made in memory: the buffer is never flushed
};
