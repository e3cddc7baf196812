// Quasi-static field solution of a symmetric edge-coupled pair of strips:
// Laplace's equation on the cross-section, solved by linear finite elements
// on a graded tensor-product mesh, for the even mode (a magnetic wall in the
// symmetry plane of the gap) and the odd mode (an electric wall there), each
// with the dielectric and with air.  The capacitances per unit length give
// the mode impedances and effective dielectric constants:
//   Z = 1 / (c sqrt(C C_air)),  Er,eff = C / C_air.
//
// The arithmetic is double precision throughout: the solution is a check on
// the closed-form models, not the program's own single-precision arithmetic.
//
// Mesh: along each axis the lines are graded toward the strip edges, with
// the local spacing growing as d^(2/3) within one length scale of an edge
// and in proportion to d beyond it (d the distance from the edge).  This
// radical grading resolves the r^(1/2) edge singularity of the potential,
// so that the capacitance (an energy) converges as h^2 under uniform
// refinement of the stretched coordinate; Richardson extrapolation from two
// successive meshes removes that leading term.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quorvane::fields {

enum class Medium { Microstrip, Stripline };
enum class Mode { Even, Odd };

// One coupled section, lengths in one common unit (the reports give inches).
//   microstrip: strips on a substrate of height h, ground below, air above
//               and a grounded cover at 100 h, as the closed-form models assume;
//   stripline:  strips centred between ground planes h (= B) apart in a
//               homogeneous dielectric.
// A gap s = 0 gives one strip of width 2 w (even mode only).
struct CrossSection {
  Medium medium = Medium::Microstrip;
  double er = 1.0;
  double w = 0.0, s = 0.0, t = 0.0, h = 0.0;
  bool operator==(const CrossSection&) const = default;
};

// Why the cross-section of a coupled pair cannot be solved (non-finite or
// non-positive sizes, a strip as thick as the ground-plane spacing or
// reaching the cover), or "" when it can.
std::string cross_section_fault(const CrossSection& section);

// Mesh lines and the potential at the nodes, v[j * x.size() + i] at
// (x[i], y[j]).  The domain is the half cross-section x >= 0 (x = 0 the
// symmetry plane of the gap), y >= 0 (the lower ground plane); for stripline
// only its lower half, y <= h/2 (a magnetic wall by symmetry).
struct Potential {
  std::vector<double> x, y;
  std::vector<double> v;
  double capacitance = 0.0;  // per unit length of one strip, divided by eps0
};

// The potential of one mode (strip at 1 V, ground at 0) on the mesh of
// refinement `level` (0 the coarsest; each level halves the stretched
// spacing, about four times the nodes), with the dielectric or in air.
Potential solve_potential(const CrossSection& section, Mode mode, bool dielectric, int level);

struct SolveOptions {
  double tolerance = 5e-4;  // relative change of two successive extrapolated results
  int max_level = 6;        // bound of the refinement (a node budget also stops it)
  int levels = 0;           // > 0: solve exactly this many levels, ignoring the tolerance
};

struct ModeResult {
  double z = 0.0;      // characteristic impedance, ohm
  double eff = 0.0;    // effective dielectric constant
  double z_err = 0.0;  // estimated relative errors, per cent
  double eff_err = 0.0;
};

struct FieldSolution {
  ModeResult even, odd;   // odd is NaN for a single strip (s = 0)
  int levels = 0;         // mesh levels solved
  std::size_t nodes = 0;  // nodes of the finest mesh
  bool converged = false; // the tolerance was met within max_level and the node budget
};

// Refines from level 0 until two successive extrapolated results of every
// capacitance differ by less than the tolerance (at least three levels), and
// reports the last one; the error estimate of each value is its change from
// the previous extrapolation.  Throws std::invalid_argument for a faulty
// cross-section (a gap of 0 allowed) and std::runtime_error when the sparse
// factorisation fails.
FieldSolution solve_section(const CrossSection& section, const SolveOptions& options = {});

// Solves several sections side by side on the machine's cores; `faults`
// receives, per section, the text of an exception that stopped its solve
// ("" when it was solved).
std::vector<FieldSolution> solve_sections(const std::vector<CrossSection>& sections,
                                          std::vector<std::string>& faults, const SolveOptions& options = {});

}  // namespace quorvane::fields
