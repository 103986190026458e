// The wording that diagnostics share: depths with their unit, counts of
// stations, line numbers and quoted lines, so that every message of the
// readers and writers says them the same way.
#pragma once

#include "platform/CString.h"
#include "survey/PlotDataObj.h"

// A depth with the record's depth unit ("14.0 m", "10.06 ft").
CString DepthText(double dDepth, const CPlotDataObj& data);
// "one station", "4 stations".
CString StationsText(int nCount);
// A line number as text.
CString LineNumberText(int nLine);
// A line's text for a message: quoted, and shortened when it is long.
CString Quote(const CString& strLine);
// A value of a data line that is not a number, named with its column:
// "\"abc\" is not a number (Face A+)", or "a number is missing (Face A+)"
// for an empty one.
CString NotANumberText(const CString& strValue, LPCSTR pszColumn);
// A value that reads as a number but is none a survey can hold (nan, inf):
// "\"nan\" is not a finite number (Face A+)".
CString NotFiniteText(const CString& strValue, LPCSTR pszColumn);
// "the station at 14.0 m is missing", or "the 3 stations from 14.0 m to
// 15.0 m are missing".
CString MissingText(double dFrom, double dTo, double dCount, const CPlotDataObj& data);
