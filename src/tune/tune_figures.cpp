#include "tune/tune_figures.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace quorvane::tune {

namespace {

constexpr int kEdgeGrid = 241;
constexpr int kRootSteps = 60;

double db_power(std::complex<float> s) { return 10 * std::log10(std::max(static_cast<double>(std::norm(s)), 1e-30)); }

// The -3 dB width of a stored response table (its peak's, walking outward).
double table_bandwidth(const stored::AnalysisTable& a) {
  std::size_t peak = 0;
  for (std::size_t i = 1; i < a.rows.size(); ++i)
    if (a.rows[i].s21db > a.rows[peak].s21db) peak = i;
  if (a.rows.size() < 3) return std::numeric_limits<double>::quiet_NaN();
  const double level = a.rows[peak].s21db - 3.0;
  auto cross = [&](std::size_t in, std::size_t out) {
    const double u = (a.rows[in].s21db - level) / (a.rows[in].s21db - a.rows[out].s21db);
    return a.rows[in].freq + u * (a.rows[out].freq - a.rows[in].freq);
  };
  double lo = NAN, hi = NAN;
  for (std::size_t i = peak; i > 0 && std::isnan(lo); --i)
    if (a.rows[i - 1].s21db < level) lo = cross(i, i - 1);
  for (std::size_t i = peak; i + 1 < a.rows.size() && std::isnan(hi); ++i)
    if (a.rows[i + 1].s21db < level) hi = cross(i, i + 1);
  return hi - lo;
}

// Where h changes sign between a and b (h(a), h(b) of opposite signs):
// regula falsi with the Illinois modification.
template <class H>
double root(H h, double a, double b, double ha, double hb, double tol) {
  int side = 0;
  for (int i = 0; i < kRootSteps && std::fabs(b - a) > tol; ++i) {
    const double c = (a * hb - b * ha) / (hb - ha);
    const double hc = h(c);
    if (hc == 0) return c;
    if ((hc < 0) == (hb < 0)) {
      b = c, hb = hc;
      if (side == -1) ha *= 0.5;
      side = -1;
    } else {
      a = c, ha = hc;
      if (side == 1) hb *= 0.5;
      side = 1;
    }
  }
  return (a * hb - b * ha) / (hb - ha);
}

}  // namespace

double ripple_return_loss(double ripple_db) { return -10 * std::log10(1 - std::pow(10.0, -ripple_db / 10)); }

bool design_targets(const stored::StoredDesign& d, Targets& t, std::string& error) {
  t.f0 = d.summary.f0;
  t.flow = d.summary.flow;
  t.fhigh = d.summary.fhigh;
  t.bw3 = d.has_electrical && d.electrical.bw3db > 0 ? d.electrical.bw3db : table_bandwidth(d.analysis);
  t.return_loss = d.summary.response == "Butterworth" || !(d.summary.ripple > 0)
                      ? std::numeric_limits<double>::quiet_NaN()
                      : ripple_return_loss(d.summary.ripple);
  if (!(t.f0 > 0 && t.flow > 0 && t.fhigh > t.flow && t.bw3 > 0 && std::isfinite(t.bw3))) {
    error = "the stored design gives no passband or -3 dB bandwidth to aim at";
    return false;
  }
  t.poles = d.summary.poles;
  t.ripple_eps = std::isnan(t.return_loss) ? 0 : std::sqrt(std::pow(10.0, d.summary.ripple / 10) - 1);
  t.lower = t.f0 - t.bw3 / 2;
  t.upper = t.f0 + t.bw3 / 2;
  return true;
}

double designed_reflection(const Targets& t, double f_mhz) {
  const double x = 2 * (f_mhz - t.f0) / (t.fhigh - t.flow);
  const int n = std::max(t.poles, 1);
  double p = 0;  // e^2 T(x)^2, or x^2N
  if (t.ripple_eps > 0) {
    const double tn = std::fabs(x) <= 1 ? std::cos(n * std::acos(x)) : std::cosh(n * std::acosh(std::fabs(x)));
    p = t.ripple_eps * t.ripple_eps * tn * tn;
  } else {
    p = std::pow(x * x, n);
  }
  return p / (1 + p);
}

void search_band(const Targets& t, double& f_lo, double& f_hi) {
  f_lo = std::max(std::min(t.flow, t.lower) - 1.5 * t.bw3, 0.05 * t.f0);
  f_hi = std::max(t.fhigh, t.upper) + 1.5 * t.bw3;
}

Figures measure(const CircuitModel& model, const Targets& t) {
  double lo = 0, hi = 0;
  search_band(t, lo, hi);
  const Evaluator e(model, lo, hi);
  std::vector<double> f(kEdgeGrid), g(kEdgeGrid);
  for (int i = 0; i < kEdgeGrid; ++i) {
    f[i] = lo + (hi - lo) * i / (kEdgeGrid - 1);
    g[i] = db_power(e.at(f[i]).s21);
  }
  // Below the peak where the circuit loses power (its losses, or the loss
  // space mapping adds), as the full-wave figures are taken.
  const bool lossy = model.lossy || model.mapped_loss > 0;
  const double level = (lossy ? *std::max_element(g.begin(), g.end()) : 0.0) - 3.0;
  std::size_t start = static_cast<std::size_t>(std::max_element(g.begin(), g.end()) - g.begin());
  const std::size_t at_f0 = static_cast<std::size_t>(std::lround((t.f0 - lo) / (hi - lo) * (kEdgeGrid - 1)));
  if (at_f0 < g.size() && g[at_f0] >= level) start = at_f0;
  const auto h = [&](double x) { return db_power(e.at(x).s21) - level; };
  const double tol = 1e-9 * t.f0;
  Figures out;
  std::size_t i = start, j = start;
  while (i > 0 && g[i - 1] >= level) --i;
  while (j + 1 < g.size() && g[j + 1] >= level) ++j;
  out.edges_found = i > 0 && j + 1 < g.size();
  out.lower = i > 0 ? root(h, f[i - 1], f[i], g[i - 1] - level, g[i] - level, tol) : lo;
  out.upper = j + 1 < g.size() ? root(h, f[j], f[j + 1], g[j] - level, g[j + 1] - level, tol) : hi;
  out.centre = 0.5 * (out.lower + out.upper);
  out.bandwidth = out.upper - out.lower;

  const int n = 8 * static_cast<int>(model.copper.sections.size()) + 1;
  std::vector<double> rl;
  for (int k = 0; k < n; ++k) rl.push_back(-db_power(e.at(t.flow + (t.fhigh - t.flow) * k / (n - 1)).s11));
  const double least = *std::min_element(rl.begin(), rl.end());
  double sum = 0;
  for (const double r : rl) sum += std::exp(-(r - least) / kSoftDb);
  out.return_loss = least;
  out.soft_return_loss = least - kSoftDb * std::log(sum);
  return out;
}

std::array<double, 3> misses(const Figures& f, const Targets& t, const Tolerances& tol) {
  const double width = tol.edges > 0 ? std::max(std::fabs(f.lower - t.lower) / (tol.edges * t.lower),
                                                std::fabs(f.upper - t.upper) / (tol.edges * t.upper))
                                     : std::fabs(f.bandwidth - t.bw3) / (tol.bandwidth * t.bw3);
  return {std::fabs(f.centre - t.f0) / (tol.centre * t.f0), width,
          std::isnan(t.return_loss) ? 0 : std::fabs(f.return_loss - t.return_loss) / tol.return_loss_db};
}

std::string Tolerances::text() const {
  const auto number = [](double x) {
    char b[32];
    std::snprintf(b, sizeof b, "%g", x);
    return std::string(b);
  };
  return number(100 * centre) + " % of Fo, " +
         (edges > 0 ? number(100 * edges) + " % of each -3 dB edge, " : number(100 * bandwidth) + " % of the -3 dB width, ") +
         number(return_loss_db) + " dB of the return loss";
}

double db(std::complex<double> s) { return 20 * std::log10(std::max(std::abs(s), 1e-10)); }

bool meets(const Figures& f, const Targets& t, const Tolerances& tol) {
  const std::array<double, 3> m = misses(f, t, tol);
  return f.edges_found && m[0] <= 1 && m[1] <= 1 && m[2] <= 1;
}

}  // namespace quorvane::tune
