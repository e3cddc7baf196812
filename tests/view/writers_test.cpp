// The drawings and data files read back: SVG as XML, DXF by its group codes,
// Touchstone by its rows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "dialogue/fortran_format.hpp"
#include "stored/filter_layout.hpp"
#include "view/layout_writers.hpp"
#include "view/readback.hpp"
#include "support/report_fixtures.hpp"
#include "plot/svg_plot.hpp"
#include "view/touchstone.hpp"

namespace quorvane::view {

using namespace quorvane::stored;
using namespace quorvane::plot;
namespace {

using fmt::F;
using namespace quorvane::view::testing;

TEST(XmlCheck, RejectsWhatIsNotWellFormed) {
  const std::pair<const char*, bool> cases[] = {
      {"<svg a=\"1\"><g/></svg>", true},
      {"<svg><g></svg>", false},
      {"<svg a=1></svg>", false},
      {"<svg a=\"1\" a=\"2\"></svg>", false},
      {"<svg>R&D</svg>", false},
      {"<svg>R&amp;D</svg>", true},
      {"<svg></svg><svg></svg>", false},
  };
  for (const auto& [doc, ok] : cases) EXPECT_EQ(xml_problem(doc).empty(), ok) << doc;
}

// ---- SVG documents -------------------------------------------------------

struct SvgCase {
  const char* name;
  std::string doc;
};

std::vector<SvgCase> svg_cases() {
  StoredReport rep;
  rep.position = 3;
  rep.summary = road_summary();
  rep.summary.response = "R&D <test>";  // text needing escapes
  const AnalysisTable a1 = road_analysis(1, 50.0f, 50.0f);
  const AnalysisTable a2 = road_analysis(2, 50.0f, 50.0f);
  AnalysisTable gaps = a1;
  gaps.rows[10].s21db = std::nanf("");
  gaps.rows[11].s21db = std::numeric_limits<float>::infinity();
  const DimensionTable ms = road_microstrip();
  return {{"format 1 plot", render_plot(response_plot(rep, a1, "Microstrip"))},
          {"format 2 plot", render_plot(response_plot(rep, a2, ""))},
          {"plot with gaps", render_plot(response_plot(rep, gaps, "ideal lines in air"))},
          {"stacked plots", render_stacked({response_plot(rep, a1, "Microstrip"), response_plot(rep, gaps, "")})},
          {"layout", layout_svg(build_layout(ms, 4), ms, "Layout: R&D \"quoted\"")}};
}

class SvgDocument : public ::testing::TestWithParam<SvgCase> {};

TEST_P(SvgDocument, IsWellFormedXml) {
  const std::string& doc = GetParam().doc;
  EXPECT_EQ(xml_problem(doc), "");
  EXPECT_EQ(xmllint_problem(doc), "");
}

INSTANTIATE_TEST_SUITE_P(Documents, SvgDocument, ::testing::ValuesIn(svg_cases()), [](const auto& info) {
  std::string n = info.param.name;
  for (char& ch : n)
    if (ch == ' ') ch = '_';
  return n;
});

// Each plot of a stack clips its curves to its own frame.
TEST(StackedPlots, EachClipsToItsOwnFrame) {
  StoredReport rep;
  rep.summary = road_summary();
  const PlotSpec p = response_plot(rep, road_analysis(1, 50.0f, 50.0f), "");
  const std::string doc = render_stacked({p, p});
  for (const char* id : {"id=\"plot-area-1\"", "id=\"plot-area-2\""}) EXPECT_NE(doc.find(id), std::string::npos) << id;
  EXPECT_EQ(doc.find("#plot-area)"), std::string::npos);
  EXPECT_NE(doc.find("url(#plot-area-2)"), std::string::npos);
}

TEST(ResponsePlot, BreaksCurvesAtValuesThatAreNotNumbers) {
  StoredReport rep;
  rep.summary = road_summary();
  AnalysisTable t = road_analysis(1, 50.0f, 50.0f);
  const auto count = [](const std::string& s) {
    size_t n = 0;
    for (size_t i = s.find("<polyline"); i != std::string::npos; i = s.find("<polyline", i + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count(render_plot(response_plot(rep, t, ""))), 2u);
  t.rows[20].s21db = std::nanf("");
  EXPECT_EQ(count(render_plot(response_plot(rep, t, ""))), 3u);
  const std::string doc = render_plot(response_plot(rep, t, "Stripline"));
  EXPECT_NE(doc.find(">Flow<"), std::string::npos);
  EXPECT_NE(doc.find(">Fhigh<"), std::string::npos);
  EXPECT_NE(doc.find("Frequency (MHz)"), std::string::npos);
  EXPECT_NE(doc.find("Stripline"), std::string::npos);
  EXPECT_NE(doc.find(">S11 (dB)<"), std::string::npos);
}

struct TickCase {
  float lo, hi;
  float want_lo, want_hi, want_step;
  int decimals;
};

class NiceTicks : public ::testing::TestWithParam<TickCase> {};

TEST_P(NiceTicks, CoverTheRangeInSteps125) {
  const TickCase& c = GetParam();
  const AxisTicks t = nice_ticks(c.lo, c.hi, 8);
  EXPECT_FLOAT_EQ(t.lo, c.want_lo);
  EXPECT_FLOAT_EQ(t.hi, c.want_hi);
  EXPECT_FLOAT_EQ(t.step, c.want_step);
  EXPECT_EQ(t.decimals, c.decimals);
  ASSERT_GE(t.values.size(), 2u);
  EXPECT_LE(t.values.size(), 33u);
  if (std::isfinite(c.lo)) {
    EXPECT_LE(t.lo, std::min(c.lo, c.hi));
    EXPECT_GE(t.hi, std::max(c.lo, c.hi));
  }
}

INSTANTIATE_TEST_SUITE_P(Ranges, NiceTicks,
                         ::testing::Values(TickCase{9000.0f, 11000.0f, 9000.0f, 11000.0f, 200.0f, 0},
                                           TickCase{-200.0f, 0.0f, -200.0f, 0.0f, 20.0f, 0},
                                           TickCase{-0.43f, -0.01f, -0.45f, 0.0f, 0.05f, 2},
                                           TickCase{1.0f, 99.99f, 0.0f, 100.0f, 10.0f, 0},
                                           TickCase{5.0f, 5.0f, 4.0f, 6.0f, 0.2f, 1},  // degenerate range
                                           TickCase{std::numeric_limits<float>::infinity(), 1.0f, 0.0f, 1.0f, 0.1f, 1}));

// What a reader of the plot needs: the passband not flattened by a deep
// stopband, a lone point visible, a title that fits the picture.
TEST(ResponsePlot, StaysReadableOnAwkwardTables) {
  StoredReport rep;
  rep.summary = road_summary();
  AnalysisTable deep = road_analysis(1, 50.0f, 50.0f);  // its first row is at -200 dB
  const std::string clipped = render_plot(response_plot(rep, deep, ""));
  EXPECT_NE(clipped.find("Magnitude (dB), clipped at -100"), std::string::npos);
  EXPECT_EQ(clipped.find(">-200<"), std::string::npos);
  EXPECT_NE(clipped.find(">-100<"), std::string::npos);
  deep.rows[0].s21db = -60.0f;
  EXPECT_EQ(render_plot(response_plot(rep, deep, "")).find("clipped"), std::string::npos);

  AnalysisTable one = road_analysis(2, 50.0f, 50.0f);
  one.rows.resize(1);
  one.rows[0].freq = 10000.0f;
  const std::string dot = render_plot(response_plot(rep, one, ""));
  size_t circles = 0;
  for (size_t at = dot.find("<circle"); at != std::string::npos; at = dot.find("<circle", at + 1)) ++circles;
  EXPECT_EQ(circles, 2u);  // loss and VSWR
  EXPECT_NE(dot.find(">Flow<"), std::string::npos) << "one frequency is shown within the passband";
  EXPECT_NE(dot.find(">Fhigh<"), std::string::npos);
  EXPECT_EQ(render_plot(response_plot(rep, road_analysis(1, 50.0f, 50.0f), "")).find("<circle"), std::string::npos);

  rep.summary.response = std::string(200, 'W');
  const PlotSpec plot = response_plot(rep, road_analysis(1, 50.0f, 50.0f), "");
  const std::string wide = render_plot(plot);
  const size_t title = wide.find("font-size=\"", wide.find("<text"));
  const float size = std::stof(wide.substr(title + 11));
  EXPECT_LE(0.6f * size * static_cast<float>(plot.title.size()), 900.0f);
}

struct ScaleCase {
  float length_mm;
  float scale;
  const char* text;
};

class DrawingScale : public ::testing::TestWithParam<ScaleCase> {};

// The sheet is the filter drawn at a standard scale, at most half a metre
// wide, its lettering 3.5 mm high on the sheet however small the filter.
TEST_P(DrawingScale, FitsTheSheetAndKeepsTheLetteringLegible) {
  const ScaleCase& c = GetParam();
  const float n = c.length_mm / 5.0f / 25.4f;  // five sections of this length, no feed lines
  DimensionTable t = road_stripline();
  for (DimensionRow& r : t.rows) r.length_in = n;
  t.total_in = 5.0f * n;
  t.w_zo_in = 0.0f;
  const FilterLayout lay = build_layout(t, 4);
  EXPECT_FLOAT_EQ(drawing_scale(lay), c.scale);
  const std::string svg = layout_svg(lay, t, "Layout");
  EXPECT_NE(svg.find(std::string("Scale ") + c.text + " when printed"), std::string::npos);
  EXPECT_TRUE(legible_sheet(svg, 3.4f));
  EXPECT_EQ(xml_problem(svg), "");
}

INSTANTIATE_TEST_SUITE_P(Lengths, DrawingScale,
                         ::testing::Values(ScaleCase{20.0f, 20.0f, "20:1"}, ScaleCase{99.0f, 5.0f, "5:1"},
                                           ScaleCase{400.0f, 1.0f, "1:1"}, ScaleCase{2400.0f, 0.2f, "1:5"}));

TEST(NiceTicks, LabelsDropTheSignOfZero) {
  EXPECT_EQ(tick_label(-0.0001f, 2), "0.00");
  EXPECT_EQ(tick_label(-0.25f, 2), "-0.25");
  EXPECT_EQ(tick_label(10000.0f, 0), "10000");
}

// ---- DXF read back -------------------------------------------------------

class DxfReadBack : public ::testing::TestWithParam<int> {};

TEST_P(DxfReadBack, HoldsTheSamePolylines) {
  const DimensionTable t = GetParam() == 0 ? road_microstrip() : road_stripline();
  const FilterLayout lay = build_layout(t, 4);
  std::string problem;
  const auto polys = read_dxf(layout_dxf(lay), problem);
  EXPECT_EQ(problem, "");
  ASSERT_EQ(polys.size(), lay.strips.size());
  for (size_t i = 0; i < polys.size(); ++i) {
    EXPECT_TRUE(polys[i].closed);
    EXPECT_EQ(polys[i].layer, "COPPER");
    const auto& want = lay.strips[i].outline;
    ASSERT_EQ(polys[i].vertices.size(), want.size()) << "strip " << i;
    for (size_t k = 0; k < want.size(); ++k) {
      EXPECT_NEAR(polys[i].vertices[k].x, want[k].x, 1e-5f);
      EXPECT_NEAR(polys[i].vertices[k].y, -want[k].y, 1e-5f);  // y up in the DXF
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Constructions, DxfReadBack, ::testing::Values(0, 1));

// ---- Touchstone ----------------------------------------------------------

struct TouchstoneCase {
  float zs, zl;
  const char* extension;
  size_t numbers_per_row;
};

class TouchstoneRows : public ::testing::TestWithParam<TouchstoneCase> {};

TEST_P(TouchstoneRows, ReproduceTheTableToThePrintedDigit) {
  const TouchstoneCase& c = GetParam();
  // Printed, read back, then written: the file sees what the table shows.
  const AnalysisTable printed = road_analysis(1, c.zs, c.zl);
  std::istringstream report_text(join({analysis_report(stamp_a(), road_summary(), printed)}));
  const ParsedStorage parsed = parse_storage(report_text);
  ASSERT_EQ(parsed.reports.size(), 1u);
  const StoredReport& rep = parsed.reports[0];
  const AnalysisTable& t = std::get<AnalysisTable>(rep.table);
  ASSERT_EQ(t.rows.size(), printed.rows.size());
  const TouchstoneFile f = touchstone(rep, t, "road.txt");
  EXPECT_EQ(f.extension, c.extension);
  EXPECT_EQ(f.rows_written, static_cast<int>(t.rows.size()));
  std::istringstream in(f.text);
  std::string line;
  std::vector<std::vector<float>> rows;
  std::string option;
  bool precision_noted = false;
  while (std::getline(in, line)) {
    if (line.rfind("!", 0) == 0) {
      precision_noted = precision_noted || line.find("printed precision") != std::string::npos;
      continue;
    }
    if (line.rfind("#", 0) == 0) {
      EXPECT_TRUE(rows.empty()) << "option line after data";
      option = line;
      continue;
    }
    std::istringstream ls(line);
    std::vector<float> v;
    for (float x; ls >> x;) v.push_back(x);
    rows.push_back(v);
  }
  EXPECT_TRUE(precision_noted);
  EXPECT_EQ(option, "# MHz S MA R " + std::string(F(c.zs, 7, 3)).substr(F(c.zs, 7, 3).find_first_not_of(' ')));
  ASSERT_EQ(rows.size(), t.rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    const AnalysisRow& r = printed.rows[i];
    const auto& v = rows[i];
    ASSERT_EQ(v.size(), c.numbers_per_row);
    EXPECT_EQ(F(v[0], 16, 2), F(r.freq, 16, 2));
    EXPECT_TRUE(same_printed(20.0f * std::log10(v[1]), r.s11db, 7, 2)) << "row " << i;
    EXPECT_EQ(F(v[2], 8, 2), F(r.phase11, 8, 2));
    if (c.numbers_per_row == 9) {
      EXPECT_TRUE(same_printed(20.0f * std::log10(v[3]), r.s21db, 9, 3)) << "row " << i;
      EXPECT_EQ(F(v[4], 8, 2), F(r.phase21, 8, 2));
      EXPECT_EQ(v[5], v[3]);  // S12 = S21
      EXPECT_EQ(v[6], v[4]);
      EXPECT_EQ(v[7], v[1]);  // S22 = S11
      EXPECT_EQ(v[8], v[2]);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Terminations, TouchstoneRows,
                         ::testing::Values(TouchstoneCase{50.0f, 50.0f, "s2p", 9}, TouchstoneCase{50.0f, 75.0f, "s1p", 3},
                                           TouchstoneCase{75.0f, 75.0f, "s2p", 9}));

TEST(Touchstone, LeavesOutRowsThatAreNotNumbersAndRefusesFormat2) {
  StoredReport rep;
  rep.summary = road_summary();
  AnalysisTable t = road_analysis(1, 50.0f, 50.0f);
  t.rows[4].phase21 = std::nanf("");
  const TouchstoneFile f = touchstone(rep, t, "road.txt");
  EXPECT_EQ(f.rows_left_out, 1);
  EXPECT_EQ(f.rows_written, static_cast<int>(t.rows.size()) - 1);
  EXPECT_EQ(f.text.find("nan"), std::string::npos);
  EXPECT_THROW(touchstone(rep, road_analysis(2, 50.0f, 50.0f), "road.txt"), std::invalid_argument);
}

TEST(Touchstone, MagnitudeFromDb) {
  EXPECT_FLOAT_EQ(magnitude_from_db(0.0f), 1.0f);
  EXPECT_FLOAT_EQ(magnitude_from_db(-20.0f), 0.1f);
  EXPECT_NEAR(magnitude_from_db(-200.0f), 1e-10f, 1e-15f);
  EXPECT_NEAR(magnitude_from_db(-6.0206f), 0.5f, 1e-5f);
}

}  // namespace
}  // namespace quorvane::view
