#include "fields/fields_app.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/report_fixtures.hpp"

namespace quorvane::fields {
namespace {

namespace fs = std::filesystem;
using namespace quorvane::view;
using namespace quorvane::view::testing;

const SolveOptions kCoarse{0.0, 6, 2};  // two mesh levels: the files, not the accuracy

class FieldsFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("quorvane-fields-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  FieldsResult run(const std::string& text) {
    const fs::path p = dir_ / "road.txt";
    std::ofstream(p, std::ios::binary) << text;
    console_.str("");
    log_.str("");
    return run_fields(p, dir_, console_, log_, kCoarse);
  }

  fs::path dir_;
  std::ostringstream console_, log_;
};

TEST_F(FieldsFolder, OneTablePerReportAndOnePicturePerDistinctSection) {
  const FieldsResult r = run(join({electrical_report(stamp_a(), road_summary(), road_electrical()),
                                   dimension_report(stamp_a(), road_summary(), road_stripline())}));
  EXPECT_EQ(r.status, 0) << log_.str();
  std::vector<std::string> names;
  for (const auto& p : r.written) names.push_back(p.filename().string());
  const std::vector<std::string> want{"road-2-fields.txt", "road-2-fields-1.svg", "road-2-fields-2.svg",
                                      "road-2-fields-3.svg"};
  EXPECT_EQ(names, want);
  std::ifstream f(dir_ / "road-2-fields.txt");
  const std::string table((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_NE(console_.str().find(table), std::string::npos);
  // B recovered from the five-digit mode limit, not the printed 0.063.
  EXPECT_NE(table.find("B = 0.06250 inches"), std::string::npos) << table;
  // The closed-form columns of stripline are the synthesis' Zoe and Zoo.
  EXPECT_NE(table.find("   66.849 40.234   2.200  2.200"), std::string::npos) << table;
  EXPECT_NE(table.find("Largest difference:"), std::string::npos);
}

TEST_F(FieldsFolder, BadInputOneLineEachAndTheStatus) {
  DimensionTable unrealisable = road_stripline();
  unrealisable.rows[1].realizable = false;
  DimensionTable zero_width = road_microstrip();
  zero_width.rows[0].w_in = zero_width.rows[0].w_mm = 0.0f;
  DimensionTable too_thick = road_stripline();
  too_thick.thick_in = 0.07f;
  const struct {
    std::string text;
    int status;
    std::string line;
  } cases[] = {
      {join({electrical_report(stamp_a(), road_summary(), road_electrical())}), 1, "no dimensional report"},
      {join({dimension_report(stamp_a(), road_summary(), unrealisable)}), 2,
       "report 1, section 2: not realizable in stripline"},
      {join({dimension_report(stamp_a(), road_summary(), zero_width)}), 2,
       "report 1, section 1: the strip width is not a positive length"},
      {join({dimension_report(stamp_a(), road_summary(), too_thick)}), 1, "as thick as the ground-plane spacing"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(run(c.text).status, c.status) << c.line;
    EXPECT_NE(log_.str().find(c.line), std::string::npos) << log_.str();
  }
}

TEST_F(FieldsFolder, ExecutableHelpVersionAndUsage) {
  const std::string bin = std::string("'") + QUORVANE_FIELDS_BINARY + "'";
  EXPECT_EQ(std::system((bin + " --help >/dev/null").c_str()), 0);
  const std::string out = (dir_ / "v").string();
  EXPECT_EQ(std::system((bin + " --version >'" + out + "'").c_str()), 0);
  std::ifstream v(out);
  std::string line;
  std::getline(v, line);
  EXPECT_EQ(line.rfind("quorvane-fields ", 0), 0u) << line;
  EXPECT_NE(std::system((bin + " >/dev/null 2>&1").c_str()), 0);
}

}  // namespace
}  // namespace quorvane::fields
