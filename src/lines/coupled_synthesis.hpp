// Synthesis of a symmetric edge-coupled microstrip section: the strip width
// and gap whose dispersive even- and odd-mode impedances at the design
// frequency equal wanted values.  A closed-form first guess (Wheeler per mode,
// combined after Akhtarzad, Rowbotham and Johns) is refined by a gap search on
// the coupling coefficient nested in a width search on the mean impedance,
// each step evaluating lcwta, mscuppv, ms1imp, lceff and lcdis.
#pragma once

#include "lines/coupled_dispersion.hpp"
#include "lines/microstrip.hpp"

namespace quorvane {

// Voltage coupling coefficient and geometric-mean impedance of a mode pair.
struct CouplingTarget {
  float cc = 0.0f;  // (zoe - zoo)/(zoe + zoo), as (1 - zoo/zoe)/(1 + zoo/zoe)
  float zo = 0.0f;  // sqrt(zoe*zoo), ohm
};

CouplingTarget sl1zo(float zoe, float zoo);

// Closed-form first geometry of msws, inch.
struct MswsFirstGuess {
  float whe = 0.0f;  // width-to-height ratio of a single strip of zoed/2
  float who = 0.0f;  // width-to-height ratio of a single strip of zood/2
  float w = 0.0f;    // strip width
  float s = 0.0f;    // gap, never below 0.0005 inch
};

// er relative dielectric constant, h substrate height (inch), zoed and zood
// the wanted even- and odd-mode impedances (ohm).
MswsFirstGuess msws_first_guess(float er, float h, float zoed, float zood);

// Bounds of the two searches.  A search that cannot reach its targets ends
// at once when the gap leaves the range kMswsMinGap (one nanometre) ..
// kMswsMaxGapRatio heights, when the width falls below kMswsMinWidth, when
// the models stop giving a number, or when a gap step no longer moves the
// gap (it would repeat forever).  No buildable section lies outside those
// ranges, and the other tests never fire in a search that converges.  The
// evaluation budget is a last guard for both loops together: converging
// sections take up to about 1300 evaluations (couplings near 0.8, thick
// strips, 30 GHz), most far fewer; the budget lies far above.
inline constexpr int kMswsMaxEvaluations = 100000;
inline constexpr float kMswsMinGap = 3.937e-8f;    // inch
inline constexpr float kMswsMaxGapRatio = 1000.0f;  // gap / substrate height
inline constexpr float kMswsMinWidth = 1e-7f;      // inch

struct MswsResult {
  float w = 0.0f;  // strip width, inch
  float s = 0.0f;  // gap, inch
  // 0 converged (or a width pass left the width unchanged); 1 or 2 the
  // search stopped on an implausible geometry (as flagged by ms1imp or
  // lcdis); 1 also when the strip became wider than 11 heights, when the
  // targets admit no coupled pair, or when a search bound stopped it.
  int iflag = 0;
  // The last evaluated geometry (w, s); all zero when none was evaluated.
  Lceff1 lceff1;
  Lcdis1 lcdis1;
  Msimp1 msimp1;
  Mszo1 mszo1;
  MswsFirstGuess first_guess;  // the closed-form start of the search
  int passes = 0;              // width passes begun
  int evaluations = 0;         // evaluations of the model chain
};

// f_ghz design frequency (GHz); h substrate height, h2 cover height (callers
// pass 100*h), t strip thickness, all in inch; zoed, zood wanted even- and
// odd-mode impedances at f_ghz (ohm).
MswsResult msws(float er, float f_ghz, float h, float h2, float t, float zoed, float zood);

}  // namespace quorvane
