// Surveys written by the writers, damaged by one edit and read back: the
// reader either refuses the file or gives every reading at the station of its
// own label. A station read with another reading than written, or not read,
// must have lost its line; a file cut inside its data is always refused.
#include "formats/csv/CsvDataFile.h"
#include "formats/twi/TwiDataFile.h"

#include "TestSupport.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

using namespace testing_support;

namespace {

constexpr size_t kTwiHeaderLines = 4;

// Bytes an edit puts in: those of numbers, lines and the texts around them,
// and some that the line reader drops.
const std::string kEditBytes = std::string("0123456789.,- \t\r\neEdD+x\0\x80", 26);

// One random edit: a byte deleted, inserted or replaced, the file cut, or a
// line dropped, repeated or swapped with the next. bCut: the file was cut.
std::string Damage(const std::string& bytes, std::mt19937& rng, bool& bCut) {
    auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
    std::string edited = bytes;
    Lines lines = SplitCrLf(bytes);
    const size_t nLine = pick(lines.size() - 1);
    const size_t nKind = pick(7);
    bCut = nKind == 3;
    switch (nKind) {
    case 0:
        edited.erase(pick(edited.size()), 1);
        return edited;
    case 1:
        edited.insert(pick(edited.size() + 1), 1, kEditBytes[pick(kEditBytes.size())]);
        return edited;
    case 2:
        edited[pick(edited.size())] = kEditBytes[pick(kEditBytes.size())];
        return edited;
    case 3:
        edited.resize(pick(edited.size()));
        return edited;
    case 4:
        lines.erase(lines.begin() + static_cast<long>(nLine));
        break;
    case 5:
        lines.insert(lines.begin() + static_cast<long>(nLine), lines[nLine]);
        break;
    default:
        std::swap(lines[nLine], lines[nLine + 1]);
        break;
    }
    return JoinCrLf(lines);
}

// Reads the bytes as a new file (a file truncated and written again is
// flushed to the disk as it closes, on some file systems): the status, and
// per station Face A+ and A- (KVN CSV) or the cumulative twist (TWI) twice.
template <class Reader>
int ReadBack(const TempDir& dir, const std::string& bytes, std::vector<double> (&read)[2]) {
    static int nFile = 0;
    const std::string path = dir / ("SDP_" + std::to_string(++nFile) + ".in");
    WriteBytes(path, bytes);
    Reader reader;
    CPlotDataObj data;
    const int nStatus = reader.ReadSurvey(path.c_str(), &data);
    std::remove(path.c_str());
    const bool bCsv = std::is_same<Reader, CCsvDataFile>::value;
    read[0] = Series(bCsv ? data.m_pAPlus : data.m_pACum, nStatus == 0 ? data.m_nReadingCount : 0);
    read[1] = bCsv ? Series(data.m_pAMinus, static_cast<int>(read[0].size())) : read[0];
    return nStatus;
}

template <class Reader> void CheckDamagedCopies(unsigned nSeed) {
    ScopedTimeZone tz(kZoneUtc);
    const bool bCsv = std::is_same<Reader, CCsvDataFile>::value;
    std::mt19937 rng(nSeed);
    int nOutcomes[2] = {}; // refused, read
    TempDir dir;
    // Few surveys, as each write is flushed to the disk, and many edits of each:
    // distinct positive one-decimal twists, so that no two stations or running
    // totals read alike.
    for (int nSurvey = 0; nSurvey < 20; ++nSurvey) {
        const int nStations = std::uniform_int_distribution<int>(1, 30)(rng);
        const double dInterval = std::vector<double>{0.5, 1.0, 2.0}[rng() % 3];
        std::vector<double> twists;
        for (int k = 0; k < nStations; ++k) {
            twists.push_back((k * 37 % 97 + 1) / 10.0);
        }
        std::shuffle(twists.begin(), twists.end(), rng);
        CPlotDataObj data;
        MakeSpiralSurvey(data, nStations * dInterval, dInterval, twists);
        ASSERT_EQ(Reader().WriteSurvey((dir / "written").c_str(), &data), 0);
        const std::string bytes = ReadBytes(dir / "written");
        std::vector<double> original[2];
        ASSERT_EQ(ReadBack<Reader>(dir, bytes, original), 0);
        // KVN CSV rows run from the top down and end the file; TWI data lines
        // run from the deepest up after the four header lines.
        const Lines originalLines = SplitCrLf(bytes);
        const size_t nCount = original[0].size();
        auto lineOf = [&](size_t k) -> const std::string& {
            return originalLines[bCsv ? originalLines.size() - nCount + k
                                      : kTwiHeaderLines + nCount - 1 - k];
        };
        const std::string& lastData = lineOf(bCsv ? nCount - 1 : 0);
        const size_t nDataEnd = bytes.find(lastData) + lastData.size();
        for (int nEdit = 0; nEdit < 250; ++nEdit) {
            bool bCut = false;
            const std::string damaged = Damage(bytes, rng, bCut);
            std::vector<double> read[2];
            const int nStatus = ReadBack<Reader>(dir, damaged, read);
            ++nOutcomes[nStatus == 0];
            if (nStatus != 0) {
                continue;
            }
            SCOPED_TRACE("damaged file:\n" + damaged);
            EXPECT_FALSE(bCut && damaged.size() <= nDataEnd && !damaged.empty() &&
                         damaged.back() != '\r' && damaged.back() != '\n')
                << "a file cut inside a data line was read";
            const Lines lines = SplitCrLf(damaged + "\n");
            EXPECT_LE(read[0].size(), nCount);
            for (size_t k = 0; k < nCount; ++k) {
                const bool bSame = k < read[0].size() && read[0][k] == original[0][k] &&
                                   read[1][k] == original[1][k];
                EXPECT_TRUE(bSame || std::count(lines.begin(), lines.end(), lineOf(k)) == 0)
                    << "the line of station " << k + 1 << " is in the file but was "
                    << (k < read[0].size() ? "read at another station" : "not read");
            }
        }
    }
    // Both outcomes must occur, or the edits test nothing.
    EXPECT_GT(nOutcomes[0], 100);
    EXPECT_GT(nOutcomes[1], 100);
}

} // namespace

TEST(DamagedSurveys, CsvRefusedOrEveryReadingAtItsLabel) {
    CheckDamagedCopies<CCsvDataFile>(20261207u);
}

TEST(DamagedSurveys, TwiRefusedOrEveryReadingAtItsLabel) {
    CheckDamagedCopies<CTwiDataFile>(19u);
}

// What a reader says of a line it refuses, word for word: a value that is
// not a number is named with its column, and a line that ends the data too
// early says so in one sentence. Each case replaces or inserts one line of a
// golden file (index from 0); the first error is the text asserted.
TEST(DamagedSurveys, RefusalsNameTheValueAndItsColumn) {
    const std::string kCsv = ReadBytes(DataPath("spiral_10ft.csv"));
    const std::string kTwi = ReadBytes(DataPath("twi_10ft.twi"));
    const size_t kRow3 = 21;    // -6.0,0.2,0.9,0.0,0.0 on line 22
    const size_t kStation3 = 6; // 006.00,     0.5 deg on line 7
    struct {
        bool bCsv;
        size_t nLine;
        bool bInsert;
        std::string text;
        int status;
        std::string error; // "LINE: TEXT" of the first error
    } cases[] = {
        {true, kRow3, false, "-6.0,abc,0.9,0.0,0.0", -11, "22: \"abc\" is not a number (Face A+)"},
        {true, kRow3, false, "-6.0,0.2, 0.9x ,0.0,0.0", -11,
         "22: \"0.9x\" is not a number (Face A-)"},
        {true, kRow3, false, "-6.0,0.2,,0.0,0.0", -11, "22: a number is missing (Face A-)"},
        {true, kRow3, false, "-6.0,0.2,0.9,0.0", -11,
         "22: the data row does not hold five numbers separated by commas: "
         "\"-6.0,0.2,0.9,0.0\""},
        {true, kRow3, false, "-6.0,nan,0.9,0.0,0.0", -8,
         "22: \"nan\" is not a finite number (Face A+)"},
        {true, kRow3, false, "-inf,0.2,0.9,0.0,0.0", -8,
         "22: \"-inf\" is not a finite number (Depth)"},
        {true, kRow3, false, "abc,0.2,0.9,0.0,0.0", -7,
         "22: \"abc\" is not a number (Depth), so the data ends here, but rows follow it (line "
         "23)"},
        {true, kRow3, true, "probe changed", -7,
         "22: this line is not a data row, so the data ends here, but rows follow it (line 23)"},
        {true, kRow3, true, "", -7,
         "22: a blank line ends the data here, but rows follow it (line 23)"},
        {true, 19, false, "x,0.1,1.2,0.0,0.0", -3, "20: \"x\" is not a number (Depth)"},
        // The columns in another order are named as the column-header line names them.
        {true, 17, false, "Depth,Face B-,Face A+,Face A-,Face B+", -11,
         "22: \"abc\" is not a number (Face B-)"},
        {false, kStation3, false, "006.00,     abc deg", -11,
         "7: \"abc\" is not a number (cumulative twist)"},
        {false, kStation3, false, "006.00,     deg", -11,
         "7: a number is missing (cumulative twist)"},
        {false, kStation3, false, "006.00,     nan deg", -8,
         "7: \"nan\" is not a finite number (cumulative twist)"},
        {false, 4, false, "deep,     1.2 deg", -3, "5: \"deep\" is not a number (station depth)"},
        {false, kStation3, false, "6 .0,     0.5 deg", -11,
         "7: \"6 .0\" is not a number (station depth)"},
        {false, kStation3, false, "station 6,     0.5 deg", -10,
         "7: \"station 6\" is not a number (station depth), so the data ends here, before the top "
         "station: the last station read is at 8.0 ft, and the stations go on up to 2.0 ft"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        Lines lines = SplitCrLf(c.bCsv ? kCsv : kTwi);
        if (c.bInsert) {
            lines.insert(lines.begin() + static_cast<long>(c.nLine), c.text);
        } else {
            lines[c.nLine] = c.text;
        }
        if (c.nLine == 17) {
            lines[kRow3] = "-6.0,abc,0.2,0.9,0.0"; // Face B- first
        }
        const std::string path = dir / (c.bCsv ? "SDP_in.csv" : "in.twi");
        WriteBytes(path, JoinCrLf(lines));
        CPlotDataObj data;
        CCsvDataFile csv;
        CTwiDataFile twi;
        const int nStatus =
            c.bCsv ? csv.ReadSurvey(path.c_str(), &data) : twi.ReadSurvey(path.c_str(), &data);
        EXPECT_EQ(nStatus, c.status) << c.text;
        ASSERT_TRUE(data.m_diagnostics.HasErrors()) << c.text;
        const CDiagnostic& error = data.m_diagnostics.GetAt(0);
        EXPECT_EQ(std::to_string(error.m_nLine) + ": " + error.m_strText.str(), c.error) << c.text;
    }
}
