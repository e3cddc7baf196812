// The session scripts of README.md's "Scripting a session", taken from the
// README itself and run through the program as a user would run them: each
// must reach its path's end with every line read as an answer.
#include <cstdlib>

#include <gtest/gtest.h>

#include "support/session.hpp"

namespace quorvane::testing {
namespace {

namespace fs = std::filesystem;

struct ReadmeScript {
  std::string heading;  // the "### " heading above it
  std::string text;
};

// Every ```text block of the section, under the heading before it.
std::vector<ReadmeScript> readme_scripts() {
  const std::vector<std::string> lines = lines_of(read_text(fs::path(QUORVANE_SOURCE_DIR) / "README.md"));
  std::vector<ReadmeScript> scripts;
  bool in_section = false, in_block = false;
  std::string heading;
  for (const std::string& l : lines) {
    if (l.rfind("## ", 0) == 0) in_section = l == "## Scripting a session";
    if (!in_section) continue;
    if (l.rfind("### ", 0) == 0) heading = l.substr(4);
    if (in_block && l == "```") {
      in_block = false;
    } else if (in_block) {
      scripts.back().text += l + "\n";
    } else if (l == "```text") {
      in_block = true;
      scripts.push_back({heading, ""});
    }
  }
  return scripts;
}

struct PathEnd {
  const char* heading;
  int tables;                      // analysis tables printed
  std::vector<std::string> shows;  // on the console
};

TEST(ReadmeScripts, EveryPathRunsToItsEnd) {
  const std::vector<PathEnd> paths = {
      {"Electrical synthesis only", 0, {"End Section`s External Q", "filename: road.txt"}},
      {"Microstrip dimensions and a lossy analysis", 1,
       {"Construction= Microstrip", "Loss Tangent = 0.00050", "Thru Loss: S21", "Data stored in User filename: micro.txt"}},
      {"Stripline", 1, {"Construction= Stripline", "Input Impedance, Ohms", "Data stored in User filename: strip.txt"}},
      {"The ideal analysis from menu 1", 1, {"Quarterwave =", "Loss Tangent = 0.00000"}},
      {"A re-run from menu 3", 2, {"Construction= Microstrip", "Data stored in User filename: rerun.txt"}},
  };
  const std::vector<ReadmeScript> scripts = readme_scripts();
  ASSERT_EQ(scripts.size(), paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    SCOPED_TRACE(scripts[i].heading);
    EXPECT_EQ(scripts[i].heading, paths[i].heading);
    Session session;
    std::ofstream(session.folder() / "script") << scripts[i].text;
    const std::string cmd = "cd '" + session.folder().string() + "' && '" + QUORVANE_BINARY +
                            "' --record check <script >out 2>err; echo $? >rc";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(session.file("rc"), "0\n") << session.file("err");
    EXPECT_EQ(session.file("err"), "");
    EXPECT_EQ(session.file("check"), scripts[i].text);  // every line read, none left over
    const std::string out = session.file("out");
    std::size_t tables = 0;
    for (std::size_t at = out.find("Source Impedance: Zs = "); at != std::string::npos;
         at = out.find("Source Impedance: Zs = ", at + 1))
      ++tables;
    EXPECT_EQ(tables, static_cast<std::size_t>(paths[i].tables));
    for (const std::string& s : paths[i].shows) EXPECT_NE(out.find(s), std::string::npos) << s;
  }
}

}  // namespace
}  // namespace quorvane::testing
