// quorvane-yield: the tolerance and yield analysis of a stored design.
//
//   quorvane-yield FILE [-o FOLDER] [--width IN] [--gap IN] [--er X]
//       [--height IN] [--thickness IN] [--length IN]
//       [--distribution uniform|normal] [--samples N] [--seed S]
//       [--points N] [--max-loss DB] [--min-rejection DB@MHZ ...]
//       [--threads N] [--as-printed] [--report N]
//
// For the analysis report at position n of <name>.<ext> it writes
// <name>-n-yield.txt (the summary, also on the standard output),
// <name>-n-yield.svg and <name>-n-yield.csv into FOLDER.  The log (what was
// read, the nominal response against the stored table, the files) and a
// progress line, when the error stream is a terminal, go to `log`.
#pragma once

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "yield/tolerance_units.hpp"
#include "yield/yield_analysis.hpp"

namespace quorvane::yield {

struct YieldOptions {
  std::filesystem::path file;
  std::filesystem::path folder = ".";
  Tolerances tol;
  TypedTolerances typed;  // as typed; tol is resolved from them against the nominal board
  int samples = 1000;
  std::uint64_t seed = 1;
  int points = 0;        // 0: the frequencies of the stored table
  float max_loss = -1.0f; // dB; below 0: the nominal board's own passband loss plus 1 dB
  std::vector<Rejection> rejections;
  int threads = 0;
  int report = 0;          // position of the analysis report to use; 0: the last one that can be used
  bool as_printed = false;  // the printed lengths instead of the drawn (open-end compensated) ones
  bool help = false;
  bool version = false;
};

// Reads the command line (without the program name).  False with one line
// in `error` for an unknown option, a missing or unreadable value, or a
// negative or non-finite tolerance.
bool parse_options(const std::vector<std::string>& args, YieldOptions& opt, std::string& error);

// The help text.
std::string usage();

// The program for the arguments after its name: --help and --version on
// `out`, an argument that cannot be used one line on `log` (status 1), else
// run_yield_program.
int run_yield_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& log, bool show_progress);

// The whole run: 0 when the files are written, 1 with one line on `log` for
// input that cannot be analysed.
int run_yield_program(const YieldOptions& opt, std::ostream& out, std::ostream& log, bool show_progress);

}  // namespace quorvane::yield
