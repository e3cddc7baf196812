// The analysis set-up: the entry rules of every question, the ideal mode,
// and the summary block of the report opening.
#include "analysis/analysis_setup.hpp"

#include <sstream>

#include <gtest/gtest.h>

#include "analysis/design_fixture.hpp"
#include "support/session.hpp"

namespace quorvane::testing {
namespace {

DesignState with_defaults(DesignState s) {
  s.defaults.fstartdef = 9000.0f;
  s.defaults.fstopdef = 11000.0f;
  s.defaults.fstepdef = 20.0f;
  s.defaults.tlosdef = 0.0009f;
  return s;
}

struct EntryCase {
  const char* what;
  int msorsl;
  const char* script;  // one answer a line
  float fstart, fstop, fstep, zs, zl;
  float res1, sr1, tlos;
  int ivswr;
};

class AnalysisEntryRules : public ::testing::TestWithParam<EntryCase> {};

TEST_P(AnalysisEntryRules, ValuesTaken) {
  const EntryCase& c = GetParam();
  DesignState state = with_defaults(electrical_design());
  state.construction.msorsl = c.msorsl;
  std::istringstream in(c.script);
  std::ostringstream out;
  Console console(in, out);
  const AnalysisEntry entry = enter_analysis(console, state);
  EXPECT_EQ(state.qvnfreq.fstart, c.fstart) << c.what;
  EXPECT_EQ(state.qvnfreq.fstop, c.fstop) << c.what;
  EXPECT_EQ(state.qvnfreq.fstep, c.fstep) << c.what;
  EXPECT_EQ(state.qvnzo.zs, c.zs) << c.what;
  EXPECT_EQ(state.qvnzo.zl, c.zl) << c.what;
  EXPECT_EQ(entry.res1, c.res1) << c.what;
  EXPECT_EQ(entry.sr1, c.sr1) << c.what;
  EXPECT_EQ(state.aloss1.tlos, c.tlos) << c.what;
  EXPECT_EQ(state.control.ivswr, c.ivswr) << c.what;
  // The shared records hold ohm inch and inch.
  EXPECT_NEAR(state.aloss1.res, c.res1 * 1.0e-6f / 2.54f, 1.0e-12f) << c.what;
  EXPECT_NEAR(state.aloss1.sr, c.sr1 * 1.0e-6f, 1.0e-12f) << c.what;
  // Every answer was read, and no more.
  std::string rest;
  EXPECT_FALSE(std::getline(in, rest)) << c.what << ": unread answer " << rest;
  const bool asked = out.str().find("Conductor Resistivity") != std::string::npos;
  EXPECT_EQ(asked, c.msorsl != 0) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Analysis, AnalysisEntryRules,
    ::testing::Values(
        EntryCase{"all defaults", 1, "\n\n\n\n\n\n\n\n\n", 9000, 11000, 20, 50, 50, 1.7f, 5, 0.0009f, 1},
        EntryCase{"negative answers count as their magnitude; gold; 4.99 is choice 4", 1,
                  "-50\n-50\n-50\n-50\n-50\n3.9\n4.99\n0.02\n1.6\n", 50, 50, 50, 50, 50, 2.44f, 5, 0.02f, 2},
        EntryCase{"zero keeps the defaults; 0.5 is copper; 6 is no roughness choice; -0.02 keeps the "
                  "loss tangent; -2 is format 2",
                  1, "0\n0\n0\n0\n0\n0.5\n6\n-0.02\n-2\n", 9000, 11000, 20, 50, 50, 1.7f, 5, 0.0009f, 2},
        EntryCase{"-3 is copper; 1 is 40 micro-inch; format 3 is format 1", 1,
                  "1\n2\n3\n40\n60\n-3\n1\n\n3\n", 1, 2, 3, 40, 60, 1.7f, 40, 0.0009f, 1},
        EntryCase{"7 is copper; 5 is 1 micro-inch", 1, "\n\n\n\n\n7\n5\n\n\n", 9000, 11000, 20, 50, 50, 1.7f, 1,
                  0.0009f, 1},
        EntryCase{"choices truncate: 6.9 is steel, 2.9 is 20 micro-inch, 1.4 is silver", 1,
                  "\n\n\n\n\n6.9\n2.9\n\n1.4\n", 9000, 11000, 20, 50, 50, 11.8f, 20, 0.0009f, 1},
        EntryCase{"silver; 10 micro-inch", 1, "\n\n\n\n\n1\n3\n\n2\n", 9000, 11000, 20, 50, 50, 1.6f, 10, 0.0009f, 2},
        EntryCase{"aluminium", 1, "\n\n\n\n\n4\n\n\n\n", 9000, 11000, 20, 50, 50, 4.0f, 5, 0.0009f, 1},
        EntryCase{"brass", 2, "\n\n\n\n\n5\n\n\n\n", 9000, 11000, 20, 50, 50, 7.0f, 5, 0.0009f, 1},
        EntryCase{"ideal mode asks no loss question and has no losses", 0, "9500\n10500\n10\n75\n\n2\n", 9500,
                  10500, 10, 75, 50, 0, 0, 0, 2}));

TEST(Analysis, TerminationsDefaultToTheSystemImpedanceOfTheDesign) {
  DesignState state = with_defaults(electrical_design());
  state.filter.z0 = 48.7f;  // as a stripline synthesis leaves it
  std::istringstream in("\n\n\n\n\n\n");
  std::ostringstream out;
  Console console(in, out);
  enter_analysis(console, state);
  EXPECT_EQ(state.qvnzo.zs, 48.7f);
  EXPECT_EQ(state.qvnzo.zl, 48.7f);
}

TEST(Analysis, IdealModeIsAQuarterWaveInAir) {
  DesignState state = with_defaults(electrical_design(1000.0f, 50.0f, 3));
  state.construction.er = 9.8f;  // from an earlier construction
  state.aloss1 = Aloss1{1.0f, 1.0f, 1.0f};
  std::istringstream in("\n\n\n\n\n\n");
  std::ostringstream out;
  Console console(in, out);
  const AnalysisEntry entry = enter_analysis(console, state);
  EXPECT_NEAR(entry.qwave, 2.9505f, 0.00005f);
  for (int k = 1; k <= kMaxSections; ++k) EXPECT_EQ(state.flength[k], entry.qwave) << k;
  EXPECT_EQ(state.construction.er, 1.0f);
  EXPECT_EQ(state.aloss1.res, 0.0f);
  EXPECT_EQ(state.aloss1.sr, 0.0f);
  EXPECT_EQ(state.aloss1.tlos, 0.0f);
  const auto lines = analysis_summary(state, entry);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[4], "                SR   =     0.000 u\"      Resistivity = 0.000 u-Ohm-cm");
  EXPECT_EQ(lines[5], "                                        Loss Tangent = 0.00000");
  EXPECT_EQ(lines[6], "                Er   =     1.000         Quarterwave = 2.9505 Inches");
}

TEST(Analysis, SummaryOfABuiltFilter) {
  DesignState state = with_defaults(electrical_design());
  state.construction.msorsl = 1;
  std::istringstream in("\n\n\n\n\n3.9\n\n0.02\n\n");
  std::ostringstream out;
  Console console(in, out);
  const AnalysisEntry entry = enter_analysis(console, state);
  const std::vector<std::string> want = {
      "                Flow =  9750.000 MHz     Response    = Tchebyscheff",
      "                Fo   = 10000.000 MHz     # of Poles  =  4",
      "                Fhigh= 10250.000 MHz     Ripple (Am) = 0.10000 dB",
      "                BW   =   500.000 MHz     Zo of System=  50.00 Ohms",
      "                SR   =     5.000 u\"      Resistivity = 2.440 u-Ohm-cm",
      "                                        Loss Tangent = 0.02000"};
  EXPECT_EQ(analysis_summary(state, entry), want);
  EXPECT_EQ(analysis_title_block(),
            std::vector<std::string>({"             Frequency Analysis of your Parallel Coupled Line Bandpass Filter",
                                      "             results in the following response profile:", ""}));
}

}  // namespace
}  // namespace quorvane::testing
