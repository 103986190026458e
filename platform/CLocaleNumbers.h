// The two conversions of the C library that the number code still needs, run
// in the "C" locale whatever locale the process has: each system keeps its
// own locale objects, so each has its own file (CLocaleNumbers_posix.cpp for POSIX,
// CLocaleNumbers_win.cpp for Windows).
#pragma once

// strtod in the "C" locale: overflow gives an infinity, underflow a zero or
// the nearest tiny value, as strtod itself does.
double StrtodC(const char* pText);

// sscanf's "%lf%n" in the "C" locale: the number of fields read (1 on
// success), the value and the characters consumed.
int ScanfDoubleC(const char* pText, double& dValue, int& nConsumed);
