// CFile's calls to a POSIX system: open with an advisory lock, read, write,
// move, flush and close.
#include "platform/CFile.h"

#include "platform/FileSystem.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

BOOL CFile::Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
    Abort();
    int flags = O_CLOEXEC | O_NONBLOCK;
    if (nOpenFlags & modeReadWrite) {
        flags |= O_RDWR;
    } else if (nOpenFlags & modeWrite) {
        flags |= O_WRONLY;
    } else {
        flags |= O_RDONLY;
    }
    if (nOpenFlags & modeCreateNew) {
        flags |= O_CREAT | O_EXCL;
    } else if (nOpenFlags & modeCreate) {
        flags |= O_CREAT | O_TRUNC;
    }

    int nError = 0;
    int fd = ::open(lpszFileName, flags, 0666);
    if (fd < 0) {
        nError = errno;
    } else {
        // A file just created exclusively is a regular file; any other may
        // be a folder or a device, which are refused.
        struct stat info;
        if (!(nOpenFlags & modeCreateNew) && ::fstat(fd, &info) != 0) {
            nError = errno;
        } else if (!(nOpenFlags & modeCreateNew) && S_ISDIR(info.st_mode)) {
            nError = EISDIR;
        } else if (!(nOpenFlags & modeCreateNew) && !S_ISREG(info.st_mode)) {
            nError = EINVAL;
        } else if (nOpenFlags & shareDenyWrite) {
            int lock = (flags & (O_WRONLY | O_RDWR)) ? LOCK_EX : LOCK_SH;
            if (::flock(fd, lock | LOCK_NB) != 0) {
                nError = errno;
            }
        }
        // O_NONBLOCK only kept a FIFO from stalling the open; on the regular
        // files that pass, it has no effect.
        if (nError != 0) {
            ::close(fd);
        }
    }
    return Opened(fd, nError, lpszFileName, pError);
}

size_t CFile::SystemRead(char* pBuf, size_t nCount) {
    for (;;) {
        const ssize_t n = ::read(m_hFile, pBuf, nCount);
        if (n >= 0) {
            return static_cast<size_t>(n);
        }
        if (errno != EINTR) {
            ThrowOsError(errno);
        }
    }
}

size_t CFile::SystemWrite(const char* pBuf, size_t nCount) {
    for (;;) {
        const ssize_t n = ::write(m_hFile, pBuf, nCount);
        if (n >= 0) {
            return static_cast<size_t>(n);
        }
        if (errno != EINTR) {
            ThrowOsError(errno);
        }
    }
}

long long CFile::SystemSeek(long long lOff, UINT nFrom) {
    const off_t pos =
        ::lseek(m_hFile, static_cast<off_t>(lOff), nFrom == end ? SEEK_END : SEEK_SET);
    if (pos < 0) {
        ThrowOsError(errno);
    }
    return static_cast<long long>(pos);
}

int CFile::SystemClose(int fd) {
    // After EINTR the descriptor is already closed on Linux: not a failure.
    return ::close(fd) != 0 && errno != EINTR ? errno : 0;
}

void CFile::Flush() {
    if (m_hFile >= 0 && ::fsync(m_hFile) != 0) {
        ThrowOsError(errno);
    }
}

BOOL CFile::SetAccess(UINT nAccess) {
    return m_hFile >= 0 && ::fchmod(m_hFile, static_cast<mode_t>(nAccess & 07777)) == 0;
}
