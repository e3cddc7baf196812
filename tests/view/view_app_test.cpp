#include "view/view_app.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/wait.h>

#include "support/session.hpp"
#include "support/report_fixtures.hpp"

namespace quorvane::view {

using namespace quorvane::stored;
namespace {

namespace fs = std::filesystem;
using namespace quorvane::view::testing;
using quorvane::testing::read_text;

class ViewFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("quorvane-view-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path write(const std::string& name, const std::string& text) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << text;
    return p;
  }

  std::vector<std::string> names(const ViewResult& r) const {
    std::vector<std::string> n;
    for (const auto& p : r.written) n.push_back(p.filename().string());
    return n;
  }

  fs::path dir_;
};

TEST_F(ViewFolder, NamesFilesAfterTheStorageFileAndReportPosition) {
  const fs::path f = write("road.txt", join({electrical_report(stamp_a(), road_summary(), road_electrical()),
                                             dimension_report(stamp_a(), road_summary(), road_microstrip()),
                                             analysis_report(stamp_a(), road_summary(), road_analysis(1, 50, 50)),
                                             dimension_report(stamp_a(), road_summary(), road_stripline()),
                                             analysis_report(stamp_a(), road_summary(), road_analysis(2, 50, 50)),
                                             analysis_report(stamp_b(), road_summary(), road_analysis(1, 50, 75))}));
  std::ostringstream log;
  const ViewResult r = run_view(f, dir_ / "out", log);
  EXPECT_EQ(r.status, 0) << log.str();
  const std::vector<std::string> want{
      "road-2-layout.svg", "road-2.dxf", "road-2.kicad_mod", "road-2-copper.gbr", "road-2-ground-bottom.gbr",
      "road-2-mask-top.gbr", "road-2-mask-bottom.gbr", "road-2-outline.gbr", "road-2.gbrjob",
      "road-3-response.svg", "road-3-passband.svg", "road-3-delay.svg",   "road-3.s2p",
      "road-4-layout.svg", "road-4.dxf", "road-4.kicad_mod", "road-4-ground-top.gbr", "road-4-copper.gbr",
      "road-4-ground-bottom.gbr", "road-4-mask-top.gbr", "road-4-mask-bottom.gbr", "road-4-outline.gbr",
      "road-4.gbrjob",
      "road-5-response.svg", "road-5-passband.svg", "road-5-delay.svg",   "road-6-response.svg",
      "road-6-passband.svg", "road-6-delay.svg",    "road-6.s1p"};
  EXPECT_EQ(names(r), want);
  for (const auto& p : r.written) {
    EXPECT_TRUE(fs::exists(p));
    EXPECT_GT(fs::file_size(p), 100u) << p;
  }
  // The analysis after a stripline synthesis of the same cycle is titled so.
  std::ifstream svg(dir_ / "out" / "road-5-response.svg");
  const std::string doc((std::istreambuf_iterator<char>(svg)), std::istreambuf_iterator<char>());
  EXPECT_NE(doc.find("Stripline"), std::string::npos);
}

TEST_F(ViewFolder, ConstructionOfAnAnalysisComesFromItsOwnCycle) {
  std::istringstream in(join({dimension_report(stamp_a(), road_summary(), road_microstrip()),
                              analysis_report(stamp_a(), road_summary(), road_analysis(1, 50, 50)),
                              analysis_report(stamp_b(), road_summary(), road_analysis(1, 50, 50))}));
  const ParsedStorage p = parse_storage(in);
  ASSERT_EQ(p.reports.size(), 3u);
  EXPECT_EQ(analysis_construction(p, p.reports[1]), "Microstrip");
  EXPECT_EQ(analysis_construction(p, p.reports[2]), "");  // a later cycle: not known
}

struct StatusCase {
  const char* name;
  std::string text;
  int status;
  size_t files;
  const char* log_part;
};

std::vector<StatusCase> status_cases() {
  AnalysisTable t = road_analysis(1, 50, 50);
  Lines damaged = analysis_report(stamp_a(), road_summary(), t);
  for (std::string& s : damaged)
    if (s == format1_row(t.rows[3])) s.replace(47, 8, "********");  // the F8.3 reactance field
  Lines cut = dimension_report(stamp_a(), road_summary(), road_microstrip());
  cut.resize(23);
  return {
      {"electrical only", join({electrical_report(stamp_a(), road_summary(), road_electrical())}), 0, 0, "electrical"},
      {"asterisk row", join({damaged}), 2, 4, "skipped"},  // response, passband, delay, s2p
      {"damaged dimension table", join({cut}), 2, 0, "not closed"},
      {"no report", "hello\n", 1, 0, "no report found"},
  };
}

class ViewStatus : public ViewFolder, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(ViewStatus, ExitStatusFilesAndMessage) {
  const StatusCase& c = GetParam();
  std::ostringstream log;
  const ViewResult r = run_view(write("s.txt", c.text), dir_, log);
  EXPECT_EQ(r.status, c.status) << log.str();
  EXPECT_EQ(r.written.size(), c.files) << log.str();
  EXPECT_NE(log.str().find(c.log_part), std::string::npos) << log.str();
}

INSTANTIATE_TEST_SUITE_P(Cases, ViewStatus, ::testing::ValuesIn(status_cases()), [](const auto& info) {
  std::string n = info.param.name;
  for (char& ch : n)
    if (ch == ' ') ch = '_';
  return n;
});

// An output folder that cannot be made (its parent is a regular file, which
// stops root as well) while a row is also skipped: the failed write wins,
// status 1, and the log still names the skipped row.  The executable exits
// with the same status, and its help says so.
TEST_F(ViewFolder, UnwritableOutputOutweighsASkippedRow) {
  StatusCase skipped{};
  for (const StatusCase& c : status_cases())
    if (std::string(c.name) == "asterisk row") skipped = c;
  ASSERT_EQ(skipped.status, 2);
  const fs::path f = write("s.txt", skipped.text);
  const fs::path blocked = write("not-a-folder", "") / "out";
  std::ostringstream log;
  const ViewResult r = run_view(f, blocked, log);
  EXPECT_EQ(r.status, 1) << log.str();
  EXPECT_TRUE(r.written.empty()) << log.str();
  EXPECT_NE(log.str().find("skipped"), std::string::npos) << log.str();
  EXPECT_NE(log.str().find((blocked / "s-1-response.svg").string()), std::string::npos) << log.str();
  EXPECT_NE(log.str().find("cannot make the folder " + blocked.parent_path().string() + ": Not a directory"),
            std::string::npos) << log.str();

  const std::string cmd = std::string("'") + QUORVANE_VIEW_BINARY + "' '" + f.string() + "' -o '" +
                          blocked.string() + "' 2>/dev/null";
  const int code = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(code));
  EXPECT_EQ(WEXITSTATUS(code), 1);
  const std::string help = std::string("'") + QUORVANE_VIEW_BINARY + "' --help > '" + (dir_ / "help").string() + "'";
  ASSERT_EQ(std::system(help.c_str()), 0);
  std::ifstream in(dir_ / "help");
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("1 wins over 2"), std::string::npos) << text;
}

TEST_F(ViewFolder, MissingFileIsAnError) {
  std::ostringstream log;
  EXPECT_EQ(run_view(dir_ / "absent.txt", dir_, log).status, 1);
  EXPECT_NE(log.str().find("cannot open"), std::string::npos);
}

TEST_F(ViewFolder, ExecutableWritesIntoTheOutputFolder) {
  const fs::path f = write("demo.txt", join({dimension_report(stamp_a(), road_summary(), road_stripline())}));
  const std::string cmd = std::string("'") + QUORVANE_VIEW_BINARY + "' '" + f.string() + "' -o '" +
                          (dir_ / "o").string() + "' 2>/dev/null";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_TRUE(fs::exists(dir_ / "o" / "demo-1-layout.svg"));
  EXPECT_TRUE(fs::exists(dir_ / "o" / "demo-1.dxf"));
  const std::string usage = std::string("'") + QUORVANE_VIEW_BINARY + "' >/dev/null 2>&1";
  EXPECT_NE(std::system(usage.c_str()), 0);  // no file given
  for (const char* scale : {"-s 1", "--scale 1"}) {
    fs::remove_all(dir_ / "o");
    EXPECT_EQ(std::system((cmd + " " + scale).c_str()), 0) << scale;
    EXPECT_NE(read_text(dir_ / "o" / "demo-1-layout.svg").find("Scale 1:1 when printed"), std::string::npos) << scale;
  }
  for (const char* bad : {"-s 0", "-s x", "-s -2", "-s 1mm", "-m 0", "--margin 1001"})
    EXPECT_NE(std::system((cmd + " " + bad).c_str()), 0) << bad;
}

}  // namespace
}  // namespace quorvane::view
