#include "formats/SurveyStatus.h"

#include "formats/csv/CsvDataFile.h"
#include "survey/NumberText.h"

namespace {

struct StatusText {
    int nStatus;
    const char* pszText;
};

// The statuses both readers give with the same meaning.
const StatusText kSharedReadTexts[] = {
    {statusMisplacedStation,
     "A station stands out of depth order, is repeated, or lies between two stations of the "
     "interval."},
    {statusMissingStation, "A station is missing between the first and the last station."},
    {statusBelowSurveyDepth, "A station lies deeper than the survey depth the header gives."},
    {statusReadingNotFinite, "A reading or a depth is not a finite number (nan or inf)."},
    {statusBadDataLine,
     "A data line is not whole: it holds more or fewer values than the format has, a value "
     "that is not a number, a decimal comma, or bytes that are not text, so it would be read as "
     "something other than what it says."},
};

const StatusText kCsvReadTexts[] = {
    {statusNotOpened,
     "The file does not exist or cannot be opened, or the header ends early: a header or "
     "comment line is missing, is 80 characters or longer, or the comment block never reaches "
     "\"Comment End:\"."},
    {statusFirstLineUnreadable,
     "The first line cannot be read: the file is empty, or its lines do not end with CR (for "
     "example LF-only line ends)."},
    {statusNotSurvey,
     "This is not a readable KVN CSV survey: the first line lacks \"KVN Digital Inclinometer "
     "Data\", the depth and interval of the header give no usable depth grid, or no data row of "
     "five numbers follows the column-header line."},
    {statusDataInterrupted,
     "The data rows are interrupted: rows follow a blank line, a line that is not a row, or a "
     "row of 80 characters or more."},
    {statusDataEndsEarly,
     "The file ends inside its last data row (it lacks values or its line end): the file is "
     "cut off."},
    {statusNotSpiral,
     "This is not a spiral survey. A TWI file holds twist only, so its readings would be written "
     "as twist."},
};

const StatusText kTwiReadTexts[] = {
    {statusNotOpened, "The file does not exist or cannot be opened for reading."},
    {statusNotSurvey,
     "This is not a readable TWI survey: the header (\" D  M  Y\" caption, date line with RUN "
     "ID, DEPTH, INTERVAL) is missing or malformed, the depth or interval is not greater than "
     "zero (or the two together claim a million stations or more), or no data line follows the "
     "header."},
    {statusDataEndsEarly,
     "The data ends before the top station, one interval below the top: the file is cut off "
     "(perhaps inside its last line), or a blank, broken or over-long line stands inside the "
     "data."},
};

const StatusText kWriteTexts[] = {
    {statusNotLoaded, "The survey holds no data to write."},
    {statusNotCreated, "The output file cannot be created or put in place."},
    {statusHeaderNotWritten, "The TWI header could not be written."},
    {statusLineTooLong,
     "A line of the output would be longer than the 256 characters a line may have; it is not "
     "cut, so nothing is written."},
    {statusOutputIsSource,
     "The output would replace the file being converted (the same file, perhaps under another "
     "name), so nothing is written."},
};

template <size_t N> const char* Find(const StatusText (&texts)[N], int nStatus) {
    for (const StatusText& entry : texts) {
        if (entry.nStatus == nStatus) {
            return entry.pszText;
        }
    }
    return nullptr;
}

} // namespace

CString ReadStatusText(SurveyFormat nFormat, int nStatus) {
    if (nFormat == formatCsv && nStatus >= 1 && nStatus <= CCsvDataFile::kHeaderSteps) {
        std::string strText = "Header item ";
        AppendWhole(strText, nStatus);
        strText += std::string(" (\"") + CCsvDataFile::HeaderKey(nStatus) +
                   "\") was not found where the KVN CSV header expects it: it is missing, out "
                   "of order, or a line of commas stands in its place.";
        return CString(std::move(strText));
    }
    const char* pszText =
        nFormat == formatCsv ? Find(kCsvReadTexts, nStatus) : Find(kTwiReadTexts, nStatus);
    if (pszText == nullptr) {
        pszText = Find(kSharedReadTexts, nStatus);
    }
    return pszText ? pszText : "";
}

CString WriteStatusText(int nStatus) {
    const char* pszText = Find(kWriteTexts, nStatus);
    return pszText ? pszText : "";
}
