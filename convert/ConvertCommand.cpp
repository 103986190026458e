#include "convert/ConvertCommand.h"

#include "platform/FileSystem.h"

#include <iterator>
#include <utility>

namespace {

constexpr const char* kCsvPrefix = "SDP_";
constexpr const char* kCsvExtension = ".csv";
constexpr const char* kTwiExtension = ".twi";

// The last separator of either kind: paths here use "/", Windows paths "\".
int FindLastSeparator(const CString& strPath) {
    int nSlash = strPath.ReverseFind('/');
    int nBackslash = strPath.ReverseFind('\\');
    return nSlash > nBackslash ? nSlash : nBackslash;
}

// A file name split as a file dialog splits it: the name after the last
// separator, the extension after the last "." of the name, the title before.
struct NameParts {
    CString strName;
    CString strExt;
    CString strTitle;
};

NameParts SplitName(const CString& strPath) {
    NameParts parts;
    parts.strName = strPath.Mid(FindLastSeparator(strPath) + 1);
    const int nDot = parts.strName.ReverseFind('.');
    if (nDot < 0) {
        parts.strTitle = parts.strName;
    } else {
        parts.strExt = parts.strName.Mid(nDot + 1);
        parts.strTitle = parts.strName.Left(nDot);
    }
    return parts;
}

// The folder part of a path, ending in its separator; empty for a bare name,
// whose output goes beside it in the current folder.
CString DirectoryOf(const CString& strPath) {
    const int nSeparator = FindLastSeparator(strPath);
    if (nSeparator < 0) {
        return CString();
    }
    const char chSeparator = strPath[nSeparator];
    CString strDirectory = strPath.Left(nSeparator);
    if (strDirectory.IsEmpty() || strDirectory[strDirectory.GetLength() - 1] != chSeparator) {
        strDirectory += chSeparator;
    }
    return strDirectory;
}

} // namespace

CConvertCommand::CConvertCommand(CConvertHost& host) : m_host(host) {}

void CConvertCommand::SelectPath(CString strPath) {
    const NameParts parts = SplitName(strPath);
    m_strPathName = strPath;
    m_strFileName = parts.strName;
    m_strFileExt = parts.strExt;
    m_strFileTitle = parts.strTitle;
    m_strSelection = m_strPathName;
}

int CConvertCommand::SelectFile(CString strPath) {
    SelectPath(strPath);
    const int nDirection = GuessDirection(m_strFileExt);
    if (nDirection == directionNone) {
        Show(outcomeNone, kMsgUnknownType);
    }
    return nDirection;
}

int CConvertCommand::DirectionOfBox(int nIndex, CString strShown) {
    if (nIndex < 0 || nIndex >= static_cast<int>(std::size(kDirectionEntries)) ||
        strShown != kDirectionEntries[nIndex]) {
        return directionNone;
    }
    return nIndex;
}

CString CConvertCommand::UnknownTypeText(LPCSTR pszWhatToDo) {
    const CString strMessage = kMsgUnknownType;
    CString strText = strMessage.Left(strMessage.Find("\r\n"));
    if (pszWhatToDo != nullptr) {
        strText += CString("\r\n") + pszWhatToDo;
    }
    return strText;
}

CString CConvertCommand::ExtensionOf(CString strPath) {
    return SplitName(strPath).strExt;
}

CString CConvertCommand::WindowTitle() const {
    return m_strFileName.IsEmpty() ? CString(kTitle) : m_strFileName + " - " + kTitle;
}

int CConvertCommand::GuessDirection(CString strExt) {
    if (CompareNoCase(strExt, "CSV") == 0) {
        return directionCsvToTwi;
    }
    if (CompareNoCase(strExt, "TWI") == 0) {
        return directionTwiToCsv;
    }
    return directionNone;
}

void CConvertCommand::OnConvert() {
    m_nLastOutcome = outcomeNone; // stays so when a file exception ends the press
    m_nLastStatus = 0;
    m_strLastOutput.Empty();
    m_strLastMessage.Empty();
    if (m_strSelection.IsEmpty()) {
        Finish(outcomeNothingSelected, 0, kMsgNoFile);
        return;
    }
    // Typed text leaves no entry selected; converting under a guessed
    // direction would turn a CSV file into another CSV file.
    int nDirection = m_host.GetDirection();
    if (nDirection != directionTwiToCsv && nDirection != directionCsvToTwi) {
        Finish(outcomeNoDirection, 0, kMsgNoDirection);
        return;
    }
    CSurveyDataFile& writer = WriterOf(nDirection);
    int nStatus = ReadSelected(nDirection);
    if (nStatus != 0) {
        FinishWithStatus(outcomeReadFailed, nStatus);
        return;
    }

    const CString strOutput = OutputPathFor(m_strPathName, nDirection, m_strOutputFolder);
    m_strLastOutput = strOutput;
    // One look at the output answers every question about it below; the
    // write itself looks again as it creates the file (CSafeOutput).
    const EntryFacts output = LookAt(strOutput);
    // A conversion never replaces its own source, under this name or another.
    if (output.nKind == entryFile && LookAt(m_strPathName).identity == output.identity) {
        m_plotData.m_diagnostics.AddError(
            0, "the output " + strOutput + " is the file being converted" +
                   (strOutput == m_strPathName ? CString() : " under another name") +
                   ": it would be replaced by its own conversion, so nothing was written");
        FinishWithStatus(outcomeWriteFailed, statusOutputIsSource);
        return;
    }

    if (m_bStrict && HasWarnings(writer)) {
        Finish(outcomeRefused, 0, kMsgStrictRefused);
        return;
    }
    if (OutputTaken(strOutput, output) && !m_host.ConfirmReplace(strOutput)) {
        m_nLastOutcome = outcomeKept; // kept as asked: nothing more to say
        return;
    }
    nStatus = writer.WriteSurvey(strOutput, &m_plotData, &output);
    if (nStatus != 0) {
        FinishWithStatus(outcomeWriteFailed, nStatus);
        return;
    }
    if (writer.m_bLeftAlone) {
        Finish(outcomeUpToDate, 0, CString(kMsgUpToDate) + strOutput);
        return;
    }
    Finish(outcomeConverted, 0, CString(kMsgConverted) + strOutput);
}

CSurveyDataFile& CConvertCommand::WriterOf(int nDirection) {
    return nDirection == directionCsvToTwi ? static_cast<CSurveyDataFile&>(m_twiFile) : m_csvFile;
}

int CConvertCommand::ReadSelected(int nDirection) {
    const bool bToTwi = nDirection == directionCsvToTwi;
    CSurveyDataFile& reader = bToTwi ? static_cast<CSurveyDataFile&>(m_csvFile) : m_twiFile;
    // A TWI file holds twist only: a KVN CSV survey of another kind is refused.
    m_csvFile.m_bSpiralOnly = bToTwi ? TRUE : FALSE;
    const int nStatus = reader.ReadSurvey(m_strPathName, &m_plotData);
    if (nStatus == 0 && !bToTwi) {
        // What the user knows of a TWI survey and the file does not say.
        if (!m_twiItems.m_strSite.IsEmpty()) {
            m_plotData.m_strSite = m_twiItems.m_strSite;
        }
        if (!m_twiItems.m_strBorehole.IsEmpty()) {
            m_plotData.m_strBorehole = m_twiItems.m_strBorehole;
        }
        if (!m_twiItems.m_strDepthUnits.IsEmpty()) {
            m_plotData.m_strDepthUnits = m_twiItems.m_strDepthUnits;
        }
    }
    return nStatus;
}

CString CConvertCommand::HeaderItemProblem(int nStep, const CString& strText) {
    // The reader takes a header line of up to kMaxHeaderLine bytes, drops
    // bytes outside printable ASCII, and trims blanks and trailing commas.
    static constexpr int kMaxHeaderLine = 79;
    const CString strKey = CCsvDataFile::HeaderKey(nStep);
    const int nRoom = kMaxHeaderLine - strKey.GetLength() - 1;
    CString strProblem;
    if (strText.GetLength() > nRoom) {
        strProblem.Format("is %d characters long, and the %s line of a KVN CSV file holds %d at "
                          "most",
                          strText.GetLength(), static_cast<LPCSTR>(strKey), nRoom);
        return strProblem;
    }
    for (int i = 0; i < strText.GetLength(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(strText[i]);
        if (byte < 32 || byte > 126) {
            return "holds a line break, a tab or a character outside plain ASCII, which a KVN CSV "
                   "file cannot hold";
        }
    }
    if (!strText.IsEmpty() && (strText[0] == ' ' || strText[strText.GetLength() - 1] == ' ' ||
                               strText[strText.GetLength() - 1] == ',')) {
        return "starts or ends with a blank, or ends with a comma, which a reader of the KVN CSV "
               "file drops";
    }
    return CString();
}

CString CTwiHeaderItems::Problem(Item nItem, const CString& strText) {
    if (nItem == itemDepthUnit) {
        if (strText.IsEmpty() || strText == kFeet || strText == kMeters) {
            return CString();
        }
        return "the depth unit " + Quote(strText) + " is neither " + kFeet + " nor " + kMeters;
    }
    const bool bSite = nItem == itemSite;
    const CString strWhy = CConvertCommand::HeaderItemProblem(
        bSite ? CCsvDataFile::kSiteStep : CCsvDataFile::kBoreholeStep, strText);
    if (strWhy.IsEmpty()) {
        return CString();
    }
    return CString(bSite ? "the site \"" : "the borehole \"") + strText + "\" " + strWhy;
}

BOOL CTwiHeaderItems::Set(Item nItem, const CString& strText, CString& strProblem) {
    strProblem = Problem(nItem, strText);
    if (!strProblem.IsEmpty()) {
        return FALSE;
    }
    CString* const pItems[] = {&m_strSite, &m_strBorehole, &m_strDepthUnits};
    *pItems[nItem] = strText;
    return TRUE;
}

CString CTwiHeaderItems::SetAll(const CString& strSite, const CString& strBorehole,
                                const CString& strDepthUnits) {
    const std::pair<Item, const CString*> fields[] = {
        {itemSite, &strSite}, {itemBorehole, &strBorehole}, {itemDepthUnit, &strDepthUnits}};
    for (const auto& [nItem, pText] : fields) {
        CString strProblem;
        if (!Set(nItem, *pText, strProblem)) {
            return strProblem;
        }
    }
    return CString();
}

CString CTwiHeaderItems::AsMessage(const CString& strSentence) {
    std::string strText = strSentence.str();
    if (!strText.empty()) {
        if (strText[0] >= 'a' && strText[0] <= 'z') {
            strText[0] = static_cast<char>(strText[0] - 'a' + 'A');
        }
        strText += '.';
    }
    return CString(strText.c_str());
}

CString CConvertCommand::OutputFolderProblem(const CString& strFolder) {
    if (IsDirectory(strFolder)) {
        return CString();
    }
    return "the output folder " + strFolder + " " +
           (FileExists(strFolder) ? "is not a folder" : "does not exist");
}

BOOL CConvertCommand::ConvertsInto(int nDirection, CString strCandidate) {
    return ReadSelected(nDirection) == 0 &&
           WriterOf(nDirection).WouldWriteSameAs(strCandidate, &m_plotData);
}

void CConvertCommand::SetKeepIdentical(BOOL bKeep) {
    m_csvFile.m_bKeepIdentical = bKeep;
    m_twiFile.m_bKeepIdentical = bKeep;
}

BOOL CConvertCommand::HasWarnings(const CSurveyDataFile& writer) {
    // The write's own warnings are gathered before it.
    CDiagnosticList target;
    writer.AddTargetWarnings(m_plotData, target);
    for (int i = 0; i < target.GetSize(); ++i) {
        m_plotData.m_diagnostics.Add(target.GetAt(i));
    }
    return m_plotData.m_diagnostics.HasWarnings();
}

void CConvertCommand::OnConvertButton() {
    try {
        OnConvert();
    } catch (const CFileException& e) {
        Show(m_strLastOutput.IsEmpty() ? outcomeReadFailed : outcomeWriteFailed,
             FileErrorText(e, m_strLastOutput));
    }
}

CString CConvertCommand::FileErrorText(const CFileException& error, const CString& strOutput) {
    if (!strOutput.IsEmpty()) {
        return "The file " + strOutput + " could not be written: " + error.GetErrorText() + ".";
    }
    return "The file " + error.m_strFileName + " could not be read: " + error.GetErrorText() + ".";
}

BOOL CConvertCommand::OutputTaken(CString strPath) {
    return OutputTaken(strPath, LookAt(strPath));
}

BOOL CConvertCommand::OutputTaken(const CString& strPath, const EntryFacts& facts) {
    // A link that leads nowhere is found by its own name alone.
    return facts.nKind == entryFile || (facts.nKind == entryNone && FileExists(strPath));
}

void CConvertCommand::SetOutputBatch(COutputBatch* pBatch, int nOrder) {
    m_csvFile.SetOutputBatch(pBatch, nOrder);
    m_twiFile.SetOutputBatch(pBatch, nOrder);
}

CString CConvertCommand::ReplaceQuestion(LPCSTR pszName, LPCSTR pszFolder) {
    CString strQuestion;
    strQuestion.Format(kMsgReplace, pszName, pszFolder);
    return strQuestion;
}

CString CConvertCommand::OutputPathFor(CString strPath, int nDirection, CString strFolder) {
    const NameParts parts = SplitName(strPath);
    // The prefix stays even when the title carries it already: dropping it
    // would let SDP_B12.csv -> SDP_B12.twi -> back overwrite the original.
    CString strOutput = DirectoryOf(strPath);
    if (!strFolder.IsEmpty()) {
        const char chLast = strFolder[strFolder.GetLength() - 1];
        strOutput = strFolder + (chLast == '/' || chLast == '\\' ? "" : "/");
    }
    if (nDirection == directionCsvToTwi) {
        strOutput += parts.strTitle + kTwiExtension;
    } else {
        strOutput += CString(kCsvPrefix) + parts.strTitle + kCsvExtension;
    }
    return strOutput;
}

CString CConvertCommand::GetDirectory(CString strPath) {
    return DirectoryOf(strPath);
}

void CConvertCommand::FinishWithStatus(ConvertOutcome nOutcome, int nStatus) {
    CString strMessage;
    strMessage.Format(kMsgError, nStatus);
    Finish(nOutcome, nStatus, strMessage);
}

void CConvertCommand::Finish(ConvertOutcome nOutcome, int nStatus, CString strMessage) {
    m_nLastOutcome = nOutcome;
    m_nLastStatus = nStatus;
    m_strLastMessage = strMessage;
    // What the reader and the writer found follows the message, line by line.
    const bool bConverting = nOutcome == outcomeReadFailed || nOutcome == outcomeWriteFailed ||
                             nOutcome == outcomeRefused || nOutcome == outcomeConverted ||
                             nOutcome == outcomeUpToDate;
    if (bConverting && !m_plotData.m_diagnostics.IsEmpty()) {
        strMessage += "\r\n\r\n" + m_plotData.m_diagnostics.Describe();
    }
    Show(nOutcome, strMessage);
}

void CConvertCommand::Show(ConvertOutcome nOutcome, CString strMessage) {
    m_nMessageOutcome = nOutcome;
    m_host.ShowMessage(strMessage);
}
