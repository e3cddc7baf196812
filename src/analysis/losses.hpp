// Conductor and dielectric attenuation of coupled-line sections, dB per inch:
// sl1los for edge-coupled stripline (frequency in MHz); ms1los, for
// edge-coupled microstrip (frequency in GHz), belongs beside it in this file.
// Both start from the surface resistance with Hammerstad's roughness factor.
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
#pragma once

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

}  // namespace quorvane
