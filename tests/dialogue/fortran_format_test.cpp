#include "dialogue/fortran_format.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quorvane::fmt {
namespace {

struct FCase {
  float value;
  int w;
  int d;
  const char* expected;
};

class FieldF : public ::testing::TestWithParam<FCase> {};

TEST_P(FieldF, WritesTheFortranField) {
  const FCase& c = GetParam();
  EXPECT_EQ(F(c.value, c.w, c.d), c.expected) << "value " << c.value << " F" << c.w << "." << c.d;
}

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Boundaries, FieldF,
    ::testing::Values(
        // Plain values and right justification.
        FCase{606.55f, 9, 3, "  606.550"}, FCase{5.0f, 6, 2, "  5.00"},
        FCase{1.0f, 8, 5, " 1.00000"},
        // Exactly full, and one digit too many.
        FCase{12345.678f, 9, 3, "12345.678"}, FCase{123456.78f, 9, 3, "*********"},
        FCase{-1234.5f, 7, 1, "-1234.5"}, FCase{-12345.5f, 7, 1, "*******"},
        // Rounding that adds a digit.
        FCase{9.9996f, 6, 3, "10.000"}, FCase{99.9996f, 6, 3, "******"},
        FCase{9.96f, 4, 1, "10.0"},
        // Exact ties round away from zero; near-ties follow the binary value.
        FCase{0.125f, 5, 2, " 0.13"}, FCase{-0.125f, 5, 2, "-0.13"},
        FCase{2.5f, 3, 0, " 3."}, FCase{0.5f, 3, 0, " 1."},
        FCase{1.005f, 5, 2, " 1.00"},  // 1.005f is 1.00499999...
        // Values below 1 with and without room for the leading zero.
        FCase{0.5f, 4, 2, "0.50"}, FCase{0.5f, 3, 2, ".50"}, FCase{0.5f, 2, 2, "**"},
        FCase{-0.5f, 5, 2, "-0.50"}, FCase{-0.5f, 4, 2, "-.50"}, FCase{-0.5f, 3, 2, "***"},
        FCase{0.0f, 6, 4, "0.0000"}, FCase{0.0f, 5, 4, ".0000"},
        // Negative values rounding to zero, and negative zero, keep the minus.
        FCase{-0.001f, 6, 2, " -0.00"}, FCase{-0.0f, 6, 2, " -0.00"},
        FCase{-0.004f, 4, 2, "-.00"}, FCase{-0.0043f, 7, 2, "  -0.00"},
        // Not a number and infinities, narrow and wide.
        FCase{kNaN, 9, 3, "      NaN"}, FCase{kNaN, 3, 1, "NaN"}, FCase{kNaN, 2, 1, "**"},
        FCase{kInf, 9, 3, " Infinity"}, FCase{kInf, 8, 3, "Infinity"},
        FCase{kInf, 7, 3, "    Inf"}, FCase{kInf, 3, 1, "Inf"}, FCase{kInf, 2, 1, "**"},
        FCase{-kInf, 9, 3, "-Infinity"}, FCase{-kInf, 8, 3, "    -Inf"},
        FCase{-kInf, 4, 1, "-Inf"}, FCase{-kInf, 3, 1, "***"},
        // Large and tiny magnitudes.
        FCase{1.0e30f, 9, 3, "*********"}, FCase{1.0e-30f, 9, 3, "    0.000"},
        FCase{-1.0e-30f, 9, 3, "   -0.000"}, FCase{999.99f, 8, 3, " 999.990"}));

struct ICase {
  long long value;
  int w;
  const char* expected;
};

class FieldI : public ::testing::TestWithParam<ICase> {};

TEST_P(FieldI, WritesTheFortranField) {
  const ICase& c = GetParam();
  EXPECT_EQ(I(c.value, c.w), c.expected) << "value " << c.value << " I" << c.w;
}

INSTANTIATE_TEST_SUITE_P(Boundaries, FieldI,
                         ::testing::Values(ICase{5, 2, " 5"}, ICase{12, 2, "12"},
                                           ICase{0, 2, " 0"}, ICase{-5, 2, "-5"},
                                           ICase{-10, 2, "**"}, ICase{100, 2, "**"},
                                           ICase{2026, 4, "2026"}, ICase{13, 3, " 13"},
                                           ICase{12345, 4, "****"}));

TEST(FieldA, CutsAndPads) {
  EXPECT_EQ(A("Tchebyscheff        ", 12), "Tchebyscheff");
  EXPECT_EQ(A("Butterworth", 12), "Butterworth ");
  EXPECT_EQ(A("Microstrip", 10), "Microstrip");
  EXPECT_EQ(A("Stripline", 10), "Stripline ");
  EXPECT_EQ(A("abcdefghijklmnopqrstuvwxyz", 20), "abcdefghijklmnopqrst");
  EXPECT_EQ(A("", 3), "   ");
}

TEST(FieldX, BlanksAndRules) {
  EXPECT_EQ(X(6), "      ");
  EXPECT_EQ(X(0), "");
  EXPECT_EQ(hyphens(4), "----");
}

}  // namespace
}  // namespace quorvane::fmt
