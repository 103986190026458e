// The POSIX calls TestSupport.h makes, for the Windows build of the tests:
// a fresh temporary folder and the environment (TZ above all).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

// Replaces the trailing XXXXXX of the pattern and makes that folder; the
// pattern, or null when no folder could be made.
inline char* mkdtemp(char* pszPattern) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string strPattern(pszPattern);
    if (strPattern.size() < 6 || strPattern.compare(strPattern.size() - 6, 6, "XXXXXX") != 0) {
        return nullptr;
    }
    std::random_device device;
    std::mt19937 random(device());
    for (int nTry = 0; nTry < 100; ++nTry) {
        for (size_t i = strPattern.size() - 6; i < strPattern.size(); ++i) {
            strPattern[i] = kLetters[random() % (sizeof kLetters - 1)];
        }
        std::error_code error;
        if (std::filesystem::create_directory(strPattern, error)) {
            strPattern.copy(pszPattern, strPattern.size());
            return pszPattern;
        }
    }
    return nullptr;
}

inline int setenv(const char* pszName, const char* pszValue, int /*nOverwrite*/) {
    return _putenv_s(pszName, pszValue);
}

inline int unsetenv(const char* pszName) {
    return _putenv_s(pszName, ""); // an empty value removes the variable
}
