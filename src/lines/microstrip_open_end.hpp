// Length extension of an open microstrip end: the fringing field beyond the
// end of a strip stores charge as if the strip were longer by dl.
//
// Reference
//   M. Kirschning, R. H. Jansen and N. H. L. Koster, "Accurate model for
//     open end effect of microstrip lines", Electronics Letters, vol. 17,
//     no. 3, pp. 123-125, Feb. 1981: the closed form
//       dl / h = xi1 xi3 xi5 / xi4
//     with its factors xi1 ... xi5 of u = w/h, er and the effective
//     dielectric constant, fitted to spectral-domain results over
//     0.01 <= u <= 100 and er <= 50.
#pragma once

namespace quorvane {

// Factors of the Kirschning-Jansen-Koster open end, named as in the paper.
struct MsopenFactors {
  float xi1 = 0.0f, xi2 = 0.0f, xi3 = 0.0f, xi4 = 0.0f, xi5 = 0.0f;
  float dl_over_h = 0.0f;  // xi1 xi3 xi5 / xi4
};

// u = w/h (strip width over substrate height), er relative dielectric
// constant of the substrate, eff effective dielectric constant of the strip
// (at the frequency of interest).
MsopenFactors msopen_factors(float u, float er, float eff);

// Open-end extension of a strip of width w on a substrate of height h (one
// common length unit; the result is in that unit).
float msopen(float er, float eff, float h, float w);

// Capacitance of an open end, pF, that stores what a line extension dl
// (inch) stores: dl sqrt(eff) / (c z0), c = speed in inch MHz, z0 in ohm.
float open_end_pf(float dl, float eff, float z0, float speed);

// The inverse: the extension, inch, of an open-end capacitance cap_pf.
float open_end_length(float cap_pf, float eff, float z0, float speed);

}  // namespace quorvane
