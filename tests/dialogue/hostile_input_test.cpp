// Hostile console scripts and defaults files: every session ends in order
// (status 0) or with status 1 and one error line, and every storage file
// holds the console's report lines in order.
#include <gtest/gtest.h>

#include <string>

#include "support/invariants.hpp"
#include "support/session.hpp"

namespace quorvane::testing {
namespace {

const std::string kRoad = "10000\n500\n1\n0.1\n1\n4\n50\n\n\n\n";

struct Hostile {
  const char* what;
  std::string script;
  int status;  // the status the session must end with
  const char* shows = "";  // a text the console must show
};

class HostileScript : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileScript, KeepsTheSessionInvariants) {
  const Hostile& c = GetParam();
  Session session;
  const SessionResult r = session.run(c.script);
  EXPECT_EQ(r.status, c.status) << c.what << "\n" << r.err;
  EXPECT_EQ(broken_invariant(r.status, r.out, r.err, session.folder()), "") << c.what;
  EXPECT_NE(r.out.find(c.shows), std::string::npos) << c.what << ": " << c.shows;
}

INSTANTIATE_TEST_SUITE_P(
    Dialogue, HostileScript,
    ::testing::Values(
        Hostile{"CR LF line ends", "10000\r\n500\r\n1\r\n0.1\r\n1\r\n4\r\n50\r\n\r\n\r\n\r\n1\r\nA.txt\r\n4\r\n", 0,
                "Qe(1) = 22.17"},
        Hostile{"no final newline", kRoad + "\n4", 0, "Qe(1) = 22.17"},
        Hostile{"a line of 10,000 characters: only 13 count", std::string(10000, '7') + "\n500\n1\n0.1\n1\n4\n50\n\n\n\n\n4\n", 0, "Fo   = ********* MHz"},
        Hostile{"10,000 blanks then a number", std::string(10000, ' ') + "\n500\n1\n0.1\n1\n4\n50\n\n\n\n\n4\n", 0,
                "Fo   = 10000.000 MHz"},
        Hostile{"NUL bytes", std::string("100\0" "00\n", 7) + kRoad, 1},
        Hostile{"embedded tabs", "1\t0000\n500\n1\n0.1\n1\n4\n50\n\n\n\n\n4\n", 0, "Fo   = 10000.000 MHz"},
        Hostile{"minus zero takes the default", "-0\n500\n1\n0.1\n1\n4\n50\n\n\n\n\n4\n", 0, "Fo   = 10000.000 MHz"},
        Hostile{"plus point five", "10000\n500\n1\n+.5\n1\n4\n50\n\n\n\n\n4\n", 0, "Ripple (Am) = 0.5000 dB"},
        Hostile{"a lone point", ".\n", 1},
        Hostile{"an exponent without mantissa", "E5\n", 1},
        Hostile{"an exponent without digits", "1E\n", 1},
        Hostile{"two decimal points", "1.2.3\n", 1},
        Hostile{"overflow", "1E39\n", 1},
        Hostile{"underflow reads zero: the default", "1E-60\n500\n1\n0.1\n1\n4\n50\n\n\n\n\n4\n", 0,
                "Fo   = 10000.000 MHz"},
        Hostile{"13 significant characters", "1000000000000\n500\n1\n0.1\n1\n4\n50\n\n\n\n\n4\n", 0},
        Hostile{"bandwidth above twice f0", "1000\n2500\n1\n0.1\n1\n4\n50\n\n\n\n\n4\n", 0, "Flow =  -250.000 MHz"},
        Hostile{"f0 of 0.001 MHz", "0.001\n0.0005\n1\n0.1\n1\n4\n50\n\n\n\n\n4\n", 0},
        Hostile{"f0 of 1e6 MHz", "1E6\n1E5\n1\n0.1\n1\n4\n50\n\n\n\n\n4\n", 0},
        Hostile{"12 poles, 3.5 dB ripple", "10000\n500\n1\n3.5\n1\n12\n50\n\n\n\n\n\n\n\n\n4\n", 0, "# of Poles  = 12"},
        Hostile{"tiny image impedances", "10000\n500\n1\n0.1\n1\n4\n50\n0.001\n0.001\n0.001\n\n4\n", 0},
        Hostile{"huge image impedances", "10000\n500\n1\n0.1\n1\n4\n50\n1E6\n1E6\n1E6\n\n4\n", 0},
        Hostile{"skirt needing hundreds of poles", "10000\n500\n1\n0.01\n2\n10260\n300\n1\n4\n50\n\n\n\n\n4\n", 0,
                "ERROR: Number of Poles in Filter cannot exceed N = 12."}),
    [](const ::testing::TestParamInfo<Hostile>& info) { return "case" + std::to_string(info.index); });

struct HostileDefaults {
  const char* what;
  std::string defaults;
  int status;
};

class HostileDefaultsFile : public ::testing::TestWithParam<HostileDefaults> {};

TEST_P(HostileDefaultsFile, EndsInOrder) {
  const HostileDefaults& c = GetParam();
  Session session(c.defaults);
  const SessionResult r = session.run(kRoad + "\n4\n");
  EXPECT_EQ(r.status, c.status) << c.what << "\n" << r.err;
  EXPECT_EQ(broken_invariant(r.status, r.out, r.err, session.folder()), "") << c.what;
}

std::string without_final_newline(std::string s) {
  s.pop_back();
  return s;
}

std::string crlf(const std::string& s) {
  std::string t;
  for (char ch : s) t += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
  return t;
}

std::string first_lines(const std::string& s, int n) {
  std::string t;
  for (int i = 0; i < n; ++i) t += lines_of(s)[static_cast<std::size_t>(i)] + "\n";
  return t;
}

INSTANTIATE_TEST_SUITE_P(
    Dialogue, HostileDefaultsFile,
    ::testing::Values(HostileDefaults{"empty", "", 0}, HostileDefaults{"18 lines", first_lines(shipped_defaults(), 18), 0},
                      HostileDefaults{"19 lines without a final newline", without_final_newline(shipped_defaults()), 0},
                      HostileDefaults{"CR LF line ends", crlf(shipped_defaults()), 0},
                      HostileDefaults{"binary garbage", std::string("\0\xff\x1e\n\n\x80", 6), 0}),
    [](const ::testing::TestParamInfo<HostileDefaults>& info) { return "case" + std::to_string(info.index); });

TEST(HostileDefaultsFile, CrLfAndMissingNewlineReadLikeTheShippedFile) {
  for (const std::string& text : {crlf(shipped_defaults()), without_final_newline(shipped_defaults())}) {
    Session session(text);
    const SessionResult r = session.run(kRoad + "\n4\n");
    EXPECT_NE(r.out.find("Qe(1) = 22.17"), std::string::npos);
  }
}

TEST(HostileDefaultsFile, DirectoryInsteadOfAFile) {
  Session session("", false);
  std::filesystem::create_directory(session.folder() / "QuorvaneDEMO.DEF");
  const SessionResult r = session.run(kRoad);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(lines_of(r.err).size(), 1u);
  EXPECT_NE(r.err.find("QuorvaneDEMO.DEF"), std::string::npos);
}

TEST(HostileDefaultsFile, UnreadableFile) {
  Session session;
  std::filesystem::permissions(session.folder() / "QuorvaneDEMO.DEF", std::filesystem::perms::none);
  if (std::ifstream(session.folder() / "QuorvaneDEMO.DEF").is_open()) GTEST_SKIP() << "running with root rights";
  const SessionResult r = session.run(kRoad);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(lines_of(r.err).size(), 1u);
}

TEST(SessionInvariants, CheckerSeesAStoredLineThatTheConsoleNeverShowed) {
  Session session;
  const SessionResult r = session.run(kRoad + "1\nA.txt\n4\n");
  ASSERT_EQ(broken_invariant(r.status, r.out, r.err, session.folder()), "");
  std::ofstream(session.folder() / "A.txt", std::ios::app) << "a line of nobody's\n";
  EXPECT_NE(broken_invariant(r.status, r.out, r.err, session.folder()), "");
  EXPECT_NE(broken_invariant(1, r.out, "", session.folder()), "");
  EXPECT_NE(broken_invariant(0, r.out, "error\n", session.folder()), "");
}

}  // namespace
}  // namespace quorvane::testing
