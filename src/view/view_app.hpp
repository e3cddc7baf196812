// quorvane-view: turns a storage file into pictures and fabrication data.
//
// For the storage file <stem>.<ext> and the report at position n in it:
//   analysis table       -> <stem>-<n>-response.svg
//   print format 1 table -> <stem>-<n>.s2p (Zs = ZL) or <stem>-<n>.s1p
//   dimensional table    -> <stem>-<n>-layout.svg and <stem>-<n>.dxf
// An analysis of a dimensional report also gets the response of the copper
// as drawn on its plot, and both centre frequencies in the log.
// Electrical reports are read and counted but give no file, and so is an
// analysis whose sweep the program refused (its reason is logged).  A
// report that cannot be used (damaged table, missing lines) gives no file,
// nor does a dimensional table that cannot be drawn; the reason goes to the
// log, as does every skipped row, and a closing line counts what was done.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "view/filter_layout.hpp"
#include "view/storage_parser.hpp"

namespace quorvane::view {

struct ViewResult {
  int status = 0;  // 0 all used; 2 files written but something skipped or damaged; 1 nothing to read
  std::vector<std::filesystem::path> written;
};

// The construction to name in an analysis title: "ideal lines in air" when
// the report shows the ideal line, else the construction of the last
// dimensional report of the same design cycle before it, else "".
std::string analysis_construction(const ParsedStorage& storage, const Report& analysis);

// The last report of `kind` of the same design cycle before `report`, or null.
const Report* earlier_report(const ParsedStorage& storage, const Report& report, ReportKind kind);

// What the log adds to a report's kind: the construction, and for an
// analysis its print format.
std::string detail(const ParsedStorage& storage, const Report& report);

// `drawing`: the layout outputs draw the sections compensated for their open
// ends (the default) or as printed; every analysis of a dimensional report
// also shows the response of the copper drawn that way.
ViewResult run_view(const std::filesystem::path& storage_file, const std::filesystem::path& out_folder,
                    std::ostream& log, CopperDrawing drawing = CopperDrawing::Compensated);

}  // namespace quorvane::view
