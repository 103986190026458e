#include "platform/CFile.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int CauseOf(int nError) {
    switch (nError) {
    case ENOENT:
        return CFileException::fileNotFound;
    case EACCES:
    case EPERM:
        return CFileException::accessDenied;
    case EWOULDBLOCK:
        return CFileException::sharingViolation;
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
        return CFileException::diskFull;
    default:
        return CFileException::generic;
    }
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
        ssize_t n = ::read(m_hFile, m_pReadBuf.get(), kReadBufferSize);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowOsError(errno);
        }
        if (n == 0) {
            m_bAtEnd = true;
            break;
        }
        m_nBufPos = 0;
        m_nBufLen = static_cast<size_t>(n);
        m_nOsPos += n;
    }
    return nRead;
}

const char* CFile::PeekBuffered(size_t& nAvailable) {
    if (m_nBufPos >= m_nBufLen && !m_bAtEnd) {
        if (!m_pReadBuf) {
            m_pReadBuf = std::make_unique_for_overwrite<char[]>(kReadBufferSize);
        }
        for (;;) {
            ssize_t n = ::read(m_hFile, m_pReadBuf.get(), kReadBufferSize);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                ThrowOsError(errno);
            }
            if (n == 0) {
                m_bAtEnd = true; // the old bytes stay, so a reader can still seek back into them
            } else {
                m_nBufPos = 0;
                m_nBufLen = static_cast<size_t>(n);
                m_nOsPos += n;
            }
            break;
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
        ssize_t n = ::write(m_hFile, pSource + nWritten, nCount - nWritten);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowOsError(errno);
        }
        nWritten += static_cast<UINT>(n);
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
    off_t pos = ::lseek(m_hFile, static_cast<off_t>(lOff), nFrom == end ? SEEK_END : SEEK_SET);
    if (pos < 0) {
        ThrowOsError(errno);
    }
    m_nOsPos = static_cast<long long>(pos);
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
    if (::close(fd) != 0 && errno != EINTR) {
        ThrowOsError(errno);
    }
}

void CFile::Flush() {
    if (m_hFile >= 0 && ::fsync(m_hFile) != 0) {
        ThrowOsError(errno);
    }
}

BOOL CFile::SetAccess(UINT nAccess) {
    return m_hFile >= 0 && ::fchmod(m_hFile, static_cast<mode_t>(nAccess & 07777)) == 0;
}

void CFile::Abort() {
    m_nBufPos = m_nBufLen = 0;
    if (m_hFile >= 0) {
        ::close(m_hFile);
        m_hFile = -1;
    }
}

void CFile::ThrowOsError(int nError) const {
    throw CFileException(CauseOf(nError), nError, m_strFileName);
}
