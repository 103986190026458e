// A binary file on the operating system, with the framework's open flags.
// Open reports failure as a result; a Read, Write or Close that the system
// refuses raises CFileException. Reading is buffered: Read and Seek work on
// the position the caller sees, so a reader that reads ahead and seeks back
// costs no extra system calls.
#pragma once

#include "platform/CString.h"
#include "platform/Types.h"

#include <cstddef>
#include <exception>
#include <memory>

class CFileException : public std::exception {
public:
    enum {
        none = 0,
        generic = 1,
        fileNotFound = 2,
        accessDenied = 5,
        sharingViolation = 11,
        diskFull = 14,
        endOfFile = 15
    };

    CFileException() = default;
    CFileException(int cause, int lOsError, const CString& strFileName);

    // What went wrong, in words, for a message that names the file.
    CString GetErrorText() const;
    const char* what() const noexcept override { return m_strWhat; }

    int m_cause = none;
    int m_lOsError = 0; // errno of the failed call
    CString m_strFileName;

private:
    CString m_strWhat;
};

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareDenyWrite = 0x0020,
        modeCreate = 0x1000,
        // Not a framework flag: create the file only when no entry has its
        // name, for temporary files that must not replace anything.
        modeCreateNew = 0x100000,
    };
    enum SeekPosition : UINT { begin = 0x0, current = 0x1, end = 0x2 };

    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    virtual ~CFile();

    // Opens a regular file (directories and devices are refused). shareDenyWrite
    // takes an advisory lock: shared for reading, exclusive for writing.
    virtual BOOL Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
    virtual UINT Read(void* lpBuf, UINT nCount);
    virtual void Write(const void* lpBuf, UINT nCount);
    virtual long long Seek(long long lOff, UINT nFrom);
    virtual void Close();
    // Closes without reporting errors; for clean-up after a failure.
    virtual void Abort();
    // Writes what the system holds of the file to the disk itself, so that
    // it survives a power cut; raises CFileException when the device fails.
    virtual void Flush();
    // Gives the file these access rights (permission bits, as GetAccess
    // gives them); FALSE when the system refuses.
    BOOL SetAccess(UINT nAccess);

    // The bytes read ahead and not yet taken, reading more when none are
    // left; nullptr (and nAvailable 0) at the end of the file. A reader that
    // looks for line ends here needs no copies and no seeks back.
    const char* PeekBuffered(size_t& nAvailable);
    // Takes nCount of the bytes PeekBuffered gave.
    void TakeBuffered(size_t nCount) { m_nBufPos += nCount; }

    CString GetFilePath() const { return m_strFileName; }
    BOOL IsOpen() const { return m_hFile >= 0; }

private:
    static constexpr size_t kReadBufferSize = 65536;

    // Takes the descriptor an Open got, or reports nError (an errno value)
    // through pError when it is not 0.
    BOOL Opened(int fd, int nError, LPCSTR lpszFileName, CFileException* pError);
    // The exception that reports errno value nError for a file.
    static CFileException ErrorOf(int nError, const CString& strFileName);
    [[noreturn]] void ThrowOsError(int nError) const;
    long long LogicalPosition() const;
    void DropReadBuffer();
    // Reads the next block into the buffer; false at the end of the file,
    // where the old bytes stay, so that a reader can still seek back into them.
    bool FillBuffer();

    // The system's own calls, in a file per system (CFile_posix.cpp,
    // CFile_win.cpp); each throws CFileException when the call fails.
    size_t SystemRead(char* pBuf, size_t nCount);        // 0 at the end of the file
    size_t SystemWrite(const char* pBuf, size_t nCount); // bytes taken
    long long SystemSeek(long long lOff, UINT nFrom);    // from begin or end
    static int SystemClose(int fd);                      // 0, or the errno value

    int m_hFile = -1;
    CString m_strFileName;
    std::unique_ptr<char[]> m_pReadBuf;
    size_t m_nBufPos = 0;   // next unread byte of the buffer
    size_t m_nBufLen = 0;   // bytes in the buffer
    long long m_nOsPos = 0; // where the system's file position stands
    bool m_bAtEnd = false;  // the last read met the end of the file
};
