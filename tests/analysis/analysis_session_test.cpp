// Whole sessions through the analysis: the ideal analysis of the road
// example from menu 1, re-runs from menu 3, the third storage occasion and
// the refused sweeps, compared with reviewed transcripts where the layout
// matters and checked line by line where the behaviour does.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "analysis/analysis_transcript.hpp"
#include "dialogue/number_reader.hpp"
#include "support/case_name.hpp"
#include "support/session.hpp"

namespace quorvane::testing {
namespace {

// 10 GHz, 500 MHz, Chebyshev 0.1 dB, 4 poles, 50 ohm, default image
// impedances; the first storage question follows.
const std::string kNoStorage = "\n";

// The rows of every response table in a transcript, format 1: frequency and S21 in dB.
struct Row {
  float freq;
  float s21db;
};
std::vector<Row> format1_rows(const std::string& out) {
  std::vector<Row> rows;
  bool in_table = false;
  for (const std::string& line : lines_of(out)) {
    if (line.find(std::string(66, '-')) != std::string::npos && line.size() == 73) {
      in_table = true;
      continue;
    }
    if (line.find("Source Impedance") != std::string::npos) in_table = false;
    if (!in_table) continue;
    std::istringstream r(line);
    float f, vswr, rl, p11, re, im, s21, p21;
    r >> f >> vswr >> rl >> p11 >> re >> im >> s21 >> p21;
    rows.push_back({f, s21});
  }
  return rows;
}

TEST(AnalysisSession, RoadExampleIdealFromMenu1) {
  Session session;
  const SessionResult r =
      session.run(kRoadExample + kNoStorage + "1\n9000\n11000\n100\n\n\n\n1\nideal.txt\n4\n");
  EXPECT_EQ(r.status, 0) << r.err;
  expect_golden("road_ideal.out", r.out);
  expect_golden("road_ideal.txt", session.file("ideal.txt"));

  const std::vector<Row> rows = format1_rows(r.out);
  ASSERT_EQ(rows.size(), 21u);
  for (const Row& row : rows) {
    if (row.freq >= 9800.0f && row.freq <= 10200.0f) {
      EXPECT_GT(row.s21db, -0.15f) << row.freq;
    }
    if (row.freq == 9000.0f || row.freq == 11000.0f) {
      EXPECT_LT(row.s21db, -20.0f) << row.freq;
    }
  }
  // The ideal analysis asks no loss question.
  EXPECT_EQ(r.out.find("Conductor Resistivity"), std::string::npos);
}

// Format 2 prints the title block twice; a re-run asks every question
// again; the reserved names of the program's own files are replaced, and
// the same name typed again continues the open file.
TEST(AnalysisSession, RerunsFromMenu3WithFormat2AndReservedNames) {
  Session session;
  const SessionResult r = session.run(kRoadExample + kNoStorage + "1\n9900\n10100\n50\n\n\n2\n\n" +  // format 2, no storage
                                      "1\n9950\n10050\n50\n75\n\n1\n1\nQuorvane.EXE\n" +    // format 1, stored
                                      "1\n10000\n9000\n\n\n\n2\n1\nQuorvane.DEF\n" +        // one row, format 2
                                      "\n");
  EXPECT_EQ(r.status, 0) << r.err;
  expect_golden("road_ideal_reruns.out", r.out);
  expect_golden("road_ideal_reruns.xls", session.file("Quorvane.XLS"));
  EXPECT_FALSE(session.exists("Quorvane.EXE"));
  EXPECT_FALSE(session.exists("Quorvane.DEF"));
  EXPECT_EQ(occurrences(r.out, "results in the following response profile:"), 2 + 1 + 2);
  EXPECT_EQ(occurrences(r.out, "Enter Frequency Range for Analysis"), 3);
  // Both stored analyses in the one file, the second after the first.
  const std::string file = session.file("Quorvane.XLS");
  EXPECT_EQ(occurrences(file, "Quorvane (v. 1.4)"), 2);
  EXPECT_EQ(occurrences(file, "results in the following response profile:"), 1 + 2);
}

// Yes at the first storage question: the analysis goes to the same file,
// after the electrical report, without asking for a name again.
TEST(AnalysisSession, StoredDesignKeepsItsFileForTheAnalysis) {
  Session session;
  const SessionResult r = session.run(kRoadExample + "1\nroad.txt\n1\n9000\n9100\n50\n\n\n\n1\n\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(occurrences(r.out, "Enter your FILENAME"), 1);
  const std::string file = session.file("road.txt");
  const auto electrical = file.find("SYNTHESIS of the Distributed Electrical Circuit");
  const auto analysis = file.find("Frequency Analysis of your Parallel Coupled Line Bandpass Filter");
  ASSERT_NE(electrical, std::string::npos);
  ASSERT_NE(analysis, std::string::npos);
  EXPECT_LT(electrical, analysis);
  EXPECT_NE(file.find("        Output Data stored in User filename: road.txt"), std::string::npos);
}

// No at the third question writes nothing of the analysis to the file that
// the first question opened.
TEST(AnalysisSession, NoAtTheAnalysisQuestionKeepsTheFileAsItWas) {
  Session session;
  const SessionResult r = session.run(kRoadExample + "1\nroad.txt\n1\n9000\n9100\n50\n\n\n\n2\n\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(session.file("road.txt").find("Frequency Analysis"), std::string::npos);
  EXPECT_EQ(r.out.find("Output Data stored"), std::string::npos);
}

// Steps near half the spacing of floats, typed with the 13 characters a
// number may have: the spacing is 2^-11 MHz from 4096 to 8192 MHz and 2^-10
// MHz from 8192 to 16384 MHz.  A sweep from 8191.99 to 8192.01 MHz starts
// below 8192 and ends above it.
const char* const kBelowHalfAtStart = "2.44140610E-4";  // the float just below 2^-12
const char* const kBelowHalfAtStop = "4.88281221E-4";   // the float just below 2^-11
const char* const kAboveHalfAtStop = "4.88281308E-4";   // the float just above 2^-11

TEST(AnalysisSession, TypedStepsAreTheFloatsNextToHalfASpacing) {
  EXPECT_EQ(read_number(kBelowHalfAtStart).value, std::nextafter(0.000244140625f, 0.0f));
  EXPECT_EQ(read_number(kBelowHalfAtStop).value, std::nextafter(0.00048828125f, 0.0f));
  EXPECT_EQ(read_number(kAboveHalfAtStop).value, std::nextafter(0.00048828125f, 1.0f));
  // At the start the spacing is 2^-11: the step just below 2^-11 moves it.
  EXPECT_GT(8191.99f + read_number(kBelowHalfAtStop).value, 8191.99f);
  EXPECT_EQ(8191.99f + read_number(kBelowHalfAtStart).value, 8191.99f);
  EXPECT_EQ(8192.0f + read_number(kBelowHalfAtStop).value, 8192.0f);
}

struct RefusedCase {
  const char* what;
  int record;  // defaults-file record replaced, 0 for none
  const char* record_text;
  std::string before;  // the answers from menu 1 to the analysis set-up
  std::string range;   // answers to start, stop and step, a line each
  std::string rest;    // answers after the terminations, up to the storage question
  const char* reason;  // a piece of the refusal line
};

class AnalysisSessionRefused : public ::testing::TestWithParam<RefusedCase> {};

// Ideal analysis from menu 1; a microstrip analysis with its loss answers.
const std::string kIdeal = "1\n";
const std::string kBuilt = "\n1\n\n\n\n2\n\n";  // microstrip, no storage, analysis
const std::string kFormat1 = "\n";
const std::string kLossesFormat2 = "\n\n\n2\n";

// After the report opening one line says why, no table follows, the storage
// file holds exactly the lines printed up to the refusal, and menu 3 comes
// next; its re-run asks again and analyses.
TEST_P(AnalysisSessionRefused, OneLineThenMenu3) {
  const RefusedCase& c = GetParam();
  Session session(c.record ? defaults_with(c.record, c.record_text) : shipped_defaults());
  const bool built = c.before == kBuilt;
  const std::string rerun = "1\n9000\n9040\n20\n\n\n" + std::string(built ? "\n\n\n" : "") + "\n2\n";
  const SessionResult r =
      session.run(kRoadExample + kNoStorage + c.before + c.range + "\n\n" + c.rest + "1\nrefused.txt\n" + rerun + "\n");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> reports = analysis_reports(r.out);
  ASSERT_EQ(reports.size(), 2u) << c.what;

  const std::vector<std::string> lines = lines_of(reports[0]);
  ASSERT_GT(lines.size(), 2u);
  const std::string& refusal = lines.back();
  EXPECT_EQ(refusal.rfind("      Analysis not run: ", 0), 0u) << refusal;
  EXPECT_NE(refusal.find(c.reason), std::string::npos) << refusal;
  EXPECT_NE(refusal.find("enter"), std::string::npos) << refusal;
  EXPECT_TRUE(response_rows(reports[0]).empty()) << c.what;
  EXPECT_EQ(occurrences(reports[0], "Analysis not run"), 1) << c.what;
  // The line before is the last of the opening.
  const std::string& opening_end = lines[lines.size() - 2];
  if (c.rest == kLossesFormat2) {
    EXPECT_EQ(opening_end, "") << c.what;  // the title block again, for format 2
    EXPECT_EQ(occurrences(reports[0], "results in the following response profile:"), 2) << c.what;
  } else {
    EXPECT_NE(opening_end.find(built ? "Loss Tangent" : "Quarterwave"), std::string::npos) << c.what;
  }
  EXPECT_EQ(session.file("refused.txt"), reports[0]) << c.what;
  EXPECT_EQ(response_rows(reports[1]).size(), 3u) << c.what;  // the re-run
}

INSTANTIATE_TEST_SUITE_P(
    Analysis, AnalysisSessionRefused,
    ::testing::Values(
        RefusedCase{"start 0 from the defaults file", 16, "        0.0  Analysis start frequency, MHz", kIdeal,
                    "\n\n\n", kFormat1, "Start Frequency"},
        RefusedCase{"start 0 from the defaults file, 0 typed keeps it", 16,
                    "        0.0  Analysis start frequency, MHz", kIdeal, "0\n\n\n", kFormat1, "Start Frequency"},
        RefusedCase{"negative start from the defaults file", 16, "    -9000.0  Analysis start frequency, MHz", kIdeal,
                    "\n\n\n", kFormat1, "Start Frequency"},
        // A defaults-file start at or above the stop becomes stop - step: 10 - 20.
        RefusedCase{"start moved below a stop of 10 MHz", 17, "       10.0  Analysis stop frequency, MHz", kIdeal,
                    "\n\n\n", kFormat1, "Start Frequency"},
        RefusedCase{"start 0 in a lossy microstrip analysis, format 2", 16,
                    "        0.0  Analysis start frequency, MHz", kBuilt, "\n\n\n", kLossesFormat2, "Start Frequency"},
        RefusedCase{"step 0 from the defaults file", 18, "        0.0  Analysis step frequency, MHz", kIdeal,
                    "\n\n\n", kFormat1, "Step Frequency"},
        RefusedCase{"negative step from the defaults file", 18, "       -5.0  Analysis step frequency, MHz", kIdeal,
                    "\n\n\n", kFormat1, "Step Frequency"},
        RefusedCase{"a step of 0.0004 that cannot move 10000 MHz", 0, "", kIdeal, "10000\n10001\n0.0004\n", kFormat1,
                    "cannot advance"},
        RefusedCase{"step just below half a spacing at the start", 0, "", kIdeal,
                    std::string("8191.99\n8192.01\n") + kBelowHalfAtStart + "\n", kFormat1, "cannot advance"},
        RefusedCase{"step just below half a spacing at the stop", 0, "", kIdeal,
                    std::string("8191.99\n8192.01\n") + kBelowHalfAtStop + "\n", kFormat1, "cannot advance"},
        RefusedCase{"step too small in a lossy microstrip analysis, format 2", 0, "", kBuilt,
                    std::string("8191.99\n8192.01\n") + kBelowHalfAtStop + "\n", kLossesFormat2, "cannot advance"},
        RefusedCase{"too many rows", 0, "", kIdeal, "1000\n20000\n0.1\n", kFormat1, "more than 100001"}),
    CaseName());

// A start typed above 0 replaces a defaults-file start of 0 or below.
TEST(AnalysisSession, TypedStartReplacesAnUnusableDefault) {
  for (const char* record : {"        0.0  Analysis start frequency, MHz", "    -9000.0  Analysis start frequency, MHz"}) {
    Session session(defaults_with(16, record));
    const SessionResult r = session.run(kRoadExample + kNoStorage + "1\n-9900\n10100\n100\n\n\n\n2\n\n");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> reports = analysis_reports(r.out);
    ASSERT_EQ(reports.size(), 1u);
    const std::vector<std::string> rows = response_rows(reports[0]);
    ASSERT_EQ(rows.size(), 3u) << record;
    EXPECT_EQ(rows[0].substr(0, 16), "         9900.00") << record;
  }
}

// The step just above half the spacing at the stop is accepted: below 8192
// every row moves the frequency by 2^-11 MHz, above it by 2^-10 MHz, and the
// table ends on the first sum at or above the stop.
TEST(AnalysisSession, SmallestStepThatMovesTheFrequencyIsAccepted) {
  Session session;
  const SessionResult r =
      session.run(kRoadExample + kNoStorage + "1\n8191.99\n8192.01\n" + kAboveHalfAtStop + "\n\n\n\n2\n\n");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> reports = analysis_reports(r.out);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].find("Analysis not run"), std::string::npos);
  // The rows as the sweep accumulates them, from start - step.
  const float start = 8191.99f, stop = 8192.01f, step = read_number(kAboveHalfAtStop).value;
  int below = 0, above = 0;
  float freq = start - step;
  do {
    freq = freq + step;
    (freq < 8192.0f ? below : above)++;
  } while (freq < stop);
  EXPECT_EQ(below, 20);  // 8191.990234 to 8191.999512 by 2^-11
  EXPECT_EQ(above, 11);  // 8192 to 8192.009766 (the stop as a float) by 2^-10
  const std::vector<std::string> rows = response_rows(reports[0]);
  EXPECT_EQ(static_cast<int>(rows.size()), below + above);
  EXPECT_EQ(rows.front().substr(0, 16), "         8191.99");
  EXPECT_EQ(rows.back().substr(0, 16), "         8192.01");
}

}  // namespace
}  // namespace quorvane::testing
