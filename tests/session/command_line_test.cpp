// The command lines of quorvane and quorvane-view, run as processes: the
// status, the first line written, and that standard input is left unread;
// and a session recorded with --record, corrected and replayed.
#include "session/command_line.hpp"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "support/session.hpp"

namespace quorvane::testing {
namespace {

namespace fs = std::filesystem;

struct OptionCase {
  const char* binary;
  const char* args;
  int status;
  std::string first_line;  // of standard output for status 0, else of the error stream
};

// The program's title as the golden electrical report's header prints it.
std::string header_title() {
  const std::string header = lines_of(read_text(golden_path("road_electrical.txt"))).at(2);
  return header.substr(6, header.find("   ", 6) - 6);
}

class ProgramOptions : public ::testing::TestWithParam<OptionCase> {};

TEST_P(ProgramOptions, StatusFirstLineAndNothingRead) {
  const OptionCase& c = GetParam();
  Session folder("", false);  // no defaults file: the options need none
  const fs::path dir = folder.folder();
  const std::string input = "4\nunread\n";
  std::ofstream(dir / "in") << input;
  // The input is a file shared with `cat`: what the program reads, cat misses.
  const std::string cmd = "cd '" + dir.string() + "' && { '" + c.binary + "' " + c.args +
                          " >out 2>err; echo $? >rc; cat >rest; } <in";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_EQ(std::stoi(folder.file("rc")), c.status);
  EXPECT_EQ(folder.file("rest"), input);
  const std::vector<std::string> shown = lines_of(folder.file(c.status == 0 ? "out" : "err"));
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown[0], c.first_line);
  if (c.status != 0) {
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(folder.file("out"), "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    BothPrograms, ProgramOptions,
    ::testing::Values(
        OptionCase{QUORVANE_BINARY, "--help", 0, "Usage: quorvane [--record FILE]"},
        OptionCase{QUORVANE_BINARY, "-h", 0, "Usage: quorvane [--record FILE]"},
        OptionCase{QUORVANE_BINARY, "--version", 0, header_title()},
        OptionCase{QUORVANE_BINARY, "-V", 0, header_title()},
        OptionCase{QUORVANE_BINARY, "--bogus", 1, "quorvane: unknown argument \"--bogus\"; see quorvane --help."},
        OptionCase{QUORVANE_BINARY, "--record", 1, "quorvane: --record needs a FILE; see quorvane --help."},
        OptionCase{QUORVANE_BINARY, "--record no/such/folder/f", 1,
                   "quorvane: cannot open the record file \"no/such/folder/f\" (No such file or directory)."},
        OptionCase{QUORVANE_BINARY, "--record in", 1,
                   "quorvane: the record file \"in\" is the standard input; record into another file."},
        OptionCase{QUORVANE_VIEW_BINARY, "--help", 0, "Usage: quorvane-view FILE [-o FOLDER]"},
        OptionCase{QUORVANE_VIEW_BINARY, "-V", 0, "quorvane-view of " + header_title()},
        OptionCase{QUORVANE_VIEW_BINARY, "--bogus", 1,
                   "quorvane-view: unknown option \"--bogus\"; see quorvane-view --help."},
        OptionCase{QUORVANE_VIEW_BINARY, "s.txt -o", 1, "quorvane-view: -o needs a FOLDER; see quorvane-view --help."},
        OptionCase{QUORVANE_VIEW_BINARY, "a.txt b.txt", 1,
                   "quorvane-view: one FILE only, \"b.txt\" is a second; see quorvane-view --help."}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

// What run_program sees of a console script, in the session's folder.
SessionResult run_program_on(const std::vector<std::string>& args, const std::string& script, const Session& s,
                             const fs::path& console_input = {}) {
  std::istringstream in(script);
  std::ostringstream out, err;
  const DialogueEnvironment env{in, out, err, fixed_clock, s.folder()};
  SessionResult r;
  r.status = run_program(args, env, console_input);
  r.out = out.str();
  r.err = err.str();
  return r;
}

std::string joined(const std::vector<std::string>& lines, std::size_t from, std::size_t to) {
  std::string text;
  for (std::size_t i = from; i < to; ++i) text += lines[i] + "\n";
  return text;
}

// The road example into stripline and a lossy analysis, "1 oz" typed at the
// thickness menu: the record ends with the mistyped line; corrected there,
// it replays the session to that point, and the answers typed after it give
// the whole session, the same transcript and storage file as typed at once.
TEST(RecordedSession, TypoCorrectedInTheRecordReplaysTheWholeSession) {
  const std::vector<std::string> answers = lines_of(
      "10000\n500\n1\n0.1\n1\n4\n50\n\n\n\n1\nstrip.txt\n2\n2\n\n\n4\n2\n1\n9000\n11000\n100\n\n\n\n\n\n\n1\n\n");
  const std::size_t thickness = 16;
  ASSERT_EQ(answers[thickness], "4");
  Session session;
  const fs::path record = session.folder() / "answers.txt";
  const std::string typed = joined(answers, 0, thickness) + "1 oz\r\n";
  const SessionResult stopped =
      run_program_on({"--record", record.string()}, typed + "never read\n", session);
  EXPECT_EQ(stopped.status, 1);
  EXPECT_NE(stopped.err.find("it holds \"o\""), std::string::npos) << stopped.err;
  EXPECT_EQ(read_text(record), joined(answers, 0, thickness) + "1 oz\n");  // as read: the CR is dropped

  std::string corrected = read_text(record);
  corrected.replace(corrected.rfind("1 oz"), 4, answers[thickness]);
  std::ofstream(record, std::ios::binary) << corrected;
  const SessionResult replayed = session.run(read_text(record));
  EXPECT_EQ(replayed.status, 1);  // the record ends where the session ended
  EXPECT_NE(replayed.err.find("console input ended"), std::string::npos) << replayed.err;

  const fs::path again = session.folder() / "again.txt";
  std::ofstream(again) << "an earlier record\n";
  const SessionResult whole =
      run_program_on({"--record", again.string()}, read_text(record) + joined(answers, thickness + 1, answers.size()),
                     session, record);
  ASSERT_EQ(whole.status, 0) << whole.err;
  expect_golden("road_stripline_lossy.out", whole.out);
  expect_golden("road_stripline_lossy.txt", session.file("strip.txt"));
  EXPECT_EQ(read_text(again), joined(answers, 0, answers.size()));  // a record replaced, not appended to
}

}  // namespace
}  // namespace quorvane::testing
