// Microstrip dimensional synthesis: the strip width and gap of every coupled
// section (coupled-microstrip synthesis at the design frequency), the
// quarter-wave resonator lengths from the mode effective dielectric
// constants, the single line of the system impedance, and the frequency
// limits for higher-order modes on the substrate.
#pragma once

#include <vector>

#include "dialogue/design_state.hpp"
#include "dialogue/storage.hpp"

namespace quorvane {

// Permeability of free space in nH per inch, for the transverse-electric limit in GHz.
inline constexpr float uo = 31.92f;

struct MicrostripSectionSize {
  float w = 0.0f;        // strip width, inch
  float s = 0.0f;        // gap, inch
  int iflag = 0;         // flag of the coupled synthesis (0 converged); not examined
  float effef = 0.0f;    // even-mode effective dielectric constant at f0
  float effof = 0.0f;    // odd-mode effective dielectric constant at f0
  float effcf = 0.0f;    // impedance-weighted effective dielectric constant
  float flength = 0.0f;  // resonator length, inch
  float freqoe = 0.0f;   // f0 * sqrt(effef), MHz
  float freqoo = 0.0f;   // f0 * sqrt(effof), MHz
};

struct MicrostripDimensions {
  std::vector<MicrostripSectionSize> sections;  // sections 1 ... N+1 in order
  float total = 0.0f;  // sum of the resonator lengths, inch
  float wofz0 = 0.0f;  // width of a single line of impedance z0, inch
  int isyne = 0;       // 1 when that width could not be found
  float eff = 0.0f;    // effective dielectric constant of that line at f0
  float qwave = 0.0f;  // quarter wavelength on that line at f0, inch
  float effdc = 0.0f;  // static effective dielectric constant of that line
  float tmc = 0.0f;    // surface-wave limit, GHz
  float tec = 0.0f;    // lowest TE-mode limit, GHz
};

// Impedance-weighted effective dielectric constant of a coupled section:
// ((zoe sqrt(effef) + zoo sqrt(effof)) / (zoe + zoo))^2.
float weighted_effective_dielectric(float zoe, float zoo, float effef, float effof);

// Quarter wavelength, inch, at f0 (MHz) on a line of effective dielectric
// constant `eff`.
float microstrip_quarter_wave(float eff, float f0);

// Lowest surface-wave mode on a grounded substrate of height b (inch), GHz,
// capped at 999.999; an air substrate (er at or below 1) has none.
float surface_wave_limit(float er, float b);

// Lowest transverse-electric mode under a strip of impedance z0 (ohm) with
// static effective dielectric constant effdc, GHz, capped at 999.999.
float te_mode_limit(float z0, float er, float effdc, float b);

// The whole synthesis from the even- and odd-mode impedances of `qvnzo`,
// aiming the single line at z0 (ohm).  b (substrate height) and thick
// (strip thickness) in inch.
MicrostripDimensions synthesise_microstrip(const FilterRequirements& filter, const Qvnzo& qvnzo, float er, float b,
                                           float thick, float z0);

// Computes the dimensions, keeps widths, gaps, lengths and reference
// frequencies in `state` and prints the table and the closing lines;
// returns the dimensions.
MicrostripDimensions run_microstrip_dimensions(DesignState& state, Report& report);

}  // namespace quorvane
