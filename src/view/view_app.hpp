// quorvane-view: turns a storage file into pictures and fabrication data.
//
// For the storage file <stem>.<ext> and the report at position n in it:
//   analysis table       -> <stem>-<n>-response.svg, <stem>-<n>-passband.svg
//                           and <stem>-<n>-delay.svg
//   print format 1 table -> <stem>-<n>.s2p (Zs = ZL) or <stem>-<n>.s1p
//   dimensional table    -> <stem>-<n>-layout.svg, <stem>-<n>.dxf,
//                           <stem>-<n>.kicad_mod, and the Gerber set: -copper,
//                           -ground-*, -mask-*, -outline (.gbr) and .gbrjob
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

#include "stored/filter_layout.hpp"
#include "stored/storage_parser.hpp"

namespace quorvane::view {

using stored::CopperDrawing;
using stored::ParsedStorage;
using stored::StoredReport;

struct ViewResult {
  // 0 all used; 2 files written but something skipped or damaged; 1 nothing to
  // read, or an output file that could not be written (1 wins over 2).
  int status = 0;
  std::vector<std::filesystem::path> written;
};

struct ViewOptions {
  float layout_scale = 0.0f;  // scale of the layout sheets; 0: the drawing scale chosen for the filter
  // The layout outputs draw the sections compensated for their open ends (the
  // default) or as printed; every analysis of a dimensional report also shows
  // the response of the copper drawn that way.
  CopperDrawing drawing = CopperDrawing::Compensated;
  float margin_mm = 0.0f;         // board beyond the copper; 0: five substrate heights, at least 3 mm
  bool mask_over_filter = false;  // solder mask over the filter (its expected effect is logged)
};

// The construction to name in an analysis title: "ideal lines in air" when
// the report shows the ideal line, else the construction of the last
// dimensional report of the same design cycle before it, else "".
std::string analysis_construction(const ParsedStorage& storage, const StoredReport& analysis);

// What the log adds to a report's kind: the construction, and for an
// analysis its print format.
std::string detail(const ParsedStorage& storage, const StoredReport& report);

// The substrate of an analysis, for the Touchstone comments: air for the
// ideal line, else that of the dimensional report its construction comes
// from (see analysis_construction), else "".
std::string analysis_substrate(const ParsedStorage& storage, const StoredReport& analysis);

ViewResult run_view(const std::filesystem::path& storage_file, const std::filesystem::path& out_folder,
                    std::ostream& log, const ViewOptions& options = {});

// The viewer's command line, the arguments after its name: --help and
// --version write to `out`; FILE [-o FOLDER] runs the viewer with its log on
// `err`; an argument that cannot be used is one line on `err`, status 1.
int run_view_program(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace quorvane::view
