// Loss models of coupled-line sections, dB per inch.
//
// References (details in losses.hpp)
//   Hammerstad and Bekkadal 1975; Hammerstad and Jensen 1980: roughness factor.
//   Cohn, IRE Trans. MTT-3, March and Oct. 1955: stripline conductor loss
//     0.0231 Rs sqrt(er) / (30 pi (b - t)) (60 pi + Z sqrt(er) bracket), here
//     with the even/odd brackets of a coupled pair; TEM dielectric loss
//     pi 8.686 sqrt(er) tan(delta) / lambda0.
//   Wheeler, Proc. IRE 30, 1942: microstrip conductor loss from the
//     derivatives of the air-filled mode impedances.
//   Pucel, Masse and Hartwig, IEEE Trans. MTT-16, 1968: microstrip dielectric
//     loss pi 8.686 er tan(delta) (eff - 1) / ((er - 1) sqrt(eff) lambda0).
//
// Single precision throughout, each formula evaluated in the order written;
// 30 pi, 60 pi and pi 8.686 are formed from the single-precision pi.
#include "analysis/losses.hpp"

#include <bit>
#include <cmath>
#include <cstdint>

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

StriplineLoss prepare_sl1los(float b, float er, float s, float t, float zoe, float zoo) {
  StriplineLoss m;
  const StriplineLossGeometry g = sl1los_geometry(b, s, t);
  m.sqrter = std::sqrt(er);
  m.conductor_den = 30.0f * pi * (b - t);
  m.even_bracket = 60.0f * pi + zoe * m.sqrter * g.even;
  m.odd_bracket = 60.0f * pi + zoo * m.sqrter * g.odd;
  m.dielectric = pi * kDbPerNeper * m.sqrter;
  return m;
}

ModeAttenuation sl1los(const StriplineLoss& m, float f, const LossParameters& loss) {
  if (f <= 0.0f) return {0.0f, 0.0f};
  float ace = 0.0f;
  float aco = 0.0f;
  if (loss.res > 0.0f) {
    float rs = surface_resistance(f, kUoMHz, loss.res);
    if (loss.sr > 0.0f) rs = rs * roughness_factor(loss.sr, skin_depth(f, kUoMHz, loss.res));
    const float temp4 = rs * 0.0231f * m.sqrter / m.conductor_den;
    ace = m.even_bracket * temp4;
    aco = m.odd_bracket * temp4;
  }
  const float wl = kLightMHz / f;  // free-space wavelength, inch
  const float ad = m.dielectric / wl * loss.tlos;
  return {ace + ad, aco + ad};
}

ModeAttenuation sl1los(float b, float er, float f, const LossParameters& loss, float s, float t,
                       float zoe, float zoo) {
  return sl1los(prepare_sl1los(b, er, s, t, zoe, zoo), f, loss);
}

namespace {

struct ImpedanceSlope {
  float even;  // dZe/dx, ohm per inch
  float odd;   // dZo/dx, ohm per inch
};

// The slope between the nominal impedances and those with one dimension
// x0 raised to x0 * 1.001; the divisor is the difference of the two stored
// values, so that the rounding of x itself does not bias the slope.
template <class Evaluate>
ImpedanceSlope slope(const ModeImpedance& nominal, float x0, Evaluate evaluate) {
  const float x = x0 * 1.001f;
  const ModeImpedance perturbed = evaluate(x);
  return {(perturbed.zoe - nominal.zoe) / (x - x0), (perturbed.zoo - nominal.zoo) / (x - x0)};
}

}  // namespace

Ms1losGeometry ms1los_geometry(float er, float h, float h2, float s, float t, float w) {
  Ms1losGeometry g;
  const CoupledStatics statics = coupled_statics(er, h, h2, s, t, w);
  g.widths = statics.widths;
  g.dielectric = statics.dielectric;
  g.statics = statics.impedance;

  const ModeImpedance nominal = coupled_air_impedances(h, h2, s, t, w);
  const ImpedanceSlope dh = slope(nominal, h, [&](float x) { return coupled_air_impedances(x, h2, s, t, w); });
  const ImpedanceSlope dw = slope(nominal, w, [&](float x) { return coupled_air_impedances(h, h2, s, t, x); });
  const ImpedanceSlope ds = slope(nominal, s, [&](float x) { return coupled_air_impedances(h, h2, x, t, w); });
  const ImpedanceSlope dt =
      t != 0.0f ? slope(nominal, t, [&](float x) { return coupled_air_impedances(h, h2, s, x, w); }) : ImpedanceSlope{};
  g.dzedh = dh.even;
  g.dzodh = dh.odd;
  g.dzedw = dw.even;
  g.dzodw = dw.odd;
  g.dzeds = ds.even;
  g.dzods = ds.odd;
  g.dzedt = dt.even;
  g.dzodt = dt.odd;
  return g;
}

namespace {

// The dielectric factor of microstrip_dielectric_loss, for er != 1.
float dielectric_factor(float er, float f_ghz, float tlos) {
  const float wl = kLightGHz / f_ghz;  // free-space wavelength, inch
  return pi * kDbPerNeper * er * tlos / ((er - 1.0f) * wl);
}

float dielectric_loss(float er, float tp, float eff) {
  if (er == 1.0f) return 0.0f;
  return (eff - 1.0f) * tp / std::sqrt(eff);
}

bool same_bits(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

}  // namespace

float microstrip_dielectric_loss(float er, float f_ghz, float tlos, float eff) {
  if (er == 1.0f) return 0.0f;
  return dielectric_loss(er, dielectric_factor(er, f_ghz, tlos), eff);
}

Ms1losFrequency ms1los_frequency(float er, float f_ghz, const LossParameters& loss) {
  Ms1losFrequency m;
  m.formed = true;
  m.er = er;
  m.f_ghz = f_ghz;
  m.loss = loss;
  if (f_ghz == 0.0f) return m;
  if (loss.res != 0.0f) {
    // The roughness factor always applies; with sr = 0 it is 1.
    m.rs = surface_resistance(f_ghz, kUoGHz, loss.res);
    m.rs = m.rs * roughness_factor(loss.sr, skin_depth(f_ghz, kUoGHz, loss.res));
  }
  if (loss.tlos != 0.0f && er != 1.0f) m.tp = dielectric_factor(er, f_ghz, loss.tlos);
  return m;
}

ModeAttenuation ms1los_at(const Ms1losGeometry& g, float er, float f_ghz, const LossParameters& loss,
                          const Lceff1& eff, float zoe, float zoo, const Ms1losFrequency& shared) {
  if (f_ghz == 0.0f) return {0.0f, 0.0f};
  const bool same = shared.formed && same_bits(er, shared.er) && same_bits(f_ghz, shared.f_ghz) &&
                    same_bits(loss.res, shared.loss.res) && same_bits(loss.sr, shared.loss.sr) &&
                    same_bits(loss.tlos, shared.loss.tlos);
  const Ms1losFrequency m = same ? shared : ms1los_frequency(er, f_ghz, loss);
  float ace = 0.0f;
  float aco = 0.0f;
  if (loss.res != 0.0f) {
    ace = m.rs * kDbPerNeper * (g.dzedh - g.dzedw - g.dzedt - g.dzeds) / (zoe * kEtaMicrostrip);
    // The gap derivative enters the odd mode with the opposite sign.
    aco = m.rs * kDbPerNeper * (g.dzodh - g.dzodw - g.dzodt + g.dzods) / (zoo * kEtaMicrostrip);
  }
  float ade = 0.0f;
  float ado = 0.0f;
  if (loss.tlos != 0.0f) {
    ade = dielectric_loss(er, m.tp, eff.effef);
    ado = dielectric_loss(er, m.tp, eff.effof);
  }
  return {ace + ade, aco + ado};
}

ModeAttenuation ms1los_at(const Ms1losGeometry& g, float er, float f_ghz, const LossParameters& loss,
                          const Lceff1& eff, float zoe, float zoo) {
  return ms1los_at(g, er, f_ghz, loss, eff, zoe, zoo, Ms1losFrequency{});
}

ModeAttenuation ms1los(float er, float f_ghz, float h, float h2, const LossParameters& loss, float s, float t,
                       float w, float zoe, float zoo) {
  const Ms1losGeometry g = ms1los_geometry(er, h, h2, s, t, w);
  Lceff1 eff;
  if (f_ghz != 0.0f && loss.tlos != 0.0f) {
    eff = lceff(g.dielectric.effc, g.dielectric.effe, g.dielectric.effo, er, f_ghz, h, s, g.widths.wte,
                g.widths.wto);
  }
  return ms1los_at(g, er, f_ghz, loss, eff, zoe, zoo);
}

}  // namespace quorvane
