// The filter as its copper is drawn: every coupled section as the four-port
// of its even and odd modes, each mode's phase taken from the drawn physical
// length and its own effective dielectric constant, the two open ends of the
// section loaded by the open-end capacitance of its strip, the sections
// cascaded between the source and load impedances.
//
// Four-port of a symmetric coupled pair (ports a0, aL on one strip, b0, bL
// on the other): with Y = 1/Z of each mode and gl its propagation over the
// length,
//   y1 = (Ye coth(ge l) + Yo coth(go l))/2,  y2 = -(Ye csch(ge l) + Yo csch(go l))/2,
//   y3 = (Ye coth(ge l) - Yo coth(go l))/2,  y4 = -(Ye csch(ge l) - Yo csch(go l))/2,
// the admittance matrix is [y1 y2 y3 y4; y2 y1 y4 y3; y3 y4 y1 y2; y4 y3 y2 y1]
// (Zysman and Johnson, IEEE Trans. MTT-17, 1969, for unequal mode phases).
// The open ports aL and b0 carry the end admittance Yc = j w C; eliminating
// them leaves the two-port a0 -> bL, whose blocks all share the eigenvectors
// (1, 1) and (1, -1):
//   Y+ = (y1 + y4) - (y2 + y3)^2 / (y1 + y4 + Yc),
//   Y- = (y1 - y4) - (y2 - y3)^2 / (y1 - y4 + Yc),
//   Y11 = Y22 = (Y+ + Y-)/2,  Y21 = (Y+ - Y-)/2.
// With Yc = 0 this is the open-circuited pair of Jones and Bolljahn (IRE
// Trans. MTT-4, 1956) that the analysis of the dialogue chains.
//
// The line models are those of that analysis: for microstrip the
// Kirschning-Jansen coupled-line statics and dispersion with the microstrip
// losses, for stripline the design's mode impedances, er and the stripline
// losses.  The open ends: Kirschning, Jansen and Koster for microstrip
// (lines/microstrip_open_end.hpp), the Altschuler-Oliner extension that the
// stripline report prints as a capacitance for stripline.
#pragma once

#include <complex>
#include <vector>

#include "analysis/chain_matrix.hpp"
#include "analysis/losses.hpp"
#include "analysis/microstrip_section.hpp"

namespace quorvane {

enum class DrawnConstruction { Microstrip, Stripline };

// One coupled section as drawn (section K = 1 ... N+1 in order).
struct DrawnSection {
  float w = 0.0f;       // strip width, inch
  float s = 0.0f;       // gap, inch
  float length = 0.0f;  // drawn physical length of the coupled strips, inch
  // Mode impedances (ohm) are the line model's times these factors.
  // Stripline: Cohn's coupled-strip design equations read forward from w, s,
  // B, T, er; the reconstruction from a report sets them so that the
  // report's geometry gives the design's impedances.  Microstrip: 1, or a
  // correction of the Kirschning-Jansen statics (a field solution of the
  // cross-section over the closed form), carried across the band by their
  // dispersion.
  float zoe_scale = 1.0f;
  float zoo_scale = 1.0f;
  // Microstrip only: factors on the square roots of the mode effective
  // dielectric constants, the same kind of correction (1: the line model's).
  float sqe_scale = 1.0f;
  float sqo_scale = 1.0f;
  // Stripline only: open-end capacitance of the strip, pF, as the report
  // prints it; 0 or less: from the geometry by the Altschuler-Oliner
  // extension (the formula the report prints it from).  Unused for microstrip.
  float open_end_pf = 0.0f;
  // Phase reference, MHz: when both are > 0 each mode's phase is
  // (pi/2) f sqrt(eff(f)) / freqoe (freqoo), a quarter wave at the
  // reference, instead of following the drawn length (see
  // use_quarter_wave_phases).
  float freqoe = 0.0f;
  float freqoo = 0.0f;
};

struct DrawnFilter {
  DrawnConstruction construction = DrawnConstruction::Microstrip;
  float er = 0.0f;  // relative dielectric constant
  float h = 0.0f;   // substrate height H (microstrip) or ground-plane spacing B (stripline), inch
  float t = 0.0f;   // strip thickness, inch
  float f0 = 0.0f;  // design centre frequency, MHz (the open ends are taken at f0)
  std::vector<DrawnSection> sections;
  LossParameters loss{0.0f, 0.0f, 0.0f};  // res ohm inch, sr inch, tlos (as the analysis uses them)
  float zs = 50.0f, zl = 50.0f;            // source and load impedance, ohm
  bool open_ends = true;  // false: ideal open circuits (no end capacitance)
  // Shunt capacitance, pF, at the outer end of the first and of the last
  // section: the width step between a feed line and its coupled strip (0:
  // none, the sections alone).
  float step_first_pf = 0.0f, step_last_pf = 0.0f;
};

// The open end of one section's strips.
struct OpenEnd {
  float dl = 0.0f;      // length extension, inch
  float cap_pf = 0.0f;  // capacitance, pF
};

// Open ends of every section of the copper, from its geometry (microstrip:
// Kirschning-Jansen-Koster with the strip's dispersive effective dielectric
// constant and impedance at f0; stripline: open_end_pf, or the geometry).
std::vector<OpenEnd> open_ends(const DrawnFilter& filter);

// Mode values of one section at one frequency.
struct ModeValues {
  float ze = 0.0f, zo = 0.0f;    // mode impedances, ohm
  float sqe = 0.0f, sqo = 0.0f;  // square roots of the mode effective dielectric constants
  float ae = 0.0f, ao = 0.0f;    // mode attenuation, neper per inch
};

// The frequency-independent work for one copper: static line-model results,
// loss geometry, open ends, and the mode values at the nodes of the band
// [fmin, fmax] (MHz) that the response interpolates.
struct PreparedDrawnFilter {
  struct Section {
    MicrostripSection microstrip;  // microstrip: statics and loss geometry
    float zoe = 0.0f, zoo = 0.0f;  // stripline: mode impedances, ohm
    float ke = 0.0f, ko = 0.0f;    // phase per MHz and per sqrt(eff), rad/MHz
    float length = 0.0f;           // drawn length, inch
    float bc = 0.0f;               // end susceptance per MHz, siemens/MHz (0: ideal open)
    std::vector<ModeValues> nodes;
  };
  DrawnFilter filter;
  std::vector<Section> sections;
  float fmin = 0.0f, fmax = 0.0f, step = 0.0f;  // node grid, MHz
  int node_count = 0;                           // 0: no band, every frequency evaluated directly
};

PreparedDrawnFilter prepare_drawn_filter(const DrawnFilter& filter, float fmin_mhz, float fmax_mhz);

struct DrawnResponse {
  std::complex<float> s11;
  std::complex<float> s21;
};

// S11 and S21 between zs and zl at freq_mhz (> 0).  Inside the prepared band
// the mode values are interpolated (4-point Lagrange on nodes at most 2 % of
// fmax apart, within a few parts per million of the line models); outside it
// they are evaluated directly, several times slower.
DrawnResponse drawn_response(const PreparedDrawnFilter& prepared, float freq_mhz);

// The mode values of one prepared section evaluated directly at freq_mhz.
ModeValues mode_values(const PreparedDrawnFilter& prepared, size_t section, float freq_mhz);

// Mode impedances (ohm) of edge-coupled strips between ground planes b apart
// by Cohn's thick coupled-strip design equations (those of the stripline
// synthesis) read from the geometry: er; b, t, w, s in inch.
struct StriplineModes {
  float zoe = 0.0f, zoo = 0.0f;
};
StriplineModes cohn_mode_impedances(float er, float b, float t, float w, float s);

// Sets freqoe and freqoo of every section to the phases of the stored
// analysis: for microstrip f0 sqrt(eff(f0)) of each mode, each mode exactly
// a quarter wave at f0 whatever the length; for stripline the report's
// quarter guide wavelength before it was rounded to the printed digits.
void use_quarter_wave_phases(DrawnFilter& filter);

// Chain matrix of one section from its mode impedances (ohm), attenuations
// over the length (neper) and electrical lengths (rad), by the four-port
// reduction above; bc: end susceptance j w C of each open end, siemens.
ChainMatrix four_port_section(float ze, float zo, float alpha_e, float theta_e, float alpha_o, float theta_o,
                              float bc);

// Centre of a response: the middle of its -3 dB points, the two frequencies
// (interpolated linearly) nearest the peak on either side where S21 falls
// 3 dB below its peak (the passband loss of a filter of many poles can
// itself exceed 3 dB); NaN when a crossing lies outside the table.
float centre_frequency(const std::vector<float>& freq_mhz, const std::vector<float>& s21_db);

}  // namespace quorvane
