// Warnings before a board is paid for: what in a design's dimensions looks
// like a unit slip or will not survive etching, and the passband loss the
// resonators' unloaded Q predicts.  Each is one line for the error stream.
#pragma once

#include <string>
#include <vector>

#include "dialogue/design_state.hpp"

namespace quorvane {

// The classical estimate of the loss at the centre of the passband, dB, from
// the resonators' unloaded Q (S. B. Cohn, "Dissipation loss in multiple-
// coupled-resonator filters", Proc. IRE, vol. 47, pp. 1342-1348, Aug. 1959):
//   dL = 4.343 sum(g_k, k = 1..N) / (FBW Qu).
// Qu combines the conductor and dielectric attenuation of the coupled
// sections (copper with the analysis's default roughness, loss tangent
// `tand`), in double precision: an estimate, beside the analysis.
double passband_loss_estimate(const DesignState& state, double tand);

// After the dimensions: strips wider than a wavelength, a foil thicker than
// any etched one, a mode limit below Fo, widths and gaps below
// `board_minimum` (inch), and an estimated passband loss above 3 dB.
std::vector<std::string> dimension_warnings(const DesignState& state, double board_minimum, double tand);

// After an analysis of the built filter: a stop frequency above the mode limit.
std::vector<std::string> sweep_warnings(const DesignState& state);

}  // namespace quorvane
