// --model em: space mapping of the copper against the full-wave solution.
#pragma once

#include <ostream>
#include <string>

#include "tune/tune_app.hpp"
#include "tune/tune_outputs.hpp"

namespace quorvane::tune {

bool space_map(const CircuitModel& model, const Targets& targets, const TuneAppOptions& opt, FieldCorrections& fields,
               TuneRun& run, std::ostream& log, std::string& error);

}  // namespace quorvane::tune
