#include "yield/yield_random.hpp"

#include <cmath>

namespace quorvane::yield {

namespace {

std::uint64_t splitmix64(std::uint64_t& x) {
  x += 0x9E3779B97F4A7C15ULL;
  std::uint64_t z = x;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

}  // namespace

SampleRandom::SampleRandom(std::uint64_t seed, std::uint64_t index) {
  // The seed and the index are mixed separately, so that neighbouring seeds
  // or indices give unrelated streams.
  std::uint64_t a = seed;
  std::uint64_t x = splitmix64(a) ^ (index * 0xD1B54A32D192ED03ULL);
  for (std::uint64_t& s : s_) s = splitmix64(x);
}

std::uint64_t SampleRandom::next() {
  const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
  const std::uint64_t t = s_[1] << 17;
  s_[2] ^= s_[0];
  s_[3] ^= s_[1];
  s_[1] ^= s_[2];
  s_[0] ^= s_[3];
  s_[2] ^= t;
  s_[3] = rotl(s_[3], 45);
  return result;
}

double SampleRandom::uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

double SampleRandom::open_uniform() { return (static_cast<double>(next() >> 11) + 0.5) * 0x1.0p-53; }

double SampleRandom::normal() { return normal_quantile(open_uniform()); }

double portable_log(double x) {
  int e = 0;
  double m = std::frexp(x, &e);  // exact: x = m 2^e, m in [0.5, 1)
  if (m < 0.70710678118654752) {
    m *= 2.0;
    e -= 1;
  }
  const double z = (m - 1.0) / (m + 1.0);
  const double z2 = z * z;
  double term = z, sum = 0.0;
  for (int k = 1; k <= 41; k += 2) {
    sum += term / k;
    term *= z2;
  }
  return 2.0 * sum + e * 0.69314718055994531;
}

double normal_quantile(double p) {
  static constexpr double a[] = {-3.969683028665376e+01, 2.209460984245205e+02, -2.759285104469687e+02,
                                 1.383577518672690e+02,  -3.066479806614716e+01, 2.506628277459239e+00};
  static constexpr double b[] = {-5.447609879822406e+01, 1.615858368580409e+02, -1.556989798598866e+02,
                                 6.680131188771972e+01,  -1.328068155288572e+01};
  static constexpr double c[] = {-7.784894002430293e-03, -3.223964580411365e-01, -2.400758277161838e+00,
                                 -2.549732539343734e+00, 4.374664141464968e+00,  2.938163982698783e+00};
  static constexpr double d[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                                 3.754408661907416e+00};
  constexpr double low = 0.02425;
  auto tail = [&](double q) {
    return (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
           ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1.0);
  };
  if (p < low) return tail(std::sqrt(-2.0 * portable_log(p)));
  if (p > 1.0 - low) return -tail(std::sqrt(-2.0 * portable_log(1.0 - p)));
  const double q = p - 0.5;
  const double r = q * q;
  return (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
         (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1.0);
}

}  // namespace quorvane::yield
