#include "survey/LineReader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

constexpr char kCR = 13;
constexpr char kLF = 10;
constexpr char kTab = 9;

// Appends the bytes of a line as the reader keeps them: TAB becomes a space,
// bytes outside 32 to 127 vanish. Lines of plain text go in one piece.
// TRUE when a byte vanished.
bool IsPlain(const char* p, size_t n) {
    // Eight bytes at a time: none has its top bit set (128 and over), and
    // none is below 32 (a byte under 32 borrows into its own top bit).
    constexpr std::uint64_t kOnes = 0x0101010101010101;
    constexpr std::uint64_t kTops = 0x8080808080808080;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t nWord;
        std::memcpy(&nWord, p + i, 8);
        if (((nWord | ((nWord - 32 * kOnes) & ~nWord)) & kTops) != 0) {
            return false;
        }
    }
    return std::all_of(p + i, p + n, [](char ch) {
        return static_cast<unsigned char>(ch) >= 32 && static_cast<unsigned char>(ch) <= 127;
    });
}

bool AppendKept(std::string& line, const char* p, size_t n) {
    const bool bPlain = IsPlain(p, n);
    if (bPlain) {
        line.append(p, n);
        return false;
    }
    bool bDropped = false;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char ch = static_cast<unsigned char>(p[i]);
        if (ch == kTab) {
            line += ' ';
        } else if (ch >= 32 && ch <= 127) {
            line += static_cast<char>(ch);
        } else {
            bDropped = true;
        }
    }
    return bDropped;
}

// Takes the LF that may follow a CR just taken.
void TakeLfAfterCr(CFile& file) {
    size_t nAvailable = 0;
    const char* pNext = file.PeekBuffered(nAvailable);
    if (pNext != nullptr && *pNext == kLF) {
        file.TakeBuffered(1);
    }
}

} // namespace

// The line is gathered straight from the file's read-ahead buffer: only the
// bytes of the line are taken, so the file stands exactly where reading byte
// by byte would leave it, and nothing has to be given back.
BOOL ReadLine(CFile& file, CString& strLine, int nLimit, CLineFacts* pFacts) {
    std::string& line = strLine.str();
    line.clear();
    CLineFacts facts;
    if (pFacts == nullptr) {
        pFacts = &facts;
    }
    *pFacts = CLineFacts();
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
        if (AppendKept(line, p, nBefore)) {
            pFacts->bBytesDropped = true;
        }
        if (pCR) {
            // An LF right after the CR is taken with the line, and counts for none.
            file.TakeBuffered(nBefore + 1);
            TakeLfAfterCr(file);
            pFacts->bEndedAtCr = true;
            return TRUE;
        }
        file.TakeBuffered(nBefore);
        nCounted += static_cast<long long>(nBefore);
        if (nLimit != -1 && nCounted >= nLimit) {
            return FALSE; // the limit is used up without a CR
        }
    }
}

void SkipRestOfLine(CFile& file) {
    for (;;) {
        size_t nAvailable = 0;
        const char* p = file.PeekBuffered(nAvailable);
        if (p == nullptr) {
            return;
        }
        const char* pCR = static_cast<const char*>(std::memchr(p, kCR, nAvailable));
        if (pCR) {
            file.TakeBuffered(static_cast<size_t>(pCR - p) + 1);
            TakeLfAfterCr(file);
            return;
        }
        file.TakeBuffered(nAvailable);
    }
}
