// Chain (ABCD) matrix of a two-port in single-precision complex arithmetic:
// V1 = A V2 + B I2 and I1 = C V2 + D I2, with I1 flowing into port 1 and I2
// out of port 2, so that a cascade is the ordinary matrix product with the
// two-port nearest port 1 on the left.
#pragma once

#include <complex>

namespace quorvane {

using Complex = std::complex<float>;

struct ChainMatrix {
  Complex a;  // (1,1): open-circuit voltage ratio
  Complex b;  // (1,2): ohm
  Complex c;  // (2,1): siemens
  Complex d;  // (2,2): short-circuit current ratio

  static ChainMatrix identity() { return {Complex(1.0f, 0.0f), Complex(0.0f, 0.0f),
                                          Complex(0.0f, 0.0f), Complex(1.0f, 0.0f)}; }
};

// Ordinary 2x2 product, each element summed in index order (row k=1 first).
// A section model forms `section * running` to put its section in front of
// the chain built so far.
inline ChainMatrix operator*(const ChainMatrix& l, const ChainMatrix& r) {
  return {l.a * r.a + l.b * r.c, l.a * r.b + l.b * r.d,
          l.c * r.a + l.d * r.c, l.c * r.b + l.d * r.d};
}

}  // namespace quorvane
