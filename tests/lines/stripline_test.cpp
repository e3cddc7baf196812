#include "lines/stripline.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "support/case_name.hpp"

namespace quorvane {
namespace {

using testing::CaseName;

constexpr float kB = 0.125f;  // ground-plane spacing of the references, inch
constexpr float kEr = 2.2f;
constexpr float kEta = 376.7f;  // wave impedance of the coupled-strip equations, ohm
constexpr double kPi = 3.14159265358979323846;

// Complete elliptic integral of the first kind by the arithmetic-geometric
// mean, in double precision: an implementation independent of Hilberg's
// closed form, to compare the single-precision models with.
double elliptic_k(double k) {
  double a = 1.0;
  double g = std::sqrt(1.0 - k * k);
  for (int i = 0; i < 30; ++i) {
    const double an = 0.5 * (a + g);
    g = std::sqrt(a * g);
    a = an;
  }
  return kPi / (2.0 * a);
}

// K(k') / K(k).
double complementary_ratio(double k) { return elliptic_k(std::sqrt(1.0 - k * k)) / elliptic_k(k); }

// Cohn's exact impedance of a zero-thickness strip, w in units of b:
// Z0 sqrt(er) = 30 pi K(k) / K(k'), k = sech(pi w / 2b).
double exact_single(double wb, double er) {
  return 30.0 * kPi / std::sqrt(er) / complementary_ratio(1.0 / std::cosh(kPi * wb / 2.0));
}

// Cohn's exact even- and odd-mode impedances of zero-thickness coupled
// strips, w and s in units of b.
struct ModeImpedances {
  double zoe, zoo;
};
ModeImpedances exact_coupled(double wb, double sb, double er) {
  const double tw = std::tanh(kPi * wb / 2.0);
  const double tws = std::tanh(kPi * (wb + sb) / 2.0);
  const double z = 30.0 * kPi / std::sqrt(er);
  return {z * complementary_ratio(tw * tws), z * complementary_ratio(tw / tws)};
}

// ---------------------------------------------------------------- slzo ----

// The published references, to half a unit of their fourth digit.
struct SlzoReference {
  const char* what;
  float t, w;  // inch
  float zo;    // ohm
};

class SlzoReferences : public ::testing::TestWithParam<SlzoReference> {};

TEST_P(SlzoReferences, ReproduceToFourDigits) {
  const SlzoReference& c = GetParam();
  EXPECT_NEAR(slzo(kB, kEr, c.t, c.w), c.zo, 0.005f);
}

INSTANTIATE_TEST_SUITE_P(Published, SlzoReferences,
                         ::testing::Values(SlzoReference{"zero thickness", 0.0f, 0.1f, 51.21f},
                                           SlzoReference{"Wheeler thick strip", 0.0014f, 0.1f, 49.84f},
                                           SlzoReference{"wide strip beyond 1.5 b", 0.0f, 0.2f, 31.13f}),
                         CaseName());

// For t = 0 both branches stay within a few parts per million of the exact
// elliptic-integral ratio: narrow strips (modulus above 1/sqrt 2), the
// reciprocal form below it, the point where K = K', and the wide-strip form
// above w/b = 1.5.  At 1.5 itself the elliptic ratio is still used; the wide
// form would be about 3e-6 off there, so the tolerance of that row tells the
// branches apart.
struct ExactCase {
  const char* what;
  float wb;
  double rel_tolerance;
};

class SlzoZeroThickness : public ::testing::TestWithParam<ExactCase> {};

TEST_P(SlzoZeroThickness, FollowsTheExactEllipticRatio) {
  const ExactCase& c = GetParam();
  for (const float er : {1.0f, 2.2f, 10.2f}) {
    const double exact = exact_single(c.wb, er);
    const double zo = slzo(kB, er, 0.0f, c.wb * kB);
    EXPECT_NEAR(zo / exact - 1.0, 0.0, c.rel_tolerance) << "er " << er << " zo " << zo << " exact " << exact;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Branches, SlzoZeroThickness,
    ::testing::Values(ExactCase{"very narrow", 0.01f, 2e-5}, ExactCase{"narrow", 0.2f, 2e-6},
                      ExactCase{"K equals K prime", 0.56109918f, 4e-6}, ExactCase{"reciprocal form", 1.0f, 2e-6},
                      ExactCase{"at 1.5 the elliptic ratio", 1.5f, 1.5e-6},
                      ExactCase{"just above 1.5 the wide form", 1.5000001f, 5e-6},
                      ExactCase{"wide", 3.0f, 2e-6}, ExactCase{"very wide", 10.0f, 2e-5}),
    CaseName());

// Where the modulus is 1/sqrt 2 the ratio K/K' is 1: Z0 sqrt(er) = 30 pi.
TEST(Slzo, EqualModuliGiveThirtyPi) {
  const float wb = 2.0f / 3.14159265f * std::acosh(std::sqrt(2.0f));
  EXPECT_NEAR(slzo(kB, 1.0f, 0.0f, wb * kB), 94.24778f, 0.0005f);
  EXPECT_NEAR(slzo(kB, 4.0f, 0.0f, wb * kB), 47.12389f, 0.0003f);
}

// Wheeler's thick-strip formula tends to the zero-thickness impedance as the
// thickness vanishes, and a thicker strip of the same width has the lower
// impedance.
TEST(Slzo, ThickStripTendsToTheZeroThicknessValue) {
  for (const float w : {0.02f, 0.1f, 0.3f}) {
    const float flat = slzo(kB, kEr, 0.0f, w);
    EXPECT_NEAR(slzo(kB, kEr, 1e-7f, w) / flat, 1.0f, 0.005f) << w;
    float last = slzo(kB, kEr, 1e-5f, w);
    for (const float t : {0.0005f, 0.0014f, 0.005f, 0.02f}) {
      const float zo = slzo(kB, kEr, t, w);
      EXPECT_LT(zo, last) << "w " << w << " t " << t;
      last = zo;
    }
  }
}

// ---------------------------------------------------------------- slwb ----

TEST(Slwb, PublishedWidthsOfFiftyOhms) {
  const SlwbResult flat = slwb(kB, kEr, 0.0f, 50.0f);
  EXPECT_EQ(flat.isyne, 0);
  EXPECT_EQ(flat.steps, 0);  // the closed form is already within 0.1 %
  EXPECT_NEAR(flat.w, 0.1037f, 0.00005f);
  const SlwbResult thick = slwb(kB, kEr, 0.0014f, 50.0f);
  EXPECT_EQ(thick.isyne, 0);
  EXPECT_NEAR(thick.w, 0.0995f, 0.00005f);
}

// The width returned has the impedance returned, within 0.1 % of the target;
// the low impedances start from the capped modulus, 5.3 b, and walk a long
// way in steps of a hundredth of it (0.1 ohm in air takes about 17700 steps).
struct WidthCase {
  const char* what;
  float er, t, zo;
};

class SlwbFinds : public ::testing::TestWithParam<WidthCase> {};

TEST_P(SlwbFinds, AWidthOfTheWantedImpedance) {
  const WidthCase& c = GetParam();
  const SlwbResult r = slwb(kB, c.er, c.t, c.zo);
  ASSERT_EQ(r.isyne, 0);
  EXPECT_TRUE(r.converged);
  EXPECT_GE(r.w, kSlwbMinimumWidth);
  EXPECT_EQ(r.zo, slzo(kB, c.er, c.t, r.w));
  EXPECT_LT(std::fabs(r.zo - c.zo), 0.001f * c.zo) << r.zo;
}

INSTANTIATE_TEST_SUITE_P(
    Targets, SlwbFinds,
    ::testing::Values(WidthCase{"25 ohm flat", 2.2f, 0.0f, 25.0f}, WidthCase{"75 ohm flat", 10.2f, 0.0f, 75.0f},
                      WidthCase{"150 ohm flat", 2.2f, 0.0f, 150.0f}, WidthCase{"25 ohm thick", 2.2f, 0.0014f, 25.0f},
                      WidthCase{"75 ohm thick", 10.2f, 0.0014f, 75.0f},
                      WidthCase{"120 ohm thick", 1.0f, 0.005f, 120.0f},
                      WidthCase{"200 ohm thick, narrow", 2.2f, 0.0014f, 200.0f},
                      WidthCase{"10 ohm flat, capped modulus", 2.2f, 0.0f, 10.0f},
                      WidthCase{"1 ohm in air", 1.0f, 0.0f, 1.0f},
                      WidthCase{"a tenth of an ohm in air", 1.0f, 0.0f, 0.1f},
                      WidthCase{"a hundredth of an ohm in air", 1.0f, 0.0f, 0.01f}),
    CaseName());

// A target that needs a strip below the floor ends with the flag after at
// most a few dozen steps; the width and impedance returned stay numbers.
// Very high impedances are rejected by the closed form itself: for t = 0 the
// width is then 0, also where exp(pi a) would overflow; Wheeler's inverse
// gives a negative width, and beyond that none, returned as 0.
struct UnreachableCase {
  const char* what;
  float t, zo;
  long max_steps;
  bool closed_form_rejects;
};

class SlwbUnreachable : public ::testing::TestWithParam<UnreachableCase> {};

TEST_P(SlwbUnreachable, EndsQuicklyWithTheFlag) {
  const UnreachableCase& c = GetParam();
  const SlwbResult r = slwb(kB, kEr, c.t, c.zo);
  EXPECT_EQ(r.isyne, 1);
  EXPECT_LE(r.steps, c.max_steps);
  EXPECT_TRUE(std::isfinite(r.zo));
  if (c.closed_form_rejects) {
    EXPECT_EQ(r.steps, 0);
    EXPECT_EQ(r.zo, c.zo);  // the wanted impedance is kept
  } else {
    EXPECT_GT(r.steps, 0);
    EXPECT_LT(r.w, kSlwbMinimumWidth);
    EXPECT_EQ(r.zo, slzo(kB, kEr, c.t, r.w));  // the impedance of the rejected width
  }
  EXPECT_TRUE(std::isfinite(r.w));
  EXPECT_LT(r.w, kSlwbMinimumWidth);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, SlwbUnreachable,
    ::testing::Values(UnreachableCase{"flat, rejected during the search", 0.0f, 357.0f, 40, false},
                      UnreachableCase{"flat 500 ohm", 0.0f, 500.0f, 0, true},
                      UnreachableCase{"flat 3000 ohm, exp would overflow", 0.0f, 3000.0f, 0, true},
                      UnreachableCase{"flat 1e6 ohm", 0.0f, 1e6f, 0, true},
                      UnreachableCase{"thick, rejected during the search", 0.0014f, 215.0f, 40, false},
                      UnreachableCase{"thick, negative closed form", 0.0014f, 240.0f, 0, true},
                      UnreachableCase{"thick 300 ohm, no closed form", 0.0014f, 300.0f, 0, true},
                      UnreachableCase{"thick 1000 ohm", 0.0014f, 1000.0f, 0, true},
                      UnreachableCase{"thick 3000 ohm, exp would overflow", 0.0014f, 3000.0f, 0, true}),
    CaseName());

// A target so low that the strip would have to be wider than single
// precision can step to: the search walks until a step no longer moves the
// width and ends there, unconverged and without the flag, well inside the cap.
TEST(Slwb, SearchThatCanNoLongerMoveEnds) {
  const SlwbResult r = slwb(kB, 1.0f, 0.0f, 1e-6f);
  EXPECT_EQ(r.isyne, 0);
  EXPECT_FALSE(r.converged);
  EXPECT_LT(r.steps, kSlwbMaxSteps);
  EXPECT_GT(r.steps, 1L << 23);
  EXPECT_TRUE(std::isfinite(r.w));
  EXPECT_EQ(r.zo, slzo(kB, 1.0f, 0.0f, r.w));
}

// ---------------------------------------------------------------- slws ----

TEST(SlwsSubstrate, FringingCapacitanceOfTheEdges) {
  const SlwsSubstrate flat = slws_substrate(0.0f, kEr);
  EXPECT_NEAR(flat.cf0, 0.4412712f, 1e-6f);  // (2/pi) ln 2
  EXPECT_EQ(flat.cftb, flat.cf0);
  EXPECT_EQ(flat.cftb75, flat.cf0);
  // Cohn's C'f of a thick strip tends to the zero-thickness value and grows
  // with the thickness; the 0.75 t value lies between.
  EXPECT_NEAR(slws_substrate(1e-4f, kEr).cftb, flat.cf0, 0.002f);
  float last = flat.cf0;
  for (const float t : {0.01f, 0.05f, 0.1f, 0.3f}) {
    const SlwsSubstrate sub = slws_substrate(t, kEr);
    EXPECT_GT(sub.cftb, last) << t;
    EXPECT_GT(sub.cftb75, flat.cf0) << t;
    EXPECT_LT(sub.cftb75, sub.cftb) << t;
    EXPECT_NEAR(sub.check, 0.35f * (1.0f - t), 1e-6f);
    last = sub.cftb;
  }
}

// Zero-thickness sections against Cohn's exact even- and odd-mode
// impedances of the widths and gaps found.  The design equations are close
// for wide strips; below w = 0.35 b the narrow-strip correction keeps them
// within a few per cent (without it the last three rows would be off by 10
// to 30 %).
struct CoupledCase {
  const char* what;
  float zoe, zoo;
  double zoe_tolerance, zoo_tolerance;  // relative
};

class SlwsZeroThickness : public ::testing::TestWithParam<CoupledCase> {};

TEST_P(SlwsZeroThickness, ReproducesTheModeImpedances) {
  const CoupledCase& c = GetParam();
  for (const float er : {1.0f, 2.2f, 10.2f}) {
    // The same normalised design in every dielectric.
    const float scale = std::sqrt(2.2f / er);
    const CoupledStripSection sec = slws_section(slws_substrate(0.0f, er), c.zoe * scale, c.zoo * scale);
    ASSERT_TRUE(sec.realizable);
    EXPECT_EQ(sec.delc0, sec.delctb);
    const ModeImpedances z = exact_coupled(sec.w, sec.s, er);
    EXPECT_NEAR(z.zoe / (c.zoe * scale) - 1.0, 0.0, c.zoe_tolerance) << "er " << er << " w " << sec.w;
    EXPECT_NEAR(z.zoo / (c.zoo * scale) - 1.0, 0.0, c.zoo_tolerance) << "er " << er << " s " << sec.s;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sections, SlwsZeroThickness,
    ::testing::Values(CoupledCase{"road example end section", 66.849f, 40.234f, 0.002, 0.006},
                      CoupledCase{"loose, no refinement", 53.476f, 46.95f, 0.002, 0.003},
                      CoupledCase{"tight", 70.0f, 35.0f, 0.002, 0.006},
                      CoupledCase{"medium width", 90.0f, 60.0f, 0.005, 0.025},
                      CoupledCase{"narrow, loose", 120.0f, 100.0f, 0.03, 0.02},
                      CoupledCase{"narrow", 130.0f, 90.0f, 0.045, 0.035},
                      CoupledCase{"very narrow", 150.0f, 110.0f, 0.04, 0.07}),
    CaseName());

// Weakly coupled strips are each nearly a single strip of the mean
// impedance: Cohn's coupled design and Wheeler's single-strip synthesis
// agree on the width, with and without thickness.
TEST(Slws, WeakCouplingApproachesTheSingleStrip) {
  for (const float t : {0.0f, 0.0112f, 0.05f, 0.1f}) {
    for (const float z : {35.0f, 50.0f}) {
      const CoupledStripSection sec = slws_section(slws_substrate(t, kEr), 1.01f * z, z / 1.01f);
      const SlwbResult single = slwb(1.0f, kEr, t, z);
      ASSERT_TRUE(sec.realizable);
      EXPECT_NEAR(sec.w / single.w, 1.0f, 0.025f) << "t " << t << " z " << z;
    }
  }
}

// For the same mode impedances a thicker strip must be narrower (it has
// more fringing capacitance) and stand further off (its facing edges couple
// more).
TEST(Slws, ThickerStripsAreNarrowerAndFurtherApart) {
  for (const auto& [zoe, zoo] : {std::pair{66.849f, 40.234f}, std::pair{60.0f, 40.0f}, std::pair{90.0f, 60.0f}}) {
    float w = 2.0f;
    float s = 0.0f;
    for (const float t : {0.0f, 0.001f, 0.005f, 0.01f, 0.02f, 0.05f, 0.1f, 0.2f}) {
      const CoupledStripSection sec = slws_section(slws_substrate(t, kEr), zoe, zoo);
      ASSERT_TRUE(sec.realizable) << t;
      EXPECT_LT(sec.w, w) << zoe << "/" << zoo << " t " << t;
      EXPECT_GT(sec.s, s) << zoe << "/" << zoo << " t " << t;
      w = sec.w;
      s = sec.s;
    }
  }
}

// The narrow-strip correction begins at w = 0.35 (b - t) and joins the
// uncorrected width there: along a family of ever narrower sections, loose
// enough to need no gap refinement, the width falls through the threshold
// without a jump.
TEST(Slws, NarrowStripCorrectionJoinsAtItsThreshold) {
  for (const float t : {0.0f, 0.02f}) {
    const SlwsSubstrate sub = slws_substrate(t, kEr);
    std::vector<float> widths;
    for (float zoe = 80.0f; zoe <= 110.0f; zoe += 0.05f) {
      const CoupledStripSection sec = slws_section(sub, zoe, 0.85f * zoe);
      ASSERT_TRUE(sec.realizable);
      ASSERT_EQ(sec.gap_steps, 0);
      widths.push_back(sec.w);
    }
    ASSERT_GT(widths.front(), sub.check);
    ASSERT_LT(widths.back(), sub.check);
    for (std::size_t i = 1; i < widths.size(); ++i) {
      EXPECT_GT(widths[i - 1] - widths[i], 0.0f) << "t " << t << " at " << i;
      EXPECT_LT(widths[i - 1] - widths[i], 0.0006f) << "t " << t << " at " << i;
    }
  }
}

// For t = 0 the refinement's first comparison sets two quantities against
// each other that are equal in exact arithmetic (the gap was just inverted
// from the same fringing difference), so the last bit of rounding decides
// whether the gap takes one step of 1.01 or none.  Both cases are pinned to
// the bit: a change in the order of operations or in the compiler's
// floating-point contraction moves at least one of them.
struct BorderlineCase {
  const char* what;
  float zoe, zoo;
  float s0;  // the zero-thickness inversion, exact
  int steps;
};

class SlwsBorderline : public ::testing::TestWithParam<BorderlineCase> {};

TEST_P(SlwsBorderline, TakesExactlyTheStepsOfItsRounding) {
  const BorderlineCase& c = GetParam();
  const CoupledStripSection sec = slws_section(slws_substrate(0.0f, kEr), c.zoe, c.zoo);
  ASSERT_TRUE(sec.realizable);
  EXPECT_EQ(sec.s0, c.s0);
  EXPECT_EQ(sec.gap_steps, c.steps);
  EXPECT_EQ(sec.s, c.steps == 0 ? c.s0 : 1.01f * c.s0);
}

INSTANTIATE_TEST_SUITE_P(Rounding, SlwsBorderline,
                         ::testing::Values(BorderlineCase{"stops at once", 55.0f, 37.0f, 0x1.c320cap-4f, 0},
                                           BorderlineCase{"one more step", 59.0f, 45.0f, 0x1.db6e7cp-3f, 1}),
                         CaseName());

// Thick coupled strips have no closed-form reference: the refinement scales
// the even-mode fringing with the full-thickness term, the final width with
// the 0.75 t term.  The road example's sections on 0.0014-inch foil in a
// 0.125-inch spacing are pinned to the bit, so that a change of either term
// or of the single-precision evaluation shows.
struct ThickCase {
  const char* what;
  float zoe, zoo;
  float w, s;  // width and gap / b
  int steps;
};

class SlwsThick : public ::testing::TestWithParam<ThickCase> {};

TEST_P(SlwsThick, KeepsItsSinglePrecisionResult) {
  const ThickCase& c = GetParam();
  const CoupledStripSection sec = slws_section(slws_substrate(0.0014f / 0.125f, kEr), c.zoe, c.zoo);
  ASSERT_TRUE(sec.realizable);
  EXPECT_EQ(sec.gap_steps, c.steps);
  EXPECT_EQ(sec.w, c.w);
  EXPECT_EQ(sec.s, c.s);
}

INSTANTIATE_TEST_SUITE_P(
    RoadExample, SlwsThick,
    ::testing::Values(ThickCase{"end section, refined", 66.849f, 40.234f, 0x1.5222e2p-1f, 0x1.ae54eap-4f, 7},
                      ThickCase{"inner section, loose", 53.476f, 46.95f, 0x1.93efd8p-1f, 0x1.ce96a8p-2f, 0}),
    CaseName());

TEST(Slws, GapOfAtLeastThreeTenthsAndAHalfSkipsTheRefinement) {
  const CoupledStripSection sec = slws_section(slws_substrate(0.0112f, kEr), 53.476f, 46.95f);
  ASSERT_GE(sec.s0, 0.35f);
  EXPECT_EQ(sec.gap_steps, 0);
  EXPECT_EQ(sec.s, sec.s0);
  EXPECT_TRUE(sec.realizable);
}

// Sections whose width (before the narrow-strip correction) or gap is not
// positive cannot be built; they are flagged and carry no dimensions, even
// where the correction would have turned a negative width positive.  So is
// every section of a strip that does not fit between the ground planes.
struct UnbuildableCase {
  const char* what;
  float t, er, zoe, zoo;
};

class SlwsUnbuildable : public ::testing::TestWithParam<UnbuildableCase> {};

TEST_P(SlwsUnbuildable, IsFlaggedWithoutDimensions) {
  const UnbuildableCase& c = GetParam();
  const CoupledStripSection sec = slws_section(slws_substrate(c.t, c.er), c.zoe, c.zoo);
  EXPECT_FALSE(sec.realizable);
  EXPECT_TRUE(std::isnan(sec.w));
  EXPECT_TRUE(std::isnan(sec.s));
  EXPECT_LE(sec.gap_steps, kSlwsMaxGapSteps);
}

INSTANTIATE_TEST_SUITE_P(
    Sections, SlwsUnbuildable,
    ::testing::Values(UnbuildableCase{"negative width, Zoe 120 Zoo 50 Er 10", 0.0f, 10.0f, 120.0f, 50.0f},
                      UnbuildableCase{"negative width, thick", 0.0112f, 10.0f, 120.0f, 50.0f},
                      UnbuildableCase{"uncoupled, no finite gap", 0.0f, 2.2f, 50.0f, 50.0f},
                      UnbuildableCase{"odd mode above even mode", 0.0f, 2.2f, 45.0f, 55.0f},
                      UnbuildableCase{"coupling too tight for a gap", 0.0f, 1.0f, 60.0f, 3.0f},
                      UnbuildableCase{"strip thicker than the spacing", 1.5f, 2.2f, 66.849f, 40.234f}),
    CaseName());

// The refinement cap stops only what cannot end.  The longest refinements
// start from the smallest positive gap, 3.8e-8 b; across the thicknesses
// they end far below the cap.  A strip of more than about 0.96 b overflows
// the thick-strip fringing term in single precision: those refinements run
// into the cap and are flagged.
TEST(Slws, GapRefinementCapChangesNoConvergingResult) {
  for (const float t : {0.0f, 0.01f, 0.1f, 0.3f, 0.6f, 0.9f, 0.95f}) {
    const SlwsSubstrate sub = slws_substrate(t, 1.0f);
    // Odd-mode impedance for the largest fringing difference that still
    // gives a positive gap, with an even mode too high to matter.
    const float delctb = 11.0f * (1.0f + 4.5f * t);
    const CoupledStripSection sec = slws_section(sub, 1e30f, kEta / (2.0f * delctb));
    ASSERT_GT(sec.s0, 0.0f) << t;
    ASSERT_LT(sec.s0, 1e-6f) << t;
    EXPECT_LT(sec.gap_steps, kSlwsMaxGapSteps / 2) << t;
  }
  for (const float t : {0.97f, 0.99f}) {
    const float delctb = 11.0f * (1.0f + 4.5f * t);
    const CoupledStripSection sec = slws_section(slws_substrate(t, 1.0f), 1e30f, kEta / (2.0f * delctb));
    ASSERT_LT(sec.s0, 0.35f) << t;
    EXPECT_EQ(sec.gap_steps, kSlwsMaxGapSteps) << t;
    EXPECT_FALSE(sec.realizable) << t;
  }
}

// The whole filter: sections 1 ... n+1 are those of slws_section, the rest
// of the table stays empty, and an unbuildable section leaves its
// neighbours alone.
TEST(Slws, FillsSectionsOneToNPlusOne) {
  SectionValues zoe;
  SectionValues zoo;
  const float pairs[5][2] = {{66.849f, 40.234f}, {53.476f, 46.95f}, {120.0f, 50.0f}, {53.476f, 46.95f},
                             {66.849f, 40.234f}};
  for (int k = 1; k <= 5; ++k) {
    zoe[k] = pairs[k - 1][0];
    zoo[k] = pairs[k - 1][1];
  }
  for (int k = 6; k <= kMaxSections; ++k) {
    zoe[k] = 60.0f;
    zoo[k] = 40.0f;
  }
  const float t = 0.0112f;
  const float er = 10.0f;
  const SlwsResult r = slws(4, t, er, zoe, zoo);
  const SlwsSubstrate sub = slws_substrate(t, er);
  for (int k = 1; k <= 5; ++k) {
    const CoupledStripSection sec = slws_section(sub, zoe[k], zoo[k]);
    EXPECT_EQ(r.realizable[k], sec.realizable) << k;
    EXPECT_EQ(r.realizable[k], k != 3) << k;
    if (sec.realizable) {
      EXPECT_EQ(r.w[k], sec.w) << k;
      EXPECT_EQ(r.s[k], sec.s) << k;
    }
  }
  EXPECT_EQ(r.w[1], r.w[5]);
  for (int k = 6; k <= kMaxSections; ++k) {
    EXPECT_EQ(r.w[k], 0.0f) << k;
    EXPECT_EQ(r.s[k], 0.0f) << k;
    EXPECT_FALSE(r.realizable[k]) << k;
  }
  const SlwsResult all = slws(12, t, er, zoe, zoo);
  EXPECT_TRUE(all.realizable[kMaxSections]);
  EXPECT_EQ(all.w[kMaxSections], slws_section(sub, 60.0f, 40.0f).w);
}

}  // namespace
}  // namespace quorvane
