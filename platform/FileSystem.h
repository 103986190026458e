// File-system services beyond the open file: the existence probe used by
// output naming, case-insensitive comparison of names, and the pieces of a
// safe replacement of an output file (write beside it, then rename over it).
#pragma once

#include "platform/CString.h"
#include "platform/Types.h"

#include <utility>
#include <vector>

// TRUE when any file-system entry (file, folder, link) has this name.
BOOL FileExists(LPCSTR pszPath);
BOOL IsDirectory(LPCSTR pszPath);
// What a name leads to, in one look: nothing, a folder, or a file, whose
// access rights (permission bits) then go to *pnAccess when it is given.
enum EntryKind { entryNone, entryFile, entryFolder };
EntryKind GetEntry(LPCSTR pszPath, UINT* pnAccess = nullptr);
// TRUE when both names lead to one and the same file: the same path, a hard
// link, or a symbolic link to it. FALSE when either does not exist.
BOOL IsSameFile(LPCSTR pszA, LPCSTR pszB);
// The device and the number of the file a name leads to: the same pair for
// every name and link of one file, a different one for any other file.
// FALSE when the name leads to nothing.
typedef std::pair<unsigned long long, unsigned long long> FileIdentity;
BOOL GetFileIdentity(LPCSTR pszPath, FileIdentity& identity);
// Everything one look at a name tells (a link followed), for a caller that
// needs several answers about one name: its kind, and for a file or folder
// its identity; for a file also its size in bytes and its access rights.
struct EntryFacts {
    EntryKind nKind = entryNone;
    FileIdentity identity{0, 0};
    unsigned long long nSize = 0;
    UINT nAccess = 0;
};
EntryFacts LookAt(LPCSTR pszPath);
// The names of the files in a folder (links that lead to a file included;
// folders and other entries left out), in no particular order. FALSE when
// the folder cannot be read. With pFolders, the names of its subfolders
// too (not links to folders, which could lead round in a circle).
BOOL ListFolderFiles(LPCSTR pszFolder, std::vector<CString>& names,
                     std::vector<CString>* pFolders = nullptr);
// Creates a folder; TRUE when it exists afterwards.
BOOL MakeFolder(LPCSTR pszPath);
// The folder part of a path with its separator ("/data/" of "/data/B12.twi");
// empty for a bare name.
CString FolderOf(LPCSTR pszPath);
// Writes the folder holding pszPath to disk, so that a name just renamed
// into it survives a power cut. FALSE when the system refuses.
BOOL SyncFolderOf(LPCSTR pszPath);
// Writes everything of the file system holding pszPath to disk in one call
// (many files at once cost one flush, not one each). FALSE when the system
// has no such call or refuses: the caller then flushes file by file.
BOOL SyncFileSystemOf(LPCSTR pszPath);
// Writes one closed file to disk; FALSE when the system refuses.
BOOL SyncFileByName(LPCSTR pszPath);

// The system's reason for a failure (an errno value) in plain English words,
// whatever the process's language: "no space left on device", "file name
// too long", "permission denied" ...
CString SystemErrorText(int nError);

// Compares two texts ignoring the case of ASCII letters; <0, 0 or >0.
int CompareNoCase(LPCSTR pszA, LPCSTR pszB);

// Renames pszFrom over pszTo in one step; FALSE when the system refuses.
BOOL ReplaceFile(LPCSTR pszFrom, LPCSTR pszTo);
BOOL RemoveFile(LPCSTR pszPath);
