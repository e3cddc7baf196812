// Scattering parameters and input impedance of a two-port given by its chain
// matrix, between complex source and load impedances, as power waves.
//
// Reference
//   K. Kurokawa, "Power waves and the scattering matrix", IEEE Trans. MTT,
//     vol. MTT-13, no. 2, pp. 194-202, March 1965.
#pragma once

#include "analysis/chain_matrix.hpp"

namespace quorvane {

struct SParameters {
  Complex s11;
  Complex s12;
  Complex s21;
  Complex s22;
  Complex zinput;  // impedance into port 1 with zlc at port 2, ohm
};

// abcd: chain matrix of the two-port; zsc: source impedance, the reference of
// port 1; zlc: load impedance, the reference of port 2 (ohm).  No checks: a
// vanishing denominator gives non-finite results, a negative Re(zsc)*Re(zlc)
// a NaN transmission.
SParameters sparam(const ChainMatrix& abcd, Complex zsc, Complex zlc);

}  // namespace quorvane
