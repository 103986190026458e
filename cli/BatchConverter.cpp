#include "cli/BatchConverter.h"

#include "platform/CFile.h"

#include <memory>
#include <ostream>

namespace {

// The batch driver's answer to the command's two questions: the direction it
// was given for this file, and where a message goes.
class CBatchHost : public CConvertHost {
public:
    void SetDirection(int nDirection) { m_nDirection = nDirection; }
    int GetDirection() override { return m_nDirection; }
    void ShowMessage(CString strText) override { m_strMessage = strText; }

    // The message as lines for a terminal: CR LF becomes a plain newline.
    std::string MessageText() const {
        std::string text = m_strMessage.str();
        std::string result;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                continue;
            }
            result += text[i];
        }
        return result;
    }

private:
    int m_nDirection = directionNone;
    CString m_strMessage;
};

// Plain-language meanings of the readers' and writers' status codes.
const char* ExplainTwiRead(int nStatus) {
    switch (nStatus) {
    case -1:
        return "The file does not exist or cannot be opened for reading.";
    case -3:
        return "This is not a readable TWI survey: the header (\" D  M  Y\" caption, date line "
               "with RUN ID, DEPTH, INTERVAL) is missing or malformed, the depth or interval is "
               "not greater than zero (or together claim a million stations or more), or no "
               "data line follows the header.";
    default:
        return nullptr;
    }
}

const char* ExplainCsvRead(int nStatus) {
    switch (nStatus) {
    case -1:
        return "The file does not exist or cannot be opened, or the header ends early: a header "
               "or comment line is missing, is 80 characters or longer, or the comment block "
               "never reaches \"Comment End:\".";
    case -2:
        return "The first line cannot be read: the file is empty, or its lines do not end with "
               "CR (for example LF-only line ends).";
    case -3:
        return "This is not a readable KVN CSV survey: the first line lacks \"KVN Digital "
               "Inclinometer Data\", or no data row of five numbers follows the column-header "
               "line.";
    default:
        return nullptr;
    }
}

const char* ExplainWrite(int nStatus) {
    switch (nStatus) {
    case 1:
        return "The survey holds no data to write.";
    case 2:
        return "The output file cannot be created: its folder is missing or not writable, or a "
               "folder has that name.";
    case 3:
        return "The TWI header could not be written.";
    default:
        return nullptr;
    }
}

} // namespace

std::string CBatchConverter::ExplainStatus(ConvertOutcome nOutcome, int nDirection, int nStatus) {
    const char* pszText = nullptr;
    if (nOutcome == outcomeReadFailed) {
        if (nDirection == directionTwiToCsv) {
            pszText = ExplainTwiRead(nStatus);
        } else if (nStatus >= 1 && nStatus <= CCsvDataFile::kHeaderSteps) {
            return "Header item " + std::to_string(nStatus) + " (\"" +
                   CCsvDataFile::HeaderKey(nStatus) +
                   "\") was not found where the KVN CSV header expects it: it is missing, "
                   "out of order, or a line of commas stands in its place.";
        } else {
            pszText = ExplainCsvRead(nStatus);
        }
    } else if (nOutcome == outcomeWriteFailed) {
        pszText = ExplainWrite(nStatus);
    }
    return pszText ? pszText : "";
}

int CBatchConverter::Run(const std::vector<std::string>& args) {
    int nForcedDirection = directionNone;
    std::vector<std::string> files;
    bool bOptionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (bOptionsEnded || arg.size() < 2 || arg[0] != '-') {
            files.push_back(arg);
        } else if (arg == "--") {
            bOptionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            PrintUsage(m_out);
            return exitConverted;
        } else if (arg == "--version") {
            m_out << kVersionText << "\n";
            return exitConverted;
        } else if (arg == "--to" || arg.rfind("--to=", 0) == 0) {
            std::string value;
            if (arg == "--to") {
                if (i + 1 >= args.size()) {
                    return UsageError("option '--to' needs a format: csv or twi");
                }
                value = args[++i];
            } else {
                value = arg.substr(5);
            }
            int nDirection = CConvertCommand::GuessDirection(value.c_str());
            if (nDirection == directionNone) {
                return UsageError("unknown format '" + value + "' for '--to': use csv or twi");
            }
            // --to names the target: to csv reads TWI files, to twi reads CSV files.
            nForcedDirection =
                nDirection == directionCsvToTwi ? directionTwiToCsv : directionCsvToTwi;
        } else {
            return UsageError("unknown option '" + arg + "'");
        }
    }
    if (files.empty()) {
        return UsageError("no survey file given");
    }

    int nFailed = 0;
    for (const std::string& file : files) {
        if (!ConvertFile(file, nForcedDirection)) {
            ++nFailed;
        }
    }
    return nFailed == 0 ? exitConverted : exitSomeFailed;
}

bool CBatchConverter::ConvertFile(const std::string& strPath, int nForcedDirection) {
    // A fresh context per file: nothing of one survey carries into the next.
    CBatchHost host;
    auto command = std::make_unique<CConvertCommand>(host);
    command->SelectPath(strPath.c_str());
    int nDirection = nForcedDirection;
    if (nDirection == directionNone) {
        nDirection = CConvertCommand::GuessDirection(command->m_strFileExt);
    }
    if (nDirection == directionNone) {
        m_err << strPath << ": The file format type can not determined.\n"
              << "Name the target format with --to csv or --to twi.\n";
        return false;
    }
    host.SetDirection(nDirection);

    try {
        command->OnConvert();
    } catch (const CFileException& error) {
        m_err << strPath << ": " << error.m_strFileName.str() << ": " << error.GetErrorText().str()
              << "\n";
        return false;
    }

    if (command->m_nLastOutcome == outcomeConverted) {
        m_out << host.MessageText() << "\n";
        return true;
    }
    m_err << strPath << ": " << host.MessageText() << "\n";
    std::string explanation =
        ExplainStatus(command->m_nLastOutcome, nDirection, command->m_nLastStatus);
    if (!explanation.empty()) {
        m_err << explanation << "\n";
    }
    return false;
}

void CBatchConverter::PrintUsage(std::ostream& stream) const {
    stream << "Usage: " << kProgramName << " [--to csv|twi] FILE...\n"
           << "Convert spiral surveys between KVN CSV (SDP_*.csv) and TWI (*.twi) files.\n"
           << "Each converted file is written beside its source: B12.twi gives SDP_B12.csv,\n"
           << "SDP_B12.csv gives SDP_B12.twi. An existing file of that name is replaced.\n"
           << "\n"
           << "  --to csv     convert TWI files to KVN CSV\n"
           << "  --to twi     convert KVN CSV files to TWI\n"
           << "               (without --to, each file's extension decides: .csv or .twi)\n"
           << "  --help       show this help and exit\n"
           << "  --version    show the version and exit\n"
           << "\n"
           << "Exit status: 0 when every file was converted, 1 when any failed,\n"
           << "2 when the command line is wrong.\n";
}

int CBatchConverter::UsageError(const std::string& strProblem) {
    m_err << kProgramName << ": " << strProblem << "\n"
          << "Usage: " << kProgramName << " [--to csv|twi] FILE...\n"
          << "Try '" << kProgramName << " --help' for more information.\n";
    return exitUsage;
}
