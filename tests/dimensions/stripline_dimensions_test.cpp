#include "dimensions/stripline_dimensions.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "dimensions/dimensions_fixture.hpp"
#include "lines/stripline.hpp"
#include "support/case_name.hpp"

namespace quorvane {
namespace {

using fmt::F;

struct ModeLimitCase {
  const char* what;
  float er;
  float wofz0;  // inch
  float b;      // inch
  const char* printed;  // F7.3
};

class StriplineModeLimit : public ::testing::TestWithParam<ModeLimitCase> {};

TEST_P(StriplineModeLimit, PrintsAsTheReportShowsIt) {
  const ModeLimitCase& c = GetParam();
  EXPECT_EQ(F(stripline_mode_limit(c.er, c.wofz0, c.b), 7, 3), c.printed);
}

INSTANTIATE_TEST_SUITE_P(
    Stripline, StriplineModeLimit,
    ::testing::Values(ModeLimitCase{"Er 2.2 B 0.0625 W 0.05", 2.2f, 0.05f, 0.0625f, " 40.182"},
                      ModeLimitCase{"air, no strip: half a wavelength across pi B / 2", 1.0f, 0.0f, 0.25f,
                                    " 30.077"},
                      ModeLimitCase{"very thin stripline is capped", 2.2f, 0.0001f, 0.0001f, "999.999"}),
    testing::CaseName());

// A stripline resonator is a quarter guide wavelength at f0 in Er: the same
// for every section and equal to the quarter wave of the single line.
struct QuarterWaveCase {
  const char* what;
  int poles;
  float f0;  // MHz
  float b;   // inch
  float thick;
  const char* printed;  // F8.4
};

class StriplineResonators : public ::testing::TestWithParam<QuarterWaveCase> {};

TEST_P(StriplineResonators, AreAllAQuarterGuideWavelength) {
  const QuarterWaveCase& c = GetParam();
  DesignState state = testing::designed_state(c.poles, c.f0, 0.05f * c.f0);
  testing::build_as(state, 2, c.b, 2.2f, c.thick);
  const std::string out = testing::printed_dimensions(state);
  const std::vector<std::string> rows = testing::table_rows(out);
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(c.poles + 1)) << out;
  for (const auto& row : rows) EXPECT_EQ(row.substr(50, 8), c.printed) << row;
  EXPECT_NE(testing::line_with(out, "For Fo =").find("Quarter Wavelength =" + std::string(c.printed) + " inches."),
            std::string::npos)
      << out;
  const float length = state.flength[1];
  EXPECT_EQ(testing::line_with(out, "Total Length"),
            "           Total Length of your Bandpass Filter = " + F(static_cast<float>(c.poles + 1) * length, 8, 4) +
                " inches.");
}

INSTANTIATE_TEST_SUITE_P(
    Stripline, StriplineResonators,
    ::testing::Values(QuarterWaveCase{"1000 MHz Er 2.2", 4, 1000.0f, 0.125f, 0.0f, "  1.9893"},
                      QuarterWaveCase{"thick strip, same length", 3, 1000.0f, 0.125f, 0.0014f, "  1.9893"},
                      QuarterWaveCase{"twice the frequency, half the length", 5, 2000.0f, 0.125f, 0.0f, "  0.9946"},
                      QuarterWaveCase{"12 poles", 12, 1000.0f, 0.0625f, 0.0007f, "  1.9893"}),
    testing::CaseName());

struct PairCase {
  const char* what;
  int msorsl;
  int poles;
};

class SectionPairs : public ::testing::TestWithParam<PairCase> {};

// Section K couples resonator K-1 to resonator K; 0 is the source and N+1 the load.
TEST_P(SectionPairs, RunFromTheSourceToTheLoad) {
  const PairCase& c = GetParam();
  DesignState state = testing::designed_state(c.poles);
  testing::build_as(state, c.msorsl, c.msorsl == 2 ? 0.125f : 0.025f, c.msorsl == 2 ? 2.2f : 9.8f, 0.0f);
  const std::vector<std::string> rows = testing::table_rows(testing::printed_dimensions(state));
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(c.poles + 1));
  for (int k = 1; k <= c.poles + 1; ++k) {
    const std::string& row = rows[static_cast<std::size_t>(k - 1)];
    EXPECT_EQ(row.substr(0, 10), std::string(8, ' ') + fmt::I(k, 2)) << row;
    EXPECT_EQ(row.substr(28, 6), fmt::I(k - 1, 3) + fmt::I(k, 3)) << row;
  }
}

INSTANTIATE_TEST_SUITE_P(Both, SectionPairs,
                         ::testing::Values(PairCase{"stripline 2 poles", 2, 2}, PairCase{"microstrip 3 poles", 1, 3},
                                           PairCase{"stripline 12 poles", 2, 12}),
                         testing::CaseName());

class StriplineReport : public ::testing::Test {
 protected:
  DesignState state = testing::designed_state(4);
  void SetUp() override { testing::build_as(state, 2, 0.125f, 2.2f, 0.0f); }
};

TEST_F(StriplineReport, KeepsWidthsAndGapsRelativeToB) {
  const std::string out = testing::printed_dimensions(state);
  const std::vector<std::string> rows = testing::table_rows(out);
  ASSERT_EQ(rows.size(), 5u);
  for (int k = 1; k <= 5; ++k) {
    const std::string& row = rows[static_cast<std::size_t>(k - 1)];
    const float w = state.qvnms.wc[k] * 0.125f;
    const float s = state.qvnms.sc[k] * 0.125f;
    EXPECT_LT(state.qvnms.wc[k], 2.0f);
    EXPECT_EQ(row.substr(13, 7), F(w, 7, 4)) << row;
    EXPECT_EQ(row.substr(34, 8), F(s, 8, 4)) << row;
    EXPECT_EQ(row.substr(60), F(state.capopen[k], 8, 4)) << row;
    EXPECT_GT(state.capopen[k], 0.0f);
  }
  // The end sections couple most tightly: the narrowest gap.
  EXPECT_LT(state.qvnms.sc[1], state.qvnms.sc[2]);
  EXPECT_LT(state.qvnms.sc[2], state.qvnms.sc[3]);
}

TEST_F(StriplineReport, TheSystemLineReplacesZoWithinATenthOfAPercent) {
  const std::string out = testing::printed_dimensions(state);
  EXPECT_NEAR(state.filter.z0, 50.0f, 0.05f);
  EXPECT_EQ(state.filter.z0_entered, 50.0f);
  const SlwbResult line = slwb(0.125f, 2.2f, 0.0f, 50.0f);
  EXPECT_EQ(state.filter.z0, line.zo);
  EXPECT_EQ(testing::line_with(out, "For Zo ="), "      For Zo = " + F(line.zo, 6, 2) + " Ohms, Line Width =" +
                                                   F(line.w, 7, 4) + " inches in Er =  2.200.");
}

TEST_F(StriplineReport, EveryRunStartsFromTheEnteredImpedance) {
  testing::build_as(state, 2, 0.05f, 10.2f, 0.0014f);
  state.filter.z0 = state.filter.z0_entered = 75.0f;
  const std::string first = testing::printed_dimensions(state);
  for (int run = 2; run <= 10; ++run) {
    ASSERT_EQ(testing::printed_dimensions(state), first) << "run " << run;
  }
  EXPECT_NE(testing::line_with(first, "Zo of System= ").find("75.00 Ohms"), std::string::npos) << first;
  EXPECT_NEAR(state.filter.z0, 75.0f, 0.075f);
}

// A system impedance no strip can have: the report tells it on the console
// and goes on with the width returned, a number in every field (the limit
// then belongs to the ground-plane spacing alone).
struct SystemLineCase {
  const char* what;
  float thick;  // inch
  float z0;     // ohm
  const char* width;  // F7.4
};

class UnrealizableSystemLineWidth : public ::testing::TestWithParam<SystemLineCase> {};

TEST_P(UnrealizableSystemLineWidth, PrintsANumber) {
  const SystemLineCase& c = GetParam();
  DesignState state = testing::designed_state(3, 10000.0f, 500.0f, 0.1f, c.z0);
  testing::build_as(state, 2, 0.125f, 2.2f, c.thick);
  const std::string out = testing::printed_dimensions(state);
  EXPECT_EQ(out.find("NaN"), std::string::npos) << out;
  EXPECT_NE(out.find("      The Impedance requires an unrealizable Strip Width.\n"), std::string::npos) << out;
  EXPECT_NE(testing::line_with(out, "For Zo =").find("Line Width =" + std::string(c.width) + " inches"),
            std::string::npos)
      << out;
  EXPECT_NE(testing::line_with(out, "Maximum usable").find(F(stripline_mode_limit(2.2f, 0.0f, 0.125f), 7, 3)),
            std::string::npos)
      << out;
}

INSTANTIATE_TEST_SUITE_P(Stripline, UnrealizableSystemLineWidth,
                         ::testing::Values(SystemLineCase{"flat", 0.0f, 3000.0f, " 0.0000"},
                                           SystemLineCase{"thick", 0.0014f, 300.0f, " 0.0000"}),
                         testing::CaseName());

// A section for which the coupled-strip equations give no positive width
// (Zoe 120, Zoo 50 in Er 10: negative before the narrow-strip correction)
// is reported as not realizable, with its pair and its resonator length, and
// never with a negative or made-up dimension; its neighbours are unaffected.
TEST_F(StriplineReport, ASectionWithoutPositiveWidthIsReportedNotRealizable) {
  testing::build_as(state, 2, 0.125f, 10.0f, 0.0f);
  for (int k = 1; k <= 5; ++k) {
    state.qvnzo.zoec[k] = 120.0f;
    state.qvnzo.zooc[k] = 50.0f;
  }
  state.qvnzo.zoec[3] = 55.0f;
  state.qvnzo.zooc[3] = 45.0f;
  const std::string out = testing::printed_dimensions(state);
  const std::vector<std::string> rows = testing::table_rows(out);
  ASSERT_EQ(rows.size(), 5u);
  const std::string length = F(state.flength[1], 8, 4);
  for (int k : {1, 2, 4, 5}) {
    EXPECT_EQ(rows[static_cast<std::size_t>(k - 1)], "        " + fmt::I(k, 2) +
                                                         "   Not realizable in Stripline for its Zoe and Zoo" +
                                                         fmt::I(k - 1, 3) + fmt::I(k, 3) + "  " + length);
  }
  EXPECT_EQ(rows[2].find("Not realizable"), std::string::npos) << rows[2];
  EXPECT_EQ(rows[2].find('-'), std::string::npos) << rows[2];
  EXPECT_EQ(rows[2].substr(13, 7), F(state.qvnms.wc[3] * 0.125f, 7, 4)) << rows[2];
  EXPECT_GT(state.qvnms.wc[3], 0.0f);
  EXPECT_GT(state.capopen[3], 0.0f);
  EXPECT_EQ(testing::line_with(out, "Total Length"),
            "           Total Length of your Bandpass Filter = " + F(5.0f * state.flength[1], 8, 4) + " inches.");
}

// The same from the electrical synthesis: a 30 % bandwidth, 3-pole design
// in Er 10 has end sections too tightly coupled for the equations.
TEST(StriplineNotRealizable, WideBandEndSectionsFromTheElectricalDesign) {
  DesignState state = testing::designed_state(3, 1000.0f, 300.0f);
  testing::build_as(state, 2, 0.125f, 10.0f, 0.0f);
  const std::vector<std::string> rows = testing::table_rows(testing::printed_dimensions(state));
  ASSERT_EQ(rows.size(), 4u);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const bool end = i == 0 || i == 3;
    EXPECT_EQ(rows[i].find("Not realizable in Stripline") != std::string::npos, end) << rows[i];
    EXPECT_EQ(rows[i].find('-'), std::string::npos) << rows[i];
    EXPECT_EQ(rows[i].find("NaN"), std::string::npos) << rows[i];
  }
}

}  // namespace
}  // namespace quorvane
