// Whole dialogue sessions: the console transcript and the storage file of a
// scripted session are compared with reviewed golden copies.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/session.hpp"

namespace quorvane::testing {
namespace {

// The road example: 10 GHz, 500 MHz bandwidth, Chebyshev 0.1 dB, 4 poles,
// 50 ohm, default image impedances.

TEST(Session, RoadExampleElectricalReportThenExit) {
  Session session;
  const SessionResult r = session.run(std::string(kRoadExample) + "1\nroad.txt\n4\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  expect_golden("road_electrical.out", r.out);
  expect_golden("road_electrical.txt", session.file("road.txt"));
}

TEST(Session, NewDesignCycleFromMenu1StartsAgainWithTheBanner) {
  Session session;
  const SessionResult r = session.run(std::string(kRoadExample) + "\n3\n" + kRoadExample + "\n4\n");
  EXPECT_EQ(r.status, 0);
  expect_golden("road_twice.out", r.out);
}

struct AbruptEnd {
  const char* what;
  std::string script;
  const char* prompt;  // the prompt named in the error line
};

class SessionEndsAbruptly : public ::testing::TestWithParam<AbruptEnd> {};

TEST_P(SessionEndsAbruptly, StatusOneAndOneErrorLine) {
  Session session;
  const SessionResult r = session.run(GetParam().script);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(GetParam().prompt), std::string::npos) << r.err;
  EXPECT_EQ(lines_of(r.err).size(), 1u) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Dialogue, SessionEndsAbruptly,
    ::testing::Values(AbruptEnd{"no input", "", "Center Frequency"},
                      AbruptEnd{"unreadable number", "abc\n", "Center Frequency"},
                      AbruptEnd{"end at the storage question", std::string(kRoadExample), "STORAGE"},
                      AbruptEnd{"end at menu 1", std::string(kRoadExample) + "\n", "OPERATION"}),
    [](const ::testing::TestParamInfo<AbruptEnd>& info) { return "case" + std::to_string(info.index); });

// A session with a check on what its transcript holds and lacks.
struct EntryCase {
  const char* what;
  std::string script;
  std::vector<std::string> shows;
  std::vector<std::string> lacks;
};

class DesignEntry : public ::testing::TestWithParam<EntryCase> {};

TEST_P(DesignEntry, TranscriptShowsTheEffect) {
  Session session;
  // Menu 1 (after the storage question, when the script leaves it open) exits.
  const SessionResult r = session.run(GetParam().script + "4\n4\n");
  EXPECT_EQ(r.status, 0) << GetParam().what << "\n" << r.err;
  for (const std::string& s : GetParam().shows) EXPECT_NE(r.out.find(s), std::string::npos) << GetParam().what << ": " << s;
  for (const std::string& s : GetParam().lacks) EXPECT_EQ(r.out.find(s), std::string::npos) << GetParam().what << ": " << s;
}

INSTANTIATE_TEST_SUITE_P(
    Dialogue, DesignEntry,
    ::testing::Values(
        EntryCase{"Butterworth skips the ripple", "10000\n500\n2\n1\n4\n50\n\n\n\n\n",
                  {"Ripple (Am) = 0.0000 dB", "Response    = Butterworth", "BW3dB=   500.000 MHz"},
                  {"Enter Passband RIPPLE in dB ="}},
        EntryCase{"response 3 keeps the default", "10000\n500\n3\n0.1\n1\n4\n50\n\n\n\n\n",
                  {"Response    = Tchebyscheff"}, {}},
        EntryCase{"skirt path counts 5 poles",
                  "10000\n500\n1\n0.1\n2\n10750\n40\n50\n\n\n\n\n",
                  {"-Number of Sections/Poles needed = 5", "-Skirt Attenuation achieved      =  52.8 dB",
                   "# of Poles  =  5"},
                  {}},
        EntryCase{"method 5 is the skirt method", "10000\n500\n1\n0.1\n5\n10750\n40\n50\n\n\n\n\n",
                  {"Out of band Skirt Frequency,MHz =", "# of Poles  =  5"}, {}},
        EntryCase{"13 poles refused, 12 accepted", "10000\n500\n1\n0.1\n1\n13\n1\n12\n50\n\n\n\n\n\n\n\n",
                  {"ERROR: Number of Poles in Filter cannot exceed N = 12.", "# of Poles  = 12",
                   "Image Impedance of Section 1 and 13,Ohms="},
                  {}},
        EntryCase{"one pole gives the default", "10000\n500\n1\n0.1\n1\n1\n50\n\n\n\n\n",
                  {"# of Poles  =  4"}, {}},
        EntryCase{"negative image impedance taken as positive", "10000\n500\n1\n0.1\n1\n4\n50\n-35\n\n\n\n",
                  {"    35.00 "}, {}},
        EntryCase{"empty answers give the defaults file's values", "\n\n\n\n\n\n\n\n\n\n\n",
                  {"Fo   = 10000.000 MHz", "Ripple (Am) = 0.0500 dB", "# of Poles  =  4", "Zo of System=  50.00 Ohms"},
                  {}}),
    [](const ::testing::TestParamInfo<EntryCase>& info) { return "case" + std::to_string(info.index); });

// The smallest and the largest N the pole prompt takes (1 < N < 13) are
// used as entered, and the image impedances asked are those of sections 1
// to (N+2)/2, each with its mirror section N+2-i, in order.
struct PoleCount {
  int n;
  std::vector<std::string> pairs;  // "i and l" of each image-impedance prompt
};

class PolePrompt : public ::testing::TestWithParam<PoleCount> {};

TEST_P(PolePrompt, TakesNAndAsksItsImageImpedances) {
  const PoleCount& c = GetParam();
  Session session;
  // Default image impedances, no storage, menu 1 exits.
  const SessionResult r = session.run("10000\n500\n1\n0.1\n1\n" + std::to_string(c.n) + "\n50\n" +
                                      std::string(c.pairs.size(), '\n') + "4\n4\n");
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string poles = c.n < 10 ? " " + std::to_string(c.n) : std::to_string(c.n);
  EXPECT_NE(r.out.find("# of Poles  = " + poles), std::string::npos) << r.out;
  const std::string prompt = "-Image Impedance of Section";
  std::vector<std::string> asked;
  for (size_t at = r.out.find(prompt); at != std::string::npos; at = r.out.find(prompt, at + 1)) {
    const size_t from = at + prompt.size();
    asked.push_back(r.out.substr(from, r.out.find(",Ohms=", from) - from));
  }
  EXPECT_EQ(asked, c.pairs);
}

INSTANTIATE_TEST_SUITE_P(
    Dialogue, PolePrompt,
    ::testing::Values(PoleCount{2, {" 1 and  3", " 2 and  2"}},
                      PoleCount{12, {" 1 and 13", " 2 and 12", " 3 and 11", " 4 and 10", " 5 and  9", " 6 and  8",
                                     " 7 and  7"}}),
    [](const ::testing::TestParamInfo<PoleCount>& info) { return "N" + std::to_string(info.param.n); });

struct StorageAnswer {
  const char* answer;
  bool stores;
};

class FirstStorageQuestion : public ::testing::TestWithParam<StorageAnswer> {};

TEST_P(FirstStorageQuestion, YesStoresIntoTheDefaultName) {
  Session session;
  const SessionResult r = session.run(std::string(kRoadExample) + GetParam().answer + "\n" +
                                       (GetParam().stores ? "\n" : "") + "4\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(session.exists("QuorvaneOUT.txt"), GetParam().stores) << GetParam().answer;
  if (GetParam().stores) {
    EXPECT_NE(session.file("QuorvaneOUT.txt").find("Qe(1) = 22.17"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, FirstStorageQuestion,
                         ::testing::Values(StorageAnswer{"1", true}, StorageAnswer{"-1", true},
                                           StorageAnswer{"1.4", true}, StorageAnswer{"2", false},
                                           StorageAnswer{"0", false}, StorageAnswer{"", false}));

TEST(Session, MissingDefaultsFileEndsWithStatusOne) {
  Session session("", false);
  const SessionResult r = session.run(kRoadExample);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("QuorvaneDEMO.DEF"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace quorvane::testing

namespace quorvane::testing {
namespace {

// Menu choices that no menu offers end the program in order, however absurd.
class Menu1OutOfRange : public ::testing::TestWithParam<const char*> {};

TEST_P(Menu1OutOfRange, ExitsWithStatusZero) {
  Session session;
  const SessionResult r = session.run(std::string(kRoadExample) + "\n" + GetParam() + "\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find("OPERATION selected = "), std::string::npos);
  EXPECT_EQ(r.out.rfind("OPERATION selected = "), r.out.size() - std::string("OPERATION selected = ").size());
}

INSTANTIATE_TEST_SUITE_P(Choices, Menu1OutOfRange, ::testing::Values("7", "4", "1E30", "-1E30", "4.6"));

}  // namespace
}  // namespace quorvane::testing
