// The file-system services on Windows, through the wide (UTF-16) calls. Both
// "\" and "/" separate the parts of a path, and "C:" ends a drive.
#include "platform/FileSystem.h"

#include "platform/WidePath.h"

#include <cerrno>
#include <cstring>
#include <string>

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h names its own ReplaceFileA/W so; ours is the one declared above.
#undef ReplaceFile

namespace {

DWORD AttributesOf(LPCSTR pszPath) {
    std::wstring strWide;
    if (pszPath == nullptr || !WideFromUtf8(pszPath, strWide) || strWide.empty()) {
        return INVALID_FILE_ATTRIBUTES;
    }
    return GetFileAttributesW(strWide.c_str());
}

// The volume and the file's index on it, which name one file whatever path
// (or hard link) leads to it; false when it cannot be opened.
bool FileInformation(LPCSTR pszPath, BY_HANDLE_FILE_INFORMATION& info) {
    std::wstring strWide;
    if (pszPath == nullptr || !WideFromUtf8(pszPath, strWide) || strWide.empty()) {
        return false;
    }
    // No access is asked for, so that a file another program holds still
    // answers; folders need FILE_FLAG_BACKUP_SEMANTICS to be opened at all.
    HANDLE hFile =
        CreateFileW(strWide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool bKnown = GetFileInformationByHandle(hFile, &info) != 0;
    CloseHandle(hFile);
    return bKnown;
}

size_t FolderLength(const std::string& strPath) {
    const size_t nSeparator = strPath.find_last_of("/\\");
    if (nSeparator != std::string::npos) {
        return nSeparator + 1;
    }
    // "C:B12.twi" names B12.twi in the current folder of drive C.
    if (strPath.size() >= 2 && strPath[1] == ':' &&
        ((strPath[0] >= 'A' && strPath[0] <= 'Z') || (strPath[0] >= 'a' && strPath[0] <= 'z'))) {
        return 2;
    }
    return 0;
}

} // namespace

BOOL FileExists(LPCSTR pszPath) {
    // A link answers for itself, as lstat does: the link exists even when
    // what it leads to does not.
    return AttributesOf(pszPath) != INVALID_FILE_ATTRIBUTES;
}

BOOL IsDirectory(LPCSTR pszPath) {
    const DWORD nAttributes = AttributesOf(pszPath);
    return nAttributes != INVALID_FILE_ATTRIBUTES && (nAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

EntryKind GetEntry(LPCSTR pszPath, UINT* pnAccess) {
    const DWORD nAttributes = AttributesOf(pszPath);
    if (nAttributes == INVALID_FILE_ATTRIBUTES) {
        return entryNone;
    }
    if (nAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        return entryFolder;
    }
    if (pnAccess != nullptr) {
        // The one right a Windows file carries itself: read-only or not.
        *pnAccess = (nAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    }
    return entryFile;
}

BOOL IsSameFile(LPCSTR pszA, LPCSTR pszB) {
    BY_HANDLE_FILE_INFORMATION a, b;
    return FileInformation(pszA, a) && FileInformation(pszB, b) &&
           a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

BOOL GetFileIdentity(LPCSTR pszPath, FileIdentity& identity) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!FileInformation(pszPath, info)) {
        return FALSE;
    }
    identity = {info.dwVolumeSerialNumber,
                (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    return TRUE;
}

EntryFacts LookAt(LPCSTR pszPath) {
    EntryFacts facts;
    facts.nKind = GetEntry(pszPath, &facts.nAccess);
    BY_HANDLE_FILE_INFORMATION info;
    if (facts.nKind == entryNone || !FileInformation(pszPath, info)) {
        // A name whose file cannot be opened to be identified is taken as
        // absent, as GetFileIdentity takes it.
        return EntryFacts();
    }
    facts.identity = {info.dwVolumeSerialNumber,
                      (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) |
                          info.nFileIndexLow};
    if (facts.nKind == entryFile) {
        facts.nSize =
            (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    }
    return facts;
}

CString FolderOf(LPCSTR pszPath) {
    std::string strPath = pszPath ? pszPath : "";
    return CString(strPath.substr(0, FolderLength(strPath)).c_str());
}

BOOL SyncFolderOf(LPCSTR /*pszPath*/) {
    // ReplaceFile renames with MOVEFILE_WRITE_THROUGH, which returns only once
    // the rename is on the disk; a folder cannot be flushed on its own here.
    return TRUE;
}

BOOL SyncFileSystemOf(LPCSTR /*pszPath*/) {
    // Windows flushes a whole volume only for administrators: each file is
    // flushed on its own instead.
    return FALSE;
}

BOOL SyncFileByName(LPCSTR pszPath) {
    std::wstring strWide;
    if (pszPath == nullptr || !WideFromUtf8(pszPath, strWide) || strWide.empty()) {
        return FALSE;
    }
    // FlushFileBuffers needs a handle that may write.
    HANDLE hFile = CreateFileW(strWide.c_str(), GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        return FALSE;
    }
    const BOOL bSynced = FlushFileBuffers(hFile) ? TRUE : FALSE;
    CloseHandle(hFile);
    return bSynced;
}

BOOL ReplaceFile(LPCSTR pszFrom, LPCSTR pszTo) {
    // One step, replacing an existing target, and on the disk when it returns.
    std::wstring strFrom, strTo;
    if (!WideFromUtf8(pszFrom, strFrom) || !WideFromUtf8(pszTo, strTo)) {
        errno = ENOENT;
        return FALSE;
    }
    // Windows refuses to replace a read-only file, where a rename on Linux
    // replaces it: the mark is lifted for the move and set on the new file,
    // so that a read-only output is replaced and stays read-only on both.
    const DWORD nTarget = GetFileAttributesW(strTo.c_str());
    const bool bReadOnly = nTarget != INVALID_FILE_ATTRIBUTES &&
                           (nTarget & FILE_ATTRIBUTE_READONLY) &&
                           !(nTarget & FILE_ATTRIBUTE_DIRECTORY) &&
                           SetFileAttributesW(strTo.c_str(), nTarget & ~FILE_ATTRIBUTE_READONLY);
    if (!MoveFileExW(strFrom.c_str(), strTo.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const int nError = ErrnoFromWin32(GetLastError());
        if (bReadOnly) {
            SetFileAttributesW(strTo.c_str(), nTarget);
        }
        errno = nError;
        return FALSE;
    }
    if (bReadOnly) {
        const DWORD nNew = GetFileAttributesW(strTo.c_str());
        if (nNew != INVALID_FILE_ATTRIBUTES) {
            SetFileAttributesW(strTo.c_str(), nNew | FILE_ATTRIBUTE_READONLY);
        }
    }
    return TRUE;
}

BOOL RemoveFile(LPCSTR pszPath) {
    std::wstring strWide;
    if (!WideFromUtf8(pszPath, strWide) || !DeleteFileW(strWide.c_str())) {
        errno = strWide.empty() ? ENOENT : ErrnoFromWin32(GetLastError());
        return FALSE;
    }
    return TRUE;
}

BOOL ListFolderFiles(LPCSTR pszFolder, std::vector<CString>& names,
                     std::vector<CString>* pFolders) {
    std::wstring strPattern;
    if (pszFolder == nullptr || !WideFromUtf8(pszFolder, strPattern) || strPattern.empty()) {
        return FALSE;
    }
    if (strPattern.back() != L'\\' && strPattern.back() != L'/') {
        strPattern += L'\\';
    }
    strPattern += L'*';
    WIN32_FIND_DATAW found;
    HANDLE hFind = FindFirstFileW(strPattern.c_str(), &found);
    if (hFind == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    do {
        const std::wstring strName = found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            names.push_back(CString(Utf8FromWide(strName.c_str()).c_str()));
        } else if (pFolders != nullptr && strName != L"." && strName != L".." &&
                   !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            pFolders->push_back(CString(Utf8FromWide(strName.c_str()).c_str()));
        }
    } while (FindNextFileW(hFind, &found));
    FindClose(hFind);
    return TRUE;
}

BOOL MakeFolder(LPCSTR pszPath) {
    std::wstring strWide;
    if (pszPath == nullptr || !WideFromUtf8(pszPath, strWide) || strWide.empty()) {
        return FALSE;
    }
    return CreateDirectoryW(strWide.c_str(), nullptr) || IsDirectory(pszPath);
}
