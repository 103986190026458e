// CFile on Windows: the file is a Win32 handle kept as a C runtime file
// descriptor (m_hFile), opened in binary mode, so that a CR is a byte like any
// other and "\n" is never widened to CR LF. Names are UTF-8, as everywhere in
// the core, and reach the system as UTF-16.
#include "platform/CFile.h"

#include "platform/FileSystem.h"
#include "platform/WidePath.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <string>

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {

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
    return Opened(fd, nError, lpszFileName, pError);
}

size_t CFile::SystemRead(char* pBuf, size_t nCount) {
    DWORD n = 0;
    if (!ReadFile(HandleOf(m_hFile), pBuf, static_cast<DWORD>(nCount), &n, nullptr)) {
        const DWORD nError = GetLastError();
        if (nError != ERROR_HANDLE_EOF && nError != ERROR_BROKEN_PIPE) {
            ThrowOsError(ErrnoFromWin32(nError));
        }
        n = 0;
    }
    return n;
}

size_t CFile::SystemWrite(const char* pBuf, size_t nCount) {
    DWORD n = 0;
    if (!WriteFile(HandleOf(m_hFile), pBuf, static_cast<DWORD>(nCount), &n, nullptr)) {
        ThrowOsError(LastErrno());
    }
    return n;
}

long long CFile::SystemSeek(long long lOff, UINT nFrom) {
    LARGE_INTEGER distance;
    distance.QuadPart = lOff;
    LARGE_INTEGER position;
    if (!SetFilePointerEx(HandleOf(m_hFile), distance, &position,
                          nFrom == end ? FILE_END : FILE_BEGIN)) {
        ThrowOsError(LastErrno());
    }
    return position.QuadPart;
}

int CFile::SystemClose(int fd) {
    return _close(fd) != 0 ? errno : 0;
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
