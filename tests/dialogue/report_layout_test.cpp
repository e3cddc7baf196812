#include "dialogue/report_layout.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "dialogue/fortran_format.hpp"

namespace quorvane::fmt {
namespace {

struct RealCase {
  const char* columns;
  int d;
  bool ok;
  float value;     // when ok and finite
  bool overflow;
};

class RealField : public ::testing::TestWithParam<RealCase> {};

TEST_P(RealField, ReadsOnlyTheFormsFwdWrites) {
  const RealCase& c = GetParam();
  bool overflow = false;
  const auto v = read_real_field(c.columns, c.d, overflow);
  ASSERT_EQ(v.has_value(), c.ok) << "'" << c.columns << "'";
  if (!c.ok) return;
  EXPECT_EQ(overflow, c.overflow);
  if (std::isnan(c.value)) {
    EXPECT_TRUE(std::isnan(*v));
  } else {
    EXPECT_EQ(*v, c.value);
    EXPECT_EQ(std::signbit(*v), std::signbit(c.value));
  }
}

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Forms, RealField,
    ::testing::Values(RealCase{"  66.849", 3, true, 66.849f, false},
                      RealCase{" 0.26614", 5, true, 0.26614f, false},
                      RealCase{".26614", 5, true, 0.26614f, false},      // no room for the 0
                      RealCase{"-.5000", 4, true, -0.5f, false},
                      RealCase{"  -0.00", 2, true, -0.0f, false},        // negative rounding to zero
                      RealCase{"-200.000", 3, true, -200.0f, false},
                      RealCase{"*******", 3, true, kNaN, true},          // overflow
                      RealCase{"    NaN", 3, true, kNaN, false},
                      RealCase{"Infinity", 3, true, kInf, false},
                      RealCase{" -Inf", 3, true, -kInf, false},
                      RealCase{"  66.85", 3, false, 0.0f, false},        // wrong number of decimals
                      RealCase{" 66.8490", 3, false, 0.0f, false},
                      RealCase{"  66 849", 3, false, 0.0f, false},       // blank inside
                      RealCase{"66.849  ", 3, false, 0.0f, false},       // left-justified: shifted columns
                      RealCase{"   1234", 3, false, 0.0f, false},        // no point
                      RealCase{"       ", 3, false, 0.0f, false},        // empty field
                      RealCase{" 12.3*5", 2, false, 0.0f, false},        // partly asterisks
                      RealCase{" +1.500", 3, false, 0.0f, false}));      // the writer never writes '+'

TEST(RealField, ReadsBackWhatTheWriterWritesAcrossMagnitudes) {
  // Every value the writer puts into F9.3 reads back to the same printed digits.
  const float values[] = {0.0f, 0.0004f, 0.0005f, 1.0f, 9750.0f, 10000.0f, 12345.678f, 99999.99f, -0.25f, -9999.999f};
  for (float v : values) {
    const std::string printed = fmt::F(v, 9, 3);
    bool overflow = false;
    const auto back = read_real_field(printed, 3, overflow);
    ASSERT_TRUE(back.has_value()) << printed;
    EXPECT_EQ(fmt::F(*back, 9, 3), printed);
  }
}

struct LineCase {
  const char* name;
  std::string line;
  bool matches;
};

class LineMatchCase : public ::testing::TestWithParam<LineCase> {};

const std::vector<Field>& zs_layout() {
  static const std::vector<Field> l{blanks(6), text("Source Impedance: Zs = "), real(7, 3), text(" Ohms.")};
  return l;
}

TEST_P(LineMatchCase, TextAndColumnsMustStandInPlace) {
  const LineCase& c = GetParam();
  const auto m = match_line(c.line, zs_layout());
  EXPECT_EQ(m.has_value(), c.matches) << c.name;
  if (m && c.matches) {
    EXPECT_FLOAT_EQ(m->values.at(0).real, 50.0f);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineMatchCase,
    ::testing::Values(LineCase{"exact", "      Source Impedance: Zs =  50.000 Ohms.", true},
                      LineCase{"carriage return", "      Source Impedance: Zs =  50.000 Ohms.\r", true},
                      LineCase{"trailing blanks", "      Source Impedance: Zs =  50.000 Ohms.   ", true},
                      LineCase{"one column left", "     Source Impedance: Zs =  50.000 Ohms.", false},
                      LineCase{"text after the layout", "      Source Impedance: Zs =  50.000 Ohms. x", false},
                      LineCase{"other label", "      Load   Impedance: ZL =  50.000 Ohms.", false},
                      LineCase{"cut short", "      Source Impedance: Zs =  50.000", false}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& ch : n)
        if (ch == ' ') ch = '_';
      return n;
    });

TEST(LineMatch, ShortLineIsPaddedForTrailingTextFields) {
  const std::vector<Field> layout{blanks(2), integer(3), alpha(10)};
  const auto m = match_line("   42ab", layout);
  ASSERT_TRUE(m.has_value());
  EXPECT_EQ(m->values[0].integer, 42);
  EXPECT_EQ(m->values[1].alpha, "ab");
  EXPECT_FALSE(m->any_overflow);
  const auto o = match_line("  ***ab", layout);
  ASSERT_TRUE(o.has_value());
  EXPECT_TRUE(o->any_overflow);
}

// A filled line reads back, by the same layout, to the values it was filled
// with; values that do not fit the layout are refused.
TEST(LineFill, ReadsBackByTheSameLayoutAndRefusesMismatchedValues) {
  const Layout layout{blanks(3), text("K ="), integer(3), real(9, 4), blanks(1), alpha(6), text(".")};
  const std::string line = fill(layout, {-12, 3.25f, "ab"});
  EXPECT_EQ(line, "   K =-12   3.2500 ab    .");
  const auto m = match_line(line, layout);
  ASSERT_TRUE(m.has_value());
  EXPECT_EQ(m->values[0].integer, -12);
  EXPECT_EQ(m->values[1].real, 3.25f);
  EXPECT_EQ(m->values[2].alpha, "ab");
  EXPECT_THROW(fill(layout, {3.25f, -12, "ab"}), std::logic_error);
  EXPECT_THROW(fill(layout, {-12, 3.25f}), std::logic_error);
  EXPECT_THROW(fill(layout, {-12, 3.25f, "ab", 1}), std::logic_error);
}

}  // namespace
}  // namespace quorvane::fmt
