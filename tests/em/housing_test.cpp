#include "em/housing.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "support/case_name.hpp"

namespace quorvane::em {
namespace {

constexpr double kC0 = 299792458.0;

// The slab-loaded box against answers known in closed form: the empty box
// (its TM110 across the height), the box filled with dielectric (the same
// lowered by sqrt(er)), and a thin substrate under a low lid, where the
// field across the height sees the layers in series, er_eff =
// (h + c)/(h/er + c) (the quasi-static limit).
struct BoxCase {
  const char* what;
  double a, b, h, er, c;  // mm
  double er_eff;          // of the lowest mode's (1,1) order
  double tolerance;       // relative
  const char* name;
};

class HousingBox : public ::testing::TestWithParam<BoxCase> {};

TEST_P(HousingBox, FirstResonanceMatchesTheKnownLimit) {
  const BoxCase& k = GetParam();
  const BoxMode mode = first_box_mode(k.a, k.b, k.h, k.er, k.c);
  const double empty = kC0 / 2 * std::sqrt(1 / (k.a * k.a) + 1 / (k.b * k.b)) * 1e3;
  EXPECT_NEAR(mode.f_hz / (empty / std::sqrt(k.er_eff)), 1, k.tolerance);
  EXPECT_EQ(mode.name, k.name);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HousingBox,
    ::testing::Values(BoxCase{"empty box", 30, 20, 0.635, 1.0, 5, 1.0, 1e-9, "LSM11"},
                      BoxCase{"nearly filled box", 30, 20, 5, 9.8, 1e-6, 9.8, 1e-5, "LSM11"},
                      BoxCase{"thin substrate low lid", 60, 40, 0.1, 9.8, 0.4, 0.5 / (0.1 / 9.8 + 0.4), 2e-3,
                              "LSM11"}),
    testing::CaseName{});

}  // namespace
}  // namespace quorvane::em
