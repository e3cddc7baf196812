// Stripline: a strip of width w and thickness t centred between two ground
// planes b apart in a homogeneous dielectric er.  Single-strip impedance and
// width synthesis, and the width and gap of edge-coupled strips from their
// even- and odd-mode impedances.
//
// References
//   H. A. Wheeler, "Transmission-line properties of a strip line between
//     parallel planes", IEEE Trans. MTT, vol. MTT-26, no. 11, pp. 866-876,
//     Nov. 1978 (thick-strip impedance and its inverse).
//   S. B. Cohn, "Characteristic impedance of the shielded-strip transmission
//     line", IRE Trans. MTT, vol. MTT-2, pp. 52-57, July 1954 (zero-thickness
//     strip, elliptic-integral ratio, wide-strip form).
//   W. Hilberg, "From approximations to exact relations for characteristic
//     impedances", IEEE Trans. MTT, vol. MTT-17, no. 5, pp. 259-265, May 1969
//     (closed form of K(k)/K'(k)).
//   S. B. Cohn, "Shielded coupled-strip transmission line", IRE Trans. MTT,
//     vol. MTT-3, no. 5, pp. 29-38, Oct. 1955 (fringing-capacitance design
//     equations of thick coupled strips, narrow-strip correction).
//   S. B. Cohn, "Problems in strip transmission lines", IRE Trans. MTT,
//     vol. MTT-3, no. 2, pp. 119-126, March 1955 (fringing capacitance
//     C'f of a thick strip).
#pragma once

#include "dialogue/section_table.hpp"

namespace quorvane {

// The texts the dialogue prints (after an empty line, each indented by 6
// blanks) when slwb reports an unrealisable width (isyne = 1).
inline constexpr const char* kSlwbUnrealizableWidth =
    "The Impedance requires an unrealizable Strip Width.";
inline constexpr const char* kSlwbSynthesisTerminated =
    "Strip Width SYNTHESIS calculations terminated.";

// Narrowest strip slwb accepts, in the length unit of its arguments.
inline constexpr float kSlwbMinimumWidth = 0.00005f;
// Safety cap on the step-halving search of slwb.  The search ends by itself
// once a step leaves the width unchanged: the step only shrinks from then on,
// so nothing can change any more.  Every step before that moves the width by
// at least 2/3 of a step size that is fixed until the first halving, and the
// width stops moving once it exceeds 2^25 step sizes, so fewer than 2^26
// steps pass before the search ends: the cap is never reached by a search
// that can still converge.
inline constexpr long kSlwbMaxSteps = 1L << 26;
// Safety cap on the gap refinement of slws.  The refinement starts below
// 0.35 b from a gap of at least 3.8e-8 b (the smallest positive zero-
// thickness inversion); for strips up to about 0.96 b thick it ends before
// the gap passes 5 b, which takes under 1900 steps of 1.01 (about 1300 at
// most in practice).  The cap only stops a refinement that cannot end: a
// thicker strip, whose fringing term (X+1)^(X+1) overflows single precision,
// or a non-finite input.
inline constexpr int kSlwsMaxGapSteps = 4000;

// Characteristic impedance (ohm) of a single strip.  b, t, w in one common
// length unit.  Wheeler's thick-strip formula for t != 0; for t = 0 Cohn's
// zero-thickness formula with Hilberg's ratio up to w/b = 1.5 and Cohn's
// wide-strip formula above.
float slzo(float b, float er, float t, float w);

struct SlwbResult {
  float w;    // strip width, length unit of b (the rejected width when isyne = 1;
              // 0 when the closed form has no value for the impedance)
  float zo;   // impedance of w, ohm; the wanted impedance when the closed-form
              // width is already rejected (a width rejected during the search
              // returns its own impedance)
  int isyne;  // 0 width found, 1 the impedance needs a width below kSlwbMinimumWidth
  bool converged;  // false when the search ended without reaching the 0.1 %
                   // tolerance: a step no longer moved the width (or the cap)
  long steps;      // search steps taken after the closed-form width
};

// Width of a single strip of impedance zo_wanted (ohm): closed-form inverse
// (Cohn/Hilberg for t = 0, Wheeler for t != 0), then a step-halving search
// against slzo until the impedance lies within 0.1 % of the target.
// The dialogue prints kSlwbUnrealizableWidth and kSlwbSynthesisTerminated
// when isyne is 1.
SlwbResult slwb(float b, float er, float t, float zo_wanted);

// Thickness-dependent constants of the coupled-strip synthesis.
struct SlwsSubstrate {
  float t;       // strip thickness / b
  float sqrter;  // sqrt(er)
  float cf0;     // fringing capacitance / permittivity of a zero-thickness edge
  float cftb;    // the same for thickness t
  float cftb75;  // the same for thickness 0.75 t
  float check;   // narrow-strip limit of w/b: 0.35 (1 - t)
  float d1;      // narrow-strip correction term: 0.07 (1 - t) / 1.2
};
SlwsSubstrate slws_substrate(float t, float er);

// One coupled section.  All lengths are divided by b.
struct CoupledStripSection {
  float w;           // strip width / b; NaN when not realisable
  float s;           // gap / b; NaN when not realisable
  bool realizable;   // false when the width (before the narrow-strip
                     // correction) or the gap is not positive and finite,
                     // the gap refinement did not end, or t >= 1
  float delctb;      // wanted odd-minus-even fringing capacitance / permittivity
  float delc0;       // its zero-thickness equivalent, delctb / (1 + 4.5 t)
  float s0;          // gap / b of the zero-thickness inversion
  int gap_steps;     // steps of 1.01 taken by the gap refinement
};
CoupledStripSection slws_section(const SlwsSubstrate& sub, float zoe, float zoo);

struct SlwsResult {
  SectionValues w;                // width / b of sections 1..n+1
  SectionValues s;                // gap / b of sections 1..n+1
  SectionTable<bool> realizable;  // per section, see CoupledStripSection
};

// Width and gap (divided by b) of coupled sections 1..n+1 from their even-
// and odd-mode impedances zoe, zoo (ohm, indexed by section like the result);
// t is the strip thickness divided by b.  n is clamped to 0..12; entries of
// the result beyond n+1 stay 0 and false.
SlwsResult slws(int n, float t, float er, const SectionValues& zoe, const SectionValues& zoo);

}  // namespace quorvane
