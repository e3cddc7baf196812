// quorvane-tune: the copper of a stored microstrip design tuned until its
// response meets the design's targets (see tune_figures.hpp), by the
// circuit model with field-solved sections (tune_model.hpp); with --measured, the
// substrate and etch of a built board fitted to its measured response first,
// and the next board's copper tuned for them.  With --model em the circuit
// model is mapped onto openEMS's full-wave solution and the copper tuned
// against that (space_mapping.hpp).
//
// For the storage file <stem>.<ext> and its analysis report at position n it
// writes <stem>-n-tune.txt (the summary, also on the console),
// <stem>-n-tune.svg (the response of every solver step), and the tuned
// copper in the layout family: <stem>-n-tuned-layout.svg, <stem>-n-tuned.dxf,
// <stem>-n-tuned.kicad_mod and the Gerber set <stem>-n-tuned-*.gbr with its
// <stem>-n-tuned.gbrjob.  Status 0 done, 1 any failure (one line in the log).
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "tune/full_wave.hpp"
#include "tune/tune_solver.hpp"

namespace quorvane::tune {

struct TuneAppOptions {
  std::filesystem::path file;
  std::filesystem::path folder = ".";
  TuneOptions tune;
  int report = 0;                   // analysis report position (0: the last usable)
  std::filesystem::path measured;   // a Touchstone 2-port of the built board ("" none)
  bool fit_h = false;               // fit the substrate height too
  bool em = false;                  // --model em: space mapping against the full-wave solution
  int iterations = 4;               // of the space mapping
  FullWaveOptions full_wave;
  bool help = false, version = false;
};

std::string tune_usage();
bool parse_tune_options(const std::vector<std::string>& args, TuneAppOptions& opt, std::string& error);
int run_tune(const TuneAppOptions& opt, std::ostream& out, std::ostream& log);
// The command line read, --help and --version answered, then run_tune.
int run_tune_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& log);

}  // namespace quorvane::tune
