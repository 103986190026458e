#include "survey/LineReader.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr char kCR = 13;
constexpr char kLF = 10;
constexpr char kTab = 9;

// Appends the bytes of a line as the reader keeps them: TAB becomes a space,
// bytes outside 32 to 127 vanish. Lines of plain text go in one piece.
void AppendKept(std::string& line, const char* p, size_t n) {
    const bool bPlain = std::all_of(p, p + n, [](char ch) {
        return static_cast<unsigned char>(ch) >= 32 && static_cast<unsigned char>(ch) <= 127;
    });
    if (bPlain) {
        line.append(p, n);
        return;
    }
    for (size_t i = 0; i < n; ++i) {
        const unsigned char ch = static_cast<unsigned char>(p[i]);
        if (ch == kTab) {
            line += ' ';
        } else if (ch >= 32 && ch <= 127) {
            line += static_cast<char>(ch);
        }
    }
}

} // namespace

// The line is gathered straight from the file's read-ahead buffer: only the
// bytes of the line are taken, so the file stands exactly where reading byte
// by byte would leave it, and nothing has to be given back.
BOOL ReadLine(CFile& file, CString& strLine, int nLimit) {
    std::string& line = strLine.str();
    line.clear();
    if (nLimit != -1 && nLimit <= 0) {
        return FALSE;
    }
    long long nCounted = 0; // bytes taken, the CR included, against the limit
    for (;;) {
        size_t nAvailable = 0;
        const char* p = file.PeekBuffered(nAvailable);
        if (p == nullptr) {
            return line.empty() ? FALSE : TRUE;
        }
        size_t nScan = nAvailable;
        if (nLimit != -1) {
            nScan = std::min<size_t>(nScan, static_cast<size_t>(nLimit - nCounted));
        }
        const char* pCR = static_cast<const char*>(std::memchr(p, kCR, nScan));
        const size_t nBefore = pCR ? static_cast<size_t>(pCR - p) : nScan;
        AppendKept(line, p, nBefore);
        if (pCR) {
            // An LF right after the CR is taken with the line, and counts for none.
            file.TakeBuffered(nBefore + 1);
            const char* pNext = file.PeekBuffered(nAvailable);
            if (pNext != nullptr && *pNext == kLF) {
                file.TakeBuffered(1);
            }
            return TRUE;
        }
        file.TakeBuffered(nBefore);
        nCounted += static_cast<long long>(nBefore);
        if (nLimit != -1 && nCounted >= nLimit) {
            return FALSE; // the limit is used up without a CR
        }
    }
}
