// Drawings of the filter copper: a to-scale SVG (user units are millimetres,
// so printed at 100 % it is the filter's own size) with the main dimensions
// annotated, and an AutoCAD R12 ASCII DXF of closed polylines in millimetres
// for layout and field-solver tools.
#pragma once

#include <string>

#include "view/filter_layout.hpp"
#include "view/storage_parser.hpp"

namespace quorvane::view {

std::string layout_svg(const FilterLayout& layout, const DimensionTable& table, const std::string& title);

// DXF: one closed POLYLINE per strip on layer COPPER, in the outline order,
// with y pointing up (DXF convention: y = -layout y).  Coordinates carry six
// decimals (a nanometre).
std::string layout_dxf(const FilterLayout& layout);

}  // namespace quorvane::view
