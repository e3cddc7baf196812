// The full-wave model of a stored filter: the copper exactly as the layout
// outputs draw it (the same rectangles as the DXF and Gerber files), on its
// substrate over a ground plane (microstrip) or midway between two
// (stripline), each feed line extended outward into a
// measuring line that runs into the absorbing boundary, and the box of air
// (open, or under a metal lid with metal side walls) around it.  Millimetres
// and hertz throughout; the model is geometry, not arithmetic of the dialogue,
// and is held in double.
#pragma once

#include <string>
#include <vector>

#include "stored/stored_design.hpp"

namespace quorvane::em {

struct Box {
  double x0 = 0, y0 = 0, z0 = 0, x1 = 0, y1 = 0, z1 = 0;  // mm, x0 <= x1 ...
};

// One measuring port on a feed line: the line runs along x from the feed
// end (the layout's end of the filter) outward to the domain's edge.
struct Port {
  double feed_end = 0;     // mm, x of the layout's feed end (the reference plane)
  double outward = -1;     // -1: the line leaves towards -x (port 1), +1 towards +x (port 2)
  double y0 = 0, y1 = 0;   // mm, the line's edges
  double z_ref = 50;       // ohm, reference impedance (stored Zs, ZL)
};

struct Model {
  std::string name;               // for the progress lines
  std::vector<Box> copper;        // strips, z0 == z1 == h for a zero-thickness sheet
  double er = 1, h = 1, t = 0;    // substrate Er, height H or ground-plane spacing B (mm), strip thickness (mm)
  bool stripline = false;         // the dielectric fills 0 ... h and a ground plane lies at h
  double strip_z = 0;             // mm, the strips' lower face: h (microstrip) or (B - t)/2 (stripline)
  double tan_delta = 0;           // dielectric loss tangent (0: lossless)
  double sigma = 0;               // strip conductivity, S/m (0: perfect conductor)
  Port ports[2];
  double x_lo = 0, x_hi = 0;      // mm, domain along the filter (ports run into its ends)
  double y_lo = 0, y_hi = 0;      // mm, board edges across the filter
  double z_hi = 0;                // mm, top of the domain (the lid when covered)
  bool covered = false;           // metal lid at z_hi and metal walls at y_lo, y_hi
  double f_lo = 0, f_hi = 0;      // Hz, band of the excitation and the answer
};

// How the model is built from a stored design.
struct ModelOptions {
  bool as_printed = false;  // the printed lengths, not shortened for the open ends
  bool lossless = false;
  double cover_mm = 0;      // > 0: lid at that height above the substrate, walls at the board edges
};

// Largest cell allowed in the dielectric, mm, at the model's highest
// frequency, for `cells_per_wavelength`.
double wavelength_cell(const Model& m, double cells_per_wavelength);

// Thickness of the strips' conducting sheet for their loss, m: the strip
// thickness, or 35 um (1 oz copper) when the design gives none.
double sheet_thickness_m(const Model& m);

// The model of a stored microstrip or stripline design.  False with a
// one-line `error` for a design this program cannot model (unequal
// terminations, a table that cannot be drawn, a band above the substrate's
// surface-wave or higher-order-mode limit, a lid over stripline).
bool build_model(const stored::StoredDesign& design, const ModelOptions& opt, Model& m, std::string& error);

// A straight line of width w and length len (mm) between two ports, on the
// given substrate (h: microstrip H, or stripline B with the strip midway):
// the known-answer model.
Model straight_line(double er, double h, double w, double len, double f_lo, double f_hi, bool stripline = false);

// One half-wave resonator between two ports: two coupled sections of strips
// of width w, gap s and length len (mm), the resonator (2 len long, both
// ends open) coupled to the input line's open end over its first half and
// to the output line's over its second: a one-pole filter, the known
// answer of coupled sections with their open ends.
Model one_resonator(double er, double h, double w, double s, double len, double f_lo, double f_hi);

}  // namespace quorvane::em
