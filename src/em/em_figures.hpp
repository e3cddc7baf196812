// The figures of a filter response and their extrapolation over mesh levels.
#pragma once

#include <vector>

namespace quorvane::em {

struct Figures {
  double centre = 0, lower = 0, upper = 0, bandwidth = 0;  // MHz, NaN when a -3 dB point lies outside the sweep
  double worst_s11 = 0, least_s21 = 0;                     // dB across flow ... fhigh (NaN: no frequency there)
};

// Edges: where S21 falls 3 dB below its peak, walking outward from the
// lowest and the highest frequency of flow ... fhigh within 3 dB of the peak
// (a ripple dip inside the band does not end it), interpolated linearly;
// centre their middle.
Figures figures(const std::vector<double>& f_mhz, const std::vector<double>& s21_db,
                const std::vector<double>& s11_db, double flow, double fhigh);

// Richardson extrapolation from two levels whose cells differ by `ratio`,
// the error falling as the cell to the power `order` (2 for the FDTD
// scheme): the value, and the size of the correction as its uncertainty.
struct Extrapolated {
  double value = 0, uncertainty = 0;
};
Extrapolated extrapolate(double coarse, double fine, double ratio, double order = 2);
Figures extrapolate(const Figures& coarse, const Figures& fine, double ratio, Figures& uncertainty);

}  // namespace quorvane::em
