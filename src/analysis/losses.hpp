// Conductor and dielectric attenuation of coupled-line sections, dB per inch:
// sl1los for edge-coupled stripline (frequency in MHz) and ms1los for
// edge-coupled microstrip (frequency in GHz).  Both start from the surface resistance with Hammerstad's roughness factor.
//
// References
//   E. Hammerstad and F. Bekkadal, "Microstrip Handbook", ELAB report
//     STF44 A74169, University of Trondheim, 1975, and E. Hammerstad and
//     O. Jensen, "Accurate models for microstrip computer-aided design",
//     IEEE MTT-S Int. Microwave Symp. Digest, pp. 407-409, 1980 (roughness
//     factor 1 + (2/pi) atan(1.4 (delta/skin depth)^2)).
//   S. B. Cohn, "Problems in strip transmission lines", IRE Trans. MTT,
//     vol. MTT-3, no. 2, pp. 119-126, March 1955 (thick-strip stripline
//     conductor loss, 0.0231 Rs sqrt(er) / (30 pi (b - t)) (60 pi + ...)).
//   S. B. Cohn, "Shielded coupled-strip transmission line", IRE Trans. MTT,
//     vol. MTT-3, no. 5, pp. 29-38, Oct. 1955 (even and odd modes of
//     coupled strips).
//   H. A. Wheeler, "Formulas for the skin effect", Proc. IRE, vol. 30,
//     pp. 412-424, Sept. 1942 (incremental-inductance rule of ms1los).
//   R. A. Pucel, D. J. Masse and C. P. Hartwig, "Losses in microstrip", IEEE
//     Trans. MTT, vol. MTT-16, no. 6, pp. 342-350, June 1968 (filling-factor
//     form of the microstrip dielectric loss).
#pragma once

#include "lines/coupled_dispersion.hpp"
#include "lines/coupled_microstrip.hpp"

namespace quorvane {

// Conductor and dielectric loss parameters of an analysis.
struct LossParameters {
  float res;   // conductor resistivity, ohm inch (0: lossless conductor)
  float sr;    // RMS surface roughness, inch
  float tlos;  // dielectric loss tangent
};

// Even- and odd-mode attenuation of a coupled section, dB per inch.
struct ModeAttenuation {
  float ate;
  float ato;
};

// Constants of the two frequency scales.  uo is the permeability of free
// space (4 pi 2.54 nH per inch) scaled so that f * uo is the frequency in hertz
// times mu0 in henry per inch; c is the speed of light in inch times the
// frequency unit.
inline constexpr float kLossPi = 3.14159274f;
inline constexpr float kUoGHz = 31.918581f;      // f in GHz (ms1los)
inline constexpr float kLightGHz = 11.8028545f;  // inch GHz
inline constexpr float kUoMHz = 0.0319185816f;   // f in MHz (sl1los)
inline constexpr float kLightMHz = 11802.8545f;  // inch MHz
inline constexpr float kEtaMicrostrip = 376.730469f;  // free-space impedance of ms1los, ohm
inline constexpr float kDbPerNeper = 8.686f;

// Surface resistance of a smooth conductor, ohm: sqrt(f pi uo res).
// f and uo on the same frequency scale (kUoGHz with GHz, kUoMHz with MHz).
float surface_resistance(float f, float uo, float res);

// Skin depth, inch: sqrt(2 res / (om uo)) with om = 2 pi f.
float skin_depth(float f, float uo, float res);

// Hammerstad's roughness factor 1 + (2/pi) atan(1.4 (sr/sd)^2), from 1 for a
// smooth surface towards 2 for one much rougher than the skin depth sd.
float roughness_factor(float sr, float sd);

// Frequency-independent part of the coupled-stripline conductor loss:
// the even and odd brackets of Cohn's expression and their pieces.
// b: ground-plane spacing, s: gap, t: strip thickness, inch.
struct StriplineLossGeometry {
  float theta;    // pi s / (2 b)
  float ae;       // 1 + ln(1 + tanh theta) / ln 2
  float ao;       // 1 + ln(1 + coth theta) / ln 2
  float temp1;    // ln((2b - t) / (b - t))
  float temp2;    // 0.5 ln(t (2b - t) / (b - t)^2), 0 for t = 0
  float cftb;     // fringing term of the thick strip
  float temp3;    // ((s/b + 1) / (4 ln 2)) cftb
  float even;     // even-mode bracket
  float odd;      // odd-mode bracket
};
StriplineLossGeometry sl1los_geometry(float b, float s, float t);

// Attenuation of an edge-coupled stripline section, dB per inch.
// b: ground-plane spacing, s: gap, t: strip thickness (inch); er: relative
// dielectric constant; f: frequency, MHz; zoe, zoo: even/odd-mode impedance,
// ohm.  Conductor loss only when loss.res > 0, roughness only when
// loss.sr > 0; the TEM dielectric loss is the same for both modes.  Zero for
// f <= 0.  The strip width does not enter this model.
ModeAttenuation sl1los(float b, float er, float f, const LossParameters& loss, float s, float t,
                       float zoe, float zoo);

// The part of sl1los that does not depend on the frequency for one section:
// the brackets of both modes and the factors of the conductor and dielectric
// terms, formed exactly as sl1los forms them.
struct StriplineLoss {
  float even_bracket = 0.0f;  // 60 pi + zoe sqrt(er) even
  float odd_bracket = 0.0f;   // 60 pi + zoo sqrt(er) odd
  float sqrter = 0.0f;        // sqrt(er)
  float conductor_den = 0.0f; // 30 pi (b - t)
  float dielectric = 0.0f;    // pi 8.686 sqrt(er)
};
StriplineLoss prepare_sl1los(float b, float er, float s, float t, float zoe, float zoo);
ModeAttenuation sl1los(const StriplineLoss& section, float f, const LossParameters& loss);

// ---- Edge-coupled microstrip (frequency in GHz) ----
//
// Conductor loss by Wheeler's incremental-inductance rule: the derivatives of
// the air-filled even/odd impedances with respect to h, w, s and t, found by
// perturbing each dimension by 0.1 %, times the surface resistance.
//   H. A. Wheeler, "Formulas for the skin effect", Proc. IRE, vol. 30,
//     pp. 412-424, Sept. 1942.
// Dielectric loss in the filling-factor form
//   alpha_d = pi 8.686 er tan(delta) (eff - 1) / ((er - 1) sqrt(eff) lambda0),
//   R. A. Pucel, D. J. Masse and C. P. Hartwig, "Losses in microstrip", IEEE
//     Trans. MTT, vol. MTT-16, no. 6, pp. 342-350, June 1968;
//   E. J. Denlinger, "Losses of microstrip lines", IEEE Trans. MTT,
//     vol. MTT-28, no. 6, pp. 513-522, June 1980.

// What ms1los needs of a section that does not depend on frequency.
struct Ms1losGeometry {
  ModeWidths widths;          // lcwta with the substrate's er
  ModeDielectric dielectric;  // mscuppv: static mode dielectric constants
  ModeImpedance statics;      // ms1imp: static mode impedances
  // Derivatives of the air-filled mode impedances, ohm per inch; the t
  // derivatives are 0 for a strip of no thickness.
  float dzedh = 0.0f, dzedw = 0.0f, dzeds = 0.0f, dzedt = 0.0f;
  float dzodh = 0.0f, dzodw = 0.0f, dzods = 0.0f, dzodt = 0.0f;
};

// er relative dielectric constant; h substrate height, h2 cover height
// argument of the line models (callers pass 100 h), s gap, t strip thickness,
// w strip width, inch.  The arguments are the routine's own copies: the
// caller's dimensions are never perturbed.
Ms1losGeometry ms1los_geometry(float er, float h, float h2, float s, float t, float w);

// Dielectric attenuation of one mode, dB per inch: er relative dielectric
// constant, f_ghz frequency, tlos loss tangent, eff the mode's effective
// dielectric constant at f_ghz.  0 for an air line (er = 1), which has no
// dielectric loss.
float microstrip_dielectric_loss(float er, float f_ghz, float tlos, float eff);

// Attenuation of an edge-coupled microstrip section at f_ghz, dB per inch,
// from its frequency-independent part: eff the lceff dielectric constants of
// the section at f_ghz (read only when loss.tlos != 0); zoe, zoo the mode
// impedances at f_ghz that normalise the conductor loss, ohm.  Conductor loss
// only when loss.res != 0; zero for f_ghz = 0.
ModeAttenuation ms1los_at(const Ms1losGeometry& geometry, float er, float f_ghz, const LossParameters& loss,
                          const Lceff1& eff, float zoe, float zoo);

// The parts of ms1los_at that depend only on the frequency, the substrate and
// the losses, the same for every section of a filter: the rough-conductor
// surface resistance and the dielectric factor of both modes.
struct Ms1losFrequency {
  bool formed = false;  // by ms1los_frequency, for these:
  float er = 0.0f, f_ghz = 0.0f;
  LossParameters loss{0.0f, 0.0f, 0.0f};
  float rs = 0.0f;  // surface resistance with the roughness factor (when loss.res != 0)
  float tp = 0.0f;  // pi 8.686 er tan(delta) / ((er - 1) lambda0) (when er != 1)
};
Ms1losFrequency ms1los_frequency(float er, float f_ghz, const LossParameters& loss);

// ms1los_at with those parts from another section at the same frequency
// (used only when er, f_ghz and loss agree bit for bit).
ModeAttenuation ms1los_at(const Ms1losGeometry& geometry, float er, float f_ghz, const LossParameters& loss,
                          const Lceff1& eff, float zoe, float zoo, const Ms1losFrequency& shared);

// The same from the geometry: er; f_ghz in GHz; h, h2, s, t, w in inch;
// zoe, zoo in ohm.  Evaluates lceff itself for the dielectric loss.  It
// returns the attenuation only and leaves every argument as it was.
ModeAttenuation ms1los(float er, float f_ghz, float h, float h2, const LossParameters& loss, float s, float t,
                       float w, float zoe, float zoo);

}  // namespace quorvane
