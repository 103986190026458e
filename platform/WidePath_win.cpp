#include "platform/WidePath.h"

#include <cerrno>

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {

// Not named by MinGW's headers.
constexpr DWORD kErrorDiskQuotaExceeded = 1295;

} // namespace

bool WideFromUtf8(const char* pszText, std::wstring& strWide) {
    strWide.clear();
    if (pszText == nullptr || *pszText == '\0') {
        return pszText != nullptr;
    }
    const int nLength = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, pszText, -1, nullptr, 0);
    if (nLength <= 0) {
        return false;
    }
    strWide.resize(static_cast<size_t>(nLength));
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, pszText, -1, strWide.data(), nLength);
    strWide.resize(static_cast<size_t>(nLength - 1)); // without the terminating zero
    return true;
}

std::wstring Wide(const char* pszText) {
    std::wstring strWide;
    WideFromUtf8(pszText, strWide);
    return strWide;
}

std::wstring Wide(const std::string& strText) {
    return Wide(strText.c_str());
}

std::string Utf8FromWide(const wchar_t* pszWide) {
    std::string strText;
    if (pszWide == nullptr || *pszWide == L'\0') {
        return strText;
    }
    const int nLength = WideCharToMultiByte(CP_UTF8, 0, pszWide, -1, nullptr, 0, nullptr, nullptr);
    if (nLength <= 0) {
        return strText;
    }
    strText.resize(static_cast<size_t>(nLength));
    WideCharToMultiByte(CP_UTF8, 0, pszWide, -1, strText.data(), nLength, nullptr, nullptr);
    strText.resize(static_cast<size_t>(nLength - 1));
    return strText;
}

int ErrnoFromWin32(unsigned long nError) {
    switch (nError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
        return EACCES;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EWOULDBLOCK;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case kErrorDiskQuotaExceeded:
        return ENOSPC;
    case ERROR_FILE_TOO_LARGE:
        return EFBIG;
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
        return ENAMETOOLONG;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_DIR_NOT_EMPTY:
        return ENOTEMPTY;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_INVALID_PARAMETER:
        return EINVAL;
    default:
        return EIO; // a device, network or unknown failure
    }
}
