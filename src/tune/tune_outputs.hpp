// What quorvane-tune writes: the summary (console and <stem>-n-tune.txt),
// the plot of every solver step's response (with --model em, of every
// full-wave iteration's), and the tuned copper in the layout family.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "stored/stored_design.hpp"
#include "tune/measured_fit.hpp"
#include "tune/space_mapping.hpp"
#include "tune/tune_solver.hpp"

namespace quorvane::tune {

struct TuneRun {
  std::string source;                 // the storage file's name
  const stored::StoredDesign* design = nullptr;
  Targets targets;
  TuneOptions options;
  CircuitModel model;                 // the substrate and etch tuned for, its copper the printed artwork
  TuneResult result;
  std::optional<FitResult> fit;       // --measured
  std::string measured_name;
  std::optional<SpaceMapResult> space_map;  // --model em: result's before/after are its first and final figures
};

// `sm` as the run's result: printed the loop's start, tuned its last
// copper, before and after its first and final full-wave figures.
void take_space_map(TuneRun& run, const Copper& printed, SpaceMapResult sm);

// The stored dimension table with the tuned copper's widths, gaps and
// lengths (as drawn: the layout draws them as they stand).
stored::DimensionTable tuned_table(const stored::DimensionTable& printed, const Copper& tuned);

std::string summary_text(const TuneRun& run);

// Every file through the output layer; false after the first that fails
// (its line in `log`).
bool write_outputs(const TuneRun& run, const std::filesystem::path& folder, std::ostream& out, std::ostream& log);

}  // namespace quorvane::tune
