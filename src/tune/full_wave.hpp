// The fine model of quorvane-tune --model em: a copper solved full-wave by
// openEMS (em/em_simulation.hpp), drawn as the tuned layout draws it (the
// stored dimension table with the copper's widths, gaps and drawn lengths,
// etched by the model's bias, on the model's substrate), lossless like the
// circuit model it is mapped onto (radiation and surface waves remain).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "em/em_mesh.hpp"
#include "stored/stored_design.hpp"
#include "tune/space_mapping.hpp"

namespace quorvane::tune {

struct FullWaveOptions {
  em::MeshLevel level = em::MeshLevel::Coarse;  // the loop's; the final run one level finer (fine stays fine)
  std::string openems = "openEMS";              // executable name or path
  int threads = 2;
  double end_db = -50;                          // energy level at which each run ends
  int points = 401;                             // frequencies across the search band within the analysed band
};

// The fine model of `design` for `model`'s substrate and etch, and the
// frequencies it is solved at (MHz).  False with quorvane-em's one line when
// openEMS is missing or the design cannot be modelled.  Progress goes to
// `log`, which must outlive `fine`.
bool full_wave_model(const stored::StoredDesign& design, const CircuitModel& model, const Targets& t,
                     const FullWaveOptions& opt, std::ostream& log, FineModel& fine, std::vector<double>& f_mhz,
                     std::string& error);

}  // namespace quorvane::tune
