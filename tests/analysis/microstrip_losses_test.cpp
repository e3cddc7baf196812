// Conductor and dielectric loss of coupled microstrip: the dielectric
// filling-factor formula, the zero cases, and the physical limits of the
// incremental-inductance conductor loss.
#include <cmath>

#include <gtest/gtest.h>

#include "analysis/losses.hpp"

namespace quorvane::testing {
namespace {

struct DielectricCase {
  const char* what;
  float er, f_ghz, tlos, eff;
  float want;  // dB per inch
};

class MicrostripDielectric : public ::testing::TestWithParam<DielectricCase> {};

TEST_P(MicrostripDielectric, LossPerInch) {
  const DielectricCase& c = GetParam();
  EXPECT_NEAR(microstrip_dielectric_loss(c.er, c.f_ghz, c.tlos, c.eff), c.want, 5e-7f) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Losses, MicrostripDielectric,
    ::testing::Values(DielectricCase{"alumina at 10 GHz", 9.8f, 10.0f, 0.0001f, 6.5f, 0.005554f},
                      DielectricCase{"twice the loss tangent", 9.8f, 10.0f, 0.0002f, 6.5f, 0.0111087f},
                      DielectricCase{"half the frequency", 9.8f, 5.0f, 0.0001f, 6.5f, 0.0027772f},
                      // All the field in the substrate: the TEM value pi 8.686 sqrt(er) tan / lambda0.
                      DielectricCase{"filled line", 9.8f, 10.0f, 0.0001f, 9.8f, 0.0072377f},
                      DielectricCase{"no field in the substrate", 9.8f, 10.0f, 0.0001f, 1.0f, 0.0f},
                      DielectricCase{"air substrate has no dielectric loss", 1.0f, 10.0f, 0.01f, 1.0f, 0.0f}));

// The coupled-microstrip reference geometry on alumina, h2 = 100 h.
constexpr float kEr = 9.8f, kH = 0.025f, kH2 = 2.5f, kS = 0.01f, kW = 0.025f;
const LossParameters kCopperSmooth{1.7e-6f / 2.54f, 0.0f, 0.0f};
const LossParameters kCopperRough{1.7e-6f / 2.54f, 5.0e-6f, 0.0f};

TEST(Losses, NothingToLose) {
  const LossParameters all{1.7e-6f / 2.54f, 5.0e-6f, 0.001f};
  const LossParameters none{0.0f, 0.0f, 0.0f};
  const ModeAttenuation at_dc = ms1los(kEr, 0.0f, kH, kH2, all, kS, 0.0002f, kW, 61.45f, 35.18f);
  EXPECT_EQ(at_dc.ate, 0.0f);
  EXPECT_EQ(at_dc.ato, 0.0f);
  const ModeAttenuation lossless = ms1los(kEr, 10.0f, kH, kH2, none, kS, 0.0002f, kW, 61.45f, 35.18f);
  EXPECT_EQ(lossless.ate, 0.0f);
  EXPECT_EQ(lossless.ato, 0.0f);
  const ModeAttenuation air = ms1los(1.0f, 10.0f, kH, kH2, LossParameters{0.0f, 0.0f, 0.01f}, kS, 0.0f, kW, 100.0f,
                                     60.0f);
  EXPECT_EQ(air.ate, 0.0f);
  EXPECT_EQ(air.ato, 0.0f);
}

// The dielectric part uses the dispersive mode dielectric constants of the
// geometry (even 7.636, odd 5.774 at 10 GHz), and adds to the conductor part.
TEST(Losses, DielectricAndConductorParts) {
  const LossParameters dielectric{0.0f, 0.0f, 0.0001f};
  const ModeAttenuation d = ms1los(kEr, 10.0f, kH, kH2, dielectric, kS, 0.0f, kW, 61.45f, 35.18f);
  EXPECT_NEAR(d.ate, microstrip_dielectric_loss(kEr, 10.0f, 0.0001f, 7.636f), 2e-6f);
  EXPECT_NEAR(d.ato, microstrip_dielectric_loss(kEr, 10.0f, 0.0001f, 5.774f), 2e-6f);
  EXPECT_GT(d.ate, d.ato);

  const ModeAttenuation c = ms1los(kEr, 10.0f, kH, kH2, kCopperRough, kS, 0.0f, kW, 61.45f, 35.18f);
  const LossParameters both{kCopperRough.res, kCopperRough.sr, 0.0001f};
  const ModeAttenuation sum = ms1los(kEr, 10.0f, kH, kH2, both, kS, 0.0f, kW, 61.45f, 35.18f);
  EXPECT_EQ(sum.ate, c.ate + d.ate);
  EXPECT_EQ(sum.ato, c.ato + d.ato);
  EXPECT_GT(c.ate, 0.0f);
  EXPECT_GT(c.ato, 0.0f);
}

TEST(Losses, ConductorLossFollowsTheSurfaceResistance) {
  const ModeAttenuation f1 = ms1los(kEr, 2.5f, kH, kH2, kCopperSmooth, kS, 0.0002f, kW, 60.0f, 36.0f);
  const ModeAttenuation f4 = ms1los(kEr, 10.0f, kH, kH2, kCopperSmooth, kS, 0.0002f, kW, 60.0f, 36.0f);
  EXPECT_NEAR(f4.ate / f1.ate, 2.0f, 1e-5f);  // sqrt(f)
  EXPECT_NEAR(f4.ato / f1.ato, 2.0f, 1e-5f);
  // Hammerstad's roughness factor for 5 micro-inch copper at 10 GHz.
  const ModeAttenuation rough = ms1los(kEr, 10.0f, kH, kH2, kCopperRough, kS, 0.0002f, kW, 60.0f, 36.0f);
  EXPECT_NEAR(rough.ate / f4.ate, 1.0334f, 1e-4f);
  EXPECT_NEAR(rough.ato / f4.ato, 1.0334f, 1e-4f);
  // Normalised by the mode impedance.
  const ModeAttenuation z2 = ms1los(kEr, 10.0f, kH, kH2, kCopperSmooth, kS, 0.0002f, kW, 120.0f, 72.0f);
  EXPECT_NEAR(z2.ate / f4.ate, 0.5f, 1e-6f);
  EXPECT_NEAR(z2.ato / f4.ato, 0.5f, 1e-6f);
}

// The air-filled impedances depend only on the ratios of the dimensions, so
// h dZ/dh + w dZ/dw + s dZ/ds + t dZ/dt = 0 (Euler), and the conductor loss
// of a geometry scaled by k is 1/k times as large.
TEST(Losses, DerivativesOfAScaleFreeImpedance) {
  struct Geometry {
    float h, s, t, w;
  };
  for (const Geometry& g : {Geometry{0.025f, 0.01f, 0.0002f, 0.025f}, Geometry{0.025f, 0.003f, 0.0007f, 0.012f},
                            Geometry{0.05f, 0.04f, 0.001f, 0.1f}}) {
    const Ms1losGeometry d = ms1los_geometry(kEr, g.h, 100.0f * g.h, g.s, g.t, g.w);
    const float even = g.h * d.dzedh + g.w * d.dzedw + g.s * d.dzeds + g.t * d.dzedt;
    const float odd = g.h * d.dzodh + g.w * d.dzodw + g.s * d.dzods + g.t * d.dzodt;
    EXPECT_LT(std::fabs(even), 0.02f * std::fabs(g.h * d.dzedh)) << g.w;
    EXPECT_LT(std::fabs(odd), 0.02f * std::fabs(g.h * d.dzodh)) << g.w;
    EXPECT_GT(d.dzedh, 0.0f);  // a thicker substrate raises the impedance
    EXPECT_LT(d.dzedw, 0.0f);  // a wider strip lowers it
    EXPECT_GT(d.dzods, 0.0f);  // a wider gap raises the odd-mode impedance

    const ModeAttenuation one = ms1los(kEr, 10.0f, g.h, 100.0f * g.h, kCopperSmooth, g.s, g.t, g.w, 60.0f, 36.0f);
    const ModeAttenuation two = ms1los(kEr, 10.0f, 2.0f * g.h, 200.0f * g.h, kCopperSmooth, 2.0f * g.s,
                                       2.0f * g.t, 2.0f * g.w, 60.0f, 36.0f);
    EXPECT_NEAR(two.ate / one.ate, 0.5f, 0.01f) << g.w;
    EXPECT_NEAR(two.ato / one.ato, 0.5f, 0.01f) << g.w;
  }
}

TEST(Losses, NoThicknessNoThicknessDerivative) {
  const Ms1losGeometry d = ms1los_geometry(kEr, kH, kH2, kS, 0.0f, kW);
  EXPECT_EQ(d.dzedt, 0.0f);
  EXPECT_EQ(d.dzodt, 0.0f);
  const Ms1losGeometry thick = ms1los_geometry(kEr, kH, kH2, kS, 0.0005f, kW);
  EXPECT_LT(thick.dzedt, 0.0f);  // a thicker strip lowers the impedance
}

}  // namespace
}  // namespace quorvane::testing
