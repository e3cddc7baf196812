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

// P1 (even or odd mode) of [KJ84] from pow(1 + 0.0157 fn, 20), which both
// modes share; the exponential tail, dropped for u > 8, comes prepared.
float p1_term(float pow20, float u, float tail) {
  float p1 = 0.27488f + (0.6315f + 0.525f / pow20) * u;
  if (u <= 8.0f) p1 = p1 - tail;
  return p1;
}

// P3 of one mode from its prepared factor 0.0363 exp(-4.6 u); zero for u >= 15.
float p3_term(float p3, float u, float base) {
  if (u >= 15.0f) return 0.0f;
  return base * p3;
}

float even_dielectric(const LceffSection& m, const FrequencyTerms& t, float p3) {
  const float fn = t.fn;
  const float p1e = p1_term(t.pow20, m.ue, m.p1_tail_e);
  const float p3e = p3_term(p3, m.ue, m.p3_base_e);
  const float p6 = m.p5 * t.e18;
  float p7 = 1.0f;
  if (!(m.g > 10.6f)) p7 = 1.0f + 4.069f * p6 * m.g479 * m.p7_exp;
  const float fe = p1e * m.p2 * std::pow((p3e * m.p4 + 0.1844f * p7) * fn, 1.5763f);
  return m.er - m.er_less_effe / (1.0f + fe);
}

float odd_dielectric(const LceffSection& m, const FrequencyTerms& t, float p3) {
  const float fn = t.fn;
  const float p1o = p1_term(t.pow20, m.uo, m.p1_tail_o);
  const float p3o = p3_term(p3, m.uo, m.p3_base_o);
  const float p9 = m.p8 - 0.7913f * t.tp * m.p9_atan;
  const float p11 = t.p11 * m.p11_atan;
  const float p12 = p9 + (1.0f - p9) / m.p12_den;
  const float p15 = std::fabs(1.0f - 0.8928f * (1.0f + p11) * p12 * m.p15_exp / t.p14);
  const float fo = p1o * m.p2 * std::pow((p3o * m.p4 + 0.1844f) * fn * p15, 1.5763f);
  return m.er - m.er_less_effo / (1.0f + fo);
}

// Exponent Q0 of the even-mode impedance ratio: the single-strip R17 of
// [JK83] at the even-mode width.
float even_exponent(const LcdisSection& m, const FrequencyTerms& t) {
  const float r15 = m.x_r15_coef * t.r15_pow;
  const float r16 = 1.0f + m.x_r16_coef * t.r11 * m.x_r16_width;
  return m.x_r7 * (1.0f - 1.1241f * (m.x_r12 / r16) * std::exp(-0.026f * t.pow115656 - r15));
}

// Even-mode impedance at fn [KJ84], referred to the lone strip of width wte
// (static effdc, dispersive eff).
float even_impedance(const LcdisSection& m, float effdc, float eff, const FrequencyTerms& t) {
  float q12 = 0.0f;
  if (!(m.g > 24.0f)) {
    const float x = t.x491;
    q12 = 2.121f * x / (1.0f + m.q11 * x) * m.q12_g * m.q12_exp;
  }
  const float q15 = m.q15_num / (1.0f + 0.41f * t.fn15cube * m.q15_ue / m.q15_den);
  const float q16 = q15 * m.q16_factor;
  const float q17 = m.q17_coef * t.z;
  const float q19 = m.q19_num / (t.fn24cube1 * m.q19_ue * m.q19_g);
  const float q20 = q19 * m.q20_factor;
  const float re = t.p28;

  float de = 0.0f;
  if (m.de_on) {
    const float d = m.de_exp / (1.0f + 1.2992f * re) * 5.086f * m.de_qe * m.de_er16 / m.de_den;
    if (std::fabs(std::log10(d) + t.log10_p28 + m.de_log10_t) <= 30.0f) de = d * re * m.de_t;
  }

  float c = m.pe_coef * t.y_pow;
  if (c < -24.0f) c = -24.0f;
  const float ce = 1.0f + 1.275f * (1.0f - std::exp(c)) - q12 + q16 - q17 + m.q18 + q20;

  const float q0 = even_exponent(m, t);
  return m.zoeap * std::pow((0.9408f * std::pow(eff, ce) - 0.9603f) /
                                ((0.9408f - de) * std::pow(effdc, ce) - 0.9603f),
                            q0);
}

// Odd-mode impedance at fn [KJ84], referred to the dispersive impedance zof
// of the lone strip of width wto.
float odd_impedance(const LcdisSection& m, float zof, float effof, const FrequencyTerms& t) {
  const float fn = t.fn;
  const float q25 = m.q25_coef * t.fnsq / t.fnsq10;
  const float q24 = m.q24_coef * std::pow(m.q24_u * fn / 99.25f, 4.29f) / m.q24_den;
  const float q23 = 1.0f + t.fn005 * m.q27 / (t.q23_f * m.q23_u);
  const float q22 = 0.925f * std::pow(fn / m.q26, 1.536f) / t.q22_f;
  return zof + (m.zooap * std::pow(effof / m.effo, q22) - zof * q23) / (1.0f + q24 + m.q_g * q25);
}

}  // namespace

LceffSection prepare_lceff(float effc, float effe, float effo, float er, float h, float s, float wte,
                           float wto) {
  LceffSection m;
  m.effc = effc;
  m.effe = effe;
  m.effo = effo;
  m.er = er;
  m.h = h;
  const float g = s / h;
  m.g = g;
  m.ue = wte / h;
  m.uo = wto / h;

  // Shared by both modes.
  m.p2 = 0.33622f * (1.0f - std::exp(-0.03442f * er));
  m.p4 = 1.0f + 2.751f * (1.0f - std::exp(-std::pow(er / 15.916f, 8.0f)));

  // Even mode.
  m.p1_tail_e = 0.065683f * std::exp(-8.7513f * m.ue);
  m.p3_base_e = 0.0363f * std::exp(-4.6f * m.ue);
  const float er15 = er / 15.0f;
  m.p5 = 0.334f * std::exp(-3.3f * (er15 * er15 * er15)) + 0.746f;
  m.g479 = std::pow(g, 0.479f);
  m.p7_exp = std::exp(-1.347f * std::pow(g, 0.595f) - 0.17f * std::pow(g, 2.5f));
  m.er_less_effe = er - effe;

  // Odd mode.
  const float uo = m.uo;
  m.p1_tail_o = 0.065683f * std::exp(-8.7513f * uo);
  m.p3_base_o = 0.0363f * std::exp(-4.6f * uo);
  m.p8 = 0.7168f * (1.0f + 1.076f / (1.0f + 0.0576f * (er - 1.0f)));
  m.p9_atan = std::atan(2.481f * std::pow(er / 8.0f, 0.946f));
  const float p10 = 0.242f * std::pow(er - 1.0f, 0.55f);
  m.p11_atan = std::atan(1.263f * std::pow(uo / 3.0f, 1.629f));
  m.p12_den = 1.0f + 1.183f * std::pow(uo, 1.376f);
  m.p13 = 1.695f * p10 / (0.414f + 1.605f * p10);
  m.p15_exp = std::exp(-m.p13 * std::pow(g, 1.092f));
  m.er_less_effo = er - effo;
  return m;
}

Lceff1 lceff(const LceffSection& m, float f_ghz, const FrequencyTerms& shared) {
  Lceff1 out{m.effc, m.effe, m.effo};
  if (f_ghz <= 0.0f) return out;
  FrequencyTerms local;
  const FrequencyTerms& t = terms_for(25.4f * f_ghz * m.h, shared, local);
  const float p3 = (t.fn > 73.0f) ? 1.0f : t.t38;
  out.effef = even_dielectric(m, t, p3);
  out.effof = odd_dielectric(m, t, p3);
  out.effcf = 2.0f * out.effef * out.effof / (out.effef + out.effof);
  return out;
}

Lceff1 lceff(const LceffSection& m, float f_ghz) { return lceff(m, f_ghz, FrequencyTerms{}); }

Lceff1 lceff(float effc, float effe, float effo, float er, float f_ghz, float h, float s,
             float wte, float wto) {
  if (f_ghz <= 0.0f) return Lceff1{effc, effe, effo};
  return lceff(prepare_lceff(effc, effe, effo, er, h, s, wte, wto), f_ghz);
}

LcdisSection prepare_lcdis(float effo, float er, float h, float h2, int iflag, float s, float wte, float wto,
                           float zoeap, float zooap) {
  LcdisSection m;
  m.effo = effo;
  m.er = er;
  m.h = h;
  m.iflag = iflag;
  m.zoeap = zoeap;
  m.zooap = zooap;
  const float g = s / h;
  m.g = g;
  const float ue = wte / h;
  const float uo = wto / h;
  m.ue = ue;
  m.uo = uo;

  // Reference strips of no thickness under the cover; the odd one only when
  // the widths differ.
  m.same_widths = !(wto != wte);
  m.even_strip = msimp(er, h, h2, 0.0f, wte);
  m.even_dispersion = prepare_strip_dispersion(m.even_strip.effdc, er, h, wte, m.even_strip.zodc);
  if (!m.same_widths) {
    m.odd_strip = msimp(er, h, h2, 0.0f, wto);
    m.odd_dispersion = prepare_strip_dispersion(m.odd_strip.effdc, er, h, wto, m.odd_strip.zodc);
  }

  // Even-mode impedance.
  const float er1 = er - 1.0f;
  m.q11 = 0.893f * (1.0f - 0.3f / (1.0f + 0.7f * er1));
  m.q12_g = std::pow(g, 0.902f);
  m.q12_exp = std::exp(-2.87f * g);
  const float q13 = 1.0f + 0.038f * std::pow(er / 8.0f, 5.1f);
  const float er15 = er / 15.0f;
  const float y = (er15 * er15) * (er15 * er15);
  const float q14 = 1.0f + 1.203f * y / (1.0f + y);
  m.q15_num = 1.887f * std::exp(-1.5f * std::pow(g, 0.84f)) * std::pow(g, q14);
  m.q15_ue = std::pow(ue, 2.0f / q13);
  m.q15_den = 0.125f + std::pow(ue, 1.626f / q13);
  m.q16_factor = 1.0f + 9.0f / (1.0f + 0.403f * (er1 * er1));
  m.q17_coef = 0.394f * (1.0f - std::exp(-1.47f * std::pow(ue / 7.0f, 0.672f)));
  m.q18 = 0.61f * (1.0f - std::exp(-2.13f * std::pow(ue / 8.0f, 1.593f))) / (1.0f + 6.544f * std::pow(g, 4.17f));
  m.q19_num = 0.21f * ((g * g) * (g * g));
  m.q19_ue = 1.0f + 0.1f * (ue * ue);
  m.q19_g = 1.0f + 0.18f * std::pow(g, 4.9f);
  m.q20_factor = 0.09f + 1.0f / (1.0f + 0.1f * std::pow(er1, 2.7f));
  const float ue25 = std::pow(ue, 2.5f);
  const float q21 = std::fabs(1.0f - 42.54f * std::pow(g, 0.133f) * std::exp(-0.812f * g) * ue25 /
                                         (1.0f + 0.033f * ue25));
  const float qe = 0.016f + std::pow(0.0514f * er * q21, 4.524f);
  const float pe = 4.766f * std::exp(-3.228f * std::pow(ue, 0.641f));
  const float e = -22.2f * std::pow(ue, 1.92f);
  m.de_on = !(e < -75.0f);
  if (m.de_on) {
    const float er16 = std::pow(er1, 6.0f);
    m.de_exp = std::exp(e);
    m.de_qe = qe;
    m.de_er16 = er16;
    m.de_den = 1.0f + 10.0f * er16;
    m.de_t = 1.0f / (0.3838f + 0.386f * qe);
    m.de_log10_t = std::log10(m.de_t);
  }
  m.pe_coef = -0.004625f * pe * std::pow(er, 1.674f);

  // The exponent: R17 of the even-mode strip.
  const float r1 = 0.03891f * std::pow(er, 1.4f);
  float r7 = 1.206f;
  if (!(r1 > 25.0f)) {
    const float r2 = 0.267f * std::pow(ue, 7.0f);
    const float w = (r2 > 25.0f) ? 1.0f : 1.0f - std::exp(-r2);
    r7 = 1.206f - 0.3144f * std::exp(-r1) * w;
  }
  m.x_r7 = r7;
  const float r10 = 0.00044f * std::pow(er, 2.136f) + 0.0184f;
  m.x_r12 = 1.0f / (1.0f + 0.00245f * (ue * ue));
  m.x_r15_coef = 0.707f * r10;
  m.x_r16_coef = 0.0503f * (er * er);
  m.x_r16_width = 1.0f - std::exp(-std::pow(ue / 15.0f, 6.0f));

  // Odd-mode impedance.
  const float er1sq = er1 * er1;
  const float er1cu = er1 * er1 * er1;
  const float er115 = std::pow(er1, 1.5f);
  const float q29 = 15.16f / (1.0f + 0.196f * er1sq);
  const float q28 = 0.149f * er1cu / (94.5f + 0.038f * er1cu);
  m.q27 = 0.4f * std::pow(g, 0.84f) * (1.0f + 2.5f * er115 / (5.0f + er115));
  const float v = std::pow(er1 / 13.0f, 12.0f);
  m.q26 = 30.0f - 22.2f * v / (1.0f + 3.0f * v) - q29;
  m.q25_coef = (1.0f + 2.333f * er1sq / (5.0f + er1sq)) * 0.3f;
  const float uo894 = std::pow(uo, 0.894f);
  m.q24_coef = 2.506f * q28 * uo894;
  m.q24_u = 1.0f + 1.3f * uo;
  m.q24_den = 3.575f + uo894;
  m.q23_u = 1.0f + 0.025f * (uo * uo);
  m.q_g = std::pow(0.46f * g, 2.2f);
  return m;
}

LcdisResult lcdis(const LcdisSection& m, float effof, float f_ghz) { return lcdis(m, effof, f_ghz, FrequencyTerms{}); }

LcdisResult lcdis(const LcdisSection& m, float effof, float f_ghz, const FrequencyTerms& shared) {
  LcdisResult out;
  out.lcdis1 = {m.zoeap, m.zooap};
  out.iflag = m.iflag;
  if (f_ghz <= 0.0f || m.iflag != 0) return out;
  out.dispersive = true;

  FrequencyTerms local;
  const FrequencyTerms& t = terms_for(25.4f * f_ghz * m.h, shared, local);

  // Even-mode reference strip: width wte under the cover, no thickness.
  out.msimp1 = m.even_strip;
  out.mszo1 = mszo(m.even_dispersion, f_ghz, t);
  out.lcdis1.zoeapf = even_impedance(m, out.msimp1.effdc, out.mszo1.eff, t);

  // Odd-mode reference strip: the even one again when the widths agree.
  if (!m.same_widths) {
    out.msimp1 = m.odd_strip;
    out.mszo1 = mszo(m.odd_dispersion, f_ghz, t);
  }
  const float zof = out.mszo1.zof;
  out.lcdis1.zooapf = odd_impedance(m, zof, effof, t);

  // Plausibility against the dispersive single strip.
  if (out.lcdis1.zooapf > out.lcdis1.zoeapf) out.iflag = 2;
  float limit = zof;
  if (zof > 20.0f) limit = limit * 1.05f;
  if (std::sqrt(out.lcdis1.zoeapf * out.lcdis1.zooapf) > limit) out.iflag = 1;
  return out;
}

LcdisResult lcdis(float effo, float effof, float er, float f_ghz, float h, float h2, int iflag,
                  float s, float wte, float wto, float zoeap, float zooap) {
  if (f_ghz <= 0.0f || iflag != 0) {
    LcdisResult out;
    out.lcdis1 = {zoeap, zooap};
    out.iflag = iflag;
    return out;
  }
  return lcdis(prepare_lcdis(effo, er, h, h2, iflag, s, wte, wto, zoeap, zooap), effof, f_ghz);
}

CoupledPair coupled_pair(float er, float f_ghz, float h, float h2, float s, float t, float w) {
  CoupledPair p;
  p.statics = coupled_statics(er, h, h2, s, t, w);
  const ModeWidths& mw = p.statics.widths;
  const ModeDielectric& md = p.statics.dielectric;
  const ModeImpedance& mi = p.statics.impedance;
  p.dielectric = lceff(md.effc, md.effe, md.effo, er, f_ghz, h, s, mw.wte, mw.wto);
  p.dispersion = lcdis(md.effo, p.dielectric.effof, er, f_ghz, h, h2, mi.iflag, s, mw.wte, mw.wto, mi.zoe, mi.zoo);
  return p;
}

}  // namespace quorvane
