#include "dimensions/construction_entry.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "support/case_name.hpp"
#include "support/session.hpp"

namespace quorvane {
namespace {

// The substrates of the shipped defaults file.
DesignState shipped_state() {
  DesignState state;
  state.defaults.heightms = 0.025f;
  state.defaults.erms = 9.8f;
  state.defaults.heightsl = 0.125f;
  state.defaults.ersl = 2.2f;
  return state;
}

struct EntryRun {
  std::string out;
  bool ended_early = false;  // the console ran out before the entry was done
};

EntryRun run_entry(DesignState& state, const std::string& script) {
  std::istringstream in(script);
  std::ostringstream out;
  Console console(in, out);
  EntryRun run;
  try {
    run_construction_entry(console, state);
  } catch (const DialogueStop&) {
    run.ended_early = true;
  }
  run.out = out.str();
  return run;
}

struct EntryCase {
  const char* what;
  const char* script;  // construction, height, Er, thickness choice [, typed thickness]
  int msorsl;
  float b;
  float er;
  float thick;
};

class ConstructionEntry : public ::testing::TestWithParam<EntryCase> {};

TEST_P(ConstructionEntry, AnswersGiveTheConstructionState) {
  const EntryCase& c = GetParam();
  DesignState state = shipped_state();
  const EntryRun run = run_entry(state, c.script);
  ASSERT_FALSE(run.ended_early) << run.out;
  EXPECT_EQ(state.construction.msorsl, c.msorsl);
  EXPECT_FLOAT_EQ(state.qvnms.b, c.b);
  EXPECT_FLOAT_EQ(state.construction.er, c.er);
  EXPECT_FLOAT_EQ(state.qvnms.thick, c.thick);
  EXPECT_FLOAT_EQ(state.construction.t, c.thick / c.b);
  EXPECT_EQ(state.construction.slorms, c.msorsl == 2 ? "Stripline           " : "Microstrip          ");
  EXPECT_EQ(state.construction.var1, c.msorsl == 2 ? "B    = " : "H    = ");
}

INSTANTIATE_TEST_SUITE_P(
    Construction, ConstructionEntry,
    ::testing::Values(EntryCase{"1.6 rounds to 2", "1.6\n\n\n\n", 2, 0.125f, 2.2f, 0.0f},
                      EntryCase{"2", "2\n\n\n\n", 2, 0.125f, 2.2f, 0.0f},
                      EntryCase{"-2.4 rounds to 2", "-2.4\n\n\n\n", 2, 0.125f, 2.2f, 0.0f},
                      EntryCase{"0 is the default", "0\n\n\n\n", 1, 0.025f, 9.8f, 0.0f},
                      EntryCase{"empty is the default", "\n\n\n\n", 1, 0.025f, 9.8f, 0.0f},
                      EntryCase{"1", "1\n\n\n\n", 1, 0.025f, 9.8f, 0.0f},
                      EntryCase{"2.5 rounds to 3", "2.5\n\n\n\n", 1, 0.025f, 9.8f, 0.0f},
                      EntryCase{"3", "3\n\n\n\n", 1, 0.025f, 9.8f, 0.0f},
                      EntryCase{"99", "99\n\n\n\n", 1, 0.025f, 9.8f, 0.0f}),
    testing::CaseName());

INSTANTIATE_TEST_SUITE_P(
    Substrate, ConstructionEntry,
    ::testing::Values(EntryCase{"negative height by its magnitude", "1\n-0.05\n\n\n", 1, 0.05f, 9.8f, 0.0f},
                      EntryCase{"negative spacing by its magnitude", "2\n-0.05\n\n\n", 2, 0.05f, 2.2f, 0.0f},
                      EntryCase{"zero height keeps H", "1\n0\n\n\n", 1, 0.025f, 9.8f, 0.0f},
                      EntryCase{"zero spacing keeps B", "2\n0\n\n\n", 2, 0.125f, 2.2f, 0.0f},
                      EntryCase{"Er 0.5 keeps the default", "1\n\n0.5\n\n", 1, 0.025f, 9.8f, 0.0f},
                      EntryCase{"Er 0.99999 keeps the default", "2\n\n0.99999\n\n", 2, 0.125f, 2.2f, 0.0f},
                      EntryCase{"Er 1 is accepted", "1\n\n1\n\n", 1, 0.025f, 1.0f, 0.0f},
                      EntryCase{"Er just below 1 is accepted", "1\n\n0.999995\n\n", 1, 0.025f, 0.999995f, 0.0f},
                      EntryCase{"negative Er by its magnitude", "2\n\n-10.2\n\n", 2, 0.125f, 10.2f, 0.0f}),
    testing::CaseName());

INSTANTIATE_TEST_SUITE_P(
    Thickness, ConstructionEntry,
    ::testing::Values(EntryCase{"empty is zero", "1\n\n\n\n", 1, 0.025f, 9.8f, 0.0f},
                      EntryCase{"choice 1", "1\n\n\n1\n", 1, 0.025f, 9.8f, 0.0f},
                      EntryCase{"choice 2", "1\n\n\n2\n", 1, 0.025f, 9.8f, 0.0002f},
                      EntryCase{"choice 3", "2\n\n\n3\n", 2, 0.125f, 2.2f, 0.0007f},
                      EntryCase{"4.4 rounds to 4", "1\n\n\n4.4\n", 1, 0.025f, 9.8f, 0.0014f},
                      EntryCase{"-5 by its magnitude", "2\n\n\n-5\n", 2, 0.125f, 2.2f, 0.0028f},
                      EntryCase{"5.6 rounds to 6: typed", "1\n\n\n5.6\n0.001\n", 1, 0.025f, 9.8f, 0.001f},
                      EntryCase{"typed negative by its magnitude", "2\n\n\n6\n-0.002\n", 2, 0.125f, 2.2f, 0.002f},
                      EntryCase{"typed empty is zero", "1\n\n\n6\n\n", 1, 0.025f, 9.8f, 0.0f},
                      EntryCase{"typed equal to H is H/100", "1\n\n\n6\n0.025\n", 1, 0.025f, 9.8f, 0.00025f},
                      EntryCase{"typed above B is B/100", "2\n\n\n6\n0.5\n", 2, 0.125f, 2.2f, 0.00125f},
                      EntryCase{"7 is the zero default", "1\n\n\n7\n", 1, 0.025f, 9.8f, 0.0f},
                      EntryCase{"a microstrip foil may exceed a thin H", "1\n0.002\n\n5\n", 1, 0.002f, 9.8f,
                                0.0028f}),
    testing::CaseName());

struct RefusedCase {
  const char* what;
  const char* script;
  float thick;   // the thickness finally taken
  int refusals;  // how often the refusal line is written
};

class StriplineFoilAtOrAboveB : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(StriplineFoilAtOrAboveB, IsRefusedAndTheMenuAskedAgain) {
  const RefusedCase& c = GetParam();
  DesignState state = shipped_state();
  const EntryRun run = run_entry(state, c.script);
  ASSERT_FALSE(run.ended_early) << run.out;
  EXPECT_FLOAT_EQ(state.qvnms.thick, c.thick);
  EXPECT_LT(state.qvnms.thick, state.qvnms.b);
  int refusals = 0;
  for (const auto& line : testing::lines_of(run.out)) {
    if (line.find("does not fit in B =") != std::string::npos) ++refusals;
  }
  EXPECT_EQ(refusals, c.refusals) << run.out;
  // The menu is shown once more after every refusal.
  std::size_t heads = 0;
  for (std::size_t at = run.out.find("-Center Conductor Strip Thickness: T, Inches: "); at != std::string::npos;
       at = run.out.find("-Center Conductor Strip Thickness: T, Inches: ", at + 1)) {
    ++heads;
  }
  EXPECT_EQ(heads, static_cast<std::size_t>(c.refusals + 1));
}

INSTANTIATE_TEST_SUITE_P(
    Issue, StriplineFoilAtOrAboveB,
    ::testing::Values(RefusedCase{"above B, then a thin foil", "2\n0.002\n\n5\n2\n", 0.0002f, 1},
                      RefusedCase{"equal to B", "2\n0.0014\n\n4\n\n", 0.0f, 1},
                      RefusedCase{"refused twice", "2\n0.0007\n\n5\n3\n1\n", 0.0f, 2},
                      RefusedCase{"just below B is taken", "2\n0.00141\n\n4\n", 0.0014f, 0}),
    testing::CaseName());

TEST(ConstructionEntry, ASecondPassOffersTheDefaultsAgain) {
  DesignState state = shipped_state();
  ASSERT_FALSE(run_entry(state, "1\n0.05\n10.2\n4\n").ended_early);
  ASSERT_FLOAT_EQ(state.qvnms.b, 0.05f);
  ASSERT_FALSE(run_entry(state, "\n\n\n\n").ended_early);
  EXPECT_FLOAT_EQ(state.qvnms.b, 0.025f);
  EXPECT_FLOAT_EQ(state.construction.er, 9.8f);
  EXPECT_FLOAT_EQ(state.qvnms.thick, 0.0f);
  ASSERT_FALSE(run_entry(state, "2\n0.0625\n\n5\n").ended_early);
  ASSERT_FALSE(run_entry(state, "2\n\n\n\n").ended_early);
  EXPECT_FLOAT_EQ(state.qvnms.b, 0.125f);
  EXPECT_FLOAT_EQ(state.construction.er, 2.2f);
  EXPECT_FLOAT_EQ(state.construction.t, 0.0f);
}

}  // namespace
}  // namespace quorvane
