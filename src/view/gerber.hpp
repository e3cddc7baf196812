// Gerber files of the filter for a board house (Ucamco's Gerber layer
// format, RS-274X): millimetres, format 4.6, absolute
// coordinates, y up as in the DXF (y = -layout y).
//
// The copper file draws each strip of the layout as one region (G36/G37)
// with exactly the outline the DXF and the layout sheet draw.  The outline
// file draws the board edge as a closed line.  File attributes are written
// in their comment form (G04 #@! ...), which readers without attribute
// support pass over.
#pragma once

#include <string>

#include "stored/filter_layout.hpp"

namespace quorvane::view {

using namespace quorvane::stored;

// The board: the copper's extent along the filter (the feed lines reach
// the two short edges, where the connectors go) and `margin_mm` beyond the
// copper on each long side.
Rect board_outline(const FilterLayout& layout, float margin_mm);

// Copper layer, top, positive: one region per strip.  `design` names the
// design in a comment line.
std::string gerber_copper(const FilterLayout& layout, const std::string& design);

// Board profile, not plated: the outline rectangle drawn with a 0.1 mm line.
std::string gerber_outline(const Rect& board, const std::string& design);

}  // namespace quorvane::view
