#include "em/housing.hpp"

#include <cmath>
#include <functional>

namespace quorvane::em {

namespace {

constexpr double kC0 = 299792458.0;
constexpr double kPi = 3.14159265358979323846;
constexpr int kMaxOrder = 4;
constexpr int kScanSteps = 4000;   // per mode, up to the empty box's resonance
constexpr int kBisections = 100;

// kz sin(kz L), cos(kz L) and sin(kz L)/kz for kz^2 = k2 of either sign.
double k_sin(double k2, double L) {
  const double k = std::sqrt(std::fabs(k2));
  return k2 >= 0 ? k * std::sin(k * L) : -k * std::sinh(k * L);
}
double cos_k(double k2, double L) {
  const double k = std::sqrt(std::fabs(k2));
  return k2 >= 0 ? std::cos(k * L) : std::cosh(k * L);
}
double sin_over_k(double k2, double L) {
  const double k = std::sqrt(std::fabs(k2));
  if (k * L < 1e-9) return L;
  return k2 >= 0 ? std::sin(k * L) / k : std::sinh(k * L) / k;
}

// The lowest k0 (1/m) in (0, k_hi] where `f` changes sign; 0 for none.
double lowest_root(const std::function<double(double)>& f, double k_hi) {
  double a = 0, fa = f(k_hi * 1e-6);
  for (int i = 1; i <= kScanSteps; ++i) {
    double b = k_hi * i / kScanSteps;
    const double fb = f(b);
    if ((fa < 0) != (fb < 0)) {
      for (int j = 0; j < kBisections; ++j) {
        const double mid = (a + b) / 2;
        if ((f(mid) < 0) == (fa < 0)) {
          a = mid;
        } else {
          b = mid;
        }
      }
      return (a + b) / 2;
    }
    a = b;
    fa = fb;
  }
  return 0;
}

}  // namespace

BoxMode first_box_mode(double a_mm, double b_mm, double h_mm, double er, double c_mm) {
  BoxMode best;
  if (!(a_mm > 0 && b_mm > 0 && h_mm >= 0 && c_mm > 0 && er >= 1)) return best;
  const double a = a_mm * 1e-3, b = b_mm * 1e-3, h = h_mm * 1e-3, c = c_mm * 1e-3;
  for (int lsm = 1; lsm >= 0; --lsm)
    for (int m = 0; m <= kMaxOrder; ++m)
      for (int n = 0; n <= kMaxOrder; ++n) {
        if (lsm ? (m < 1 || n < 1) : (m + n < 1)) continue;
        const double kt2 = std::pow(m * kPi / a, 2) + std::pow(n * kPi / b, 2);
        const auto f = [&](double k0) {
          const double k1 = er * k0 * k0 - kt2, k2 = k0 * k0 - kt2;
          return lsm ? k_sin(k1, h) * cos_k(k2, c) / er + k_sin(k2, c) * cos_k(k1, h)
                     : cos_k(k1, h) * sin_over_k(k2, c) + cos_k(k2, c) * sin_over_k(k1, h);
        };
        // Below the resonance of the same order in an empty box of height
        // h + c raised to its next vertical order: the dielectric only lowers it.
        const double k_hi = 1.01 * std::sqrt(kt2 + std::pow(kPi / (h + c), 2));
        const double k0 = lowest_root(f, k_hi);
        if (k0 > 0 && (best.f_hz == 0 || k0 * kC0 / (2 * kPi) < best.f_hz)) {
          best.f_hz = k0 * kC0 / (2 * kPi);
          best.name = std::string(lsm ? "LSM" : "LSE") + std::to_string(m) + std::to_string(n);
        }
      }
  return best;
}

}  // namespace quorvane::em
