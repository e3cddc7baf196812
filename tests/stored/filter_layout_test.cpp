#include "stored/filter_layout.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "dialogue/fortran_format.hpp"
#include "support/report_fixtures.hpp"

namespace quorvane::stored {
namespace {

using fmt::F;
using namespace quorvane::view::testing;

// A table of the given inch widths, gaps and lengths, with mm columns as the
// report prints them.
DimensionTable table_of(const std::vector<float>& w, const std::vector<float>& s, const std::vector<float>& len,
                        float w_zo) {
  DimensionTable t = road_microstrip();
  t.rows.clear();
  float total = 0.0f;
  for (size_t i = 0; i < w.size(); ++i) {
    DimensionRow r;
    r.section = static_cast<int>(i) + 1;
    r.k0 = r.section - 1;
    r.k1 = r.section;
    r.w_in = w[i];
    r.w_mm = w[i] * 25.4f;
    r.s_in = s[i];
    r.s_mm = s[i] * 25.4f;
    r.length_in = len[i];
    total += len[i];
    t.rows.push_back(r);
  }
  t.total_in = total;
  t.w_zo_in = w_zo;
  return t;
}

struct LayoutCase {
  const char* name;
  DimensionTable table;
};

std::vector<LayoutCase> layout_cases() {
  return {
      {"microstrip", road_microstrip()},
      {"stripline", road_stripline()},
      {"equal widths", table_of({0.05f, 0.05f, 0.05f}, {0.01f, 0.02f, 0.01f}, {0.3f, 0.3f, 0.3f}, 0.05f)},
      // Widths that step by far more than twice the gap: a step centred on
      // the strip would reach past the neighbour's gap.
      {"steep width steps", table_of({0.02f, 0.20f, 0.02f, 0.20f, 0.02f}, {0.002f, 0.004f, 0.003f, 0.004f, 0.002f},
                                     {0.25f, 0.24f, 0.26f, 0.24f, 0.25f}, 0.30f)},
      {"wide feed narrow end strips", table_of({0.01f, 0.05f, 0.01f}, {0.001f, 0.02f, 0.001f}, {0.2f, 0.2f, 0.2f}, 0.1f)},
      {"no feed width", table_of({0.05f, 0.06f, 0.05f}, {0.01f, 0.02f, 0.01f}, {0.3f, 0.3f, 0.3f}, 0.0f)},
  };
}

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class LayoutGeometry : public ::testing::TestWithParam<LayoutCase> {};

// The rectangles of the two coupled strips of section K.
std::pair<Rect, Rect> coupled_pair(const FilterLayout& lay, size_t k) {
  const Strip& upper = lay.strips[k - 1];
  const Strip& lower = lay.strips[k];
  return {upper.parts.size() == 1 || k > 1 ? upper.parts.back() : upper.parts[1], lower.parts.front()};
}

TEST_P(LayoutGeometry, SectionsAreTheTableToThePrintedDigit) {
  const DimensionTable& t = GetParam().table;
  const int poles = static_cast<int>(t.rows.size()) - 1;
  const FilterLayout lay = build_layout(t, poles);
  ASSERT_EQ(lay.strips.size(), t.rows.size() + 1);
  ASSERT_EQ(lay.sections.size(), t.rows.size());
  for (size_t k = 1; k <= t.rows.size(); ++k) {
    const DimensionRow& row = t.rows[k - 1];
    const auto [a, b] = coupled_pair(lay, k);
    // Both strips of the pair span the section, side by side.
    EXPECT_EQ(a.x0, b.x0) << "section " << k;
    EXPECT_EQ(a.x1, b.x1) << "section " << k;
    EXPECT_EQ(F((a.x1 - a.x0) / 25.4f, 8, 4), F(row.length_in, 8, 4)) << "section " << k;
    EXPECT_EQ(F(a.y1 - a.y0, 7, 4), F(row.w_mm, 7, 4)) << "section " << k;
    EXPECT_EQ(F(b.y1 - b.y0, 7, 4), F(row.w_mm, 7, 4)) << "section " << k;
    EXPECT_EQ(F(b.y0 - a.y1, 8, 4), F(row.s_mm, 8, 4)) << "section " << k;
  }
}

TEST_P(LayoutGeometry, SectionLengthsAddUpToTheReportedTotal) {
  const DimensionTable& t = GetParam().table;
  const FilterLayout lay = build_layout(t, static_cast<int>(t.rows.size()) - 1);
  float sum = 0.0f;
  for (const SectionMark& m : lay.sections) sum += m.length_mm;
  EXPECT_FLOAT_EQ(sum, lay.coupled_length_mm);
  // To the printed digit, although the report adds the unrounded lengths.
  EXPECT_EQ(F(lay.coupled_length_mm / 25.4f, 8, 4), F(t.total_in, 8, 4));
  // Sections follow each other without gap or overlap.
  for (size_t k = 1; k < lay.sections.size(); ++k) EXPECT_EQ(lay.sections[k].x0, lay.sections[k - 1].x1);
}

TEST_P(LayoutGeometry, NeighbouringCopperNeverTouches) {
  const DimensionTable& t = GetParam().table;
  const FilterLayout lay = build_layout(t, static_cast<int>(t.rows.size()) - 1);
  float min_gap = 1e30f;
  for (const DimensionRow& r : t.rows) min_gap = std::min(min_gap, r.s_mm);
  for (size_t i = 0; i < lay.strips.size(); ++i)
    for (size_t j = i + 1; j < lay.strips.size(); ++j)
      for (const Rect& p : lay.strips[i].parts)
        for (const Rect& q : lay.strips[j].parts)
          EXPECT_GE(clearance(p, q), min_gap * 0.999f) << "strips " << i << " and " << j;
  EXPECT_GE(lay.min_clearance_mm, min_gap * 0.999f);
  EXPECT_TRUE(lay.warnings.empty() || t.w_zo_in == 0.0f);
}

TEST_P(LayoutGeometry, EachStripIsOneConnectedPieceWithItsFeed) {
  const DimensionTable& t = GetParam().table;
  const FilterLayout lay = build_layout(t, static_cast<int>(t.rows.size()) - 1);
  const bool feeds = t.w_zo_in > 0.0f;
  for (const Strip& s : lay.strips) {
    if (s.parts.size() == 2) {
      const Rect& l = s.parts[0];
      const Rect& r = s.parts[1];
      EXPECT_EQ(l.x1, r.x0);
      EXPECT_GT(std::min(l.y1, r.y1) - std::max(l.y0, r.y0), 0.0f) << "strip " << s.index << " halves do not join";
    }
    EXPECT_GE(s.outline.size(), 4u);
  }
  if (feeds) {
    const Rect& in = lay.strips.front().parts.front();
    const Rect& out = lay.strips.back().parts.back();
    EXPECT_EQ(F(in.y1 - in.y0, 7, 4), F(t.w_zo_in * 25.4f, 7, 4));
    EXPECT_EQ(F(out.x1 - out.x0, 8, 4), F(t.quarter_wave_in * 25.4f, 8, 4));
    EXPECT_EQ(in.x0, 0.0f);
  } else {
    EXPECT_EQ(lay.strips.front().parts.size(), 1u);
    EXPECT_EQ(lay.strips.back().parts.size(), 1u);
    EXPECT_FALSE(lay.warnings.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Tables, LayoutGeometry, ::testing::ValuesIn(layout_cases()), [](const auto& info) {
  std::string n = info.param.name;
  for (char& ch : n)
    if (ch == ' ') ch = '_';
  return n;
});

struct TotalCase {
  const char* name;
  std::vector<float> lengths;  // printed, inches
  float total;                 // printed, inches
  bool warned;
};

class ReconciledLengths : public ::testing::TestWithParam<TotalCase> {};

// The lengths drawn still print as the table's, and add up to its total
// whenever rounding explains the difference; otherwise they stay as
// printed and the difference is reported.
TEST_P(ReconciledLengths, AddUpToThePrintedTotal) {
  const TotalCase& c = GetParam();
  DimensionTable t = table_of(std::vector<float>(c.lengths.size(), 0.05f), std::vector<float>(c.lengths.size(), 0.01f),
                              c.lengths, 0.05f);
  t.total_in = c.total;
  std::vector<std::string> warnings;
  const std::vector<float> drawn = reconciled_lengths(t, warnings);
  ASSERT_EQ(drawn.size(), c.lengths.size());
  EXPECT_EQ(!warnings.empty(), c.warned);
  float sum = 0.0f;
  for (size_t k = 0; k < drawn.size(); ++k) {
    EXPECT_EQ(F(drawn[k], 8, 4), F(c.lengths[k], 8, 4)) << "section " << k + 1;
    sum += drawn[k];
  }
  if (!c.warned) {
    EXPECT_EQ(F(sum, 8, 4), F(c.total, 8, 4));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Tables, ReconciledLengths,
    ::testing::Values(TotalCase{"exact", {0.1131f, 0.1124f, 0.1124f, 0.1124f, 0.1131f}, 0.5634f, false},
                      TotalCase{"stripline one up", {0.1989f, 0.1989f, 0.1989f, 0.1989f, 0.1989f}, 0.9946f, false},
                      TotalCase{"three down", {0.3333f, 0.3333f, 0.3333f}, 0.9998f, false},
                      TotalCase{"most rounding allows", {0.2f, 0.2f, 0.2f, 0.2f}, 0.8002f, false},
                      TotalCase{"a total that does not match", {0.2f, 0.2f, 0.2f}, 0.7f, true}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& ch : n)
        if (ch == ' ') ch = '_';
      return n;
    });

struct ClearanceCase {
  Rect a, b;
  float expected;
};

class RectClearance : public ::testing::TestWithParam<ClearanceCase> {};

TEST_P(RectClearance, DistanceTouchAndOverlap) {
  const ClearanceCase& c = GetParam();
  EXPECT_FLOAT_EQ(clearance(c.a, c.b), c.expected);
  EXPECT_FLOAT_EQ(clearance(c.b, c.a), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, RectClearance,
                         ::testing::Values(ClearanceCase{{0, 0, 1, 1}, {0, 1.5f, 1, 2}, 0.5f},   // above/below
                                           ClearanceCase{{0, 0, 1, 1}, {3, 0, 4, 1}, 2.0f},      // side by side
                                           ClearanceCase{{0, 0, 1, 1}, {4, 5, 5, 6}, 5.0f},      // diagonal 3-4-5
                                           ClearanceCase{{0, 0, 1, 1}, {1, 1, 2, 2}, 0.0f},      // corner contact
                                           ClearanceCase{{0, 0, 1, 1}, {1, 0.2f, 2, 0.8f}, 0.0f},  // edge contact
                                           ClearanceCase{{0, 0, 2, 2}, {1.5f, 1.75f, 3, 3}, -0.25f}));

struct OutlineCase {
  Rect left, right;
  size_t corners;
};

class Outline : public ::testing::TestWithParam<OutlineCase> {};

TEST_P(Outline, DropsRepeatedAndStraightCorners) {
  const OutlineCase& c = GetParam();
  const auto pts = strip_outline(c.left, c.right);
  EXPECT_EQ(pts.size(), c.corners);
  // Every edge is horizontal or vertical, and the area is that of the halves.
  float area2 = 0.0f;
  for (size_t i = 0; i < pts.size(); ++i) {
    const Point& p = pts[i];
    const Point& q = pts[(i + 1) % pts.size()];
    EXPECT_TRUE(p.x == q.x || p.y == q.y);
    area2 += p.x * q.y - q.x * p.y;
  }
  const float area = (c.left.x1 - c.left.x0) * (c.left.y1 - c.left.y0) +
                     (c.right.x1 - c.right.x0) * (c.right.y1 - c.right.y0);
  EXPECT_NEAR(std::fabs(area2) / 2.0f, area, 1e-4f);
}

INSTANTIATE_TEST_SUITE_P(Steps, Outline,
                         ::testing::Values(OutlineCase{{0, 0, 2, 1}, {2, 0, 3, 1}, 4u},        // equal widths
                                           OutlineCase{{0, 0, 2, 2}, {2, 1, 3, 2}, 6u},        // bottoms flush
                                           OutlineCase{{0, 0, 2, 1}, {2, 0, 3, 3}, 6u},        // tops flush
                                           OutlineCase{{0, 1, 2, 2}, {2, 0, 3, 3}, 8u}));      // centred step

TEST(LayoutRefuses, TablesThatCannotBeDrawn) {
  DimensionTable t = road_microstrip();
  EXPECT_THROW(build_layout(t, 5), std::invalid_argument);  // 5 rows for a 5-pole design
  t.rows[2].w_mm = 0.0f;
  EXPECT_THROW(build_layout(t, 4), std::invalid_argument);
  t = road_microstrip();
  t.rows[1].length_in = std::nanf("");
  EXPECT_THROW(build_layout(t, 4), std::invalid_argument);
  t = road_microstrip();
  t.rows[1].s_mm = 0.0f;  // a gap printed as 0.0000: drawn, but flagged
  const FilterLayout lay = build_layout(t, 4);
  EXPECT_LE(lay.min_clearance_mm, 0.0f);
  EXPECT_FALSE(lay.warnings.empty());
}

}  // namespace
}  // namespace quorvane::stored
