// The filter requirements dialogue at the start of every design cycle.
#pragma once

#include "dialogue/console.hpp"
#include "dialogue/design_state.hpp"

namespace quorvane {

// Asks for the centre frequency, bandwidth, response, ripple, the number of
// poles (typed, or from the attenuation at a skirt frequency), the system
// impedance and the symmetric image impedances, into `state.filter`.  Every
// default comes from the defaults file.  The storage question follows.
void run_design_entry(Console& console, DesignState& state);

}  // namespace quorvane
