// The field check of one dimensional report: each coupled section's
// cross-section as the report prints it, the closed-form values the program
// stands on for it, the field solution, and their differences, as a
// fixed-column table; and a picture of a section with its equipotentials.
#pragma once

#include <string>
#include <vector>

#include "fields/field_solver.hpp"
#include "stored/storage_parser.hpp"

namespace quorvane::fields {

// The substrate height H (or ground-plane spacing B) of a report.  The
// summary prints it with three decimals of an inch only (0.0625 as 0.063);
// the higher-order-mode limit, printed with five digits, was computed from
// it in closed form, so the height is recovered from the limit when the
// printed value is not consistent with it but lies within its last decimal
// of the recovered one (the limit not capped, Er above 1 for microstrip).
double substrate_height(const stored::DimensionTable& table);

// The cross-section of a printed row: the widths and gaps from the
// millimetre columns (four decimals of a millimetre are 25 times finer than
// four of an inch), the substrate from the summary, in inches, with the
// height of substrate_height.
CrossSection row_cross_section(const stored::DimensionTable& table, const stored::DimensionRow& row);

// Closed-form values of a section.  Microstrip: the static values of the
// coupled-microstrip models (thickness-corrected mode widths, mode
// dielectric constants, mode impedances) at the printed dimensions, cover at
// 100 H.  Stripline: the even- and odd-mode impedances the electrical
// synthesis asked for (NaN when the storage file holds no electrical report
// of the design), and Er for both modes.
struct ClosedForm {
  double zoe = 0.0, zoo = 0.0, effe = 0.0, effo = 0.0;
};
ClosedForm microstrip_closed_form(const CrossSection& section);

// Section `index` (from 0) of a recorded dimensional report: the dialogue's
// own geometry, and for stripline the design's own mode impedances.
CrossSection recorded_cross_section(const stored::RecordedDimensions& d, std::size_t index);
ClosedForm recorded_stripline_closed_form(const stored::RecordedCycle& cycle, const stored::RecordedDimensions& d,
                                          int section);

// One section of the table: K, its cross-section, the closed-form values
// and the field solution (nullptr: skipped, with the reason).
struct SectionCheck {
  int section = 0;
  CrossSection cross_section;
  ClosedForm closed;
  const FieldSolution* field = nullptr;
  std::string skipped;
};

// The table lines: a title naming the report and the file, the substrate,
// the column heads, a row per section, the largest difference and its section.
std::vector<std::string> field_table(const stored::StoredReport& report, const stored::DimensionTable& table,
                                     const std::string& source_name, const std::vector<SectionCheck>& checks);

// SVG of the cross-section to scale with ten-per-cent equipotentials: the
// even mode on the left of the symmetry plane, the odd mode on the right.
std::string cross_section_svg(const CrossSection& section, const std::string& title);

}  // namespace quorvane::fields
