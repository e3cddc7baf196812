// Electrical synthesis of the parallel coupled line bandpass filter: the
// admittance inverters and the even- and odd-mode impedances of the N+1
// quarter-wave coupled sections, each scaled to its image impedance.
#pragma once

#include <vector>

#include "dialogue/design_state.hpp"
#include "dialogue/storage.hpp"

namespace quorvane {

// One row of the electrical report: section K+1 between resonators K and K+1.
struct ElectricalRow {
  int i = 0;             // prototype element index, 0 for the source
  float element = 0.0f;  // g(i), 1 for the source element g0
  int k = 0;             // the row's section is K+1, coupling resonators K and K+1
  float zoe = 0.0f;      // even-mode impedance, ohm
  float zoo = 0.0f;      // odd-mode impedance, ohm
  float zi = 0.0f;       // image impedance, ohm
  float jzi = 0.0f;      // normalised inverter J(K,K+1)*ZI
  float couplec = 0.0f;  // coupling coefficient
};

struct ElectricalDesign {
  float bw3db = 0.0f;  // 3 dB bandwidth, MHz
  SectionValues g;     // g(1) ... g(N+1)
  SectionValues zoec;  // even-mode impedance of section K, ohm
  SectionValues zooc;  // odd-mode impedance of section K, ohm
  std::vector<ElectricalRow> rows;  // sections 1 ... N+1 in order
  float qe0 = 0.0f;    // external Q of the input end section
  float qen = 0.0f;    // external Q of the output end section
};

ElectricalDesign synthesise_electrical(const FilterRequirements& filter);

// Computes the design, leaves its impedances in `state.qvnzo` and prints the
// report (to the storage file too when the phase stores); returns the design.
ElectricalDesign run_electrical_synthesis(DesignState& state, Report& report);

}  // namespace quorvane
