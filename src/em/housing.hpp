// The first resonance of a filter's housing: a closed metal box, length a
// and width b, whose floor carries a substrate of height h and permittivity
// er under air up to the lid at h + c.  The box's modes are those of a
// dielectric-slab-loaded cavity, found exactly by transverse resonance
// across the two layers (Collin, Field Theory of Guided Waves, 2nd ed.,
// ch. 6): for the lateral variation of order (m, n), kt^2 = (m pi/a)^2 +
// (n pi/b)^2 and in each layer kz^2 = er k0^2 - kt^2,
// - modes TM to z (LSM, the electric field across the substrate, m, n >= 1):
//     kz1 sin(kz1 h) cos(kz2 c) / er + kz2 sin(kz2 c) cos(kz1 h) = 0,
// - modes TE to z (LSE, the electric field along the board, m + n >= 1):
//     cos(kz1 h) sin(kz2 c)/kz2 + cos(kz2 c) sin(kz1 h)/kz1 = 0,
// each written so that it has no poles and stays real when a kz is
// imaginary.  In double: a check beside the dialogue.
#pragma once

#include <string>

namespace quorvane::em {

struct BoxMode {
  double f_hz = 0;      // 0: none found
  std::string name;     // "LSM11", "LSE10", ...
};

// The lowest mode of orders up to 4 in each direction; a, b, h, c in mm.
BoxMode first_box_mode(double a, double b, double h, double er, double c);

}  // namespace quorvane::em
