// Stripline dimensional synthesis: the strip width and gap of every coupled
// section (Cohn's coupled-strip design equations), quarter-guide-wavelength
// resonators, the open-end capacitance of each section's strips, the single
// line of the system impedance and the higher-order-mode limit between the
// ground planes.
#pragma once

#include <vector>

#include "dialogue/design_state.hpp"
#include "dialogue/storage.hpp"

namespace quorvane {

struct StriplineSectionSize {
  float wb = 0.0f;         // strip width / B
  float sb = 0.0f;         // gap / B
  bool realizable = true;  // false: no positive width and gap for this Zoe, Zoo
  float w = 0.0f;          // strip width, inch
  float s = 0.0f;          // gap, inch
  float z0cohn = 0.0f;     // impedance of a single strip of width w, ohm
  float capopen = 0.0f;    // open-end capacitance, pF
  float flength = 0.0f;    // resonator length, inch
};

struct StriplineDimensions {
  std::vector<StriplineSectionSize> sections;  // sections 1 ... N+1 in order
  float total = 0.0f;  // sum of the resonator lengths, inch
  float wofz0 = 0.0f;  // width of a single strip of the system impedance, inch
  float z0 = 0.0f;     // impedance of that width, ohm (within 0.1 % of the aim)
  int isyne = 0;       // 1 when that width could not be realised
  float qwave = 0.0f;  // quarter guide wavelength at f0, inch
  float fmax = 0.0f;   // higher-order-mode limit, GHz
};

// Guide wavelength, inch, at f0 (MHz) in a dielectric of constant er.
float guide_wavelength(float er, float f0);

// Open-end capacitance (pF) of a strip of width w (inch) and impedance
// z0cohn (ohm) between ground planes b (inch) apart, at f0 (MHz).
float open_end_capacitance(float b, float er, float f0, float w, float z0cohn);

// Frequency (GHz) above which higher-order modes may propagate between the
// ground planes, for a strip of width wofz0 (inch); capped at 999.999.
float stripline_mode_limit(float er, float wofz0, float b);

// The whole synthesis from the even- and odd-mode impedances of `qvnzo`.
// er, b (ground-plane spacing, inch), thick (inch) and t = thick / b; the
// single line aims at `z0_target` (ohm).
StriplineDimensions synthesise_stripline(const FilterRequirements& filter, const Qvnzo& qvnzo, float er, float b,
                                         float thick, float t, float z0_target);

// Computes the dimensions from the entered system impedance, keeps widths and
// gaps (relative to B) and lengths in `state`, replaces `state.filter.z0` by
// the impedance of the width found and prints the table and closing lines;
// returns the dimensions.
StriplineDimensions run_stripline_dimensions(DesignState& state, Report& report);

}  // namespace quorvane
