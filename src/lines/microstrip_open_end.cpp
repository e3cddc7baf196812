// Kirschning-Jansen-Koster open end (Electron. Lett. 17, 1981, pp. 123-125).
#include "lines/microstrip_open_end.hpp"

#include <cmath>

namespace quorvane {

MsopenFactors msopen_factors(float u, float er, float eff) {
  MsopenFactors x;
  const float e81 = std::pow(eff, 0.81f);
  const float u8544 = std::pow(u, 0.8544f);
  x.xi1 = 0.434907f * ((e81 + 0.26f) / (e81 - 0.189f)) * ((u8544 + 0.236f) / (u8544 + 0.87f));
  x.xi2 = 1.0f + std::pow(u, 0.371f) / (2.358f * er + 1.0f);
  x.xi3 = 1.0f + 0.5274f * std::atan(0.084f * std::pow(u, 1.9413f / x.xi2)) / std::pow(eff, 0.9236f);
  x.xi4 = 1.0f + 0.0377f * std::atan(0.067f * std::pow(u, 1.456f)) * (6.0f - 5.0f * std::exp(0.036f * (1.0f - er)));
  x.xi5 = 1.0f - 0.218f * std::exp(-7.5f * u);
  x.dl_over_h = x.xi1 * x.xi3 * x.xi5 / x.xi4;
  return x;
}

float msopen(float er, float eff, float h, float w) { return h * msopen_factors(w / h, er, eff).dl_over_h; }

// 1/(inch MHz ohm) is a microfarad per inch: 1e6 turns it into picofarads.
float open_end_pf(float dl, float eff, float z0, float speed) {
  return 1000000.0f * dl * std::sqrt(eff) / (speed * z0);
}

float open_end_length(float cap_pf, float eff, float z0, float speed) {
  return cap_pf * speed * z0 / (1000000.0f * std::sqrt(eff));
}

}  // namespace quorvane
