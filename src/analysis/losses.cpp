// Loss models of coupled-line sections, dB per inch.
//
// References (details in losses.hpp)
//   Hammerstad and Bekkadal 1975; Hammerstad and Jensen 1980: roughness factor.
//   Cohn, IRE Trans. MTT-3, March and Oct. 1955: stripline conductor loss
//     0.0231 Rs sqrt(er) / (30 pi (b - t)) (60 pi + Z sqrt(er) bracket), here
//     with the even/odd brackets of a coupled pair; TEM dielectric loss
//     pi 8.686 sqrt(er) tan(delta) / lambda0.
//
// Single precision throughout, each formula evaluated in the order written;
// 30 pi, 60 pi and pi 8.686 are formed from the single-precision pi.
#include "analysis/losses.hpp"

#include <cmath>

namespace quorvane {

namespace {

constexpr float pi = kLossPi;
constexpr float ln2 = 0.693147182f;
constexpr float four_ln2 = 2.77258873f;

}  // namespace

float surface_resistance(float f, float uo, float res) { return std::sqrt(f * pi * uo * res); }

float skin_depth(float f, float uo, float res) {
  const float om = 2.0f * pi * f;
  return std::sqrt(2.0f * res / (om * uo));
}

float roughness_factor(float sr, float sd) {
  const float r = sr / sd;
  const float tp = 1.4f * (r * r);
  return 1.0f + 2.0f / pi * std::atan(tp);
}

StriplineLossGeometry sl1los_geometry(float b, float s, float t) {
  StriplineLossGeometry g{};
  g.theta = pi * s / (2.0f * b);
  const float th = std::tanh(g.theta);
  g.ae = 1.0f + std::log(1.0f + th) / ln2;
  g.ao = 1.0f + std::log(1.0f + 1.0f / th) / ln2;
  const float bt = b - t;
  g.temp1 = std::log((2.0f * b - t) / bt);
  g.temp2 = (t > 0.0f) ? 0.5f * std::log(t * (2.0f * b - t) / (bt * bt)) : 0.0f;
  g.cftb = 2.0f * std::log((2.0f * b - t) / bt) - t * (2.0f / b) * g.temp2;
  g.temp3 = (s / b + 1.0f) / four_ln2 * g.cftb;
  const float ch = std::cosh(g.theta);
  const float sh = std::sinh(g.theta);
  const float sech2 = 1.0f / (ch * ch);
  const float cosech2 = 1.0f / (sh * sh);
  const float coth = 1.0f / th;
  g.even = 1.0f - (g.temp1 + g.temp2) * g.ae / pi + g.temp3 * sech2 / (1.0f + th);
  g.odd = 1.0f - ((g.temp1 + g.temp2) - g.temp3 * cosech2 / (coth + 1.0f)) * g.ao / pi;
  return g;
}

ModeAttenuation sl1los(float b, float er, float f, const LossParameters& loss, float s, float t,
                       float zoe, float zoo) {
  if (f <= 0.0f) return {0.0f, 0.0f};
  float ace = 0.0f;
  float aco = 0.0f;
  if (loss.res > 0.0f) {
    float rs = surface_resistance(f, kUoMHz, loss.res);
    if (loss.sr > 0.0f) rs = rs * roughness_factor(loss.sr, skin_depth(f, kUoMHz, loss.res));
    const StriplineLossGeometry g = sl1los_geometry(b, s, t);
    const float sqrter = std::sqrt(er);
    const float temp4 = rs * 0.0231f * sqrter / (30.0f * pi * (b - t));
    ace = (60.0f * pi + zoe * sqrter * g.even) * temp4;
    aco = (60.0f * pi + zoo * sqrter * g.odd) * temp4;
  }
  const float wl = kLightMHz / f;  // free-space wavelength, inch
  const float ad = pi * kDbPerNeper * std::sqrt(er) / wl * loss.tlos;
  return {ace + ad, aco + ad};
}

}  // namespace quorvane
