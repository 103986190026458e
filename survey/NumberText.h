// Every number a survey file holds is written and read here, and nowhere
// else. The texts are those of printf and scanf in the "C" locale, byte for
// byte, whatever locale the process runs under: survey files always use a
// decimal point, also on a German desktop. The data lines' conversions avoid
// the printf and scanf families altogether, which is also several times
// faster (a survey has thousands of lines).
#pragma once

#include "platform/CString.h"

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

// The fixed-point text of a value, as "%.<nDecimals>f" writes it.
CString FixedText(double dValue, int nDecimals);

// Appends nValue as printf's "%.<nMinDigits>d" writes it: at least
// nMinDigits digits, zeros in front, a minus sign before them.
void AppendWhole(std::string& strOut, long long nValue, int nMinDigits = 1);
// Reads a whole number as scanf's "%d" does (white space, optional sign,
// digits), except that a number too long for an int saturates instead of
// wrapping round into a plausible value. On success pText moves past it.
bool ScanWhole(const char*& pText, int& nValue);

// The decimal number at the start of the text (leading white space skipped,
// optional sign, digits with an optional point, optional exponent); 0.0 when
// the text does not begin with one. Texts such as "nan", "inf" or "0x10"
// give the value of their decimal prefix (or 0.0), never more.
double ParseNumber(CString strText);
