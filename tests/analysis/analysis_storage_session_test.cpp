// The storage question before the analysis report, in whole sessions: when
// it asks for a name, which file the analysis goes to, the two reserved
// names, re-runs and new design cycles.  Each case says which of the
// session's reports (in console order) each file holds, in order.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "analysis/analysis_transcript.hpp"
#include "support/case_name.hpp"
#include "support/session.hpp"

namespace quorvane::testing {
namespace {

// The road example up to its storage question.
const std::string kNo = "\n";
// From menu 1 to the ideal analysis, and its answers up to the storage question.
const std::string kIdeal = "1\n9900\n10100\n100\n\n\n\n";
// From menu 1 through the microstrip construction, the second storage
// question answered `second`, and menu 2, to the analysis answers.
std::string built(const std::string& second) { return "\n1\n\n\n\n" + second + "\n9900\n10100\n100\n\n\n\n\n\n\n"; }
const std::string kRerun = "1\n9900\n10100\n100\n\n\n\n";  // menu 3, choice 1, ideal answers

struct StoredFile {
  const char* name;
  std::vector<int> reports;  // indices of the console reports it holds
};

struct StorageCase {
  const char* what;
  std::string script;  // from the first storage question on; exit follows
  int name_prompts;
  std::vector<StoredFile> files;
  std::vector<const char*> absent;
};

class ThirdStorageOccasion : public ::testing::TestWithParam<StorageCase> {};

TEST_P(ThirdStorageOccasion, StoresTheAnalysisWhereItShould) {
  const StorageCase& c = GetParam();
  Session session;
  const SessionResult r = session.run(kRoadExample + c.script + "\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(occurrences(r.out, "Enter your FILENAME for Output Data Storage: "), c.name_prompts);
  const std::vector<ConsoleReport> reports = console_reports(r.out);
  for (const StoredFile& f : c.files) {
    std::string want;
    for (int k : f.reports) {
      ASSERT_LT(static_cast<std::size_t>(k), reports.size()) << f.name;
      want += reports[static_cast<std::size_t>(k)].text;
    }
    ASSERT_TRUE(session.exists(f.name)) << f.name;
    EXPECT_EQ(session.file(f.name), want) << f.name;
  }
  for (const char* name : c.absent) EXPECT_FALSE(session.exists(name)) << name;
  // Stored analyses end with the notice; the others have none.
  for (std::size_t k = 0; k < reports.size(); ++k) {
    if (reports[k].kind != ConsoleReport::kAnalysis) continue;
    bool stored = false;
    for (const StoredFile& f : c.files) {
      for (int i : f.reports) stored = stored || static_cast<std::size_t>(i) == k;
    }
    EXPECT_EQ(reports[k].text.find("Output Data stored in User filename: ") != std::string::npos, stored) << k;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Analysis, ThirdStorageOccasion,
    ::testing::Values(
        // Reports: 0 electrical, 1 analysis.
        StorageCase{"no file open: the name is asked", kNo + kIdeal + "1\nC.txt\n", 1, {{"C.txt", {1}}}, {}},
        StorageCase{"minus 1 means yes", kNo + kIdeal + "-1\nC.txt\n", 1, {{"C.txt", {1}}}, {}},
        StorageCase{"1.4 means yes", kNo + kIdeal + "1.4\nC.txt\n", 1, {{"C.txt", {1}}}, {}},
        StorageCase{"2 means no", kNo + kIdeal + "2\n", 0, {}, {"QuorvaneOUT.txt"}},
        StorageCase{"0 means no", kNo + kIdeal + "0\n", 0, {}, {"QuorvaneOUT.txt"}},
        StorageCase{"empty means no", kNo + kIdeal + "\n", 0, {}, {"QuorvaneOUT.txt"}},
        StorageCase{"an empty name takes the defaults file's name", kNo + kIdeal + "1\n\n", 1,
                    {{"QuorvaneOUT.txt", {1}}}, {}},
        StorageCase{"Quorvane.EXE becomes Quorvane.XLS", kNo + kIdeal + "1\nQuorvane.EXE\n", 1,
                    {{"Quorvane.XLS", {1}}}, {"Quorvane.EXE"}},
        StorageCase{"Quorvane.DEF with trailing blanks becomes Quorvane.XLS", kNo + kIdeal + "1\nQuorvane.DEF   \n", 1,
                    {{"Quorvane.XLS", {1}}}, {"Quorvane.DEF"}},
        StorageCase{"letter case counts: quorvane.exe is used as typed", kNo + kIdeal + "1\nquorvane.exe\n", 1,
                    {{"quorvane.exe", {1}}}, {"Quorvane.XLS"}},
        StorageCase{"the defaults file's own name is refused and asked again",
                    kNo + kIdeal + "1\nQuorvaneDEMO.DEF\n./QuorvaneDEMO.DEF\nD.txt\n", 3, {{"D.txt", {1}}},
                    {"Quorvane.XLS"}},
        StorageCase{"a file from the first question: no name, appended", "1\nA.txt\n" + kIdeal + "1\n", 1,
                    {{"A.txt", {0, 1}}}, {}},
        StorageCase{"Quorvane.EXE at the first question is used unchanged", "1\nQuorvane.EXE\n" + kIdeal + "1\n", 1,
                    {{"Quorvane.EXE", {0, 1}}}, {"Quorvane.XLS"}},
        StorageCase{"no at the analysis leaves the open file as it was", "1\nA.txt\n" + kIdeal + "2\n", 1,
                    {{"A.txt", {0}}}, {}},
        // Reports: 0 electrical, 1 dimensions, 2 analysis.
        StorageCase{"no file after the dimensions: the name is asked", kNo + built("2\n") + "1\nC.txt\n", 1,
                    {{"C.txt", {2}}}, {}},
        StorageCase{"a file from the second question: no name, appended", kNo + built("1\nB.txt\n") + "1\n", 1,
                    {{"B.txt", {1, 2}}}, {}},
        StorageCase{"a file from the first question, dimensions not stored", "1\nA.txt\n" + built("2\n") + "1\n", 1,
                    {{"A.txt", {0, 2}}}, {}},
        StorageCase{"Quorvane.DEF at the second question is used unchanged",
                    kNo + built("1\nQuorvane.DEF\n") + "1\n", 1, {{"Quorvane.DEF", {1, 2}}}, {"Quorvane.XLS"}},
        StorageCase{"Quorvane.EXE after a construction becomes Quorvane.XLS", kNo + built("2\n") + "1\nQuorvane.EXE\n", 1,
                    {{"Quorvane.XLS", {2}}}, {"Quorvane.EXE"}},
        // Re-runs from menu 3.  Reports: 0 electrical, 1 and 2 analyses.
        StorageCase{"a re-run asks the name again; another name starts another file",
                    kNo + kIdeal + "1\nC1.txt\n" + kRerun + "1\nC2.txt\n", 2, {{"C1.txt", {1}}, {"C2.txt", {2}}}, {}},
        StorageCase{"a re-run given the same name continues the file", kNo + kIdeal + "1\nC.txt\n" + kRerun + "1\nC.txt\n",
                    2, {{"C.txt", {1, 2}}}, {}},
        StorageCase{"a re-run after a file from the first question asks nothing", "1\nA.txt\n" + kIdeal + "1\n" + kRerun + "1\n",
                    1, {{"A.txt", {0, 1, 2}}}, {}},
        StorageCase{"a re-run stored after one that was not", "1\nA.txt\n" + kIdeal + "2\n" + kRerun + "1\n", 1,
                    {{"A.txt", {0, 2}}}, {}},
        // A new design cycle.  Reports: 0 electrical, 1 analysis, 2 electrical, 3 analysis.
        StorageCase{"a new design asks again; the same name continues the file",
                    "1\nA.txt\n" + kIdeal + "1\n" + "3\n" + kRoadExample + kNo + kIdeal + "1\nA.txt\n", 2,
                    {{"A.txt", {0, 1, 3}}}, {}},
        StorageCase{"a new design asks again; another name starts another file",
                    "1\nA.txt\n" + kIdeal + "1\n" + "3\n" + kRoadExample + kNo + kIdeal + "1\nB.txt\n", 2,
                    {{"A.txt", {0, 1}}, {"B.txt", {3}}}, {}}),
    CaseName());

// The console input ending at the name prompt of the analysis ends the
// program at once with one error line, as at every prompt; no analysis is
// printed and the file opened earlier keeps what it received.
TEST(ThirdStorageOccasion, InputEndingAtTheNamePrompt) {
  Session ended;
  const SessionResult e = ended.run(kRoadExample + "1\nA.txt\n" + "3\n" + kRoadExample + kNo + kIdeal + "1\n");
  EXPECT_EQ(e.status, 1);
  EXPECT_EQ(occurrences(e.err, "\n"), 1) << e.err;
  EXPECT_NE(e.err.find("FILENAME"), std::string::npos) << e.err;
  EXPECT_TRUE(analysis_reports(e.out).empty());
  const std::vector<ConsoleReport> reports = console_reports(e.out);
  ASSERT_EQ(reports.size(), 2u);  // the two electrical reports
  EXPECT_EQ(ended.file("A.txt"), reports[0].text);
}

}  // namespace
}  // namespace quorvane::testing
