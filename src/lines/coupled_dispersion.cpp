// Frequency-dependent even- and odd-mode parameters of coupled microstrip.
//
// References
//   [KJ84] M. Kirschning and R. H. Jansen, "Accurate wide-range design
//          equations for the frequency-dependent characteristic of parallel
//          coupled microstrip lines", IEEE Trans. MTT, vol. 32, no. 1, 1984,
//          pp. 83-90; corrections in vol. 33, no. 3, 1985, p. 288.
//          Mode dielectric constants P1 ... P15, even-mode impedance
//          Q11 ... Q21 with the single-strip exponent R1 ... R17 of [JK83],
//          odd-mode impedance Q22 ... Q29.
//   [JK83] R. H. Jansen and M. Kirschning, AEU vol. 37, 1983 (see
//          microstrip.cpp): impedance dispersion of the reference strips.
//
// fn = 25.4 f h is the normalised frequency in GHz*mm; g = s/h, ue = wte/h,
// uo = wto/h.  The thresholds that skip a term keep exponentials inside the
// single-precision range and are part of the model.
#include "lines/coupled_dispersion.hpp"

#include <cmath>

namespace quorvane {

namespace {

// P1 (even or odd mode) of [KJ84]; the exponential is dropped for u > 8.
float p1_term(float fn, float u) {
  const float k0157 = 0.157f / 10.0f;
  float p1 = 0.27488f + (0.6315f + 0.525f / std::pow(1.0f + k0157 * fn, 20.0f)) * u;
  if (u <= 8.0f) p1 = p1 - 0.065683f * std::exp(-8.7513f * u);
  return p1;
}

// P3 of one mode; zero for u >= 15.
float p3_term(float p3, float u) {
  if (u >= 15.0f) return 0.0f;
  return 0.0363f * std::exp(-4.6f * u) * p3;
}

// Terms shared by both modes.
struct CommonTerms {
  float p2, p3, p4;
};

CommonTerms common_terms(float er, float fn) {
  CommonTerms c;
  c.p2 = 0.33622f * (1.0f - std::exp(-0.03442f * er));
  c.p3 = (fn > 73.0f) ? 1.0f : 1.0f - std::exp(-std::pow(fn / 38.7f, 4.97f));
  c.p4 = 1.0f + 2.751f * (1.0f - std::exp(-std::pow(er / 15.916f, 8.0f)));
  return c;
}

float even_dielectric(float effe, float er, float fn, float g, float ue, const CommonTerms& c) {
  const float p1e = p1_term(fn, ue);
  const float p3e = p3_term(c.p3, ue);
  const float er15 = er / 15.0f;
  const float p5 = 0.334f * std::exp(-3.3f * (er15 * er15 * er15)) + 0.746f;
  const float p6 = p5 * std::exp(-std::pow(fn / 18.0f, 0.368f));
  float p7 = 1.0f;
  if (!(g > 10.6f)) {
    p7 = 1.0f + 4.069f * p6 * std::pow(g, 0.479f) *
                    std::exp(-1.347f * std::pow(g, 0.595f) - 0.17f * std::pow(g, 2.5f));
  }
  const float fe = p1e * c.p2 * std::pow((p3e * c.p4 + 0.1844f * p7) * fn, 1.5763f);
  return er - (er - effe) / (1.0f + fe);
}

float odd_dielectric(float effo, float er, float fn, float g, float uo, const CommonTerms& c) {
  const float p1o = p1_term(fn, uo);
  const float p3o = p3_term(c.p3, uo);
  const float p8 = 0.7168f * (1.0f + 1.076f / (1.0f + 0.0576f * (er - 1.0f)));
  const float tp = (fn > 181.0f) ? 1.0f : 1.0f - std::exp(-std::pow(fn / 20.0f, 1.424f));
  const float p9 = p8 - 0.7913f * tp * std::atan(2.481f * std::pow(er / 8.0f, 0.946f));
  const float p10 = 0.242f * std::pow(er - 1.0f, 0.55f);
  float p11 = (fn > 68.0f) ? -0.6366f : 0.6366f * (std::exp(-0.3401f * fn) - 1.0f);
  p11 = p11 * std::atan(1.263f * std::pow(uo / 3.0f, 1.629f));
  const float p12 = p9 + (1.0f - p9) / (1.0f + 1.183f * std::pow(uo, 1.376f));
  const float p13 = 1.695f * p10 / (0.414f + 1.605f * p10);
  const float p14 =
      (fn > 70.0f) ? 1.0f
                   : 0.8928f + 0.1072f * (1.0f - std::exp(-0.42f * std::pow(fn / 20.0f, 3.215f)));
  const float p15 = std::fabs(
      1.0f - 0.8928f * (1.0f + p11) * p12 * std::exp(-p13 * std::pow(g, 1.092f)) / p14);
  const float fo = p1o * c.p2 * std::pow((p3o * c.p4 + 0.1844f) * fn * p15, 1.5763f);
  return er - (er - effo) / (1.0f + fo);
}

// Exponent Q0 of the even-mode impedance ratio: the single-strip R17 of
// [JK83] at the even-mode width.
float even_exponent(float er, float fn, float ue) {
  const float r1 = 0.03891f * std::pow(er, 1.4f);
  float r7 = 1.206f;
  if (!(r1 > 25.0f)) {
    const float r2 = 0.267f * std::pow(ue, 7.0f);
    const float w = (r2 > 25.0f) ? 1.0f : 1.0f - std::exp(-r2);
    r7 = 1.206f - 0.3144f * std::exp(-r1) * w;
  }
  const float r10 = 0.00044f * std::pow(er, 2.136f) + 0.0184f;
  const float x = std::pow(fn / 19.47f, 6.0f);
  const float r11 = x / (1.0f + 0.0962f * x);
  const float r12 = 1.0f / (1.0f + 0.00245f * (ue * ue));
  const float r15 = 0.707f * r10 * std::pow(fn / 12.3f, 1.097f);
  const float r16 =
      1.0f + 0.0503f * (er * er) * r11 * (1.0f - std::exp(-std::pow(ue / 15.0f, 6.0f)));
  return r7 * (1.0f - 1.1241f * (r12 / r16) * std::exp(-0.026f * std::pow(fn, 1.15656f) - r15));
}

// Even-mode impedance at fn [KJ84], referred to the lone strip of width wte
// (static effdc, dispersive eff).
float even_impedance(float zoeap, float effdc, float eff, float er, float fn, float g,
                     float ue) {
  const float er1 = er - 1.0f;
  const float q11 = 0.893f * (1.0f - 0.3f / (1.0f + 0.7f * er1));
  float q12 = 0.0f;
  if (!(g > 24.0f)) {
    const float x = std::pow(fn / 20.0f, 4.91f);
    q12 = 2.121f * x / (1.0f + q11 * x) * std::pow(g, 0.902f) * std::exp(-2.87f * g);
  }
  const float q13 = 1.0f + 0.038f * std::pow(er / 8.0f, 5.1f);
  const float er15 = er / 15.0f;
  const float y = (er15 * er15) * (er15 * er15);
  const float q14 = 1.0f + 1.203f * y / (1.0f + y);
  const float fn15 = fn / 15.0f;
  const float q15 = 1.887f * std::exp(-1.5f * std::pow(g, 0.84f)) * std::pow(g, q14) /
                    (1.0f + 0.41f * (fn15 * fn15 * fn15) * std::pow(ue, 2.0f / q13) /
                                (0.125f + std::pow(ue, 1.626f / q13)));
  const float q16 = q15 * (1.0f + 9.0f / (1.0f + 0.403f * (er1 * er1)));
  const float z = (fn > 50.0f) ? 1.0f : 1.0f - std::exp(-4.25f * std::pow(fn / 20.0f, 1.87f));
  const float q17 = 0.394f * (1.0f - std::exp(-1.47f * std::pow(ue / 7.0f, 0.672f))) * z;
  const float q18 = 0.61f * (1.0f - std::exp(-2.13f * std::pow(ue / 8.0f, 1.593f))) /
                    (1.0f + 6.544f * std::pow(g, 4.17f));
  const float fn24 = fn / 24.0f;
  const float q19 = 0.21f * ((g * g) * (g * g)) /
                    ((1.0f + fn24 * fn24 * fn24) * (1.0f + 0.1f * (ue * ue)) *
                     (1.0f + 0.18f * std::pow(g, 4.9f)));
  const float q20 = q19 * (0.09f + 1.0f / (1.0f + 0.1f * std::pow(er1, 2.7f)));
  const float ue25 = std::pow(ue, 2.5f);
  const float q21 = std::fabs(1.0f - 42.54f * std::pow(g, 0.133f) * std::exp(-0.812f * g) *
                                         ue25 / (1.0f + 0.033f * ue25));
  const float re = std::pow(fn / 28.843f, 12.0f);
  const float qe = 0.016f + std::pow(0.0514f * er * q21, 4.524f);
  const float pe = 4.766f * std::exp(-3.228f * std::pow(ue, 0.641f));

  float de = 0.0f;
  const float e = -22.2f * std::pow(ue, 1.92f);
  if (!(e < -75.0f)) {
    const float er16 = std::pow(er1, 6.0f);
    const float d = std::exp(e) / (1.0f + 1.2992f * re) * 5.086f * qe * er16 / (1.0f + 10.0f * er16);
    const float t = 1.0f / (0.3838f + 0.386f * qe);
    if (std::fabs(std::log10(d) + std::log10(re) + std::log10(t)) <= 30.0f) de = d * re * t;
  }

  float c = -0.004625f * pe * std::pow(er, 1.674f) * std::pow(fn / 18.365f, 2.745f);
  if (c < -24.0f) c = -24.0f;
  const float ce = 1.0f + 1.275f * (1.0f - std::exp(c)) - q12 + q16 - q17 + q18 + q20;

  const float q0 = even_exponent(er, fn, ue);
  return zoeap * std::pow((0.9408f * std::pow(eff, ce) - 0.9603f) /
                              ((0.9408f - de) * std::pow(effdc, ce) - 0.9603f),
                          q0);
}

// Odd-mode impedance at fn [KJ84], referred to the dispersive impedance zof
// of the lone strip of width wto.
float odd_impedance(float zooap, float zof, float effo, float effof, float er, float fn, float g,
                    float uo) {
  const float er1 = er - 1.0f;
  const float er1sq = er1 * er1;
  const float er1cu = er1 * er1 * er1;
  const float er115 = std::pow(er1, 1.5f);
  const float q29 = 15.16f / (1.0f + 0.196f * er1sq);
  const float q28 = 0.149f * er1cu / (94.5f + 0.038f * er1cu);
  const float q27 = 0.4f * std::pow(g, 0.84f) * (1.0f + 2.5f * er115 / (5.0f + er115));
  const float v = std::pow(er1 / 13.0f, 12.0f);
  const float q26 = 30.0f - 22.2f * v / (1.0f + 3.0f * v) - q29;
  const float fnsq = fn * fn;
  const float q25 = (1.0f + 2.333f * er1sq / (5.0f + er1sq)) * 0.3f * fnsq / (10.0f + fnsq);
  const float uo894 = std::pow(uo, 0.894f);
  const float q24 = 2.506f * q28 * uo894 * std::pow((1.0f + 1.3f * uo) * fn / 99.25f, 4.29f) /
                    (3.575f + uo894);
  const float q23 = 1.0f + 0.005f * fn * q27 /
                               ((1.0f + 0.812f * std::pow(fn / 15.0f, 1.9f)) *
                                (1.0f + 0.025f * (uo * uo)));
  const float q22 =
      0.925f * std::pow(fn / q26, 1.536f) / (1.0f + 0.3f * std::pow(fn / 30.0f, 1.536f));
  return zof + (zooap * std::pow(effof / effo, q22) - zof * q23) /
                   (1.0f + q24 + std::pow(0.46f * g, 2.2f) * q25);
}

}  // namespace

Lceff1 lceff(float effc, float effe, float effo, float er, float f_ghz, float h, float s,
             float wte, float wto) {
  Lceff1 out{effc, effe, effo};
  if (f_ghz <= 0.0f) return out;
  const float fn = 25.4f * f_ghz * h;
  const float g = s / h;
  const CommonTerms c = common_terms(er, fn);
  out.effef = even_dielectric(effe, er, fn, g, wte / h, c);
  out.effof = odd_dielectric(effo, er, fn, g, wto / h, c);
  out.effcf = 2.0f * out.effef * out.effof / (out.effef + out.effof);
  return out;
}

LcdisResult lcdis(float effo, float effof, float er, float f_ghz, float h, float h2, int iflag,
                  float s, float wte, float wto, float zoeap, float zooap) {
  LcdisResult out;
  out.lcdis1 = {zoeap, zooap};
  out.iflag = iflag;
  if (f_ghz <= 0.0f || iflag != 0) return out;
  out.dispersive = true;

  const float fn = 25.4f * f_ghz * h;
  const float g = s / h;

  // Even-mode reference strip: width wte under the cover, no thickness.
  out.msimp1 = msimp(er, h, h2, 0.0f, wte);
  out.mszo1 = mszo(out.msimp1.effdc, er, f_ghz, h, wte, out.msimp1.zodc);
  out.lcdis1.zoeapf =
      even_impedance(zoeap, out.msimp1.effdc, out.mszo1.eff, er, fn, g, wte / h);

  // Odd-mode reference strip: the even one again when the widths agree.
  if (wto != wte) {
    out.msimp1 = msimp(er, h, h2, 0.0f, wto);
    out.mszo1 = mszo(out.msimp1.effdc, er, f_ghz, h, wto, out.msimp1.zodc);
  }
  const float zof = out.mszo1.zof;
  out.lcdis1.zooapf = odd_impedance(zooap, zof, effo, effof, er, fn, g, wto / h);

  // Plausibility against the dispersive single strip.
  if (out.lcdis1.zooapf > out.lcdis1.zoeapf) out.iflag = 2;
  float limit = zof;
  if (zof > 20.0f) limit = limit * 1.05f;
  if (std::sqrt(out.lcdis1.zoeapf * out.lcdis1.zooapf) > limit) out.iflag = 1;
  return out;
}

}  // namespace quorvane
