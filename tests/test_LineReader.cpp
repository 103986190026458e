#include "survey/LineReader.h"

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <vector>

using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

struct Call {
    BOOL result;
    std::string line;
    long long position; // file position after the call
};

// Reads the bytes with the given limit until ReadLine returns FALSE (or a
// fixed number of calls) and records every call.
std::vector<Call> ReadAll(const std::string& bytes, int nLimit, int nMaxCalls = 10) {
    TempDir dir;
    std::string path = dir / "lines.txt";
    WriteBytes(path, bytes);
    CFile file;
    EXPECT_TRUE(file.Open(path.c_str(), CFile::modeRead));
    std::vector<Call> calls;
    for (int i = 0; i < nMaxCalls; ++i) {
        CString line("stale");
        BOOL result = ReadLine(file, line, nLimit);
        calls.push_back({result, std::string(line), file.Seek(0, CFile::current)});
        if (!result) {
            break;
        }
    }
    return calls;
}

} // namespace

TEST(ReadLine, LineEndsAndFilteredBytes) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::pair<BOOL, std::string>> lines;
    } cases[] = {
        {"CR LF", "AB\r\nDE\r\n", {{TRUE, "AB"}, {TRUE, "DE"}, {FALSE, ""}}},
        {"lone CR keeps next byte", "A\rB", {{TRUE, "A"}, {TRUE, "B"}, {FALSE, ""}}},
        {"lone LF ends nothing", "A\nB\r", {{TRUE, "AB"}, {FALSE, ""}}},
        {"LF CR", "A\n\rB\r\n", {{TRUE, "A"}, {TRUE, "B"}, {FALSE, ""}}},
        {"CR CR", "A\r\rB", {{TRUE, "A"}, {TRUE, ""}, {TRUE, "B"}, {FALSE, ""}}},
        {"tab and bytes outside 32..127",
         std::string("a\tb\xE9\x01\x7F\0c\r\n", 10),
         {{TRUE, "a b\x7F"
                 "c"},
          {FALSE, ""}}},
        {"empty line", "\r\nX\r\n", {{TRUE, ""}, {TRUE, "X"}, {FALSE, ""}}},
        {"no CR at end of file", "last", {{TRUE, "last"}, {FALSE, ""}}},
        {"file ends with CR", "x\r", {{TRUE, "x"}, {FALSE, ""}}},
        {"empty file", "", {{FALSE, ""}}},
        {"only filtered bytes", "\x01\x02", {{FALSE, ""}}},
    };
    for (const auto& c : cases) {
        for (int nLimit : {-1, 80}) {
            auto calls = ReadAll(c.bytes, nLimit);
            ASSERT_EQ(calls.size(), c.lines.size()) << c.name;
            for (size_t i = 0; i < calls.size(); ++i) {
                EXPECT_EQ(calls[i].result, c.lines[i].first) << c.name << " #" << i;
                EXPECT_EQ(calls[i].line, c.lines[i].second) << c.name << " #" << i;
            }
        }
    }
}

// Lines are checked for bytes outside 32 to 127 eight at a time: each edge
// byte, at every place of a line of more than two such words.
TEST(ReadLine, EachByteIsFilteredWhereverItStands) {
    const std::string plain = "ABCDEFGHIJKLMNOPQRSTU";
    for (const int ch : {0x00, 0x09, 0x1F, 0x20, 0x7F, 0x80, 0xA0, 0xFF}) {
        const std::string kept = ch == 0x09 ? " "
                                 : (ch >= 0x20 && ch <= 0x7F)
                                     ? std::string(1, static_cast<char>(ch))
                                     : "";
        for (size_t nAt = 0; nAt <= plain.size(); ++nAt) {
            std::string bytes = plain;
            bytes.insert(nAt, 1, static_cast<char>(ch));
            auto calls = ReadAll(bytes + "\r\n", -1);
            ASSERT_EQ(calls.size(), 2u);
            std::string expected = plain;
            expected.insert(nAt, kept);
            EXPECT_EQ(calls[0].line, expected) << ch << " at " << nAt;
        }
    }
}

TEST(ReadLine, LimitCountsBytesBeforeTheCr) {
    std::string line79(79, 'a');
    std::string line80(80, 'b');

    auto accepted = ReadAll(line79 + "\r\nnext\r\n", 80);
    EXPECT_TRUE(accepted[0].result);
    EXPECT_EQ(accepted[0].line, line79);
    EXPECT_EQ(accepted[0].position, 81);
    EXPECT_EQ(accepted[1].line, "next");

    auto refused = ReadAll(line80 + "\r\nnext\r\n", 80);
    EXPECT_FALSE(refused[0].result);
    EXPECT_EQ(refused[0].line, line80);
    EXPECT_EQ(refused[0].position, 80); // stands right after the last byte read

    // Filtered bytes count too: 79 bytes of which half vanish, then the CR.
    std::string mixed;
    for (int i = 0; i < 79; ++i) {
        mixed += (i % 2) ? '\x01' : 'z';
    }
    auto filtered = ReadAll(mixed + "\r", 80);
    EXPECT_TRUE(filtered[0].result);
    EXPECT_EQ(filtered[0].line, std::string(40, 'z'));
    EXPECT_FALSE(ReadAll(mixed + "x\r", 80)[0].result);
}

TEST(ReadLine, ZeroOrNegativeLimitReadsNothing) {
    for (int nLimit : {0, -2}) {
        auto calls = ReadAll("abc\r\n", nLimit);
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_FALSE(calls[0].result);
        EXPECT_EQ(calls[0].line, "");
        EXPECT_EQ(calls[0].position, 0);
    }
}

TEST(ReadLine, PositionMatchesByteByByteReadingAcrossBlocks) {
    // Lines of many lengths, some longer than the reader's block, with every
    // kind of line end; each call must leave the file just after its line end.
    std::string bytes;
    std::vector<long long> ends;
    for (int n = 0; n < 40; ++n) {
        bytes += std::string(static_cast<size_t>(n * 37 % 1300), 'q');
        bytes += (n % 3 == 0) ? "\r\n" : (n % 3 == 1) ? "\r" : "\n\r";
        ends.push_back(static_cast<long long>(bytes.size()));
    }
    auto calls = ReadAll(bytes, -1, 100);
    ASSERT_EQ(calls.size(), 41u);
    for (size_t i = 0; i < 40; ++i) {
        EXPECT_TRUE(calls[i].result);
        EXPECT_EQ(calls[i].position, ends[i]) << i;
    }
    // A CR that is the last byte of a block still consumes the LF after it.
    std::string edge = std::string(511, 'e') + "\r\nafter\r\n";
    auto edgeCalls = ReadAll(edge, -1);
    EXPECT_EQ(edgeCalls[0].position, 513);
    EXPECT_EQ(edgeCalls[1].line, "after");
}

TEST(ParseNumber, LeadingDecimalNumber) {
    struct {
        const char* text;
        double value;
    } cases[] = {
        {"  12.5 m", 12.5}, {"-3e2", -300.0}, {"2.20", 2.2}, {"+.5", 0.5}, {"7.", 7.0},
        {"1e", 1.0},        {"1e+", 1.0},     {"0x10", 0.0}, {"", 0.0},    {"abc", 0.0},
        {"-", 0.0},         {".", 0.0},       {"nan", 0.0},  {"inf", 0.0}, {"\t100.0 ft", 100.0},
        {"DEPTH : 5", 0.0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseNumber(c.text), c.value) << "'" << c.text << "'";
    }
}
