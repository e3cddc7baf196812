// The storage file and the three storage occasions.
#include "dialogue/storage.hpp"

#include <sstream>

#include <gtest/gtest.h>

#include "support/session.hpp"

namespace quorvane {
namespace {

using testing::Session;

// Answers to the storage questions of the three occasions of one cycle: a
// "yes" is followed by the name typed at the name prompt when one is asked.
struct Occasions {
  const char* what;
  std::string answers;
  const char* file;           // the file the reports went to ("" for none)
  std::vector<int> phases;    // which occasions' lines the file holds, in order
  bool other_files = false;   // whether a second file was written
};

class StorageOccasions : public ::testing::TestWithParam<Occasions> {};

TEST_P(StorageOccasions, ReportsGoWhereTheAnswersSay) {
  const Occasions& c = GetParam();
  Session session;
  std::istringstream in(c.answers);
  std::ostringstream out;
  Console console(in, out);
  StorageFile file(session.folder());
  DesignState state;
  state.defaults.fndef = "QuorvaneOUT.txt     ";
  const StorageOccasion occasions[] = {StorageOccasion::kElectrical, StorageOccasion::kDimensions,
                                       StorageOccasion::kAnalysis};
  for (int k = 0; k < 3; ++k) {
    ask_storage(occasions[k], console, file, state);
    Report report(console, file, state.control);
    report.both("phase " + std::to_string(k + 1));
  }
  std::string want;
  for (int k : c.phases) want += "phase " + std::to_string(k) + "\n";
  if (*c.file != '\0') {
    EXPECT_EQ(session.file(c.file), want) << c.what;
  }
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(session.folder())) {
    if (e.path().filename() != "QuorvaneDEMO.DEF") ++files;
  }
  EXPECT_EQ(files, (*c.file != '\0' ? 1 : 0) + (c.other_files ? 1 : 0)) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Dialogue, StorageOccasions,
    ::testing::Values(
        Occasions{"no storage at all", "0\n2\n\n", "", {}},
        Occasions{"yes at 1 with the default name", "1\n\n0\n0\n", "QuorvaneOUT.txt", {1}},
        Occasions{"yes at 1 and 2: no second name", "1\nA.txt\n1\n0\n", "A.txt", {1, 2}},
        Occasions{"yes at all three, one file", "1\nA.txt\n1\n1\n", "A.txt", {1, 2, 3}},
        Occasions{"no, then yes at 2 and 3", "0\n1\nB.txt\n1\n", "B.txt", {2, 3}},
        Occasions{"only the analysis", "0\n0\n-1\nC.txt\n", "C.txt", {3}},
        Occasions{"reserved name at 3 is screened", "0\n0\n1\nQuorvane.EXE\n", "Quorvane.XLS", {3}},
        Occasions{"reserved name at 1 is used as typed", "1\nQuorvane.EXE\n0\n0\n", "Quorvane.EXE", {1}},
        Occasions{"the defaults file name at 1 is used as typed", "1.4\nQuorvane.DEF\n0\n0\n", "Quorvane.DEF",
                  {1}}),
    [](const ::testing::TestParamInfo<Occasions>& info) { return "case" + std::to_string(info.index); });

TEST(StorageFile, SameNameContinuesAndAnotherNameReplaces) {
  Session session;
  {
    StorageFile file(session.folder());
    file.open("A.txt");
    file.write_line("one");
    file.open("A.txt          ");  // trailing blanks of the 20-character field
    file.write_line("two");
    EXPECT_EQ(session.file("A.txt"), "one\ntwo\n");  // flushed after each line
    file.open("B.txt");
    file.write_line("three");
    file.open("A.txt");  // started afresh
    file.write_line("four");
  }
  EXPECT_EQ(session.file("A.txt"), "four\n");
  EXPECT_EQ(session.file("B.txt"), "three\n");
}

TEST(StorageFile, UnopenableFileStopsTheDialogue) {
  Session session;
  std::filesystem::create_directory(session.folder() / "dir.txt");
  StorageFile file(session.folder());
  EXPECT_THROW(file.open("dir.txt"), DialogueStop);
}

TEST(StorageFile, SessionWithAnUnopenableFileEndsWithStatusOne) {
  Session session;
  std::filesystem::create_directory(session.folder() / "dir.txt");
  const testing::SessionResult r = session.run(testing::kRoadExample + "1\ndir.txt\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("dir.txt"), std::string::npos) << r.err;
  EXPECT_EQ(testing::lines_of(r.err).size(), 1u);
}

TEST(StorageFile, FileHoldsExactlyTheConsoleReportLines) {
  Session session;
  const testing::SessionResult r = session.run(testing::kRoadExample + "1\nR.txt\n4\n");
  const std::string stored = session.file("R.txt");
  ASSERT_FALSE(stored.empty());
  EXPECT_NE(r.out.find(stored), std::string::npos);
  EXPECT_EQ(stored.find("OPERATION"), std::string::npos);
  EXPECT_EQ(stored.find("STORAGE desired"), std::string::npos);
  EXPECT_EQ(stored.find("Computer-Aided Engineering Software"), std::string::npos);
}

TEST(ReportHeader, DateAndTimeFieldsOfOneDigit) {
  const std::vector<std::string> h = report_header(testing::fixed_clock());
  ASSERT_EQ(h.size(), 6u);
  EXPECT_EQ(h[2], "      Quorvane (v. 1.4)                       Date: 3/ 6/2026 at  9: 5: 7Hours");
}

}  // namespace
}  // namespace quorvane
