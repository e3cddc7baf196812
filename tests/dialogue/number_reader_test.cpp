// The number reading rule shared by the console and the defaults file.
#include "dialogue/number_reader.hpp"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace quorvane {
namespace {

struct Reading {
  const char* field;
  bool ok;
  float value;
};

class ReadNumber : public ::testing::TestWithParam<Reading> {};

TEST_P(ReadNumber, ReadsOrRefusesTheField) {
  const Reading& c = GetParam();
  const NumberRead r = read_number(c.field);
  ASSERT_EQ(r.ok, c.ok) << '"' << c.field << '"';
  if (c.ok) {
    EXPECT_EQ(r.value, c.value) << '"' << c.field << '"';
  } else {
    EXPECT_FALSE(r.why.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ReadNumber,
    ::testing::Values(Reading{"", true, 0.0f}, Reading{"             ", true, 0.0f},
                      Reading{"50", true, 50.0f}, Reading{"-50", true, -50.0f},
                      Reading{"+2.5", true, 2.5f}, Reading{"   9600.0    Fo, MHz", true, 9600.0f},
                      Reading{"9 6 0 0", true, 9600.0f}, Reading{"\t1\t2", true, 12.0f},
                      Reading{".5", true, 0.5f}, Reading{"5.", true, 5.0f},
                      Reading{"1E3", true, 1000.0f}, Reading{"1e-3", true, 0.001f},
                      Reading{"2.5D+2", true, 250.0f}, Reading{"2.5d2", true, 250.0f},
                      Reading{"0.1", true, 0.1f},
                      // Only columns 1 to 13 count: the fourteenth character is ignored.
                      Reading{"1234567890123x", true, 1234567890123.0f},
                      Reading{"0000000000001234", true, 1.0f},
                      // A magnitude too small for single precision reads as zero.
                      Reading{"1E-60", true, 0.0f},
                      Reading{"abc", false, 0.0f}, Reading{".", false, 0.0f},
                      Reading{"-", false, 0.0f}, Reading{"1.2.3", false, 0.0f},
                      Reading{"1E", false, 0.0f}, Reading{"1E+", false, 0.0f},
                      Reading{"E5", false, 0.0f}, Reading{"1-2", false, 0.0f},
                      Reading{"1,5", false, 0.0f},
                      // Too large for single precision: refused rather than infinite.
                      Reading{"1E39", false, 0.0f}, Reading{"9E99", false, 0.0f}));

// The reason an unreadable field gets: a character that no number holds is
// named, wherever it stands.
TEST(ReadNumber, NamesTheReasonItRefuses) {
  const struct {
    std::string field;
    const char* why;
  } cases[] = {
      {"x", "it holds \"x\", a character that cannot be part of a number"},
      {"abc", "it holds \"a\", a character"}, {"O.02", "it holds \"O\", a character"},
      {"1 oz", "it holds \"o\", a character"}, {"-1,5", "it holds \",\", a character"},
      {std::string("5\0", 2), "it holds \"\\x00\", a character"},
      {"1.2.3", "not in the order of a number"}, {"1E5E", "not in the order of a number"},
      {"E5", "no digits before its exponent"}, {"1E+", "its exponent has no digits"},
  };
  for (const auto& c : cases) EXPECT_NE(read_number(c.field).why.find(c.why), std::string::npos) << c.field;
}

struct Rounding {
  float x;
  int nearest;
  int choice;
  int truncated;
};

class WholeNumbers : public ::testing::TestWithParam<Rounding> {};

TEST_P(WholeNumbers, RoundChoiceAndTruncate) {
  const Rounding& c = GetParam();
  EXPECT_EQ(nearest_whole(c.x), c.nearest) << c.x;
  EXPECT_EQ(choice_of(c.x), c.choice) << c.x;
  EXPECT_EQ(truncated_whole(c.x), c.truncated) << c.x;
}

constexpr int kMax = std::numeric_limits<int>::max();
constexpr int kMin = std::numeric_limits<int>::min();

INSTANTIATE_TEST_SUITE_P(
    Values, WholeNumbers,
    ::testing::Values(Rounding{1.4f, 1, 1, 1}, Rounding{2.5f, 3, 3, 2}, Rounding{-2.0f, -2, 2, -2},
                      Rounding{-1.5f, -2, 2, -1}, Rounding{0.4f, 0, 0, 0}, Rounding{2.4f, 2, 2, 2},
                      Rounding{2.6f, 3, 3, 2}, Rounding{-0.0f, 0, 0, 0},
                      Rounding{3e9f, kMax, kMax, kMax}, Rounding{-3e9f, kMin, kMax, kMin},
                      Rounding{std::numeric_limits<float>::infinity(), kMax, kMax, kMax},
                      Rounding{std::nanf(""), kMax, kMax, kMax}));

}  // namespace
}  // namespace quorvane
