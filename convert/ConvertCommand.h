// The conversion command: what the Convert button runs. It reads the selected
// survey with the reader of the source format into the one record, writes the
// record beside the source in the other format, and reports the outcome in
// exactly one message. It needs no window: whoever drives it (the main
// window, the batch command line, a test) supplies the direction and shows
// the message.
#pragma once

#include "formats/csv/CsvDataFile.h"
#include "formats/twi/TwiDataFile.h"
#include "platform/CString.h"
#include "platform/FileSystem.h"
#include "survey/PlotDataObj.h"

// Indexes of the direction entries.
enum ConvertDirection {
    directionNone = -1, // text typed into the direction box, no entry selected
    directionTwiToCsv = 0,
    directionCsvToTwi = 1,
};

// Header items that a TWI file does not carry, given for its KVN CSV output;
// an empty text leaves the item as the TWI reader sets it.
struct CTwiHeaderItems {
    enum Item { itemSite, itemBorehole, itemDepthUnit };
    static constexpr const char* kFeet = "feet";
    static constexpr const char* kMeters = "meters";

    CString m_strSite;
    CString m_strBorehole;
    CString m_strDepthUnits; // "feet" or "meters"

    // Sets an item to a text a person gave. FALSE, with strProblem a
    // sentence that names the item and the text, when a KVN CSV reader would
    // not read the text back as given, or a depth unit is neither feet nor
    // meters; the item then keeps its value.
    BOOL Set(Item nItem, const CString& strText, CString& strProblem);
    // The sentence alone: empty when the text can stand as the item.
    static CString Problem(Item nItem, const CString& strText);
    // Sets the three items from a window's fields, in that order; the first
    // field's problem as a sentence, or empty when all of them are set.
    CString SetAll(const CString& strSite, const CString& strBorehole,
                   const CString& strDepthUnits);
    // A sentence of the conversion as a window's message: capital first,
    // full stop at the end.
    static CString AsMessage(const CString& strSentence);
};

// What the command asks of whoever drives it.
class CConvertHost {
public:
    virtual ~CConvertHost() = default;
    // The selected direction entry: 0, 1, or -1 when none is selected.
    virtual int GetDirection() = 0;
    // Shows one message; "\r\n" in it starts a new line.
    virtual void ShowMessage(CString strText) = 0;
    // Asked before an existing output file is replaced: TRUE replaces it,
    // FALSE keeps it (nothing is written and no message is shown). A driver
    // that does not ask replaces, as scripts expect.
    virtual BOOL ConfirmReplace(CString /*strOutput*/) { return TRUE; }
};

// How the last press ended, for drivers that report more than the message.
enum ConvertOutcome {
    outcomeNone = 0, // no press yet
    outcomeNothingSelected,
    outcomeNoDirection,
    outcomeReadFailed,
    outcomeWriteFailed,
    outcomeRefused,  // strict checking: the survey has warnings, nothing written
    outcomeKept,     // the output exists and was kept, as asked
    outcomeUpToDate, // the output holds this conversion already: left alone
    outcomeConverted,
};

class CConvertCommand {
public:
    static constexpr const char* kMsgNoFile = "No file selected.";
    static constexpr const char* kMsgNoDirection =
        "Select the conversion direction before pressing the Convert button.";
    static constexpr const char* kMsgError = "Error reading data file, code = %d.";
    static constexpr const char* kMsgConverted =
        "Spiral data file converted. New file located at\r\n";
    static constexpr const char* kMsgUpToDate =
        "Up to date: the existing file already holds this conversion. It is located at\r\n";
    static constexpr const char* kMsgStrictRefused =
        "Not converted: the survey has warnings, and strict checking counts them as errors.";
    // The entries of a window's direction box, in the order of
    // ConvertDirection, and the About item of its menu.
    static constexpr const char* kDirectionEntries[] = {
        "TWI (*.twi) ----> KVN (*.csv)",
        "KVN (*.csv) ---> TWI (*.twi)",
    };
    static constexpr const char* kAboutItem = "&About Veltrane...";
    // The title of a window; with a file selected it names the file first.
    static constexpr const char* kTitle = "Veltrane";
    // Asked by a window before it replaces an existing output.
    static constexpr const char* kMsgReplace = "%s already exists in %s. Replace it?";
    static constexpr const char* kMsgUnknownType =
        "The file format type can not determined.\r\nSelect the type from combo box before "
        "pressing the Convert button.";
    // The first line of kMsgUnknownType and, on a line of its own when
    // given, what to do about it where there is no direction box to choose
    // the type from.
    static CString UnknownTypeText(LPCSTR pszWhatToDo);

    explicit CConvertCommand(CConvertHost& host);

    // Sets the selection from a full path, as a file dialog would: the name
    // after the last separator, the extension after the last "." of the name,
    // the title before it.
    void SelectPath(CString strPath);
    // Selects a file as a window's Browse does: the path, then the direction
    // its extension names, or the format message and directionNone.
    int SelectFile(CString strPath);
    // The direction an extension suggests (case ignored): csv 1, twi 0,
    // anything else -1.
    static int GuessDirection(CString strExt);
    // The direction a window's box selects: entry nIndex while the box shows
    // that entry's text; typed text, even a near match, selects none.
    static int DirectionOfBox(int nIndex, CString strShown);
    // The extension of a path's file name, as SelectPath takes it.
    static CString ExtensionOf(CString strPath);
    // A window's title: "SDP_I-3.csv - Veltrane" with a file selected,
    // "Veltrane" without.
    CString WindowTitle() const;
    // Enter away from a push button converts the selected file; with none
    // selected it browses for one, since converting could only say that
    // none is.
    BOOL EnterConverts() const { return m_strSelection.IsEmpty() ? FALSE : TRUE; }

    void OnConvert();
    // What a window's Convert button runs: OnConvert, with a device error or
    // a full disk shown to the user (which file failed and why) instead of
    // raised, so that the window carries on.
    void OnConvertButton();
    // The message for a file exception that ended a press: which file could
    // not be read or written (strOutput, when the write had begun), and why.
    static CString FileErrorText(const CFileException& error, const CString& strOutput);
    // The folder part of a path with its separator ("/" here, "\" in Windows
    // paths); empty when the path names a file in the current folder.
    CString GetDirectory(CString strPath);
    // The output a conversion of strPath in nDirection writes: beside the
    // source (or in strFolder when one is given), "SDP_" and the title with
    // ".csv", or the title with ".twi".
    static CString OutputPathFor(CString strPath, int nDirection, CString strFolder = CString());
    // TRUE when an output's name is taken by anything but a folder: a file,
    // a link to one, or a link that leads nowhere. Such an output is asked
    // about (or kept, when the driver keeps existing outputs) and then
    // replaced by renaming over the name, a link included; a folder of that
    // name is not asked about: the write fails on it.
    static BOOL OutputTaken(CString strPath);
    // The same from what a look at strPath found already.
    static BOOL OutputTaken(const CString& strPath, const EntryFacts& facts);
    // "SDP_B12.csv already exists in /data. Replace it?", for a window to
    // ask with its own names of the file and its folder.
    static CString ReplaceQuestion(LPCSTR pszName, LPCSTR pszFolder);

    // The conversion context, owned for the life of the driver.
    CTwiDataFile m_twiFile;
    CCsvDataFile m_csvFile;
    CPlotDataObj m_plotData;
    CString m_strFileName;
    CString m_strPathName;
    CString m_strFileExt;
    CString m_strFileTitle;
    CString m_strSelection;

    // Strict checking: a survey with any warning is not converted.
    void SetStrict(BOOL bStrict) { m_bStrict = bStrict; }
    // An existing output that already holds exactly the bytes of the
    // conversion is left alone (time stamp and all) instead of replaced.
    void SetKeepIdentical(BOOL bKeep);
    // Site, borehole and depth unit for the KVN CSV output of a TWI source.
    void SetTwiHeaderItems(const CTwiHeaderItems& items) { m_twiItems = items; }
    // Why strText cannot stand as the header item of a KVN CSV file that
    // nStep names (CCsvDataFile::HeaderKey) and be read back as it is; empty
    // when it can.
    static CString HeaderItemProblem(int nStep, const CString& strText);
    // TRUE when strCandidate holds exactly what converting the selected file
    // in nDirection would write; nothing is written.
    BOOL ConvertsInto(int nDirection, CString strCandidate);
    // Why outputs cannot go into strFolder ("the output folder /x does not
    // exist"); empty when they can. Outputs are never written into a folder
    // that a call has to make first.
    static CString OutputFolderProblem(const CString& strFolder);
    // A window's choice of a folder with none chosen yet.
    static constexpr const char* kNoFolderChosen =
        "Choose the folder for the converted files, or convert them beside their sources.";
    // Outputs go into this folder instead of beside their source; empty for
    // beside the source.
    void SetOutputFolder(CString strFolder) { m_strOutputFolder = strFolder; }
    // Outputs go to this batch under the number nOrder, to be put in place
    // with the others of the batch, instead of at once.
    void SetOutputBatch(COutputBatch* pBatch, int nOrder);

    // The end of the last press: its outcome, the converter status of a failed
    // read or write, the output path it aimed at, and its message as the
    // window's first lines show it (the diagnostics of the record follow it
    // in what the host is shown).
    ConvertOutcome m_nLastOutcome = outcomeNone;
    // What the message being shown reports, for a window to choose its icon:
    // outcomeConverted for the success message, outcomeNone for messages
    // outside a conversion (an unknown file type), a failure otherwise.
    ConvertOutcome m_nMessageOutcome = outcomeNone;
    int m_nLastStatus = 0;
    CString m_strLastOutput;
    CString m_strLastMessage;

private:
    // For strict checking: TRUE when the survey read, or its write by
    // writer, gives any warning; the write's warnings join the record's.
    BOOL HasWarnings(const CSurveyDataFile& writer);
    // Reads the selected file with the reader of nDirection; its status.
    int ReadSelected(int nDirection);
    CSurveyDataFile& WriterOf(int nDirection);
    void FinishWithStatus(ConvertOutcome nOutcome, int nStatus);
    void Finish(ConvertOutcome nOutcome, int nStatus, CString strMessage);
    void Show(ConvertOutcome nOutcome, CString strMessage);

    CConvertHost& m_host;
    BOOL m_bStrict = FALSE;
    CString m_strOutputFolder;
    CTwiHeaderItems m_twiItems;
};
