// Single microstrip line models.
//
// References
//   [HJ80] E. Hammerstad and O. Jensen, "Accurate models for microstrip
//          computer-aided design", IEEE MTT-S Int. Microwave Symp. Digest,
//          1980, pp. 407-409.  Static impedance in air, filling factor of the
//          effective dielectric constant, top-cover corrections.
//   [BG77] I. J. Bahl and R. Garg, "Simple and accurate formulas for a
//          microstrip with finite strip thickness", Proc. IEEE, vol. 65,
//          no. 11, 1977, pp. 1611-1612.  Effective width of a thick strip.
//   [KJ82] M. Kirschning and R. H. Jansen, "Accurate model for effective
//          dielectric constant of microstrip with validity up to
//          millimetre-wave frequencies", Electronics Letters, vol. 18, no. 6,
//          1982, pp. 272-273.  Dispersion P1 ... P4.
//   [JK83] R. H. Jansen and M. Kirschning, "Arguments and an accurate model
//          for the power-current formulation of microstrip characteristic
//          impedance", AEU, vol. 37, no. 3/4, 1983, pp. 108-112.
//          Impedance dispersion R1 ... R17.
//   [Wh77] H. A. Wheeler, "Transmission-line properties of a strip on a
//          dielectric sheet on a plane", IEEE Trans. MTT, vol. 25, no. 8,
//          1977, pp. 631-647.  Closed-form width synthesis.
//
// All arithmetic is single precision, in the order the formulas are written.
// The thresholds that skip a term keep exponentials and powers inside the
// single-precision range; they are part of the model.
#include "lines/microstrip.hpp"

#include <bit>
#include <cmath>
#include <cstdint>

namespace quorvane {

using lines::eta;
using lines::ln2;
using lines::pi;

namespace {

// Effective width of a strip of thickness t [BG77].
float thick_strip_width(float h1, float t, float w, float u) {
  if (t == 0.0f) return w;
  const float tp = 1.25f * t / pi;
  float dw;
  if (u > 1.0f / (2.0f * pi)) {
    dw = tp * (1.0f + std::log(2.0f * h1 / t));
  } else {
    dw = tp * (1.0f + std::log(4.0f * pi * w / t));
  }
  return w + dw;
}

// Impedance in air of a strip of normalised width up, no cover [HJ80].
float air_impedance(float up) {
  const float tp1 = -std::pow(30.666f / up, 0.7528f);
  float fwh;
  if (tp1 < -44.0f) {
    fwh = 6.0f;
  } else {
    fwh = 6.0f + (2.0f * pi - 6.0f) * std::exp(tp1);
  }
  return (eta / (2.0f * pi)) * std::log(fwh / up + std::sqrt(1.0f + (2.0f / up) * (2.0f / up)));
}

struct CoverCorrection {
  float zoa;  // cover-corrected impedance in air, ohm
  float qc;   // cover factor of the filling factor
};

// Top cover at r = h2/h1 heights [HJ80]; a cover beyond 100 heights is ignored.
CoverCorrection cover_correction(float zoai, float u, float r) {
  if (r > 100.0f) return {zoai, 1.0f};
  const float ap = 0.706f * std::sqrt(1.0f + r) + 1.192f - 1.389f / (1.0f + r);
  const float p = 270.0f * (1.0f - std::tanh(ap));
  float aq = (0.012f * u + 0.177f * (u * u) - 0.027f * (u * u * u)) / ((1.0f + r) * (1.0f + r));
  if (aq < 0.0f) aq = 0.0f;
  const float q = 1.0109f - 0.5f * std::log((1.0f + aq) / (1.0f - aq));
  return {zoai - p * q, std::tanh(1.043f + 0.121f * r - 1.164f / r)};
}

// Static effective dielectric constant from the physical ratio u [HJ80],
// reduced by the thickness term qt and the cover factor qc.
float static_effective_dielectric(float er, float u, float qt, float qc) {
  const float b = -0.564f * std::pow((er - 0.9f) / (er + 3.0f), 0.053f);
  const float u2 = u * u;
  const float faa = u2 * (u2 + 0.0003698f) / (u2 * u2 + 0.432f);
  const float u181 = u / 18.1f;
  const float a = 1.0f + std::log(faa) * 0.0204081628f +
                  std::log(1.0f + u181 * u181 * u181) * 0.053475935f;
  const float qi = std::pow(1.0f + 10.0f / u, a * b);
  const float qff = (qi - qt) * qc;
  return (er + 1.0f) / 2.0f + (er - 1.0f) * qff / 2.0f;
}

// Dispersive effective dielectric constant [KJ82]; fn in GHz*mm.  The terms
// of the strip alone come prepared.
float dispersive_effective_dielectric(const StripDispersion& m, const FrequencyTerms& t) {
  const float fn = t.fn;
  const float u = m.u;
  float p1 = 0.27488f + (0.6315f + 0.525f / t.pow20) * u;
  if (u <= 7.0f) p1 = p1 - m.p1_tail;
  float p3 = 0.0f;
  if (!(u > 14.0f || fn < 0.35f)) {
    p3 = m.p3_base;
    if (fn <= 75.0f) p3 = p3 * t.t38;
  }
  const float pf = p1 * m.p2 * std::pow((0.1844f + p3 * m.p4) * fn, 1.5763f);
  return m.er - m.er_less_effdc / (1.0f + pf);
}

// R9 of [JK83], evaluated only where every product stays in range.
// r5 is 0 or the frequency term p28, whose logarithm comes with it.
float jk_r9(const StripDispersion& m, float r5, float log10_r5) {
  if (r5 == 0.0f || m.r6 > 75.0f) return 0.0f;
  if (std::fabs(m.r9_log10_r4 + log10_r5 + m.r9_log10_e6) > 33.0f) return 0.0f;
  const float d = 1.0f / ((1.0f + 1.2992f * r5) * m.r9_den_er);
  if (std::fabs(m.r9_log10_e + std::log10(d)) > 30.0f) return 0.0f;
  return m.r9_coef * d * m.r4 * r5 / m.r9_den;
}

// Dispersive impedance [JK83]; eff is the dispersive value of [KJ82].
float dispersive_impedance(const StripDispersion& m, float eff, const FrequencyTerms& t) {
  const float fn = t.fn;
  const float u = m.u;
  const float r5 = (fn < 0.1f) ? 0.0f : t.p28;
  const float y = m.y_coef * t.y_pow;
  const float r8 = (y > 30.0f) ? 2.275f : 1.0f + 1.275f * (1.0f - std::exp(-y));

  const float r9 = jk_r9(m, r5, t.log10_p28);

  const float r11 = (fn < 0.0001f) ? 0.0f : t.r11;

  const float r13 = 0.9408f * std::pow(eff, r8) - 0.9603f;
  const float r14 = (0.9408f - r9) * std::pow(m.effdc, r8) - 0.9603f;

  const float r15 = m.r15_coef * t.r15_pow;
  float r16 = 1.0f + m.r16_coef * r11;
  if (u <= 27.0f) r16 = 1.0f + (r16 - 1.0f) * m.r16_width;

  const float r17 =
      m.r7 * (1.0f - 1.1241f * (m.r12 / r16) * std::exp(-0.026f * t.pow115656 - r15));
  return m.zodc * std::pow(r13 / r14, r17);
}

}  // namespace

Msimp1 msimp(float er, float h1, float h2, float t, float w) {
  Msimp1 out;
  const float u = w / h1;
  out.u = u;
  out.weff = thick_strip_width(h1, t, w, u);

  // The impedance uses the thickness-corrected width ...
  const float up = out.weff / h1;
  const float zoai = air_impedance(up);
  const CoverCorrection cover = cover_correction(zoai, u, h2 / h1);
  out.zoa = cover.zoa;

  // ... the filling factor the physical one.
  const float qt = (2.0f / pi) * ln2 * t / (h1 * std::sqrt(u));
  out.effdc = static_effective_dielectric(er, u, qt, cover.qc);
  out.zodc = out.zoa / std::sqrt(out.effdc);
  return out;
}

StripDispersion prepare_strip_dispersion(float effdc, float er, float h1, float w, float zodc) {
  StripDispersion m;
  m.effdc = effdc;
  m.er = er;
  m.h1 = h1;
  m.zodc = zodc;
  const float u = w / h1;
  m.u = u;

  // [KJ82]
  m.p1_tail = 0.065683f * std::exp(-8.7513f * u);
  m.p2 = 0.33622f * (1.0f - std::exp(-0.03442f * er));
  m.p3_base = 0.0363f * std::exp(-4.6f * u);
  if (er > 25.0f) {
    m.p4 = 3.751f;
  } else {
    m.p4 = 1.0f + 2.751f * (1.0f - std::exp(-std::pow(er / 15.916f, 8.0f)));
  }
  m.er_less_effdc = er - effdc;

  // [JK83]
  const float r1 = 0.03891f * std::pow(er, 1.4f);
  const float r2 = 0.267f * std::pow(u, 7.0f);
  const float r3 = (u > 135.0f) ? 0.0f : 4.766f * std::exp(-3.228f * std::pow(u, 0.641f));
  m.r4 = 0.016f + std::pow(0.0514f * er, 4.524f);
  m.r6 = 22.2f * std::pow(u, 1.92f);
  const float t1 = (r1 > 30.0f) ? 0.0f : 0.3144f * std::exp(-r1);
  const float t2 = (r2 > 30.0f) ? 1.0f : 1.0f - std::exp(-r2);
  m.r7 = 1.206f - t1 * t2;
  m.y_coef = 0.004625f * r3 * std::pow(er, 1.674f);
  if (!(m.r6 > 75.0f)) {
    const float e6 = std::exp(-m.r6);
    m.r9_log10_r4 = std::log10(m.r4);
    m.r9_log10_e6 = std::log10(e6);
    const float er16 = std::pow(er - 1.0f, 6.0f);
    const float e = e6 * er16;
    m.r9_den_er = 1.0f + 10.0f * er16;
    m.r9_log10_e = std::log10(e);
    m.r9_coef = 5.086f * e;
    m.r9_den = 0.3838f + 0.386f * m.r4;
  }
  const float r10 = 0.00044f * std::pow(er, 2.136f) + 0.0184f;
  m.r12 = 1.0f / (1.0f + 0.00245f * (u * u));
  m.r15_coef = 0.707f * r10;
  m.r16_coef = 0.0503f * (er * er);
  m.r16_width = 1.0f - std::exp(-std::pow(u / 15.0f, 6.0f));
  return m;
}

FrequencyTerms frequency_terms(float fn) {
  FrequencyTerms t;
  t.formed = true;
  t.fn = fn;
  const float k0157 = 0.157f / 10.0f;
  t.pow20 = std::pow(1.0f + k0157 * fn, 20.0f);
  t.t38 = 1.0f - std::exp(-std::pow(fn / 38.7f, 4.97f));
  t.p28 = std::pow(fn / 28.843f, 12.0f);
  t.log10_p28 = std::log10(t.p28);
  t.y_pow = std::pow(fn / 18.365f, 2.745f);
  const float x = std::pow(fn / 19.47f, 6.0f);
  t.r11 = x / (1.0f + 0.0962f * x);
  t.r15_pow = std::pow(fn / 12.3f, 1.097f);
  t.pow115656 = std::pow(fn, 1.15656f);

  t.e18 = std::exp(-std::pow(fn / 18.0f, 0.368f));
  t.tp = (fn > 181.0f) ? 1.0f : 1.0f - std::exp(-std::pow(fn / 20.0f, 1.424f));
  t.p11 = (fn > 68.0f) ? -0.6366f : 0.6366f * (std::exp(-0.3401f * fn) - 1.0f);
  t.p14 = (fn > 70.0f) ? 1.0f : 0.8928f + 0.1072f * (1.0f - std::exp(-0.42f * std::pow(fn / 20.0f, 3.215f)));

  t.x491 = std::pow(fn / 20.0f, 4.91f);
  const float fn15 = fn / 15.0f;
  t.fn15cube = fn15 * fn15 * fn15;
  t.z = (fn > 50.0f) ? 1.0f : 1.0f - std::exp(-4.25f * std::pow(fn / 20.0f, 1.87f));
  const float fn24 = fn / 24.0f;
  t.fn24cube1 = 1.0f + fn24 * fn24 * fn24;
  t.fnsq = fn * fn;
  t.fnsq10 = 10.0f + t.fnsq;
  t.q23_f = 1.0f + 0.812f * std::pow(fn / 15.0f, 1.9f);
  t.q22_f = 1.0f + 0.3f * std::pow(fn / 30.0f, 1.536f);
  t.fn005 = 0.005f * fn;
  return t;
}

const FrequencyTerms& terms_for(float fn, const FrequencyTerms& shared, FrequencyTerms& local) {
  if (shared.formed && std::bit_cast<std::uint32_t>(fn) == std::bit_cast<std::uint32_t>(shared.fn)) return shared;
  local = frequency_terms(fn);
  return local;
}

Mszo1 mszo(const StripDispersion& m, float f_ghz, const FrequencyTerms& shared) {
  Mszo1 out{m.effdc, m.zodc};
  if (m.er == 1.0f || f_ghz == 0.0f) return out;
  const float fn = 25.4f * f_ghz * m.h1;  // GHz*mm
  FrequencyTerms local;
  const FrequencyTerms& t = terms_for(fn, shared, local);
  out.eff = dispersive_effective_dielectric(m, t);
  out.zof = dispersive_impedance(m, out.eff, t);
  return out;
}

Mszo1 mszo(const StripDispersion& m, float f_ghz) {
  if (m.er == 1.0f || f_ghz == 0.0f) return Mszo1{m.effdc, m.zodc};
  return mszo(m, f_ghz, frequency_terms(25.4f * f_ghz * m.h1));
}

Mszo1 mszo(float effdc, float er, float f_ghz, float h1, float w, float zodc) {
  return mszo(prepare_strip_dispersion(effdc, er, h1, w, zodc), f_ghz);
}

float wheeler_width(float er, float h1, float zod) {
  const float tp1 = zod * std::sqrt(er + 1.0f) / 42.4f;
  const float tp2 = (4.0f / er + 7.0f) / 11.0f;
  const float tp3 = (1.0f + 1.0f / er) / 0.81f;
  const float e1 = std::exp(tp1) - 1.0f;
  return 8.0f * h1 * std::sqrt(e1 * tp2 + tp3) / e1;
}

MswhResult mswh(float er, float f_ghz, float h1, float h2, float t, float zod) {
  MswhResult out;
  out.w = wheeler_width(er, h1, zod);
  if (out.w < kMswhMinWheelerWidth) {
    out.isyne = 1;
    return out;
  }
  if (!std::isfinite(out.w)) {
    // No impedance at or below 0 ohm has a width: nothing to search from.
    out.w = 0.0f;
    out.isyne = 1;
    return out;
  }

  auto evaluate = [&](float w) {
    out.msimp1 = msimp(er, h1, h2, t, w);
    out.mszo1 = mszo(out.msimp1.effdc, er, f_ghz, h1, w, out.msimp1.zodc);
    out.evaluated = true;
  };
  evaluate(out.w);

  float winc = 0.0f;
  if (zod > out.mszo1.zof) {
    winc = -0.03f * out.w;  // strip too wide
  } else if (out.mszo1.zof > zod) {
    winc = out.w;  // strip too narrow: the width doubles on the first step
  }

  const float w_max = kMswhMaxWidthRatio * h1;
  for (; out.steps < kMswhMaxSteps; ++out.steps) {
    const float zof = out.mszo1.zof;
    if (std::fabs((zod - zof) / zod) < 0.0001f) return out;
    float test = zof - zod;
    if (winc < 0.0f) test = -test;
    float w = out.w;
    if (test >= 0.0f) {
      w = w + winc;  // target not yet crossed
    } else if (test < 0.0f) {
      winc = winc / 2.0f;  // crossed: back by half the step
      w = w - winc;
    }
    // A step that leaves the width unchanged repeats itself forever (the
    // models are deterministic), and a width outside the range of strips
    // (or not a number) never comes back to the target.
    if (w == out.w || !(w >= kMswhMinSearchWidth && w <= w_max)) break;
    out.w = w;
    evaluate(out.w);
  }
  out.isyne = 1;
  return out;
}

}  // namespace quorvane
