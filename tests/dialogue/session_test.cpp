// Whole dialogue sessions: the console transcript and the storage file of a
// scripted session are compared with reviewed golden copies.
#include <gtest/gtest.h>

#include "support/session.hpp"

namespace quorvane::testing {
namespace {

// The road example: 10 GHz, 500 MHz bandwidth, Chebyshev 0.1 dB, 4 poles,
// 50 ohm, default image impedances.
constexpr const char* kRoadExample = "10000\n500\n1\n0.1\n1\n4\n50\n\n\n\n";

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
                      AbruptEnd{"end at menu 1", std::string(kRoadExample) + "\n", "OPERATION"}));

TEST(Session, MissingDefaultsFileEndsWithStatusOne) {
  Session session("", false);
  const SessionResult r = session.run(kRoadExample);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("QuorvaneDEMO.DEF"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace quorvane::testing
