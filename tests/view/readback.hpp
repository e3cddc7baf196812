// Readers for what quorvane-view writes, used by the tests to check its
// files from the outside: XML well-formedness (and xmllint when the machine
// has it), the polylines of a DXF, the rows of a Touchstone file, and the
// lettering of a drawing.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "stored/filter_layout.hpp"

namespace quorvane::view::testing {

using namespace quorvane::stored;

// "" when `doc` is well-formed XML: elements nest and close in order,
// attributes are quoted and unique, and text and attribute values use only
// the five predefined entities.  Otherwise what is wrong.
std::string xml_problem(const std::string& doc);

// "" when xmllint accepts `doc` or is not installed; otherwise its complaint.
std::string xmllint_problem(const std::string& doc);

struct DxfPolyline {
  bool closed = false;
  std::string layer;
  std::vector<Point> vertices;
};

// The POLYLINE entities of an R12 ASCII DXF; `problem` names a structural fault.
std::vector<DxfPolyline> read_dxf(const std::string& text, std::string& problem);

struct TouchstoneText {
  std::vector<std::string> comments;    // "!" lines, without the "!"
  std::string option;                   // the "#" line
  std::vector<std::vector<float>> rows;  // the numbers of each data line
  bool option_after_data = false;
};

TouchstoneText read_touchstone(const std::string& text);

// Equal to the printed digit: the two values print as the same number in
// Fw.d ("-0.00" and "0.00" are the same number; a magnitude keeps no sign).
::testing::AssertionResult same_printed(float a, float b, int w, int d);

// Lettering of an SVG sheet whose width is given in millimetres: every
// font size, times the sheet's millimetres per user unit, at least
// `min_mm`; every text line estimated to fit in the sheet's width.
::testing::AssertionResult legible_sheet(const std::string& svg, float min_mm);

}  // namespace quorvane::view::testing
