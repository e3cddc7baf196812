// The filter as a KiCad footprint (the s-expression format of KiCad 6,
// which KiCad 7 and 8 also read), for a larger board drawn in KiCad.
//
// The footprint's origin is the layout's: x along the filter from the outer
// end of the input feed line, y downwards (KiCad's y points down, so the
// numbers are the Gerber's with y = -Gerber y), millimetres to a nanometre.
// The strip of each port (the input feed line joined to the first coupled
// strip, the last coupled strip joined to the output feed line) is a custom
// SMD pad, 1 the input and 2 the output: its position, where a track
// connects, is the outer end of the feed line, mid-width; its anchor, a
// rectangle as wide as the feed line and as long (never longer than the
// feed line), is offset inwards so that it lies on the strip, whose outline
// is the pad's one primitive.  The resonators are copper polygons of the
// footprint.  Microstrip copper is on F.Cu; stripline copper on In1.Cu, with
// the ground planes of the design on F.Cu and B.Cu (the description states
// the stack-up).  Courtyard (F.CrtYd) and fabrication outline (F.Fab) are
// the copper's extent plus kOutlineClearanceMm; there is no keep-out, so the
// user's ground pour may come as close as the board's own clearance allows.
#pragma once

#include <array>
#include <string>

#include "stored/filter_layout.hpp"
#include "stored/storage_parser.hpp"

namespace quorvane::view {

using stored::DesignSummary;
using stored::DimensionTable;
using stored::FilterLayout;
using stored::Point;

// Courtyard and fabrication outline beyond the copper's extent: IPC-7351's
// nominal courtyard excess.
inline constexpr float kOutlineClearanceMm = 0.25f;

// Where a port's line joins the filter: the outer end of its feed line
// (mid-width), the feed line's width, and the length of the pad's anchor
// along it (the width, at most the feed line's length), pointing inwards
// along x by `inward` (+1 input, -1 output).
struct FilterPort {
  Point at;
  float width = 0.0f;
  float anchor = 0.0f;
  float inward = 1.0f;
};

// Input then output; without feed lines, the outer ends of the first and
// the last coupled strip.
std::array<FilterPort, 2> filter_ports(const FilterLayout& layout);

// The footprint `name` of `layout`; `summary` gives its value (poles, Fo,
// BW) and with `table` its description (design, construction, substrate).
std::string kicad_footprint(const FilterLayout& layout, const std::string& name, const DesignSummary& summary,
                            const DimensionTable& table);

}  // namespace quorvane::view
