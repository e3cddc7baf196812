// The coupled stripline section: stub - line - stub against the ideal
// coupled-line section, its reference values, the quarter wave and the
// speed-of-light constants, and the lossy section against an independent
// double-precision evaluation of the same equivalent circuit.
#include "analysis/stripline_section.hpp"

#include <cmath>
#include <complex>

#include <gtest/gtest.h>

#include "analysis/design_fixture.hpp"
#include "analysis/filter_network.hpp"

namespace quorvane::testing {
namespace {

using Cd = std::complex<double>;

constexpr float pi = 3.14159274f;
constexpr float kSpeed = 11811.0234f;  // inch MHz, the section's wavelengths
const LossParameters kLossless{0.0f, 0.0f, 0.0f};

// The length that makes the section theta radians long at freq MHz in er.
float length_for(float theta, float freq, float er) {
  const float wl = kSpeed / (freq * std::sqrt(er));
  return theta * wl / (2.0f * pi);
}

ChainMatrix section(float freq, float er, float length, float zoe, float zoo, const LossParameters& loss = kLossless,
                    float b = 0.0f, float t = 0.0f, float s = 0.0f) {
  ChainMatrix rsc = ChainMatrix::identity();
  qvnasl(freq, er, length, b, t, 0.0f, s, zoe, zoo, loss, rsc);
  return rsc;
}

Complex det(const ChainMatrix& m) { return m.a * m.d - m.b * m.c; }

struct IdealCase {
  float zoe, zoo, theta, er;
};

class StriplineLossless : public ::testing::TestWithParam<IdealCase> {};

// A = D = (Ze + Zo) cos / (Ze - Zo), C = j 2 sin / (Ze - Zo),
// B = -j ((Ze + Zo)^2 cos^2 - (Ze - Zo)^2) / (2 (Ze - Zo) sin), AD - BC = 1.
TEST_P(StriplineLossless, EqualsTheIdealCoupledSection) {
  const IdealCase& c = GetParam();
  const float freq = 10000.0f;
  const ChainMatrix m = section(freq, c.er, length_for(c.theta, freq, c.er), c.zoe, c.zoo);
  const double ze = c.zoe, zo = c.zoo, cs = std::cos(double(c.theta)), sn = std::sin(double(c.theta));
  const double a = (ze + zo) * cs / (ze - zo);
  const double b = -((ze + zo) * (ze + zo) * cs * cs - (ze - zo) * (ze - zo)) / (2.0 * (ze - zo) * sn);
  const double cc = 2.0 * sn / (ze - zo);
  EXPECT_NEAR(m.a.real(), a, 2e-5);
  EXPECT_NEAR(m.a.imag(), 0.0, 2e-5);
  EXPECT_EQ(m.a, m.d);
  EXPECT_NEAR(m.b.real(), 0.0, 1e-4);
  EXPECT_NEAR(m.b.imag(), b, 2e-5 * (std::abs(b) + 1.0));
  EXPECT_NEAR(m.c.real(), 0.0, 1e-8);
  EXPECT_NEAR(m.c.imag(), cc, 1e-7);
  EXPECT_NEAR(std::abs(det(m) - Complex(1.0f, 0.0f)), 0.0f, 2e-5f);
}

INSTANTIATE_TEST_SUITE_P(Stripline, StriplineLossless,
                         ::testing::Values(IdealCase{70.0f, 38.0f, 1.1f, 1.0f}, IdealCase{70.0f, 38.0f, 1.1f, 2.2f},
                                           IdealCase{66.849f, 40.234f, 1.3f, 1.0f},
                                           IdealCase{53.476f, 46.95f, 1.5f, 10.2f},
                                           IdealCase{90.0f, 30.0f, 0.4f, 1.0f}, IdealCase{55.0f, 45.0f, 2.2f, 2.2f}));

TEST(Stripline, ReferenceSection) {
  const ChainMatrix m = section(1000.0f, 1.0f, length_for(1.1f, 1000.0f, 1.0f), 70.0f, 38.0f);
  EXPECT_NEAR(m.a.real(), 1.53089f, 1e-5f);
  EXPECT_NEAR(m.d.real(), 1.53089f, 1e-5f);
  EXPECT_NEAR(m.b.imag(), -24.1221f, 1e-3f);
  EXPECT_NEAR(m.c.imag(), 0.0557005f, 1e-7f);
}

// A quarter wave without loss: A = D = 0.  The dialogue's lengths use
// 11802.158 inch MHz and the section 11811.0234, so a section cut to a
// quarter wave at f0 is one at 1.00075 f0.
TEST(Stripline, QuarterWave) {
  const ChainMatrix q = section(10000.0f, 2.2f, length_for(pi / 2.0f, 10000.0f, 2.2f), 66.849f, 40.234f);
  EXPECT_LT(std::abs(q.a), 2e-5f);
  EXPECT_LT(std::abs(q.d), 2e-5f);

  const float f0 = 10000.0f;
  const float ideal = 0.25f * 11802.158f / f0;  // the ideal analysis' free-space quarter wave
  const ChainMatrix at_f0 = section(f0, 1.0f, ideal, 66.849f, 40.234f);
  const ChainMatrix shifted = section(f0 * (11811.0234f / 11802.158f), 1.0f, ideal, 66.849f, 40.234f);
  EXPECT_GT(std::abs(at_f0.a), 0.003f);
  EXPECT_LT(std::abs(shifted.a), 2e-5f);
}

TEST(Stripline, ChainGrowsFromTheLeft) {
  const LossParameters copper{1.7e-6f / 2.54f, 5.0e-6f, 0.001f};
  const float length = length_for(1.3f, 10000.0f, 2.2f);
  const ChainMatrix alone = section(9800.0f, 2.2f, length, 66.849f, 40.234f, copper, 0.125f, 0.0014f, 0.01f);
  const ChainMatrix series{Complex(1.0f, 0.0f), Complex(25.0f, 10.0f), Complex(0.0f, 0.0f), Complex(1.0f, 0.0f)};
  ChainMatrix rsc = series;
  qvnasl(9800.0f, 2.2f, length, 0.125f, 0.0014f, 0.0f, 0.01f, 66.849f, 40.234f, copper, rsc);
  const ChainMatrix left = alone * series;
  EXPECT_LT(std::abs(rsc.a - left.a), 1e-5f);
  EXPECT_LT(std::abs(rsc.b - left.b), 1e-3f);
  EXPECT_LT(std::abs(rsc.c - left.c), 1e-7f);
  EXPECT_LT(std::abs(rsc.d - left.d), 1e-5f);
  const ChainMatrix right = series * alone;
  EXPECT_GT(std::abs(rsc.d - right.d), 0.01f);
}

// With losses: the stubs carry the odd-mode attenuation, the line the mean
// of both modes.  Near a quarter wave the stub impedance Zoo tanh(alpha_o l)
// is proportional to its own attenuation, so a stub given the wrong mode's
// loss shows at once.
TEST(Stripline, LossySectionEqualsItsEquivalentCircuit) {
  const LossParameters copper{1.7e-6f / 2.54f, 5.0e-6f, 0.001f};
  const float b = 0.125f, er = 2.2f, t = 0.0014f, s = 0.01f, zoe = 66.849f, zoo = 40.234f;
  const float length = length_for(pi / 2.0f, 10000.0f, er);
  for (const float freq : {10000.0f, 9400.0f, 12000.0f}) {
    const ModeAttenuation att = sl1los(b, er, freq, copper, s, t, zoe, zoo);
    ASSERT_GT(att.ato, 1.2f * att.ate);

    const double nepers = 0.115127794;
    const double theta = 2.0 * 3.14159274 * double(freq) * std::sqrt(double(er)) / 11811.0234 * double(length);
    const Cd go(att.ato * nepers * length, theta);
    const Cd gl((att.ate + att.ato) * 0.5 * length * nepers, theta);
    const double z = (double(zoe) - double(zoo)) / 2.0;
    const Cd stub = double(zoo) * std::cosh(go) / std::sinh(go);
    // S L S with S = (1, stub; 0, 1) and L = (cosh, z sinh; sinh / z, cosh).
    const Cd la = std::cosh(gl), lb = z * std::sinh(gl), lc = std::sinh(gl) / z;
    const Cd a = la + stub * lc;
    const Cd bb = (la + stub * lc) * stub + lb + stub * la;
    const Cd c = lc;
    const Cd d = lc * stub + la;

    const ChainMatrix m = section(freq, er, length, zoe, zoo, copper, b, t, s);
    auto close = [](Complex got, Cd want) { return std::abs(Cd(got.real(), got.imag()) - want) / (std::abs(want) + 1e-3); };
    EXPECT_LT(close(m.a, a), 1e-4) << freq;
    EXPECT_LT(close(m.b, bb), 1e-4) << freq;
    EXPECT_LT(close(m.c, c), 1e-4) << freq;
    EXPECT_LT(close(m.d, d), 1e-4) << freq;
    EXPECT_EQ(m.a, m.d) << freq;
    EXPECT_LT(std::abs(det(m) - Complex(1.0f, 0.0f)), 1e-4f) << freq;  // still reciprocal
  }
}

// The network computes each distinct section once per frequency; its chain
// equals the one built section by section, digit for digit, for the lossy
// stripline design and for the ideal design in air.
TEST(Stripline, NetworkEqualsSectionBySection) {
  for (const bool ideal : {false, true}) {
    DesignState state = electrical_design(10000.0f, 500.0f, 7);
    if (ideal) {
      for (int k = 1; k <= kMaxSections; ++k) state.flength[k] = 0.25f * 11802.158f / state.filter.f0;
      state.construction.er = 1.0f;
      state.construction.msorsl = 0;
    } else {
      build_stripline(state);
      set_copper_losses(state, 0.0009f);
    }
    const Qvnms& ms = state.qvnms;
    const FilterNetwork network(state.construction.msorsl, 7, state.flength, state.construction.er, state);
    const LossParameters loss{state.aloss1.res, state.aloss1.sr, state.aloss1.tlos};
    for (float f : {9000.0f, 9875.5f, 10000.0f, 10007.5f, 11000.0f}) {
      ChainMatrix rsc = ChainMatrix::identity();
      for (int i = 1; i <= 8; ++i) {
        qvnasl(f, state.construction.er, state.flength[i], ms.b, ms.thick, ms.wc[i] * ms.b, ms.sc[i] * ms.b,
               state.qvnzo.zoec[i], state.qvnzo.zooc[i], loss, rsc);
      }
      const ChainMatrix prepared = network.at(f);
      EXPECT_EQ(prepared.a, rsc.a) << f << (ideal ? " ideal" : " stripline");
      EXPECT_EQ(prepared.b, rsc.b) << f;
      EXPECT_EQ(prepared.c, rsc.c) << f;
      EXPECT_EQ(prepared.d, rsc.d) << f;
    }
  }
}

}  // namespace
}  // namespace quorvane::testing
