// Element values of the normalised lowpass prototype.
#pragma once

#include "dialogue/section_table.hpp"

namespace quorvane {

// pev: g(1) ... g(n) and the load element g(n+1) (source g0 = 1) for a
// Butterworth response (`ltype` 2) or a Chebyshev response of `lar` dB ripple
// (any other `ltype`).  1 <= n <= 12.
SectionValues pev(int n, float lar, int ltype);

}  // namespace quorvane
