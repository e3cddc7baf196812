// A board house's full set for a board that holds the filter alone: the
// Gerber layers (the filter copper, the ground planes, solder mask on both
// sides, the board outline) and a Gerber job file (Ucamco's X2 job format,
// JSON) naming every layer and the material stack-up.
//
// Microstrip: the filter on L1 (top), a full ground plane on L2 (bottom).
// Stripline: ground planes on L1 and L3, the filter on the inner layer L2,
// midway between them (two dielectric layers of (B - t)/2).  The planes
// cover the board less kPlanePullbackMm at its edge, where a router would
// otherwise cut copper.  The mask layers are negative (what they draw is
// opened): by default the filter's area, its copper's extent plus
// mask_opening_mm, is open on both sides, so that the filter sees air as
// the design assumed; covered (mask_over_filter), only the two ports'
// anchors are open on the top of a microstrip board, for the connectors.
#pragma once

#include <string>
#include <vector>

#include "stored/filter_layout.hpp"
#include "stored/storage_parser.hpp"

namespace quorvane::view {

using stored::DimensionTable;
using stored::FilterLayout;
using stored::StoredConstruction;

// The solder mask assumed for the estimate of its effect: a liquid
// photoimageable mask, Er 3.8 at microwave frequencies, 20 um thick.
inline constexpr float kMaskEr = 3.8f;
inline constexpr float kMaskThicknessMm = 0.020f;
inline constexpr float kPlanePullbackMm = 0.3f;
// Copper for the job file when the report's strips have no thickness (the
// thin-strip models): 35 um, one ounce, the most common foil.
inline constexpr float kDefaultCopperMm = 0.035f;

struct BoardSpec {
  StoredConstruction construction = StoredConstruction::Microstrip;
  float er = 0.0f;
  float height_mm = 0.0f;  // microstrip H, stripline B (ground to ground)
  float copper_mm = 0.0f;  // strip thickness, also taken for the planes
  bool copper_assumed = false;  // the report's thickness is 0: kDefaultCopperMm
  float margin_mm = 0.0f;  // board beyond the copper on each side
  bool mask_over_filter = false;
};

// The board of `table` with the default margin (see default_margin_mm).
// A strip thickness of 0 (the thin-strip idealisation) gives
// kDefaultCopperMm.
BoardSpec board_spec(const DimensionTable& table);

// Five substrate heights (H, or B), at least 3 mm (at most a metre): room for the fields of
// the lines beside the copper, for the router and for a connector at
// each feed line.
float default_margin_mm(float height_mm);

// The mask opening's reach beyond the copper: two substrate heights, at
// least 0.5 mm (the fringing fields of the strips die out within it).
float mask_opening_mm(float height_mm);

struct SetFile {
  std::string name;
  std::string text;
};

// Every file of the set, named `base` + suffix: -copper.gbr, the
// ground plane(s) (-ground-top.gbr for stripline, -ground-bottom.gbr),
// -mask-top.gbr, -mask-bottom.gbr, -outline.gbr and .gbrjob last.
std::vector<SetFile> gerber_set(const FilterLayout& layout, const BoardSpec& board, const std::string& base,
                                const std::string& design);

// Relative change of the centre frequency when the mask covers a
// microstrip filter (negative: lower); 0 for stripline, whose filter lies
// inside the board.  The estimate, per coupled section and mode: its
// effective dielectric constant (Kirschning-Jansen) is split by the filling
// factor q into the substrate's part and the air's; of the air's field
// energy the share within the mask thickness t of the surface is taken from
// the edge field of a thin strip of half-width a (field ~ 1/sqrt(z^2 - a^2)):
// g / (g + pi ln(1 + r / a)), g = (2 t / a) ln(a / t), r the distance to the
// return conductor (H for the even mode, half the gap for the odd mode).
// That share sees the mask's Er half along the field and half across it:
// (Er - 1/Er) / 2 added to its 1.  A section resonates lower by the ratio of
// its modes' mean sqrt(eff) with the mask to that without; the centre by the
// mean over the sections.
double mask_centre_shift(const FilterLayout& layout, const BoardSpec& board);

// The log's line for it: "solder mask over the filter (Er 3.8, 0.020 mm
// assumed): centre expected 0.65 % (65 MHz) lower", or for stripline that
// the centre stays.
std::string mask_note(const FilterLayout& layout, const BoardSpec& board, float f0_mhz);

}  // namespace quorvane::view
