// Windows only: the core's texts are UTF-8, the system's calls take UTF-16.
// Paths are converted here, at the edge, and the system's error codes are
// turned into the errno values the rest of the core reports and explains.
// No system header is included, so that none of its macros reaches our code.
#pragma once

#include <string>

// The UTF-16 form of a UTF-8 text; false (and an empty result) when the text
// is not valid UTF-8, which names no file on Windows.
bool WideFromUtf8(const char* pszText, std::wstring& strWide);
// The same for a text shown on screen: the UTF-16 form, empty when the text
// is not valid UTF-8.
std::wstring Wide(const char* pszText);
std::wstring Wide(const std::string& strText);
// The UTF-8 form of a UTF-16 text (a lone surrogate becomes U+FFFD).
std::string Utf8FromWide(const wchar_t* pszWide);
// The errno value that says what a Win32 error code (GetLastError) means:
// ENOENT, EACCES, EEXIST, ENOSPC, EWOULDBLOCK for a file another program
// holds, ... EIO for a device error and anything unknown.
int ErrnoFromWin32(unsigned long nError);
