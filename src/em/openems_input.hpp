// openEMS's input: the CSXCAD geometry (substrate, copper, ports and their
// probes) and the FDTD settings (Gaussian excitation over the band, the
// end criterion, the boundaries) as the XML file the packaged openEMS
// executable reads.  The program writes this file and runs openEMS on it in
// a separate process, so that a crash or a hang of the solver cannot take
// this process with it.
#pragma once

#include <string>
#include <vector>

#include "em/em_mesh.hpp"

namespace quorvane::em {

struct RunSettings {
  double end_db = -50;               // the run ends when the field energy has fallen this far
  long long max_timesteps = 2000000; // and at the latest after this many steps
  std::vector<double> dump_freqs;    // Hz: E and H dumped on the flux box's faces at these (empty: none)
};

// Probe names: "ut<p><k>" voltage of port p (1, 2) at plane k (0 outer ... 2 inner),
// "it<p><k>" current at the half planes k = 0, 1 between them.
std::string probe_name(char kind, int port, int k);

std::string openems_xml(const Model& m, const Mesh& mesh, const RunSettings& run);

}  // namespace quorvane::em
