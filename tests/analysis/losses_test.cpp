// The loss models' common start (surface resistance, skin depth and
// Hammerstad's roughness factor on both frequency scales) and the coupled
// stripline loss sl1los: reference values, the zero cases and the limits.
#include <cmath>

#include <gtest/gtest.h>

#include "analysis/losses.hpp"

namespace quorvane::testing {
namespace {

// Copper, 1.7 micro-ohm cm, in ohm inch.
const float kCopper = 1.7f * 0.000001f / 2.54f;

// The microstrip model takes GHz, the stripline model MHz; each scale has
// its own constants, and both must describe the same conductor.
struct ScaleCase {
  const char* what;
  float f;   // 10 GHz on the scale
  float uo;  // permeability constant of the scale
};

class ConductorSurface : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ConductorSurface, CopperAtTenGigahertz) {
  const ScaleCase& c = GetParam();
  EXPECT_NEAR(surface_resistance(c.f, c.uo, kCopper), 0.02591f, 0.000005f) << c.what;
  const float sd = skin_depth(c.f, c.uo, kCopper);
  EXPECT_NEAR(sd, 2.584e-5f, 0.0005e-5f) << c.what;
  EXPECT_NEAR(sd * 25.4e3f, 0.656f, 0.0005f) << c.what;  // micrometre
  EXPECT_NEAR(roughness_factor(5.0e-6f, sd), 1.0334f, 0.00005f) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Losses, ConductorSurface,
                         ::testing::Values(ScaleCase{"GHz", 10.0f, kUoGHz}, ScaleCase{"MHz", 10000.0f, kUoMHz}));

// 1 + (2/pi) atan(1.4 (sr/sd)^2): 1 when smooth, rising towards 2.
TEST(Losses, RoughnessFactorBetweenOneAndTwo) {
  const float sd = skin_depth(10.0f, kUoGHz, kCopper);  // copper at 10 GHz
  struct Case {
    float sr;
    float want;
    float tol;
  };
  const Case cases[] = {{0.0f, 1.0f, 0.0f},
                        {5.0e-6f, 1.0334f, 0.00005f},
                        {sd, 1.6051f, 0.00005f},  // roughness equal to the skin depth: 1 + (2/pi) atan(1.4)
                        {40.0e-6f, 1.8156f, 0.00005f},
                        {1.0e-3f, 2.0f, 0.0005f}};
  float previous = 0.0f;
  for (const Case& c : cases) {
    const float factor = roughness_factor(c.sr, sd);
    EXPECT_NEAR(factor, c.want, c.tol) << c.sr;
    EXPECT_GT(factor, previous) << c.sr;
    EXPECT_LE(factor, 2.0f) << c.sr;
    previous = factor;
  }
}

struct StriplineCase {
  const char* what;
  float b, er, f, res, s, sr, t, tlos, zoe, zoo;
  float ate, ato;  // dB per inch
};

class StriplineLoss : public ::testing::TestWithParam<StriplineCase> {};

// The reference values are the loss formulas evaluated independently in
// double precision; single precision agrees to a few parts in a million.
TEST_P(StriplineLoss, DecibelsPerInch) {
  const StriplineCase& c = GetParam();
  const ModeAttenuation a = sl1los(c.b, c.er, c.f, LossParameters{c.res, c.sr, c.tlos}, c.s, c.t, c.zoe, c.zoo);
  EXPECT_NEAR(a.ate, c.ate, 2e-5f * c.ate + 1e-9f) << c.what;
  EXPECT_NEAR(a.ato, c.ato, 2e-5f * c.ato + 1e-9f) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Losses, StriplineLoss,
    ::testing::Values(
        StriplineCase{"dielectric only: Er 2.2, tan 0.001, 10 GHz", 0.125f, 2.2f, 10000.0f, 0.0f, 0.01f, 0.0f, 0.0014f,
                      0.001f, 66.849f, 40.234f, 0.03429209f, 0.03429209f},
        StriplineCase{"copper, 5 micro-inch, thick strip", 0.125f, 2.2f, 10000.0f, kCopper, 0.01f, 5.0e-6f, 0.0014f,
                      0.0f, 66.849f, 40.234f, 0.02994651f, 0.05146167f},
        StriplineCase{"copper, smooth, zero thickness", 0.125f, 2.2f, 10000.0f, kCopper, 0.01f, 0.0f, 0.0f, 0.0f,
                      66.849f, 40.234f, 0.02327394f, 0.03711895f},
        StriplineCase{"steel, 40 micro-inch, narrow gap, 3 GHz", 0.05f, 10.2f, 3000.0f, 11.8f * 0.000001f / 2.54f,
                      0.002f, 40.0e-6f, 0.0007f, 0.0f, 90.0f, 30.0f, 0.4728288f, 1.108446f},
        StriplineCase{"conductor and dielectric add", 0.125f, 2.2f, 10000.0f, kCopper, 0.01f, 5.0e-6f, 0.0014f,
                      0.001f, 66.849f, 40.234f, 0.0642386f, 0.08575376f}));

// No frequency, or nothing to lose, is no loss at all; the ideal analysis
// (b = 0, no losses) must not divide by b.
TEST(Losses, StriplineZeroCases) {
  const LossParameters all{kCopper, 5.0e-6f, 0.001f};
  const LossParameters none{0.0f, 0.0f, 0.0f};
  struct Case {
    const char* what;
    float b, f;
    LossParameters loss;
  };
  const Case cases[] = {{"f = 0", 0.125f, 0.0f, all},
                        {"f < 0", 0.125f, -10.0f, all},
                        {"res = tlos = 0", 0.125f, 10000.0f, none},
                        {"ideal lines: b = 0", 0.0f, 10000.0f, none},
                        {"no conductor loss for a zero resistivity, whatever the roughness", 0.0f, 10000.0f,
                         LossParameters{0.0f, 40.0e-6f, 0.0f}}};
  for (const Case& c : cases) {
    const ModeAttenuation a = sl1los(c.b, 2.2f, c.f, c.loss, 0.01f, 0.0014f, 66.849f, 40.234f);
    EXPECT_EQ(a.ate, 0.0f) << c.what;
    EXPECT_EQ(a.ato, 0.0f) << c.what;
  }
}

TEST(Losses, StriplineWithoutThickness) {
  const StriplineLossGeometry g = sl1los_geometry(0.125f, 0.01f, 0.0f);
  EXPECT_EQ(g.temp2, 0.0f);
  EXPECT_NEAR(g.temp1, 0.693147182f, 1e-7f);
  EXPECT_NEAR(g.cftb, 2.0f * 0.693147182f, 2e-7f);
}

// Far apart, the two strips no longer see each other: both brackets tend to
// the same value and equal impedances lose equally.
TEST(Losses, StriplineModesMeetForWideGaps) {
  const LossParameters copper{kCopper, 0.0f, 0.0f};
  const ModeAttenuation a = sl1los(0.125f, 2.2f, 10000.0f, copper, 0.5f, 0.0014f, 50.0f, 50.0f);
  EXPECT_NEAR(a.ate / a.ato, 1.0f, 1e-4f);
  const ModeAttenuation near = sl1los(0.125f, 2.2f, 10000.0f, copper, 0.01f, 0.0014f, 50.0f, 50.0f);
  EXPECT_GT(near.ato, 1.2f * near.ate);  // close strips crowd the odd-mode current
}

}  // namespace
}  // namespace quorvane::testing
