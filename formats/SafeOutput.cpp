#include "formats/SafeOutput.h"

#include "platform/FileSystem.h"
#include "platform/TempFiles.h"

#include <algorithm>
#include <cerrno>

BOOL CSafeOutput::Create(CFile& file, const CString& strTarget, UINT nFlags, int& nSystemError) {
    // One look at the target: a folder is refused, and a file to be
    // replaced lends its access rights to the new one.
    const EntryKind nTarget = GetEntry(strTarget, &m_nTargetAccess);
    m_bKeepAccess = nTarget == entryFile;
    if (strTarget.IsEmpty() || nTarget == entryFolder) {
        nSystemError = strTarget.IsEmpty() ? ENOENT : EISDIR;
        return FALSE;
    }
    for (int nTry = 0; nTry < kTempNameTries; ++nTry) {
        // Noted before it exists, so that a stop meanwhile removes it.
        CString strTemp = TempNameBeside(strTarget);
        const int nSlot = RegisterTempFile(strTemp);
        if (nSlot < 0) {
            // The program is stopping (or, never in a batch of ours, every
            // slot is taken): no file it could not remove.
            nSystemError = EINTR;
            return FALSE;
        }
        CFileException error;
        const BOOL bCreated = file.Open(strTemp, nFlags | CFile::modeCreateNew, &error);
        TempFileCreated(nSlot, bCreated);
        if (bCreated) {
            m_pFile = &file;
            m_strTempPath = strTemp;
            m_strTargetPath = strTarget;
            m_nTempSlot = nSlot;
            return TRUE;
        }
        nSystemError = error.m_lOsError;
        if (error.m_lOsError != EEXIST) {
            break; // the folder refuses: missing, not writable, full
        }
    }
    return FALSE;
}

std::string& CSafeOutput::BeginLine() {
    m_nLineStart = m_strBuffer.size();
    return m_strBuffer;
}

int CSafeOutput::EndLine() {
    const size_t nLength = m_strBuffer.size() - m_nLineStart;
    if (nLength > kMaxLineLength) {
        m_strBuffer.resize(m_nLineStart);
        return static_cast<int>(nLength);
    }
    m_strBuffer += "\r\n";
    FlushWhenFull();
    return 0;
}

void CSafeOutput::Append(const CString& strLine, BOOL bNewLine) {
    m_strBuffer.append(static_cast<LPCSTR>(strLine), static_cast<size_t>(strLine.GetLength()));
    if (bNewLine) {
        m_strBuffer += "\r\n";
    }
    FlushWhenFull();
}

void CSafeOutput::FlushWhenFull() {
    if (m_strBuffer.size() >= kBufferSize && !m_bHold) {
        Flush();
    }
}

void CSafeOutput::Hold() {
    m_strBuffer.clear();
    m_bHold = TRUE;
}

std::string CSafeOutput::TakeHeld() {
    m_bHold = FALSE;
    std::string strBytes;
    strBytes.swap(m_strBuffer);
    return strBytes;
}

void CSafeOutput::Flush() {
    if (m_strBuffer.empty() || m_pFile == nullptr) {
        return;
    }
    // The buffer is emptied whether or not the write succeeds (a failure
    // raises CFileException), and keeps its room for the next lines.
    struct CEmptied {
        std::string& strBuffer;
        ~CEmptied() { strBuffer.clear(); }
    } emptied{m_strBuffer};
    m_pFile->Write(m_strBuffer.data(), static_cast<UINT>(m_strBuffer.size()));
}

BOOL CSafeOutput::Commit(int& nSystemError) {
    if (!IsActive()) {
        return FALSE;
    }
    CFile& file = *m_pFile;
    Flush();
    // A file replaced keeps its access rights; a new one has the usual.
    if (m_bKeepAccess) {
        file.SetAccess(m_nTargetAccess);
    }
    if (m_pBatch != nullptr) {
        // Flushed to the disk and renamed with the rest of the batch.
        file.Close();
        m_pBatch->Add(m_nBatchOrder, m_strTempPath, m_strTargetPath, m_nTempSlot);
        m_nTempSlot = -1; // the batch removes it on a signal now
        Forget();
        return TRUE;
    }
    // On the disk before the rename, or a power cut could leave an empty
    // file where the earlier one was.
    file.Flush();
    file.Close(); // raises CFileException when the system reports a late write error
    const BOOL bReplaced = ReplaceFile(m_strTempPath, m_strTargetPath);
    if (!bReplaced) {
        nSystemError = errno;
        RemoveFile(m_strTempPath);
    } else {
        SyncFolderOf(m_strTargetPath); // the new name itself on the disk
    }
    Forget();
    return bReplaced;
}

void CSafeOutput::Discard() {
    m_strBuffer.clear();
    if (!IsActive()) {
        return;
    }
    m_pFile->Abort();
    RemoveFile(m_strTempPath);
    Forget();
}

void CSafeOutput::Forget() {
    m_pFile = nullptr;
    UnregisterTempFile(m_nTempSlot);
    m_nTempSlot = -1;
    m_strTempPath.Empty();
    m_strTargetPath.Empty();
}

// ---------------------------------------------------------------- batches

COutputBatch::~COutputBatch() {
    for (const CEntry& entry : m_entries) {
        RemoveFile(entry.strTemp);
        UnregisterTempFile(entry.nTempSlot);
    }
}

void COutputBatch::Add(int nOrder, const CString& strTemp, const CString& strTarget,
                       int nTempSlot) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.push_back(CEntry{nOrder, strTemp, strTarget, nTempSlot});
}

std::vector<COutputBatch::CFailure> COutputBatch::CommitAll() {
    std::vector<CEntry> entries;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        entries.swap(m_entries);
    }
    std::sort(entries.begin(), entries.end(),
              [](const CEntry& a, const CEntry& b) { return a.nOrder < b.nOrder; });
    // One output for each folder the outputs go to.
    std::vector<CString> folders;
    std::vector<CString> oneInEach;
    for (const CEntry& entry : entries) {
        CString strFolder = FolderOf(entry.strTarget);
        if (std::find(folders.begin(), folders.end(), strFolder) == folders.end()) {
            folders.push_back(strFolder);
            oneInEach.push_back(entry.strTarget);
        }
    }
    // Every output on the disk before any is renamed: one flush of each file
    // system where the system offers it, else one flush of each file.
    const bool bSynced =
        std::all_of(oneInEach.begin(), oneInEach.end(),
                    [](const CString& strPath) { return SyncFileSystemOf(strPath); });
    std::vector<CFailure> failures;
    for (const CEntry& entry : entries) {
        if (!bSynced) {
            SyncFileByName(entry.strTemp);
        }
        if (!ReplaceFile(entry.strTemp, entry.strTarget)) {
            failures.push_back(CFailure{entry.nOrder, errno});
            RemoveFile(entry.strTemp);
        }
        UnregisterTempFile(entry.nTempSlot);
    }
    for (const CString& strPath : oneInEach) {
        SyncFolderOf(strPath); // the new names themselves
    }
    return failures;
}
