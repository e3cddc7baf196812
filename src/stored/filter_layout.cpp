#include "stored/filter_layout.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

namespace quorvane::stored {

namespace {

constexpr float kMmPerInch = 25.4f;

bool positive(float v) { return std::isfinite(v) && v > 0.0f; }

std::string inches(float v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.4f", static_cast<double>(v));
  return buf;
}

// Top of the right half from the top of the left half, by the flush rule.
float right_top(float left_top, float left_w, float right_w) {
  return left_w >= right_w ? left_top + (left_w - right_w) : left_top;
}

bool collinear(const Point& a, const Point& b, const Point& c) {
  return (a.x == b.x && b.x == c.x) || (a.y == b.y && b.y == c.y);
}

}  // namespace

std::vector<float> reconciled_lengths(const DimensionTable& table, std::vector<std::string>& warnings) {
  std::vector<float> len;
  float printed_sum = 0.0f;
  for (const DimensionRow& row : table.rows) {
    len.push_back(row.length_in);
    printed_sum += row.length_in;
  }
  if (len.empty() || !std::isfinite(table.total_in) || !(table.total_in > 0.0f)) return len;
  // The report prints each length and the total of the unrounded lengths to
  // 0.0001 inch.  The difference is spread evenly over the sections, each
  // moved by less than half a unit of the printed digit, so that the lengths
  // still read as printed and add up to the printed total.
  constexpr float kHalfUnit = 0.0000499f;
  const float share = (table.total_in - printed_sum) / static_cast<float>(len.size());
  const float step = std::clamp(share, -kHalfUnit, kHalfUnit);
  float sum = 0.0f;
  for (float& l : len) {
    l += step;
    sum += l;
  }
  if (std::fabs(sum - table.total_in) > 0.00005f) {
    warnings.push_back("the section lengths add up to " + inches(printed_sum) + " inches, the report's total is " +
                       inches(table.total_in) + " inches: more apart than the printed digits allow");
    // Keep the printed lengths when the two disagree beyond rounding.
    for (size_t k = 0; k < len.size(); ++k) len[k] = table.rows[k].length_in;
  }
  return len;
}

float clearance(const Rect& a, const Rect& b) {
  const float dx = std::max(a.x0 - b.x1, b.x0 - a.x1);
  const float dy = std::max(a.y0 - b.y1, b.y0 - a.y1);
  if (dx > 0.0f || dy > 0.0f) {
    const float px = std::max(dx, 0.0f);
    const float py = std::max(dy, 0.0f);
    return std::sqrt(px * px + py * py);
  }
  return std::max(dx, dy);
}

std::vector<Point> strip_outline(const Rect& l, const Rect& r) {
  const std::vector<Point> corners{{l.x0, l.y0}, {l.x1, l.y0}, {r.x0, r.y0}, {r.x1, r.y0},
                                   {r.x1, r.y1}, {r.x0, r.y1}, {l.x1, l.y1}, {l.x0, l.y1}};
  std::vector<Point> pts;
  for (const Point& p : corners)
    if (pts.empty() || p.x != pts.back().x || p.y != pts.back().y) pts.push_back(p);
  while (pts.size() > 1 && pts.front().x == pts.back().x && pts.front().y == pts.back().y) pts.pop_back();
  // Drop corners that lie on a straight edge (a step of zero height); the
  // polygon has at most eight corners, so a fixed number of passes suffices.
  for (int pass = 0; pass < 8 && pts.size() > 4; ++pass) {
    bool removed = false;
    for (size_t i = 0; i < pts.size() && pts.size() > 4; ++i) {
      const Point& prev = pts[(i + pts.size() - 1) % pts.size()];
      const Point& next = pts[(i + 1) % pts.size()];
      if (collinear(prev, pts[i], next)) {
        pts.erase(pts.begin() + static_cast<std::ptrdiff_t>(i));
        removed = true;
        break;
      }
    }
    if (!removed) break;
  }
  return pts;
}

std::string copper_note(bool compensated) {
  return compensated ? "copper compensated for open ends: each coupled section drawn shorter than printed by the "
                       "open-end extension of its strips"
                     : "copper as printed: section lengths as the report prints them, not compensated for open ends";
}

namespace {

// Throws std::invalid_argument when the table cannot be drawn.
void check_drawable(const DimensionTable& table, int poles, const std::vector<float>& open_end_in) {
  const size_t m = static_cast<size_t>(poles) + 1;
  if (poles < 1 || table.rows.size() != m)
    throw std::invalid_argument("the table has " + std::to_string(table.rows.size()) + " section rows, the design " +
                                std::to_string(m));
  if (!open_end_in.empty() && open_end_in.size() != m)
    throw std::invalid_argument("open-end extensions for " + std::to_string(open_end_in.size()) +
                                " sections, the design has " + std::to_string(m));
  for (const DimensionRow& row : table.rows) {
    if (!row.realizable)
      throw std::invalid_argument("section " + std::to_string(row.section) +
                                  " is not realizable in stripline for its Zoe and Zoo: the table has no width "
                                  "or gap for it");
    if (!positive(row.w_mm) || !positive(row.length_in) || !std::isfinite(row.s_mm) || row.s_mm < 0.0f)
      throw std::invalid_argument("section " + std::to_string(row.section) +
                                  " has a width, gap or length that cannot be drawn");
  }
}

// The feed lines of the Zo line's width and a quarter wavelength long; false
// (with a warning) when the table gives none.
bool place_feeds(const DimensionTable& table, FilterLayout& lay) {
  const bool feeds = positive(table.w_zo_in) && positive(table.quarter_wave_in);
  if (feeds) {
    lay.feed_width_mm = table.w_zo_in * kMmPerInch;
    lay.feed_length_mm = table.quarter_wave_in * kMmPerInch;
  } else {
    lay.warnings.push_back("no usable Zo line width or quarter wavelength: feed lines are left out");
  }
  return feeds;
}

// Section boundaries along x, mm: X(1) = feed length, X(K+1) = X(K) + L(K).
std::vector<float> section_boundaries(const DimensionTable& table, const std::vector<float>& open_end_in,
                                      const std::vector<float>& lengths_in, FilterLayout& lay) {
  const size_t m = table.rows.size();
  std::vector<float> x(m + 2, 0.0f);
  x[1] = lay.feed_length_mm;
  for (size_t k = 1; k <= m; ++k) {
    const float dl = lay.compensated ? open_end_in[k - 1] : 0.0f;
    if (!std::isfinite(dl) || dl < 0.0f || !(lengths_in[k - 1] - dl > 0.0f))
      throw std::invalid_argument("section " + std::to_string(k) + " is not longer than its open-end extension " +
                                  inches(dl) + " inches");
    const float len = (lengths_in[k - 1] - dl) * kMmPerInch;
    x[k + 1] = x[k] + len;
    lay.coupled_length_mm += len;
  }
  return x;
}

// The strips: each the right half of one section and the left half of the
// next, flush by the rule of right_top; the feeds at both ends.
void place_strips(const DimensionTable& table, const std::vector<float>& open_end_in,
                  const std::vector<float>& lengths_in, const std::vector<float>& x, bool feeds, FilterLayout& lay) {
  const size_t m = table.rows.size();
  auto width = [&](size_t k) { return table.rows[k - 1].w_mm; };  // section K

  // Strip 0: feed (or nothing) then the first strip of section 1, whose top is y = 0.
  float right_top_prev = 0.0f;
  {
    Strip s;
    s.index = 0;
    const float wr = width(1);
    const Rect right{x[1], right_top_prev, x[2], right_top_prev + wr};
    if (feeds) {
      const float wl = lay.feed_width_mm;
      // Inverse of the flush rule: the left half is placed from the right one.
      const float left_top = wl >= wr ? right_top_prev + wr - wl : right_top_prev;
      const Rect left{0.0f, left_top, x[1], left_top + wl};
      s.parts = {left, right};
      s.outline = strip_outline(left, right);
    } else {
      s.parts = {right};
      s.outline = {{right.x0, right.y0}, {right.x1, right.y0}, {right.x1, right.y1}, {right.x0, right.y1}};
    }
    lay.strips.push_back(std::move(s));
  }
  for (size_t k = 1; k <= m; ++k) {
    const DimensionRow& row = table.rows[k - 1];
    const float wl = width(k);
    const float left_top = right_top_prev + wl + row.s_mm;
    const float dl_mm = lay.compensated ? open_end_in[k - 1] * kMmPerInch : 0.0f;
    SectionMark mark{row.section, x[k], x[k + 1], row.w_mm, row.s_mm, x[k + 1] - x[k],
                     lengths_in[k - 1] * kMmPerInch, dl_mm, right_top_prev + wl, left_top};
    lay.sections.push_back(mark);

    Strip s;
    s.index = static_cast<int>(k);
    const Rect left{x[k], left_top, x[k + 1], left_top + wl};
    const bool last = k == m;
    if (last && !feeds) {
      s.parts = {left};
      s.outline = {{left.x0, left.y0}, {left.x1, left.y0}, {left.x1, left.y1}, {left.x0, left.y1}};
    } else {
      const float wr = last ? lay.feed_width_mm : width(k + 1);
      const float x2 = last ? x[k + 1] + lay.feed_length_mm : x[k + 2];
      right_top_prev = right_top(left_top, wl, wr);
      const Rect right{x[k + 1], right_top_prev, x2, right_top_prev + wr};
      s.parts = {left, right};
      s.outline = strip_outline(left, right);
    }
    lay.strips.push_back(std::move(s));
  }

}

Rect copper_bounds(const std::vector<Strip>& strips) {
  Rect b{std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
         std::numeric_limits<float>::lowest(), std::numeric_limits<float>::lowest()};
  for (const Strip& s : strips)
    for (const Rect& r : s.parts) {
      b.x0 = std::min(b.x0, r.x0);
      b.y0 = std::min(b.y0, r.y0);
      b.x1 = std::max(b.x1, r.x1);
      b.y1 = std::max(b.y1, r.y1);
    }
  return b;
}

// The narrowest clearance between two strips; a warning when copper touches.
void check_clearance(FilterLayout& lay) {
  lay.min_clearance_mm = std::numeric_limits<float>::infinity();
  for (size_t i = 0; i < lay.strips.size(); ++i)
    for (size_t j = i + 1; j < lay.strips.size(); ++j)
      for (const Rect& p : lay.strips[i].parts)
        for (const Rect& q : lay.strips[j].parts) lay.min_clearance_mm = std::min(lay.min_clearance_mm, clearance(p, q));
  if (!(lay.min_clearance_mm > 0.0f))
    lay.warnings.push_back("copper of neighbouring strips touches (a gap of the table is zero)");
}

}  // namespace

FilterLayout build_layout(const DimensionTable& table, int poles, const std::vector<float>& open_end_in) {
  check_drawable(table, poles, open_end_in);
  FilterLayout lay;
  lay.compensated = !open_end_in.empty();
  const bool feeds = place_feeds(table, lay);
  const std::vector<float> lengths_in = reconciled_lengths(table, lay.warnings);
  const std::vector<float> x = section_boundaries(table, open_end_in, lengths_in, lay);
  place_strips(table, open_end_in, lengths_in, x, feeds, lay);
  lay.bounds = copper_bounds(lay.strips);
  check_clearance(lay);
  return lay;
}

}  // namespace quorvane::stored
