// Known answers of the field solution.
#include "fields/field_solver.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace quorvane::fields {
namespace {

constexpr double kEta0 = 376.730313668;
constexpr double kPi = 3.14159265358979323846;

// Complete elliptic integral of the first kind of modulus k (arithmetic-geometric mean).
double ellip_k(double k) {
  double a = 1.0, b = std::sqrt(1.0 - k * k);
  for (int i = 0; i < 30; ++i) {
    const double m = 0.5 * (a + b);
    b = std::sqrt(a * b);
    a = m;
  }
  return kPi / (2.0 * a);
}

// Cohn's exact even- and odd-mode impedances of zero-thickness coupled strips.
double cohn(double er, double wb, double sb, bool even) {
  const double x = std::tanh(kPi * wb / 2.0), y = std::tanh(kPi * (wb + sb) / 2.0);
  const double k = even ? x * y : x / y;
  return kEta0 / 4.0 / std::sqrt(er) * ellip_k(std::sqrt(1.0 - k * k)) / ellip_k(k);
}

double rel(double a, double b) { return std::abs(a - b) / std::abs(b); }

const SolveOptions kQuick{2e-3, 6, 0};  // 0.2 %: for answers known to 0.5 % or so

TEST(FieldSolver, ZeroThicknessStriplinePairMatchesCohnWithinATenthPerCent) {
  for (const auto& [wb, sb] : {std::pair{0.5, 0.1}, std::pair{0.2, 0.5}}) {
    const FieldSolution f = solve_section({Medium::Stripline, 2.2, wb, sb, 0.0, 1.0});
    EXPECT_LT(rel(f.even.z, cohn(2.2, wb, sb, true)), 1e-3) << wb << " " << sb;
    EXPECT_LT(rel(f.odd.z, cohn(2.2, wb, sb, false)), 1e-3) << wb << " " << sb;
    EXPECT_NEAR(f.even.eff, 2.2, 1e-9);
    EXPECT_TRUE(f.converged);
  }
}

TEST(FieldSolver, CoupledMicrostripReferenceCaseAndItsErrorBoundAgainstATwiceFinerMesh) {
  const CrossSection c{Medium::Microstrip, 9.8, 0.025, 0.01, 0.0, 0.025};
  const FieldSolution f = solve_section(c, kQuick);
  EXPECT_LT(rel(f.even.z, 60.76), 5e-3) << f.even.z;
  EXPECT_LT(rel(f.odd.z, 35.63), 5e-3) << f.odd.z;
  EXPECT_LT(rel(f.even.eff, 7.124), 5e-3) << f.even.eff;
  EXPECT_LT(rel(f.odd.eff, 5.691), 5e-3) << f.odd.eff;
  const FieldSolution finer = solve_section(c, {0.0, 6, f.levels + 1});
  EXPECT_LE(100.0 * rel(f.even.z, finer.even.z), f.even.z_err);
  EXPECT_LE(100.0 * rel(f.odd.z, finer.odd.z), f.odd.z_err);
  EXPECT_LE(100.0 * rel(f.even.eff, finer.even.eff), f.even.eff_err);
  EXPECT_LE(100.0 * rel(f.odd.eff, finer.odd.eff), f.odd.eff_err);
  EXPECT_GT(f.odd.z_err, 0.0);
}

// The capacitance error falls as h^2 and each level halves h: the model
// C(h) = C0 + A h^2 through the two finest levels' capacitances is exact at
// both, and its C0 is the result.  The capacitances are read back from the
// result (Z = eta0 / sqrt(C Cair), Er,eff = C / Cair).
TEST(FieldSolver, ResultIsTheQuadraticErrorModelThroughTheTwoFinestLevels) {
  const CrossSection c{Medium::Microstrip, 9.8, 0.025, 0.01, 0.0, 0.025};
  const FieldSolution f = solve_section(c, {0.0, 6, 3});
  for (const auto& [mode, r] : {std::pair{Mode::Even, f.even}, std::pair{Mode::Odd, f.odd}}) {
    const double got[] = {kEta0 / r.z * std::sqrt(r.eff), kEta0 / r.z / std::sqrt(r.eff)};
    for (const bool dielectric : {true, false}) {
      const double h1 = 1.0, h2 = 0.5;  // mesh spacing of levels 1 and 2, relative
      const double c1 = solve_potential(c, mode, dielectric, 1).capacitance;
      const double c2 = solve_potential(c, mode, dielectric, 2).capacitance;
      const double a = (c1 - c2) / (h1 * h1 - h2 * h2);
      EXPECT_LT(rel(got[dielectric ? 0 : 1], c2 - a * h2 * h2), 1e-9)
          << (mode == Mode::Even ? "even, " : "odd, ") << (dielectric ? "dielectric" : "air");
    }
  }
}

// A gap of zero is one strip of twice the width: its capacitance over the
// parallel-plate value er W / H falls toward 1 as the strip widens.
TEST(FieldSolver, WideMicrostripTendsToTheParallelPlateLimit) {
  auto excess = [](double u, double& eff) {
    const FieldSolution f = solve_section({Medium::Microstrip, 4.0, 0.5 * u, 0.0, 0.0, 1.0}, kQuick);
    eff = f.even.eff;
    const double c = std::sqrt(f.even.eff) / (f.even.z / 2.0);  // c0 C, per unit length
    return c / (4.0 * u / kEta0) - 1.0;
  };
  double eff8 = 0.0, eff64 = 0.0;
  const double e8 = excess(8.0, eff8), e64 = excess(64.0, eff64);
  EXPECT_GT(e64, 0.0);
  EXPECT_LT(e64, 0.05);
  EXPECT_LT(e64, e8 / 4.0);
  EXPECT_GT(eff64, eff8);
  EXPECT_GT(eff64 / 4.0, 0.95);
}

TEST(FieldSolver, WideGapModesApproachTheSingleStrip) {
  const FieldSolution lone = solve_section({Medium::Microstrip, 4.0, 0.5, 0.0, 0.0, 1.0}, kQuick);
  const FieldSolution pair = solve_section({Medium::Microstrip, 4.0, 1.0, 10.0, 0.0, 1.0}, kQuick);
  const double z1 = lone.even.z / 2.0;
  EXPECT_GT(pair.even.z, z1);
  EXPECT_LT(pair.odd.z, z1);
  EXPECT_LT(rel(pair.even.z, z1), 0.01);
  EXPECT_LT(rel(pair.odd.z, z1), 0.01);
  EXPECT_GT(pair.even.eff, lone.even.eff);
  EXPECT_LT(pair.odd.eff, lone.even.eff);
  EXPECT_LT(rel(pair.odd.eff, lone.even.eff), 0.01);
}

TEST(FieldSolver, FaultsOfACrossSection) {
  EXPECT_EQ(cross_section_fault({Medium::Microstrip, 9.8, 0.025, 0.01, 0.0, 0.025}), "");
  EXPECT_NE(cross_section_fault({Medium::Microstrip, 9.8, 0.0, 0.01, 0.0, 0.025}), "");
  EXPECT_NE(cross_section_fault({Medium::Microstrip, 9.8, 0.025, NAN, 0.0, 0.025}), "");
  EXPECT_NE(cross_section_fault({Medium::Stripline, 2.2, 0.02, 0.01, 0.07, 0.0625}), "");
  EXPECT_THROW(solve_section({Medium::Stripline, 2.2, 0.02, 0.01, -0.001, 0.0625}), std::invalid_argument);
}

}  // namespace
}  // namespace quorvane::fields
