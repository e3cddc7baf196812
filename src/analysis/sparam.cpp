// Chain matrix to power-wave scattering parameters (Kurokawa, IEEE Trans.
// MTT-13, 1965): with D = A ZL + B + C Zs ZL + D Zs,
//   s11 = (A ZL + B - C Zs* ZL - D Zs*) / D,   s21 = 2 sqrt(Rs RL) / D,
//   s12 = (AD - BC) s21,                        s22 = (-A ZL* + B - C Zs ZL* + D Zs) / D.
#include "analysis/sparam.hpp"

#include <cmath>

namespace quorvane {

SParameters sparam(const ChainMatrix& abcd, Complex zsc, Complex zlc) {
  const Complex a = abcd.a;
  const Complex b = abcd.b;
  const Complex c = abcd.c;
  const Complex d = abcd.d;
  const Complex zs_conj = std::conj(zsc);
  const Complex zl_conj = std::conj(zlc);

  Complex denom = a * zlc + b + c * zsc * zlc + d * zsc;
  denom = 1.0f / denom;

  SParameters sp;
  sp.s11 = (a * zlc + b - c * zs_conj * zlc - d * zs_conj) * denom;
  const float temp = 2.0f * std::sqrt(zsc.real() * zlc.real());
  sp.s21 = temp * denom;
  sp.s12 = (a * d - b * c) * sp.s21;
  sp.s22 = (-a * zl_conj + b - c * zsc * zl_conj + d * zsc) * denom;
  sp.zinput = (a * zlc + b) / (c * zlc + d);
  return sp;
}

}  // namespace quorvane
