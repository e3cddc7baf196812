// The coupled microstrip section: the chain matrix of the open-ended pair
// against the ideal coupled-line section, reciprocity, the order of the
// chain, the attenuation exponents and the impedances it uses.
#include "analysis/microstrip_section.hpp"

#include <cmath>

#include <gtest/gtest.h>

#include "analysis/design_fixture.hpp"
#include "analysis/filter_network.hpp"
#include "lines/coupled_dispersion.hpp"

namespace quorvane::testing {
namespace {

constexpr float pi = 3.14159274f;

Complex det(const ChainMatrix& m) { return m.a * m.d - m.b * m.c; }

void expect_near(Complex got, Complex want, float tol, const char* what) {
  EXPECT_NEAR(got.real(), want.real(), tol) << what;
  EXPECT_NEAR(got.imag(), want.imag(), tol) << what;
}

struct IdealCase {
  float ze, zo, theta;
};

class CoupledSectionLossless : public ::testing::TestWithParam<IdealCase> {};

// With equal mode electrical lengths and no loss the pair is the ideal
// coupled-line section: A = D = (Ze + Zo) cos / (Ze - Zo), C = j 2 sin /
// (Ze - Zo), B = -j ((Ze + Zo)^2 cot^2 - (Ze - Zo)^2 / sin^2) sin / (2 (Ze - Zo)).
TEST_P(CoupledSectionLossless, EqualsTheIdealSection) {
  const IdealCase& c = GetParam();
  const ChainMatrix m = coupled_section_matrix(CoupledModes{c.ze, c.zo, 0.0f, 0.0f, c.theta, c.theta});
  const double ze = c.ze, zo = c.zo, th = c.theta;
  const double cs = std::cos(th), sn = std::sin(th), cot = cs / sn;
  const double a = (ze + zo) * cs / (ze - zo);
  const double b = -((ze + zo) * (ze + zo) * cot * cot - (ze - zo) * (ze - zo) / (sn * sn)) * sn / (2.0 * (ze - zo));
  const double cc = 2.0 * sn / (ze - zo);
  const float scale_b = static_cast<float>(std::abs(b)) + 1.0f;
  expect_near(m.a, Complex(static_cast<float>(a), 0.0f), 2e-5f, "A");
  expect_near(m.d, Complex(static_cast<float>(a), 0.0f), 2e-5f, "D");
  expect_near(m.b, Complex(0.0f, static_cast<float>(b)), 2e-5f * scale_b, "B");
  expect_near(m.c, Complex(0.0f, static_cast<float>(cc)), 1e-7f, "C");
  expect_near(det(m), Complex(1.0f, 0.0f), 2e-5f, "AD - BC");
}

INSTANTIATE_TEST_SUITE_P(Microstrip, CoupledSectionLossless,
                         ::testing::Values(IdealCase{70.0f, 38.0f, 1.1f}, IdealCase{66.849f, 40.234f, pi / 2.0f},
                                           IdealCase{53.476f, 46.95f, 1.4f}, IdealCase{90.0f, 30.0f, 0.4f},
                                           IdealCase{55.0f, 45.0f, 2.2f}));

TEST(Microstrip, ReferenceSectionValues) {
  const ChainMatrix m = coupled_section_matrix(CoupledModes{70.0f, 38.0f, 0.0f, 0.0f, 1.1f, 1.1f});
  expect_near(m.a, Complex(1.53089f, 0.0f), 1e-5f, "A");
  expect_near(m.b, Complex(0.0f, -24.1221f), 1e-3f, "B");
  expect_near(m.c, Complex(0.0f, 0.0557005f), 1e-7f, "C");
}

// A reciprocal two-port has AD - BC = 1 also when the modes travel at
// different speeds and lose power.
TEST(Microstrip, ReciprocalWithUnequalLossyModes) {
  const CoupledModes cases[] = {{61.45f, 35.18f, 0.0f, 0.0f, 1.62f, 1.41f},
                                {61.45f, 35.18f, 0.004f, 0.009f, 1.62f, 1.41f},
                                {80.0f, 30.0f, 0.02f, 0.05f, 0.7f, 0.65f}};
  for (const CoupledModes& modes : cases) {
    const ChainMatrix m = coupled_section_matrix(modes);
    expect_near(det(m), Complex(1.0f, 0.0f), 5e-5f, "AD - BC");
    EXPECT_EQ(m.a, m.d);
  }
}

// The coupled-microstrip reference geometry on alumina, as one section of a filter
// whose reference frequencies make both modes a quarter wave at 10 GHz.
MicrostripSection reference_section(float length = 0.1f) {
  const float er = 9.8f, h = 0.025f, t = 0.0f, w = 0.025f, s = 0.01f;
  const ModeWidths wt = lcwta(er, h, s, t, w);
  const ModeDielectric d = mscuppv(er, h, 100.0f * h, s, wt.wte, wt.wto);
  const Lceff1 eff = lceff(d.effc, d.effe, d.effo, er, 10.0f, h, s, wt.wte, wt.wto);
  return prepare_microstrip_section(er, length, h, t, w, s, 10000.0f * std::sqrt(eff.effef),
                                    10000.0f * std::sqrt(eff.effof));
}

const LossParameters kLossless{0.0f, 0.0f, 0.0f};
const LossParameters kCopper{1.7e-6f / 2.54f, 5.0e-6f, 0.0005f};

TEST(Microstrip, QuarterWaveAtTheReferenceFrequency) {
  const MicrostripSection section = reference_section();
  const CoupledModes modes = qvnams_modes(section, 10000.0f, kLossless);
  EXPECT_NEAR(modes.theta_e, pi / 2.0f, 2e-6f);
  EXPECT_NEAR(modes.theta_o, pi / 2.0f, 2e-6f);
  EXPECT_EQ(modes.alpha_e, 0.0f);
  EXPECT_EQ(modes.alpha_o, 0.0f);
  const ChainMatrix m = coupled_section_matrix(modes);
  EXPECT_LT(std::abs(m.a), 1e-5f);
  // The dispersive impedances of the reference geometry at 10 GHz.
  EXPECT_NEAR(modes.ze, 61.45f, 0.01f);
  EXPECT_NEAR(modes.zo, 35.18f, 0.01f);
  // Off the reference frequency the modes part: the odd mode disperses less.
  const CoupledModes low = qvnams_modes(section, 5000.0f, kLossless);
  EXPECT_LT(low.theta_e, pi / 4.0f);
  EXPECT_GT(low.theta_o, low.theta_e);
}

TEST(Microstrip, ChainGrowsFromTheLeft) {
  const MicrostripSection section = reference_section();
  const ChainMatrix alone = coupled_section_matrix(qvnams_modes(section, 9300.0f, kCopper));
  ChainMatrix rsc = ChainMatrix::identity();
  qvnams(section, 9300.0f, kCopper, rsc);
  EXPECT_EQ(rsc.a, alone.a);
  EXPECT_EQ(rsc.b, alone.b);
  EXPECT_EQ(rsc.c, alone.c);
  EXPECT_EQ(rsc.d, alone.d);

  // From a matrix that does not commute with the section.
  const ChainMatrix series{Complex(1.0f, 0.0f), Complex(25.0f, 10.0f), Complex(0.0f, 0.0f), Complex(1.0f, 0.0f)};
  rsc = series;
  qvnams(section, 9300.0f, kCopper, rsc);
  const ChainMatrix left = alone * series;
  const ChainMatrix right = series * alone;
  expect_near(rsc.a, left.a, 1e-6f, "section on the left");
  expect_near(rsc.b, left.b, 1e-4f, "section on the left");
  EXPECT_GT(std::abs(rsc.a - right.a) + std::abs(rsc.d - right.d), 0.01f);
}

TEST(Microstrip, DoublingTheLengthDoublesOnlyTheAttenuation) {
  const CoupledModes one = qvnams_modes(reference_section(0.1f), 9700.0f, kCopper);
  const CoupledModes two = qvnams_modes(reference_section(0.2f), 9700.0f, kCopper);
  EXPECT_GT(one.alpha_e, 0.0f);
  EXPECT_GT(one.alpha_o, 0.0f);
  EXPECT_FLOAT_EQ(two.alpha_e, 2.0f * one.alpha_e);
  EXPECT_FLOAT_EQ(two.alpha_o, 2.0f * one.alpha_o);
  EXPECT_EQ(two.theta_e, one.theta_e);
  EXPECT_EQ(two.theta_o, one.theta_o);
  EXPECT_EQ(two.ze, one.ze);
  EXPECT_EQ(two.zo, one.zo);
}

// Any loss tangent, however small, keeps the dispersive impedances and the
// electrical lengths: the dielectric loss only adds attenuation.
TEST(Microstrip, LossTangentChangesOnlyTheAttenuation) {
  const MicrostripSection section = reference_section();
  const CoupledModes none = qvnams_modes(section, 10400.0f, LossParameters{kCopper.res, kCopper.sr, 0.0f});
  for (float tlos : {1e-12f, 0.0001f, 0.01f}) {
    const CoupledModes lossy = qvnams_modes(section, 10400.0f, LossParameters{kCopper.res, kCopper.sr, tlos});
    EXPECT_EQ(lossy.ze, none.ze) << tlos;
    EXPECT_EQ(lossy.zo, none.zo) << tlos;
    EXPECT_EQ(lossy.theta_e, none.theta_e) << tlos;
    EXPECT_EQ(lossy.theta_o, none.theta_o) << tlos;
    EXPECT_GE(lossy.alpha_e, none.alpha_e) << tlos;
    EXPECT_GE(lossy.alpha_o, none.alpha_o) << tlos;
  }
  const CoupledModes big = qvnams_modes(section, 10400.0f, LossParameters{kCopper.res, kCopper.sr, 0.01f});
  EXPECT_GT(big.alpha_e, none.alpha_e);
}

// The per-section entry point and the prepared section are one computation.
TEST(Microstrip, SectionNumberSelectsTheReferenceFrequencies) {
  Qvna1 qvna1;
  qvna1.freqoe[3] = 27600.0f;
  qvna1.freqoo[3] = 24000.0f;
  ChainMatrix a = ChainMatrix::identity();
  ChainMatrix b = ChainMatrix::identity();
  qvnams(3, 9800.0f, 9.8f, 0.12f, 0.025f, 0.0002f, 0.024f, 0.008f, kCopper, qvna1, a);
  qvnams(prepare_microstrip_section(9.8f, 0.12f, 0.025f, 0.0002f, 0.024f, 0.008f, 27600.0f, 24000.0f), 9800.0f,
         kCopper, b);
  EXPECT_EQ(a.a, b.a);
  EXPECT_EQ(a.b, b.b);
  EXPECT_EQ(a.c, b.c);
}

// The network prepares each section once; its chain equals the one built
// section by section from the design at every frequency, digit for digit.
TEST(Microstrip, PreparedNetworkEqualsSectionBySection) {
  DesignState state = electrical_design(10000.0f, 500.0f, 6);
  build_microstrip(state);
  set_copper_losses(state, 0.0009f);
  const FilterNetwork network(1, 6, state.flength, 9.8f, state);
  const LossParameters loss{state.aloss1.res, state.aloss1.sr, state.aloss1.tlos};
  for (float f : {9000.0f, 9875.5f, 10000.0f, 11000.0f}) {
    ChainMatrix rsc = ChainMatrix::identity();
    for (int i = 1; i <= 7; ++i) {
      qvnams(i, f, 9.8f, state.flength[i], state.qvnms.b, state.qvnms.thick, state.qvnms.wc[i], state.qvnms.sc[i],
             loss, state.qvna1, rsc);
    }
    const ChainMatrix prepared = network.at(f);
    EXPECT_EQ(prepared.a, rsc.a) << f;
    EXPECT_EQ(prepared.b, rsc.b) << f;
    EXPECT_EQ(prepared.c, rsc.c) << f;
    EXPECT_EQ(prepared.d, rsc.d) << f;
  }
}

}  // namespace
}  // namespace quorvane::testing
