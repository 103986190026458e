#include "survey/LineReader.h"

#include <string>

namespace {

constexpr char kCR = 13;
constexpr char kLF = 10;
constexpr char kTab = 9;

// Bytes are read in blocks; whatever the line did not use is given back with
// a seek, so the file stands exactly where reading byte by byte would leave it.
constexpr UINT kBlockSize = 512;

} // namespace

BOOL ReadLine(CFile& file, CString& strLine, int nLimit) {
    strLine.Empty();
    if (nLimit != -1 && nLimit <= 0) {
        return FALSE;
    }
    std::string line;
    char block[kBlockSize];
    long long nCounted = 0;
    for (;;) {
        UINT nWant = kBlockSize;
        if (nLimit != -1 && nLimit - nCounted < kBlockSize) {
            // One byte more than the limit leaves room for the byte after a CR.
            nWant = static_cast<UINT>(nLimit - nCounted) + 1;
        }
        UINT nGot = file.Read(block, nWant);
        if (nGot == 0) {
            BOOL bAny = line.empty() ? FALSE : TRUE;
            strLine = CString(std::move(line));
            return bAny;
        }
        // The bytes that stay are gathered in place at the front of the block
        // and added to the line once per block.
        UINT nKept = 0;
        for (UINT i = 0; i < nGot; ++i) {
            unsigned char ch = static_cast<unsigned char>(block[i]);
            ++nCounted;
            if (ch == kCR) {
                line.append(block, nKept);
                UINT nNext = i + 1;
                if (nNext < nGot) {
                    if (block[nNext] == kLF) {
                        ++nNext;
                    }
                } else {
                    char after;
                    if (file.Read(&after, 1) == 1 && after != kLF) {
                        file.Seek(-1, CFile::current);
                    }
                }
                if (nNext < nGot) {
                    file.Seek(-static_cast<long long>(nGot - nNext), CFile::current);
                }
                strLine = CString(std::move(line));
                return TRUE;
            }
            if (ch == kTab) {
                block[nKept++] = ' ';
            } else if (ch >= 32 && ch <= 127) {
                block[nKept++] = static_cast<char>(ch);
            }
            if (nLimit != -1 && nCounted >= nLimit) {
                line.append(block, nKept);
                if (i + 1 < nGot) {
                    file.Seek(-static_cast<long long>(nGot - i - 1), CFile::current);
                }
                strLine = CString(std::move(line));
                return FALSE;
            }
        }
        line.append(block, nKept);
    }
}
