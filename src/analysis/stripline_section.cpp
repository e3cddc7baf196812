// Coupled stripline section as stub - line - stub (Jones and Bolljahn, IRE
// Trans. MTT-4, 1956; Matthaei, Young and Jones 1964), lossy through the
// propagation constant alpha + j theta of each element.
#include "analysis/stripline_section.hpp"

#include <cmath>

namespace quorvane {

namespace {

constexpr float pi = 3.14159274f;
// Speed of light used for wavelengths in the section, inch MHz.
constexpr float speed = 11811.0234f;
// Nepers per dB, 1 / 8.686.
constexpr float nepers = 0.115127794f;

}  // namespace

StriplineSection prepare_stripline_section(float er, float length, float b, float t, float s, float zoe,
                                           float zoo) {
  StriplineSection x;
  x.length = length;
  x.zoe = zoe;
  x.zoo = zoo;
  x.sqrter = std::sqrt(er);
  x.tempz0 = (zoe - zoo) * 0.5f;
  x.temp1 = (1.0f / x.tempz0) * (1.0f / x.tempz0);
  x.loss = prepare_sl1los(b, er, s, t, zoe, zoo);
  return x;
}

StriplineElements qvnasl_elements(const StriplineSection& x, float freq_mhz, const LossParameters& loss) {
  const ModeAttenuation att = sl1los(x.loss, freq_mhz, loss);
  const float length = x.length;

  const float wl = speed / (freq_mhz * x.sqrter);  // wavelength in the dielectric, inch
  const float theta = 2.0f * pi / wl * length;
  const float cos_theta = std::cos(theta);
  const float sin_theta = std::sin(theta);

  // Series open-circuited stub of the odd mode: Zoo coth(gamma_o l).
  StriplineElements e;
  const float alpha_o = att.ato * nepers * length;
  const Complex csinhoo(std::sinh(alpha_o) * cos_theta, std::cosh(alpha_o) * sin_theta);
  const Complex ccoshoo(std::cosh(alpha_o) * cos_theta, std::sinh(alpha_o) * sin_theta);
  e.stub = ChainMatrix::identity();
  e.stub.b = x.zoo * ccoshoo / csinhoo;

  // Line of (Zoe - Zoo)/2 with the mean attenuation of both modes.
  const float temploss = (att.ate + att.ato) * (length * 0.5f);
  const float tempz0 = x.tempz0;
  const float alpha = temploss * nepers;
  const float sinh_alpha = std::sinh(alpha);
  const float cosh_alpha = std::cosh(alpha);
  e.line.a = Complex(cosh_alpha * cos_theta, sinh_alpha * sin_theta);
  e.line.d = e.line.a;
  e.line.b = Complex(tempz0 * sinh_alpha * cos_theta, tempz0 * cosh_alpha * sin_theta);
  e.line.c = e.line.b * x.temp1;
  return e;
}

StriplineElements qvnasl_elements(float freq_mhz, float er, float length, float b, float t, float /*w*/, float s,
                                  float zoe, float zoo, const LossParameters& loss) {
  return qvnasl_elements(prepare_stripline_section(er, length, b, t, s, zoe, zoo), freq_mhz, loss);
}

void apply(const StriplineElements& e, ChainMatrix& rsc) {
  rsc = e.stub * rsc;
  rsc = e.line * rsc;
  rsc = e.stub * rsc;
}

void qvnasl(float freq_mhz, float er, float length, float b, float t, float w, float s, float zoe,
            float zoo, const LossParameters& loss, ChainMatrix& rsc) {
  apply(qvnasl_elements(freq_mhz, er, length, b, t, w, s, zoe, zoo, loss), rsc);
}

}  // namespace quorvane
