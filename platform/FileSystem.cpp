#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

namespace {

int MakeUnique(std::string& pattern) {
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        return -1;
    }
    // mkstemp makes the file private; give it the permissions a newly
    // created output file would get.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    ::close(fd);
    return 0;
}

} // namespace

CString CreateTempFileBeside(LPCSTR pszTarget) {
    std::string target = pszTarget ? pszTarget : "";
    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);

    std::string pattern = folder + "." + name + ".XXXXXX";
    if (MakeUnique(pattern) == 0) {
        return CString(pattern.c_str());
    }
    if (errno == ENAMETOOLONG) {
        pattern = folder + ".veltrane.XXXXXX";
        if (MakeUnique(pattern) == 0) {
            return CString(pattern.c_str());
        }
    }
    return CString();
}

BOOL ReplaceFile(LPCSTR pszFrom, LPCSTR pszTo) {
    return std::rename(pszFrom, pszTo) == 0;
}

BOOL RemoveFile(LPCSTR pszPath) {
    return ::unlink(pszPath) == 0;
}
