#include "em/em_figures.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quorvane::em {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The -3 dB crossing walking from `from` in steps of `dir`.
double crossing(const std::vector<double>& f, const std::vector<double>& s, std::size_t from, int dir, double level) {
  for (std::size_t i = from; dir < 0 ? i > 0 : i + 1 < f.size(); i += dir) {
    const std::size_t j = i + dir;
    if (s[j] < level) return f[i] + (f[j] - f[i]) * (s[i] - level) / (s[i] - s[j]);
  }
  return kNaN;
}

}  // namespace

Figures figures(const std::vector<double>& f, const std::vector<double>& s21, const std::vector<double>& s11,
                double flow, double fhigh) {
  Figures g;
  if (f.empty()) return {kNaN, kNaN, kNaN, kNaN, kNaN, kNaN};
  const auto peak = static_cast<std::size_t>(std::max_element(s21.begin(), s21.end()) - s21.begin());
  const double level = s21[peak] - 3;
  // The walks start at the lowest and the highest frequency of the designed
  // passband within 3 dB of the peak, so that a ripple dip deeper than 3 dB
  // inside the band does not split it (the peak when no such frequency).
  std::size_t first = peak, last = peak;
  bool inside = false;
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (f[i] < flow || f[i] > fhigh || !(s21[i] >= level)) continue;
    if (!inside) first = std::min(i, peak);
    last = std::max(i, peak);
    inside = true;
  }
  if (!inside) first = last = peak;
  g.lower = crossing(f, s21, first, -1, level);
  g.upper = crossing(f, s21, last, +1, level);
  g.centre = (g.lower + g.upper) / 2;
  g.bandwidth = g.upper - g.lower;
  g.worst_s11 = g.least_s21 = kNaN;
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (f[i] < flow || f[i] > fhigh) continue;
    g.worst_s11 = std::isnan(g.worst_s11) ? s11[i] : std::max(g.worst_s11, s11[i]);
    g.least_s21 = std::isnan(g.least_s21) ? s21[i] : std::min(g.least_s21, s21[i]);
  }
  return g;
}

Extrapolated extrapolate(double coarse, double fine, double ratio, double order) {
  const double correction = (fine - coarse) / (std::pow(ratio, order) - 1);
  return {fine + correction, std::fabs(correction)};
}

Figures extrapolate(const Figures& c, const Figures& f, double ratio, Figures& u) {
  Figures e;
  double Figures::*const fields[] = {&Figures::centre,   &Figures::lower,     &Figures::upper,
                                     &Figures::bandwidth, &Figures::worst_s11, &Figures::least_s21};
  for (double Figures::*m : fields) {
    const Extrapolated x = extrapolate(c.*m, f.*m, ratio);
    e.*m = x.value;
    u.*m = x.uncertainty;
  }
  return e;
}

}  // namespace quorvane::em
