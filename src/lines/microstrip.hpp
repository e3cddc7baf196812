// Single microstrip line above a ground plane, optionally under a metal top
// cover: quasi-static analysis, frequency dispersion and width synthesis.
//
//   msimp  Hammerstad-Jensen static model with thickness and cover corrections
//   mszo   Kirschning-Jansen dispersion of the effective dielectric constant,
//          Jansen-Kirschning dispersion of the characteristic impedance
//   mswh   Wheeler's synthesis formula as first width, refined by a
//          step-halving search against msimp and mszo
//
// The models compute and never print; mswh reports an unrealizable width
// through `isyne` and leaves the message to the dialogue.
#pragma once

namespace quorvane {

namespace lines {
// Free-space wave impedance, ohm (single-precision 376.73046875).
inline constexpr float eta = 376.73047f;
inline constexpr float pi = 3.1415927f;
inline constexpr float ln2 = 0.693147182f;
}  // namespace lines

// Intermediate results of the last single-strip evaluation.
struct Msimp1 {
  float effdc = 0.0f;  // static effective dielectric constant
  float u = 0.0f;      // width-to-height ratio used by the last evaluation
  float weff = 0.0f;   // effective width after the thickness correction
  float zodc = 0.0f;   // static characteristic impedance, ohm
  float zoa = 0.0f;    // impedance of the same strip in air (cover-corrected), ohm
};

// Result of the last single-strip evaluation at frequency.
struct Mszo1 {
  float eff = 0.0f;  // effective dielectric constant at the frequency
  float zof = 0.0f;  // characteristic impedance at the frequency, ohm
};

// Quasi-static analysis of one strip.  Lengths in one common unit (only their
// ratios enter): er relative dielectric constant, h1 substrate height, h2
// cover height above the ground plane (h2/h1 > 100 means no cover), t strip
// thickness, w strip width.
Msimp1 msimp(float er, float h1, float h2, float t, float w);

// Dispersion of one strip.  effdc and zodc (ohm) are the static results of
// msimp for the same width; f_ghz in GHz, h1 and w in inch.  er = 1 or
// f_ghz = 0 returns the static values unchanged.
Mszo1 mszo(float effdc, float er, float f_ghz, float h1, float w, float zodc);

// The part of mszo that does not depend on the frequency: the static values
// and every term of [KJ82] and [JK83] that only the strip and the substrate
// determine, each formed exactly as mszo forms it, so that mszo(strip, f)
// gives the bits of mszo(effdc, er, f, h1, w, zodc).
struct StripDispersion {
  float effdc = 0.0f, er = 0.0f, h1 = 0.0f, u = 0.0f, zodc = 0.0f;
  // Dielectric constant [KJ82].
  float p1_tail = 0.0f, p2 = 0.0f, p3_base = 0.0f, p4 = 0.0f, er_less_effdc = 0.0f;
  // Impedance [JK83].
  float r4 = 0.0f, r6 = 0.0f, r7 = 0.0f, r12 = 0.0f, y_coef = 0.0f, r15_coef = 0.0f;
  float r16_coef = 0.0f, r16_width = 0.0f;
  float r9_log10_r4 = 0.0f, r9_log10_e6 = 0.0f, r9_den_er = 0.0f, r9_log10_e = 0.0f, r9_coef = 0.0f,
        r9_den = 0.0f;
};
StripDispersion prepare_strip_dispersion(float effdc, float er, float h1, float w, float zodc);
Mszo1 mszo(const StripDispersion& strip, float f_ghz);

// The terms of the single-strip and coupled dispersion models that depend on
// the normalised frequency fn = 25.4 f h (GHz*mm) alone: at one frequency
// every strip and section on one substrate shares them.  Each is formed
// exactly as the models form it.
struct FrequencyTerms {
  bool formed = false;  // by frequency_terms, for fn
  float fn = 0.0f;
  // Single strip [KJ82], [JK83] (the last five also in the coupled even mode).
  float pow20 = 0.0f, t38 = 0.0f, p28 = 0.0f, log10_p28 = 0.0f, y_pow = 0.0f, r11 = 0.0f, r15_pow = 0.0f, pow115656 = 0.0f;
  // Coupled dielectric constants [KJ84].
  float e18 = 0.0f, tp = 0.0f, p11 = 0.0f, p14 = 0.0f;
  // Coupled mode impedances [KJ84].
  float x491 = 0.0f, fn15cube = 0.0f, z = 0.0f, fn24cube1 = 0.0f, fnsq = 0.0f, fnsq10 = 0.0f, q23_f = 0.0f,
        q22_f = 0.0f, fn005 = 0.0f;
};
FrequencyTerms frequency_terms(float fn);

// `shared` when it was formed for fn (bit for bit), else `local` formed for it.
const FrequencyTerms& terms_for(float fn, const FrequencyTerms& shared, FrequencyTerms& local);

// mszo with the frequency terms of another evaluation at the same frequency.
Mszo1 mszo(const StripDispersion& strip, float f_ghz, const FrequencyTerms& shared);

// Wheeler's closed-form width (inch) of a strip of impedance zod (ohm) on a
// substrate of height h1 (inch): the first width of mswh.
float wheeler_width(float er, float h1, float zod);

// Below this first width (inch) mswh gives up: the strip is unrealizable.
inline constexpr float kMswhMinWheelerWidth = 0.000025f;

// Bounds of the refinement search of mswh.  Searches that cannot reach the
// wanted impedance end within a few dozen steps because the width leaves the
// range kMswhMinSearchWidth .. kMswhMaxWidthRatio heights, the models stop
// giving a number, or a step no longer changes the width (it would repeat
// forever).  A width outside that range belongs to no buildable strip, and
// the other two tests never fire in a search that converges.  The
// step cap is a last guard only: converging searches take up to about 130
// steps below 40 GHz*mm and a few thousand far beyond (a quarter-inch
// substrate at 100 GHz), because the width then grows in linear steps from
// Wheeler's quasi-static first width.  The cap lies far above both.
inline constexpr int kMswhMaxSteps = 100000;
inline constexpr float kMswhMinSearchWidth = 1e-7f;  // inch
inline constexpr float kMswhMaxWidthRatio = 1000.0f;

// The two message lines the dialogue prints (each after 6 blanks, following
// an empty line) when mswh returns isyne = 1.
inline constexpr const char* kMswhUnrealizableLine1 =
    "The Impedance requires an unrealizable Strip Width.";
inline constexpr const char* kMswhUnrealizableLine2 =
    "Strip Width SYNTHESIS calculations terminated by Microstrip.";

struct MswhResult {
  // Strip width, inch: the converged width; when isyne = 1 Wheeler's width
  // below kMswhMinWheelerWidth, 0 when Wheeler's formula gives no finite
  // width (zod = 0, not a number), else the last width the search evaluated.
  float w = 0.0f;
  int isyne = 0;  // 0 converged; 1 unrealizable or the search did not converge
  // The records of the returned width.  When Wheeler's width was already
  // unrealizable nothing was evaluated: evaluated is false and the records
  // are zero (the caller's earlier records stand).
  Msimp1 msimp1;
  Mszo1 mszo1;
  bool evaluated = false;
  int steps = 0;  // refinement steps after the first evaluation
};

// Width (inch) of a strip whose dispersive impedance at f_ghz equals zod
// (ohm), within a relative 0.0001.  h1, h2, t in inch.
MswhResult mswh(float er, float f_ghz, float h1, float h2, float t, float zod);

}  // namespace quorvane
