// Designs for the analysis tests, built without the dialogue: an electrical
// design of the road example's kind, and its microstrip or stripline
// dimensions from the line syntheses, as the dimensional reports leave them.
#pragma once

#include "dialogue/design_state.hpp"

namespace quorvane::testing {

// A Chebyshev design of n poles at f0 MHz, bw MHz wide, with the given
// ripple (dB) and system impedance z0 and 50 ohm image impedances; the
// electrical synthesis fills qvnzo.  Nothing else of the state is set.
DesignState chebyshev_design(int n, float f0, float bw, float ripple, float z0);

// f0 MHz, bw MHz, Chebyshev 0.1 dB, n poles, 50 ohm throughout, terminated
// in 50 ohm, print format 1.  No construction (msorsl = 0).
DesignState electrical_design(float f0 = 10000.0f, float bw = 500.0f, int n = 4);

// Microstrip on h inch of er with strips t inch thick: widths, gaps, lengths
// and reference frequencies of every section; msorsl = 1.
void build_microstrip(DesignState& state, float h = 0.025f, float er = 9.8f, float t = 0.0002f);

// Stripline between ground planes b inch apart, er, strips t inch thick:
// widths and gaps as fractions of b, the common quarter guide wavelength;
// msorsl = 2.
void build_stripline(DesignState& state, float b = 0.125f, float er = 2.2f, float t = 0.0014f);

// Copper, 5 micro-inch roughness and the given loss tangent, in aloss1.
void set_copper_losses(DesignState& state, float tlos = 0.0009f);

}  // namespace quorvane::testing
