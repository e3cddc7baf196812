// Drawings of the filter copper: a to-scale SVG (user units are millimetres
// of the filter; the sheet is the drawing at a stated scale, so that a
// filter of a few millimetres is drawn large enough to read) with the main
// dimensions annotated, and an AutoCAD R12 ASCII DXF of closed polylines in millimetres
// for layout and field-solver tools.
#pragma once

#include <string>
#include <vector>

#include "stored/filter_layout.hpp"
#include "stored/storage_parser.hpp"

namespace quorvane::view {

using stored::DimensionTable;
using stored::FilterLayout;

// Drawing scale of the SVG sheet: the largest of 1, 2 or 5 times a power of
// ten at which the copper stays within half a metre (10 for a 20 mm filter).
float drawing_scale(const FilterLayout& layout);

// Sheet at `scale` (1 for a 1:1 mask; 0 or less: the drawing scale), its
// size the drawing's times the scale, lettering 3.5 mm high on it.
std::string layout_svg(const FilterLayout& layout, const DimensionTable& table, const std::string& title,
                       float scale = 0.0f);

// Text of the scale as the sheet states it: "20:1", "1:1", "1:5", "2.5:1".
std::string scale_text(float scale);

// DXF: one closed POLYLINE per strip on layer COPPER, in the outline order,
// with y pointing up (DXF convention: y = -layout y).  Coordinates carry six
// decimals (a nanometre).  R12 has no unit variable: 999 comments at the
// start name the unit and `design`.
std::string layout_dxf(const FilterLayout& layout, const std::string& design = "");

// The 999 comment lines that open the DXF.
std::vector<std::string> dxf_comments(const std::string& design);

}  // namespace quorvane::view
