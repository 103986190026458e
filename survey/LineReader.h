// The line reader and the number parser that both survey readers share.
#pragma once

#include "platform/CFile.h"
#include "platform/CString.h"
#include "platform/Types.h"
#include "survey/NumberText.h" // ParseNumber lives with the other number conversions

// What ReadLine saw of a line beyond its kept text.
struct CLineFacts {
    // The line ended at its CR; FALSE when the file or the limit ended it.
    bool bEndedAtCr = false;
    // Bytes the line held but the text leaves out (control bytes, a lone LF,
    // bytes above 127): the text is not what the file says.
    bool bBytesDropped = false;
};

// A line ends at CR; an LF right after the CR is taken with it, a lone LF ends
// nothing and is dropped. TAB becomes a space, bytes outside 32 to 127 vanish.
// Every byte before the CR counts against nLimit (-1: no limit): with a limit
// of n, at most n - 1 bytes may stand before the CR. Returns FALSE at the end
// of the file with nothing read, and when the limit is used up without a CR.
// pFacts, when given, learns how the line ended and whether bytes vanished.
BOOL ReadLine(CFile& file, CString& strLine, int nLimit, CLineFacts* pFacts = nullptr);

// Moves past the rest of the current line, its CR and an LF after it, without
// keeping any of it: a reader that has what it needs of an over-long line
// goes on at the next one without holding the rest in memory.
void SkipRestOfLine(CFile& file);
