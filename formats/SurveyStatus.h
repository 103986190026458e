// Every status a survey read or write ends with, in one place, each with its
// meaning in plain words. Reads give 0 or a negative value (the KVN CSV
// reader also 1 to 14, the header item it did not find); writes give 0 or a
// positive value.
#pragma once

#include "platform/CString.h"

enum SurveyStatus : int {
    statusDone = 0,

    // Reading.
    statusNotOpened = -1, // no path, the file cannot be opened, or (KVN CSV) the header ends early
    statusFirstLineUnreadable = -2, // KVN CSV: empty, or no line end in the first 80 bytes
    statusNotSurvey = -3,           // not a survey of the format, no usable grid, or no data
    statusMisplacedStation = -4,    // a station out of order, repeated, or between stations
    statusMissingStation = -5,      // a station missing between the first and the last
    statusBelowSurveyDepth = -6,    // a station deeper than the survey depth of the header
    statusDataInterrupted = -7, // KVN CSV: rows follow a blank or broken line, or a row is too long
    statusReadingNotFinite = -8, // a reading or depth that is not a finite number
    statusNotSpiral = -9,        // KVN CSV read for a TWI file: not a spiral survey
    statusDataEndsEarly = -10, // the file is cut off: TWI before its top station, KVN CSV in a row
    statusBadDataLine = -11,   // a data line not of the format's shape, or holding non-text bytes

    // Writing.
    statusNotLoaded = 1,        // the record holds no loaded survey
    statusNotCreated = 2,       // the output cannot be created or written
    statusHeaderNotWritten = 3, // TWI: the header could not be written
    statusLineTooLong = 4,      // a line would not fit the writer's line buffer
    statusOutputIsSource = 5,   // the output is the file being converted
};

enum SurveyFormat { formatCsv, formatTwi };

// What a read status of a file of this format means; empty for 0 and for a
// value no reader gives.
CString ReadStatusText(SurveyFormat nFormat, int nStatus);
// What a write status means; empty for 0 and for a value no writer gives.
CString WriteStatusText(int nStatus);
