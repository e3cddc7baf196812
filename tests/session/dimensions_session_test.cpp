// Whole sessions through menu 1, the construction entry and the dimensional
// report to menu 2: the console transcript, the storage file at the second
// storage occasion, and changing the construction from menus 2 and 3.
#include <gtest/gtest.h>

#include "support/case_name.hpp"
#include "support/session.hpp"

namespace quorvane::testing {
namespace {

// The road example: 10 GHz, 500 MHz bandwidth, Chebyshev 0.1 dB, 4 poles,
// 50 ohm, default image impedances.
// Construction answers on the shipped substrates, thickness zero.
constexpr const char* kMicrostrip = "1\n\n\n\n";
constexpr const char* kStripline = "2\n\n\n\n";

constexpr const char* kStoragePrompt = "     Is Output Data STORAGE desired? (1=Yes) = ";
constexpr const char* kNamePrompt = "Enter your FILENAME for Output Data Storage: ";

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The console text of each dimensional report: from the dated header after
// the storage question (and the file name, when asked) of the construction
// entry to the line before menu 2.
std::vector<std::string> dimensional_reports(const std::string& out) {
  std::vector<std::string> reports;
  const std::string menu2 = "\n     SYNTHESIS of Physical Dimensions for your Filter completed.";
  std::size_t from = 0;
  for (;;) {
    const std::size_t end = out.find(menu2, from);
    if (end == std::string::npos) return reports;
    const std::size_t prompt = out.rfind(kStoragePrompt, end);
    std::size_t begin = prompt + std::string(kStoragePrompt).size();
    const std::size_t name = out.rfind(kNamePrompt, end);
    if (name != std::string::npos && name > prompt) begin = name + std::string(kNamePrompt).size();
    reports.push_back(out.substr(begin, end - begin));
    from = end + 1;
  }
}

// The table rows of a report.
std::vector<std::string> rows_of(const std::string& report) {
  std::vector<std::string> rows;
  auto digit = [](char ch) { return ch >= '0' && ch <= '9'; };
  for (const auto& line : lines_of(report)) {
    if (line.size() > 30 && line.substr(0, 8) == "        " && (line[8] == ' ' || digit(line[8])) && digit(line[9])) {
      rows.push_back(line);
    }
  }
  return rows;
}

struct GoldenCase {
  const char* what;
  const char* construction;
  const char* golden;  // name of the transcript and storage file goldens
};

class RoadExampleDimensions : public ::testing::TestWithParam<GoldenCase> {};

// Storage yes at the electrical report and yes at the dimensions: the file
// holds the electrical report and then the dimensional one, and no second
// name is asked.
TEST_P(RoadExampleDimensions, StoredAfterTheElectricalReport) {
  const GoldenCase& c = GetParam();
  Session session;
  const SessionResult r =
      session.run(std::string(kRoadExample) + "1\nroad.txt\n\n" + c.construction + "1\n" + "4\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  expect_golden(std::string(c.golden) + ".out", r.out);
  const std::string stored = session.file("road.txt");
  expect_golden(std::string(c.golden) + ".txt", stored);

  EXPECT_EQ(count(r.out, kNamePrompt), 1u);
  const std::vector<std::string> reports = dimensional_reports(r.out);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(stored, read_text(golden_path("road_electrical.txt")) + reports[0]);
  EXPECT_EQ(count(reports[0], "        Output data stored in User filename: road.txt            \n"), 1u);
}

INSTANTIATE_TEST_SUITE_P(Dialogue, RoadExampleDimensions,
                         ::testing::Values(GoldenCase{"microstrip", kMicrostrip, "road_microstrip"},
                                           GoldenCase{"stripline", kStripline, "road_stripline"}),
                         CaseName());

struct StorageCase {
  const char* what;
  const char* first;   // answers at the first storage question and its name
  const char* second;  // answers at the second storage question and its name
  std::size_t name_prompts;
  bool electrical_stored;
  bool dimensions_stored;
};

class SecondStorageOccasion : public ::testing::TestWithParam<StorageCase> {};

TEST_P(SecondStorageOccasion, DecidesForTheDimensionalReportAlone) {
  const StorageCase& c = GetParam();
  for (const char* construction : {kMicrostrip, kStripline}) {
    Session session;
    const SessionResult r =
        session.run(std::string(kRoadExample) + c.first + "\n" + construction + c.second + "4\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(count(r.out, kNamePrompt), c.name_prompts);
    const std::vector<std::string> reports = dimensional_reports(r.out);
    ASSERT_EQ(reports.size(), 1u);
    std::string want;
    if (c.electrical_stored) want += read_text(golden_path("road_electrical.txt"));
    if (c.dimensions_stored) want += reports[0];
    EXPECT_EQ(session.file("road.txt"), want) << construction;
    EXPECT_EQ(count(reports[0], "Output data stored in User filename"), c.dimensions_stored ? 1u : 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Dialogue, SecondStorageOccasion,
    ::testing::Values(StorageCase{"yes then no", "1\nroad.txt\n", "2\n", 1, true, false},
                      StorageCase{"yes then empty", "1\nroad.txt\n", "\n", 1, true, false},
                      StorageCase{"yes then 1.4", "1\nroad.txt\n", "1.4\n", 1, true, true},
                      StorageCase{"no then yes asks the name", "\n", "-1\nroad.txt\n", 1, false, true},
                      StorageCase{"no then no", "0\n", "2\n", 0, false, false}),
    CaseName());

TEST(SecondStorageOccasion, EmptyNameTakesTheDefaultsFileName) {
  Session session;
  const SessionResult r = session.run(std::string(kRoadExample) + "\n\n" + kMicrostrip + "1\n\n4\n");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> reports = dimensional_reports(r.out);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(session.file("QuorvaneOUT.txt"), reports[0]);
}

// Menu 2, choice 2: the construction is asked again and the dimensions are
// recomputed from the unchanged even- and odd-mode impedances.
TEST(ChangeConstruction, FromMenu2RecomputesFromTheSameElectricalDesign) {
  Session session;
  const SessionResult r = session.run(std::string(kRoadExample) + "\n\n" + kMicrostrip + "\n2\n" + kStripline +
                                      "\n2\n" + kMicrostrip + "\n4\n");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> reports = dimensional_reports(r.out);
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_NE(reports[0].find("Construction= Microstrip"), std::string::npos);
  EXPECT_NE(reports[1].find("Construction= Stripline"), std::string::npos);
  const std::vector<std::string> first = rows_of(reports[0]);
  ASSERT_EQ(first.size(), 5u) << reports[0];
  EXPECT_EQ(rows_of(reports[2]), first);
  EXPECT_NE(rows_of(reports[1]), first);
}

// Changing the construction from menu 2 or from menu 3 (after an analysis)
// recomputes the dimensions from the electrical design as it stands: the
// new report is the one a fresh session with that construction prints (the
// clock is the same in both), and the electrical report is not repeated.
// After a stripline synthesis the design's Zo is the impedance of the
// stripline width found, and a microstrip synthesis then aims at it: its
// table equals the fresh one, its Zo lines show that impedance.
struct ChangeCase {
  const char* what;
  const char* first;   // construction answers of the first pass
  const char* route;   // answers from menu 2 to the second construction entry
  const char* second;  // construction answers of the second pass
  bool same_report;    // the whole report equals the fresh one
};

// Stripline in B 0.05 inch of Er 10.2 with 0.0014-inch strips: the width
// found for 50 ohm has an impedance that prints differently.
constexpr const char* kStriplineThick = "2\n0.05\n10.2\n4\n";
// From menu 2: an analysis of the built filter (a short sweep, default
// terminations, copper, 5 micro-inch, the defaults file's loss tangent,
// format 1, no storage), then menu 3 choice 2.
constexpr const char* kAnalysisThenChange = "1\n9900\n10100\n100\n\n\n2\n4\n\n1\n2\n2\n";

class ChangeConstructionRoute : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(ChangeConstructionRoute, GivesTheReportOfAFreshSession) {
  const ChangeCase& c = GetParam();
  Session changed;
  const SessionResult r =
      changed.run(std::string(kRoadExample) + "\n\n" + c.first + "\n" + c.route + c.second + "\n4\n");
  ASSERT_EQ(r.status, 0) << r.err;
  Session fresh;
  const SessionResult f = fresh.run(std::string(kRoadExample) + "\n\n" + c.second + "\n4\n");
  ASSERT_EQ(f.status, 0) << f.err;

  EXPECT_EQ(count(r.out, "SYNTHESIS of the Distributed Electrical Circuit"),
            count(f.out, "SYNTHESIS of the Distributed Electrical Circuit"));
  EXPECT_EQ(count(r.out, "Frequency Analysis of your Bandpass Filter completed."),
            c.route == kAnalysisThenChange ? 1u : 0u);
  const std::vector<std::string> reports = dimensional_reports(r.out);
  const std::vector<std::string> want = dimensional_reports(f.out);
  ASSERT_EQ(reports.size(), 2u);
  ASSERT_EQ(want.size(), 1u);
  EXPECT_NE(rows_of(reports[1]), rows_of(reports[0]));
  ASSERT_EQ(rows_of(want[0]).size(), 5u) << want[0];
  EXPECT_EQ(rows_of(reports[1]), rows_of(want[0]));
  if (c.same_report) {
    EXPECT_EQ(reports[1], want[0]);
  } else {
    // The Zo the stripline width gave, as its report printed it.
    const std::size_t at = reports[0].find("For Zo = ");
    ASSERT_NE(at, std::string::npos);
    const std::string zo = reports[0].substr(at + 9, 6);
    EXPECT_NE(zo, " 50.00");
    EXPECT_NE(reports[1].find("Zo of System= " + zo + " Ohms"), std::string::npos) << reports[1];
    EXPECT_NE(reports[1].find("For Zo = " + zo + " Ohms"), std::string::npos) << reports[1];
  }
}

INSTANTIATE_TEST_SUITE_P(
    Dialogue, ChangeConstructionRoute,
    ::testing::Values(ChangeCase{"microstrip to stripline from menu 2", kMicrostrip, "2\n", kStripline, true},
                      ChangeCase{"microstrip to stripline from menu 3", kMicrostrip, kAnalysisThenChange, kStripline,
                                 true},
                      ChangeCase{"stripline to microstrip from menu 3", kStriplineThick, kAnalysisThenChange,
                                 kMicrostrip, false}),
    CaseName());

TEST(ChangeConstruction, EveryPassOffersTheDefaultsFileValues) {
  Session session;
  const SessionResult r =
      session.run(std::string(kRoadExample) + "\n\n" + "1\n0.05\n10.2\n4\n" + "\n2\n" + kMicrostrip + "\n4\n");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> reports = dimensional_reports(r.out);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_NE(reports[0].find("                Er   =    10.200         Construction= Microstrip\n"
                            "                H    =     0.050 inches  Strip Thick = 0.0014 inches\n"),
            std::string::npos)
      << reports[0];
  EXPECT_NE(reports[1].find("                Er   =     9.800         Construction= Microstrip\n"
                            "                H    =     0.025 inches  Strip Thick = 0.0000 inches\n"),
            std::string::npos)
      << reports[1];
}

// Repeating a stripline synthesis of one design gives the same report every
// time: each run aims at the entered impedance, not at the one found before.
TEST(ChangeConstruction, RepeatedStriplineSynthesisDoesNotDrift) {
  Session session;
  std::string script = "10000\n500\n1\n0.1\n1\n4\n75\n\n\n\n\n";
  const std::string stripline = "2\n2\n0.05\n10.2\n4\n\n";  // menu choice 2, B 0.05, Er 10.2, T 0.0014
  for (int run = 0; run < 10; ++run) script += stripline;
  script += "4\n";
  const SessionResult r = session.run(script);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> reports = dimensional_reports(r.out);
  ASSERT_EQ(reports.size(), 10u);
  for (std::size_t i = 1; i < reports.size(); ++i) EXPECT_EQ(reports[i], reports[0]) << "run " << i + 1;
  EXPECT_NE(reports[0].find("Zo of System=  75.00 Ohms"), std::string::npos) << reports[0];
}

// A stripline foil at or above B is refused before the storage question; what
// the file received before stays in it when the session then ends.
TEST(ChangeConstruction, AFoilThickerThanBIsRefusedAndAskedAgain) {
  Session session;
  const SessionResult r =
      session.run(std::string(kRoadExample) + "1\nroad.txt\n\n" + "2\n0.002\n\n5\n2\n" + "1\n4\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(count(r.out, "does not fit in B = 0.0020 inches"), 1u);
  const std::vector<std::string> reports = dimensional_reports(r.out);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("B    =     0.002 inches  Strip Thick = 0.0002 inches"), std::string::npos);
  EXPECT_EQ(session.file("road.txt"), read_text(golden_path("road_electrical.txt")) + reports[0]);

  Session ended;
  const SessionResult e = ended.run(std::string(kRoadExample) + "1\nroad.txt\n\n" + "2\n0.002\n\n5\n");
  EXPECT_EQ(e.status, 1);
  EXPECT_EQ(count(e.out, "does not fit in B ="), 1u);
  EXPECT_EQ(ended.file("road.txt"), read_text(golden_path("road_electrical.txt")));
}

}  // namespace
}  // namespace quorvane::testing
