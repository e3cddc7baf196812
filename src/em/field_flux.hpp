// Where the power of a full-wave run goes: the time-averaged Poynting flux
// 1/2 Re(E x H*) through a closed box around the board, from openEMS's
// frequency-domain dumps of E and H on the box's five faces (the ground
// plane closes it below).  The box lies inside the absorbing layers, a few
// cells off their inner edge; each face's flux is split into
// - the windows where the two measuring lines cross the x faces (a
//   rectangle around each feed line, from the ground to a few substrate
//   heights above the strip): the power guided along the lines, not lost;
// - the substrate's part of the faces outside the windows: surface waves;
// - the air's part outside the windows: power radiated.
// The dumps hold the raw field of the Yee grid (no interpolation: a value
// interpolated to a node on the substrate's surface mixes the two sides of
// the strip and of the dielectric, E_z differing by Er, and loses a quarter
// of a coarse line's power).  The tangential E lies in the face's plane, the
// tangential H half a cell to either side of it and is averaged; each
// product E_a H_b sits where both do, and is integrated over its own cell
// of the face (Taflove and Hagness, Computational Electrodynamics, 3rd ed.,
// ch. 3: the discrete Poynting theorem).  Double precision throughout (a
// check beside the dialogue's single-precision arithmetic, not part of it).
#pragma once

#include <array>
#include <complex>
#include <string>
#include <vector>

#include "em/em_mesh.hpp"

namespace quorvane::em {

// One face of the box: a plane across `axis` (0 x, 1 y, 2 z) at the box's
// low (side -1) or high (side +1) end, the outward normal along side.  Its
// dump reaches one mesh line further in, towards -axis (H lies half a cell
// to either side of the plane).
struct FluxFace {
  int axis = 0, side = 1;
  Box plane;  // mm, zero extent across the axis
  double before = 0;  // mm, the mesh line before the plane along its axis
  Box dump() const;
};

struct FluxBox {
  Box box;             // mm, z0 = 0 (the ground plane)
  Box windows[2];      // mm, y and z extents of port 1's window (on the x0 face) and port 2's (x1)
  double substrate = 0;  // mm, top of the substrate
  std::vector<FluxFace> faces;  // x0, x1, y0, y1, top
};

// Cells between the box and the absorbing layers' inner edge, and the
// height of the windows above the strip (and beside it) in substrate heights.
inline constexpr int kFluxMarginCells = 4;
inline constexpr double kWindowHeights = 4;

// The box of a model on its mesh (every face on a mesh line).
FluxBox flux_box(const Model& m, const Mesh& mesh);

// The name of the dump of E ('E') or H ('H') on face k; openEMS writes it
// to <name>.h5 in the simulation folder.
std::string dump_name(char field, std::size_t face);

// The dumped fields of one face at one frequency: the mesh lines of E's
// dump (mm; across the face two, the face's plane the second) and the raw
// Yee components of E and H (peak phasors, V/m and A/m), E's of node (i, j,
// k) in element (k * ny + j) * nx + i: E_x at x_i+1/2, H_x at y_j+1/2 and
// z_k+1/2, and so on.  H's dump lies on the dual lines and may begin one
// further down an axis: node (i, j, k) is H's element (i + o_x, j + o_y,
// k + o_z) of its own sizes.
struct FaceField {
  FluxFace face;
  std::vector<double> lines[3];
  std::size_t h_size[3] = {0, 0, 0};
  std::size_t h_offset[3] = {0, 0, 0};
  std::array<std::vector<std::complex<double>>, 3> e, h;
};

// Outward power through parts of the box, W.
struct FluxParts {
  double radiated = 0, surface = 0;
  double guided[2] = {0, 0};  // through port 1's and port 2's window (outward: port 1's is negative)
};

// Adds the face's flux, split into its parts, to `sum`.
void add_face_flux(const FaceField& f, const FluxBox& box, FluxParts& sum);

// Reads the dumps of every face from `folder` and gives the parts at each
// of the `count` dumped frequencies.  False with a one-line `error` when a
// file is missing or not as openEMS writes it.
// The measuring lines' power at each frequency of `at`, W in the dumps'
// convention, from the probes' power waves.  port_waves gives Kurokawa's
// waves a = (U + Zref I) / (2 sqrt(Zref)) of the probes' spectra U = sum
// u(t) exp(-j w t) dt, whose peak phasor is 2 U, while openEMS's dumps hold
// the peak phasors 2 sum f(t) exp(-j w t) dt: the incident power is
// |2 a|^2 / 2 = 2 |a|^2.  The lines' constants are port 1's of the sweep
// `freq`, interpolated.
struct LinePower {
  double incident = 0;  // 2 |a1|^2
  double net_in = 0;    // 2 (|a1|^2 - |b1|^2), into port 1
  double out = 0;       // 2 (|b2|^2 - |a2|^2), out of port 2
};
bool line_power(const std::string& folder, const Model& m, const Mesh& mesh, const std::vector<double>& freq,
                const std::vector<std::complex<double>>& beta, const std::vector<std::complex<double>>& z_line,
                const std::vector<double>& at, std::vector<LinePower>& power, std::string& error);

// The Poynting power through the two windows over the voltage-current
// power of the lines there.  On a microstrip line the two differ by a few
// per cent (the power-current and voltage-current impedances part with
// frequency; the staircase adds its own), so the shares are taken of the
// incident power as the field carries it: the voltage-current incident
// power times this ratio.  1 when the lines carry less than
// kLeastLinePower of the incident power (the filter reflects it all, and
// loses none).
inline constexpr double kLeastLinePower = 0.1;
double line_flux_ratio(const FluxParts& flux, const LinePower& p);

bool measure_flux(const std::string& folder, const FluxBox& box, std::size_t count, std::vector<FluxParts>& out,
                  std::string& error);

}  // namespace quorvane::em
