#include "analysis/analysis_transcript.hpp"

#include "support/session.hpp"

namespace quorvane::testing {

namespace {

const std::string kHeader = "      " + std::string(72, '-') + "\n      Quorvane (v. 1.4)";

struct MenuMark {
  ConsoleReport::Kind kind;
  const char* text;
};
const MenuMark kMenus[] = {
    {ConsoleReport::kElectrical, "\n     SYNTHESIS of the Distributed Electrical Circuit for your Filter completed."},
    {ConsoleReport::kDimensions, "\n     SYNTHESIS of Physical Dimensions for your Filter completed."},
    {ConsoleReport::kAnalysis, "\n     Frequency Analysis of your Bandpass Filter completed."},
};

}  // namespace

std::vector<ConsoleReport> console_reports(const std::string& out) {
  std::vector<ConsoleReport> reports;
  for (std::size_t at = out.find(kHeader); at != std::string::npos;) {
    // The menu that closes this report: the nearest one after the header.
    std::size_t end = std::string::npos;
    ConsoleReport::Kind kind = ConsoleReport::kAnalysis;
    for (const MenuMark& m : kMenus) {
      const std::size_t p = out.find(m.text, at);
      if (p < end) {
        end = p;
        kind = m.kind;
      }
    }
    if (end == std::string::npos) break;
    // The header's empty first line shares the console line of the prompt
    // before it; in the file it is a line of its own.
    reports.push_back({kind, "\n" + out.substr(at, end - at)});
    at = out.find(kHeader, end);
  }
  return reports;
}

std::vector<std::string> analysis_reports(const std::string& out) {
  std::vector<std::string> texts;
  for (const ConsoleReport& r : console_reports(out)) {
    if (r.kind == ConsoleReport::kAnalysis) texts.push_back(r.text);
  }
  return texts;
}

std::vector<std::string> response_rows(const std::string& report) {
  const std::vector<std::string> lines = lines_of(report);
  std::vector<std::string> rows;
  std::size_t k = 0;
  while (k < lines.size() && lines[k].find("   MHz      VSWR") == std::string::npos &&
         lines[k].find("(MHz)      Real") == std::string::npos) {
    ++k;
  }
  for (k += 2; k < lines.size() && lines[k].find("Source Impedance") == std::string::npos; ++k) {
    rows.push_back(lines[k]);
  }
  return rows;
}

int occurrences(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

}  // namespace quorvane::testing
