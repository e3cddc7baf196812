// What goes on to a board house and a simulator: the Gerber files read back
// by gerbv, the 1:1 sheet, passive Touchstone rows with increasing
// frequencies, the passband and group delay plots, the DXF's unit comment.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <unistd.h>

#include "dialogue/fortran_format.hpp"
#include "support/session.hpp"
#include "view/filter_layout.hpp"
#include "view/gerber.hpp"
#include "view/layout_writers.hpp"
#include "view/readback.hpp"
#include "view/report_fixtures.hpp"
#include "view/svg_plot.hpp"
#include "view/touchstone.hpp"
#include "view/view_app.hpp"

namespace quorvane::view {
namespace {

namespace fs = std::filesystem;
using namespace quorvane::view::testing;
using quorvane::testing::read_text;

double shoelace(const std::vector<std::pair<double, double>>& p) {
  double a = 0.0;
  for (size_t i = 0; i < p.size(); ++i) {
    const auto& [x0, y0] = p[i];
    const auto& [x1, y1] = p[(i + 1) % p.size()];
    a += x0 * y1 - x1 * y0;
  }
  return std::fabs(a) / 2.0;
}

struct GerbvView {
  int status = -1;
  std::string warnings;  // gerbv's error stream
  double fill_area_mm2 = 0.0;
  double width_mm = 0.0, height_mm = 0.0;  // extent of everything it drew
};

// gerbv's SVG export of a Gerber file: filled paths (regions) summed by
// area, all points for the extent; cairo writes points (1/72 inch), with
// an optional matrix(a,0,0,d,e,f) per path.
GerbvView gerbv_view(const fs::path& gbr) {
  GerbvView v;
  const fs::path svg = gbr.string() + ".svg", err = gbr.string() + ".err";
  const std::string cmd = "gerbv -x svg -o '" + svg.string() + "' '" + gbr.string() + "' 2>'" + err.string() + "'";
  v.status = std::system(cmd.c_str());
  v.warnings = read_text(err);
  const std::string doc = fs::exists(svg) ? read_text(svg) : "";
  const std::regex path_re("<path style=\"([^\"]*)\" d=\"([^\"]*)\"( transform=\"matrix\\(([^)]*)\\)\")?");
  const double pt = 25.4 / 72.0;
  double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
  for (auto it = std::sregex_iterator(doc.begin(), doc.end(), path_re); it != std::sregex_iterator(); ++it) {
    double m[6] = {1, 0, 0, 1, 0, 0};
    if ((*it)[4].matched) {
      std::istringstream ms(std::regex_replace((*it)[4].str(), std::regex(","), " "));
      for (double& c : m) ms >> c;
    }
    std::istringstream d((*it)[2].str());
    std::vector<std::vector<std::pair<double, double>>> rings;
    for (std::string tok; d >> tok;) {
      if (tok == "M") rings.emplace_back();
      if (tok == "M" || tok == "L") {
        double x = 0, y = 0;
        d >> x >> y;
        const double px = (m[0] * x + m[4]) * pt, py = (m[3] * y + m[5]) * pt;
        rings.back().push_back({px, py});
        x0 = std::min(x0, px), x1 = std::max(x1, px), y0 = std::min(y0, py), y1 = std::max(y1, py);
      }
    }
    if ((*it)[1].str().find("fill:rgb") != std::string::npos)
      for (const auto& r : rings) v.fill_area_mm2 += shoelace(r);
  }
  v.width_mm = x1 - x0;
  v.height_mm = y1 - y0;
  return v;
}

class GerberReadBack : public ::testing::TestWithParam<int> {};

TEST_P(GerberReadBack, GerbvLoadsItAndRendersTheDrawnCopper) {
  if (std::system("command -v gerbv >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "gerbv is not installed (tools/ensure-toolchain installs it)";
  const DimensionTable t = GetParam() == 0 ? road_microstrip() : road_stripline();
  const FilterLayout lay = build_layout(t, 4);
  const float h = t.height_in * 25.4f;
  const Rect board = board_outline(lay, h);
  const fs::path dir = fs::temp_directory_path() / ("quorvane-gerber-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string copper = gerber_copper(lay, "road"), outline = gerber_outline(board, "road");
  for (const std::string* g : {&copper, &outline}) {
    EXPECT_NE(g->find("\n%FSLAX46Y46*%\n%MOMM*%\n"), std::string::npos);
    EXPECT_NE(g->find("G04 #@! TF.GenerationSoftware,Quorvane,quorvane-view," QUORVANE_VERSION "*\n"),
              std::string::npos);
    EXPECT_EQ(g->find("%TF"), std::string::npos);
  }
  EXPECT_NE(copper.find("G04 #@! TF.FileFunction,Copper,L1,Top*"), std::string::npos);
  EXPECT_NE(outline.find("G04 #@! TF.FileFunction,Profile,NP*"), std::string::npos);
  std::ofstream(dir / "c.gbr") << copper;
  std::ofstream(dir / "o.gbr") << outline;

  double drawn = 0.0;
  for (const Strip& s : lay.strips) {
    std::vector<std::pair<double, double>> ring;
    for (const Point& p : s.outline) ring.push_back({p.x, p.y});
    drawn += shoelace(ring);
  }
  const GerbvView c = gerbv_view(dir / "c.gbr");
  EXPECT_EQ(c.status, 0);
  EXPECT_EQ(c.warnings, "");
  EXPECT_NEAR(c.fill_area_mm2, drawn, 0.01 * drawn);
  // The outline: the copper's length (feeds to the short edges) and a
  // substrate height beyond the copper on each long side; 0.1 mm line.
  const GerbvView o = gerbv_view(dir / "o.gbr");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.warnings, "");
  EXPECT_NEAR(o.width_mm, lay.bounds.x1 - lay.bounds.x0, 0.02);
  EXPECT_NEAR(o.height_mm, lay.bounds.y1 - lay.bounds.y0 + 2.0f * h, 0.02);
  EXPECT_EQ(lay.strips.front().parts.front().x0, board.x0);
  EXPECT_EQ(lay.strips.back().parts.back().x1, board.x1);
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Constructions, GerberReadBack, ::testing::Values(0, 1));

// ---- The sheet at a chosen scale ------------------------------------------

TEST(LayoutScale, SheetSizeFollowsTheChosenScale) {
  DimensionTable t = road_stripline();
  for (DimensionRow& r : t.rows) r.length_in = 80.0f / 25.4f;  // 400 mm of copper: wider than the lettering
  t.total_in = 5.0f * t.rows[0].length_in;
  const FilterLayout lay = build_layout(t, 4);
  const float copper_w = lay.bounds.x1 - lay.bounds.x0;
  for (const auto& [scale, text] : {std::pair{1.0f, "1:1"}, {2.5f, "2.5:1"}, {0.5f, "1:2"}}) {
    const std::string svg = layout_svg(lay, t, "Layout", scale);
    EXPECT_NE(svg.find(std::string("Scale ") + text + " when printed"), std::string::npos) << text;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(svg, m, std::regex("width=\"([0-9.]+)mm\" height=\"([0-9.]+)mm\" viewBox=\"([-0-9.]+) "
                                                     "([-0-9.]+) ([0-9.]+) ([0-9.]+)\"")));
    const float margin = 2.0f * 3.5f / scale;  // two letter heights
    EXPECT_NEAR(std::stof(m[5]), copper_w + 2.0f * margin, 1e-3f) << text;
    EXPECT_NEAR(std::stof(m[3]), lay.bounds.x0 - margin, 1e-3f) << text;
    EXPECT_NEAR(std::stof(m[1]), scale * std::stof(m[5]), 0.01f) << text;
    EXPECT_NEAR(std::stof(m[2]), scale * std::stof(m[6]), 0.01f) << text;
    EXPECT_TRUE(legible_sheet(svg, 3.4f)) << text;
  }
}

// ---- Touchstone for a simulator -------------------------------------------

struct PassiveCase {
  float s11db, s21db;
  bool adjusted, passive;
};

class PassiveRows : public ::testing::TestWithParam<PassiveCase> {};

TEST_P(PassiveRows, StayWithinTheirRounding) {
  const PassiveCase& c = GetParam();
  const PassiveRow r = passive_magnitudes(c.s11db, c.s21db);
  EXPECT_EQ(r.adjusted, c.adjusted);
  EXPECT_EQ(r.passive, c.passive);
  if (c.passive) EXPECT_LE(r.s11 * r.s11 + r.s21 * r.s21, 1.0);
  EXPECT_LE(std::fabs(20.0 * std::log10(r.s11) - c.s11db), 0.01 + 1e-6);
  EXPECT_LE(std::fabs(20.0 * std::log10(r.s21) - c.s21db), 0.0005);
}

INSTANTIATE_TEST_SUITE_P(Rows, PassiveRows,
                         ::testing::Values(PassiveCase{-20.0f, -0.1f, false, true},      // passive as printed
                                           PassiveCase{-0.00f, -29.6f, true, true},      // return loss 0.00 dB
                                           PassiveCase{-40.84f, -0.000f, true, true},    // S21 at its rounding
                                           PassiveCase{-12.0f, -0.176f, false, false}));  // beyond rounding

// The stored ideal analysis of the demonstration design (10 Enter answers,
// storage 1 demo_ideal.txt, analysis 9100 ... 10900 MHz in 2 MHz steps).
TEST(TouchstoneExport, StoredIdealAnalysisOfTheDemoIsPassive) {
  std::istringstream in(read_text(fs::path(QUORVANE_SOURCE_DIR) / "tests" / "data" / "demo_ideal.txt"));
  const ParsedStorage p = parse_storage(in);
  ASSERT_EQ(p.reports.size(), 2u);
  const Report& r = p.reports[1];
  const AnalysisTable& t = std::get<AnalysisTable>(r.table);
  ASSERT_EQ(t.rows.size(), 901u);
  int above = 0;
  for (const AnalysisRow& row : t.rows)
    above += std::pow(10.0, row.s11db / 10.0) + std::pow(10.0, row.s21db / 10.0) > 1.0 ? 1 : 0;
  const TouchstoneFile f = touchstone(r, t, "demo_ideal.txt", {analysis_construction(p, r), analysis_substrate(p, r)});
  EXPECT_GT(above, 500);
  EXPECT_EQ(f.rows_adjusted, above);
  EXPECT_EQ(f.rows_not_passive, 0);
  std::istringstream text(f.text);
  int rows = 0;
  for (std::string line; std::getline(text, line);) {
    if (line[0] == '!' || line[0] == '#') continue;
    std::istringstream ls(line);
    double freq, s11, a11, s21;
    ls >> freq >> s11 >> a11 >> s21;
    EXPECT_LE(s11 * s11 + s21 * s21, 1.0) << line;
    ++rows;
  }
  EXPECT_EQ(rows, 901);
  EXPECT_NE(f.text.find("! Construction: ideal lines in air; substrate: air, Er 1.000\n"), std::string::npos);
}

TEST(TouchstoneExport, CommentsNameTheDesignAndItsSubstrate) {
  std::istringstream in(read_text(fs::path(QUORVANE_SOURCE_DIR) / "docs" / "demo.txt"));
  const ParsedStorage p = parse_storage(in);
  const Report& r = p.reports.at(2);
  const TouchstoneFile f = touchstone(r, std::get<AnalysisTable>(r.table), "demo.txt",
                                      {analysis_construction(p, r), analysis_substrate(p, r)});
  EXPECT_EQ(f.text.rfind("! Quorvane frequency analysis, report 3 of demo.txt\n! Tchebyscheff, 4 poles, Fo 10000.000 "
                         "MHz, BW 500.000 MHz",
                         0),
            0u);
  EXPECT_NE(f.text.find("! Construction: Microstrip; substrate: Er 9.800, H 0.6350 mm, strip thickness 0.0000 mm\n"),
            std::string::npos);
}

TEST(TouchstoneExport, FineSweepGivesStrictlyIncreasingFrequencies) {
  Report rep;
  rep.summary = road_summary();
  AnalysisTable t = road_analysis(1, 50.0f, 50.0f);
  const AnalysisRow model = t.rows[10];
  t.rows.assign(100001, model);
  std::set<std::string> printed;
  for (size_t i = 0; i < t.rows.size(); ++i) {
    t.rows[i].freq = 9500.0f + 0.009f * static_cast<float>(i);
    printed.insert(fmt::F(t.rows[i].freq, 16, 2));
  }
  const TouchstoneFile f = touchstone(rep, t, "fine.txt");
  EXPECT_EQ(f.rows_written, static_cast<int>(printed.size()));
  EXPECT_EQ(f.rows_repeated, 100001 - static_cast<int>(printed.size()));
  EXPECT_GT(f.rows_repeated, 9000);
  const TouchstoneText back = read_touchstone(f.text);
  ASSERT_EQ(back.rows.size(), printed.size());
  for (size_t i = 1; i < back.rows.size(); ++i)
    ASSERT_GT(fmt::F(back.rows[i][0], 16, 2), fmt::F(back.rows[i - 1][0], 16, 2)) << "row " << i;
}

// ---- Passband and group delay ---------------------------------------------

TEST(PassbandPlot, ScalesToTheRippleAndSpansHalfABandwidthBeyondTheEdges) {
  std::istringstream in(read_text(fs::path(QUORVANE_SOURCE_DIR) / "tests" / "data" / "demo_ideal.txt"));
  const ParsedStorage p = parse_storage(in);
  const Report& r = p.reports.at(1);
  const PlotSpec plot = passband_plot(r, std::get<AnalysisTable>(r.table), "");
  ASSERT_EQ(plot.series.size(), 1u);
  EXPECT_EQ(plot.series[0].x.size(), 501u);  // 9500 ... 10500 MHz
  EXPECT_FLOAT_EQ(plot.series[0].x.front(), 9500.0f);
  EXPECT_FLOAT_EQ(plot.series[0].x.back(), 10500.0f);
  // The axis spans the passband's own fraction of a dB, the skirts clipped.
  EXPECT_LT(plot.left_ceiling - plot.left_floor, 0.2f);
  EXPECT_GT(plot.left_ceiling - plot.left_floor, 0.05f);
  EXPECT_NE(render_plot(plot).find("S21 (dB), clipped at -0.1"), std::string::npos);
}

struct DelayCase {
  float tau_ns, step_mhz;
};

class GroupDelay : public ::testing::TestWithParam<DelayCase> {};

// A line of constant delay, its phase printed to 0.01 degree and wrapped
// into +-180 degrees, one frequency printed twice.
TEST_P(GroupDelay, IsRecoveredFromTheWrappedPrintedPhase) {
  const DelayCase& c = GetParam();
  AnalysisTable t = road_analysis(1, 50.0f, 50.0f);
  const AnalysisRow model = t.rows[0];
  t.rows.clear();
  for (int i = 0; i < 60; ++i) {
    AnalysisRow r = model;
    r.freq = 9000.0f + c.step_mhz * static_cast<float>(i);
    const double deg = std::remainder(-360.0 * r.freq * c.tau_ns / 1000.0, 360.0);
    r.phase21 = std::stof(fmt::F(static_cast<float>(deg), 8, 2));
    t.rows.push_back(r);
    if (i == 30) t.rows.push_back(r);
  }
  int dropped = 0;
  const std::vector<size_t> rows = increasing_rows(t, [](const AnalysisRow&) { return true; }, dropped);
  EXPECT_EQ(dropped, 1);
  const std::vector<float> tau = group_delay_ns(t, rows);
  ASSERT_EQ(tau.size(), 60u);
  for (float v : tau) EXPECT_NEAR(v, c.tau_ns, 0.01f);
}

INSTANTIATE_TEST_SUITE_P(Delays, GroupDelay,
                         ::testing::Values(DelayCase{2.0f, 20.0f}, DelayCase{0.5f, 5.0f}, DelayCase{40.0f, 10.0f}));

TEST(DelayPlot, IsLabelledAsComputedFromThePrintedPhases) {
  Report rep;
  rep.summary = road_summary();
  const std::string doc = render_plot(delay_plot(rep, road_analysis(1, 50.0f, 50.0f), ""));
  EXPECT_NE(doc.find("computed from the printed S21 phases"), std::string::npos);
  EXPECT_NE(doc.find("Group delay (ns)"), std::string::npos);
  EXPECT_EQ(xml_problem(doc), "");
}

// ---- DXF units ------------------------------------------------------------

TEST(DxfUnits, CommentAtTheStartNamesMillimetresAndTheDesign) {
  const FilterLayout lay = build_layout(road_microstrip(), 4);
  const std::string dxf = layout_dxf(lay, "Tchebyscheff, 4 poles");
  EXPECT_EQ(dxf.rfind("999\n", 0), 0u);
  const size_t section = dxf.find("0\nSECTION\n");
  EXPECT_LT(dxf.find("millimetres"), section);
  EXPECT_LT(dxf.find("999\nDesign: Tchebyscheff, 4 poles\n"), section);
  std::string problem;
  EXPECT_EQ(read_dxf(dxf, problem).size(), lay.strips.size());
  EXPECT_EQ(problem, "");
}

}  // namespace
}  // namespace quorvane::view
