// Chain matrix of one edge-coupled stripline section of a parallel coupled
// line filter, diagonally opposite ends as ports and the other two ends open.
//
// References
//   E. M. T. Jones and J. T. Bolljahn, "Coupled-strip-transmission-line
//     filters and directional couplers", IRE Trans. MTT, vol. MTT-4, no. 2,
//     pp. 75-81, April 1956.
//   G. L. Matthaei, L. Young and E. M. T. Jones, "Microwave Filters,
//     Impedance-Matching Networks, and Coupling Structures", McGraw-Hill,
//     1964 (equivalent circuit of the open-ended coupled pair: series
//     open stub of Zoo, line of (Zoe - Zoo)/2, series open stub of Zoo).
#pragma once

#include "analysis/chain_matrix.hpp"
#include "analysis/losses.hpp"

namespace quorvane {

// The two elements of a coupled stripline section at one frequency: the
// series open-circuited stub of the odd-mode impedance, Zoo coth(gamma_o l),
// and the line of impedance (zoe - zoo)/2.  Both modes share the electrical
// length (homogeneous dielectric); the stubs carry the odd-mode attenuation,
// the line the mean of both modes.
//   freq_mhz: analysis frequency, MHz; er: relative dielectric constant;
//   length: section length, inch; b, t, s: ground-plane spacing, strip
//   thickness and gap, inch (b = 0 with all losses 0 for an ideal section);
//   w: strip width, inch (does not enter the stripline model);
//   zoe, zoo: even/odd-mode impedance, ohm; loss: resistivity, roughness and
//   loss tangent passed to sl1los.
struct StriplineElements {
  ChainMatrix stub;  // S
  ChainMatrix line;  // L
};
StriplineElements qvnasl_elements(float freq_mhz, float er, float length, float b, float t, float w, float s,
                                  float zoe, float zoo, const LossParameters& loss);

// What does not depend on the frequency for one section: its length and
// impedances, sqrt(er), the line impedance and the loss terms.
struct StriplineSection {
  float length = 0.0f, zoe = 0.0f, zoo = 0.0f, sqrter = 0.0f, tempz0 = 0.0f, temp1 = 0.0f;
  StriplineLoss loss;
};
StriplineSection prepare_stripline_section(float er, float length, float b, float t, float s, float zoe,
                                           float zoo);
StriplineElements qvnasl_elements(const StriplineSection& section, float freq_mhz, const LossParameters& loss);

// rsc <- S (L (S rsc)): each element multiplied into the chain from the left.
void apply(const StriplineElements& elements, ChainMatrix& rsc);

// The section at freq_mhz multiplied into the running chain matrix from the
// left, rsc <- S L S rsc; the arguments are those of qvnasl_elements.
void qvnasl(float freq_mhz, float er, float length, float b, float t, float w, float s, float zoe,
            float zoo, const LossParameters& loss, ChainMatrix& rsc);

}  // namespace quorvane
