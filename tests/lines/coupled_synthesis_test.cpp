#include "lines/coupled_synthesis.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "lines/coupled_microstrip.hpp"

namespace quorvane {
namespace {

constexpr float kEr = 9.8f;
constexpr float kH = 0.025f;
constexpr float kCover = 2.5f;  // 100 heights, as the dimensional synthesis passes

struct Coupling {
  float zoe, zoo, cc, zo;
};

class Sl1zo : public ::testing::TestWithParam<Coupling> {};

TEST_P(Sl1zo, CouplingAndMeanImpedance) {
  const Coupling& c = GetParam();
  const CouplingTarget t = sl1zo(c.zoe, c.zoo);
  EXPECT_NEAR(t.cc, c.cc, 1e-6f);
  EXPECT_NEAR(t.zo, c.zo, 1e-4f);
}

INSTANTIATE_TEST_SUITE_P(Pairs, Sl1zo,
                         ::testing::Values(Coupling{60.0f, 36.0f, 0.25f, 46.475800f},
                                           Coupling{100.0f, 25.0f, 0.6f, 50.0f},
                                           Coupling{50.0f, 50.0f, 0.0f, 50.0f},
                                           Coupling{36.0f, 60.0f, -0.25f, 46.475800f}));

// The published 60/36-ohm section on 25-mil alumina at 10 GHz, three
// significant digits: first guess, result, and the dispersive mode
// impedances of the result.
const MswsResult kReference = msws(kEr, 10.0f, kH, kCover, 0.0f, 60.0f, 36.0f);

TEST(Msws, ReferenceSectionReproduces) {
  EXPECT_NEAR(kReference.first_guess.w, 0.0278f, 0.00005f);
  EXPECT_NEAR(kReference.first_guess.s, 0.00447f, 0.000005f);
  EXPECT_EQ(kReference.iflag, 0);
  EXPECT_NEAR(kReference.w, 0.0255f, 0.00005f);
  EXPECT_NEAR(kReference.s, 0.0117f, 0.00005f);
  EXPECT_NEAR(kReference.lcdis1.zoeapf, 60.02f, 0.005f);
  EXPECT_NEAR(kReference.lcdis1.zooapf, 36.01f, 0.005f);
}

// The closed-form gap narrows as the coupling tightens; strong couplings
// drive it below 0.0005 inch, where it is held.
TEST(Msws, FirstGapIsNeverBelowHalfAMil) {
  float last = std::numeric_limits<float>::infinity();
  for (float zoo : {55.0f, 45.0f, 36.0f, 25.0f, 15.0f, 10.0f}) {
    const MswsFirstGuess g = msws_first_guess(kEr, kH, 60.0f, zoo);
    EXPECT_GE(g.s, 0.0005f) << zoo;
    EXPECT_LE(g.s, last) << zoo;
    EXPECT_GT(g.w, 0.0f) << zoo;
    last = g.s;
  }
  EXPECT_EQ(msws_first_guess(kEr, kH, 60.0f, 10.0f).s, 0.0005f);
}

// Sections of realistic filters (couplings from 0.01 to 0.6, alumina and
// PTFE, thin and thick strips, 2 to 20 GHz) converge to both targets within
// the 0.0005 tolerance, and the records describe exactly the returned
// geometry: evaluating the model chain there gives the same values.
struct Section {
  float er, h, t, f_ghz, zoe, zoo;
};

class MswsConverges : public ::testing::TestWithParam<Section> {};

TEST_P(MswsConverges, MatchesBothTargetsAndLeavesItsRecords) {
  const Section& c = GetParam();
  const MswsResult r = msws(c.er, c.f_ghz, c.h, 100.0f * c.h, c.t, c.zoe, c.zoo);
  ASSERT_EQ(r.iflag, 0);
  const CouplingTarget want = sl1zo(c.zoe, c.zoo);
  const CouplingTarget got = sl1zo(r.lcdis1.zoeapf, r.lcdis1.zooapf);
  EXPECT_LT(std::fabs((want.cc - got.cc) / want.cc), 0.0005f);
  EXPECT_LT(std::fabs((want.zo - got.zo) / want.zo), 0.0005f);
  EXPECT_LT(r.w / c.h, 11.0f);
  EXPECT_LT(r.evaluations, 2000);

  const float h2 = 100.0f * c.h;
  const ModeWidths mw = lcwta(c.er, c.h, r.s, c.t, r.w);
  const ModeDielectric md = mscuppv(c.er, c.h, h2, r.s, mw.wte, mw.wto);
  const ModeImpedance mi = ms1imp(md.effe, md.effo, c.er, c.h, h2, r.s, mw.wte, mw.wto);
  const Lceff1 le = lceff(md.effc, md.effe, md.effo, c.er, c.f_ghz, c.h, r.s, mw.wte, mw.wto);
  const LcdisResult ld = lcdis(md.effo, le.effof, c.er, c.f_ghz, c.h, h2, mi.iflag, r.s, mw.wte,
                               mw.wto, mi.zoe, mi.zoo);
  EXPECT_EQ(r.lceff1.effef, le.effef);
  EXPECT_EQ(r.lceff1.effof, le.effof);
  EXPECT_EQ(r.lceff1.effcf, le.effcf);
  EXPECT_EQ(r.lcdis1.zoeapf, ld.lcdis1.zoeapf);
  EXPECT_EQ(r.lcdis1.zooapf, ld.lcdis1.zooapf);
  EXPECT_EQ(r.msimp1.effdc, ld.msimp1.effdc);
  EXPECT_EQ(r.msimp1.u, mw.wto / c.h);
  EXPECT_EQ(r.mszo1.eff, ld.mszo1.eff);
  EXPECT_EQ(r.mszo1.zof, ld.mszo1.zof);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, MswsConverges,
    ::testing::Values(Section{kEr, kH, 0.0f, 10.0f, 60.0f, 36.0f},
                      Section{kEr, kH, 0.0f, 10.0f, 50.5f, 49.5f},
                      Section{kEr, kH, 0.0f, 10.0f, 55.0f, 45.0f},
                      Section{kEr, kH, 0.0f, 10.0f, 80.0f, 20.0f},
                      Section{kEr, kH, 0.0007f, 10.0f, 70.0f, 38.0f},
                      Section{2.2f, 0.031f, 0.0014f, 2.0f, 62.0f, 41.0f},
                      Section{2.2f, 0.031f, 0.0f, 5.0f, 52.7f, 47.4f},
                      Section{10.2f, 0.025f, 0.0007f, 20.0f, 75.0f, 35.0f}));

// Targets no section can meet end at once with a nonzero flag and finite
// width and gap: no pair at all (equal impedances, odd above even, not a
// number), a 2-ohm pair (no closed-form start), 300-ohm pairs (hair-thin
// strips flagged by the models), and couplings so tight that the gap would
// have to close below a nanometre.
struct Unreachable {
  const char* what;
  float zoe, zoo;
  int iflag;
};

class MswsUnreachable : public ::testing::TestWithParam<Unreachable> {};

TEST_P(MswsUnreachable, StopsQuicklyWithTheFlag) {
  const Unreachable& c = GetParam();
  const MswsResult r = msws(kEr, 10.0f, kH, kCover, 0.0f, c.zoe, c.zoo);
  EXPECT_EQ(r.iflag, c.iflag) << c.what;
  EXPECT_TRUE(std::isfinite(r.w) && std::isfinite(r.s)) << c.what;
  EXPECT_TRUE(std::isfinite(r.lcdis1.zoeapf) && std::isfinite(r.lcdis1.zooapf)) << c.what;
  EXPECT_LT(r.evaluations, 100) << c.what;
  if (r.evaluations > 0) {
    EXPECT_GE(r.s, kMswsMinGap) << c.what;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, MswsUnreachable,
    ::testing::Values(
        Unreachable{"equal", 50.0f, 50.0f, 1}, Unreachable{"odd above even", 36.0f, 60.0f, 1},
        Unreachable{"not a number", std::numeric_limits<float>::quiet_NaN(), 36.0f, 1},
        Unreachable{"2 ohm", 2.2f, 1.8f, 1}, Unreachable{"300 ohm", 360.0f, 250.0f, 1},
        Unreachable{"300 ohm, zoo above zoe", 330.0f, 270.0f, 2},
        Unreachable{"odd mode at 10 ohm", 150.0f, 10.0f, 1},
        Unreachable{"gap below a nanometre", 30.0f, 5.0f, 1}));

// The gap halves instead of crossing zero; the tight 30/5-ohm coupling walks
// it down to the last halving above one nanometre.
TEST(Msws, GapHalvesDownToTheFloor) {
  const MswsResult r = msws(kEr, 10.0f, kH, kCover, 0.0f, 30.0f, 5.0f);
  ASSERT_EQ(r.iflag, 1);
  EXPECT_GE(r.s, kMswsMinGap);
  EXPECT_LT(r.s, 2.0f * kMswsMinGap);
}

// A coupling far weaker than the models can give at any gap (0.002 on a
// thin er-40 substrate at 0.5 GHz) widens the gap until the models give no
// number; the search stops there well inside its budget.
TEST(Msws, UnreachableLooseCouplingStopsInsideTheBudget) {
  const float h = 0.005f;
  const MswsResult r = msws(40.0f, 0.5f, h, 100.0f * h, 0.0007f, 100.2f, 99.8004f);
  EXPECT_EQ(r.iflag, 1);
  EXPECT_TRUE(std::isfinite(r.w) && std::isfinite(r.s));
  EXPECT_LE(r.s, kMswsMaxGapRatio * h);
  EXPECT_LT(r.evaluations, kMswsMaxEvaluations / 10);
}

}  // namespace
}  // namespace quorvane
