#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <locale.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

BOOL FileExists(LPCSTR pszPath) {
    struct stat info;
    return pszPath && *pszPath && ::lstat(pszPath, &info) == 0;
}

BOOL IsDirectory(LPCSTR pszPath) {
    struct stat info;
    return pszPath && *pszPath && ::stat(pszPath, &info) == 0 && S_ISDIR(info.st_mode);
}

EntryKind GetEntry(LPCSTR pszPath, UINT* pnAccess) {
    struct stat info;
    if (!pszPath || !*pszPath || ::stat(pszPath, &info) != 0) {
        return entryNone;
    }
    if (S_ISDIR(info.st_mode)) {
        return entryFolder;
    }
    if (pnAccess != nullptr) {
        *pnAccess = info.st_mode & 07777;
    }
    return entryFile;
}

BOOL IsSameFile(LPCSTR pszA, LPCSTR pszB) {
    struct stat a, b;
    return pszA && pszB && *pszA && *pszB && ::stat(pszA, &a) == 0 && ::stat(pszB, &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

BOOL GetFileIdentity(LPCSTR pszPath, FileIdentity& identity) {
    struct stat info;
    if (!pszPath || !*pszPath || ::stat(pszPath, &info) != 0) {
        return FALSE;
    }
    identity = {info.st_dev, info.st_ino};
    return TRUE;
}

CString FolderOf(LPCSTR pszPath) {
    std::string path = pszPath ? pszPath : "";
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? CString() : CString(path.substr(0, slash + 1).c_str());
}

namespace {

// Opens a name just long enough for one call on it: FALSE when either fails.
BOOL SyncOpened(LPCSTR pszPath, int nFlags, int (*pfnSync)(int)) {
    int fd = ::open(pszPath, nFlags | O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return FALSE;
    }
    BOOL bSynced = pfnSync(fd) == 0;
    ::close(fd);
    return bSynced;
}

CString FolderOrCurrent(LPCSTR pszPath) {
    CString strFolder = FolderOf(pszPath);
    return strFolder.IsEmpty() ? CString(".") : strFolder;
}

} // namespace

BOOL SyncFileSystemOf(LPCSTR pszPath) {
    return SyncOpened(FolderOrCurrent(pszPath), O_DIRECTORY, ::syncfs);
}

BOOL SyncFileByName(LPCSTR pszPath) {
    return SyncOpened(pszPath, 0, ::fsync);
}

BOOL SyncFolderOf(LPCSTR pszPath) {
    return SyncOpened(FolderOrCurrent(pszPath), O_DIRECTORY, ::fsync);
}

CString SystemErrorText(int nError) {
    // The reasons a field engineer meets, in words of our own; anything else
    // in the system's words, but never translated into the desktop's language.
    switch (nError) {
    case ENOENT:
        return "no such file or folder";
    case ENOTDIR:
        return "a part of the path is not a folder";
    case EISDIR:
        return "it is a folder";
    case EACCES:
    case EPERM:
        return "permission denied";
    case EROFS:
        return "read-only file system";
    case ENOSPC:
        return "no space left on device";
    case EDQUOT:
        return "disk quota exceeded";
    case EFBIG:
        return "file too large";
    case ENAMETOOLONG:
        return "file name too long";
    case EIO:
        return "input/output error";
    case EWOULDBLOCK:
        return "the file is in use by another program";
    case EINVAL:
        return "not a regular file";
    case EMFILE:
    case ENFILE:
        return "too many open files";
    default: {
        static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
        return CString(locale ? strerror_l(nError, locale) : std::strerror(nError));
    }
    }
}

int CompareNoCase(LPCSTR pszA, LPCSTR pszB) {
    auto lower = [](unsigned char ch) { return (ch >= 'A' && ch <= 'Z') ? ch - 'A' + 'a' : ch; };
    const unsigned char* a = reinterpret_cast<const unsigned char*>(pszA ? pszA : "");
    const unsigned char* b = reinterpret_cast<const unsigned char*>(pszB ? pszB : "");
    while (*a && lower(*a) == lower(*b)) {
        ++a;
        ++b;
    }
    return lower(*a) - lower(*b);
}

CString TempNameBeside(LPCSTR pszTarget) {
    // Each thread draws its own names, so that a batch writes in parallel.
    thread_local std::mt19937_64 random{std::random_device{}()};
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string target = pszTarget ? pszTarget : "";
    std::string folder = FolderOf(pszTarget).str();
    std::string name = target.substr(folder.size());
    // Keep the temporary name within the system's 255 bytes for a name.
    if (name.size() > 200) {
        name = "veltrane";
    }
    std::string temp = folder + "." + name + ".";
    for (int i = 0; i < 6; ++i) {
        temp += kLetters[random() % (sizeof kLetters - 1)];
    }
    return CString(temp.c_str());
}

BOOL ReplaceFile(LPCSTR pszFrom, LPCSTR pszTo) {
    return std::rename(pszFrom, pszTo) == 0;
}

BOOL RemoveFile(LPCSTR pszPath) {
    return ::unlink(pszPath) == 0;
}
