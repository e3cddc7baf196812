// The programs as a user meets them, run as processes where it matters: the
// options of both, a session recorded, corrected and replayed, the scripts
// printed in docs/scripts.md, and the install tree.
#include <cstdlib>
#include <set>

#include <gtest/gtest.h>

#include "support/session.hpp"

namespace quorvane::testing {
namespace {

namespace fs = std::filesystem;

int shell(const Session& in, const std::string& command) {
  return std::system(("cd '" + in.folder().string() + "' && " + command).c_str());
}

// The program's title as the golden electrical report's header prints it.
std::string title() {
  const std::string header = lines_of(read_text(golden_path("road_electrical.txt"))).at(2);
  return header.substr(6, header.find("   ", 6) - 6);
}

struct OptionCase {
  const char* binary;
  const char* args;
  int status;
  std::string first_line;  // of the output, or the one error line
};

class ProgramOptions : public ::testing::TestWithParam<OptionCase> {};

TEST_P(ProgramOptions, StatusFirstLineAndNothingRead) {
  const OptionCase& c = GetParam();
  Session s("");  // an empty defaults file: the options read none
  std::ofstream(s.folder() / "in") << "4\n";
  // `cat` shares the input file's offset: it gets what the program left.
  ASSERT_EQ(shell(s, "{ '" + std::string(c.binary) + "' " + c.args + " >out 2>err; echo $? >rc; cat >rest; } <in"), 0);
  EXPECT_EQ(s.file("rc"), std::to_string(c.status) + "\n");
  EXPECT_EQ(s.file("rest"), "4\n");
  if (c.status == 0) {
    EXPECT_EQ(lines_of(s.file("out")).at(0), c.first_line);
  } else {
    EXPECT_EQ(s.file("out") + s.file("err"), c.first_line + "\n");
  }
}

const std::string kQ = QUORVANE_BINARY;
INSTANTIATE_TEST_SUITE_P(
    EveryProgram, ProgramOptions,
    ::testing::Values(
        OptionCase{QUORVANE_BINARY, "--help", 0, "Usage: quorvane [--record FILE]"},
        OptionCase{QUORVANE_BINARY, "-h", 0, "Usage: quorvane [--record FILE]"},
        OptionCase{QUORVANE_BINARY, "--version", 0, title()}, OptionCase{QUORVANE_BINARY, "-V", 0, title()},
        OptionCase{QUORVANE_BINARY, "--bogus", 1, "quorvane: unknown argument \"--bogus\"; see quorvane --help."},
        OptionCase{QUORVANE_BINARY, "--record", 1, "quorvane: --record needs a FILE; see quorvane --help."},
        OptionCase{QUORVANE_BINARY, "--record no/f", 1,
                   "quorvane: cannot open the record file \"no/f\" (No such file or directory)."},
        OptionCase{QUORVANE_BINARY, "--record in", 1,
                   "quorvane: the record file \"in\" is the standard input; record into another file."},
        OptionCase{QUORVANE_BINARY, "--record QuorvaneDEMO.DEF", 1,
                   "quorvane: the record file \"QuorvaneDEMO.DEF\" is the defaults file; record into another file."},
        OptionCase{QUORVANE_VIEW_BINARY, "--help", 0,
                   "Usage: quorvane-view FILE [-o FOLDER] [-s SCALE] [--as-printed] [-m MM]"},
        OptionCase{QUORVANE_VIEW_BINARY, "-V", 0, "quorvane-view of " + title()},
        OptionCase{QUORVANE_VIEW_BINARY, "--bogus", 1, "quorvane-view: unknown option \"--bogus\"; see quorvane-view --help."},
        OptionCase{QUORVANE_VIEW_BINARY, "s.txt -o", 1, "quorvane-view: -o needs a FOLDER; see quorvane-view --help."},
        OptionCase{QUORVANE_FIELDS_BINARY, "-V", 0, "quorvane-fields of " + title()},
        OptionCase{QUORVANE_FIELDS_BINARY, "--bogus", 1,
                   "quorvane-fields: unknown option \"--bogus\"; see quorvane-fields --help."},
        OptionCase{QUORVANE_YIELD_BINARY, "--version", 0, "quorvane-yield of " + title()},
        OptionCase{QUORVANE_YIELD_BINARY, "--bogus", 1,
                   "quorvane-yield: unknown option \"--bogus\"; see quorvane-yield --help."},
        OptionCase{QUORVANE_EM_BINARY, "-V", 0, "quorvane-em of " + title()},
        OptionCase{QUORVANE_EM_BINARY, "--bogus", 1, "quorvane-em: unknown option \"--bogus\"; see quorvane-em --help."}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

std::string joined(const std::vector<std::string>& lines, std::size_t from, std::size_t to) {
  std::string text;
  for (std::size_t i = from; i < to; ++i) text += lines[i] + "\n";
  return text;
}

// The road example into stripline and a lossy analysis, "1 oz" typed at the
// thickness menu (line 16), corrected in the record, the rest typed after.
TEST(RecordedSession, TypoCorrectedInTheRecordReplaysTheWholeSession) {
  const std::vector<std::string> answers = lines_of(
      kRoadExample + "1\nstrip.txt\n2\n2\n\n\n4\n2\n1\n9000\n11000\n100\n\n\n\n\n\n\n1\n\n");
  Session s;
  const std::string record = (s.folder() / "answers.txt").string();
  const SessionResult stopped = s.run(joined(answers, 0, 16) + "1 oz\r\nnever read\n", {"--record", record});
  EXPECT_EQ(stopped.status, 1);
  EXPECT_EQ(read_text(record), joined(answers, 0, 16) + "1 oz\n");  // as read, the CR dropped

  std::string corrected = read_text(record);
  std::ofstream(record) << corrected.replace(corrected.rfind("1 oz"), 4, answers[16]);
  std::ofstream(s.folder() / "again.txt") << "an earlier record\n";
  const SessionResult whole = s.run(read_text(record) + joined(answers, 17, answers.size()),
                                    {"--record", (s.folder() / "again.txt").string()});
  ASSERT_EQ(whole.status, 0) << whole.err;
  expect_golden("road_stripline_lossy.out", whole.out);
  expect_golden("road_stripline_lossy.txt", s.file("strip.txt"));
  EXPECT_EQ(s.file("again.txt"), joined(answers, 0, answers.size()));  // replaced, not appended to
}

// The record of the session is no storage file: its name is refused at the
// storage prompt and asked again, and the record stays the script.
TEST(RecordedSession, TheRecordFileIsRefusedAsAStorageName) {
  Session s;
  const std::string script = kRoadExample + "1\nanswers.txt\ne.txt\n4\n";
  const SessionResult r = s.run(script, {"--record", (s.folder() / "answers.txt").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("      \"answers.txt\" is the record file of this session; enter another FILENAME.\n"),
            std::string::npos);
  EXPECT_EQ(s.file("answers.txt"), script);
  EXPECT_NE(s.file("e.txt").find("End Section`s External Q"), std::string::npos);
}

// Each ```text block of docs/scripts.md's "Scripting a session", run as printed:
// status 0, and a record equal to the script (no line missing or left).
TEST(ReadmeScripts, EveryPathRunsToItsEnd) {
  const std::vector<std::pair<std::string, std::string>> ends = {
      {"Electrical synthesis only", "End Section`s External Q"},
      {"Microstrip dimensions and a lossy analysis", "Construction= Microstrip"},
      {"Stripline", "Construction= Stripline"},
      {"The ideal analysis from menu 1", "Quarterwave ="},
      {"A re-run from menu 3", "Frequency Analysis of your Bandpass Filter completed"}};
  const std::vector<std::size_t> tables = {0, 1, 1, 1, 2};
  const std::vector<std::pair<std::string, std::string>> scripts = readme_scripts();
  ASSERT_EQ(scripts.size(), ends.size());
  for (std::size_t i = 0; i < ends.size(); ++i) {
    SCOPED_TRACE(scripts[i].first);
    EXPECT_EQ(scripts[i].first, ends[i].first);
    Session s;
    std::ofstream(s.folder() / "script") << scripts[i].second;
    EXPECT_EQ(shell(s, "'" + kQ + "' --record check <script >out 2>err"), 0) << s.file("err");
    EXPECT_EQ(s.file("check"), scripts[i].second);
    const std::string out = s.file("out");
    EXPECT_NE(out.find(ends[i].second), std::string::npos);
    const std::string closing = "Source Impedance: Zs = ";  // one per analysis table
    std::size_t n = 0;
    for (std::size_t at = out.find(closing); at != std::string::npos; at = out.find(closing, at + 1)) ++n;
    EXPECT_EQ(n, tables[i]);
  }
}

// cmake --install of the build the tests come from: exactly the programs
// in bin/ and the shipped defaults in share/quorvane/, and they run.
TEST(InstallTree, ProgramsInBinDefaultsInShareQuorvane) {
  Session s("", false);
  ASSERT_EQ(shell(s, "cmake --install '" + fs::path(kQ).parent_path().string() + "' --prefix p >log 2>&1"), 0)
      << s.file("log");
  std::set<std::string> tree;
  for (const auto& e : fs::recursive_directory_iterator(s.folder() / "p"))
    if (!e.is_directory()) tree.insert(fs::relative(e.path(), s.folder() / "p").string());
  EXPECT_EQ(tree, (std::set<std::string>{"bin/quorvane", "bin/quorvane-em", "bin/quorvane-fields", "bin/quorvane-tune",
                                         "bin/quorvane-view", "bin/quorvane-yield",
                                         "share/quorvane/QuorvaneDEMO.DEF"}));
  EXPECT_EQ(s.file("p/share/quorvane/QuorvaneDEMO.DEF"), shipped_defaults());
  // Eleven empty answers take the defaults up to menu 1, where 4 exits.
  EXPECT_EQ(shell(s, "cp p/share/quorvane/QuorvaneDEMO.DEF . && (printf '\\n%.0s' $(seq 11); echo 4) | "
                     "p/bin/quorvane >out && p/bin/quorvane-view --version >>out"), 0);
  EXPECT_NE(s.file("out").find("End Section`s External Q"), std::string::npos);
  EXPECT_NE(s.file("out").find("quorvane-view of "), std::string::npos);
}

}  // namespace
}  // namespace quorvane::testing
