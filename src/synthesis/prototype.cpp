// Lowpass prototype element values: the closed forms of Matthaei, Young and
// Jones, "Microwave Filters, Impedance-Matching Networks, and Coupling
// Structures" (McGraw-Hill, 1964), eqs. (4.05-1) Butterworth and (4.05-2)
// Chebyshev, with the ripple divisor 17.37 dB of their text.
#include "synthesis/prototype.hpp"

#include <array>
#include <cmath>

namespace quorvane {

SectionValues pev(int n, float lar, int ltype) {
  constexpr float pi = 3.14159274f;
  SectionValues g;
  g[n + 1] = 1.0f;

  if (ltype == 2) {
    for (int k = 1; k <= n; ++k) {
      g[k] = 2.0f * std::sin(static_cast<float>(2 * k - 1) * pi / (2.0f * static_cast<float>(n)));
    }
    return g;
  }

  const float beta = std::log(1.0f / std::tanh(lar / 17.37f));
  float d1 = beta * 0.5f / static_cast<float>(n);
  const float gamma = 0.5f * (std::exp(d1) - std::exp(-d1));
  d1 = gamma * gamma;

  std::array<float, kMaxPoles + 1> a{};
  std::array<float, kMaxPoles + 1> b{};
  for (int k = 1; k <= n; ++k) {
    a[k] = std::sin(static_cast<float>(2 * k - 1) * pi / (2.0f * static_cast<float>(n)));
    const float s = std::sin(static_cast<float>(k) * pi / static_cast<float>(n));
    b[k] = s * s + d1;
  }
  g[1] = 2.0f * a[1] / gamma;
  for (int k = 2; k <= n; ++k) {
    g[k] = 4.0f * a[k - 1] * a[k] / (b[k - 1] * g[k - 1]);
  }
  g[n + 1] = g[1] / g[n];
  return g;
}

}  // namespace quorvane
