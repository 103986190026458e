// veltrane-convert --info and --plot run as a process on the bundled samples:
// summaries without conversions, pictures beside the outputs, and pictures
// that would replace a survey of the call refused.
#include "TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <vector>

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

struct Result {
    int status;
    std::string out;
    std::string err;
};

const std::string kTwiSummary = "BH-07.twi\n  Format: TWI\n  Reading date: 2026-10-21 14:05:37\n"
                                "  Depth: 80.0 feet\n  Interval: 2.0 feet\n"
                                "  Stations: 40, from 2.0 to 80.0 feet\n  Reading unit: degrees\n"
                                "  Total twist: 7.4 degrees\n"
                                "  Mean twist rate: 0.925 degrees per 10 feet\n"
                                "  Largest interval twist: 0.7 degrees at 18.0 feet\n";
const std::string kCsvSummary = "SDP_I-3.csv\n  Format: KVN CSV\n  Borehole: I-3\n"
                                "  Site: North Slope Cut\n  Reading date: 2026-09-14 10:42:05\n"
                                "  Depth: 24.0 meters\n  Interval: 0.5 meters\n"
                                "  Stations: 48, from 0.5 to 24.0 meters\n"
                                "  Reading unit: degrees\n"
                                "  Total twist: 6.3 degrees\n"
                                "  Mean twist rate: 2.625 degrees per 10 meters\n"
                                "  Largest interval twist: 0.6 degrees at 14.0 meters\n";
// Qt cannot start with this platform: a run that starts it fails.
const std::string kNoQt = "QT_QPA_PLATFORM=no-such-platform";

class VeltraneInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        Copy("BH-07.twi", "BH-07.twi");
        Copy("SDP_I-3.csv", "SDP_I-3.csv");
    }
    // Runs the converter in the test's folder with the time zone pinned and
    // env before it.
    Result Run(const std::string& args, const std::string& env = "") {
        std::string command = "cd '" + m_dir.path() + "' && TZ=UTC0 " + env + " '" +
                              VELTRANE_CONVERT_EXE "' " + args + " > .out 2> .err";
        int raw = std::system(command.c_str());
        Result result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Read(".out"), Read(".err")};
        std::filesystem::remove(m_dir / ".out");
        std::filesystem::remove(m_dir / ".err");
        return result;
    }
    void Copy(const std::string& sample, const std::string& name, const std::string& from = "",
              const std::string& to = "") {
        std::string bytes = ReadBytes(std::string(VELTRANE_SAMPLE_DIR) + "/" + sample);
        if (!from.empty()) {
            bytes.replace(bytes.find(from), from.size(), to);
        }
        WriteBytes(m_dir / name, bytes);
    }
    std::string Read(const std::string& name) { return ReadBytes(m_dir / name); }
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

// Qt is started for pictures only, and only once there is one to draw: a
// platform that cannot load does not matter to anything else.
TEST_F(VeltraneInfoTest, InfoSummarisesWhatEachReadFoundAndConvertsNothing) {
    WriteBytes(m_dir / "broken.twi", "not a survey\r\n");
    Copy("SDP_I-3.csv", "SDP_moved.csv", "09/14/2026", "02/31/2026");
    Copy("SDP_I-3.csv", "SDP_gap.csv", "-3.0,0.1,5.8,0.0,0.0\r\n", "");
    Copy("SDP_I-3.csv", "survey.dat");
    struct {
        std::string args;
        int status;
        std::string out; // the start of the output
        std::string err; // a part of the error stream, or "" for none
    } cases[] = {
        {"--info BH-07.twi SDP_I-3.csv", 0, kTwiSummary + "\n" + kCsvSummary, ""},
        {"--info SDP_moved.csv", 0, "SDP_moved.csv\n  Format: KVN CSV\n  Borehole: I-3\n",
         "SDP_moved.csv:8: warning: the reading date \"02/31/2026,10:42:05\" does not exist"},
        // A file refused in its data still shows the header it read.
        {"--info SDP_gap.csv BH-07.twi", 1,
         "SDP_gap.csv\n  Format: KVN CSV\n  Borehole: I-3\n  Site: North Slope Cut\n  Reading "
         "date: 2026-09-14 10:42:05\n  Depth: 24.0 meters\n  Interval: 0.5 meters\n\n" +
             kTwiSummary,
         "SDP_gap.csv: error: a station is missing between the first and the last station "
         "(code -5)\nSDP_gap.csv:27: error: the station at 3.0 m is missing"},
        {"--info notes.txt", 1, "",
         "notes.txt: error: its type is not known from its extension: name the target format "
         "with --to csv or --to twi\n"},
        // The intervals twisting more than a limit, either way.
        {"--info --limit 0.5 BH-07.twi", 0,
         kTwiSummary + "  Over 0.5 degrees: 5 intervals, at 18.0, 38.0, 46.0, 70.0 and 80.0 feet\n",
         ""},
        {"--info --limit=0.6 SDP_I-3.csv", 0, kCsvSummary + "  Over 0.6 degrees: (none)\n", ""},
        {"--info --limit -1 BH-07.twi", 2, "", "'-1' is not a twist in degrees (0 or more)"},
        {"--info BH-07.twi --limit", 2, "", "option '--limit' needs a twist in degrees"},
        {"--limit 0.5 BH-07.twi", 2, "", "option '--limit' goes with '--info', '--json' or '--plot'"},
        // The pictures' size and paper: WIDTHxHEIGHT, each 1 to 16384.
        {"--plot svg --plot-size 0x5 BH-07.twi", 2, "",
         "'0x5' is not a picture size for '--plot-size': use WIDTHxHEIGHT, each 1 to 16384 "
         "(pixels for PNG, points for SVG and PDF)"},
        {"--plot svg --plot-size 640 BH-07.twi", 2, "", "'640' is not a picture size"},
        {"--plot svg --plot-size 640x BH-07.twi", 2, "", "'640x' is not a picture size"},
        {"--plot svg --plot-size -64x48 BH-07.twi", 2, "", "'-64x48' is not a picture size"},
        {"--plot svg --plot-size 16385x10 BH-07.twi", 2, "", "'16385x10' is not a picture size"},
        {"--plot svg --plot-size 64x48x2 BH-07.twi", 2, "", "'64x48x2' is not a picture size"},
        {"--plot-size 640x480 BH-07.twi", 2, "", "option '--plot-size' goes with '--plot'"},
        {"--plot svg --page a4 BH-07.twi", 2, "", "option '--page' goes with '--plot pdf'"},
        {"--plot svg --page a5 BH-07.twi", 2, "", "unknown paper 'a5' for '--page': use a4 or"},
        {"--plot pdf --page letter --plot-size 9x9 BH-07.twi", 2, "",
         "options '--page' and '--plot-size' both give the page's size"},
        // --to picks the reader, whatever the extension.
        {"--info --to twi survey.dat", 0, "survey.dat\n  Format: KVN CSV\n", ""},
        {"--info --to csv SDP_I-3.csv", 1, "",
         "SDP_I-3.csv: error: this is not a readable TWI survey: the header"},
        {"--plot", 2, "", "option '--plot' needs a picture format: svg"},
        {"--plot jpg BH-07.twi", 2, "", "unknown picture format 'jpg' for '--plot'"},
        // An unreadable survey fails once, and has no picture.
        {"--plot svg broken.twi", 1, "", "broken.twi: error: this is not a readable TWI survey"},
#ifdef VELTRANE_HAVE_PLOT
        {"--plot png broken.twi", 1, "", "broken.twi: error: this is not a readable TWI survey"},
#else
        {"--plot png BH-07.twi", 2, "", "this veltrane-convert cannot draw PNG pictures"},
#endif
    };
    for (const auto& c : cases) {
        Result r = Run(c.args, kNoQt);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
        EXPECT_EQ(r.out.substr(0, c.out.size()), c.out) << c.args;
        EXPECT_TRUE(c.err.empty() ? r.err.empty() : Contains(r.err, c.err)) << c.args << r.err;
    }
    EXPECT_EQ(FileCount(), 6u) << "--info writes nothing";
}

TEST_F(VeltraneInfoTest, PlotDrawsBesideTheOutput) {
    // No display and no platform named: the converter picks the offscreen
    // one. SVG needs no Qt at all.
    const std::string offscreen = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM";
    struct {
        std::string args;
        std::string env;
        std::string source;
        std::string picture;
        std::string magic; // the picture file's first bytes
        size_t files;      // in the folder afterwards: sources, output, picture
    } cases[] = {
        {"--plot svg BH-07.twi", kNoQt, "BH-07.twi", "SDP_BH-07.svg", "<?xml", 4},
#ifdef VELTRANE_HAVE_PLOT
        {"--plot=png SDP_I-3.csv", offscreen, "SDP_I-3.csv", "SDP_I-3.png", "\x89PNG", 4},
        {"--info --plot pdf SDP_I-3.csv", offscreen, "SDP_I-3.csv", "SDP_I-3.pdf", "%PDF", 3},
#endif
    };
    for (const auto& c : cases) {
        Result r = Run(c.args, c.env);
        EXPECT_EQ(r.status, 0) << c.args << "\n" << r.err;
        EXPECT_EQ(r.err, "") << c.args;
        EXPECT_TRUE(Contains(r.out, c.source + " -> " + c.picture + "\n")) << r.out;
        EXPECT_EQ(Read(c.picture).substr(0, c.magic.size()), c.magic) << c.args;
        EXPECT_EQ(FileCount(), c.files) << c.args;
        for (const std::string& name :
             {std::string("SDP_BH-07.csv"), std::string("SDP_I-3.twi"), c.picture}) {
            std::filesystem::remove(m_dir / name);
        }
    }
    // The picture is of the survey: the borehole is in its title.
    Run("--info --plot svg SDP_I-3.csv");
    EXPECT_TRUE(Contains(Read("SDP_I-3.svg"), "I-3 - 2026-09-14 10:42:05"));
}

#ifdef VELTRANE_HAVE_PLOT
TEST_F(VeltraneInfoTest, PlotNeverReplacesAFileOfTheCall) {
    // A KVN CSV survey named like its own picture, and a TWI survey named
    // like the picture of the file before it.
    Copy("SDP_I-3.csv", "SDP_own.svg");
    Copy("BH-07.twi", "SDP_BH-07.svg");
    const std::string own = Read("SDP_own.svg");
    const std::string other = Read("SDP_BH-07.svg");

    Result r = Run("--to twi --plot svg SDP_own.svg");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "SDP_own.svg: error: the picture SDP_own.svg was not written: it "
                                "would replace a survey file of this call\n"))
        << r.err;
    r = Run("--info --to csv --plot svg BH-07.twi ./SDP_BH-07.svg");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "BH-07.twi: error: the picture SDP_BH-07.svg was not written"));
    EXPECT_TRUE(Contains(r.out, "./SDP_BH-07.svg -> ./SDP_SDP_BH-07.svg\n"));
    EXPECT_EQ(Read("SDP_own.svg"), own);
    EXPECT_EQ(Read("SDP_BH-07.svg"), other);

    // With --no-clobber an earlier picture stays, as an earlier output does.
    WriteBytes(m_dir / "SDP_I-3.png", "earlier");
    r = Run("-n --plot png SDP_I-3.csv");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "SDP_I-3.csv -> SDP_I-3.png (kept)\n"));
    EXPECT_EQ(Read("SDP_I-3.png"), "earlier");
}

// --plot-size and --page shape the pictures: a PNG in pixels (96 an inch), an
// SVG in points, a PDF on a page of paper or of the size asked for.
TEST_F(VeltraneInfoTest, PicturesOfTheSizeAskedFor) {
    const std::string offscreen = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM";
    struct {
        std::string args;
        std::string picture;
        std::string size; // found in the file
    } cases[] = {
        {"--info --plot png --plot-size 640x480 BH-07.twi", "SDP_BH-07.png",
         std::string("\0\0\x02\x80\0\0\x01\xe0", 8)}, // IHDR width, height
        {"--info --plot png --plot-size 640x480 BH-07.twi", "SDP_BH-07.png",
         std::string("pHYs\0\0\x0e\xc4\0\0\x0e\xc4", 12)}, // 3780 per metre
        {"--info --plot svg --plot-size 595x842 --limit 0.5 BH-07.twi", "SDP_BH-07.svg",
         "width=\"595pt\" height=\"842pt\""},
        {"--info --plot pdf BH-07.twi", "SDP_BH-07.pdf", "/MediaBox [0 0 595"},
        {"--info --plot pdf --page letter BH-07.twi", "SDP_BH-07.pdf", "/MediaBox [0 0 612"},
        {"--info --plot pdf --plot-size 500x300 BH-07.twi", "SDP_BH-07.pdf", "/MediaBox [0 0 500"},
    };
    for (const auto& c : cases) {
        Result r = Run(c.args, offscreen);
        EXPECT_EQ(r.status, 0) << c.args << "\n" << r.err;
        EXPECT_TRUE(Contains(Read(c.picture), c.size)) << c.args;
    }
    // The limit is marked on the picture as the summary lists it.
    EXPECT_TRUE(Contains(Read("SDP_BH-07.svg"), ">Limit \xC2\xB1"
                                                "0.5\xC2\xB0<"));
}

// One rule for outputs and pictures: a link of the name is replaced, not
// followed; a read-only file is replaced and stays read-only; with -n any
// name taken is kept, a link that leads nowhere included.
TEST_F(VeltraneInfoTest, PicturesAreReplacedAndKeptAsOutputsAre) {
    namespace fs = std::filesystem;
    WriteBytes(m_dir / "elsewhere.png", "not ours");
    fs::create_symlink("elsewhere.png", m_dir / "SDP_I-3.png");
    WriteBytes(m_dir / "SDP_I-3.svg", "earlier");
    fs::permissions(m_dir / "SDP_I-3.svg", fs::perms(0444));
    for (const char* pszFormat : {"png", "svg"}) {
        Result r = Run(std::string("--plot ") + pszFormat + " SDP_I-3.csv");
        EXPECT_EQ(r.status, 0) << r.err;
    }
    EXPECT_FALSE(fs::is_symlink(m_dir / "SDP_I-3.png"));
    EXPECT_EQ(Read("SDP_I-3.png").substr(0, 4), "\x89PNG");
    EXPECT_EQ(Read("elsewhere.png"), "not ours");
    EXPECT_EQ(Read("SDP_I-3.svg").substr(0, 5), "<?xml");
    EXPECT_EQ(fs::status(m_dir / "SDP_I-3.svg").permissions() & fs::perms::all, fs::perms(0444));

    for (const char* pszName : {"SDP_BH-07.csv", "SDP_BH-07.svg"}) {
        fs::create_symlink("nowhere", m_dir / pszName);
    }
    Result r = Run("-n --plot svg BH-07.twi");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "BH-07.twi -> SDP_BH-07.csv (kept)\n"
                     "BH-07.twi -> SDP_BH-07.svg (kept)\n");
    EXPECT_FALSE(fs::exists(m_dir / "nowhere"));
}
#endif

// A file's picture is logged as its conversion is: "SRC -> PICTURE" on the
// output, left out by -q; with --json it is a field of the file's object,
// which also holds the survey's figures, all read back by a JSON parser.
TEST_F(VeltraneInfoTest, PicturesAndFiguresInTheLog) {
    struct {
        std::string args;
        int status;
        std::string out;
    } lines[] = {
        {"--plot svg BH-07.twi", 0, "BH-07.twi -> SDP_BH-07.csv\nBH-07.twi -> SDP_BH-07.svg\n"},
        {"-q --plot svg BH-07.twi", 0, ""},
        {"-n --plot svg BH-07.twi", 0,
         "BH-07.twi -> SDP_BH-07.csv (kept)\nBH-07.twi -> SDP_BH-07.svg (kept)\n"},
        {"--info -q --plot svg BH-07.twi", 0, kTwiSummary},
    };
    for (const auto& c : lines) {
        Result r = Run(c.args, kNoQt);
        EXPECT_EQ(r.status, c.status) << c.args << r.err;
        EXPECT_EQ(r.out, c.out) << c.args;
    }
    if (std::system("python3 -c '' 2>/dev/null") != 0) {
        GTEST_SKIP() << "no python3 to parse the JSON";
    }
    Copy("SDP_I-3.csv", "SDP_own.svg");
    WriteBytes(m_dir / "broken.twi", "not a survey\r\n");
    const std::string parse =
        " | python3 -c 'import json, sys\n"
        "for line in sys.stdin:\n"
        "    o = json.loads(line)\n"
        "    f = o.get(\"figures\")\n"
        "    print(o[\"source\"], o[\"outcome\"], o[\"code\"], o.get(\"picture\"), "
        "o.get(\"picture_outcome\"), f and (f[\"total_twist\"], f[\"mean_rate_per_10\"], "
        "f[\"largest_twist\"], f[\"largest_twist_depth\"], f[\"depth_unit\"], "
        "[x[\"depth\"] for x in f.get(\"over_limit\", [])]))'";
    struct {
        std::string args;
        std::string out;
    } objects[] = {
        {"--json --limit 0.6 --plot svg BH-07.twi SDP_I-3.csv broken.twi",
         "BH-07.twi up to date None SDP_BH-07.svg written (7.4, 0.925, 0.7, 18, 'feet', [18, 70])\n"
         "SDP_I-3.csv converted None SDP_I-3.svg written (6.3, 2.625, 0.6, 14, 'meters', [])\n"
         "broken.twi failed -3 None None None\n"},
        {"--json --to twi --plot svg SDP_own.svg",
         "SDP_own.svg converted None SDP_own.svg failed (6.3, 2.625, 0.6, 14, 'meters', [])\n"},
        {"--info --json BH-07.twi broken.twi notes.txt",
         "BH-07.twi read None None None (7.4, 0.925, 0.7, 18, 'feet', [])\n"
         "broken.twi not read -3 None None None\n"
         "notes.txt unknown type None None None None\n"},
    };
    for (const auto& c : objects) {
        Result r = Run(c.args + " 2>/dev/null" + parse, kNoQt);
        EXPECT_EQ(r.out, c.out) << c.args << r.err;
    }
}

// --info counts the stations the conversion writes: every one down to the
// survey depth, and says how many of them hold a reading.
TEST_F(VeltraneInfoTest, InfoCountsTheStationsWritten) {
    Copy("SDP_I-3.csv", "SDP_deep.csv", "Depth,24.0,-0.5", "Depth,100.0,-0.5");
    Result result = Run("--info SDP_deep.csv");
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(Contains(result.out, "\n  Stations: 200, from 0.5 to 100.0 meters (48 with "
                                     "readings)\n"))
        << result.out;
    EXPECT_TRUE(Contains(result.err, "152 stations below it hold no reading")) << result.err;
}

namespace {

// A TWI survey read on sDate ("DD MM YY") at 08:00, its cumulative twists
// from the top down, written deepest first as the format has them.
std::string Twi(const std::string& date, double interval, const std::vector<double>& cumulative) {
    char line[64];
    std::snprintf(line, sizeof line, "DEPTH     : %.1f\r\nINTERVAL  : %.1f\r\n",
                  interval * static_cast<double>(cumulative.size()), interval);
    std::string text =
        " D  M  Y    H  M  S\r\n" + date + ",  08 00 00     RUN ID.   : 0000\r\n" + line;
    for (size_t i = cumulative.size(); i-- > 0;) {
        std::snprintf(line, sizeof line, "%06.2f,     %.1f deg\r\n",
                      interval * static_cast<double>(i + 1), cumulative[i]);
        text += line;
    }
    return text + "\r\nRUN END\r\n";
}

} // namespace

// Three readings of one casing: the oldest is the reference whatever the
// order given; each later one's largest difference is printed and all three
// are drawn, a colour each, with a legend by date.
TEST_F(VeltraneInfoTest, CompareDrawsRepeatSurveysOverEachOther) {
    WriteBytes(m_dir / "B12-2025.twi", Twi("01 03 25", 2.0, {0.1, 0.3, 0.5, 0.9, 1.2}));
    WriteBytes(m_dir / "B12-2026.twi", Twi("02 03 26", 2.0, {0.1, 0.4, 0.9, 1.1, 1.3}));
    WriteBytes(m_dir / "B12-2024.twi", Twi("15 02 24", 2.0, {0.1, 0.2, 0.6, 0.9}));
    WriteBytes(m_dir / "B12-coarse.twi", Twi("01 04 26", 4.0, {0.2, 0.6}));
    struct {
        std::string args;
        int status;
        std::string out;
        std::string err; // a part of the error stream, or "" for none
    } cases[] = {
        {"--compare all.svg B12-2026.twi B12-2025.twi B12-2024.twi", 0,
         "B12-2025.twi: largest difference from B12-2024.twi 0.1 degrees at 4.0 feet\n"
         "B12-2026.twi: largest difference from B12-2024.twi 0.3 degrees at 6.0 feet\n"
         "Surveys of different depths: only 0.0 to 8.0 feet, the depths all of them measured, "
         "are compared.\nComparison picture saved as all.svg\n",
         ""},
        // The refused pair: the picture is not drawn.
        {"--compare refused.svg B12-2025.twi B12-coarse.twi", 1, "",
         "B12-coarse.twi has an interval of 4.0 feet and B12-2025.twi of 2.0 feet: surveys of "
         "different intervals are not compared.\n"},
        {"--compare=one.svg B12-2025.twi", 2, "", "'--compare' needs at least two survey files"},
        {"--compare out.jpg B12-2025.twi B12-2026.twi", 2, "",
         "the picture 'out.jpg' of '--compare' must be named .svg"},
        {"--compare out.svg --info B12-2025.twi B12-2026.twi", 2, "",
         "option '--compare' converts nothing and does not go with '--info'"},
        {"--compare B12-2025.twi B12-2026.twi", 2, "", "must be named .svg"},
        {"--compare missing.svg B12-2025.twi nowhere.twi", 1, "", "nowhere.twi: "},
    };
    for (const auto& c : cases) {
        Result r = Run(c.args, kNoQt);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
        EXPECT_EQ(r.out, c.out) << c.args;
        EXPECT_TRUE(c.err.empty() ? r.err.empty() : Contains(r.err, c.err)) << c.args << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(m_dir / "refused.svg"));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "missing.svg"));

    // The legend by reading date, the reference first, and a series each in
    // its own colour: black, then Okabe-Ito blue and vermilion.
    const std::string svg = Read("all.svg");
    const size_t nFirst = svg.find(">2024-02-15 08:00:00, B12-2024.twi (reference)</text>");
    const size_t nSecond = svg.find(">2025-03-01 08:00:00, B12-2025.twi</text>");
    const size_t nThird = svg.find(">2026-03-02 08:00:00, B12-2026.twi</text>");
    EXPECT_NE(nFirst, std::string::npos) << svg;
    EXPECT_LT(nFirst, nSecond);
    EXPECT_LT(nSecond, nThird);
    EXPECT_NE(nThird, std::string::npos);
    for (const char* colour : {"#000000", "#0072b2", "#d55e00"}) {
        // The legend's piece of line and the series, each a polyline.
        size_t nLines = 0;
        for (size_t at = svg.find("<polyline"); at != std::string::npos;
             at = svg.find("<polyline", at + 1)) {
            nLines += svg.compare(svg.find("stroke=", at) + 8, 7, colour) == 0;
        }
        EXPECT_EQ(nLines, 2u) << colour;
    }
    EXPECT_NE(svg.find("Surveys of different depths"), std::string::npos);
    // Each later survey's largest difference marked where it lies.
    EXPECT_NE(svg.find(">+0.1\xC2\xB0</text>"), std::string::npos);
    EXPECT_NE(svg.find(">+0.3\xC2\xB0</text>"), std::string::npos);

    // The picture options shape the comparison as they shape a plot.
    ASSERT_EQ(
        Run("--compare sized.svg --plot-size 500x300 B12-2025.twi B12-2026.twi", kNoQt).status, 0);
    EXPECT_TRUE(Contains(Read("sized.svg"), "width=\"500pt\" height=\"300pt\""));
    EXPECT_EQ(Run("--compare sized.svg --page letter B12-2025.twi B12-2026.twi", kNoQt).status, 2);
}
