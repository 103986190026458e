// CFile's buffering, the same on every system: reads go through one block
// read ahead, writes go straight to the system. The calls that open, read,
// write, move and close are in CFile_posix.cpp and CFile_win.cpp.
#include "platform/CFile.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

int CauseOf(int nError) {
    switch (nError) {
    case ENOENT:
        return CFileException::fileNotFound;
    case EACCES:
    case EPERM:
#ifdef _WIN32
    case EROFS: // a write-protected disk, which Windows reports as a refusal
#endif
        return CFileException::accessDenied;
    case EWOULDBLOCK:
        return CFileException::sharingViolation;
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
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

BOOL CFile::Opened(int fd, int nError, LPCSTR lpszFileName, CFileException* pError) {
    if (nError != 0) {
        if (pError) {
            *pError = ErrorOf(nError, CString(lpszFileName));
        }
        return FALSE;
    }
    m_hFile = fd;
    m_nOsPos = 0;
    m_bAtEnd = false;
    m_strFileName = lpszFileName;
    return TRUE;
}

bool CFile::FillBuffer() {
    if (!m_pReadBuf) {
        m_pReadBuf = std::make_unique_for_overwrite<char[]>(kReadBufferSize);
    }
    const size_t n = SystemRead(m_pReadBuf.get(), kReadBufferSize);
    if (n == 0) {
        m_bAtEnd = true;
        return false;
    }
    m_nBufPos = 0;
    m_nBufLen = n;
    m_nOsPos += static_cast<long long>(n);
    return true;
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
        if (m_bAtEnd || !FillBuffer()) {
            break;
        }
    }
    return nRead;
}

const char* CFile::PeekBuffered(size_t& nAvailable) {
    if (m_nBufPos >= m_nBufLen && !m_bAtEnd) {
        FillBuffer();
    }
    nAvailable = m_nBufPos < m_nBufLen ? m_nBufLen - m_nBufPos : 0;
    return nAvailable > 0 ? m_pReadBuf.get() + m_nBufPos : nullptr;
}

void CFile::Write(const void* lpBuf, UINT nCount) {
    DropReadBuffer();
    const char* pSource = static_cast<const char*>(lpBuf);
    size_t nWritten = 0;
    while (nWritten < nCount) {
        const size_t n = SystemWrite(pSource + nWritten, nCount - nWritten);
        if (n == 0) {
            ThrowOsError(ENOSPC); // the system took nothing and gave no reason
        }
        nWritten += n;
        m_nOsPos += static_cast<long long>(n);
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
    m_nOsPos = SystemSeek(lOff, nFrom);
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

CFileException CFile::ErrorOf(int nError, const CString& strFileName) {
    return CFileException(CauseOf(nError), nError, strFileName);
}

void CFile::Close() {
    if (m_hFile < 0) {
        return;
    }
    int fd = m_hFile;
    m_hFile = -1;
    m_nBufPos = m_nBufLen = 0;
    if (const int nError = SystemClose(fd)) {
        ThrowOsError(nError);
    }
}

void CFile::Abort() {
    m_nBufPos = m_nBufLen = 0;
    if (m_hFile >= 0) {
        SystemClose(m_hFile);
        m_hFile = -1;
    }
}

void CFile::ThrowOsError(int nError) const {
    throw ErrorOf(nError, m_strFileName);
}
