// Surveys written by the writers, damaged by one edit and read back: the
// reader either refuses the file or gives every reading at the station of its
// own label. One edit changes one line at most, so at most one station may
// read another value, and a row that still stands whole in the file is
// never lost.
#include "formats/csv/CsvDataFile.h"
#include "formats/twi/TwiDataFile.h"

#include "TestSupport.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

// Bytes an edit puts in: those that make numbers, lines and the texts around
// them, and some that the line reader drops.
const std::string kEditBytes = std::string("0123456789.,- \t\r\neEdD+x", 24) + '\0' + "\x80";

constexpr size_t kTwiHeaderLines = 4;

struct Survey {
    std::string bytes;
    std::vector<double> first,
        second; // per station: Face A+ and Face A- (CSV), or the cumulative twist (TWI)
};

enum EditKind {
    editDelete,
    editInsert,
    editReplace,
    editTruncate,
    editDropLine,
    editRepeatLine,
    editSwapLines,
    editKinds
};

// One random edit of the bytes, and its kind.
std::string Damage(const std::string& bytes, std::mt19937& rng, EditKind& nKind) {
    auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
    std::string edited = bytes;
    Lines lines = SplitCrLf(bytes);
    nKind = static_cast<EditKind>(pick(editKinds));
    switch (nKind) {
    case editDelete:
        edited.erase(pick(edited.size()), 1);
        break;
    case editInsert:
        edited.insert(pick(edited.size() + 1), 1, kEditBytes[pick(kEditBytes.size())]);
        break;
    case editReplace:
        edited[pick(edited.size())] = kEditBytes[pick(kEditBytes.size())];
        break;
    case editTruncate:
        edited.resize(pick(edited.size()));
        break;
    case editDropLine:
        lines.erase(lines.begin() + static_cast<long>(pick(lines.size())));
        edited = JoinCrLf(lines);
        break;
    case editRepeatLine: {
        const size_t n = pick(lines.size());
        lines.insert(lines.begin() + static_cast<long>(n), lines[n]);
        edited = JoinCrLf(lines);
        break;
    }
    default: {
        const size_t n = pick(lines.size() - 1);
        std::swap(lines[n], lines[n + 1]);
        edited = JoinCrLf(lines);
        break;
    }
    }
    return edited;
}

// A spiral survey of distinct one-decimal twists, each positive, so that no
// two stations and no two running totals read alike.
void MakeRandomSurvey(CPlotDataObj& data, std::mt19937& rng) {
    const double kIntervals[] = {0.5, 1.0, 2.0};
    const int nStations = std::uniform_int_distribution<int>(1, 30)(rng);
    const double dInterval = kIntervals[std::uniform_int_distribution<int>(0, 2)(rng)];
    std::vector<double> twists;
    for (int k = 0; k < nStations; ++k) {
        twists.push_back((k * 37 % 97 + 1) / 10.0);
    }
    std::shuffle(twists.begin(), twists.end(), rng);
    MakeSpiralSurvey(data, nStations * dInterval, dInterval, twists);
}

// What the reader of the format gives for the bytes: the status and the
// stations read.
template <class Reader>
int ReadBack(const TempDir& dir, const std::string& bytes, Survey& read, bool bCsv) {
    // A new file each time: a file truncated and written again is flushed to
    // the disk when it closes, on some file systems.
    static int nFile = 0;
    const std::string path = dir / ("SDP_" + std::to_string(++nFile) + (bCsv ? ".csv" : ".twi"));
    WriteBytes(path, bytes);
    struct CRemoved {
        const std::string& path;
        ~CRemoved() { std::remove(path.c_str()); }
    } removed{path};
    Reader reader;
    CPlotDataObj data;
    const int nStatus = reader.ReadSurvey(path.c_str(), &data);
    if (nStatus == 0) {
        const int nCount = data.m_nReadingCount;
        read.first = Series(bCsv ? data.m_pAPlus : data.m_pACum, nCount);
        read.second = bCsv ? Series(data.m_pAMinus, nCount) : read.first;
    }
    return nStatus;
}

template <class Reader> void CheckDamagedCopies(bool bCsv, unsigned nSeed) {
    ScopedTimeZone tz(kZoneUtc);
    std::mt19937 rng(nSeed);
    // Few surveys, as each write is flushed to the disk, and many edits of each.
    constexpr int kSurveys = 20;
    constexpr int kEdits = 250;
    int nRefused = 0;
    int nRead = 0;
    TempDir dir; // one for all: making and removing folders costs more than reading
    for (int nSurvey = 0; nSurvey < kSurveys; ++nSurvey) {
        CPlotDataObj data;
        MakeRandomSurvey(data, rng);
        const std::string path = dir / (bCsv ? "SDP_s.csv" : "s.twi");
        Reader writer;
        ASSERT_EQ(writer.WriteSurvey(path.c_str(), &data), 0);
        Survey original;
        original.bytes = ReadBytes(path);
        ASSERT_EQ(ReadBack<Reader>(dir, original.bytes, original, bCsv), 0);
        const Lines originalLines = SplitCrLf(original.bytes);
        const size_t nStations = original.first.size();
        // KVN CSV rows run from the top down and end the file; TWI data lines
        // run from the deepest up and follow the four header lines.
        auto lineOf = [&](size_t k) -> const std::string& {
            return originalLines[bCsv ? originalLines.size() - nStations + k
                                      : kTwiHeaderLines + nStations - 1 - k];
        };
        // Where the data ends: a cut before it leaves a line cut off.
        const size_t nDataEnd = original.bytes.find(lineOf(bCsv ? nStations - 1 : 0)) +
                                lineOf(bCsv ? nStations - 1 : 0).size();
        for (int nEdit = 0; nEdit < kEdits; ++nEdit) {
            EditKind nKind = editDelete;
            const std::string damaged = Damage(original.bytes, rng, nKind);
            const bool bCutInLine = nKind == editTruncate && damaged.size() <= nDataEnd &&
                                    !damaged.empty() && damaged.back() != '\r' &&
                                    damaged.back() != '\n';
            SCOPED_TRACE("damaged file:\n" + damaged);
            Survey read;
            if (ReadBack<Reader>(dir, damaged, read, bCsv) != 0) {
                ++nRefused;
                continue;
            }
            ++nRead;
            EXPECT_FALSE(bCutInLine) << "a file cut inside a line was read";
            // A station read with another reading than written, or not read,
            // must have lost its line.
            const Lines lines = SplitCrLf(damaged + "\n");
            const size_t nCount = read.first.size();
            EXPECT_LE(nCount, nStations);
            for (size_t k = 0; k < nStations; ++k) {
                const bool bSame = k < nCount && read.first[k] == original.first[k] &&
                                   read.second[k] == original.second[k];
                EXPECT_TRUE(bSame || std::count(lines.begin(), lines.end(), lineOf(k)) == 0)
                    << "the line of station " << k + 1 << " is in the file but was "
                    << (k < nCount ? "read at another station" : "not read");
            }
        }
    }
    // Both outcomes must occur, or the edits test nothing.
    EXPECT_GT(nRefused, kSurveys);
    EXPECT_GT(nRead, kSurveys);
}

} // namespace

TEST(DamagedSurveys, CsvRefusedOrEveryReadingAtItsLabel) {
    CheckDamagedCopies<CCsvDataFile>(true, 20261207u);
}

TEST(DamagedSurveys, TwiRefusedOrEveryReadingAtItsLabel) {
    CheckDamagedCopies<CTwiDataFile>(false, 19u);
}
