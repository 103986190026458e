#include "platform/CFile.h"

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
        return CString(std::strerror(m_lOsError));
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
    if (nOpenFlags & modeCreate) {
        flags |= O_CREAT | O_TRUNC;
    }

    int nError = 0;
    int fd = ::open(lpszFileName, flags, 0666);
    if (fd < 0) {
        nError = errno;
    } else {
        struct stat info;
        if (::fstat(fd, &info) != 0) {
            nError = errno;
        } else if (S_ISDIR(info.st_mode)) {
            nError = EISDIR;
        } else if (!S_ISREG(info.st_mode)) {
            nError = EINVAL;
        } else if (nOpenFlags & shareDenyWrite) {
            int lock = (flags & (O_WRONLY | O_RDWR)) ? LOCK_EX : LOCK_SH;
            if (::flock(fd, lock | LOCK_NB) != 0) {
                nError = errno;
            }
        }
        if (nError == 0) {
            // The non-blocking flag only kept a FIFO from stalling the open.
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        } else {
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
    m_strFileName = lpszFileName;
    return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
    char* pDest = static_cast<char*>(lpBuf);
    UINT nRead = 0;
    while (nRead < nCount) {
        ssize_t n = ::read(m_hFile, pDest + nRead, nCount - nRead);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowOsError(errno);
        }
        if (n == 0) {
            break;
        }
        nRead += static_cast<UINT>(n);
    }
    return nRead;
}

void CFile::Write(const void* lpBuf, UINT nCount) {
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
    }
}

long long CFile::Seek(long long lOff, UINT nFrom) {
    int whence = nFrom == current ? SEEK_CUR : nFrom == end ? SEEK_END : SEEK_SET;
    off_t pos = ::lseek(m_hFile, static_cast<off_t>(lOff), whence);
    if (pos < 0) {
        ThrowOsError(errno);
    }
    return static_cast<long long>(pos);
}

void CFile::Close() {
    if (m_hFile < 0) {
        return;
    }
    int fd = m_hFile;
    m_hFile = -1;
    if (::close(fd) != 0 && errno != EINTR) {
        ThrowOsError(errno);
    }
}

void CFile::Abort() {
    if (m_hFile >= 0) {
        ::close(m_hFile);
        m_hFile = -1;
    }
}

void CFile::ThrowOsError(int nError) const {
    throw CFileException(CauseOf(nError), nError, m_strFileName);
}
