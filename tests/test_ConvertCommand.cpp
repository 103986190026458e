// The conversion command driven without a window, on real files.
#include "convert/ConvertCommand.h"

#include "TestSupport.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <vector>

using namespace testing_support;

namespace {

const char* const kTwiGolden = "twi_10ft.twi";
const char* const kCsvGolden = "spiral_10ft.csv";

class CTestHost : public CConvertHost {
public:
    int GetDirection() override {
        ++m_nDirectionAsked;
        return m_nDirection;
    }
    void ShowMessage(CString strText) override { m_messages.push_back(std::string(strText)); }

    int m_nDirection = directionTwiToCsv;
    int m_nDirectionAsked = 0;
    std::vector<std::string> m_messages;
};

class ConvertCommandTest : public ::testing::Test {
protected:
    std::string Converted(const std::string& output) {
        return "Spiral data file converted. New file located at\r\n" + output;
    }
    // One press; returns the one message it showed.
    std::string Press() {
        size_t before = m_host.m_messages.size();
        m_command.OnConvert();
        EXPECT_EQ(m_host.m_messages.size(), before + 1) << "exactly one message per press";
        return m_host.m_messages.empty() ? "" : m_host.m_messages.back();
    }

    ScopedTimeZone m_zone{kZoneUtc};
    TempDir m_dir;
    CTestHost m_host;
    CConvertCommand m_command{m_host};
};

} // namespace

TEST_F(ConvertCommandTest, NothingSelectedCallsNoConverter) {
    EXPECT_EQ(Press(), "No file selected.");
    EXPECT_EQ(m_host.m_nDirectionAsked, 0);
    EXPECT_EQ(m_command.m_nLastOutcome, outcomeNothingSelected);
    EXPECT_TRUE(m_command.m_twiFile.m_strPath.IsEmpty());
    EXPECT_TRUE(m_command.m_csvFile.m_strPath.IsEmpty());
}

TEST_F(ConvertCommandTest, TwiToCsvWritesTheCsvBesideTheSource) {
    std::string source = m_dir / "B12.twi";
    WriteBytes(source, ReadBytes(DataPath(kTwiGolden)));
    m_command.SelectPath(source.c_str());
    m_host.m_nDirection = directionTwiToCsv;
    EXPECT_EQ(Press(), Converted(m_dir / "SDP_B12.csv"));
    EXPECT_EQ(ReadBytes(m_dir / "SDP_B12.csv"), ReadBytes(DataPath(kCsvGolden)));
    EXPECT_EQ(m_command.m_nLastOutcome, outcomeConverted);
    EXPECT_EQ(m_command.m_nMessageOutcome, outcomeConverted);

    // The next message, a failure or one outside a conversion, says so too.
    m_command.SelectPath((m_dir / "missing.twi").c_str());
    Press();
    EXPECT_EQ(m_command.m_nMessageOutcome, outcomeReadFailed);
    EXPECT_EQ(m_command.SelectFile((m_dir / "notes.txt").c_str()), directionNone);
    EXPECT_EQ(m_command.m_nMessageOutcome, outcomeNone);
}

TEST_F(ConvertCommandTest, CsvToTwiWritesTheTwiBesideTheSource) {
    std::string source = m_dir / "SDP_0001.csv";
    WriteBytes(source, ReadBytes(DataPath(kCsvGolden)));
    m_command.SelectPath(source.c_str());
    m_host.m_nDirection = directionCsvToTwi;
    EXPECT_EQ(Press(), Converted(m_dir / "SDP_0001.twi"));
    EXPECT_EQ(ReadBytes(m_dir / "SDP_0001.twi"), ReadBytes(DataPath(kTwiGolden)));
}

TEST_F(ConvertCommandTest, ReadAndWriteFailuresShowTheirCodeAndWriteNothing) {
    WriteBytes(m_dir / "csv_content.twi", ReadBytes(DataPath(kCsvGolden)));
    WriteBytes(m_dir / "B7.twi", ReadBytes(DataPath(kTwiGolden)));
    std::filesystem::create_directory(m_dir / "SDP_B7.csv"); // the output name is taken by a folder
    WriteBytes(m_dir / "empty.csv", "");
    struct {
        std::string source;
        int direction;
        std::string message;
        ConvertOutcome outcome;
    } cases[] = {
        {m_dir / "missing.twi", directionTwiToCsv, "Error reading data file, code = -1.",
         outcomeReadFailed},
        {m_dir / "missing.csv", directionCsvToTwi, "Error reading data file, code = -1.",
         outcomeReadFailed},
        // The direction is not checked against the extension: the reader decides.
        {m_dir / "csv_content.twi", directionTwiToCsv, "Error reading data file, code = -3.",
         outcomeReadFailed},
        {m_dir / "empty.csv", directionCsvToTwi, "Error reading data file, code = -2.",
         outcomeReadFailed},
        {m_dir / "B7.twi", directionTwiToCsv, "Error reading data file, code = 2.",
         outcomeWriteFailed},
    };
    for (const auto& c : cases) {
        m_command.SelectPath(c.source.c_str());
        m_host.m_nDirection = c.direction;
        // The message keeps its first line; what went wrong follows it.
        const std::string shown = Press();
        EXPECT_EQ(shown.substr(0, shown.find("\r\n\r\n")), c.message) << c.source;
        EXPECT_NE(shown.find("\r\n\r\n"), std::string::npos) << c.source;
        EXPECT_EQ(std::string(m_command.m_strLastMessage), c.message) << c.source;
        EXPECT_TRUE(m_command.m_plotData.m_diagnostics.HasErrors()) << c.source;
        EXPECT_EQ(m_command.m_nLastOutcome, c.outcome) << c.source;
    }
    // Besides the sources and the folder, nothing was written.
    int nEntries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(m_dir.path())) {
        ++nEntries;
    }
    EXPECT_EQ(nEntries, 4);
}

TEST_F(ConvertCommandTest, NoDirectionSelectedConvertsNothing) {
    std::string source = m_dir / "SDP_B12.csv";
    WriteBytes(source, ReadBytes(DataPath(kCsvGolden)));
    m_command.SelectPath(source.c_str());
    m_host.m_nDirection = directionNone;
    EXPECT_EQ(Press(), "Select the conversion direction before pressing the Convert button.");
    EXPECT_FALSE(std::filesystem::exists(m_dir / "SDP_SDP_B12.csv"));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "SDP_B12.twi"));
}

TEST_F(ConvertCommandTest, SecondPressReplacesTheOutput) {
    std::string source = m_dir / "B12.twi";
    WriteBytes(source, ReadBytes(DataPath(kTwiGolden)));
    m_command.SelectPath(source.c_str());
    Press();
    WriteBytes(m_dir / "SDP_B12.csv", "edited by hand");
    EXPECT_EQ(Press(), Converted(m_dir / "SDP_B12.csv"));
    EXPECT_EQ(ReadBytes(m_dir / "SDP_B12.csv"), ReadBytes(DataPath(kCsvGolden)));
}

TEST_F(ConvertCommandTest, RoundTripNeverOverwritesTheOriginalCsv) {
    std::string original = m_dir / "SDP_B12.csv";
    WriteBytes(original, ReadBytes(DataPath(kCsvGolden)));
    m_command.SelectPath(original.c_str());
    m_host.m_nDirection = directionCsvToTwi;
    EXPECT_EQ(Press(), Converted(m_dir / "SDP_B12.twi"));
    WriteBytes(original, "the field engineer's original");

    m_command.SelectPath((m_dir / "SDP_B12.twi").c_str());
    m_host.m_nDirection = directionTwiToCsv;
    EXPECT_EQ(Press(), Converted(m_dir / "SDP_SDP_B12.csv"));
    EXPECT_EQ(ReadBytes(original), "the field engineer's original");
}

TEST_F(ConvertCommandTest, BareNameConvertsInTheCurrentFolder) {
    WriteBytes(m_dir / "B12.twi", ReadBytes(DataPath(kTwiGolden)));
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(m_dir.path());
    m_command.SelectPath("B12.twi");
    std::string message = Press();
    std::filesystem::current_path(previous);
    EXPECT_EQ(message, Converted("SDP_B12.csv"));
    EXPECT_TRUE(std::filesystem::exists(m_dir / "SDP_B12.csv"));
}

TEST_F(ConvertCommandTest, TwiAfterCsvCarriesNoOffsetCorrectionOver) {
    std::string csv = ReadBytes(DataPath(kCsvGolden));
    std::string corrected = csv;
    corrected.replace(corrected.find("Offset Correction,0.000000"), 26,
                      "Offset Correction,1.500000");
    WriteBytes(m_dir / "SDP_A1.csv", corrected);
    WriteBytes(m_dir / "B12.twi", ReadBytes(DataPath(kTwiGolden)));

    m_command.SelectPath((m_dir / "SDP_A1.csv").c_str());
    m_host.m_nDirection = directionCsvToTwi;
    Press();
    EXPECT_EQ(m_command.m_plotData.m_dOffsetCorrection, 1.5);

    m_command.SelectPath((m_dir / "B12.twi").c_str());
    m_host.m_nDirection = directionTwiToCsv;
    Press();
    EXPECT_EQ(ReadBytes(m_dir / "SDP_B12.csv"), csv);
}

TEST(ConvertCommand, GetDirectoryKeepsTheLastSeparatorOfEitherKind) {
    CTestHost host;
    CConvertCommand command(host);
    struct {
        const char* path;
        const char* directory;
    } cases[] = {
        {"C:\\Data\\Site 4\\SDP_B12.csv", "C:\\Data\\Site 4\\"},
        {"C:\\B12.twi", "C:\\"},
        {"/data/site 4/B12.twi", "/data/site 4/"},
        {"/B12.twi", "/"},
        {"a/b\\c.twi", "a/b\\"},
        {"B12.twi", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::string(command.GetDirectory(c.path)), c.directory) << c.path;
    }
}

TEST(ConvertCommand, SelectPathSplitsNameExtensionAndTitle) {
    CTestHost host;
    CConvertCommand command(host);
    struct {
        const char* path;
        const char* name;
        const char* ext;
        const char* title;
    } cases[] = {
        {"/data/B12.twi", "B12.twi", "twi", "B12"},
        {"C:\\Data\\SDP_0001.CSV", "SDP_0001.CSV", "CSV", "SDP_0001"},
        {"/data/a.b.c.csv", "a.b.c.csv", "csv", "a.b.c"},
        {"/data.x/notes", "notes", "", "notes"},
        {"B12.", "B12.", "", "B12"},
    };
    for (const auto& c : cases) {
        command.SelectPath(c.path);
        EXPECT_EQ(std::string(command.m_strPathName), c.path);
        EXPECT_EQ(std::string(command.m_strSelection), c.path);
        EXPECT_EQ(std::string(command.m_strFileName), c.name) << c.path;
        EXPECT_EQ(std::string(command.m_strFileExt), c.ext) << c.path;
        EXPECT_EQ(std::string(command.m_strFileTitle), c.title) << c.path;
    }
}

TEST(ConvertCommand, GuessDirectionFromTheExtension) {
    EXPECT_EQ(CConvertCommand::GuessDirection("csv"), directionCsvToTwi);
    EXPECT_EQ(CConvertCommand::GuessDirection("CSV"), directionCsvToTwi);
    EXPECT_EQ(CConvertCommand::GuessDirection("Twi"), directionTwiToCsv);
    EXPECT_EQ(CConvertCommand::GuessDirection("txt"), directionNone);
    EXPECT_EQ(CConvertCommand::GuessDirection(""), directionNone);
    EXPECT_EQ(CConvertCommand::GuessDirection("SDP_"), directionNone);
}

// A window's direction box selects an entry only while it shows that entry.
TEST(ConvertCommand, DirectionOfBoxTakesOnlyAnEntryAsShown) {
    const struct {
        int nIndex;
        const char* pszShown;
        int nDirection;
    } cases[] = {
        {0, "TWI (*.twi) ----> KVN (*.csv)", directionTwiToCsv},
        {1, "KVN (*.csv) ---> TWI (*.twi)", directionCsvToTwi},
        {1, "KVN (*.csv) ---> TWI (*.twi) ", directionNone}, // typed after the entry
        {0, "KVN (*.csv) ---> TWI (*.twi)", directionNone},  // another entry's text
        {-1, "TWI (*.twi) ----> KVN (*.csv)", directionNone},
        {2, "", directionNone},
        {0, "twi (*.twi) ----> kvn (*.csv)", directionNone},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CConvertCommand::DirectionOfBox(c.nIndex, c.pszShown), c.nDirection)
            << c.nIndex << " \"" << c.pszShown << "\"";
    }
}

// Every survey the project ships, in tests/data and samples, converts in both
// directions to the bytes it always had, without a word of warning; and the
// output converts back the same way.
TEST_F(ConvertCommandTest, ShippedSurveysConvertBothWaysWithoutDiagnostics) {
    const std::string samples = std::string(VELTRANE_TEST_DATA_DIR) + "/../../samples";
    // The outputs as the converter has always written them.
    const std::map<std::string, std::string> golden = {
        {"twi_10ft.twi", DataPath("spiral_10ft.csv")},
        {"spiral_10ft.csv", DataPath("twi_10ft.twi")},
        {"BH-07.twi", DataPath("samples/SDP_BH-07.csv")},
        {"SDP_I-3.csv", DataPath("samples/SDP_I-3.twi")},
    };
    int nSurveys = 0;
    for (const std::string& folder : {std::string(VELTRANE_TEST_DATA_DIR), samples}) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (!entry.is_regular_file() ||
                CConvertCommand::GuessDirection(
                    entry.path().extension().string().substr(1).c_str()) == directionNone) {
                continue;
            }
            ++nSurveys;
            std::string source = m_dir / name;
            WriteBytes(source, ReadBytes(entry.path().string()));
            for (int nPass = 0; nPass < 2; ++nPass) {
                m_command.SelectPath(source.c_str());
                m_host.m_nDirection = CConvertCommand::GuessDirection(m_command.m_strFileExt);
                Press();
                ASSERT_EQ(m_command.m_nLastOutcome, outcomeConverted) << source;
                EXPECT_TRUE(m_command.m_plotData.m_diagnostics.IsEmpty())
                    << source << ": " << m_command.m_plotData.m_diagnostics.Describe().str();
                if (nPass == 0) {
                    ASSERT_EQ(golden.count(name), 1u) << "no golden output for " << name;
                    EXPECT_EQ(ReadBytes(std::string(m_command.m_strLastOutput)),
                              ReadBytes(golden.at(name)))
                        << name;
                }
                source = std::string(m_command.m_strLastOutput);
            }
        }
    }
    EXPECT_EQ(nSurveys, 4);
}

// The rule of the header items a TWI file lacks, shared by --site,
// --borehole, --depth-unit and the window's fields: a refused text keeps the
// item as it was, and the sentence names the item and the text.
TEST(ConvertCommand, TwiHeaderItemsTakeOnlyWhatReadsBack) {
    using Item = CTwiHeaderItems::Item;
    struct {
        Item item;
        std::string text;
        std::string problem; // the start of the sentence; "" when taken
    } cases[] = {
        {CTwiHeaderItems::itemSite, "North Slope Cut", ""},
        {CTwiHeaderItems::itemSite, "", ""},
        {CTwiHeaderItems::itemSite, std::string(74, 's'), ""}, // "Site," and 74: 79 bytes
        {CTwiHeaderItems::itemSite, std::string(75, 's'),
         "the site \"" + std::string(75, 's') + "\" is 75 characters long, and the Site line"},
        {CTwiHeaderItems::itemBorehole, "B-12,", "the borehole \"B-12,\" starts or ends with"},
        {CTwiHeaderItems::itemBorehole, "B\t12",
         "the borehole \"B\t12\" holds a line break, a tab"},
        {CTwiHeaderItems::itemDepthUnit, "meters", ""},
        {CTwiHeaderItems::itemDepthUnit, "", ""},
        {CTwiHeaderItems::itemDepthUnit, "Feet",
         "the depth unit \"Feet\" is neither feet nor meters"},
    };
    for (const auto& c : cases) {
        CTwiHeaderItems items;
        items.m_strSite = items.m_strBorehole = items.m_strDepthUnits = "before";
        CString strProblem;
        const BOOL bSet = items.Set(c.item, c.text.c_str(), strProblem);
        EXPECT_EQ(bSet != FALSE, c.problem.empty()) << c.text;
        EXPECT_EQ(strProblem.str().substr(0, c.problem.size()), c.problem) << c.text;
        const CString* pItem[] = {&items.m_strSite, &items.m_strBorehole, &items.m_strDepthUnits};
        EXPECT_EQ(pItem[c.item]->str(), bSet ? c.text : "before") << c.text;
    }
}

// A window's three fields at once: the first refused field's sentence, the
// fields before it set, and the sentence made a message.
TEST(ConvertCommand, TwiHeaderItemsFromFieldsStopAtTheFirstProblem) {
    CTwiHeaderItems items;
    EXPECT_EQ(items.SetAll("Hill Road", "BH 7,", "meters").str(),
              "the borehole \"BH 7,\" starts or ends with a blank, or ends with a comma, which a "
              "reader of the KVN CSV file drops");
    EXPECT_EQ(items.m_strSite.str(), "Hill Road");
    EXPECT_EQ(items.m_strDepthUnits.str(), "");
    EXPECT_EQ(items.SetAll("Hill Road", "BH 7", "meters").str(), "");
    EXPECT_EQ(items.m_strBorehole.str() + "/" + items.m_strDepthUnits.str(), "BH 7/meters");
    EXPECT_EQ(CTwiHeaderItems::AsMessage("the site is long").str(), "The site is long.");
    EXPECT_EQ(CTwiHeaderItems::AsMessage(CString()).str(), "");
}

TEST(ConvertCommand, OutputFolderMustExistAsAFolder) {
    TempDir dir;
    WriteBytes(dir / "file", "x");
    EXPECT_EQ(CConvertCommand::OutputFolderProblem(dir.path().c_str()).str(), "");
    EXPECT_EQ(CConvertCommand::OutputFolderProblem((dir / "file").c_str()).str(),
              "the output folder " + (dir / "file") + " is not a folder");
    EXPECT_EQ(CConvertCommand::OutputFolderProblem((dir / "gone").c_str()).str(),
              "the output folder " + (dir / "gone") + " does not exist");
}

// With identical outputs kept, only an output that holds the conversion byte
// for byte is left alone (time stamp and all); one of the same size that
// differs in a byte, or one a byte longer or shorter, is written again.
TEST_F(ConvertCommandTest, KeptIdenticalOutputIsNeverWrittenAndOthersAre) {
    const std::string source = m_dir / "B12.twi";
    const std::string output = m_dir / "SDP_B12.csv";
    const std::string golden = ReadBytes(DataPath(kCsvGolden));
    WriteBytes(source, ReadBytes(DataPath(kTwiGolden)));
    m_command.SelectPath(source.c_str());
    m_command.SetKeepIdentical(TRUE);
    std::string sameSize = golden;
    sameSize[sameSize.size() - 3] = '9';
    const struct {
        std::string existing;
        ConvertOutcome outcome;
    } cases[] = {{golden, outcomeUpToDate},
                 {sameSize, outcomeConverted},
                 {golden + "\r\n", outcomeConverted},
                 {golden.substr(0, golden.size() - 1), outcomeConverted}};
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    for (const auto& c : cases) {
        WriteBytes(output, c.existing);
        std::filesystem::last_write_time(output, old);
        // As the file system keeps it: Windows keeps a time to 100 ns.
        const auto kept = std::filesystem::last_write_time(output);
        Press();
        EXPECT_EQ(m_command.m_nLastOutcome, c.outcome) << c.existing.size();
        EXPECT_EQ(ReadBytes(output), golden);
        EXPECT_EQ(std::filesystem::last_write_time(output) == kept, c.outcome == outcomeUpToDate)
            << c.existing.size();
    }
}
