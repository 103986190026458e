// The file-system services on a POSIX system.
#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
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

EntryFacts LookAt(LPCSTR pszPath) {
    EntryFacts facts;
    struct stat info;
    if (!pszPath || !*pszPath || ::stat(pszPath, &info) != 0) {
        return facts;
    }
    facts.identity = {info.st_dev, info.st_ino};
    if (S_ISDIR(info.st_mode)) {
        facts.nKind = entryFolder;
        return facts;
    }
    facts.nKind = entryFile;
    facts.nSize = static_cast<unsigned long long>(info.st_size);
    facts.nAccess = info.st_mode & 07777;
    return facts;
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

BOOL ReplaceFile(LPCSTR pszFrom, LPCSTR pszTo) {
    return std::rename(pszFrom, pszTo) == 0;
}

BOOL RemoveFile(LPCSTR pszPath) {
    return ::unlink(pszPath) == 0;
}

BOOL ListFolderFiles(LPCSTR pszFolder, std::vector<CString>& names,
                     std::vector<CString>* pFolders) {
    DIR* pFolder = pszFolder && *pszFolder ? ::opendir(pszFolder) : nullptr;
    if (pFolder == nullptr) {
        return FALSE;
    }
    const int fdFolder = ::dirfd(pFolder);
    while (const dirent* pEntry = ::readdir(pFolder)) {
        struct stat info;
        // A link is followed: a link to a survey counts as the survey.
        if (::fstatat(fdFolder, pEntry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode)) {
            names.push_back(CString(pEntry->d_name));
        } else if (pFolders != nullptr && std::strcmp(pEntry->d_name, ".") != 0 &&
                   std::strcmp(pEntry->d_name, "..") != 0 &&
                   ::fstatat(fdFolder, pEntry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                   S_ISDIR(info.st_mode)) {
            pFolders->push_back(CString(pEntry->d_name));
        }
    }
    ::closedir(pFolder);
    return TRUE;
}

BOOL MakeFolder(LPCSTR pszPath) {
    return pszPath && *pszPath && (::mkdir(pszPath, 0777) == 0 || IsDirectory(pszPath));
}
