// Element values of the lowpass prototype.
#include "synthesis/prototype.hpp"

#include <vector>

#include <gtest/gtest.h>

namespace quorvane {
namespace {

struct PrototypeCase {
  const char* what;
  int n;
  float lar;
  int ltype;
  std::vector<float> g;  // g(1) ... g(n+1)
};

class Pev : public ::testing::TestWithParam<PrototypeCase> {};

TEST_P(Pev, ElementValues) {
  const PrototypeCase& c = GetParam();
  const SectionValues g = pev(c.n, c.lar, c.ltype);
  for (int k = 1; k <= c.n + 1; ++k) {
    EXPECT_NEAR(g[k], c.g[static_cast<std::size_t>(k - 1)], 6e-5f) << c.what << ", g(" << k << ")";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Responses, Pev,
    ::testing::Values(PrototypeCase{"Butterworth 3", 3, 0, 2, {1, 2, 1, 1}},
                      PrototypeCase{"Butterworth 2 ignores the ripple", 2, 0.5f, 2, {1.41421f, 1.41421f, 1}},
                      PrototypeCase{"Chebyshev 0.5 dB, 2", 2, 0.5f, 1, {1.40294f, 0.70708f, 1.98413f}},
                      PrototypeCase{"Chebyshev 0.5 dB, 3", 3, 0.5f, 1, {1.59633f, 1.09668f, 1.59633f, 1}},
                      PrototypeCase{"Chebyshev 0.1 dB, 4",
                                    4,
                                    0.1f,
                                    1,
                                    {1.10881f, 1.30618f, 1.77038f, 0.81808f, 1.35538f}},
                      PrototypeCase{"any other type is Chebyshev", 3, 0.5f, 7, {1.59633f, 1.09668f, 1.59633f, 1}}));

TEST(Pev, OddChebyshevIsSymmetricUpToTwelvePoles) {
  for (int n = 1; n <= 11; n += 2) {
    const SectionValues g = pev(n, 0.05f, 1);
    for (int k = 1; k <= n; ++k) EXPECT_NEAR(g[k], g[n + 1 - k], 2e-4f * g[k]) << "n " << n << ", k " << k;
    EXPECT_NEAR(g[n + 1], 1.0f, 1e-5f) << n;
  }
  const SectionValues g12 = pev(12, 0.05f, 1);
  EXPECT_GT(g12[13], 1.0f);  // even Chebyshev: the load is not 1
}

}  // namespace
}  // namespace quorvane
