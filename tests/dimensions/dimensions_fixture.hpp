// Designs for the dimensional-report tests: an electrical design computed by
// the electrical synthesis, a construction, and the report captured from the
// console.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "analysis/design_fixture.hpp"
#include "dialogue/design_state.hpp"
#include "dialogue/fortran_format.hpp"
#include "dialogue/storage.hpp"
#include "dimensions/dimensional_report.hpp"
#include "support/session.hpp"

namespace quorvane::testing {

// A Chebyshev design of n poles with 50 ohm image impedances throughout.
inline DesignState designed_state(int n, float f0 = 10000.0f, float bw = 500.0f, float ripple = 0.1f,
                                  float z0 = 50.0f) {
  DesignState s = chebyshev_design(n, f0, bw, ripple, z0);
  s.clock = fixed_clock();
  s.control.istore = 2;
  return s;
}

inline void build_as(DesignState& s, int msorsl, float b, float er, float thick) {
  s.construction.msorsl = msorsl;
  s.construction.er = er;
  s.construction.slorms = fmt::A(msorsl == 2 ? "Stripline" : "Microstrip", 20);
  s.construction.var1 = msorsl == 2 ? "B    = " : "H    = ";
  s.qvnms.b = b;
  s.qvnms.thick = thick;
  s.construction.t = thick / b;
}

// The console output of the dimensional synthesis (storage off).
inline std::string printed_dimensions(DesignState& s) {
  std::istringstream in;
  std::ostringstream out;
  Console console(in, out);
  StorageFile file(std::filesystem::temp_directory_path());
  Report report(console, file, s.control);
  run_dimensional_synthesis(s, report);
  return out.str();
}

struct StoredReport {
  std::string console;
  std::string file;
};

// The dimensional synthesis with storage on, into a file in `folder`.
inline StoredReport stored_dimensions(DesignState& s, const std::filesystem::path& folder) {
  std::istringstream in;
  std::ostringstream out;
  Console console(in, out);
  StorageFile file(folder);
  s.control.istore = 1;
  s.control.fnstore = fmt::A("dims.txt", 20);
  file.open(s.control.fnstore);
  Report report(console, file, s.control);
  run_dimensional_synthesis(s, report);
  return {out.str(), read_text(folder / "dims.txt")};
}

// The table rows of a dimensional report: the lines between the rule under
// the column captions and the total line.
inline std::vector<std::string> table_rows(const std::string& out) {
  std::vector<std::string> rows;
  bool captions = false;
  bool in_table = false;
  for (const auto& line : lines_of(out)) {
    if (line.find("Total Length of your Bandpass Filter") != std::string::npos) break;
    if (in_table) rows.push_back(line);
    if (line.find("  (K)   Inches") != std::string::npos) captions = true;
    if (captions && line == std::string(6, ' ') + fmt::hyphens(72)) in_table = true;
  }
  return rows;
}

// The first line holding `text`, or "".
inline std::string line_with(const std::string& out, const std::string& text) {
  for (const auto& line : lines_of(out)) {
    if (line.find(text) != std::string::npos) return line;
  }
  return {};
}

}  // namespace quorvane::testing
