// Short exact paths for the numbers of the survey files' data lines: the few
// decimals the writers print. Each result is proved equal to what printf
// gives (integer arithmetic on the exact binary value); whatever a path
// cannot prove it declines, and the caller takes its general path.
#pragma once

// Room FormatFixedShort needs: a sign, 19 digits, a point and 3 decimals.
constexpr int kFixedShortSize = 24;

// Writes dValue as "%.<nDecimals>f" to pBuffer (no NUL) and returns its
// length. Declines, returning 0 and writing nothing, unless nDecimals is 0 to
// 3 and |dValue| < 2^53 (so NaN and infinities are declined).
int FormatFixedShort(char* pBuffer, double dValue, int nDecimals);
