// The line reader and the number parser that both survey readers share.
#pragma once

#include "platform/CFile.h"
#include "platform/CString.h"
#include "platform/Types.h"

// A line ends at CR; an LF right after the CR is taken with it, a lone LF ends
// nothing and is dropped. TAB becomes a space, bytes outside 32 to 127 vanish.
// Every byte before the CR counts against nLimit (-1: no limit): with a limit
// of n, at most n - 1 bytes may stand before the CR. Returns FALSE at the end
// of the file with nothing read, and when the limit is used up without a CR.
BOOL ReadLine(CFile& file, CString& strLine, int nLimit);

// The decimal number at the start of the text (leading white space skipped,
// optional sign, digits with an optional point, optional exponent); 0.0 when
// the text does not begin with one.
double ParseNumber(CString strText);
