#include "analysis/microstrip_section.hpp"

#include <cmath>

#include "lines/coupled_dispersion.hpp"

namespace quorvane {

namespace {

constexpr float pi = 3.14159274f;
constexpr float nepers = 0.115127794f;  // per dB

// sinh and cosh of the complex propagation alpha + j theta of one mode.
struct ModeHyperbolic {
  Complex csinh;
  Complex ccosh;
};

ModeHyperbolic hyperbolic(float alpha, float theta) {
  const float sh = std::sinh(alpha);
  const float ch = std::cosh(alpha);
  const float c = std::cos(theta);
  const float s = std::sin(theta);
  return {Complex(sh * c, ch * s), Complex(ch * c, sh * s)};
}

}  // namespace

MicrostripSection prepare_microstrip_section(float er, float length, float h, float t, float w, float s,
                                             float freqoe, float freqoo) {
  MicrostripSection m;
  m.er = er;
  m.length = length;
  m.h = h;
  m.h2 = 100.0f * h;
  m.t = t;
  m.w = w;
  m.s = s;
  m.freqoe = freqoe;
  m.freqoo = freqoo;
  m.geometry = ms1los_geometry(er, h, m.h2, s, t, w);
  const ModeWidths& wt = m.geometry.widths;
  const ModeDielectric& d = m.geometry.dielectric;
  m.statics = m.geometry.statics;
  m.dielectric = prepare_lceff(d.effc, d.effe, d.effo, er, h, s, wt.wte, wt.wto);
  m.dispersion = prepare_lcdis(d.effo, er, h, m.h2, m.statics.iflag, s, wt.wte, wt.wto, m.statics.zoe,
                               m.statics.zoo);
  return m;
}

SharedFrequency section_frequency_terms(const MicrostripSection& m, float freq_mhz, const LossParameters& loss) {
  const float temp = freq_mhz * 0.001f;  // GHz
  return {frequency_terms(25.4f * temp * m.h), ms1los_frequency(m.er, temp, loss)};
}

CoupledModes qvnams_modes(const MicrostripSection& m, float freq_mhz, const LossParameters& loss) {
  return qvnams_modes(m, freq_mhz, loss, SharedFrequency{});
}

CoupledModes qvnams_modes(const MicrostripSection& m, float freq_mhz, const LossParameters& loss,
                          const SharedFrequency& shared) {
  const float temp = freq_mhz * 0.001f;  // GHz
  const Lceff1 eff = lceff(m.dielectric, temp, shared.dispersion);
  const LcdisResult dis = lcdis(m.dispersion, eff.effof, temp, shared.dispersion);
  const float ze = dis.lcdis1.zoeapf;
  const float zo = dis.lcdis1.zooapf;
  const ModeAttenuation at = ms1los_at(m.geometry, m.er, temp, loss, eff, ze, zo, shared.losses);

  CoupledModes modes;
  modes.ze = ze;
  modes.zo = zo;
  modes.theta_o = (pi * 0.5f * freq_mhz * std::sqrt(eff.effof)) / m.freqoo;
  modes.theta_e = (pi * 0.5f * freq_mhz * std::sqrt(eff.effef)) / m.freqoe;
  modes.alpha_e = at.ate * nepers * m.length;
  modes.alpha_o = at.ato * nepers * m.length;
  return modes;
}

ChainMatrix coupled_section_matrix(const CoupledModes& modes) {
  const float ze = modes.ze;
  const float zo = modes.zo;
  const ModeHyperbolic e = hyperbolic(modes.alpha_e, modes.theta_e);
  const ModeHyperbolic o = hyperbolic(modes.alpha_o, modes.theta_o);
  const Complex one(1.0f, 0.0f);

  const Complex cdenom = ze / e.csinh - zo / o.csinh;
  const Complex cnumoe = ze * e.ccosh / e.csinh;
  const Complex cnumoo = zo * o.ccosh / o.csinh;
  ChainMatrix abcdc;
  abcdc.a = (cnumoe + cnumoo) / cdenom;
  Complex cnum = (e.ccosh / e.csinh) * (o.ccosh / o.csinh) + (one / e.csinh) * (one / o.csinh);
  cnum = (ze * zo) * cnum + (ze * ze + zo * zo) * 0.5f;
  abcdc.b = cnum / cdenom;
  abcdc.c = 2.0f / cdenom;
  abcdc.d = abcdc.a;
  return abcdc;
}

void qvnams(const MicrostripSection& section, float freq_mhz, const LossParameters& loss, ChainMatrix& rsc) {
  rsc = coupled_section_matrix(qvnams_modes(section, freq_mhz, loss)) * rsc;
}

void qvnams(int i, float freq_mhz, float er, float length, float h, float t, float w, float s,
            const LossParameters& loss, const Qvna1& qvna1, ChainMatrix& rsc) {
  qvnams(prepare_microstrip_section(er, length, h, t, w, s, qvna1.freqoe[i], qvna1.freqoo[i]), freq_mhz, loss,
         rsc);
}

}  // namespace quorvane
