// Random numbers of the yield analysis, the same on every machine and for
// every thread count: xoshiro256** (Blackman and Vigna, 2018) seeded through
// SplitMix64 from the user's seed and the sample index, so that sample i
// draws the same numbers whichever thread runs it.  The uniform and normal
// transforms are written here with IEEE basic operations and sqrt only (the
// library's distributions and transcendental functions differ between
// implementations).
#pragma once

#include <cstdint>

namespace quorvane::yield {

class SampleRandom {
 public:
  // The stream of sample `index` under `seed`.
  SampleRandom(std::uint64_t seed, std::uint64_t index);

  std::uint64_t next();
  // Uniform on [0, 1): the top 53 bits.
  double uniform();
  // Uniform on (0, 1): never 0 or 1.
  double open_uniform();
  // Standard normal by inversion of its distribution function (Acklam's
  // rational approximation, relative error below 1.2e-9): one draw each.
  double normal();

 private:
  std::uint64_t s_[4];
};

// Natural logarithm from IEEE basic operations alone (x > 0, finite):
// x = m 2^e with m in [sqrt(1/2), sqrt(2)), ln m = 2 atanh((m-1)/(m+1)) by its
// series, which converges to double precision within 20 terms there.
double portable_log(double x);

// Inverse of the standard normal distribution function, 0 < p < 1.
double normal_quantile(double p);

}  // namespace quorvane::yield
