// ReadLine against a byte-by-byte reference: the same lines, results and
// file positions for every input and every limit.
#include "survey/LineReader.h"

#include "FuzzFile.h"

#include <cstdlib>
#include <string>

namespace {

struct Reference {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;

    bool ReadLine(std::string& line, int nLimit) {
        line.clear();
        if (nLimit != -1 && nLimit <= 0) {
            return false;
        }
        long long nRead = 0;
        for (;;) {
            if (pos >= size) {
                return !line.empty();
            }
            uint8_t ch = data[pos++];
            ++nRead;
            if (ch == 13) {
                if (pos < size && data[pos] == 10) {
                    ++pos;
                }
                return true;
            }
            if (ch == 9) {
                line += ' ';
            } else if (ch >= 32 && ch <= 127) {
                line += static_cast<char>(ch);
            }
            if (nLimit != -1 && nRead >= nLimit) {
                return false;
            }
        }
    }
};

const int kLimits[] = {-1, 0, 1, 2, 80, 120, 128, 511, 512, 513, 1024};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    uint8_t selector = data[0];
    ++data;
    --size;
    std::string path = fuzz_support::WriteInput("readline.bin", data, size);

    CFile file;
    if (!file.Open(path.c_str(), CFile::modeRead)) {
        std::abort();
    }
    Reference reference{data, size};
    for (int call = 0; call < 10000; ++call) {
        int nLimit = kLimits[(selector + call) % (sizeof kLimits / sizeof kLimits[0])];
        CString line;
        std::string expected;
        bool bExpected = reference.ReadLine(expected, nLimit);
        BOOL bGot = ReadLine(file, line, nLimit);
        if (bool(bGot) != bExpected || line.str() != expected ||
            static_cast<size_t>(file.Seek(0, CFile::current)) != reference.pos) {
            std::abort();
        }
        if (!bExpected && reference.pos >= size) {
            break;
        }
    }
    return 0;
}
