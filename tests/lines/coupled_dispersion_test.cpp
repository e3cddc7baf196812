#include "lines/coupled_dispersion.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "lines/coupled_microstrip.hpp"
#include "lines/microstrip.hpp"
#include "support/case_name.hpp"

namespace quorvane {
namespace {

constexpr float kEr = 9.8f;
constexpr float kH = 0.025f;

// The whole chain for one geometry at one frequency, as every caller runs it.
struct Chain {
  ModeWidths mw;
  ModeDielectric md;
  ModeImpedance mi;
  Lceff1 le;
  LcdisResult ld;
};

Chain evaluate(float er, float h, float h2, float s, float t, float w, float f_ghz) {
  Chain c;
  const CoupledPair p = coupled_pair(er, f_ghz, h, h2, s, t, w);
  c.mw = p.statics.widths;
  c.md = p.statics.dielectric;
  c.mi = p.statics.impedance;
  c.le = p.dielectric;
  c.ld = p.dispersion;
  return c;
}

// Published reference pair (er 9.8, h = w = 25 mil, gap 10 mil, no
// thickness, cover at 100 heights) at 10 GHz, four significant digits.
TEST(CoupledDispersion, ReferencePairAtTenGigahertz) {
  const Chain c = evaluate(kEr, kH, 2.5f, 0.01f, 0.0f, kH, 10.0f);
  EXPECT_NEAR(c.le.effef, 7.636f, 0.0005f);
  EXPECT_NEAR(c.le.effof, 5.774f, 0.0005f);
  EXPECT_NEAR(c.ld.lcdis1.zoeapf, 61.45f, 0.005f);
  EXPECT_NEAR(c.ld.lcdis1.zooapf, 35.18f, 0.005f);
  EXPECT_EQ(c.ld.iflag, 0);
  EXPECT_FLOAT_EQ(c.le.effcf, 2.0f * c.le.effef * c.le.effof / (c.le.effef + c.le.effof));
}

// The dispersion at high normalised frequency (f*h of 25 to 50 GHz*mm),
// where the terms that hardly move the 10 GHz reference carry weight.  The
// static mode values are inputs here, taken as exact: those of the reference
// pair, of a narrow tight pair (w 10 mil, gap 5 mil) on the same alumina and
// of a PTFE pair (er 2.2, h 31 mil, w 93 mil, gap 31 mil), each to four
// digits.  The expected values were evaluated in double precision from the
// published Kirschning-Jansen coupled-line formulas and the
// Hammerstad-Jensen and Jansen-Kirschning single strip of the impedance
// formulas, transcribed independently of this code (a short Python
// evaluation), and are given to six significant digits.  The tolerance is
// one unit of the sixth digit: half a unit for the rounding of the printed
// value, the rest for the single-precision arithmetic (a few parts in 10^7).
struct HighFrequencyPair {
  const char* what;
  float er, h, s, w, f_ghz;
  float effe, effo, zoe, zoo;          // static inputs
  float effef, effof, zoeapf, zooapf;  // expected
  float eff_unit, zoe_unit, zoo_unit;  // one unit of the sixth digit
};

class CoupledHighFrequency : public ::testing::TestWithParam<HighFrequencyPair> {};

TEST_P(CoupledHighFrequency, ReproducesTheIndependentEvaluation) {
  const HighFrequencyPair& c = GetParam();
  const float effc = 2.0f * c.effe * c.effo / (c.effe + c.effo);
  const Lceff1 le = lceff(effc, c.effe, c.effo, c.er, c.f_ghz, c.h, c.s, c.w, c.w);
  const LcdisResult ld = lcdis(c.effo, le.effof, c.er, c.f_ghz, c.h, 100.0f * c.h, 0, c.s, c.w, c.w, c.zoe, c.zoo);
  EXPECT_NEAR(le.effef, c.effef, c.eff_unit) << c.what;
  EXPECT_NEAR(le.effof, c.effof, c.eff_unit) << c.what;
  EXPECT_NEAR(ld.lcdis1.zoeapf, c.zoeapf, c.zoe_unit) << c.what;
  EXPECT_NEAR(ld.lcdis1.zooapf, c.zooapf, c.zoo_unit) << c.what;
  EXPECT_EQ(ld.iflag, 0) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    MillimetreWave, CoupledHighFrequency,
    ::testing::Values(
        HighFrequencyPair{"reference pair, fn 25.4", kEr, kH, 0.01f, kH, 40.0f, 7.124f, 5.691f, 60.76f, 35.63f,
                          8.75799f, 6.87701f, 73.4225f, 40.1636f, 1e-5f, 1e-4f, 1e-4f},
        HighFrequencyPair{"reference pair, fn 44.45", kEr, kH, 0.01f, kH, 70.0f, 7.124f, 5.691f, 60.76f, 35.63f,
                          9.19961f, 7.94269f, 88.7035f, 61.2154f, 1e-5f, 1e-4f, 1e-4f},
        HighFrequencyPair{"narrow tight pair, fn 38.1", kEr, kH, 0.005f, 0.01f, 60.0f, 6.558f, 5.475f, 99.30f,
                          41.48f, 8.56247f, 6.30397f, 157.522f, 48.4697f, 1e-5f, 1e-3f, 1e-4f},
        HighFrequencyPair{"PTFE pair, fn 47.24", 2.2f, 0.031f, 0.031f, 0.093f, 60.0f, 1.960f, 1.767f, 56.41f,
                          44.64f, 2.12589f, 1.99419f, 66.4058f, 59.7064f, 1e-5f, 1e-4f, 1e-4f}),
    testing::CaseName());

// Zero (or no) frequency leaves every static value as it is.
TEST(CoupledDispersion, NoFrequencyKeepsTheStaticValues) {
  for (float f : {0.0f, -1.0f}) {
    const Chain c = evaluate(kEr, kH, 2.5f, 0.01f, 0.0007f, kH, f);
    EXPECT_EQ(c.le.effcf, c.md.effc);
    EXPECT_EQ(c.le.effef, c.md.effe);
    EXPECT_EQ(c.le.effof, c.md.effo);
    EXPECT_EQ(c.ld.lcdis1.zoeapf, c.mi.zoe);
    EXPECT_EQ(c.ld.lcdis1.zooapf, c.mi.zoo);
    EXPECT_FALSE(c.ld.dispersive);
  }
}

// A geometry already flagged by ms1imp keeps its static impedances and its
// flag; the dielectric constants of lceff are dispersive all the same.
class FlagOnEntry : public ::testing::TestWithParam<int> {};

TEST_P(FlagOnEntry, KeepsStaticImpedancesAndTheFlag) {
  const int flag = GetParam();
  const Chain c = evaluate(kEr, kH, 2.5f, 0.01f, 0.0f, kH, 10.0f);
  const LcdisResult ld = lcdis(c.md.effo, c.le.effof, kEr, 10.0f, kH, 2.5f, flag, 0.01f,
                               c.mw.wte, c.mw.wto, c.mi.zoe, c.mi.zoo);
  EXPECT_EQ(ld.iflag, flag);
  EXPECT_EQ(ld.lcdis1.zoeapf, c.mi.zoe);
  EXPECT_EQ(ld.lcdis1.zooapf, c.mi.zoo);
  EXPECT_FALSE(ld.dispersive);
  EXPECT_GT(c.le.effef, c.md.effe + 0.1f);
  EXPECT_GT(c.le.effof, c.md.effo + 0.01f);
}

INSTANTIATE_TEST_SUITE_P(Flags, FlagOnEntry, ::testing::Values(1, 2));

// lcdis leaves the single-strip records of the odd-mode reference strip
// (zero thickness, under the cover): with t = 0 that is the even-mode strip
// reused, with t > 0 the wider odd-mode strip.
TEST(CoupledDispersion, RecordsDescribeTheOddModeReferenceStrip) {
  for (float t : {0.0f, 0.001f}) {
    const Chain c = evaluate(kEr, kH, 2.5f, 0.01f, t, kH, 10.0f);
    ASSERT_TRUE(c.ld.dispersive);
    const Msimp1 s = msimp(kEr, kH, 2.5f, 0.0f, c.mw.wto);
    const Mszo1 d = mszo(s.effdc, kEr, 10.0f, kH, c.mw.wto, s.zodc);
    EXPECT_EQ(c.ld.msimp1.u, c.mw.wto / kH) << t;
    EXPECT_EQ(c.ld.msimp1.effdc, s.effdc) << t;
    EXPECT_EQ(c.ld.mszo1.eff, d.eff) << t;
    EXPECT_EQ(c.ld.mszo1.zof, d.zof) << t;
  }
}

// In air nothing disperses: mszo returns the static strip, the
// (er - 1) terms vanish, and the even-mode impedance stays static.
TEST(CoupledDispersion, AirKeepsTheEvenModeStatic) {
  const Chain c = evaluate(1.0f, kH, 2.5f, 0.01f, 0.0f, kH, 10.0f);
  ASSERT_TRUE(c.ld.dispersive);
  EXPECT_EQ(c.le.effef, 1.0f);
  EXPECT_EQ(c.le.effof, 1.0f);
  EXPECT_EQ(c.ld.lcdis1.zoeapf, c.mi.zoe);
  EXPECT_TRUE(std::isfinite(c.ld.lcdis1.zooapf));
}

// Where a term is replaced by its limit (p3 = 1 above fn 73, tp = 1 above
// 181, p11 = -0.6366 above 68, p14 = 1 above 70, Z = 1 above 50; p7 = 1
// above g = 10.6, q12 = 0 above g = 24; the exponential of p1 dropped above
// u = 8, p3 of a mode dropped from u = 15) the results on both sides of the
// threshold agree: a wrong limit shows as a jump.
struct Threshold {
  const char* what;
  float s_over_h, u, fn;  // the one that sits on its threshold is varied
  char varied;            // 'g', 'u' or 'f'
};

class DispersionThreshold : public ::testing::TestWithParam<Threshold> {};

TEST_P(DispersionThreshold, LimitMatchesTheFullTerm) {
  const Threshold& c = GetParam();
  auto at = [&](float scale) {
    float g = c.s_over_h, u = c.u, fn = c.fn;
    if (c.varied == 'g') g *= scale;
    if (c.varied == 'u') u *= scale;
    if (c.varied == 'f') fn *= scale;
    return evaluate(kEr, kH, 100.0f * kH, g * kH, 0.0f, u * kH, fn / (25.4f * kH));
  };
  const Chain lo = at(1.0f - 1e-5f);
  const Chain hi = at(1.0f + 1e-5f);
  const float tol = 5e-5f;
  EXPECT_NEAR(lo.le.effef, hi.le.effef, tol * hi.le.effef) << c.what;
  EXPECT_NEAR(lo.le.effof, hi.le.effof, tol * hi.le.effof) << c.what;
  EXPECT_NEAR(lo.ld.lcdis1.zoeapf, hi.ld.lcdis1.zoeapf, tol * hi.ld.lcdis1.zoeapf) << c.what;
  EXPECT_NEAR(lo.ld.lcdis1.zooapf, hi.ld.lcdis1.zooapf, tol * hi.ld.lcdis1.zooapf) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Terms, DispersionThreshold,
    ::testing::Values(Threshold{"Z at fn 50", 0.4f, 1.0f, 50.0f, 'f'},
                      Threshold{"p11 at fn 68", 0.4f, 1.0f, 68.0f, 'f'},
                      Threshold{"p14 at fn 70", 0.4f, 1.0f, 70.0f, 'f'},
                      Threshold{"p3 at fn 73", 0.4f, 0.1f, 73.0f, 'f'},
                      Threshold{"tp at fn 181", 0.4f, 1.0f, 181.0f, 'f'},
                      Threshold{"p7 at g 10.6", 10.6f, 1.0f, 10.0f, 'g'},
                      Threshold{"q12 at g 24", 24.0f, 1.0f, 10.0f, 'g'},
                      Threshold{"p1 at u 8", 0.4f, 8.0f, 10.0f, 'u'},
                      Threshold{"p3 at u 15", 0.4f, 15.0f, 10.0f, 'u'}));

// The dispersive plausibility flag: 1 when the mean of the mode impedances
// exceeds the dispersive single strip of the odd-mode width (by 5 % only
// above 20 ohm, so wide low-impedance strips trip it as the frequency rises),
// 2 when the odd-mode impedance exceeds the even one (far-apart strips, where
// the odd-mode dispersion fit overshoots by a few hundredths of an ohm).
struct DispersiveFlag {
  float u, g, f_ghz;
  int iflag;
};

class LcdisFlag : public ::testing::TestWithParam<DispersiveFlag> {};

TEST_P(LcdisFlag, FollowsItsDefinition) {
  const DispersiveFlag& c = GetParam();
  const Chain x = evaluate(kEr, kH, 100.0f * kH, c.g * kH, 0.0f, c.u * kH, c.f_ghz);
  ASSERT_EQ(x.mi.iflag, 0);
  EXPECT_EQ(x.ld.iflag, c.iflag);
  const float zoe = x.ld.lcdis1.zoeapf;
  const float zoo = x.ld.lcdis1.zooapf;
  const float zof = x.ld.mszo1.zof;
  const float limit = zof > 20.0f ? 1.05f * zof : zof;
  EXPECT_EQ(std::sqrt(zoe * zoo) > limit, c.iflag == 1);
  EXPECT_EQ(zoo > zoe, c.iflag == 2);
}

INSTANTIATE_TEST_SUITE_P(Geometries, LcdisFlag,
                         ::testing::Values(DispersiveFlag{8.0f, 1.0f, 11.0f, 0},
                                           DispersiveFlag{8.0f, 1.0f, 20.0f, 1},
                                           DispersiveFlag{1.0f, 60.0f, 10.0f, 0},
                                           DispersiveFlag{1.0f, 300.0f, 10.0f, 2}));

// Physical sense: over widths and gaps inside the fitted range, both mode
// effective dielectric constants rise with frequency from their static
// values toward er, the even one above the odd one.
struct Section {
  float u, g;
};

class ModeDispersion : public ::testing::TestWithParam<Section> {};

TEST_P(ModeDispersion, RisesTowardErWithFrequency) {
  const Section& c = GetParam();
  const Chain dc = evaluate(kEr, kH, 100.0f * kH, c.g * kH, 0.0f, c.u * kH, 0.0f);
  float last_e = dc.md.effe;
  float last_o = dc.md.effo;
  for (float f = 1.0f; f <= 40.0f; f += 1.0f) {  // up to fn = 25.4 GHz*mm
    const Chain x = evaluate(kEr, kH, 100.0f * kH, c.g * kH, 0.0f, c.u * kH, f);
    EXPECT_GT(x.le.effef, last_e) << f;
    EXPECT_GT(x.le.effof, last_o) << f;
    EXPECT_LT(x.le.effef, kEr) << f;
    EXPECT_LT(x.le.effof, x.le.effef) << f;
    EXPECT_LT(x.ld.lcdis1.zooapf, x.ld.lcdis1.zoeapf) << f;
    last_e = x.le.effef;
    last_o = x.le.effof;
  }
}

INSTANTIATE_TEST_SUITE_P(Geometries, ModeDispersion,
                         ::testing::Values(Section{0.2f, 0.1f}, Section{1.0f, 0.4f},
                                           Section{1.0f, 2.0f}, Section{3.0f, 0.05f},
                                           Section{8.0f, 1.0f}));

}  // namespace
}  // namespace quorvane
