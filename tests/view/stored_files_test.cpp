// The viewer on storage files that the program itself wrote: every storage
// file among the reviewed goldens of the whole-session tests (tests/data),
// found by its content so that new goldens are covered as they come, read
// back report by report, laid out, plotted and exported.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "dialogue/fortran_format.hpp"
#include "support/session.hpp"
#include "support/sanitizer_pass.hpp"
#include "stored/filter_layout.hpp"
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
using fmt::F;
using namespace quorvane::view::testing;
using quorvane::testing::read_text;

// A storage file opens with the dated report header; a console transcript
// opens with the banner.
bool is_storage_file(const std::string& text) {
  const std::string rule = fmt::X(6) + fmt::hyphens(72);
  const std::string date = fmt::X(6) + "Quorvane (v. 1.4)";
  const std::vector<std::string> lines = quorvane::testing::lines_of(text.substr(0, 200));
  return lines.size() >= 3 && lines[0].empty() && lines[1] == rule && lines[2].rfind(date, 0) == 0;
}

std::vector<std::string> storage_goldens() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(fs::path(QUORVANE_SOURCE_DIR) / "tests" / "data"))
    if (e.is_regular_file() && is_storage_file(read_text(e.path()))) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string golden(const std::string& name) {
  return read_text(fs::path(QUORVANE_SOURCE_DIR) / "tests" / "data" / name);
}

ParsedStorage parse_text(const std::string& text) {
  std::istringstream in(text);
  return parse_storage(in);
}

TEST(StoredGoldens, AreFoundByTheirContent) {
  const std::vector<std::string> names = storage_goldens();
  for (const char* want : {"road_electrical.txt", "road_microstrip.txt", "road_stripline.txt", "road_ideal.txt",
                           "road_ideal_reruns.xls"})
    EXPECT_NE(std::find(names.begin(), names.end(), want), names.end()) << want;
  for (const std::string& n : names) EXPECT_NE(fs::path(n).extension(), ".out") << n << " is a console transcript";
}

class StoredFile : public ::testing::TestWithParam<std::string> {};

// Written again from what was read, every report gives the file back line
// for line: every row of every table was found, with every value to the
// printed digit, and so were the summaries and closing lines.
TEST_P(StoredFile, ReadsBackLineForLine) {
  const std::string text = golden(GetParam());
  const ParsedStorage p = parse_text(text);
  ASSERT_TRUE(p.errors.empty()) << p.errors[0];
  EXPECT_TRUE(p.skipped.empty()) << p.skipped.front().text;
  ASSERT_FALSE(p.reports.empty());
  for (const StoredReport& r : p.reports) {
    EXPECT_TRUE(r.errors.empty()) << "report " << r.position << ": " << r.errors.front();
    if (const auto* e = std::get_if<ElectricalTable>(&r.table)) {
      EXPECT_EQ(static_cast<int>(e->rows.size()), r.summary.poles + 1);
    }
    if (const auto* d = std::get_if<DimensionTable>(&r.table)) {
      EXPECT_EQ(static_cast<int>(d->rows.size()), r.summary.poles + 1);
    }
    if (const auto* a = std::get_if<AnalysisTable>(&r.table)) {
      EXPECT_FALSE(a->rows.empty());
    }
  }
  const std::vector<std::string> want = quorvane::testing::lines_of(text);
  const std::vector<std::string> got = quorvane::testing::lines_of(rewrite(p));
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(got[i], want[i]) << "line " << i + 1;
}

// The layout of each dimensional table: widths, gaps and lengths as printed,
// the lengths adding up to the printed total, no copper touching, and the
// same copper in the SVG sheet and in the DXF.
TEST_P(StoredFile, DimensionTablesAreLaidOutAsPrinted) {
  const ParsedStorage p = parse_text(golden(GetParam()));
  for (const StoredReport& r : p.reports) {
    const auto* t = std::get_if<DimensionTable>(&r.table);
    if (!t) continue;
    SCOPED_TRACE("report " + std::to_string(r.position));
    const FilterLayout lay = build_layout(*t, r.summary.poles);
    EXPECT_TRUE(lay.warnings.empty()) << lay.warnings.front();
    ASSERT_EQ(lay.strips.size(), t->rows.size() + 1);
    float length_in = 0.0f;
    for (size_t k = 1; k <= t->rows.size(); ++k) {
      const DimensionRow& row = t->rows[k - 1];
      const Rect upper = lay.strips[k - 1].parts.back();  // section K: resonators K-1 and K
      const Rect lower = lay.strips[k].parts.front();
      EXPECT_EQ(upper.x0, lower.x0) << "section " << k;
      EXPECT_EQ(upper.x1, lower.x1) << "section " << k;
      EXPECT_EQ(F(upper.y1 - upper.y0, 7, 4), F(row.w_mm, 7, 4)) << "section " << k;
      EXPECT_EQ(F(lower.y1 - lower.y0, 7, 4), F(row.w_mm, 7, 4)) << "section " << k;
      EXPECT_EQ(F(lower.y0 - upper.y1, 8, 4), F(row.s_mm, 8, 4)) << "section " << k;
      EXPECT_EQ(F((upper.x1 - upper.x0) / 25.4f, 8, 4), F(row.length_in, 8, 4)) << "section " << k;
      length_in += (upper.x1 - upper.x0) / 25.4f;
    }
    EXPECT_EQ(F(length_in, 8, 4), F(t->total_in, 8, 4));
    EXPECT_EQ(F(lay.coupled_length_mm / 25.4f, 8, 4), F(t->total_in, 8, 4));
    // Feed lines: the Zo line's width, a quarter wavelength long.
    const Rect in = lay.strips.front().parts.front();
    const Rect out = lay.strips.back().parts.back();
    EXPECT_EQ(F((in.y1 - in.y0) / 25.4f, 7, 4), F(t->w_zo_in, 7, 4));
    EXPECT_EQ(F((out.y1 - out.y0) / 25.4f, 7, 4), F(t->w_zo_in, 7, 4));
    EXPECT_EQ(F((in.x1 - in.x0) / 25.4f, 8, 4), F(t->quarter_wave_in, 8, 4));
    // Copper of different strips keeps at least the smallest gap apart.
    float min_gap = 1e30f;
    for (const DimensionRow& row : t->rows) min_gap = std::min(min_gap, row.s_mm);
    for (size_t i = 0; i < lay.strips.size(); ++i)
      for (size_t j = i + 1; j < lay.strips.size(); ++j)
        for (const Rect& a : lay.strips[i].parts)
          for (const Rect& b : lay.strips[j].parts)
            EXPECT_GE(clearance(a, b), 0.999f * min_gap) << "strips " << i << " and " << j;

    const std::string svg = layout_svg(lay, *t, "Layout");
    EXPECT_EQ(xml_problem(svg), "");
    EXPECT_EQ(xmllint_problem(svg), "");
    EXPECT_TRUE(legible_sheet(svg, 3.0f));
    std::string problem;
    const std::vector<DxfPolyline> polys = read_dxf(layout_dxf(lay), problem);
    EXPECT_EQ(problem, "");
    ASSERT_EQ(polys.size(), lay.strips.size());
    for (size_t i = 0; i < polys.size(); ++i) {
      EXPECT_TRUE(polys[i].closed);
      const std::vector<Point>& want = lay.strips[i].outline;
      ASSERT_EQ(polys[i].vertices.size(), want.size()) << "strip " << i;
      for (size_t v = 0; v < want.size(); ++v) {
        EXPECT_NEAR(polys[i].vertices[v].x, want[v].x, 1e-5f) << "strip " << i;
        EXPECT_NEAR(polys[i].vertices[v].y, -want[v].y, 1e-5f) << "strip " << i;
      }
      // The SVG holds the same outline, point for point.
      std::string points;
      for (size_t v = 0; v < want.size(); ++v) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%s%.6f,%.6f", v ? " " : "", static_cast<double>(want[v].x),
                      static_cast<double>(want[v].y));
        points += buf;
      }
      EXPECT_NE(svg.find("id=\"strip-" + std::to_string(i) + "\" points=\"" + points + "\""), std::string::npos)
          << "strip " << i;
    }
  }
}

// Each analysis table: a well-formed plot with one curve point per row, and
// for print format 1 a Touchstone file with one line per row that gives
// back the row's dB and degrees to the printed digit.
TEST_P(StoredFile, AnalysisTablesArePlottedAndExported) {
  const ParsedStorage p = parse_text(golden(GetParam()));
  for (const StoredReport& r : p.reports) {
    const auto* t = std::get_if<AnalysisTable>(&r.table);
    if (!t) continue;
    SCOPED_TRACE("report " + std::to_string(r.position));
    const std::string svg = render_plot(response_plot(r, *t, analysis_construction(p, r)));
    EXPECT_EQ(xml_problem(svg), "");
    EXPECT_EQ(xmllint_problem(svg), "");
    size_t points = 0;
    for (size_t at = svg.find("<polyline"); at != std::string::npos; at = svg.find("<polyline", at + 1)) {
      const size_t from = svg.find("points=\"", at) + 8;
      const std::string list = svg.substr(from, svg.find('"', from) - from);
      points += static_cast<size_t>(std::count(list.begin(), list.end(), ',')) ;
    }
    EXPECT_EQ(points, 2 * t->rows.size());  // S21 and S11 (or loss and VSWR)
    EXPECT_NE(svg.find("Frequency (MHz)"), std::string::npos);
    if (t->format != 1) continue;

    const TouchstoneFile ts = touchstone(r, *t, GetParam());
    EXPECT_EQ(ts.extension, t->zs == t->zl ? "s2p" : "s1p");
    const TouchstoneText back = read_touchstone(ts.text);
    EXPECT_FALSE(back.option_after_data);
    EXPECT_EQ("# MHz S MA R " + F(t->zs, 7, 3).substr(F(t->zs, 7, 3).find_first_not_of(' ')), back.option);
    EXPECT_TRUE(std::any_of(back.comments.begin(), back.comments.end(),
                            [](const std::string& c) { return c.find("printed precision") != std::string::npos; }));
    ASSERT_EQ(back.rows.size(), t->rows.size());
    for (size_t i = 0; i < t->rows.size(); ++i) {
      const AnalysisRow& row = t->rows[i];
      const std::vector<float>& v = back.rows[i];
      ASSERT_EQ(v.size(), ts.extension == "s2p" ? 9u : 3u) << "row " << i;
      EXPECT_EQ(F(v[0], 16, 2), F(row.freq, 16, 2));
      EXPECT_TRUE(same_printed(20.0f * std::log10(v[1]), row.s11db, 7, 2)) << "row " << i;
      EXPECT_TRUE(same_printed(v[2], row.phase11, 8, 2)) << "row " << i;
      if (v.size() == 9) {
        EXPECT_TRUE(same_printed(20.0f * std::log10(v[3]), row.s21db, 9, 3)) << "row " << i;
        EXPECT_TRUE(same_printed(v[4], row.phase21, 8, 2)) << "row " << i;
      }
    }
  }
}

// The executable on the file: every report used, every SVG accepted.
TEST_P(StoredFile, ViewerUsesEveryReport) {
  const fs::path dir = fs::temp_directory_path() / ("quorvane-view-golden-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  std::ostringstream log;
  const ViewResult res = run_view(fs::path(QUORVANE_SOURCE_DIR) / "tests" / "data" / GetParam(), dir, log);
  EXPECT_EQ(res.status, 0) << log.str();
  const ParsedStorage p = parse_text(golden(GetParam()));
  size_t expected = 0;
  for (const StoredReport& r : p.reports) {
    if (r.kind == ReportKind::Dimensions)  // layout, DXF, footprint and the Gerber set (stripline: two ground planes)
      expected += std::get<DimensionTable>(r.table).construction == StoredConstruction::Stripline ? 10 : 9;
    if (const auto* a = std::get_if<AnalysisTable>(&r.table))
      expected += (a->format == 1 ? 4 : 3) - (a->rows.size() < 2 ? 1 : 0);  // a group delay needs two rows
  }
  EXPECT_EQ(res.written.size(), expected) << log.str();
  for (const fs::path& f : res.written)
    if (f.extension() == ".svg") {
      EXPECT_EQ(xmllint_problem(read_text(f)), "") << f;
    }
  EXPECT_NE(log.str().find(std::to_string(p.reports.size()) + (p.reports.size() == 1 ? " report" : " reports")),
            std::string::npos)
      << log.str();
  fs::remove_all(dir);
}

// Any one line of the file removed, or cut in half: whatever is still read
// is consistent (a usable per-section table has all its rows, a usable
// response table at least one), nothing throws but a refused layout, and
// no more is found than the whole file holds.  (A sampled run tries 100
// lines of each file.)
TEST_P(StoredFile, StaysConsistentWithAnyLineRemovedOrCut) {
  const std::vector<std::string> lines = quorvane::testing::lines_of(golden(GetParam()));
  const size_t whole = parse_text(golden(GetParam())).reports.size();
  for (const size_t i : quorvane::testing::cases_to_try(lines.size(), 100))
    for (const bool cut : {false, true}) {
      std::string text;
      for (size_t j = 0; j < lines.size(); ++j) {
        if (j != i) text += lines[j] + "\n";
        if (j == i && cut) text += lines[j].substr(0, lines[j].size() / 2) + "\n";
      }
      const ParsedStorage p = parse_text(text);
      ASSERT_LE(p.reports.size(), whole) << "line " << i + 1;
      for (const StoredReport& r : p.reports) {
        if (!r.errors.empty()) continue;
        if (const auto* e = std::get_if<ElectricalTable>(&r.table)) {
          EXPECT_EQ(static_cast<int>(e->rows.size()), r.summary.poles + 1) << "line " << i + 1;
        } else if (const auto* d = std::get_if<DimensionTable>(&r.table)) {
          ASSERT_EQ(static_cast<int>(d->rows.size()), r.summary.poles + 1) << "line " << i + 1;
          try {
            const FilterLayout lay = build_layout(*d, r.summary.poles);
            EXPECT_FALSE(layout_svg(lay, *d, "Layout").empty());
          } catch (const std::invalid_argument&) {
          }
        } else if (const auto* a = std::get_if<AnalysisTable>(&r.table); a->not_run.empty()) {
          EXPECT_FALSE(a->rows.empty()) << "line " << i + 1;
          EXPECT_FALSE(render_plot(response_plot(r, *a, "")).empty());
        }
      }
    }
}

// The README shows docs/: the demonstration design's storage file and what
// the viewer makes of it.  Regenerate with
//   build/quorvane-view docs/demo.txt -o docs
// after a change of the drawings, and look at the pictures.
TEST(DocsDemo, FilesAreWhatTheViewerMakesOfTheStoredDemo) {
  const fs::path docs = fs::path(QUORVANE_SOURCE_DIR) / "docs";
  const fs::path dir = fs::temp_directory_path() / ("quorvane-view-docs-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  std::ostringstream log;
  const ViewResult res = run_view(docs / "demo.txt", dir, log);
  EXPECT_EQ(res.status, 0) << log.str();
  std::vector<std::string> names;
  for (const fs::path& f : res.written) {
    names.push_back(f.filename().string());
    EXPECT_EQ(read_text(f), read_text(docs / f.filename())) << f.filename() << " in docs/ is not up to date";
  }
  const std::vector<std::string> want{
      "demo-2-layout.svg",      "demo-2.dxf",          "demo-2.kicad_mod",    "demo-2-copper.gbr",
      "demo-2-ground-bottom.gbr", "demo-2-mask-top.gbr", "demo-2-mask-bottom.gbr", "demo-2-outline.gbr",
      "demo-2.gbrjob",          "demo-3-response.svg", "demo-3-passband.svg", "demo-3-delay.svg", "demo-3.s2p"};
  EXPECT_EQ(names, want);
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Goldens, StoredFile, ::testing::ValuesIn(storage_goldens()), [](const auto& info) {
  std::string n = info.param;
  for (char& ch : n)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n;
});

}  // namespace
}  // namespace quorvane::view
