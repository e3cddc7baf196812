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

#include <sstream>
#include <string>
#include <vector>

#include "stored/filter_layout.hpp"

namespace quorvane::view {

using stored::FilterLayout;
using stored::Point;
using stored::Rect;

// A length in millimetres as the integer count of nanometres that format
// 4.6 writes (never "-0").
long long nanometres(float mm);

// Comment text without the '*' and '%' that end a command.
std::string comment_text(std::string s);

// What opens every layer: a comment naming `what` and `design`, the
// attributes (the file function, e.g. "Copper,L1,Top", and `polarity`,
// "Positive" or "Negative"), format, unit and the one aperture D10, a
// 0.1 mm circle (a file without an aperture definition is taken by readers
// for the older RS-274D).
void gerber_header(std::ostringstream& o, const std::string& file_function, const std::string& what,
                   const std::string& design, const char* polarity = "Positive");

// A closed path through `pts` (y up: y = -layout y), for a region or a line.
void gerber_path(std::ostringstream& o, const std::vector<Point>& pts);

// The board: `margin_mm` beyond the copper on each side (the feed lines
// end that far from the two short edges, where the connectors go).
Rect board_outline(const FilterLayout& layout, float margin_mm);

// Copper layer, positive: one region per strip.  `design` names the design
// in a comment line; the filter is on the top layer unless `file_function`
// says otherwise (stripline: "Copper,L2,Inr").
std::string gerber_copper(const FilterLayout& layout, const std::string& design,
                          const std::string& file_function = "Copper,L1,Top");

// Board profile, not plated: the outline rectangle drawn with a 0.1 mm line.
std::string gerber_outline(const Rect& board, const std::string& design);

}  // namespace quorvane::view
