// Layouts of the lines every report shares: the dated header that opens it,
// its rule, and the storage line that closes it.
#pragma once

#include <string>

#include "dialogue/report_layout.hpp"
#include "dialogue/version.hpp"

namespace quorvane::fmt {

// "Quorvane (v. 1.4)   Date: 3/ 7/2026 at 14: 5: 9Hours": month, day, year,
// hour, minute, second.
inline const Layout& date_line() {
  static const Layout l{blanks(6), text(kProgramTitle), blanks(23), text("Date:"), integer(2), text("/"),
                        integer(2),  text("/"),         integer(4), text(" at "),  integer(2), text(":"),
                        integer(2),  text(":"),         integer(2), text("Hours")};
  return l;
}

// The 72-hyphen rule of the header and of the dimensional and format-2 tables.
inline const Layout& rule72() {
  static const std::string hyphens(72, '-');
  static const Layout l{blanks(6), text(hyphens)};
  return l;
}

// The storage line: the electrical and dimensional reports end with
// "Output data", the analysis report with "Output Data".
inline const Layout& stored_line() {
  static const Layout l{blanks(8), text("Output data stored in User filename: "), alpha(20)};
  return l;
}
inline const Layout& stored_line_analysis() {
  static const Layout l{blanks(8), text("Output Data stored in User filename: "), alpha(20)};
  return l;
}

}  // namespace quorvane::fmt
