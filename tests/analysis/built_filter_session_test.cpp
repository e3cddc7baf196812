// Whole sessions that analyse a built filter: the road example through the
// microstrip and the stripline dimensions into lossy analyses, compared with
// reviewed transcripts and storage files; re-runs from menu 3 and changes of
// the construction, checked by comparing the tables they print.
#include <cmath>
#include <sstream>

#include <gtest/gtest.h>

#include "analysis/analysis_transcript.hpp"
#include "support/session.hpp"

namespace quorvane::testing {
namespace {

// 10 GHz, 500 MHz, Chebyshev 0.1 dB, 4 poles, 50 ohm, default image
// impedances; the first storage question follows.
// Microstrip on the shipped alumina (H 0.025 inch, Er 9.8), strips 0.0007 inch.
const std::string kMicrostrip = "1\n\n\n3\n";
// Stripline on the shipped substrate (B 0.125 inch, Er 2.2), strips 0.0014 inch.
const std::string kStripline = "2\n\n\n4\n";
// A short sweep across the passband with default terminations; copper,
// 5 micro-inch and the defaults file's loss tangent; format 1; no storage.
const std::string kRange = "9900\n10100\n100\n\n\n";
const std::string kLosses = "2\n4\n\n";
const std::string kFormat1NoStorage = "1\n2\n";

const char* const kLossPrompt = "Substrate`s Dielectric Loss Tangent";

// Microstrip: no storage for the electrical report, the dimensions stored
// into a new file, and the analysis appended to it without another name;
// then a re-run from menu 3 with other frequencies, terminations, losses and
// format 2, stored too.
TEST(BuiltFilterSession, RoadExampleMicrostripLossy) {
  Session session;
  const SessionResult r = session.run(kRoadExample + "\n" + "\n" + kMicrostrip + "1\nlossy.txt\n" + "\n" +
                                      "9000\n11000\n100\n\n\n2\n4\n0.0005\n1\n1\n" +   // copper, 5 u", tan 0.0005
                                      "1\n9800\n10200\n50\n50\n75\n3\n1\n\n2\n1\n" +  // gold, 40 u", default tan
                                      "\n");
  ASSERT_EQ(r.status, 0) << r.err;
  expect_golden("road_microstrip_lossy.out", r.out);
  expect_golden("road_microstrip_lossy.txt", session.file("lossy.txt"));

  EXPECT_EQ(occurrences(r.out, "Enter your FILENAME"), 1);
  EXPECT_EQ(occurrences(r.out, kLossPrompt), 2);  // the re-run asks every question again
  const std::vector<ConsoleReport> reports = console_reports(r.out);
  ASSERT_EQ(reports.size(), 4u);
  EXPECT_EQ(session.file("lossy.txt"), reports[1].text + reports[2].text + reports[3].text);

  const std::vector<std::string> first = response_rows(reports[2].text);
  const std::vector<std::string> second = response_rows(reports[3].text);
  EXPECT_EQ(first.size(), 21u);
  EXPECT_EQ(second.size(), 9u);
  EXPECT_NE(reports[3].text.find("Load   Impedance: ZL =  75.000 Ohms."), std::string::npos);
  EXPECT_NE(reports[3].text.find("Resistivity = 2.440 u-Ohm-cm"), std::string::npos);
  EXPECT_NE(reports[3].text.find("SR   =    40.000 u\""), std::string::npos);
  EXPECT_NE(reports[3].text.find("Loss Tangent = 0.00090"), std::string::npos);
}

// Stripline: the electrical report stored, no storage for the dimensions,
// and the analysis, with every loss answer by default, appended to the file
// the first question opened.  The terminations default to the impedance of
// the system line the stripline synthesis found.
TEST(BuiltFilterSession, RoadExampleStriplineLossy) {
  Session session;
  const SessionResult r = session.run(kRoadExample + "1\nstrip.txt\n" + "2\n" + kStripline + "2\n" + "1\n" +
                                      "9000\n11000\n100\n\n\n\n\n\n\n1\n" + "\n");
  ASSERT_EQ(r.status, 0) << r.err;
  expect_golden("road_stripline_lossy.out", r.out);
  expect_golden("road_stripline_lossy.txt", session.file("strip.txt"));

  EXPECT_EQ(occurrences(r.out, "Enter your FILENAME"), 1);
  const std::vector<ConsoleReport> reports = console_reports(r.out);
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_EQ(session.file("strip.txt"), reports[0].text + reports[2].text);
  EXPECT_EQ(response_rows(reports[2].text).size(), 21u);
}

// The power a lossy filter takes, 1 - |S11|^2 - |S21|^2 from the printed
// return loss and transmission: some with silver on a smooth surface, much
// more with rough steel, whose attenuation is about 4.9 times larger
// (sqrt(11.8/1.6) times Hammerstad's 1.8 for 40 micro-inch); the power taken
// grows less than in proportion once it is large (0.17 to 0.47 in microstrip,
// 0.08 to 0.25 in stripline).
float dissipated(const std::string& row) {
  std::istringstream in(row);
  float freq, vswr, rl, phase11, re, im, s21;
  in >> freq >> vswr >> rl >> phase11 >> re >> im >> s21;
  return 1.0f - std::pow(10.0f, rl / 10.0f) - std::pow(10.0f, s21 / 10.0f);
}

TEST(BuiltFilterSession, LossesTakePowerInThePassband) {
  struct Case {
    const char* what;
    std::string construction;
  };
  for (const Case& c : {Case{"microstrip", kMicrostrip}, Case{"stripline", kStripline}}) {
    Session session;
    // Silver and 1 micro-inch, then steel and 40 micro-inch, at 10 GHz only;
    // a loss tangent of 1E-9 leaves the conductor loss alone.
    const SessionResult r = session.run(kRoadExample + "\n" + "\n" + c.construction + "2\n" + "\n" +
                                        "10000\n10000\n\n\n\n1\n5\n1E-9\n" + kFormat1NoStorage +
                                        "1\n10000\n10000\n\n\n\n6\n1\n1E-9\n" + kFormat1NoStorage + "\n");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> reports = analysis_reports(r.out);
    ASSERT_EQ(reports.size(), 2u) << c.what;
    const auto silver = response_rows(reports[0]);
    const auto steel = response_rows(reports[1]);
    ASSERT_EQ(silver.size(), 1u) << c.what;
    ASSERT_EQ(steel.size(), 1u) << c.what;
    EXPECT_GT(dissipated(silver[0]), 0.005f) << c.what << ": " << silver[0];
    EXPECT_LT(dissipated(silver[0]), 0.5f) << c.what << ": " << silver[0];
    EXPECT_GT(dissipated(steel[0]), 2.0f * dissipated(silver[0])) << c.what << ": " << steel[0];
  }
}

// Re-running from menu 3 keeps the dimensions: the same answers print the
// same table.  Changing the construction analyses the new dimensions with the
// unchanged electrical design, exactly as a session that chose that
// construction first.  A new design analysed from menu 1 is the electrical
// design again, with no loss question, although the cycle before had a
// construction.
TEST(BuiltFilterSession, RerunsAndConstructionChanges) {
  const std::string analysis = kRange + kLosses + kFormat1NoStorage;
  Session session;
  const SessionResult r = session.run(kRoadExample + "\n" + "\n" + kMicrostrip + "2\n" + "\n" + analysis +  // microstrip
                                      "1\n" + analysis +                                                // re-run
                                      "1\n" + analysis +                                                // and again
                                      "2\n" + kStripline + "2\n" + "1\n" + analysis +                  // stripline
                                      "3\n" + kRoadExample + "\n" + "1\n" + kRange + kFormat1NoStorage +      // new design
                                      "\n");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> reports = analysis_reports(r.out);
  ASSERT_EQ(reports.size(), 5u);
  EXPECT_EQ(occurrences(r.out, kLossPrompt), 4);
  EXPECT_EQ(occurrences(r.out, "Enter Frequency Range for Analysis"), 5);

  const auto microstrip = response_rows(reports[0]);
  ASSERT_EQ(microstrip.size(), 3u);
  EXPECT_EQ(response_rows(reports[1]), microstrip);
  EXPECT_EQ(response_rows(reports[2]), microstrip);

  Session stripline_first;
  const SessionResult s =
      stripline_first.run(kRoadExample + "\n" + "2\n" + kStripline + "2\n" + "\n" + analysis + "\n");
  ASSERT_EQ(s.status, 0) << s.err;
  const std::vector<std::string> fresh = analysis_reports(s.out);
  ASSERT_EQ(fresh.size(), 1u);
  EXPECT_EQ(response_rows(reports[3]), response_rows(fresh[0]));
  EXPECT_NE(response_rows(reports[3]), microstrip);

  Session ideal_first;
  const SessionResult i = ideal_first.run(kRoadExample + "\n" + "1\n" + kRange + kFormat1NoStorage + "\n");
  ASSERT_EQ(i.status, 0) << i.err;
  const std::vector<std::string> ideal = analysis_reports(i.out);
  ASSERT_EQ(ideal.size(), 1u);
  EXPECT_EQ(response_rows(reports[4]), response_rows(ideal[0]));
  EXPECT_NE(reports[4].find("Quarterwave = 0.2951 Inches"), std::string::npos);
}

// An ideal analysis leaves b = 0 and Er = 1 behind; a construction chosen
// from menu 3 afterwards and analysed from menu 2 is the dimensioned filter,
// exactly as when the construction came first.
TEST(BuiltFilterSession, ConstructionAfterAnIdealAnalysis) {
  const std::string analysis = kRange + kLosses + kFormat1NoStorage;
  for (const std::string& construction : {kMicrostrip, kStripline}) {
    Session after_ideal;
    const SessionResult r = after_ideal.run(kRoadExample + "\n" + "1\n" + kRange + kFormat1NoStorage + "2\n" + construction +
                                            "2\n" + "1\n" + analysis + "\n");
    ASSERT_EQ(r.status, 0) << r.err;
    Session first;
    const SessionResult s = first.run(kRoadExample + "\n" + "2\n" + construction + "2\n" + "\n" + analysis + "\n");
    ASSERT_EQ(s.status, 0) << s.err;
    const std::vector<std::string> reports = analysis_reports(r.out);
    const std::vector<std::string> fresh = analysis_reports(s.out);
    ASSERT_EQ(reports.size(), 2u);
    ASSERT_EQ(fresh.size(), 1u);
    EXPECT_EQ(reports[1], fresh[0]) << construction;
    EXPECT_NE(response_rows(reports[1]), response_rows(reports[0])) << construction;
  }
}

}  // namespace
}  // namespace quorvane::testing
