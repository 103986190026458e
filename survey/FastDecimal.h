// Short exact paths for the numbers of the survey files' data lines: the few
// decimals the writers print and the short decimal texts the readers meet.
// Each result is proved equal to what printf or strtod gives (integer
// arithmetic on the exact binary value, or one correctly rounded IEEE
// division of exact operands); whatever a path cannot prove it declines, and
// the caller takes its general path.
#pragma once

// Room FormatFixedShort needs: a sign, 19 digits, a point and 3 decimals.
constexpr int kFixedShortSize = 24;

// Writes dValue as "%.<nDecimals>f" to pBuffer (no NUL) and returns its
// length. Declines, returning 0 and writing nothing, unless nDecimals is 0 to
// 3 and |dValue| < 2^53 (so NaN and infinities are declined).
int FormatFixedShort(char* pBuffer, double dValue, int nDecimals);

// Reads the decimal number at pText (no white space before it): an optional
// sign, then digits with at most one point among them. Returns the end of
// the number and sets dValue as strtod would. Declines, returning nullptr and
// leaving dValue alone, when there are no digits or more than 19, when the
// digits exceed 2^53, or when an exponent mark or an "x" follows (a number
// the general path must read).
const char* ScanShortDecimal(const char* pText, double& dValue);
