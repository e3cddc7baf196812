#include "em/em_mesh.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace quorvane::em {

namespace {

// Growth of the wanted cell size per millimetre of distance, per
// millimetre of cell: a cell s wants its neighbour at most s (1 + kSlope).
constexpr double kSlope = 0.3;
constexpr int kPmlCells = 8;
constexpr int kRepairPasses = 64;
constexpr int kSmoothingPasses = 100;  // per round of repair_grading

struct Fixed {
  double at = 0, h = 0;
};

// Lines closer than kMergeFraction of their smaller cell become one at their
// mean (an end of the axis stays where it is).
std::vector<Fixed> merge_close(std::vector<Fixed> f, double lo, double hi) {
  std::sort(f.begin(), f.end(), [](const Fixed& a, const Fixed& b) { return a.at < b.at; });
  std::vector<Fixed> out;
  for (const Fixed& p : f) {
    if (!out.empty() && p.at - out.back().at < kMergeFraction * std::min(p.h, out.back().h)) {
      Fixed& q = out.back();
      q.at = (q.at == lo) ? lo : (p.at == hi ? hi : (q.at + p.at) / 2);
      q.h = std::min(q.h, p.h);
      continue;
    }
    out.push_back(p);
  }
  return out;
}

// The room beside each edge of a sorted list: the distance to the nearest
// edge of the other kind on either side, the strip or gap that ends there.
// An edge of the same kind nearby is a step of width between neighbouring
// sections (copper on the same side of both), not a gap: counted as room,
// it would ask for cells a fraction of a small step that the strips'
// coupling does not depend on, and one level would merge the step while the
// next kept it, its cells then far below the level's edge cell.
void measure_room(std::vector<Edge>& edges) {
  for (std::size_t i = 0; i < edges.size(); ++i) {
    const Edge& e = edges[i];
    const auto other = [&e](const Edge& o) {
      return (e.metal_below && o.metal_above) || (e.metal_above && o.metal_below);
    };
    double room = 1e30;
    for (std::size_t j = i; j-- > 0;)
      if (other(edges[j])) {
        room = std::min(room, e.at - edges[j].at);
        break;
      }
    for (std::size_t j = i + 1; j < edges.size(); ++j)
      if (other(edges[j])) {
        room = std::min(room, edges[j].at - e.at);
        break;
      }
    edges[i].room = room;
  }
}

// Two edges with copper on the same side of both (a step of width when
// they lie close together).
bool same_side(const Edge& a, const Edge& b) {
  return a.metal_below == b.metal_below && a.metal_above == b.metal_above;
}

// Edges closer than `within` with copper on the same side (a small step of
// width) become one at their mean; the room beside each is measured again.
std::vector<Edge> merge_edges(std::vector<Edge> edges, double within) {
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.at < b.at; });
  std::vector<Edge> out;
  int count = 1;
  for (const Edge& e : edges) {
    // Only edges with copper on the same side: opposite sides close together
    // are a narrow gap or strip, which must keep both its edges.
    if (!out.empty() && e.at - out.back().at < within && same_side(e, out.back())) {
      Edge& m = out.back();
      m.at = (m.at * count + e.at) / (count + 1);
      ++count;
      continue;
    }
    out.push_back(e);
    count = 1;
  }
  measure_room(out);
  return out;
}

bool graded(const std::vector<double>& x) {
  for (std::size_t i = 1; i + 1 < x.size(); ++i) {
    const double a = x[i] - x[i - 1], b = x[i + 1] - x[i];
    if (std::max(a / b, b / a) > kGradingRatio * (1 + 1e-9)) return false;
  }
  return true;
}

// Grades the lines: first each line that is not `fixed` is moved so that
// the two cells about it continue the geometric progression of the cells
// outside them (neither larger than the larger of the two was), which
// spreads a jump in size over the free lines between fixed ones; where that
// cannot mend a jump (too few free lines), every cell more than
// kGradingRatio times a neighbour is split in two and the lines smoothed
// again.  Splitting alone (as this did before) halved the cell beside each
// jump and then its neighbour and the next, to the end of the axis: a 2 %
// narrower end strip of a 2-pole design doubled the coarse level's lines
// across the filter and cut its time step by a third, so that the
// full-wave answer jumped with the copper.
void repair_grading(std::vector<double>& x, std::vector<bool>& fixed) {
  for (int round = 0; round < kRepairPasses; ++round) {
    for (int pass = 0; pass < kSmoothingPasses && !graded(x); ++pass)
      for (std::size_t i = 1; i + 1 < x.size(); ++i) {
        if (fixed[i]) continue;
        const double a = x[i] - x[i - 1], b = x[i + 1] - x[i];
        const double outer_a = i >= 2 ? x[i - 1] - x[i - 2] : a;
        const double outer_b = i + 2 < x.size() ? x[i + 2] - x[i + 1] : b;
        const double t = std::cbrt(outer_a / outer_b);  // a/b of a progression outer_a, a, b, outer_b
        const double most = std::max(a, b);
        x[i] = x[i - 1] + std::clamp((a + b) * t / (1 + t), a + b - most, most);
      }
    if (graded(x)) return;
    std::vector<double> out{x.front()};
    std::vector<bool> out_fixed{fixed.front()};
    for (std::size_t i = 1; i < x.size(); ++i) {
      const double c = x[i] - x[i - 1];
      const double left = i >= 2 ? x[i - 1] - x[i - 2] : c;
      const double right = i + 1 < x.size() ? x[i + 1] - x[i] : c;
      if (c > kGradingRatio * std::min(left, right) * (1 + 1e-9)) {
        out.push_back(x[i - 1] + c / 2);
        out_fixed.push_back(false);
      }
      out.push_back(x[i]);
      out_fixed.push_back(fixed[i]);
    }
    x.swap(out);
    fixed.swap(out_fixed);
    if (x.size() > kMaxLinesPerAxis) throw std::length_error("mesh axis with too many lines");
  }
}

void add_pml(std::vector<double>& x, bool at_lo, bool at_hi) {
  if (at_lo) {
    const double c = x[1] - x[0];
    for (int i = 0; i < kPmlCells; ++i) x.insert(x.begin(), x.front() - c);
  }
  if (at_hi) {
    const double c = x[x.size() - 1] - x[x.size() - 2];
    for (int i = 0; i < kPmlCells; ++i) x.push_back(x.back() + c);
  }
}

}  // namespace

const char* level_name(MeshLevel level) {
  static const char* const names[] = {"coarse", "normal", "fine"};
  return names[static_cast<int>(level)];
}

bool parse_level(const std::string& text, MeshLevel& level) {
  for (int i = 0; i < 3; ++i)
    if (text == level_name(static_cast<MeshLevel>(i))) {
      level = static_cast<MeshLevel>(i);
      return true;
    }
  return false;
}

MeshRules mesh_rules(const Model& m, MeshLevel level) {
  const double r = std::pow(kLevelRefinement, static_cast<int>(level));
  MeshRules rules;
  rules.max_cell = wavelength_cell(m, 12 * r);
  rules.max_air = rules.max_cell * std::sqrt(m.er);
  // The strip's height over its ground plane sets the scale near the copper
  // (the substrate's H, or half a stripline's B).
  rules.edge_cell = std::min(m.strip_z / (2 * r), rules.max_cell);
  rules.sub_cell = m.strip_z / (4 * r);
  rules.room_cells = 3 * r;
  rules.step_merge = std::min(m.strip_z / 2, wavelength_cell(m, 12)) * kStepMergeFraction;
  if (m.stripline) rules.max_air = rules.max_cell;
  return rules;
}

std::vector<Edge> copper_edges(const std::vector<Box>& copper, int axis) {
  auto lo = [axis](const Box& b) { return axis == 0 ? b.x0 : b.y0; };
  auto hi = [axis](const Box& b) { return axis == 0 ? b.x1 : b.y1; };
  auto across_lo = [axis](const Box& b) { return axis == 0 ? b.y0 : b.x0; };
  auto across_hi = [axis](const Box& b) { return axis == 0 ? b.y1 : b.x1; };
  constexpr double eps = 1e-6;
  std::vector<Edge> edges;
  for (const Box& b : copper)
    for (const double at : {lo(b), hi(b)}) {
      Edge e{at, false, false, 0};
      for (const Box& c : copper) {
        if (std::min(across_hi(b), across_hi(c)) - std::max(across_lo(b), across_lo(c)) <= eps) continue;
        e.metal_below = e.metal_below || (lo(c) < at - eps && hi(c) >= at - eps);
        e.metal_above = e.metal_above || (lo(c) <= at + eps && hi(c) > at + eps);
      }
      if (e.metal_below && e.metal_above) continue;  // copper goes on: a joint, not an edge
      auto same = std::find_if(edges.begin(), edges.end(), [&](const Edge& o) { return std::fabs(o.at - at) < eps; });
      if (same == edges.end()) {
        edges.push_back(e);
      } else {
        same->metal_below = same->metal_below || e.metal_below;
        same->metal_above = same->metal_above || e.metal_above;
      }
    }
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.at < b.at; });
  measure_room(edges);
  return edges;
}

std::vector<double> axis_lines(double lo, double hi, const std::vector<Edge>& edges, const std::vector<double>& fixed,
                               const std::vector<Band>& bands, const AxisCells& cells) {
  const double edge_cell = cells.edge, max_cell = cells.largest;
  if (!(hi > lo) || !(edge_cell > 0) || !(max_cell > 0)) throw std::invalid_argument("empty mesh axis");
  // The largest cell wanted at x from the bands alone, graded away from them.
  auto cap = [&](double x) {
    double c = max_cell;
    for (const Band& b : bands) {
      const double d = x < b.a ? b.a - x : (x > b.b ? x - b.b : 0.0);
      c = std::min(c, b.cell + kSlope * d);
    }
    return c;
  };
  std::vector<Fixed> f{{lo, cap(lo)}, {hi, cap(hi)}};
  const std::vector<Edge> kept =
      merge_edges(edges, cells.step_merge > 0 ? cells.step_merge : edge_cell * kStepMergeFraction);
  // The strip or gap beside each edge over room_cells, so that a narrow gap
  // still gets its cells (floored only for copper that all but touches,
  // where no cell count would resolve it).
  std::vector<double> cell(kept.size());
  for (std::size_t i = 0; i < kept.size(); ++i)
    cell[i] = std::clamp(kept[i].room / cells.room_cells, edge_cell / 30, edge_cell);
  // A step of width that was not merged (copper on the same side of two
  // edges a few cells apart, a narrow end strip beside its wider feed line
  // or neighbour): both edges take one cell that divides the step, so that
  // the thirds lines of the two coincide or lie whole cells apart.
  // Otherwise the lines of the two would be merged into one at their mean
  // (which draws the step as none and moves both edges by half of it), or
  // the cells between them split, off the thirds rule, by a different share
  // at each level.
  for (std::size_t i = 1; i < kept.size(); ++i) {
    const Edge &a = kept[i - 1], &b = kept[i];
    if ((a.metal_below && a.metal_above) || !same_side(a, b)) continue;
    const double step = b.at - a.at;
    if (step >= 3 * std::max(cell[i - 1], cell[i])) continue;
    cell[i - 1] = cell[i] = step / std::ceil(step / std::min(cell[i - 1], cell[i]));
  }
  for (std::size_t i = 0; i < kept.size(); ++i) {
    const Edge& e = kept[i];
    if (e.at <= lo || e.at >= hi) continue;
    const double d = cell[i];
    if (e.metal_below && e.metal_above) {
      // One strip ends where another begins (the staircase): no third suits
      // both, so a line on the edge and cells of a third around it.
      f.push_back({e.at, d / 3});
    } else if (e.metal_below) {
      f.push_back({e.at - d / 3, d});
      f.push_back({e.at + 2 * d / 3, d});
    } else if (e.metal_above) {
      f.push_back({e.at + d / 3, d});
      f.push_back({e.at - 2 * d / 3, d});
    }
  }
  for (const double x : fixed) f.push_back({x, edge_cell});
  f.erase(std::remove_if(f.begin(), f.end(), [&](const Fixed& p) { return p.at < lo || p.at > hi; }), f.end());
  f = merge_close(f, lo, hi);
  if (f.size() > kMaxLinesPerAxis) throw std::length_error("mesh axis with too many lines");
  for (Fixed& p : f) p.h = std::min(p.h, cap(p.at));
  // Wanted size at x: the smallest over the fixed lines, each growing by kSlope.
  auto wanted = [&](double x) {
    double s = cap(x);
    for (const Fixed& p : f) s = std::min(s, p.h + kSlope * std::fabs(x - p.at));
    return s;
  };
  std::vector<double> lines{f.front().at};
  std::vector<bool> fixed_line{true};  // the lines of `f`, which grading keeps where they are
  for (std::size_t i = 1; i < f.size(); ++i) {
    const double a = f[i - 1].at, b = f[i].at;
    constexpr int kSamples = 256;
    std::vector<double> cum(kSamples + 1, 0.0);
    for (int k = 0; k < kSamples; ++k) {
      const double x = a + (b - a) * (k + 0.5) / kSamples;
      cum[k + 1] = cum[k] + (b - a) / kSamples / wanted(x);
    }
    const int n = std::max(1, static_cast<int>(std::ceil(cum.back() - 0.05)));
    if (lines.size() + static_cast<std::size_t>(n) > kMaxLinesPerAxis)
      throw std::length_error("mesh axis with too many lines");
    for (int j = 1; j < n; ++j) {
      const double target = cum.back() * j / n;
      const auto it = std::lower_bound(cum.begin(), cum.end(), target);
      const auto k = static_cast<std::size_t>(it - cum.begin());
      const double frac = (target - cum[k - 1]) / (cum[k] - cum[k - 1]);
      lines.push_back(a + (b - a) * (static_cast<double>(k - 1) + frac) / kSamples);
      fixed_line.push_back(false);
    }
    lines.push_back(b);
    fixed_line.push_back(true);
  }
  repair_grading(lines, fixed_line);
  return lines;
}

Mesh build_mesh(const Model& m, MeshLevel level) {
  const MeshRules r = mesh_rules(m, level);
  Mesh mesh;
  std::vector<double> fixed_x;
  for (int p = 0; p < 2; ++p) {
    const Port& port = m.ports[p];
    const double centre = port.feed_end + port.outward * 3 * m.strip_z;
    for (int k = 0; k < 3; ++k) {
      mesh.probe_x[p][k] = centre + (1 - k) * port.outward * r.edge_cell;  // outer first
      fixed_x.push_back(mesh.probe_x[p][k]);
    }
  }
  const AxisCells plane{r.edge_cell, r.max_cell, r.room_cells, r.step_merge};
  mesh.x = axis_lines(m.x_lo, m.x_hi, copper_edges(m.copper, 0), fixed_x, {}, plane);
  mesh.y = axis_lines(m.y_lo, m.y_hi, copper_edges(m.copper, 1), {}, {}, plane);
  std::vector<double> fixed_z{m.strip_z, m.h};
  if (m.t > 0) fixed_z.push_back(m.strip_z + m.t);
  const double dielectric_top = m.stripline ? m.h : m.h + m.t;
  mesh.z = axis_lines(0, m.z_hi, {}, fixed_z, {{0, dielectric_top, r.sub_cell}}, {r.sub_cell, r.max_air});
  add_pml(mesh.x, true, true);
  add_pml(mesh.y, !m.covered, !m.covered);
  add_pml(mesh.z, false, !m.covered && !m.stripline);
  mesh.excite_x = mesh.x[kPmlCells + 2];
  return mesh;
}

}  // namespace quorvane::em
