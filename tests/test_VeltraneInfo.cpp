// veltrane-convert --info and --plot run as a process on the bundled samples:
// summaries without conversions, pictures beside the outputs, and pictures
// that would replace a survey of the call refused.
#include "TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

struct Result {
    int status;
    std::string out;
    std::string err;
};

const std::string kTwiSummary = "BH-07.twi\n"
                                "  Format: TWI\n"
                                "  Reading date: 10/21/2026 14:05:37\n"
                                "  Depth: 80.0 feet\n"
                                "  Interval: 2.0 feet\n"
                                "  Stations: 40, from 2.0 to 80.0 feet\n"
                                "  Reading unit: degrees\n";
const std::string kCsvSummary = "SDP_I-3.csv\n"
                                "  Format: KVN CSV\n"
                                "  Borehole: I-3\n"
                                "  Site: North Slope Cut\n"
                                "  Reading date: 09/14/2026 10:42:05\n"
                                "  Depth: 24.0 meters\n"
                                "  Interval: 0.5 meters\n"
                                "  Stations: 48, from 0.5 to 24.0 meters\n"
                                "  Reading unit: degrees\n";

class VeltraneInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"BH-07.twi", "SDP_I-3.csv"}) {
            Copy(name, name);
        }
    }
    // Runs the converter in the test's folder with the time zone pinned;
    // env goes before it (unset variables with "env -u NAME").
    Result Run(const std::string& args, const std::string& env = "") {
        std::string command = "cd '" + m_dir.path() + "' && TZ=UTC0 " + env + " '" +
                              VELTRANE_CONVERT_EXE "' " + args + " > .out 2> .err";
        int raw = std::system(command.c_str());
        Result result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadBytes(m_dir / ".out"),
                      ReadBytes(m_dir / ".err")};
        std::filesystem::remove(m_dir / ".out");
        std::filesystem::remove(m_dir / ".err");
        return result;
    }
    void Copy(const std::string& sample, const std::string& name) {
        WriteBytes(m_dir / name, ReadBytes(std::string(VELTRANE_SAMPLE_DIR) + "/" + sample));
    }
    std::string Read(const std::string& name) { return ReadBytes(m_dir / name); }
    bool Exists(const std::string& name) { return std::filesystem::exists(m_dir / name); }
    size_t FileCount() {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(m_dir.path()),
                                                 std::filesystem::directory_iterator()));
    }

    TempDir m_dir;
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

// Qt is never started for --info: a platform that cannot load does not matter.
TEST_F(VeltraneInfoTest, InfoSummarisesAndConvertsNothing) {
    Result r = Run("--info BH-07.twi SDP_I-3.csv", "QT_QPA_PLATFORM=no-such-platform");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, kTwiSummary + "\n" + kCsvSummary);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(FileCount(), 2u);
}

TEST_F(VeltraneInfoTest, InfoReportsWhatEachReadFound) {
    std::string csv = Read("SDP_I-3.csv");
    std::string moved = csv;
    moved.replace(moved.find("09/14/2026"), 10, "02/31/2026");
    WriteBytes(m_dir / "SDP_moved.csv", moved);
    std::string gap = csv;
    gap.erase(gap.find("-3.0,"), gap.find("-3.5,") - gap.find("-3.0,"));
    WriteBytes(m_dir / "SDP_gap.csv", gap);
    Copy("SDP_I-3.csv", "survey.dat");

    struct {
        std::string args;
        int status;
        std::string out; // the start of the output
        std::string err; // a part of the error stream, or "" for none
    } cases[] = {
        // A warning: the summary, and the warning as the conversion gives it.
        {"--info SDP_moved.csv", 0, "SDP_moved.csv\n  Format: KVN CSV\n  Borehole: I-3\n",
         "SDP_moved.csv:8: warning: the reading date \"02/31/2026,10:42:05\" does not exist; it "
         "was read as 03/03/2026,10:42:05\n"},
        {"--info SDP_gap.csv", 1, "",
         "SDP_gap.csv: Error reading data file, code = -5.\nA station is missing between the "
         "first and the last station.\nSDP_gap.csv:27: error: the station at 3.0 m is missing"},
        {"--info absent.twi BH-07.twi", 1, kTwiSummary,
         "absent.twi: Error reading data file, code = -1.\n"},
        {"--info notes.txt", 1, "", "notes.txt: The file format type can not determined.\n"},
        // --to picks the reader, whatever the extension.
        {"--info --to twi survey.dat", 0, "survey.dat\n  Format: KVN CSV\n", ""},
        {"--info --to csv SDP_I-3.csv", 1, "", "SDP_I-3.csv: Error reading data file, code = -3."},
    };
    for (const auto& c : cases) {
        Result r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
        EXPECT_EQ(r.out.substr(0, c.out.size()), c.out) << c.args;
        if (c.err.empty()) {
            EXPECT_EQ(r.err, "") << c.args;
        } else {
            EXPECT_TRUE(Contains(r.err, c.err)) << c.args << "\n" << r.err;
        }
    }
    EXPECT_EQ(FileCount(), 5u) << "--info writes nothing";
}

#ifdef VELTRANE_HAVE_PLOT
TEST_F(VeltraneInfoTest, PlotDrawsBesideTheOutput) {
    struct {
        std::string args;
        std::string picture;
        std::string magic; // the picture file's first bytes
        std::string converted;
    } cases[] = {
        {"--plot svg BH-07.twi", "SDP_BH-07.svg", "<?xml", "SDP_BH-07.csv"},
        {"--plot=png SDP_I-3.csv", "SDP_I-3.png", "\x89PNG", "SDP_I-3.twi"},
        {"--info --plot pdf SDP_I-3.csv", "SDP_I-3.pdf", "%PDF", ""},
    };
    for (const auto& c : cases) {
        // No display and no platform named: the converter picks the offscreen one.
        Result r = Run(c.args, "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM");
        EXPECT_EQ(r.status, 0) << c.args << "\n" << r.err;
        EXPECT_EQ(r.err, "") << c.args;
        EXPECT_TRUE(Contains(r.out, "Twist profile picture saved as " + c.picture + "\n")) << r.out;
        EXPECT_EQ(Read(c.picture).substr(0, c.magic.size()), c.magic) << c.args;
        if (!c.converted.empty()) {
            EXPECT_TRUE(Exists(c.converted)) << c.args;
            std::filesystem::remove(m_dir / c.converted);
        }
        std::filesystem::remove(m_dir / c.picture);
        EXPECT_EQ(FileCount(), 2u) << c.args;
    }
    // The picture is of the survey: the borehole is in its title.
    Run("--info --plot svg SDP_I-3.csv");
    EXPECT_TRUE(Contains(Read("SDP_I-3.svg"), "I-3 - 09/14/2026 10:42"));
}

TEST_F(VeltraneInfoTest, PlotNeverReplacesAFileOfTheCall) {
    // A KVN CSV survey named like its own picture, and a TWI survey named
    // like the picture of the file before it.
    Copy("SDP_I-3.csv", "SDP_own.svg");
    Copy("BH-07.twi", "SDP_BH-07.svg");
    const std::string own = Read("SDP_own.svg");
    const std::string other = Read("SDP_BH-07.svg");

    Result r = Run("--to twi --plot svg SDP_own.svg");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "SDP_own.svg: the picture SDP_own.svg was not written: it would "
                                "replace a survey file of this call.\n"))
        << r.err;
    EXPECT_TRUE(Exists("SDP_own.twi")) << "the conversion itself goes ahead";

    r = Run("--info --to csv --plot svg BH-07.twi ./SDP_BH-07.svg");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "BH-07.twi: the picture SDP_BH-07.svg was not written"));
    EXPECT_TRUE(Contains(r.out, "Twist profile picture saved as ./SDP_SDP_BH-07.svg\n"));

    EXPECT_EQ(Read("SDP_own.svg"), own);
    EXPECT_EQ(Read("SDP_BH-07.svg"), other);

    // With --no-clobber an earlier picture stays, as an earlier output does.
    WriteBytes(m_dir / "SDP_I-3.png", "earlier");
    r = Run("-n --plot png SDP_I-3.csv");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "SDP_I-3.csv: kept the existing SDP_I-3.png (--no-clobber)\n"));
    EXPECT_EQ(Read("SDP_I-3.png"), "earlier");
}

// Qt starts with the first picture: with none to draw, a platform that
// cannot load does not matter.
TEST_F(VeltraneInfoTest, PlotOfAnUnreadableSurveyFailsOnce) {
    WriteBytes(m_dir / "broken.twi", "not a survey\r\n");
    Result r = Run("--plot png broken.twi", "QT_QPA_PLATFORM=no-such-platform");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(Contains(r.err, "broken.twi: Error reading data file, code = -3."));
    EXPECT_FALSE(Exists("SDP_broken.png"));
}
#endif

TEST_F(VeltraneInfoTest, PlotUsageErrors) {
    struct {
        std::string args;
        std::string err;
    } cases[] = {
        {"--plot", "option '--plot' needs a picture format: svg, png or pdf"},
        {"--plot jpg BH-07.twi", "unknown picture format 'jpg' for '--plot'"},
#ifndef VELTRANE_HAVE_PLOT
        {"--plot svg BH-07.twi", "built without the twist plot"},
#endif
    };
    for (const auto& c : cases) {
        Result r = Run(c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_TRUE(Contains(r.err, c.err)) << c.args << "\n" << r.err;
    }
    EXPECT_EQ(FileCount(), 2u);
}
