// Quasi-static models of a symmetric edge-coupled microstrip pair.
//
// References
//   [KJ84] M. Kirschning and R. H. Jansen, "Accurate wide-range design
//          equations for the frequency-dependent characteristic of parallel
//          coupled microstrip lines", IEEE Trans. MTT, vol. 32, no. 1, 1984,
//          pp. 83-90; corrections in vol. 33, no. 3, 1985, p. 288.
//          Static even/odd effective dielectric constants and impedances
//          (Q1 ... Q10).
//   [Ja78] R. H. Jansen, "High-speed computation of single and coupled
//          microstrip parameters including dispersion, high-order modes, loss
//          and finite strip thickness", IEEE Trans. MTT, vol. 26, no. 2, 1978,
//          pp. 75-82.  Mode widths of thick coupled strips.
//   [HJ80] Hammerstad-Jensen single strip (see microstrip.cpp), to which
//          each mode is referred.
//   Top-cover factors of the mode dielectric constants and the even-mode
//   impedance correction are closed-form fits to shielded coupled-strip data;
//   a cover at 100 substrate heights (the callers' choice) leaves all of them
//   inactive.
//
// Normalised geometry: g = s/h, r = h2/h, u = mode width / h.
#include "lines/coupled_microstrip.hpp"

#include <cmath>

namespace quorvane {

using lines::eta;
using lines::pi;

namespace {

// Q2 and Q3 of [KJ84], shared by both modes.
struct GapTerms {
  float q2 = 0.0f;
  float q3 = 0.0f;
};

GapTerms gap_terms(float g) {
  GapTerms out;
  out.q2 = 1.0f + 0.7519f * g + 0.189f * std::pow(g, 2.31f);
  float q3 = 10.0f * std::log(g);
  if (g >= 0.01f) q3 = q3 - std::log(1.0f + std::pow(g / 3.4f, 10.0f));
  q3 = q3 / 241.0f + 0.1975f;
  if (g >= 0.0004f) q3 = q3 + std::pow(16.6f + std::pow(8.4f / g, 6.0f), -0.387f);
  out.q3 = q3;
  return out;
}

// Q4 of [KJ84] for the mode ratio u (Q1 folded in).
float q4_term(float g, const GapTerms& gt, float u) {
  const float q1 = 0.8695f * std::pow(u, 0.194f);
  float q4 = (g > 23.0f) ? 2.0f : 2.0f - std::exp(-g);
  q4 = q4 * std::pow(u, -gt.q3);
  if (g <= 70.0f) q4 = q4 + std::exp(-g) * std::pow(u, gt.q3);
  return 2.0f * q1 / (gt.q2 * q4);
}

// Mode impedance from the single strip of the same width and the mode's
// coupling term q [KJ84].
float mode_impedance(const Msimp1& single, float eff_mode, float q) {
  return single.zodc * std::sqrt(single.effdc / eff_mode) /
         (1.0f - (single.zodc / eta) * std::sqrt(single.effdc) * q);
}

// Even-mode impedance lowered by a close top cover (r < 100, g < 4.466).
// The width ratio u is limited to umax inside the correction only.
float even_cover_correction(float zoe, float effe, float g, float r, float u) {
  const float r1 = 1.0f + r;
  const float a = -4.351f / std::pow(r1, 1.842f);
  const float b = 6.639f / std::pow(r1, 1.861f);
  const float c = -2.291f / std::pow(r1, 1.9f);
  const float umax = 1.449f * std::pow(r1, 0.039f);
  if (u > umax) u = umax;
  float arg = a + b * u + c * (u * u);
  if (arg < -0.7615f) arg = -0.7615f;
  const float fe = 1.0f - 0.5f * std::log((1.0f + arg) / (1.0f - arg));
  const float f = std::pow(10.0f, 0.11f - 0.0947f * g);
  const float x = std::pow(10.0f, 0.103f * g - 0.159f);
  const float y = std::pow(10.0f, 0.0492f * g - 0.073f);
  const float d = 0.747f / std::sin(pi / 2.0f * x);
  const float e = 0.725f * std::sin(pi / 2.0f * y);
  const float ge = 270.0f * (1.0f - std::tanh(d + e + std::sqrt(1.0f + r) - f / (1.0f + r)));
  float dzoe = fe * ge / std::sqrt(effe);
  if (dzoe >= zoe / 2.0f) dzoe = zoe / 2.0f;
  return zoe - dzoe;
}

// Odd-mode coupling term Q10 of [KJ84] (Q5 ... Q9 folded in).
float q10_term(float g, const GapTerms& gt, float q4, float u) {
  const float q5 = 1.794f + 1.14f * std::log(1.0f + 0.638f / (g + 0.517f * std::pow(g, 2.43f)));
  float q6 = 10.0f * std::log(g);
  if (g >= 0.01f) q6 = q6 - std::log(1.0f + std::pow(g / 5.8f, 10.0f));
  q6 = q6 / 281.3f + 0.2305f + std::log(1.0f + 0.598f * std::pow(g, 1.154f)) * 0.196078435f;
  const float q7 = (10.0f + 190.0f * (g * g)) / (1.0f + 82.3f * (g * g * g));
  const float tp = -6.5f - 0.95f * std::log(g) - std::pow(g / 0.15f, 5.0f);
  const float q8 = (tp >= -75.0f) ? std::exp(tp) : 0.0f;
  const float q9 = std::log(q7) * (q8 + 0.0606060624f);
  return (gt.q2 * q4 - q5 * std::exp(std::log(u) * q6 * std::pow(u, -q9))) / gt.q2;
}

}  // namespace

ModeWidths lcwta(float er, float h, float s, float t, float w) {
  ModeWidths out{w, w};
  if (t == 0.0f) return out;
  const float dt = t * h / (er * s);
  float dw;
  if (w / h < 1.0f / (2.0f * pi)) {
    dw = 1.25f * t * (1.0f + std::log(4.0f * pi * w / t)) / pi;
  } else {
    dw = 1.25f * t * (1.0f + std::log(2.0f * h / t)) / pi;
  }
  float tp = 0.69f * dw / dt;
  if (tp > 23.0f) tp = 23.0f;
  out.wte = w + dw * (1.0f - 0.5f * std::exp(-tp));
  out.wto = out.wte + dt;
  return out;
}

ModeDielectric mscuppv(float er, float h, float h2, float s, float wte, float wto) {
  ModeDielectric out;
  const float g = s / h;
  const float r = h2 / h;
  const float half_er1 = (er + 1.0f) / 2.0f;

  // Even mode [KJ84]: the single-strip filling factor at the modified ratio v.
  float u = wte / h;
  float v = u * (20.0f + g * g) / (10.0f + g * g);
  if (g < 70.0f) v = v + g * std::exp(-g);
  const float v2 = v * v;
  const float v52 = v / 52.0f;
  const float v181 = v / 18.1f;
  const float ae = 1.0f + std::log((v2 * v2 + v52 * v52) / (v2 * v2 + 0.432f)) * 0.0204081628f +
                   std::log(1.0f + v181 * v181 * v181) * 0.053475935f;
  const float be = 0.564f * std::pow((er - 0.9f) / (er + 3.0f), 0.053f);
  const float tp = std::pow(1.0f + 10.0f / v, -ae * be);
  float qc = 1.0f;
  if (r <= 39.0f) qc = std::tanh(1.626f + 0.107f * r - 1.733f / std::sqrt(r));
  out.effe = half_er1 + (er - 1.0f) / 2.0f * tp * qc;

  // Odd mode [KJ84]: referred to a lone strip of the odd-mode width.
  u = wto / h;
  out.msimp1 = msimp(er, h, 1000.0f * h, 0.0f, wto);
  const float effdc = out.msimp1.effdc;
  const float ao = 0.7287f * (effdc - half_er1) * (1.0f - std::exp(-0.179f * u));
  const float bo = 0.747f * er / (0.15f + er);
  const float co = bo - (bo - 0.207f) * std::exp(-0.414f * u);
  const float d0 = 0.593f + 0.694f * std::exp(-0.562f * u);
  const float temp = co * std::pow(g, d0);
  const float uncovered = (temp > 70.0f) ? effdc : (half_er1 + ao - effdc) * std::exp(-temp) + effdc;
  out.effo = uncovered;
  if (r < 7.0f) {
    qc = std::tanh(9.575f / (7.0f - r) - 2.965f + 1.68f * r - 0.311f * (r * r));
    out.effo = half_er1 + (uncovered - half_er1) * qc;
  }

  out.effc = 2.0f * out.effe * out.effo / (out.effe + out.effo);
  return out;
}

ModeImpedance ms1imp(float effe, float effo, float er, float h, float h2, float s, float wte,
                     float wto) {
  ModeImpedance out;
  const float g = s / h;
  const float r = h2 / h;
  const GapTerms gt = gap_terms(g);

  // Even mode: the strip of width wte under the cover, no thickness.
  float u = wte / h;
  out.msimp1 = msimp(er, h, h2, 0.0f, wte);
  const float q4e = q4_term(g, gt, u);
  out.zoe = mode_impedance(out.msimp1, effe, q4e);
  if (r < 100.0f && g < 4.466f) out.zoe = even_cover_correction(out.zoe, effe, g, r, u);

  // Odd mode: a lone strip of width wto, no thickness, cover far away.
  u = wto / h;
  out.msimp1 = msimp(er, h, 1000.0f * h, 0.0f, wto);
  const float q4o = q4_term(g, gt, u);
  const float q10 = q10_term(g, gt, q4o, u);
  out.zoo = mode_impedance(out.msimp1, effo, q10);

  // Plausibility against the lone odd-width strip.
  if (out.zoo > out.zoe) out.iflag = 2;
  float limit = out.msimp1.zodc;
  if (out.msimp1.zodc > 20.0f) limit = limit * 1.05f;
  if (std::sqrt(out.zoe * out.zoo) > limit) out.iflag = 1;
  return out;
}

ModeImpedance coupled_air_impedances(float h, float h2, float s, float t, float w) {
  const ModeWidths wt = lcwta(1.0f, h, s, t, w);
  return ms1imp(1.0f, 1.0f, 1.0f, h, h2, s, wt.wte, wt.wto);
}

CoupledStatics coupled_statics(float er, float h, float h2, float s, float t, float w) {
  CoupledStatics c;
  c.widths = lcwta(er, h, s, t, w);
  c.dielectric = mscuppv(er, h, h2, s, c.widths.wte, c.widths.wto);
  c.impedance = ms1imp(c.dielectric.effe, c.dielectric.effo, er, h, h2, s, c.widths.wte, c.widths.wto);
  return c;
}

}  // namespace quorvane
