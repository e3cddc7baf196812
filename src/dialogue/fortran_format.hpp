// Fixed-column fields of the reports, as a Fortran formatted WRITE lays them
// out: Fw.d, Iw, Aw and nX.  Every report line of the program is assembled
// from these pieces, so that a value that does not fit prints as asterisks,
// a value that is not a number as "NaN", and so on, in one place only.
#pragma once

#include <string>
#include <string_view>

namespace quorvane::fmt {

// Fw.d: the real `value` right-justified in `w` columns with `d` digits after
// the decimal point, rounded to nearest (an exact half away from zero).  The
// 0 before the point is written only when the field has room for it; the
// minus sign stays on a negative value that rounds to zero (and on -0).
// A value that does not fit gives `w` asterisks; NaN prints as "NaN" and an
// infinity as "Infinity" or "Inf" with its sign when the field is wide enough.
std::string F(float value, int w, int d);

// The same field written at `out`, which has room for max(w, 0) characters;
// returns the end of the field.  Allocates nothing for the widths and
// decimal counts of the reports (d up to 100).
char* put_F(char* out, float value, int w, int d);

// Iw: the integer right-justified in `w` columns, asterisks when it does not fit.
std::string I(long long value, int w);

// Aw: the text left-justified in `w` columns, blank-padded or cut.
std::string A(std::string_view text, int w);

// nX: n blanks.
std::string X(int n);

// A run of n hyphens, the rule lines of the reports.
std::string hyphens(int n);

}  // namespace quorvane::fmt
