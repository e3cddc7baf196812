// The four-port of the drawn copper: with ideal open ends it is the
// open-circuited pair of the analysis, with loaded ends still reciprocal
// and symmetric; the forward reading of the stripline design equations; and
// the interpolation of the mode values over the band.
#include "analysis/drawn_filter.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "lines/stripline.hpp"

namespace quorvane {
namespace {

struct FourPortCase {
  float ze, zo, alpha_e, theta_e, alpha_o, theta_o;
};

class FourPort : public ::testing::TestWithParam<FourPortCase> {};

// Jones and Bolljahn's open-circuited pair in double precision:
// A = D = Z11/Z21, B = (Z11^2 - Z21^2)/Z21, C = 1/Z21.
struct Exact {
  std::complex<double> a, b, c;
};
Exact open_pair(const FourPortCase& c) {
  const std::complex<double> ge(c.alpha_e, c.theta_e), go(c.alpha_o, c.theta_o);
  const std::complex<double> z11 = (double(c.ze) / std::tanh(ge) + double(c.zo) / std::tanh(go)) / 2.0;
  const std::complex<double> z21 = (double(c.ze) / std::sinh(ge) - double(c.zo) / std::sinh(go)) / 2.0;
  return {z11 / z21, (z11 * z11 - z21 * z21) / z21, 1.0 / z21};
}

TEST_P(FourPort, IsTheOpenCircuitedPairAndStaysReciprocalWhenLoaded) {
  const FourPortCase& c = GetParam();
  const Exact x = open_pair(c);
  const ChainMatrix two = coupled_section_matrix({c.ze, c.zo, c.alpha_e, c.alpha_o, c.theta_e, c.theta_o});
  const ChainMatrix four = four_port_section(c.ze, c.zo, c.alpha_e, c.theta_e, c.alpha_o, c.theta_o, 0.0f);
  for (auto [got, want] : {std::pair{four.a, x.a}, {four.b, x.b}, {four.c, x.c}, {four.d, x.a}})
    EXPECT_LT(std::abs(std::complex<double>(got) - want), 1e-5 * (std::abs(want) + 1e-3));
  // The analysis' two-port, from the same formula in single precision.
  EXPECT_LT(std::abs(std::complex<double>(two.b) - x.b), 1e-3 * std::abs(x.b));
  for (const float bc : {0.0f, 0.002f, 0.05f}) {
    const ChainMatrix m = four_port_section(c.ze, c.zo, c.alpha_e, c.theta_e, c.alpha_o, c.theta_o, bc);
    EXPECT_LT(std::abs(m.a * m.d - m.b * m.c - Complex(1.0f, 0.0f)), 1e-4f) << bc;
  }
}

INSTANTIATE_TEST_SUITE_P(Sections, FourPort,
                         ::testing::Values(FourPortCase{60.0f, 40.0f, 0.01f, 1.3f, 0.02f, 1.5f},
                                           FourPortCase{68.4f, 39.8f, 0.002f, 1.55f, 0.003f, 1.42f},
                                           FourPortCase{52.1f, 47.9f, 0.0015f, 1.5611f, 0.0015f, 1.56105f},
                                           FourPortCase{70.0f, 38.0f, 0.0f, 1.1f, 0.0f, 1.1f},
                                           FourPortCase{55.0f, 45.0f, 0.05f, 2.2f, 0.04f, 2.0f}));

// Cohn's equations read from the geometry that their synthesis gives: the
// even mode back exactly, the odd mode within the 1 % steps in which the
// synthesis refines a narrow gap.
TEST(DrawnFilter, StriplineDesignEquationsReadForward) {
  const float b = 0.125f, t = 0.0014f, er = 2.2f;
  for (const auto [zoe, zoo] : {std::pair{68.4f, 39.8f}, {53.8f, 46.7f}, {80.0f, 35.0f}}) {
    const CoupledStripSection sec = slws_section(slws_substrate(t / b, er), zoe, zoo);
    const StriplineModes m = cohn_mode_impedances(er, b, t, sec.w * b, sec.s * b);
    EXPECT_NEAR(m.zoe, zoe, 1e-4f * zoe);
    EXPECT_NEAR(m.zoo, zoo, 0.003f * zoo);
  }
}

// Between the nodes of the band the response follows the line models.
TEST(DrawnFilter, InterpolatedBandFollowsTheLineModels) {
  for (const DrawnConstruction kind : {DrawnConstruction::Microstrip, DrawnConstruction::Stripline}) {
    const bool ms = kind == DrawnConstruction::Microstrip;
    DrawnFilter f;
    f.construction = kind;
    f.er = ms ? 9.8f : 2.2f;
    f.h = ms ? 0.025f : 0.125f;
    f.t = 0.0002f;
    f.f0 = 10000.0f;
    f.loss = {6.69e-7f, 5e-6f, 0.0009f};
    for (const float w : {0.8f, 1.0f, 1.0f, 0.8f})
      f.sections.push_back({w * f.h * (ms ? 0.8f : 0.7f), (w == 1.0f ? 2.0f : 0.5f) * f.h * 0.5f,
                            ms ? 0.11f : 0.19f});
    const PreparedDrawnFilter band = prepare_drawn_filter(f, 8000.0f, 12000.0f);
    const PreparedDrawnFilter direct = prepare_drawn_filter(f, 0.0f, 0.0f);
    ASSERT_GE(band.node_count, 4);
    for (float freq = 8013.0f; freq < 12000.0f; freq += 97.0f)
      EXPECT_LT(std::abs(drawn_response(band, freq).s21 - drawn_response(direct, freq).s21), 3e-5f) << freq;
  }
}

}  // namespace
}  // namespace quorvane
