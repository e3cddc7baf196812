// Reading whole-session transcripts of the analysis tests: the reports the
// console shows, each as its storage-file copy would be, and the rows of the
// response tables.
#pragma once

#include <string>
#include <vector>

namespace quorvane::testing {

// One report on the console: from the empty line that opens its dated header
// to its last line, as the storage file receives it.
struct ConsoleReport {
  enum Kind { kElectrical, kDimensions, kAnalysis } kind;
  std::string text;
};

// Every report of a transcript in order; a report is closed by the menu that
// follows it (menu 1, 2 or 3).
std::vector<ConsoleReport> console_reports(const std::string& out);

// The analysis reports only.
std::vector<std::string> analysis_reports(const std::string& out);

// The rows of the response table of one analysis report (either format),
// empty when the sweep was refused.
std::vector<std::string> response_rows(const std::string& report);

// Occurrences of `what` in `text`.
int occurrences(const std::string& text, const std::string& what);

}  // namespace quorvane::testing
