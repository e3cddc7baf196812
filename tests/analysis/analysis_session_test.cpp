// Whole sessions through the analysis: the ideal analysis of the road
// example from menu 1, re-runs from menu 3, the third storage occasion and
// the refused sweeps, compared with reviewed transcripts where the layout
// matters and checked line by line where the behaviour does.
#include <gtest/gtest.h>

#include <sstream>

#include "support/session.hpp"

namespace quorvane::testing {
namespace {

// 10 GHz, 500 MHz, Chebyshev 0.1 dB, 4 poles, 50 ohm, default image
// impedances; the first storage question follows.
const std::string kRoad = "10000\n500\n1\n0.1\n1\n4\n50\n\n\n\n";
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

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

TEST(AnalysisSession, RoadExampleIdealFromMenu1) {
  Session session;
  const SessionResult r =
      session.run(kRoad + kNoStorage + "1\n9000\n11000\n100\n\n\n\n1\nideal.txt\n4\n");
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
  const SessionResult r = session.run(kRoad + kNoStorage + "1\n9900\n10100\n50\n\n\n2\n\n" +  // format 2, no storage
                                      "1\n9950\n10050\n50\n75\n\n1\n1\nQuorvane.EXE\n" +    // format 1, stored
                                      "1\n10000\n9000\n\n\n\n2\n1\nQuorvane.DEF\n" +        // one row, format 2
                                      "\n");
  EXPECT_EQ(r.status, 0) << r.err;
  expect_golden("road_ideal_reruns.out", r.out);
  expect_golden("road_ideal_reruns.xls", session.file("Quorvane.XLS"));
  EXPECT_FALSE(session.exists("Quorvane.EXE"));
  EXPECT_FALSE(session.exists("Quorvane.DEF"));
  EXPECT_EQ(count(r.out, "results in the following response profile:"), 2 + 1 + 2);
  EXPECT_EQ(count(r.out, "Enter Frequency Range for Analysis"), 3);
  // Both stored analyses in the one file, the second after the first.
  const std::string file = session.file("Quorvane.XLS");
  EXPECT_EQ(count(file, "Quorvane (v. 1.4)"), 2);
  EXPECT_EQ(count(file, "results in the following response profile:"), 1 + 2);
}

// Yes at the first storage question: the analysis goes to the same file,
// after the electrical report, without asking for a name again.
TEST(AnalysisSession, StoredDesignKeepsItsFileForTheAnalysis) {
  Session session;
  const SessionResult r = session.run(kRoad + "1\nroad.txt\n1\n9000\n9100\n50\n\n\n\n1\n\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(count(r.out, "Enter your FILENAME"), 1);
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
  const SessionResult r = session.run(kRoad + "1\nroad.txt\n1\n9000\n9100\n50\n\n\n\n2\n\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(session.file("road.txt").find("Frequency Analysis"), std::string::npos);
  EXPECT_EQ(r.out.find("Output Data stored"), std::string::npos);
}

struct RefusedCase {
  const char* what;
  int record;              // defaults-file record replaced, 0 for none
  const char* record_text;
  std::string range;       // answers to start, stop and step, a line each
  const char* reason;      // a piece of the refusal line
};

class AnalysisSessionRefused : public ::testing::TestWithParam<RefusedCase> {};

// The refusal line follows the report opening, no table follows, the file
// holds every line printed, and menu 3's re-run asks again.
TEST_P(AnalysisSessionRefused, OneLineThenMenu3) {
  const RefusedCase& c = GetParam();
  Session session(c.record ? defaults_with(c.record, c.record_text) : shipped_defaults());
  // Terminations and format by default, storage into refused.txt; then a
  // re-run that is not stored, and exit.
  const SessionResult r = session.run(kRoad + kNoStorage + "1\n" + c.range + "\n\n\n1\nrefused.txt\n" +
                                      "1\n9000\n9040\n20\n\n\n\n2\n\n");
  EXPECT_EQ(r.status, 0) << r.err;
  const auto lines = lines_of(r.out);
  std::size_t at = 0;
  while (at < lines.size() && lines[at].find("Analysis not run") == std::string::npos) ++at;
  ASSERT_LT(at, lines.size()) << c.what;
  EXPECT_NE(lines[at].find(c.reason), std::string::npos) << lines[at];
  EXPECT_NE(lines[at - 1].find("Quarterwave"), std::string::npos) << c.what;  // right after the opening
  EXPECT_EQ(lines[at + 1], "") << c.what;                                      // then menu 3
  EXPECT_EQ(lines[at + 2], "     Frequency Analysis of your Bandpass Filter completed.") << c.what;
  EXPECT_EQ(count(r.out, "Input Port: S11"), 1) << c.what;  // only the re-run has a table

  const std::string file = session.file("refused.txt");
  const auto file_lines = lines_of(file);
  ASSERT_FALSE(file_lines.empty());
  EXPECT_EQ(file_lines.back(), lines[at]) << c.what;
  EXPECT_EQ(file_lines.size(), 6u + 3u + 7u + 1u) << c.what;  // header, title, summary, refusal
}

INSTANTIATE_TEST_SUITE_P(
    Analysis, AnalysisSessionRefused,
    ::testing::Values(
        RefusedCase{"start 0 from the defaults file", 16, "        0.0  Analysis start frequency, MHz", "\n\n\n",
                    "Start Frequency"},
        RefusedCase{"step 0 from the defaults file", 18, "        0.0  Analysis step frequency, MHz", "\n\n\n",
                    "Step Frequency"},
        RefusedCase{"negative step from the defaults file", 18, "       -5.0  Analysis step frequency, MHz",
                    "\n\n\n", "Step Frequency"},
        RefusedCase{"a step that cannot move 10000 MHz", 0, "", "10000\n10001\n0.0004\n", "cannot advance"},
        RefusedCase{"too many rows", 0, "", "1000\n20000\n0.1\n", "more than 100001"}));

}  // namespace
}  // namespace quorvane::testing
