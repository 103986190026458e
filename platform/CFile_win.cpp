// CFile on Windows: the file is a Win32 handle kept as a C runtime file
// descriptor (m_hFile), opened in binary mode, so that a CR is a byte like any
// other and "\n" is never widened to CR LF. Names are UTF-8, as everywhere in
// the core, and reach the system as UTF-16.
#include "platform/CFile.h"

#include "platform/FileSystem.h"
#include "platform/WidePath.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <string>

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {

int CauseOf(int nError) {
    switch (nError) {
    case ENOENT:
        return CFileException::fileNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return CFileException::accessDenied;
    case EWOULDBLOCK:
        return CFileException::sharingViolation;
    case ENOSPC:
    case EFBIG:
        return CFileException::diskFull;
    default:
        return CFileException::generic;
    }
}

int LastErrno() {
    return ErrnoFromWin32(GetLastError());
}

HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

bool IsFolder(const std::wstring& strPath) {
    const DWORD nAttributes = GetFileAttributesW(strPath.c_str());
    return nAttributes != INVALID_FILE_ATTRIBUTES && (nAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

CFileException::CFileException(int cause, int lOsError, const CString& strFileName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(strFileName) {
    m_strWhat = m_strFileName + ": " + GetErrorText();
}

CString CFileException::GetErrorText() const {
    if (m_lOsError != 0) {
        return SystemErrorText(m_lOsError);
    }
    return CString("file error");
}

CFile::~CFile() {
    Abort();
}

BOOL CFile::Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
    Abort();
    DWORD nAccess = GENERIC_READ;
    if (nOpenFlags & modeReadWrite) {
        nAccess = GENERIC_READ | GENERIC_WRITE;
    } else if (nOpenFlags & modeWrite) {
        nAccess = GENERIC_WRITE;
    }
    DWORD nDisposition = OPEN_EXISTING;
    if (nOpenFlags & modeCreateNew) {
        nDisposition = CREATE_NEW;
    } else if (nOpenFlags & modeCreate) {
        nDisposition = CREATE_ALWAYS;
    }
    // shareDenyWrite lets others read but not write, as _SH_DENYWR does.
    // Deleting stays shared: an interrupted program removes its temporary
    // file while it is still open (see TempFiles_win.cpp).
    DWORD nShare = FILE_SHARE_READ | FILE_SHARE_DELETE;
    if (!(nOpenFlags & shareDenyWrite)) {
        nShare |= FILE_SHARE_WRITE;
    }

    int nError = 0;
    int fd = -1;
    std::wstring strWide;
    if (!WideFromUtf8(lpszFileName, strWide) || strWide.empty()) {
        nError = ENOENT;
    } else {
        // Not inherited by child processes, as O_CLOEXEC on POSIX.
        HANDLE hFile = CreateFileW(strWide.c_str(), nAccess, nShare, nullptr, nDisposition,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hFile == INVALID_HANDLE_VALUE) {
            nError = LastErrno();
            if (nError == EACCES && IsFolder(strWide)) {
                nError = EISDIR;
            }
        } else if (!(nOpenFlags & modeCreateNew) && GetFileType(hFile) != FILE_TYPE_DISK) {
            // A file just created exclusively is a file; any other may be a
            // device, which is refused.
            nError = EINVAL; // a device (NUL, CON, COM1) or a pipe, not a file
            CloseHandle(hFile);
        } else {
            fd = _open_osfhandle(reinterpret_cast<intptr_t>(hFile), _O_BINARY);
            if (fd < 0) {
                nError = EMFILE;
                CloseHandle(hFile);
            }
        }
    }
    if (nError != 0) {
        if (pError) {
            *pError = CFileException(CauseOf(nError), nError, CString(lpszFileName));
        }
        return FALSE;
    }
    m_hFile = fd;
    m_nOsPos = 0;
    m_bAtEnd = false;
    m_strFileName = lpszFileName;
    return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
    char* pDest = static_cast<char*>(lpBuf);
    UINT nRead = 0;
    while (nRead < nCount) {
        if (m_nBufPos < m_nBufLen) {
            size_t nTake = std::min<size_t>(m_nBufLen - m_nBufPos, nCount - nRead);
            std::memcpy(pDest + nRead, m_pReadBuf.get() + m_nBufPos, nTake);
            m_nBufPos += nTake;
            nRead += static_cast<UINT>(nTake);
            continue;
        }
        if (m_bAtEnd) {
            break;
        }
        if (!m_pReadBuf) {
            m_pReadBuf = std::make_unique_for_overwrite<char[]>(kReadBufferSize);
        }
        // At the end of the file the old buffer stays, so that a reader can
        // still seek back into it.
        DWORD n = 0;
        if (!ReadFile(HandleOf(m_hFile), m_pReadBuf.get(), kReadBufferSize, &n, nullptr)) {
            const DWORD nError = GetLastError();
            if (nError != ERROR_HANDLE_EOF && nError != ERROR_BROKEN_PIPE) {
                ThrowOsError(ErrnoFromWin32(nError));
            }
            n = 0;
        }
        if (n == 0) {
            m_bAtEnd = true;
            break;
        }
        m_nBufPos = 0;
        m_nBufLen = n;
        m_nOsPos += n;
    }
    return nRead;
}

const char* CFile::PeekBuffered(size_t& nAvailable) {
    if (m_nBufPos >= m_nBufLen && !m_bAtEnd) {
        if (!m_pReadBuf) {
            m_pReadBuf = std::make_unique_for_overwrite<char[]>(kReadBufferSize);
        }
        DWORD n = 0;
        if (!ReadFile(HandleOf(m_hFile), m_pReadBuf.get(), kReadBufferSize, &n, nullptr)) {
            const DWORD nError = GetLastError();
            if (nError != ERROR_HANDLE_EOF && nError != ERROR_BROKEN_PIPE) {
                ThrowOsError(ErrnoFromWin32(nError));
            }
            n = 0;
        }
        if (n == 0) {
            m_bAtEnd = true; // the old bytes stay, so a reader can still seek back into them
        } else {
            m_nBufPos = 0;
            m_nBufLen = n;
            m_nOsPos += n;
        }
    }
    nAvailable = m_nBufPos < m_nBufLen ? m_nBufLen - m_nBufPos : 0;
    return nAvailable > 0 ? m_pReadBuf.get() + m_nBufPos : nullptr;
}

void CFile::Write(const void* lpBuf, UINT nCount) {
    DropReadBuffer();
    const char* pSource = static_cast<const char*>(lpBuf);
    UINT nWritten = 0;
    while (nWritten < nCount) {
        DWORD n = 0;
        if (!WriteFile(HandleOf(m_hFile), pSource + nWritten, nCount - nWritten, &n, nullptr)) {
            ThrowOsError(LastErrno());
        }
        if (n == 0) {
            ThrowOsError(ENOSPC); // the system took nothing and gave no reason
        }
        nWritten += n;
        m_nOsPos += n;
    }
}

long long CFile::Seek(long long lOff, UINT nFrom) {
    // A move within the bytes read ahead costs no system call.
    if (nFrom == current && m_nBufLen > 0) {
        long long nTarget = static_cast<long long>(m_nBufPos) + lOff;
        if (nTarget >= 0 && nTarget <= static_cast<long long>(m_nBufLen)) {
            m_nBufPos = static_cast<size_t>(nTarget);
            return LogicalPosition();
        }
    }
    if (nFrom == current) {
        lOff += LogicalPosition();
        nFrom = begin;
    }
    m_nBufPos = m_nBufLen = 0;
    m_bAtEnd = false;
    LARGE_INTEGER distance;
    distance.QuadPart = lOff;
    LARGE_INTEGER position;
    if (!SetFilePointerEx(HandleOf(m_hFile), distance, &position,
                          nFrom == end ? FILE_END : FILE_BEGIN)) {
        ThrowOsError(LastErrno());
    }
    m_nOsPos = position.QuadPart;
    return m_nOsPos;
}

long long CFile::LogicalPosition() const {
    return m_nOsPos - static_cast<long long>(m_nBufLen - m_nBufPos);
}

void CFile::DropReadBuffer() {
    if (m_nBufPos < m_nBufLen) {
        Seek(0, current); // puts the system's position back where the reader stands
    }
    m_nBufPos = m_nBufLen = 0;
}

void CFile::Close() {
    if (m_hFile < 0) {
        return;
    }
    int fd = m_hFile;
    m_hFile = -1;
    m_nBufPos = m_nBufLen = 0;
    if (_close(fd) != 0) {
        ThrowOsError(errno);
    }
}

void CFile::Flush() {
    if (m_hFile >= 0 && !FlushFileBuffers(HandleOf(m_hFile))) {
        ThrowOsError(LastErrno());
    }
}

BOOL CFile::SetAccess(UINT /*nAccess*/) {
    // A file written in a folder takes the access rights the folder hands
    // down, as the file it replaces had; the one mark of its own, read-only,
    // is carried over by ReplaceFile, since a read-only file cannot be
    // written before the move.
    return m_hFile >= 0;
}

void CFile::Abort() {
    m_nBufPos = m_nBufLen = 0;
    if (m_hFile >= 0) {
        _close(m_hFile);
        m_hFile = -1;
    }
}

void CFile::ThrowOsError(int nError) const {
    throw CFileException(CauseOf(nError), nError, m_strFileName);
}
