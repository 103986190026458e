// veltrane-convert run as a process, as a field office would run it.
#include "TestSupport.h"
#include "VeltraneVersion.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/wait.h>

using testing_support::DataPath;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

using Result = testing_support::ProgramRun;

class VeltraneConvertTest : public ::testing::Test {
protected:
    // Runs the converter with the arguments (already quoted for the shell)
    // in the test's folder, with the time zone pinned.
    Result Run(const std::string& args, const std::string& folder = ".") {
        return testing_support::RunInFolder(m_dir / folder, "'" VELTRANE_CONVERT_EXE "' " + args);
    }
    void Put(const std::string& name, const std::string& golden) {
        WriteBytes(m_dir / name, ReadBytes(DataPath(golden)));
    }
    bool Exists(const std::string& name) { return std::filesystem::exists(m_dir / name); }

    TempDir m_dir;
    const std::string kTwi = "twi_10ft.twi";
    const std::string kCsv = "spiral_10ft.csv";
};

} // namespace

TEST_F(VeltraneConvertTest, BatchOfGoodFilesConvertsEachByItsExtension) {
    Put("B12.twi", kTwi);
    Put("SDP_0001.CSV", kCsv);
    Result r = Run("B12.twi SDP_0001.CSV");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "B12.twi -> SDP_B12.csv\nSDP_0001.CSV -> SDP_0001.twi\n");
    EXPECT_EQ(r.err, "veltrane-convert: 2 converted, 0 up to date, 0 not converted\n");
    EXPECT_EQ(ReadBytes(m_dir / "SDP_B12.csv"), ReadBytes(DataPath(kCsv)));
    EXPECT_EQ(ReadBytes(m_dir / "SDP_0001.twi"), ReadBytes(DataPath(kTwi)));
}

TEST_F(VeltraneConvertTest, FailuresAreReportedExplainedAndCounted) {
    Put("good.twi", kTwi);
    Put("csv_inside.twi", kCsv);
    WriteBytes(m_dir / "notes.txt", "hello");
    Result r = Run("missing.csv good.twi csv_inside.twi notes.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "good.twi -> SDP_good.csv\n");
    EXPECT_NE(
        r.err.find("missing.csv: error: the file does not exist or cannot be opened, or the "),
        std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("csv_inside.twi: error: this is not a readable TWI survey"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("notes.txt: error: its type is not known from its extension: name the "
                         "target format with --to csv or --to twi\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find('\r'), std::string::npos);
    EXPECT_FALSE(Exists("SDP_csv_inside.csv"));

    std::string csv = ReadBytes(DataPath(kCsv));
    csv.erase(csv.find("Offset Correction"),
              csv.find("\r\n", csv.find("Offset Correction")) + 2 - csv.find("Offset Correction"));
    WriteBytes(m_dir / "SDP_no_offset.csv", csv);
    r = Run("SDP_no_offset.csv");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("SDP_no_offset.csv: error: header item 14 (\"Offset Correction\") was not "
                         "found"),
              std::string::npos)
        << r.err;
}

TEST_F(VeltraneConvertTest, ToNamesTheTargetWhateverTheExtension) {
    Put("survey.dat", kTwi);
    Put("export.txt", kCsv);
    Result r = Run("--to csv survey.dat");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(m_dir / "SDP_survey.csv"), ReadBytes(DataPath(kCsv)));
    r = Run("--to=twi export.txt");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(m_dir / "export.twi"), ReadBytes(DataPath(kTwi)));
    // Forcing the wrong reader fails with that reader's code.
    r = Run("--to twi survey.dat");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("(code -3)"), std::string::npos);
}

TEST_F(VeltraneConvertTest, UsageErrorsHelpAndVersion) {
    struct {
        std::string args;
        int status;
        std::string expectOut;
        std::string expectErr;
    } cases[] = {
        {"", 2, "", "no survey file given"},
        {"--to", 2, "", "needs a format"},
        {"--to xml a.twi", 2, "", "unknown format 'xml'"},
        {"--bogus a.twi", 2, "", "unknown option '--bogus'"},
        {"-nx a.twi", 2, "", "unknown option '-x'"},
        {"--nope a.twi", 2, "", "unknown option '--nope'"},
        {"--strict=yes a.twi", 2, "", "option '--strict' takes no value"},
        {"a.twi -j", 2, "", "option '-j' needs a number of files"},
        {"-nj0 a.twi", 2, "", "'0' is not a number of files for '-j'"},
        {"--help", 0, "Usage: veltrane-convert [-hnqr] [-j N] ", ""},
        {"--he", 0, "Usage: veltrane-convert ", ""},
        {"--version --bogus", 0, "veltrane-convert (Veltrane) " VELTRANE_VERSION_TEXT "\n", ""},
    };
    for (const auto& c : cases) {
        Result r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        // An empty expectation means the stream stays empty.
        for (const auto& [got, expected] : {std::pair{r.out, c.expectOut}, {r.err, c.expectErr}}) {
            if (expected.empty()) {
                EXPECT_EQ(got, "") << c.args;
            } else {
                EXPECT_NE(got.find(expected), std::string::npos) << c.args << ": " << got;
            }
        }
        if (c.status == 2) {
            EXPECT_NE(r.err.find("Try 'veltrane-convert --help'"), std::string::npos);
        }
    }
}

// Bundled letters, abbreviated long options, options after the files, and
// "--" before a file that starts with a dash.
TEST_F(VeltraneConvertTest, OptionsBundleAbbreviateAndEndAtDoubleDash) {
    Put("--odd.twi", kTwi);
    Put("B12.twi", kTwi);
    Result r = Run("-- --odd.twi");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Exists("SDP_--odd.csv"));
    // -n keeps the output that now exists, however it is spelled.
    for (const std::string args :
         {"-nj2 -- --odd.twi", "--no-c --jo=2 -- --odd.twi", "-j 2 -- --odd.twi -n"}) {
        WriteBytes(m_dir / "SDP_--odd.csv", "older");
        r = Run(args);
        const bool bKept = args.back() != 'n'; // after "--", "-n" is a file
        EXPECT_EQ(r.status, bKept ? 0 : 1) << args << r.err;
        EXPECT_EQ(ReadBytes(m_dir / "SDP_--odd.csv") == "older", bKept) << args;
    }
    // Options may follow the files.
    r = Run("B12.twi --to=csv --str");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Exists("SDP_B12.csv"));
}

// Diagnostics come as SOURCE:LINE: error|warning: TEXT, as compilers write
// them; --strict converts nothing of a survey with warnings.
TEST_F(VeltraneConvertTest, DiagnosticsNameTheLineAndStrictRefusesWarnings) {
    std::string csv = ReadBytes(DataPath(kCsv));
    std::string gap = csv;
    gap.erase(gap.find("-6.0,"), gap.find("-8.0,") - gap.find("-6.0,"));
    WriteBytes(m_dir / "SDP_gap.csv", gap);
    Result r = Run("SDP_gap.csv");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("SDP_gap.csv: error: a station is missing between the first and the last "
                         "station (code -5)\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("\nSDP_gap.csv:22: error: the station at 6.0 ft is missing (the rows "
                         "jump from 4.0 ft to 8.0 ft)\n   22 | -8.0,"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(Exists("SDP_gap.twi"));

    std::string moved = csv;
    moved.replace(moved.find("02/12/2010"), 10, "02/31/2026");
    WriteBytes(m_dir / "SDP_moved.csv", moved);
    const std::string warning =
        "SDP_moved.csv:8: warning: the reading date \"02/31/2026,20:28:45\" "
        "does not exist; it was read as 03/03/2026,20:28:45\n"
        "    8 | Reading Date(m/d/y),02/31/2026,20:28:45\n";
    r = Run("SDP_moved.csv");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "SDP_moved.csv -> SDP_moved.twi\n");
    EXPECT_EQ(r.err, warning);
    EXPECT_TRUE(Exists("SDP_moved.twi"));

    std::filesystem::remove(m_dir / "SDP_moved.twi");
    r = Run("--strict SDP_moved.csv");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "SDP_moved.csv: error: the survey has warnings, and strict checking "
                     "counts them as errors\n" +
                         warning);
    EXPECT_FALSE(Exists("SDP_moved.twi"));
}

// Converting four files at a time gives exactly what one at a time gives: the
// same files, and the same messages in the order of the arguments.
TEST_F(VeltraneConvertTest, ParallelBatchMatchesOneAtATime) {
    std::string csv = ReadBytes(DataPath(kCsv));
    std::string gap = csv;
    gap.erase(gap.find("-6.0,"), gap.find("-8.0,") - gap.find("-6.0,"));
    std::string moved = csv;
    moved.replace(moved.find("02/12/2010"), 10, "02/31/2026");
    const std::vector<std::pair<std::string, std::string>> files = {
        {"B12.twi", ReadBytes(DataPath(kTwi))},
        {"SDP_B12.csv", csv},
        {"SDP_gap.csv", gap},
        {"SDP_moved.csv", moved},
        {"csv_inside.twi", csv},
        {"notes.txt", "hello"},
    };
    std::string args = "missing.csv";
    for (int copy = 0; copy < 12; ++copy) {
        for (const auto& file : files) {
            args += " " + std::to_string(copy) + file.first;
        }
    }
    auto runIn = [&](const std::string& folder, const std::string& jobs) {
        std::filesystem::create_directory(m_dir / folder);
        for (int copy = 0; copy < 12; ++copy) {
            for (const auto& [name, bytes] : files) {
                WriteBytes(m_dir / (folder + "/" + std::to_string(copy) + name), bytes);
            }
        }
        return Run("-j " + jobs + " " + args, folder);
    };
    Result one = runIn("one", "1");
    Result four = runIn("four", "4");
    EXPECT_EQ(one.status, 1);
    EXPECT_EQ(four.status, one.status);
    EXPECT_EQ(four.out, one.out);
    EXPECT_EQ(four.err, one.err);
    std::map<std::string, std::string> treeOne, treeFour;
    for (auto [tree, folder] : {std::pair{&treeOne, "one"}, {&treeFour, "four"}}) {
        for (const auto& entry : std::filesystem::directory_iterator(m_dir / std::string(folder))) {
            (*tree)[entry.path().filename().string()] = ReadBytes(entry.path().string());
        }
    }
    EXPECT_EQ(treeOne.size(), 6u * 12u + 3u * 12u); // the sources, and three of six convert
    EXPECT_TRUE(treeOne == treeFour);
}

// Two inputs of one call with one output: the later one is refused before
// anything is written, naming the earlier, whose output stays.
TEST_F(VeltraneConvertTest, LaterInputWithAnEarlierOnesOutputIsRefused) {
    struct {
        std::string args;
        std::string refused; // the start of what is said of the later file
        std::string output;
        std::string from; // the golden file the output holds
    } cases[] = {
        {"B.twi B.TWI", "B.TWI: error: its output SDP_B.csv is also the output of B.twi,",
         "SDP_B.csv", kCsv},
        {"--to csv B.twi B.dat", "B.dat: error: its output SDP_B.csv is also the output",
         "SDP_B.csv", kCsv},
        {"-n SDP_C.csv SDP_C.CSV", "SDP_C.CSV: error: its output SDP_C.twi is also the",
         "SDP_C.twi", kTwi},
        {"B.twi ./B.twi", "./B.twi: error: its output ./SDP_B.csv is also the output", "SDP_B.csv",
         kCsv},
    };
    for (const auto& c : cases) {
        Put("B.twi", kTwi);
        Put("SDP_C.csv", kCsv);
        // The later files hold other surveys: an output from them would show.
        Put("B.TWI", "../../samples/BH-07.twi");
        Put("B.dat", "../../samples/BH-07.twi");
        Put("SDP_C.CSV", "../../samples/SDP_I-3.csv");
        Result r = Run(c.args);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_EQ(r.out.substr(r.out.find(" -> ")), " -> " + c.output + "\n") << c.args;
        EXPECT_EQ(r.err.substr(0, c.refused.size()), c.refused) << c.args << "\n" << r.err;
        EXPECT_EQ(ReadBytes(m_dir / c.output), ReadBytes(DataPath(c.from))) << c.args;
        std::filesystem::remove(m_dir / c.output);
    }
}

// -o: outputs go into the folder given, sources may stay read-only, two
// sources with one output name there are refused, and a missing folder is a
// usage error.
TEST_F(VeltraneConvertTest, OutputFolderTakesEveryOutput) {
    std::filesystem::create_directories(m_dir / "share/a");
    std::filesystem::create_directories(m_dir / "share/b");
    std::filesystem::create_directory(m_dir / "out");
    Put("share/a/B.twi", kTwi);
    Put("share/b/B.twi", "../../samples/BH-07.twi");
    Put("share/a/SDP_C.csv", kCsv);
    std::filesystem::permissions(m_dir / "share/a", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    Result r = Run("-o out share/a/B.twi share/a/SDP_C.csv share/b/B.twi");
    std::filesystem::permissions(m_dir / "share/a", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadBytes(m_dir / "out/SDP_B.csv"), ReadBytes(DataPath(kCsv)));
    EXPECT_EQ(ReadBytes(m_dir / "out/SDP_C.twi"), ReadBytes(DataPath(kTwi)));
    EXPECT_NE(r.err.find("share/b/B.twi: error: its output out/SDP_B.csv is also the "
                         "output of share/a/B.twi"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(Exists("share/a/SDP_B.csv"));
    for (const char* args :
         {"-o missing share/a/B.twi", "--output-dir=share/a/B.twi share/a/B.twi"}) {
        r = Run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find(std::string(args).find("missing") != std::string::npos
                                 ? "the output folder missing does not exist"
                                 : "is not a folder"),
                  std::string::npos)
            << r.err;
    }
}

// Run again and again over one folder: after the first run nothing changes
// (no new file, no file rewritten, time stamps kept) and every run exits 0.
// An output that no longer matches its source is refused, with the way out.
TEST_F(VeltraneConvertTest, RepeatedRunsChangeNothingAndStaleOutputsAreRefused) {
    Put("BH-07.twi", "../../samples/BH-07.twi");
    Put("SDP_I-3.csv", "../../samples/SDP_I-3.csv");
    using Tree = std::map<std::string, std::pair<std::string, std::filesystem::file_time_type>>;
    auto tree = [&] {
        Tree files;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir.path())) {
            files[entry.path().filename().string()] = {ReadBytes(entry.path().string()),
                                                       entry.last_write_time()};
        }
        return files;
    };
    Result r = Run("*");
    EXPECT_EQ(r.status, 0) << r.err;
    const Tree first = tree();
    EXPECT_EQ(first.size(), 4u);
    for (int nRun = 2; nRun <= 3; ++nRun) {
        r = Run("*");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "BH-07.twi -> SDP_BH-07.csv (up to date)\n"
                         "SDP_BH-07.csv (output of BH-07.twi)\n"
                         "SDP_I-3.csv -> SDP_I-3.twi (up to date)\n"
                         "SDP_I-3.twi (output of SDP_I-3.csv)\n");
        EXPECT_TRUE(tree() == first) << "run " << nRun;
    }
    // Into an output folder: the outputs beside the sources, from the runs
    // before, are still outputs, not sources of SDP_SDP_ files.
    std::filesystem::create_directory(m_dir / "out");
    r = Run("-o out *");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "BH-07.twi -> out/SDP_BH-07.csv\n"
                     "SDP_BH-07.csv (output of BH-07.twi)\n"
                     "SDP_I-3.csv -> out/SDP_I-3.twi\n"
                     "SDP_I-3.twi (output of SDP_I-3.csv)\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir / "out"),
                            std::filesystem::directory_iterator()),
              2);
    std::filesystem::remove_all(m_dir / "out");
    // A corrected source: its old output is refused as an input of the call.
    std::string csv = ReadBytes(m_dir / "SDP_I-3.csv");
    csv.replace(csv.find("10:42:05"), 8, "11:42:05");
    WriteBytes(m_dir / "SDP_I-3.csv", csv);
    const std::string stale = ReadBytes(m_dir / "SDP_I-3.twi");
    r = Run("SDP_I-3.csv SDP_I-3.twi");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("SDP_I-3.csv: error: its output SDP_I-3.twi would replace "
                         "SDP_I-3.twi, a file named in the same call. To replace it, convert "
                         "SDP_I-3.csv alone; to keep both, write the outputs into another "
                         "folder with -o DIR\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ReadBytes(m_dir / "SDP_I-3.twi"), stale);
}

// A folder stands for its surveys; -r descends, and with -o the subfolders
// are mirrored under the output folder (which is never searched itself).
TEST_F(VeltraneConvertTest, FoldersAndRecursiveMirrorUnderTheOutputFolder) {
    for (const char* folder : {"site/r1/deep", "site/r2", "site/out"}) {
        std::filesystem::create_directories(m_dir / folder);
    }
    Put("site/B.twi", kTwi);
    Put("site/r1/SDP_C.csv", kCsv);
    Put("site/r1/deep/D.TWI", kTwi);
    Put("site/out/E.twi", kTwi); // inside the output folder: left alone
    WriteBytes(m_dir / "site/notes.txt", "hello");
    std::filesystem::create_directory_symlink(m_dir / "site", m_dir / "site/r2/loop");
    struct {
        std::string args;
        std::vector<std::string> written;
    } cases[] = {
        {"-r -o site/out site",
         {"site/out/SDP_B.csv", "site/out/r1/SDP_C.twi", "site/out/r1/deep/SDP_D.csv"}},
        {"site", {"site/SDP_B.csv"}},
    };
    for (const auto& c : cases) {
        Result r = Run(c.args);
        EXPECT_EQ(r.status, 0) << c.args << "\n" << r.err;
        for (const std::string& name : c.written) {
            EXPECT_TRUE(Exists(name)) << c.args << ": " << name << "\n" << r.out;
        }
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), c.written.size()) << r.out;
    }
    EXPECT_FALSE(Exists("site/out/SDP_E.csv"));
    EXPECT_FALSE(Exists("site/out/r2"));
}

// --json gives one object a file that a JSON parser reads back; -q leaves
// out the successes but not the failures nor the summary.
TEST_F(VeltraneConvertTest, JsonLinesParseAndQuietKeepsFailures) {
    if (std::system("python3 -c '' 2>/dev/null") != 0) {
        GTEST_SKIP() << "no python3 to parse the JSON";
    }
    Put("B12.twi", kTwi);
    std::string gap = ReadBytes(DataPath(kCsv));
    gap.erase(gap.find("-6.0,"), gap.find("-8.0,") - gap.find("-6.0,"));
    WriteBytes(m_dir / "SDP_\"gap\".csv", gap);
    const std::string parse =
        " | python3 -c 'import json, sys\n"
        "for line in sys.stdin:\n"
        "    o = json.loads(line)\n"
        "    d = [(x[\"line\"], x[\"severity\"]) for x in o[\"diagnostics\"]]\n"
        "    print(o[\"source\"], o[\"output\"], o[\"outcome\"], o[\"code\"], d)'";
    Result r = Run("--json B12.twi 'SDP_\"gap\".csv' 2>/dev/null" + parse);
    EXPECT_EQ(r.out, "B12.twi SDP_B12.csv converted None []\n"
                     "SDP_\"gap\".csv None failed -5 [(22, 'error')]\n")
        << r.err;
    r = Run("-q B12.twi 'SDP_\"gap\".csv'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("SDP_\"gap\".csv: error: a station is missing"), std::string::npos);
    EXPECT_NE(r.err.find("veltrane-convert: 0 converted, 1 up to date, 1 not converted\n"),
              std::string::npos)
        << r.err;
}

// What a TWI file does not carry, given on the command line, reads back
// through the KVN CSV reader as given; a text it would not is refused.
TEST_F(VeltraneConvertTest, SiteBoreholeAndDepthUnitReadBackThroughTheCsvReader) {
    Put("B12.twi", kTwi);
    const std::string longest(70, 'b'); // "Borehole," and 70 fill the 79 of a header line
    Result r =
        Run("--site 'North Slope Cut' --borehole " + longest + " --depth-unit meters B12.twi");
    ASSERT_EQ(r.status, 0) << r.err;
    r = Run("--info SDP_B12.csv");
    EXPECT_EQ(r.status, 0) << r.err;
    for (const std::string& item :
         {"  Borehole: " + longest + "\n", std::string("  Site: North Slope Cut\n"),
          std::string("  Depth: 10.0 meters\n")}) {
        EXPECT_NE(r.out.find(item), std::string::npos) << item << r.out;
    }
    for (const std::string& args :
         {"--borehole " + longest + "b", std::string("--site 'x,'"), std::string("--site ' x'"),
          std::string("--borehole \"$(printf 'a\\nb')\""), std::string("--depth-unit yards")}) {
        r = Run(args + " B12.twi");
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(
            r.err.find(args.rfind("--d", 0) == 0 ? "the depth unit \"yards\" is neither" : "\" "),
            std::string::npos)
            << r.err;
    }
}
