#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
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
    static std::mt19937_64 random{std::random_device{}()};
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string target = pszTarget ? pszTarget : "";
    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
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
