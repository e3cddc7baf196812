// quorvane-em: the stored design's drawn copper solved full-wave with
// openEMS at two mesh levels, the figures of each and extrapolated, beside
// the drawn-copper four-port and the stored analysis.
//
// For the storage file <stem>.<ext> and its analysis report at position n:
// <stem>-n-em.s2p (the finest level's S-parameters), <stem>-n-em.svg and
// <stem>-n-em.txt (the summary, also on the console).  Progress goes to the
// log stream.  Status 0 done, 1 any failure (one line in the log).
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "em/em_mesh.hpp"
#include "em/em_model.hpp"

namespace quorvane::em {

struct EmOptions {
  std::filesystem::path file;
  std::filesystem::path folder = ".";
  MeshLevel level = MeshLevel::Normal;  // the finer of the two levels solved
  double end_db = -50;
  ModelOptions model;
  bool keep = false;
  int report = 0;                       // analysis report position (0: the last usable)
  int points = 401;                     // frequencies of the full-wave answer
  int threads = 2;
  std::string openems = "openEMS";      // executable name or path
  bool help = false, version = false;
};

std::string em_usage();
bool parse_em_options(const std::vector<std::string>& args, EmOptions& opt, std::string& error);
int run_em(const EmOptions& opt, std::ostream& out, std::ostream& log);
// The command line read, --help and --version answered, then run_em.
int run_em_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& log);

}  // namespace quorvane::em
