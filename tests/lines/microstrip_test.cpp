#include "lines/microstrip.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>

namespace quorvane {
namespace {

// Published reference: alumina, er 9.8, h = w = 25 mil, distant cover.
constexpr float kEr = 9.8f;
constexpr float kH = 0.025f;
constexpr float kCover = 2.5f;

// Each reference value is given to a number of digits; it must reproduce to
// half a unit of its last digit.
struct Reference {
  const char* what;
  float computed;
  float expected;
  float half_unit;
};

class MicrostripReference : public ::testing::TestWithParam<Reference> {};

TEST_P(MicrostripReference, ReproducesToTheDigitsGiven) {
  const Reference& c = GetParam();
  EXPECT_NEAR(c.computed, c.expected, c.half_unit) << c.what;
}

const Msimp1 kSquare = msimp(kEr, 1.0f, 1000.0f, 0.0f, 1.0f);
const Msimp1 kStatic = msimp(kEr, kH, kCover, 0.0f, kH);
const Mszo1 kAt10 = mszo(kStatic.effdc, kEr, 10.0f, kH, kH, kStatic.zodc);
const MswhResult k50 = mswh(kEr, 10.0f, kH, kCover, 0.0f, 50.0f);

INSTANTIATE_TEST_SUITE_P(
    Published, MicrostripReference,
    ::testing::Values(Reference{"msimp effdc", kSquare.effdc, 6.579f, 0.0005f},
                      Reference{"msimp zodc", kSquare.zodc, 49.29f, 0.005f},
                      Reference{"mszo eff at 10 GHz", kAt10.eff, 6.928f, 0.0005f},
                      Reference{"mszo zof at 10 GHz", kAt10.zof, 49.73f, 0.005f},
                      Reference{"Wheeler width of 50 ohm", wheeler_width(kEr, kH, 50.0f), 0.02440f,
                                0.000005f},
                      Reference{"mswh width of 50 ohm", k50.w, 0.02472f, 0.000005f}));

TEST(Mswh, FiftyOhmLeavesTheRecordsOfTheReturnedWidth) {
  ASSERT_EQ(k50.isyne, 0);
  const Msimp1 s = msimp(kEr, kH, kCover, 0.0f, k50.w);
  const Mszo1 d = mszo(s.effdc, kEr, 10.0f, kH, k50.w, s.zodc);
  EXPECT_EQ(k50.msimp1.effdc, s.effdc);
  EXPECT_EQ(k50.msimp1.zodc, s.zodc);
  EXPECT_EQ(k50.msimp1.u, k50.w / kH);
  EXPECT_EQ(k50.mszo1.eff, d.eff);
  EXPECT_EQ(k50.mszo1.zof, d.zof);
  EXPECT_LT(std::fabs((50.0f - d.zof) / 50.0f), 0.0001f);
}

TEST(Msimp, ZeroThicknessKeepsThePhysicalWidth) {
  EXPECT_EQ(kStatic.weff, kH);
  EXPECT_EQ(kStatic.u, 1.0f);
}

// The effective-width increase of a thick strip: independent of the width for
// strips wider than h/(2 pi), growing with the width below.
TEST(Msimp, ThicknessWidensTheStripByTheRightBranch) {
  const float t = 0.001f;
  const float wide1 = msimp(kEr, kH, kCover, t, 0.5f * kH).weff - 0.5f * kH;
  const float wide2 = msimp(kEr, kH, kCover, t, 3.0f * kH).weff - 3.0f * kH;
  EXPECT_GT(wide1, 0.0f);
  EXPECT_NEAR(wide1, wide2, 1e-7f);
  const float narrow1 = msimp(kEr, kH, kCover, t, 0.05f * kH).weff - 0.05f * kH;
  const float narrow2 = msimp(kEr, kH, kCover, t, 0.1f * kH).weff - 0.1f * kH;
  EXPECT_GT(narrow2, narrow1 * 1.05f);
  // Both branches meet at u = 1/(2 pi).
  const float edge = kH / (2.0f * lines::pi);
  EXPECT_NEAR(msimp(kEr, kH, kCover, t, edge * 0.999f).weff - edge * 0.999f,
              msimp(kEr, kH, kCover, t, edge * 1.001f).weff - edge * 1.001f, 2e-6f);
}

TEST(Msimp, ThicknessLowersImpedanceAndEffectiveDielectricConstant) {
  const Msimp1 thick = msimp(kEr, kH, kCover, 0.002f, kH);
  EXPECT_LT(thick.zoa, kStatic.zoa);
  EXPECT_LT(thick.effdc, kStatic.effdc);
  EXPECT_LT(thick.zodc, kStatic.zodc);
}

// The cover is ignored beyond 100 heights; at exactly 100 heights its
// correction still runs and is negligible (below single-precision
// resolution for the filling factor).
TEST(Msimp, CoverAtOneHundredHeightsIsNegligible) {
  const Msimp1 none = msimp(kEr, 1.0f, 1000.0f, 0.0f, 1.0f);
  const Msimp1 just_beyond = msimp(kEr, 1.0f, 100.001f, 0.0f, 1.0f);
  const Msimp1 at100 = msimp(kEr, 1.0f, 100.0f, 0.0f, 1.0f);
  EXPECT_EQ(just_beyond.zoa, none.zoa);
  EXPECT_EQ(just_beyond.effdc, none.effdc);
  EXPECT_NEAR(at100.effdc, none.effdc, 1e-6f * none.effdc);
  EXPECT_NEAR(at100.zoa, none.zoa, 1e-5f * none.zoa);
}

TEST(Msimp, CloseCoverLowersTheImpedanceInAir) {
  const Msimp1 covered = msimp(kEr, 1.0f, 2.0f, 0.0f, 1.0f);
  EXPECT_LT(covered.zoa, kSquare.zoa - 1.0f);
  EXPECT_LT(covered.zodc, kSquare.zodc);
}

// Air and zero frequency are the closed-form limits of the dispersion model.
TEST(Mszo, AirOrZeroFrequencyReturnsTheStaticValues) {
  const Msimp1 air = msimp(1.0f, kH, kCover, 0.0f, kH);
  EXPECT_EQ(air.effdc, 1.0f);
  const Mszo1 in_air = mszo(air.effdc, 1.0f, 10.0f, kH, kH, air.zodc);
  EXPECT_EQ(in_air.eff, air.effdc);
  EXPECT_EQ(in_air.zof, air.zodc);
  const Mszo1 dc = mszo(kStatic.effdc, kEr, 0.0f, kH, kH, kStatic.zodc);
  EXPECT_EQ(dc.eff, kStatic.effdc);
  EXPECT_EQ(dc.zof, kStatic.zodc);
}

// Over a grid of widths that crosses every width threshold of the models
// (u = 7, 14, 27, 135) and dielectric constants on both sides of er = 25, the
// static impedance falls as the strip widens, the static effective
// dielectric constant rises, and with frequency the effective dielectric
// constant rises from its static value toward er without reaching it.
class MicrostripPhysics : public ::testing::TestWithParam<float> {};

TEST_P(MicrostripPhysics, ImpedanceFallsWithWidthAndDispersionRisesTowardEr) {
  const float er = GetParam();
  // Up to fn = 25 GHz*mm, the range the dispersion formulas were fitted to.
  const float freqs[] = {0.0f, 1.0f, 5.0f, 10.0f, 20.0f, 30.0f, 40.0f};
  float last_zodc = std::numeric_limits<float>::infinity();
  float last_effdc = 0.0f;
  float last_zof = std::numeric_limits<float>::infinity();
  for (float u = 0.02f; u < 400.0f; u *= 1.25f) {
    const float w = u * kH;
    const Msimp1 s = msimp(er, kH, 100.0f * kH, 0.0f, w);
    EXPECT_LT(s.zodc, last_zodc) << "er " << er << " u " << u;
    EXPECT_GT(s.effdc, last_effdc) << "er " << er << " u " << u;
    EXPECT_GT(s.effdc, 1.0f);
    EXPECT_LT(s.effdc, er);
    last_zodc = s.zodc;
    last_effdc = s.effdc;

    float last_eff = 0.0f;
    for (float f : freqs) {
      const Mszo1 d = mszo(s.effdc, er, f, kH, w, s.zodc);
      ASSERT_TRUE(std::isfinite(d.eff) && std::isfinite(d.zof)) << "u " << u << " f " << f;
      EXPECT_GE(d.eff, s.effdc);
      EXPECT_GE(d.eff, last_eff) << "er " << er << " u " << u << " f " << f;
      EXPECT_LT(d.eff, er);
      EXPECT_GT(d.zof, 0.0f);
      last_eff = d.eff;
    }
    const Mszo1 at10 = mszo(s.effdc, er, 10.0f, kH, w, s.zodc);
    EXPECT_LT(at10.zof, last_zof) << "er " << er << " u " << u;
    last_zof = at10.zof;
  }
}

INSTANTIATE_TEST_SUITE_P(Substrates, MicrostripPhysics,
                         ::testing::Values(2.2f, 9.8f, 24.9f, 25.1f, 40.0f));

// The term replaced above er = 25 (p4 = 3.751) is its limit there.
TEST(Mszo, DielectricThresholdIsContinuous) {
  const float w = 2.0f * kH;
  const float at = 25.0f;
  const float above = std::nextafter(25.0f, 26.0f);
  const Msimp1 sa = msimp(at, kH, kCover, 0.0f, w);
  const Msimp1 sb = msimp(above, kH, kCover, 0.0f, w);
  const Mszo1 da = mszo(sa.effdc, at, 20.0f, kH, w, sa.zodc);
  const Mszo1 db = mszo(sb.effdc, above, 20.0f, kH, w, sb.zodc);
  EXPECT_NEAR(da.eff, db.eff, 1e-5f * da.eff);
  EXPECT_NEAR(da.zof, db.zof, 1e-5f * da.zof);
}

// Very wide strips: u > 135 drops r3, u > 27 keeps the whole r16 term.
TEST(Mszo, VeryWideStripsStayFiniteAndBelowTheStaticImpedance) {
  for (float u : {28.0f, 140.0f, 1000.0f}) {
    const float w = u * kH;
    const Msimp1 s = msimp(kEr, kH, kCover, 0.0f, w);
    const Mszo1 d = mszo(s.effdc, kEr, 10.0f, kH, w, s.zodc);
    EXPECT_TRUE(std::isfinite(d.zof)) << u;
    EXPECT_GT(d.zof, 0.0f) << u;
    EXPECT_LT(d.eff, kEr) << u;
    EXPECT_GT(d.eff, s.effdc) << u;
  }
}

// mswh converges from both sides: Wheeler's width too narrow (the width
// doubles first) or too wide (thick strips: steps of 3 % down).
struct WidthCase {
  float er, h, t, zod;
};

class MswhConverges : public ::testing::TestWithParam<WidthCase> {};

TEST_P(MswhConverges, DispersiveImpedanceMatchesWithinTolerance) {
  const WidthCase& c = GetParam();
  const MswhResult r = mswh(c.er, 10.0f, c.h, 100.0f * c.h, c.t, c.zod);
  ASSERT_EQ(r.isyne, 0);
  EXPECT_LT(std::fabs((c.zod - r.mszo1.zof) / c.zod), 0.0001f);
  const Msimp1 s = msimp(c.er, c.h, 100.0f * c.h, c.t, r.w);
  EXPECT_EQ(r.msimp1.zodc, s.zodc);
  EXPECT_EQ(r.mszo1.zof, mszo(s.effdc, c.er, 10.0f, c.h, r.w, s.zodc).zof);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, MswhConverges,
    ::testing::Values(WidthCase{9.8f, 0.025f, 0.0f, 50.0f}, WidthCase{9.8f, 0.025f, 0.0f, 2.0f},
                      WidthCase{9.8f, 0.025f, 0.0f, 200.0f},
                      WidthCase{2.2f, 0.031f, 0.0f, 75.0f},
                      WidthCase{2.2f, 0.031f, 0.0014f, 50.0f},
                      WidthCase{9.8f, 0.025f, 0.002f, 100.0f},
                      WidthCase{1.0f, 0.025f, 0.0f, 120.0f}));

// When the analysed impedance of Wheeler's width already equals the wanted
// one, mswh returns Wheeler's width after one evaluation.  Wheeler ignores
// the strip thickness, so a thickness found by bisection makes the analysed
// impedance of Wheeler's 50-ohm width equal 50 ohm within the tolerance.
TEST(Mswh, WantedImpedanceOfWheelersWidthReturnsThatWidth) {
  const float w0 = wheeler_width(kEr, kH, 50.0f);
  auto analysed = [&](float t) {
    const Msimp1 s = msimp(kEr, kH, kCover, t, w0);
    return mszo(s.effdc, kEr, 10.0f, kH, w0, s.zodc).zof;
  };
  float lo = 0.0f;       // analysed impedance above 50 ohm
  float hi = 0.002f;     // below
  ASSERT_GT(analysed(lo), 50.0f);
  ASSERT_LT(analysed(hi), 50.0f);
  float t = 0.0f;
  for (int i = 0; i < 60; ++i) {
    t = 0.5f * (lo + hi);
    const float z = analysed(t);
    if (std::fabs((50.0f - z) / 50.0f) < 0.00002f) break;
    (z > 50.0f ? lo : hi) = t;
  }
  ASSERT_LT(std::fabs((50.0f - analysed(t)) / 50.0f), 0.0001f);
  const MswhResult r = mswh(kEr, 10.0f, kH, kCover, t, 50.0f);
  EXPECT_EQ(r.isyne, 0);
  EXPECT_EQ(r.w, w0);
  EXPECT_EQ(r.mszo1.zof, analysed(t));
}

TEST(Mswh, ThreeHundredOhmIsUnrealizable) {
  const MswhResult r = mswh(kEr, 10.0f, kH, kCover, 0.0f, 300.0f);
  EXPECT_EQ(r.isyne, 1);
  EXPECT_EQ(r.w, wheeler_width(kEr, kH, 300.0f));
  EXPECT_LT(r.w, kMswhMinWheelerWidth);
  EXPECT_EQ(r.msimp1.zodc, 0.0f);
  EXPECT_EQ(r.mszo1.zof, 0.0f);
}

// Searches that cannot converge end at once with isyne = 1 and a finite width:
// a strip so thick that its effective width turns negative (the models give
// no number), and impedances that have no width at all.
TEST(Mswh, SearchesThatCannotConvergeEndQuickly) {
  struct Case {
    float er, t, zod;
  };
  for (const Case& c : {Case{1.0f, 0.01f, 400.0f}, Case{1.5f, 0.01f, 380.0f},
                        Case{kEr, 0.0f, 0.0f}, Case{kEr, 0.0f, -50.0f},
                        Case{kEr, 0.0f, std::numeric_limits<float>::quiet_NaN()}}) {
    const auto start = std::chrono::steady_clock::now();
    const MswhResult r = mswh(c.er, 10.0f, kH, kCover, c.t, c.zod);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r.isyne, 1) << c.er << " " << c.t << " " << c.zod;
    EXPECT_TRUE(std::isfinite(r.w)) << c.zod;
    EXPECT_LT(seconds, 0.5);
  }
}

TEST(Mswh, MessageTextsForTheDialogue) {
  EXPECT_STREQ(kMswhUnrealizableLine1, "The Impedance requires an unrealizable Strip Width.");
  EXPECT_STREQ(kMswhUnrealizableLine2,
               "Strip Width SYNTHESIS calculations terminated by Microstrip.");
}

}  // namespace
}  // namespace quorvane
