// A mesh made for coupled-line filters.  Along each axis the lines come from
// the copper's edges and are filled in between:
// - every strip edge on the thirds rule: one line a third of the local cell
//   inside the copper, the next two thirds outside (the field's edge
//   singularity then falls where the FDTD's staircase places the edge;
//   Taflove and Hagness, Computational Electrodynamics, 3rd ed., ch. 10),
//   where one strip ends at the coordinate another begins at, a line on
//   the edge itself and cells of a third of the local cell around it (a
//   joint inside one strip is no edge);
// - the local cell near an edge at most a third of the gap or strip on each
//   side, so that every gap and every strip is resolved by at least three
//   cells (at the coarse level; a finer level divides that cell too, or the
//   narrow gaps, where the coupling is decided, would not refine and the
//   extrapolation over the levels would be void); the substrate by at
//   least four;
// - between fixed lines the cells grow from the smaller neighbour by at
//   most the grading ratio, up to the largest cell, a fixed fraction of the
//   shortest wavelength in the dielectric;
// - copper edges on the same side of their copper closer than a sixth of
//   the coarse level's edge cell are merged into one at their mean, at
//   every level (a small step of width is drawn as none, and every level
//   solves the same copper, which the extrapolation over the levels needs);
//   a larger step keeps both its edges on the thirds rule, with a cell that
//   divides it; fixed lines closer than half their local cell are merged.
// Each level is a fixed refinement (all cell sizes over kLevelRefinement)
// of the one before it.
#pragma once

#include <string>
#include <vector>

#include "em/em_model.hpp"

namespace quorvane::em {

enum class MeshLevel { Coarse = 0, Normal = 1, Fine = 2 };
inline constexpr double kLevelRefinement = 1.5;
inline constexpr double kGradingRatio = 1.5;    // largest ratio of neighbouring cells
inline constexpr double kMergeFraction = 0.5;   // of the local cell
// Of the coarse level's edge cell: a step of width below it moves each
// strip edge by at most a twelfth of that cell (H / 24 in microstrip).
inline constexpr double kStepMergeFraction = 1.0 / 6;

const char* level_name(MeshLevel level);
bool parse_level(const std::string& text, MeshLevel& level);

// The sizes a level asks for, mm.
struct MeshRules {
  double max_cell = 0;   // in the dielectric: shortest dielectric wavelength / (12 r^level)
  double max_air = 0;    // above the substrate the free-space wavelength counts
  double edge_cell = 0;  // near a strip edge: H / (2 r^level), and at most the gap or strip over room_cells
  double sub_cell = 0;   // across the substrate: H / (4 r^level)
  double room_cells = 3; // across the narrowest gap or strip beside an edge: 3 r^level
  double step_merge = 0; // same-side edges closer than this merge: the coarse edge cell times kStepMergeFraction
};
MeshRules mesh_rules(const Model& m, MeshLevel level);

// An edge of copper along one axis: metal below the coordinate, above it,
// or both (one strip ends where another begins).
struct Edge {
  double at = 0;
  bool metal_below = false, metal_above = false;
  double room = 0;  // the strip or gap beside it: to the nearest edge of the other kind on either side, mm
};

// Lines of one axis from lo to hi (both kept): thirds-rule lines at the
// edges (same-side edges closer than `step_merge` merged first, the two
// edges of a larger step given one cell that divides it), their cell
// the edge cell and at most the room beside the edge over `room_cells`,
// `fixed` lines kept as given (probe planes, the substrate surface),
// `bands` [a, b, cell] with their own largest cell, the rest graded up to
// the largest cell.  At most kMaxLinesPerAxis lines; more throws
// std::length_error.
inline constexpr std::size_t kMaxLinesPerAxis = 4000;
struct Band {
  double a = 0, b = 0, cell = 0;
};
struct AxisCells {
  double edge = 0, largest = 0;
  double room_cells = 3;
  double step_merge = 0;  // 0: kStepMergeFraction of `edge`
};
std::vector<double> axis_lines(double lo, double hi, const std::vector<Edge>& edges, const std::vector<double>& fixed,
                               const std::vector<Band>& bands, const AxisCells& cells);

// The edges of the copper along x (axis 0) or y (axis 1), with the room
// beside each and whether copper lies on either side (looked up at the
// edge's coordinate over the copper's extent across it).
std::vector<Edge> copper_edges(const std::vector<Box>& copper, int axis);

struct Mesh {
  std::vector<double> x, y, z;
  std::size_t cells() const { return (x.size() - 1) * (y.size() - 1) * (z.size() - 1); }
  // The measuring planes of each port: three lines one cell apart.
  double probe_x[2][3] = {{0, 0, 0}, {0, 0, 0}};
  double excite_x = 0;   // the excitation plane on port 1's line
};

// The mesh of a model at a level; the PML of the absorbing edges lies in
// its outermost 8 cells.
Mesh build_mesh(const Model& m, MeshLevel level);

}  // namespace quorvane::em
