// quorvane --design: each printed answer script against the design file that
// says the same in engineers' units (same transcript, same storage file, and
// a record that replays it), and the one line a faulty design file gets.
#include <gtest/gtest.h>

#include "support/session.hpp"

namespace quorvane::testing {
namespace {

const std::string kRoad = "fo = 10 GHz\nbw = 5 %\nresponse = tchebyscheff\nripple = 0.1 dB\npoles = 4\nzo = 50 ohm\n";
const std::string kSweep = "sweep = 9 GHz to 11 GHz step 100 MHz\n";
const std::string kLosses = "metal = copper  # 1.7 micro-ohm cm\nroughness = 5 uin\ntand = 0.0005\n";

struct Equivalent {
  std::string heading;  // of the printed script
  std::string design;
  std::string stored;   // the storage file both write
};

TEST(DesignFile, GivesTheSessionOfEachPrintedScript) {
  const std::vector<Equivalent> cases = {
      {"Electrical synthesis only", kRoad + "storage = road.txt\n", "road.txt"},
      {"Microstrip dimensions and a lossy analysis",
       kRoad + "construction = microstrip\nh = 0.635 mm\ner = 9.8\nt = 0.5 oz\n" + kSweep + kLosses +
           "format = s\nstorage = micro.txt\n",
       "micro.txt"},
      {"Stripline",
       kRoad + "construction = stripline\nh = 125 mil\ner = 2.2\nt = 0.0014 in\n" + kSweep + kLosses +
           "format = vswr\nstorage = strip.txt\nstore = dimensions, analysis\n",
       "strip.txt"},
      {"The ideal analysis from menu 1", kRoad + kSweep + "storage = ideal.txt\nstore = analysis\n", "ideal.txt"},
      {"A re-run from menu 3",
       kRoad + "construction = microstrip\n" + kSweep + kLosses +
           "rerun = 9800 MHz to 10.2 GHz step 50 MHz\nrerun_format = vswr\nstore = rerun\nstorage = rerun.txt\n",
       "rerun.txt"}};
  const auto scripts = readme_scripts();
  ASSERT_EQ(scripts.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].heading);
    EXPECT_EQ(scripts[i].first, cases[i].heading);
    Session typed, designed;
    const SessionResult a = typed.run(scripts[i].second);
    std::ofstream(designed.folder() / "filter.design") << cases[i].design;
    const std::string record = (designed.folder() / "answers").string();
    const SessionResult b =
        designed.run("", {"--design", (designed.folder() / "filter.design").string(), "--record", record});
    EXPECT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(b.out, a.out);
    EXPECT_EQ(designed.file(cases[i].stored), typed.file(cases[i].stored));
    EXPECT_FALSE(typed.file(cases[i].stored).empty());
    Session replayed;
    EXPECT_EQ(replayed.run(designed.file("answers")).out, a.out);
  }
}

TEST(DesignFile, AFaultIsOneLineNamingItsLine) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"fo = 10 GHz\ncolour = red\n", ":2: unknown name \"colour\"."},
      {"fo = 10 GHz\n\n# h next\nfo = 9 GHz\n", ":4: fo is given twice (first on line 1)."},
      {"construction = microstrip\nh = 1.6 GHz\n", ":2: h: the unit \"ghz\" does not fit; a length (in, mil, mm, um)."},
      {"fo = 10\n", ":1: fo: the unit \"\" does not fit; a frequency (Hz, kHz, MHz, GHz)."},
      {"poles = 13\n", ":1: poles: the value is out of range: 2 to 12."},
      {"fo = 2.45 GHz\nbw = 3 %\nskirt = 2.46 GHz, 40 dB\n", ":3: skirt: the value is out of range: outside the passband."},
      {"construction = microstrip\nh = 0.2 mm\nt = 0.3 mm\n", ":3: t: the value is out of range: 0 up to below h."}};
  for (const auto& [design, error] : cases) {
    SCOPED_TRACE(design);
    Session s;
    const std::string path = (s.folder() / "d").string();
    std::ofstream(path) << design;
    const SessionResult r = s.run("", {"--design", path});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "quorvane: " + path + error + "\n");
  }
}

}  // namespace
}  // namespace quorvane::testing

namespace quorvane::testing {
namespace {

// The README's design file gives the demonstration's storage file (but its date).
TEST(DesignFile, TheReadmeDesignGivesTheDemonstration) {
  Session s;
  const std::string docs = std::string(QUORVANE_SOURCE_DIR) + "/docs/";
  ASSERT_EQ(s.run("", {"--design", docs + "demo.design"}).status, 0);
  const auto undated = [](const std::string& text) {
    std::string kept;
    for (const std::string& l : lines_of(text)) kept += l.find("Date:") == std::string::npos ? l + "\n" : "\n";
    return kept;
  };
  EXPECT_EQ(undated(s.file("demo.txt")), undated(read_text(docs + "demo.txt")));
}

}  // namespace
}  // namespace quorvane::testing
