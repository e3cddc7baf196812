// Hostile console scripts and defaults files: every session ends in order
// (status 0) or with status 1 and one error line, within a few seconds, and
// every storage file holds the console's report lines in order.  The scripts
// reach every phase: the electrical report, the dimensions in microstrip and
// stripline, the ideal, microstrip and stripline analyses, the three menus
// and the three storage occasions.  The seed corpus of the session fuzzer is
// run here too.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "support/invariants.hpp"
#include "support/session.hpp"

namespace quorvane::testing {
namespace {

// The road example up to its first storage question.
// Construction answers on the shipped substrates, zero thickness, from the
// construction prompt on; the storage answer follows.
const std::string kMicrostrip = "1\n\n\n\n";
const std::string kStripline = "2\n\n\n\n";
// A short sweep with the default terminations.
const std::string kSweep = "9500\n10500\n250\n\n\n";
const std::string kLosses = "\n\n\n";  // copper, 5 micro-inch, the default loss tangent

// Every phase, storage yes at every occasion into A.txt.
const std::string kEveryPhase = kRoadExample + "1\nA.txt\n" +                  // electrical, stored
                                "1\n" + kSweep + "\n" + "1\n" +         // ideal analysis
                                "2\n" + kMicrostrip + "1\n" +           // microstrip dimensions
                                "1\n" + kSweep + kLosses + "2\n" + "1\n" +  // its analysis, format 2
                                "1\n" + kSweep + kLosses + "\n" + "1\n" +   // re-run
                                "2\n" + kStripline + "1\n" +            // stripline dimensions
                                "2\n" + kMicrostrip + "\n" +            // again microstrip, not stored
                                "2\n" + "2\n0.001\n\n5\n2\n" + "1\n" +  // stripline, a foil refused
                                "1\n" + kSweep + kLosses + "\n" + "1\n" +   // stripline analysis
                                "3\n" + kRoadExample + "1\nA.txt\n" + "4\n";   // a new cycle continues A.txt

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Hostile {
  const char* what;
  std::string script;
  int status;              // the status the session must end with
  const char* shows = "";  // a text the console must show
};

void keeps_the_session_invariants(const Hostile& c) {
  Session session;
  const auto start = std::chrono::steady_clock::now();
  const SessionResult r = session.run(c.script);
  EXPECT_LT(seconds_since(start), 5.0);
  EXPECT_EQ(r.status, c.status) << r.err;
  EXPECT_EQ(broken_invariant(r.status, r.out, r.err, session.folder()), "");
  EXPECT_NE(r.out.find(c.shows), std::string::npos) << c.shows;
}

TEST(HostileScript, NumbersKeepTheSessionInvariants) {
  const std::vector<Hostile> cases{
      Hostile{"CR LF line ends", "10000\r\n500\r\n1\r\n0.1\r\n1\r\n4\r\n50\r\n\r\n\r\n\r\n1\r\nA.txt\r\n4\r\n", 0,
              "Qe(1) = 22.17"},
      Hostile{"no final newline", kRoadExample + "\n4", 0, "Qe(1) = 22.17"},
      Hostile{"a line of 10,000 characters: only 13 count",
              std::string(10000, '7') + "\n500\n1\n0.1\n1\n4\n50\n\n\n\n\n4\n", 0, "Fo   = ********* MHz"},
      Hostile{"10,000 blanks then a number", std::string(10000, ' ') + "\n500\n1\n0.1\n1\n4\n50\n\n\n\n\n4\n", 0,
              "Fo   = 10000.000 MHz"},
      Hostile{"NUL bytes", std::string("100\0" "00\n", 7) + kRoadExample, 1},
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
      Hostile{"skirt needing hundreds of poles", "10000\n500\n1\n0.01\n2\n10260\n300\n1\n4\n50\n\n\n\n\n4\n", 0,
              "ERROR: Number of Poles in Filter cannot exceed N = 12."}};
  for (const Hostile& c : cases) {
    SCOPED_TRACE(c.what);
    keeps_the_session_invariants(c);
  }
}

TEST(HostileScript, PhasesKeepTheSessionInvariants) {
  const std::vector<Hostile> cases{
      Hostile{"every phase and occasion into one file", kEveryPhase, 0, "does not fit in B ="},
      Hostile{"every phase with CR LF line ends",
              [] {
                std::string s;
                for (char ch : kEveryPhase) s += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
                return s;
              }(),
              0, "Construction= Stripline"},
      Hostile{"menu 1: 1.4 is the analysis, menu 3: 2.5 a new cycle", kRoadExample + "\n" + "1.4\n" + kSweep + "\n\n" +
              "2.5\n" + kRoadExample + "\n" + "-2\n" + kMicrostrip + "\n" + "7\n", 0, "Quarterwave ="},
      Hostile{"menu 2: the empty answer analyses, menu 3: the empty answer exits",
              kRoadExample + "\n" + "\n" + kStripline + "\n" + "\n" + kSweep + kLosses + "\n\n" + "\n", 0,
              "Frequency Analysis of your Bandpass Filter completed."},
      Hostile{"menu 2: a new cycle", kRoadExample + "\n" + "\n" + kMicrostrip + "\n" + "3\n" + kRoadExample + "\n" + "4\n", 0},
      Hostile{"menu 3: the construction again, then menu 2 exits",
              kRoadExample + "\n" + "1\n" + kSweep + "\n\n" + "2\n" + kStripline + "\n" + "99\n", 0,
              "Construction= Stripline"},
      Hostile{"every value of dimensions and analysis negative",
              kRoadExample + "\n" + "-2\n" + "-2\n-0.1\n-4\n-6\n-0.001\n\n" + "-1\n" +
                  "-9000\n-11000\n-500\n-40\n-60\n-1\n-1\n-0.001\n-2\n\n" + "4\n",
              0,
              "B    =     0.100 inches  Strip Thick = 0.0010 inches"},
      Hostile{"every answer of dimensions and analysis at 9.9E37", kRoadExample + "\n" + "2\n" +
              "9.9E37\n9.9E37\n9.9E37\n9.9E37\n\n" + "1\n" + "9.9E37\n9.9E37\n9.9E37\n9.9E37\n9.9E37\n" +
              "9.9E37\n9.9E37\n9.9E37\n9.9E37\n\n" + "4\n", 0, "Construction= Microstrip"},
      Hostile{"a start above the stop: one row", kRoadExample + "\n" + "1\n" + "11000\n9000\n500\n\n\n\n\n" + "4\n", 0,
              "        11000.00 "},
      Hostile{"a step too small to advance the frequency", kRoadExample + "\n" + "1\n" + "10000\n10001\n0.0004\n\n\n\n\n" +
              "1\n" + kSweep + "\n\n" + "4\n", 0, "Analysis not run: a Step of 0.0004"},
      Hostile{"thickness choice 7 is zero thickness", kRoadExample + "\n" + "\n" + "2\n\n\n7\n\n" + "4\n", 0,
              "Strip Thick = 0.0000 inches"}};
  for (const Hostile& c : cases) {
    SCOPED_TRACE(c.what);
    keeps_the_session_invariants(c);
  }
}

TEST(HostileScript, StorageNamesKeepTheSessionInvariants) {
  const std::vector<Hostile> cases{
      Hostile{"no at the first, a name at the second, kept at the third",
              kRoadExample + "\n" + "\n" + kMicrostrip + "1\nB.txt\n" + "1\n" + kSweep + kLosses + "\n1\n" + "4\n", 0},
      Hostile{"a reserved name at the third occasion, asked again at a re-run",
              kRoadExample + "\n" + "1\n" + kSweep + "\n1\nQuorvane.EXE\n" + "1\n" + kSweep + "\n1\nQuorvane.DEF\n" +
              "1\n" + kSweep + "\n1\nquorvane.def\n" + "4\n", 0},
      Hostile{"another name in a new cycle starts a second file",
              kRoadExample + "1\nA.txt\n" + "\n" + kMicrostrip + "1\n" + "3\n" + kRoadExample + "1\nB.txt\n" + "4\n", 0},
      Hostile{"a name of 10,000 characters is cut to 20", kRoadExample + "1\n" + std::string(10000, 'N') + "\n4\n", 0,
              "Output data stored in User filename: NNNNNNNNNNNNNNNNNNNN"},
      Hostile{"the empty name takes the defaults file's", kRoadExample + "1\n\n" + "\n" + kStripline + "1\n" + "4\n", 0,
              "Output data stored in User filename: QuorvaneOUT.txt"},
      Hostile{"a name in a missing folder at the first occasion", kRoadExample + "1\nno such/A.txt\n", 1},
      Hostile{"a name in a missing folder at the second occasion",
              kRoadExample + "\n" + "\n" + kMicrostrip + "1\nno such/B.txt\n", 1},
      Hostile{"a name in a missing folder at the third occasion", kRoadExample + "\n" + "1\n" + kSweep + "\n1\nno such/C\n",
              1},
      Hostile{"a folder's name", kRoadExample + "1\n.\n", 1},
      Hostile{"a NUL in the name", kRoadExample + "1\n" + std::string("N\0x", 3) + "\n", 1},
      Hostile{"a file stored, then a name that cannot be opened in the next cycle",
              kRoadExample + "1\nA.txt\n" + "\n" + kMicrostrip + "1\n" + "3\n" + kRoadExample + "1\nno such/A.txt\n", 1}};
  for (const Hostile& c : cases) {
    SCOPED_TRACE(c.what);
    keeps_the_session_invariants(c);
  }
}

// The session's file after a failed opening is still what the console showed.
TEST(HostileStorage, AFailedOpeningKeepsTheEarlierFile) {
  Session session;
  const SessionResult r = session.run(kRoadExample + "1\nA.txt\n" + "3\n" + kRoadExample + "1\nno such/A.txt\n");
  ASSERT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no such/A.txt"), std::string::npos) << r.err;
  const std::vector<std::string> stored = lines_of(session.file("A.txt"));
  ASSERT_EQ(stored.size(), 29u);
  EXPECT_EQ(stored.back(), "        Output data stored in User filename: A.txt               ");
}

// Bytes that are not printable are written as \xHH in the error line.
TEST(HostileStorage, TheErrorLineQuotesTheNameInPrintableCharacters) {
  Session session;
  const SessionResult r = session.run(kRoadExample + "1\n" + std::string("N\0\x1b[2J", 6) + "\n");
  ASSERT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("\"N\\x00\\x1B[2J\""), std::string::npos) << r.err;
}

// The every-phase script cut after each of its lines: the input ends at a
// prompt of some phase, and the session ends with status 1 and one error
// line naming that prompt, its file holding what the console showed.
TEST(HostileScriptEveryPrompt, InputEndingAtEachPromptEndsWithOneErrorLine) {
  const std::vector<std::string> lines = lines_of(kEveryPhase);
  std::set<std::string> prompts;
  std::string cut;
  for (std::size_t keep = 0; keep < lines.size(); ++keep) {
    SCOPED_TRACE("input ending after line " + std::to_string(keep));
    Session session;
    const SessionResult r = session.run(cut);
    EXPECT_EQ(broken_invariant(r.status, r.out, r.err, session.folder()), "");
    ASSERT_EQ(r.status, 1);
    const std::size_t at = r.err.find("expected at \"");
    ASSERT_NE(at, std::string::npos) << r.err;
    prompts.insert(r.err.substr(at));
    cut += lines[keep] + "\n";
  }
  // The input ended at prompts of every phase.
  for (const char* prompt : {"Filter`s Center Frequency", "Image Impedance of Section 3 and  3", "STORAGE desired",
                             "Enter your FILENAME", "OPERATION selected", "Desired Physical CONSTRUCTION",
                             "Ground Plane Spacing", "Height of Microstrip`s Substrate", "Strip Thickness selected",
                             "Analysis Step  Frequency", "Load   Impedance", "Conductor Resistivity selected",
                             "RMS Surface Roughness selected", "DLTAN", "Print FORMAT selected"}) {
    bool seen = false;
    for (const std::string& p : prompts) seen = seen || p.find(prompt) != std::string::npos;
    EXPECT_TRUE(seen) << prompt;
  }
}

// An unreadable answer in place of each line: a number prompt ends the
// session with its one error line, a name prompt takes it as a name.
TEST(HostileScriptEveryPrompt, AnUnreadableAnswerAtEachPrompt) {
  const std::vector<std::string> lines = lines_of(kEveryPhase);
  std::size_t refused = 0;
  for (std::size_t bad = 0; bad < lines.size(); ++bad) {
    SCOPED_TRACE("unreadable line " + std::to_string(bad));
    std::string script;
    for (std::size_t i = 0; i < lines.size(); ++i) script += (i == bad ? std::string("x.y") : lines[i]) + "\n";
    Session session;
    const SessionResult r = session.run(script);
    EXPECT_EQ(broken_invariant(r.status, r.out, r.err, session.folder()), "");
    if (r.status == 1) {
      ++refused;
      EXPECT_NE(r.err.find("cannot read \"x.y\" as a number"), std::string::npos) << r.err;
    } else {
      EXPECT_EQ(lines[bad], "A.txt") << "line " << bad;
    }
  }
  EXPECT_GT(refused, lines.size() / 2);
}

struct HostileDefaults {
  const char* what;
  std::string defaults;
  int status;
  std::string script = kRoadExample + "\n4\n";
  const char* shows = "";
};

void ends_in_order(const HostileDefaults& c) {
  Session session(c.defaults);
  const SessionResult r = session.run(c.script);
  EXPECT_EQ(r.status, c.status) << r.err;
  EXPECT_EQ(broken_invariant(r.status, r.out, r.err, session.folder()), "");
  EXPECT_NE(r.out.find(c.shows), std::string::npos) << c.shows;
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

// An ideal analysis on the defaults file's range, then a stripline one.
const std::string kDefaultRanges = kRoadExample + "1\nD.txt\n" + "1\n" + "\n\n\n\n\n" + "\n1\n" + "2\n" + kStripline + "1\n" +
                                   "1\n" + "\n\n\n\n\n" + kLosses + "\n1\n" + "4\n";

TEST(HostileDefaultsFile, EndsInOrder) {
  const std::vector<HostileDefaults> cases{
      HostileDefaults{"empty", "", 0, kRoadExample + "\n4\n", "Entry missing for variable: 1st line."},
      HostileDefaults{"18 lines", first_lines(shipped_defaults(), 18), 0, kRoadExample + "\n4\n",
                      "Entry missing for variable: Output Data Filename"},
      HostileDefaults{"19 lines without a final newline", without_final_newline(shipped_defaults()), 0},
      HostileDefaults{"CR LF line ends", crlf(shipped_defaults()), 0},
      HostileDefaults{"binary garbage", std::string("\0\xff\x1e\n\n\x80", 6), 0},
      HostileDefaults{"a start frequency of 0", defaults_with(16, "0"), 0, kDefaultRanges,
                      "Analysis not run: the Start Frequency is 0"},
      HostileDefaults{"a negative start frequency", defaults_with(16, "-5"), 0, kDefaultRanges,
                      "Analysis not run: the Start Frequency is -5"},
      HostileDefaults{"a step of 0", defaults_with(18, "0"), 0, kDefaultRanges,
                      "Analysis not run: the Step Frequency is 0"},
      HostileDefaults{"a step too small at the stop", defaults_with(18, "0.0004"), 0, kDefaultRanges,
                      "cannot advance the frequency near 11000"},
      HostileDefaults{"a start above the stop", defaults_with(16, "20000"), 0, kDefaultRanges,
                      "        10980.00 "},
      HostileDefaults{"a B thinner than every foil", defaults_with(13, "0.0001"), 0,
                      kRoadExample + "\n" + "\n" + "2\n\n\n2\n3\n4\n5\n6\n0.5\n" + "\n" + "1\n" + kSweep + kLosses + "\n\n" +
                          "4\n",
                      "B    =     0.000 inches  Strip Thick = 0.0000 inches"},
      HostileDefaults{"a loss tangent of 10", defaults_with(15, "10"), 0, kDefaultRanges, "Loss Tangent = *******"},
      HostileDefaults{"a negative loss tangent", defaults_with(15, "-0.001"), 0, kRoadExample,
                      "Fix entry for variable TLOS."},
      HostileDefaults{"a blank file name", defaults_with(19, "   "), 0, kRoadExample,
                      "Fix entry for variable Output Data Filename"}};
  for (const HostileDefaults& c : cases) {
    SCOPED_TRACE(c.what);
    ends_in_order(c);
  }
}

TEST(HostileDefaultsFile, CrLfAndMissingNewlineReadLikeTheShippedFile) {
  for (const std::string& text : {crlf(shipped_defaults()), without_final_newline(shipped_defaults())}) {
    Session session(text);
    const SessionResult r = session.run(kRoadExample + "\n4\n");
    EXPECT_NE(r.out.find("Qe(1) = 22.17"), std::string::npos);
  }
}

TEST(HostileDefaultsFile, DirectoryInsteadOfAFile) {
  Session session("", false);
  std::filesystem::create_directory(session.folder() / "QuorvaneDEMO.DEF");
  const SessionResult r = session.run(kRoadExample);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(lines_of(r.err).size(), 1u);
  EXPECT_NE(r.err.find("QuorvaneDEMO.DEF"), std::string::npos);
}

TEST(HostileDefaultsFile, UnreadableFile) {
  Session session;
  std::filesystem::permissions(session.folder() / "QuorvaneDEMO.DEF", std::filesystem::perms::none);
  if (std::ifstream(session.folder() / "QuorvaneDEMO.DEF").is_open()) GTEST_SKIP() << "running with root rights";
  const SessionResult r = session.run(kRoadExample);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(lines_of(r.err).size(), 1u);
}

// The checker itself: each kind of broken session is seen.
TEST(SessionInvariants, CheckerSeesEveryKindOfBreak) {
  Session session;
  const SessionResult r = session.run(kRoadExample + "1\nA.txt\n4\n");
  ASSERT_EQ(broken_invariant(r.status, r.out, r.err, session.folder()), "");
  EXPECT_NE(broken_invariant(2, r.out, "", session.folder()), "");
  EXPECT_NE(broken_invariant(1, r.out, "", session.folder()), "");
  EXPECT_NE(broken_invariant(1, r.out, "Quorvane: one\nQuorvane: two\n", session.folder()), "");
  EXPECT_NE(broken_invariant(1, r.out, "Quorvane: no line end", session.folder()), "");
  EXPECT_NE(broken_invariant(1, r.out, "terminate called after throwing\n", session.folder()), "");
  EXPECT_EQ(broken_invariant(1, r.out, "Quorvane: one line\n", session.folder()), "");
  EXPECT_NE(broken_invariant(0, r.out, "error\n", session.folder()), "");

  const std::string stored = session.file("A.txt");
  auto broken_with = [&](const std::string& text) {
    std::ofstream(session.folder() / "A.txt", std::ios::binary | std::ios::trunc) << text;
    return broken_invariant(r.status, r.out, r.err, session.folder());
  };
  EXPECT_NE(broken_with(stored + "a line of nobody's\n"), "");
  EXPECT_NE(broken_with(stored.substr(0, stored.size() - 1)), "") << "a last line without its end";
  // A prompt's text is on the console, but never in the file.
  EXPECT_NE(broken_with(stored + "     Is Output Data STORAGE desired? (1=Yes) = \n"), "");
  // The tail of a console line that is not a prompt is not a stored line.
  EXPECT_NE(broken_with(stored + "22.17.\n"), "");
  // The lines in another order.
  const std::vector<std::string> lines = lines_of(stored);
  std::string swapped;
  for (std::size_t i = lines.size(); i-- > 0;) swapped += lines[i] + "\n";
  EXPECT_NE(broken_with(swapped), "");
  EXPECT_EQ(broken_with(stored), "");
}

// The fuzz inputs' layout: a defaults file and a script around the first
// 0x1E byte, and no storage name that leaves the session's folder.
TEST(FuzzInput, SplitsAtTheFirstRecordSeparatorAndKeepsNamesInTheFolder) {
  const SessionInput plain = session_input("1\n2\n");
  EXPECT_FALSE(plain.own_defaults);
  EXPECT_EQ(plain.script, "1\n2\n");
  const SessionInput own = session_input("D\x1e" "1\n\x1e" "2\n");
  EXPECT_TRUE(own.own_defaults);
  EXPECT_EQ(own.defaults, "D");
  EXPECT_EQ(own.script, "1\n\x1e" "2\n");
  EXPECT_EQ(kept_in_folder("/etc/x\n../../y\na/b\n/"), "_etc/x\n._/._/y\na/b\n_");
}

// The seed corpus of the session fuzzer: every seed keeps the invariants,
// and together the seeds reach every phase, menu and storage occasion.
TEST(SeedCorpus, KeepsTheInvariantsAndReachesEveryPhase) {
  const std::filesystem::path corpus = std::filesystem::path(QUORVANE_SOURCE_DIR) / "fuzz" / "corpus" / "dialogue";
  std::set<std::string> reached;
  std::size_t seeds = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    ++seeds;
    const SessionInput input = session_input(read_text(entry.path()));
    Session session(input.own_defaults ? input.defaults : shipped_defaults());
    const auto start = std::chrono::steady_clock::now();
    const SessionResult r = session.run(input.script);
    const std::string name = entry.path().filename().string();
    EXPECT_LT(seconds_since(start), 5.0) << name;
    EXPECT_EQ(broken_invariant(r.status, r.out, r.err, session.folder()), "") << name;

    auto mark = [&](const std::string& phase, bool seen) {
      if (seen) reached.insert(phase);
    };
    mark("status 1", r.status == 1);
    mark("faulty defaults file", r.out.find("in Quorvane.DEF and try again.") != std::string::npos);
    mark("menu 1", r.out.find("Circuit for your Filter completed.") != std::string::npos);
    mark("menu 2", r.out.find("Dimensions for your Filter completed.") != std::string::npos);
    mark("menu 3", r.out.find("Analysis of your Bandpass Filter completed.") != std::string::npos);
    mark("microstrip dimensions", r.out.find("Construction= Microstrip") != std::string::npos);
    mark("stripline dimensions", r.out.find("Construction= Stripline") != std::string::npos);
    mark("refused strip", r.out.find("does not fit in B =") != std::string::npos);
    mark("refused sweep", r.out.find("Analysis not run:") != std::string::npos);
    // Each analysis report, by its construction: the ideal one has its
    // quarter-wave line, the others follow the latest dimensional report.
    const std::string title = "Frequency Analysis of your Parallel Coupled Line Bandpass Filter";
    for (std::size_t at = r.out.find(title); at != std::string::npos; at = r.out.find(title, at + 1)) {
      const std::size_t ideal = r.out.find("Quarterwave = ", at);
      const std::size_t table = r.out.find("Frequency     Input Port", at);
      const std::size_t table2 = r.out.find("Analysis  Input Impedance", at);
      const std::size_t first_table = std::min(table, table2);
      if (ideal < first_table) {
        reached.insert("ideal analysis");
        continue;
      }
      const std::size_t ms = r.out.rfind("Construction= Microstrip", at);
      const std::size_t sl = r.out.rfind("Construction= Stripline", at);
      if (ms != std::string::npos && (sl == std::string::npos || ms > sl)) reached.insert("microstrip analysis");
      if (sl != std::string::npos && (ms == std::string::npos || sl > ms)) reached.insert("stripline analysis");
    }
    for (const auto& file : std::filesystem::directory_iterator(session.folder())) {
      if (file.path().filename() == "QuorvaneDEMO.DEF") continue;
      const std::string stored = read_text(file.path());
      mark("stored electrical report", stored.find("Prototype") != std::string::npos);
      mark("stored dimensional report", stored.find("SYNTHESIS of Physical Dimensions") != std::string::npos);
      mark("stored analysis report", stored.find("Frequency Analysis of your") != std::string::npos);
      mark("reserved name screened", file.path().filename() == "Quorvane.XLS");
    }
  }
  EXPECT_GE(seeds, 20u);
  for (const char* phase :
       {"status 1", "faulty defaults file", "menu 1", "menu 2", "menu 3", "microstrip dimensions",
        "stripline dimensions", "refused strip", "refused sweep", "ideal analysis", "microstrip analysis",
        "stripline analysis", "stored electrical report", "stored dimensional report", "stored analysis report",
        "reserved name screened"}) {
    EXPECT_EQ(reached.count(phase), 1u) << "no seed reaches: " << phase;
  }
}

}  // namespace
}  // namespace quorvane::testing
