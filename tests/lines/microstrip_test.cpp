#include "lines/microstrip.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/case_name.hpp"

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

// The dispersion at high normalised frequency (f*h of 25 to 50 GHz*mm,
// millimetre-wave designs), where terms that vanish near 10 GHz on alumina
// (the P3 fit of Kirschning-Jansen, R5 ... R9 and R11 ... R16 of
// Jansen-Kirschning) carry weight: a strip as wide as high, a narrow
// (u = 0.2) and a wide (u = 20) strip on alumina, and PTFE.  The expected
// values were evaluated in double precision from the published formulas of
// Hammerstad-Jensen, Kirschning-Jansen and Jansen-Kirschning, transcribed
// independently of this code (a short Python evaluation), and are given to
// six significant digits.  The tolerance is one unit of the sixth digit:
// half a unit for the rounding of the printed value, the rest for the
// single-precision arithmetic (a few parts in 10^7).  A changed constant
// that moves a value by 10^-5 of itself fails.
struct HighFrequency {
  const char* what;
  float er, h, w, f_ghz;
  float eff, eff_unit;  // expected, and one unit of its sixth digit
  float zof, zof_unit;
};

class MszoHighFrequency : public ::testing::TestWithParam<HighFrequency> {};

TEST_P(MszoHighFrequency, ReproducesTheIndependentEvaluation) {
  const HighFrequency& c = GetParam();
  const Msimp1 s = msimp(c.er, c.h, 100.0f * c.h, 0.0f, c.w);
  const Mszo1 d = mszo(s.effdc, c.er, c.f_ghz, c.h, c.w, s.zodc);
  EXPECT_NEAR(d.eff, c.eff, c.eff_unit) << c.what;
  EXPECT_NEAR(d.zof, c.zof, c.zof_unit) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    MillimetreWave, MszoHighFrequency,
    ::testing::Values(
        HighFrequency{"alumina u 1, fn 25.4", kEr, kH, kH, 40.0f, 8.18637f, 1e-5f, 61.1608f, 1e-4f},
        HighFrequency{"alumina u 1, fn 44.45", kEr, kH, kH, 70.0f, 8.85568f, 1e-5f, 79.6904f, 1e-4f},
        HighFrequency{"alumina u 0.2, fn 38.1", kEr, kH, 0.2f * kH, 60.0f, 7.79567f, 1e-5f, 162.026f, 1e-3f},
        HighFrequency{"alumina u 20, fn 38.1", kEr, kH, 20.0f * kH, 60.0f, 9.76696f, 1e-5f, 6.07476f, 1e-5f},
        HighFrequency{"PTFE er 2.2, 31 mil, u 3, fn 47.24", 2.2f, 0.031f, 0.093f, 60.0f, 2.07687f, 1e-5f,
                      60.4778f, 1e-4f}),
    testing::CaseName());

TEST(Mswh, FiftyOhmLeavesTheRecordsOfTheReturnedWidth) {
  ASSERT_EQ(k50.isyne, 0);
  EXPECT_TRUE(k50.evaluated);
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
  EXPECT_FALSE(r.evaluated);
  EXPECT_EQ(r.msimp1.zodc, 0.0f);
  EXPECT_EQ(r.mszo1.zof, 0.0f);
}

// Searches that cannot converge end at once with isyne = 1 and a finite
// width: strips so thick that the models give no number, impedances that
// have no width at all, and sub-ohm lines wider than 1000 substrate heights
// (the search range ends there).
struct NoWidth {
  const char* what;
  float er, t, zod;
  bool evaluated;
};

class MswhStops : public ::testing::TestWithParam<NoWidth> {};

TEST_P(MswhStops, QuicklyWithTheFlag) {
  const NoWidth& c = GetParam();
  const MswhResult r = mswh(c.er, 10.0f, kH, kCover, c.t, c.zod);
  EXPECT_EQ(r.isyne, 1) << c.what;
  EXPECT_EQ(r.evaluated, c.evaluated) << c.what;
  EXPECT_TRUE(std::isfinite(r.w)) << c.what;
  EXPECT_LT(r.steps, 50) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Impedances, MswhStops,
    ::testing::Values(NoWidth{"thick strip in air", 1.0f, 0.01f, 400.0f, true},
                      NoWidth{"thick strip, er 1.5", 1.5f, 0.01f, 380.0f, true},
                      NoWidth{"0.1 ohm", kEr, 0.0f, 0.1f, true},
                      NoWidth{"zero", kEr, 0.0f, 0.0f, false},
                      NoWidth{"negative", kEr, 0.0f, -50.0f, false},
                      NoWidth{"not a number", kEr, 0.0f,
                              std::numeric_limits<float>::quiet_NaN(), false}));

// Half an ohm is still inside the search range and converges.
TEST(Mswh, HalfAnOhmConvergesBelowTheWidthCeiling) {
  const MswhResult r = mswh(kEr, 10.0f, kH, kCover, 0.0f, 0.5f);
  ASSERT_EQ(r.isyne, 0);
  EXPECT_LT(r.w, kMswhMaxWidthRatio * kH);
  EXPECT_LT(std::fabs((0.5f - r.mszo1.zof) / 0.5f), 0.0001f);
}

}  // namespace
}  // namespace quorvane
