// Chain matrix of one edge-coupled microstrip section of a parallel coupled
// line filter, diagonally opposite ends as ports and the other two ends open,
// with dispersion and losses: the even and odd modes are two independent
// lossy lines, each with its own frequency-dependent impedance, effective
// dielectric constant and attenuation, and the two-port follows from the
// open-circuit impedance parameters of the coupled pair,
//   Z11 = Z22 = (Ze coth(ge l) + Zo coth(go l)) / 2,
//   Z21 = (Ze csch(ge l) - Zo csch(go l)) / 2,
//   A = D = Z11/Z21, B = (Z11^2 - Z21^2)/Z21, C = 1/Z21.
//
// References
//   E. M. T. Jones and J. T. Bolljahn, "Coupled-strip-transmission-line
//     filters and directional couplers", IRE Trans. MTT, vol. MTT-4, no. 2,
//     pp. 75-81, April 1956 (open-circuit parameters of the coupled pair).
//   G. I. Zysman and A. K. Johnson, "Coupled transmission line networks in
//     an inhomogeneous dielectric medium", IEEE Trans. MTT, vol. MTT-17,
//     no. 10, pp. 753-759, Oct. 1969 (unequal mode phase velocities).
//   M. Kirschning and R. H. Jansen, "Accurate wide-range design equations for
//     the frequency-dependent characteristic of parallel coupled microstrip
//     lines", IEEE Trans. MTT, vol. MTT-32, no. 1, pp. 83-90, Jan. 1984
//     (the mode dielectric constants and impedances at frequency).
#pragma once

#include "analysis/chain_matrix.hpp"
#include "analysis/losses.hpp"
#include "dialogue/design_state.hpp"
#include "lines/coupled_dispersion.hpp"
#include "lines/coupled_microstrip.hpp"

namespace quorvane {

// What does not depend on frequency for one section: its geometry, its
// reference frequencies and the static line-model results, including the
// conductor-loss derivatives.
struct MicrostripSection {
  float er = 0.0f;      // relative dielectric constant
  float length = 0.0f;  // physical length, inch (enters the attenuation only)
  float h = 0.0f;       // substrate height, inch
  float h2 = 0.0f;      // cover height argument of the line models, 100 h
  float t = 0.0f;       // strip thickness, inch
  float w = 0.0f;       // strip width, inch
  float s = 0.0f;       // gap, inch
  float freqoe = 0.0f;  // f0 sqrt(even-mode effective dielectric constant at f0), MHz
  float freqoo = 0.0f;  // the same for the odd mode, MHz
  Ms1losGeometry geometry;  // mode widths, static dielectric constants, loss derivatives
  ModeImpedance statics;    // static mode impedances and the plausibility flag
  LceffSection dielectric;  // the frequency-independent terms of lceff ...
  LcdisSection dispersion;  // ... and of lcdis
};

MicrostripSection prepare_microstrip_section(float er, float length, float h, float t, float w, float s,
                                             float freqoe, float freqoo);

// The two modes of a section at one frequency.
struct CoupledModes {
  float ze = 0.0f;       // even-mode impedance at the frequency, ohm
  float zo = 0.0f;       // odd-mode impedance at the frequency, ohm
  float alpha_e = 0.0f;  // even-mode attenuation over the length, neper
  float alpha_o = 0.0f;  // odd-mode attenuation over the length, neper
  float theta_e = 0.0f;  // even-mode electrical length, rad
  float theta_o = 0.0f;  // odd-mode electrical length, rad
};

// freq_mhz: analysis frequency, MHz; loss: resistivity, roughness and loss
// tangent.  The impedances are always the dispersive ones of lcdis, and the
// electrical lengths use the dielectric constants of the same lceff
// evaluation, whatever the loss tangent.
CoupledModes qvnams_modes(const MicrostripSection& section, float freq_mhz, const LossParameters& loss);
// What depends on the frequency but not on the section: the dispersion terms
// of the substrate's normalised frequency and the loss terms.
struct SharedFrequency {
  FrequencyTerms dispersion;
  Ms1losFrequency losses;
};
SharedFrequency section_frequency_terms(const MicrostripSection& section, float freq_mhz,
                                        const LossParameters& loss);
// The same with those terms formed once for all the sections of a filter
// (each part is used only where it was formed for the same inputs).
CoupledModes qvnams_modes(const MicrostripSection& section, float freq_mhz, const LossParameters& loss,
                          const SharedFrequency& shared);

// The chain matrix of the open-ended coupled pair from its two modes.
ChainMatrix coupled_section_matrix(const CoupledModes& modes);

// rsc <- (section matrix) rsc.
void qvnams(const MicrostripSection& section, float freq_mhz, const LossParameters& loss, ChainMatrix& rsc);

// The same for section i (1 ... N+1) of the design, its reference
// frequencies taken from qvna1: er relative dielectric constant; length, h,
// t, w, s in inch.
void qvnams(int i, float freq_mhz, float er, float length, float h, float t, float w, float s,
            const LossParameters& loss, const Qvna1& qvna1, ChainMatrix& rsc);

}  // namespace quorvane
