#include "dimensions/dimensional_report.hpp"

#include <gtest/gtest.h>

#include "dimensions/dimensions_fixture.hpp"
#include "support/case_name.hpp"

namespace quorvane {
namespace {

struct UnrealizableCase {
  const char* what;
  int msorsl;
  float b;
  float er;
  const char* last_message_line;
};

class UnrealizableSystemLine : public ::testing::TestWithParam<UnrealizableCase> {};

// Wheeler's width for 500 ohm lies far below the smallest buildable strip on
// either construction; the report goes on with the width returned.
TEST_P(UnrealizableSystemLine, IsToldOnTheConsoleOnly) {
  const UnrealizableCase& c = GetParam();
  DesignState state = testing::designed_state(3, 10000.0f, 500.0f, 0.1f, 500.0f);
  testing::build_as(state, c.msorsl, c.b, c.er, 0.0f);
  testing::Session folder;
  const testing::StoredReport r = testing::stored_dimensions(state, folder.folder());

  const std::vector<std::string> lines = testing::lines_of(r.console);
  std::size_t total = 0;
  while (total < lines.size() && lines[total].find("Total Length") == std::string::npos) ++total;
  ASSERT_LT(total + 5, lines.size()) << r.console;
  EXPECT_EQ(lines[total + 1], "");
  EXPECT_EQ(lines[total + 2], "      The Impedance requires an unrealizable Strip Width.");
  EXPECT_EQ(lines[total + 3], std::string("      ") + c.last_message_line);
  EXPECT_EQ(lines[total + 4], "");
  EXPECT_EQ(lines[total + 5].substr(0, 24), "      For Zo = 500.00 Oh");

  // The file holds the same report without the message.
  std::string without;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i < total + 1 || i > total + 3) without += lines[i] + "\n";
  }
  EXPECT_EQ(r.file, without);
}

INSTANTIATE_TEST_SUITE_P(
    Both, UnrealizableSystemLine,
    ::testing::Values(UnrealizableCase{"microstrip", 1, 0.025f, 9.8f,
                                       "Strip Width SYNTHESIS calculations terminated by Microstrip."},
                      UnrealizableCase{"stripline", 2, 0.125f, 2.2f, "Strip Width SYNTHESIS calculations terminated."}),
    testing::CaseName());

// The summary shows the impedance each synthesis aims at: the entered one
// for stripline, the design's current one (replaced by an earlier stripline
// synthesis) for microstrip.
TEST(DimensionsSummary, ShowsTheImpedanceTheSynthesisAimsAt) {
  DesignState state = testing::designed_state(4);
  state.filter.z0 = 49.96f;
  testing::build_as(state, 2, 0.125f, 2.2f, 0.0f);
  EXPECT_EQ(z0_aim(state), 50.0f);
  EXPECT_NE(dimensions_summary(state)[6].find("Zo of System=  50.00 Ohms"), std::string::npos);
  testing::build_as(state, 1, 0.025f, 9.8f, 0.0f);
  EXPECT_EQ(z0_aim(state), 49.96f);
  EXPECT_NE(dimensions_summary(state)[6].find("Zo of System=  49.96 Ohms"), std::string::npos);
}

}  // namespace
}  // namespace quorvane
