// What goes on to a board house and a simulator: Gerber read back by gerbv,
// the sheet at a chosen scale, passive Touchstone rows with increasing
// frequencies, the passband and group delay, the DXF's unit comment.
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <regex>
#include <set>

#include "dialogue/fortran_format.hpp"
#include "support/session.hpp"
#include <nlohmann/json.hpp>

#include "view/gerber.hpp"
#include "view/gerber_set.hpp"
#include "view/kicad_footprint.hpp"
#include "view/layout_writers.hpp"
#include "view/readback.hpp"
#include "support/report_fixtures.hpp"
#include "plot/svg_plot.hpp"
#include "view/touchstone.hpp"
#include "view/view_app.hpp"

namespace quorvane::view {

using namespace quorvane::stored;
using namespace quorvane::plot;
namespace {

namespace fs = std::filesystem;
using namespace quorvane::view::testing;
using quorvane::testing::read_text;

double shoelace(const std::vector<Point>& p) {
  double a = 0.0;
  for (size_t i = 0; i < p.size(); ++i)
    a += double(p[i].x) * p[(i + 1) % p.size()].y - double(p[(i + 1) % p.size()].x) * p[i].y;
  return std::fabs(a) / 2.0;
}

// gerbv's SVG export (cairo, in points, an optional matrix(a,0,0,d,e,f) per
// path): its error stream, the area of its filled paths and the extent of
// all it drew, in mm.
struct Gerbv {
  std::string err;
  double area = 0.0, width = 0.0, height = 0.0;
};
Gerbv gerbv(const fs::path& gbr, const std::string& content) {
  std::ofstream(gbr) << content;
  const std::string svg = gbr.string() + ".svg", err = gbr.string() + ".err";
  Gerbv g;
  if (std::system(("gerbv -x svg -o '" + svg + "' '" + gbr.string() + "' 2>'" + err + "'").c_str()) != 0)
    g.err = "failed ";
  g.err += read_text(err);
  const std::string doc = read_text(svg);
  const std::regex path_re(
      "<path style=\"([^\"]*)\" d=\"([^\"]*)\"( "
      "transform=\"matrix\\(([^,]*),[^,]*,[^,]*,([^,]*),([^,]*),([^)]*)\\)\")?");
  float x0 = 1e30f, x1 = -1e30f, y0 = 1e30f, y1 = -1e30f;
  for (auto it = std::sregex_iterator(doc.begin(), doc.end(), path_re); it != std::sregex_iterator(); ++it) {
    const auto& m = *it;
    const float a = m[3].matched ? std::stof(m[4]) : 1, d = m[3].matched ? std::stof(m[5]) : 1;
    const float e = m[3].matched ? std::stof(m[6]) : 0, f = m[3].matched ? std::stof(m[7]) : 0;
    std::istringstream in(m[2].str());
    std::vector<std::vector<Point>> rings;
    for (std::string op; in >> op;)
      if (op == "M" || op == "L") {
        if (op == "M") rings.emplace_back();
        float x = 0, y = 0;
        in >> x >> y;
        const Point p{(a * x + e) * 25.4f / 72, (d * y + f) * 25.4f / 72};
        rings.back().push_back(p);
        x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
      }
    if (m[1].str().find("fill:rgb") != std::string::npos)
      for (const auto& r : rings) g.area += shoelace(r);
  }
  g.width = x1 - x0, g.height = y1 - y0;
  return g;
}

class GerberReadBack : public ::testing::TestWithParam<DimensionTable> {};

TEST_P(GerberReadBack, GerbvLoadsItAndRendersTheDrawnCopper) {
  if (std::system("command -v gerbv >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "gerbv is not installed (tools/ensure-toolchain)";
  const FilterLayout lay = build_layout(GetParam(), 4);
  const float h = GetParam().height_in * 25.4f;
  const std::string copper = gerber_copper(lay, "road"), outline = gerber_outline(board_outline(lay, h), "road");
  for (const std::string& g : {copper, outline}) {
    EXPECT_NE(g.find("\n%FSLAX46Y46*%\n%MOMM*%\n"), std::string::npos);
    EXPECT_NE(g.find("G04 #@! TF.GenerationSoftware,Quorvane,quorvane-view," QUORVANE_VERSION "*"), std::string::npos);
  }
  EXPECT_NE(copper.find("G04 #@! TF.FileFunction,Copper,L1,Top*"), std::string::npos);
  EXPECT_NE(outline.find("G04 #@! TF.FileFunction,Profile,NP*"), std::string::npos);
  double drawn = 0.0;
  for (const Strip& s : lay.strips) drawn += shoelace(s.outline);
  const fs::path dir = fs::temp_directory_path() / ("quorvane-gerber-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const Gerbv c = gerbv(dir / "c.gbr", copper), o = gerbv(dir / "o.gbr", outline);
  EXPECT_EQ(c.err + o.err, "");
  EXPECT_NEAR(c.area, drawn, 0.01 * drawn);
  // The copper's extent and the margin (here a substrate height) beyond it on each side.
  EXPECT_NEAR(o.width, lay.bounds.x1 - lay.bounds.x0 + 2.0f * h, 0.02);
  EXPECT_NEAR(o.height, lay.bounds.y1 - lay.bounds.y0 + 2.0f * h, 0.02);
  fs::remove_all(dir);
}

// The footprint read back by KiCad (tests/view/kicad_readback.py: pads,
// copper, and the design-rule check of a board holding it with a track to
// each pad), every layer of the board set by gerbv, the job file as JSON.
TEST_P(GerberReadBack, KiCadTakesTheFootprintAndGerbvTheBoardSet) {
  if (std::system("command -v gerbv >/dev/null && /usr/bin/python3 -c 'import pcbnew' 2>/dev/null") != 0)
    GTEST_SKIP() << "gerbv or KiCad is not installed (tools/ensure-toolchain)";
  const DimensionTable& t = GetParam();
  const bool stripline = t.construction == StoredConstruction::Stripline;
  const FilterLayout lay = build_layout(t, 4);
  const fs::path dir = fs::temp_directory_path() / ("quorvane-kicad-" + std::to_string(::getpid())) / "lib.pretty";
  fs::create_directories(dir);
  DesignSummary summary;
  summary.poles = 4, summary.f0 = 10000, summary.bw = 500;
  std::ofstream(dir / "road.kicad_mod") << kicad_footprint(lay, "road", summary, t);
  const std::string out = (dir / "kicad.out").string();
  const std::string gap = std::to_string(std::floor(lay.min_clearance_mm * 1e3) / 1e3);
  ASSERT_EQ(std::system(("/usr/bin/python3 " QUORVANE_SOURCE_DIR "/tests/view/kicad_readback.py '" + dir.string() +
                         "' road " + gap + " >'" + out + "' 2>/dev/null").c_str()), 0) << read_text(out);
  std::istringstream back(read_text(out));
  std::map<std::string, std::string> facts;
  for (std::string key, rest; back >> key && std::getline(back, rest);)
    facts[key == "pad" ? key + rest.substr(0, 2) : key] += rest;
  const Rect in = lay.strips.front().parts.front(), outp = lay.strips.back().parts.back();
  float x = 0, y = 0;
  ASSERT_EQ(std::sscanf(facts["pad 1"].c_str(), " 1 %f %f", &x, &y), 2) << facts["pad 1"];
  EXPECT_NEAR(x, in.x0, 1e-6f);
  EXPECT_NEAR(y, (in.y0 + in.y1) / 2, 1e-5f);
  ASSERT_EQ(std::sscanf(facts["pad 2"].c_str(), " 2 %f %f", &x, &y), 2) << facts["pad 2"];
  EXPECT_NEAR(x, outp.x1, 1e-5f);
  EXPECT_NEAR(y, (outp.y0 + outp.y1) / 2, 1e-5f);
  EXPECT_EQ(facts["layers"], stripline ? " In1.Cu" : " F.Cu");
  Rect e;
  ASSERT_EQ(std::sscanf(facts["extent"].c_str(), "%f %f %f %f", &e.x0, &e.y0, &e.x1, &e.y1), 4) << facts["extent"];
  for (const auto& [got, drawn] : {std::pair{e.x0, lay.bounds.x0}, {e.y0, lay.bounds.y0}, {e.x1, lay.bounds.x1},
                                   {e.y1, lay.bounds.y1}})
    EXPECT_NEAR(got, drawn, 1e-5f) << facts["extent"];
  // No error; the warnings are the two tracks' outer ends, left unconnected.
  EXPECT_EQ(facts["drc"], " 0 2") << facts["violation"];

  const std::vector<SetFile> set = gerber_set(lay, board_spec(t), "road", "road");
  const nlohmann::json job = nlohmann::json::parse(set.back().text);
  EXPECT_EQ(job["FilesAttributes"].size() + 1, set.size());
  EXPECT_EQ(job["MaterialStackup"].size(), stripline ? 7u : 5u);
  for (size_t i = 0; i + 1 < set.size(); ++i) {
    EXPECT_EQ(job["FilesAttributes"][i]["Path"], set[i].name);
    const Gerbv g = gerbv(dir / set[i].name, set[i].text);
    EXPECT_EQ(g.err, "") << set[i].name;
    if (set[i].name == "road-copper.gbr") {
      EXPECT_NEAR(std::stod(facts["area"]), g.area, 1e-3 * g.area);
    }
  }
  EXPECT_EQ(mask_centre_shift(lay, board_spec(t)) < -1e-3, !stripline);
  // Mask over the filter: on top of a microstrip board the ports' pads open, a feed line's width square.
  BoardSpec covered = board_spec(t);
  covered.mask_over_filter = true;
  const Gerbv mask = gerbv(dir / "covered.gbr", gerber_set(lay, covered, "road", "road")[stripline ? 3 : 2].text);
  const double pads = stripline ? 0.0 : 2.0 * lay.feed_width_mm * lay.feed_width_mm;
  EXPECT_NEAR(mask.area, pads, 0.01 * pads) << mask.err;
  fs::remove_all(dir.parent_path());
}

INSTANTIATE_TEST_SUITE_P(Constructions, GerberReadBack, ::testing::Values(road_microstrip(), road_stripline()),
                         [](const auto& info) { return info.param.construction_name; });

// The sheet's size is the copper extent plus its margins (two letter
// heights) times the scale.
TEST(LayoutScale, SheetSizeFollowsTheChosenScale) {
  DimensionTable t = road_stripline();
  for (DimensionRow& r : t.rows) r.length_in = 80.0f / 25.4f;  // 400 mm of copper, wider than the lettering
  t.total_in = 5.0f * t.rows[0].length_in;
  const FilterLayout lay = build_layout(t, 4);
  for (const auto& [scale, text] : {std::pair{1.0f, "1:1"}, {2.5f, "2.5:1"}, {0.5f, "1:2"}}) {
    const std::string svg = layout_svg(lay, t, "Layout", scale);
    EXPECT_NE(svg.find(std::string("Scale ") + text + " when printed"), std::string::npos) << text;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(
        svg, m,
        std::regex("width=\"([0-9.]+)mm\" height=\"([0-9.]+)mm\" viewBox=\"[-0-9.]+ [-0-9.]+ ([0-9.]+) ([0-9.]+)\"")));
    EXPECT_NEAR(std::stof(m[3]), lay.bounds.x1 - lay.bounds.x0 + 4.0f * 3.5f / scale, 1e-3f) << text;
    EXPECT_NEAR(std::stof(m[1]), scale * std::stof(m[3]), 0.01f) << text;
    EXPECT_NEAR(std::stof(m[2]), scale * std::stof(m[4]), 0.01f) << text;
  }
}

// Printed (S11 dB, S21 dB), whether the row is moved, whether it is passive then.
TEST(PassiveRows, StayWithinTheirRounding) {
  const std::tuple<float, float, bool, bool> cases[] = {{-20.0f, -0.1f, false, true},
                                                        {-0.00f, -29.6f, true, true},
                                                        {-40.84f, -0.000f, true, true},     // S21 at its rounding
                                                        {-12.0f, -0.176f, false, false}};  // beyond rounding
  for (const auto& [s11db, s21db, adjusted, passive] : cases) {
    const PassiveRow r = passive_magnitudes(s11db, s21db);
    EXPECT_EQ(r.adjusted, adjusted) << s11db;
    EXPECT_EQ(r.passive, passive && r.s11 * r.s11 + r.s21 * r.s21 <= 1.0) << s11db;
    EXPECT_LE(std::fabs(20.0 * std::log10(r.s11) - s11db), 0.01 + 1e-6) << s11db;
    EXPECT_LE(std::fabs(20.0 * std::log10(r.s21) - s21db), 0.0005) << s11db;
  }
}

// tests/data/demo_ideal.txt: the demonstration design (Enter at the ten
// design prompts, storage 1, demo_ideal.txt), ideal analysis 9100 ... 10900
// MHz in 2 MHz steps.
const StoredReport& demo_ideal(ParsedStorage& p) {
  std::istringstream in(read_text(fs::path(QUORVANE_SOURCE_DIR) / "tests" / "data" / "demo_ideal.txt"));
  p = parse_storage(in);
  return p.reports.at(1);
}

TEST(TouchstoneExport, StoredIdealAnalysisOfTheDemoIsPassive) {
  ParsedStorage p;
  const StoredReport& r = demo_ideal(p);
  const AnalysisTable& t = std::get<AnalysisTable>(r.table);
  int above = 0;
  for (const AnalysisRow& row : t.rows)
    above += std::pow(10.0, row.s11db / 10.0) + std::pow(10.0, row.s21db / 10.0) > 1.0;
  const TouchstoneFile f = touchstone(r, t, "demo_ideal.txt", {analysis_construction(p, r), analysis_substrate(p, r)});
  EXPECT_GT(above, 500);
  EXPECT_EQ(f.rows_adjusted, above);
  EXPECT_NE(f.text.find("! Construction: ideal lines in air; substrate: air, Er 1.000\n"), std::string::npos);
  std::istringstream text(f.text.substr(f.text.find("\n9100.00")));
  int rows = 0;
  for (double freq, s11, a11, s21, rest; text >> freq >> s11 >> a11 >> s21 >> rest >> rest >> rest >> rest >> rest;
       ++rows)
    EXPECT_LE(s11 * s11 + s21 * s21, 1.0) << freq;
  EXPECT_EQ(rows, 901);
}

TEST(TouchstoneExport, FineSweepGivesStrictlyIncreasingFrequencies) {
  StoredReport rep;
  AnalysisTable t = road_analysis(1, 50.0f, 50.0f);
  t.rows.assign(100001, t.rows[10]);
  std::set<std::string> printed;
  for (size_t i = 0; i < t.rows.size(); ++i) {
    t.rows[i].freq = 9500.0f + 0.009f * static_cast<float>(i);
    printed.insert(fmt::F(t.rows[i].freq, 16, 2));
  }
  const TouchstoneFile f = touchstone(rep, t, "fine.txt");
  EXPECT_EQ(f.rows_repeated, 100001 - static_cast<int>(printed.size()));
  const TouchstoneText back = read_touchstone(f.text);
  ASSERT_EQ(back.rows.size(), printed.size());
  for (size_t i = 1; i < back.rows.size(); ++i) ASSERT_GT(back.rows[i][0], back.rows[i - 1][0]) << "row " << i;
}

TEST(PassbandPlot, ScalesToTheRippleAndSpansHalfABandwidthBeyondTheEdges) {
  ParsedStorage p;
  const StoredReport& r = demo_ideal(p);
  const PlotSpec plot = passband_plot(r, std::get<AnalysisTable>(r.table), "");
  ASSERT_EQ(plot.series.at(0).x.size(), 501u);  // 9500 ... 10500 MHz
  EXPECT_FLOAT_EQ(plot.series[0].x.front(), 9500.0f);
  EXPECT_LT(plot.left_ceiling - plot.left_floor, 0.2f);  // a fraction of a dB, the skirts clipped
  EXPECT_NE(render_plot(plot).find("S21 (dB), clipped at -0.1"), std::string::npos);
  EXPECT_NE(
      render_plot(delay_plot(r, std::get<AnalysisTable>(r.table), "")).find("computed from the printed S21 phases"),
      std::string::npos);
}

// A line of constant delay (ns), its phase printed to 0.01 degree and
// wrapped into +-180 degrees, rows every `step` MHz, one printed twice.
TEST(GroupDelay, IsRecoveredFromTheWrappedPrintedPhase) {
  for (const auto& [tau_ns, step] : {std::pair{2.0f, 20.0f}, {0.5f, 5.0f}, {40.0f, 10.0f}}) {
    AnalysisTable t;
    for (int i = 0; i < 60; ++i) {
      AnalysisRow r;
      r.freq = 9000.0f + step * static_cast<float>(i);
      r.phase21 = std::stof(fmt::F(static_cast<float>(std::remainder(-0.36 * r.freq * tau_ns, 360.0)), 8, 2));
      t.rows.insert(t.rows.end(), i == 30 ? 2 : 1, r);
    }
    int dropped = 0;
    const std::vector<size_t> rows = increasing_rows(t, [](const AnalysisRow&) { return true; }, dropped);
    EXPECT_EQ(dropped, 1);
    for (float v : group_delay_ns(t, rows)) EXPECT_NEAR(v, tau_ns, 0.01f) << tau_ns;
  }
}

TEST(DxfUnits, CommentAtTheStartNamesMillimetresAndTheDesign) {
  const FilterLayout lay = build_layout(road_microstrip(), 4);
  const std::string dxf = layout_dxf(lay, "Tchebyscheff, 4 poles");
  EXPECT_EQ(dxf.rfind("999\n", 0), 0u);
  EXPECT_LT(dxf.find("999\nDesign: Tchebyscheff, 4 poles\n"), dxf.find("0\nSECTION\n"));
  EXPECT_LT(dxf.find("millimetres"), dxf.find("0\nSECTION\n"));
  std::string problem;
  EXPECT_EQ(read_dxf(dxf, problem).size(), lay.strips.size());
  EXPECT_EQ(problem, "");
}

}  // namespace
}  // namespace quorvane::view
