// The number conversions of the survey files' data lines, made without the
// printf and scanf families: the same bytes and values, several times faster
// (a survey has thousands of lines), and independent of the C locale.
#pragma once

#include <string>

// Appends dValue as printf's "%.<nDecimals>f" writes it.
void AppendFixed(std::string& strOut, double dValue, int nDecimals);
// As "%0<nWidth>.<nDecimals>f": zeros after the sign up to nWidth characters.
void AppendFixedZeroPadded(std::string& strOut, double dValue, int nWidth, int nDecimals);
// As "% .<nDecimals>f": a space where a non-negative value has no sign.
void AppendFixedSpaceSigned(std::string& strOut, double dValue, int nDecimals);

// Reads a number as sscanf's "%lf" does: white space skipped, then the
// longest number; on success pText moves past it and TRUE is returned.
bool ScanDouble(const char*& pText, double& dValue);
