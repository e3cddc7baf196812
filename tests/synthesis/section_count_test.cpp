// Pole counts from the skirt attenuation.
#include "synthesis/section_count.hpp"

#include <limits>

#include <gtest/gtest.h>

namespace quorvane {
namespace {

struct CountCase {
  const char* what;
  float am, a1, fc, f1, fh1, fl1;
  int ides, ires;
  int ierr, n;
  float a2;  // expected to 0.05 dB
};

class Nsectn : public ::testing::TestWithParam<CountCase> {};

TEST_P(Nsectn, CountAndAchievedAttenuation) {
  const CountCase& c = GetParam();
  const SectionCount r = nsectn(c.am, c.a1, c.fc, c.f1, c.fh1, c.fl1, c.ides, c.ires, SectionCount{0, -7, -3.0f});
  ASSERT_EQ(r.ierr, c.ierr) << c.what;
  if (c.ierr != 0) {
    // On failure the caller's values stay.
    EXPECT_EQ(r.n, -7) << c.what;
    EXPECT_EQ(r.a2, -3.0f) << c.what;
    return;
  }
  EXPECT_EQ(r.n, c.n) << c.what;
  EXPECT_NEAR(r.a2, c.a2, 0.05f) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Requirements, Nsectn,
    ::testing::Values(
        // freq = |(10750/fo - fo/10750)/bw| = 2.907, count 4.15 -> 5 poles, 52.8 dB.
        CountCase{"Chebyshev bandpass road example", 0.1f, 40.0f, 0, 10750, 10250, 9750, kBandpass,
                  kChebyshev, 0, 5, 52.8f},
        // Lowpass at twice the cutoff: Butterworth 40 dB needs 6.64 -> 7 poles, 42.1 dB.
        CountCase{"Butterworth 40 dB at twice the cutoff", 0, 40.0f, 1000, 2000, 0, 0, kLowpass,
                  kButterworth, 0, 7, 42.1f},
        CountCase{"highpass mapping fc/f1", 0, 40.0f, 2000, 1000, 0, 0, kHighpass, kButterworth, 0, 7,
                  42.1f},
        // One pole would do; the count is never below 2 (10 log10(1 + 4^4) = 24.1 dB).
        CountCase{"one pole suffices", 0, 3.0f, 1000, 4000, 0, 0, kLowpass, kButterworth, 0, 2, 24.1f},
        // Exactly 3 poles: 10 log10(1 + 2^6) = 18.129 dB required.
        CountCase{"count of exactly 3", 0, 18.0f, 1000, 2000, 0, 0, kLowpass, kButterworth, 0, 3, 18.13f},
        CountCase{"count just above 3 rounds up", 0, 18.3f, 1000, 2000, 0, 0, kLowpass, kButterworth, 0, 4,
                  24.1f},
        CountCase{"no attenuation above the ripple", 0.5f, 0.5f, 0, 11000, 10250, 9750, kBandpass,
                  kChebyshev, 1, 0, 0},
        CountCase{"zero attenuation", 0.1f, 0.0f, 0, 11000, 10250, 9750, kBandpass, kChebyshev, 1, 0, 0},
        CountCase{"skirt frequency inside the passband", 0.1f, 40.0f, 0, 10000, 10250, 9750, kBandpass,
                  kChebyshev, 1, 0, 0},
        CountCase{"non-positive normalised frequency", 0, 40.0f, -1000, 2000, 0, 0, kLowpass, kButterworth,
                  1, 0, 0}));

TEST(Nsectn, BandpassMappingOfTheGeometricCentre) {
  // fl1 9000, fh1 10000, f1 11000: fo 9486.83, bw 0.105409, freq 2.818.  A
  // Butterworth count of 40 dB at 2.818 is 4.44 -> 5 poles, 10 log10(1+2.818^10).
  const SectionCount r = nsectn(0, 40.0f, 0, 11000, 10000, 9000, kBandpass, kButterworth);
  EXPECT_EQ(r.ierr, 0);
  EXPECT_EQ(r.n, 5);
  EXPECT_NEAR(r.a2, 45.00f, 0.05f);
}

TEST(Nsectn, AbsurdRequirementSaturatesInsteadOfOverflowing) {
  const SectionCount r = nsectn(0.01f, 3.0e38f, 0, 10251, 10250, 9750, kBandpass, kChebyshev);
  EXPECT_EQ(r.ierr, 0);
  EXPECT_GT(r.n, 12);
}

}  // namespace
}  // namespace quorvane
