// Chain matrix to scattering parameters: the closed forms of simple
// two-ports between real and complex terminations, and the properties every
// conversion must keep (reciprocity, no transmission into a reactance,
// power balance of a lossless two-port between complex terminations).
#include "analysis/sparam.hpp"

#include <cmath>
#include <complex>

#include <gtest/gtest.h>

namespace quorvane::testing {
namespace {

using Cd = std::complex<double>;

void expect_near(Complex got, Cd want, double tol, const char* what, const char* which) {
  EXPECT_NEAR(got.real(), want.real(), tol) << what << ": " << which;
  EXPECT_NEAR(got.imag(), want.imag(), tol) << what << ": " << which;
}

ChainMatrix matrix(Cd a, Cd b, Cd c, Cd d) {
  auto f = [](Cd x) { return Complex(static_cast<float>(x.real()), static_cast<float>(x.imag())); };
  return {f(a), f(b), f(c), f(d)};
}

struct ClosedFormCase {
  const char* what;
  Cd a, b, c, d;  // chain matrix
  Cd zs, zl;      // terminations, ohm
  Cd s11, s21, s12, s22, zin;
};

class SparamClosedForm : public ::testing::TestWithParam<ClosedFormCase> {};

TEST_P(SparamClosedForm, MatchesTheTwoPort) {
  const ClosedFormCase& c = GetParam();
  const SParameters sp = sparam(matrix(c.a, c.b, c.c, c.d), Complex(float(c.zs.real()), float(c.zs.imag())),
                                Complex(float(c.zl.real()), float(c.zl.imag())));
  expect_near(sp.s11, c.s11, 2e-6, c.what, "s11");
  expect_near(sp.s21, c.s21, 2e-6, c.what, "s21");
  expect_near(sp.s12, c.s12, 2e-6, c.what, "s12");
  expect_near(sp.s22, c.s22, 2e-6, c.what, "s22");
  expect_near(sp.zinput, c.zin, 2e-4, c.what, "zinput");
}

const Cd kOne(1.0, 0.0);
const Cd kZero(0.0, 0.0);
// Series impedance Z = 30 + j40 ohm and shunt admittance Y = 0.01 - j0.02 S.
const Cd kZ(30.0, 40.0);
const Cd kY(0.01, -0.02);

INSTANTIATE_TEST_SUITE_P(
    Analysis, SparamClosedForm,
    ::testing::Values(
        ClosedFormCase{"identity between equal terminations", kOne, kZero, kZero, kOne, 50.0, 50.0, kZero, kOne, kOne,
                       kZero, 50.0},
        // s11 = (ZL - Zs)/(ZL + Zs), s21 = 2 sqrt(Zs ZL)/(Zs + ZL), zin = ZL.
        ClosedFormCase{"identity between 50 and 75 ohm", kOne, kZero, kZero, kOne, 50.0, 75.0, 0.2,
                       2.0 * std::sqrt(3750.0) / 125.0, 2.0 * std::sqrt(3750.0) / 125.0, -0.2, 75.0},
        ClosedFormCase{"identity between 75 and 50 ohm", kOne, kZero, kZero, kOne, 75.0, 50.0, -0.2,
                       2.0 * std::sqrt(3750.0) / 125.0, 2.0 * std::sqrt(3750.0) / 125.0, 0.2, 50.0},
        // s11 = s22 = Z/(Z + 2R), s21 = s12 = 2R/(Z + 2R), zin = Z + R.
        ClosedFormCase{"series impedance", kOne, kZ, kZero, kOne, 50.0, 50.0, kZ / (kZ + 100.0),
                       100.0 / (kZ + 100.0), 100.0 / (kZ + 100.0), kZ / (kZ + 100.0), kZ + 50.0},
        // s11 = s22 = -YR/(2 + YR), s21 = s12 = 2/(2 + YR), zin = R/(1 + YR).
        ClosedFormCase{"shunt admittance", kOne, kZero, kY, kOne, 50.0, 50.0, -kY * 50.0 / (2.0 + kY * 50.0),
                       2.0 / (2.0 + kY * 50.0), 2.0 / (2.0 + kY * 50.0), -kY * 50.0 / (2.0 + kY * 50.0),
                       50.0 / (1.0 + kY * 50.0)},
        // An ideal transformer with A = 1/2, D = 2 shows a load of 200 ohm as
        // 50 ohm at port 1 (zin = ZL/4): matched at both ports, all power through.
        ClosedFormCase{"ideal transformer matching 50 to 200 ohm", 0.5, kZero, kZero, 2.0, 50.0, 200.0, kZero, kOne,
                       kOne, kZero, 50.0},
        // A purely reactive termination takes no power: s21 = s12 = 0.
        // The reflections are those of power waves, (Z - Zref*)/(Z + Zref).
        ClosedFormCase{"reactive source", kOne, kZero, kZero, kOne, Cd(0.0, 50.0), 50.0, kOne, kZero, kZero,
                       Cd(0.0, 1.0), 50.0},
        ClosedFormCase{"reactive load", kOne, kZero, kZero, kOne, 50.0, Cd(0.0, -50.0), Cd(0.0, -1.0), kZero, kZero,
                       kOne, Cd(0.0, -50.0)}));

// A lossless line of 35 ohm, 0.9 rad long, between complex terminations:
// power waves keep the power balance |s11|^2 + |s21|^2 = 1 at either port
// only when the conjugates stand where they belong, and s11 is
// (zin - Zs*)/(zin + Zs).
TEST(Sparam, PowerWavesBetweenComplexTerminations) {
  const double z = 35.0, th = 0.9;
  const Cd zs(30.0, 20.0), zl(70.0, -15.0);
  const Cd a = std::cos(th), b = Cd(0.0, z * std::sin(th)), c = Cd(0.0, std::sin(th) / z), d = std::cos(th);
  const SParameters sp = sparam(matrix(a, b, c, d), Complex(30.0f, 20.0f), Complex(70.0f, -15.0f));
  EXPECT_NEAR(std::norm(sp.s11) + std::norm(sp.s21), 1.0f, 2e-6f);
  EXPECT_NEAR(std::norm(sp.s22) + std::norm(sp.s12), 1.0f, 2e-6f);
  EXPECT_GT(std::norm(sp.s11), 0.01f);  // not matched: the balance is not trivial

  const Cd zin = (a * zl + b) / (c * zl + d);
  const Cd zout = (d * zs + b) / (c * zs + a);
  expect_near(sp.zinput, zin, 2e-4, "line", "zinput");
  expect_near(sp.s11, (zin - std::conj(zs)) / (zin + zs), 2e-6, "line", "s11");
  expect_near(sp.s22, (zout - std::conj(zl)) / (zout + zl), 2e-6, "line", "s22");
}

// s12 is (AD - BC) s21: equal for a reciprocal two-port, scaled otherwise.
TEST(Sparam, ReverseTransmissionFollowsTheDeterminant) {
  struct Case {
    const char* what;
    Cd a, b, c, d;
  };
  // A lossy line: cosh and sinh of (0.05 + j1.2), 42 ohm (AD - BC = 1).
  const Cd gl(0.05, 1.2);
  const Case cases[] = {
      {"lossy line", std::cosh(gl), 42.0 * std::sinh(gl), std::sinh(gl) / 42.0, std::cosh(gl)},
      {"amplifying two-port", 2.0, Cd(10.0, 5.0), Cd(0.0, 0.01), Cd(0.975, 0.05)},  // AD - BC = 2
  };
  for (const Case& c : cases) {
    const SParameters sp = sparam(matrix(c.a, c.b, c.c, c.d), Complex(50.0f, 0.0f), Complex(50.0f, 0.0f));
    const Cd dd = c.a * c.d - c.b * c.c;
    const Complex det(static_cast<float>(dd.real()), static_cast<float>(dd.imag()));
    EXPECT_NEAR(std::abs(sp.s12 - det * sp.s21), 0.0f, 3e-6f) << c.what;
    EXPECT_GT(std::abs(sp.s21), 0.1f) << c.what;
  }
}

// A vanishing denominator is not trapped: the results are not finite.
TEST(Sparam, ZeroDenominatorGivesNonFiniteResults) {
  // A ZL + B + C Zs ZL + D Zs = 0 for A = 1, B = -100, C = 0, D = 1, Zs = ZL = 50.
  const ChainMatrix m{Complex(1.0f, 0.0f), Complex(-100.0f, 0.0f), Complex(0.0f, 0.0f), Complex(1.0f, 0.0f)};
  const SParameters sp = sparam(m, Complex(50.0f, 0.0f), Complex(50.0f, 0.0f));
  EXPECT_FALSE(std::isfinite(sp.s21.real()) && std::isfinite(sp.s21.imag()));
}

}  // namespace
}  // namespace quorvane::testing
