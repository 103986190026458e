// The file-system services alike on every system: error words, names
// compared, temporary names. The calls on files are FileSystem_posix.cpp's
// or FileSystem_win.cpp's.
#include "platform/FileSystem.h"

#include <cerrno>
#include <cstring>
#include <string>
#ifndef _WIN32
#include <locale.h>
#endif

CString SystemErrorText(int nError) {
    // The reasons a field engineer meets, in words of our own; anything else
    // in the system's words, but never translated into the desktop's language
    // (the C runtime of Windows has English words only).
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
#ifdef EDQUOT
    case EDQUOT:
        return "disk quota exceeded";
#endif
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
#ifdef _WIN32
        return CString(std::strerror(nError));
#else
        static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
        return CString(locale ? strerror_l(nError, locale) : std::strerror(nError));
#endif
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

