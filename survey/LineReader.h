// The line reader and the number parser that both survey readers share.
#pragma once

#include "platform/CFile.h"
#include "platform/CString.h"
#include "platform/Types.h"
#include "survey/NumberText.h" // ParseNumber lives with the other number conversions

// A line ends at CR; an LF right after the CR is taken with it, a lone LF ends
// nothing and is dropped. TAB becomes a space, bytes outside 32 to 127 vanish.
// Every byte before the CR counts against nLimit (-1: no limit): with a limit
// of n, at most n - 1 bytes may stand before the CR. Returns FALSE at the end
// of the file with nothing read, and when the limit is used up without a CR.
BOOL ReadLine(CFile& file, CString& strLine, int nLimit);
