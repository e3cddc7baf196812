#include "tune/space_mapping.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "em/em_figures.hpp"
#include "tune/least_squares.hpp"

namespace quorvane::tune {

namespace {

constexpr double kPullWeight = 0.02;    // of a tenth of a millimetre, or of 1 % of the split
constexpr double kPullLength = 0.1;     // mm
constexpr double kAlternatingWeight = 1;
constexpr double kPullCoupling = 0.01;  // in ln(factor)
constexpr double kStep = 1e-4;          // Jacobian step in u
constexpr int kFitSteps = 60;
constexpr double kFirstBound = 0.01;   // of |D u|: a first step of a few per cent of each correction's range
constexpr double kMostLength = 0.3;     // of the section's drawn length
constexpr double kMostCoupling = 0.4;   // in ln(factor): 0.67 ... 1.49
constexpr double kMostLoss = 0.05;      // the mapped loss tangent: resonators' Q down to about 20
constexpr double kFirstLoss = 1e-3;     // its first guess where none was fitted (its slope vanishes at 0)
constexpr double kLostFloor = 0.01;     // of the incident power lost somewhere in the passband: a loss fitted
constexpr double kS11Scale = 2;         // dB: the passband's |S11| matched to about this (at 0.5 dB it outweighed the edges)
constexpr double kS11Floor = -30;       // dB: below it, how deep a reflection zero goes does not count
constexpr double kMostScale = 0.05;     // the final step's scale of length, within 1 -/+ this
constexpr int kScaleSteps = 40;         // of bisection
constexpr double kScanReach = 0.1;      // of the mean section length
constexpr int kScanSteps = 40;          // each side
constexpr double kEdgeScale = 5e-4;     // of Fo: the -3 dB edges matched to a fraction of the centre's tolerance
constexpr double kFirstReach = 0.1;     // of each printed dimension: the trust region's first reach
constexpr double kTwoPi = 6.28318530717958647692;

// Each correction is most * sin(u) (bounded as the tuning's dimensions are,
// tune_solver.hpp), u started one period up so that the solver's first step
// bound, a multiple of |u|, does not vanish.
double bounded(double most, double u) { return most * std::sin(u); }
double u_of(double most, double x) { return std::asin(std::clamp(x / most, -0.999, 0.999)) + kTwoPi; }

// Section k's group: one per mirrored pair of a symmetric copper.
std::vector<std::size_t> section_groups(const Copper& c, std::size_t& groups) {
  const std::size_t n = c.sections.size();
  const bool mirrored = symmetric(c);
  groups = mirrored ? (n + 1) / 2 : n;
  std::vector<std::size_t> g(n);
  for (std::size_t k = 0; k < n; ++k) g[k] = mirrored ? std::min(k, n - 1 - k) : k;
  return g;
}

// `combine` of the three misses in the full-wave tolerances; infinite
// without both edges or where a miss is not a number.
template <typename Combine>
double of_misses(const Figures& f, const Targets& t, Combine combine) {
  if (!f.edges_found) return std::numeric_limits<double>::infinity();
  const double d = combine(misses(f, t, kFullWaveTolerances));
  return std::isnan(d) ? std::numeric_limits<double>::infinity() : d;
}

}  // namespace

Figures sampled_figures(const Sweep& s, const Targets& t) {
  std::vector<double> s21, s11;
  for (std::size_t i = 0; i < s.f.size(); ++i) {
    s21.push_back(db(s.s21[i]));
    s11.push_back(db(s.s11[i]));
  }
  const em::Figures e = em::figures(s.f, s21, s11, t.flow, t.fhigh);
  Figures f;
  f.centre = e.centre;
  f.lower = e.lower;
  f.upper = e.upper;
  f.bandwidth = e.bandwidth;
  f.return_loss = f.soft_return_loss = -e.worst_s11;
  f.edges_found = std::isfinite(e.lower) && std::isfinite(e.upper);
  return f;
}

double merit(const Figures& f, const Targets& t) {
  return of_misses(f, t, [](const std::array<double, 3>& m) { return std::hypot(m[0], m[1], m[2]); });
}

double target_distance(const Figures& f, const Targets& t) {
  return of_misses(f, t, [](const std::array<double, 3>& m) { return std::max({m[0], m[1], m[2]}); });
}

Mapping fit_mapping(const CircuitModel& model, const Sweep& fine, const Targets& t, Mapping from) {
  std::size_t groups = 0;
  const std::vector<std::size_t> group = section_groups(model.copper, groups);
  const std::size_t n = group.size();
  std::vector<SectionMapping> start = from.sections;
  start.resize(n);
  std::vector<double> most(groups, 0);  // of each group's length correction, mm
  for (std::size_t k = 0; k < n; ++k) most[group[k]] = kMostLength * model.copper.sections[k].length;
  auto mapping_of = [&](const Eigen::VectorXd& u) {
    std::vector<SectionMapping> m(n);
    for (std::size_t k = 0; k < n; ++k) {
      const std::size_t g = group[k];
      m[k] = {bounded(most[g], u[2 * g]), std::exp(bounded(kMostCoupling, u[2 * g + 1]))};
    }
    return m;
  };
  const int points = static_cast<int>(fine.f.size());
  const std::size_t phase = 2 * groups;  // u[phase]: the phase between the two solutions' reference planes, rad
  std::vector<int> band;  // the passband's frequencies, where |S11| in dB is matched too
  for (int k = 0; k < points; ++k)
    if (fine.f[k] >= t.flow && fine.f[k] <= t.fhigh) band.push_back(k);
  // A loss is fitted only where the fine solution loses power (a lossless
  // circuit fitted so stays lossless: a loss of no use moves the steps).
  double lost = 0;
  for (const int k : band) lost = std::max(lost, 1 - std::norm(fine.s11[k]) - std::norm(fine.s21[k]));
  const bool lossy = lost > kLostFloor;
  const std::size_t loss = phase + 1;  // u[loss]: the mapped loss tangent, kMostLoss sin^2
  auto loss_of = [&](const Eigen::VectorXd& u) {
    return lossy ? kMostLoss * std::sin(u[loss]) * std::sin(u[loss]) : 0.0;
  };
  const Figures aim = sampled_figures(fine, t);
  const bool edges = aim.edges_found;
  auto db_of = [](std::complex<double> z) { return std::max(kS11Floor, 20 * std::log10(std::abs(z) + 1e-30)); };
  const int m = 4 * points + 2 * static_cast<int>(groups) + 1 + (edges ? 2 : 0) + static_cast<int>(band.size());
  auto residuals = [&](const Eigen::VectorXd& u) {
    CircuitModel trial = model;
    trial.mapping = mapping_of(u);
    trial.mapped_loss = loss_of(u);
    const Sweep c = respond(trial, fine.f);
    Eigen::VectorXd r(m);
    int i = 0;
    if (edges) {
      const Figures at = sampled_figures(c, t);  // on the same grid: the same interpolation
      const double scale = kEdgeScale * t.f0;
      r[i++] = at.edges_found ? (at.lower - aim.lower) / scale : (t.fhigh - t.flow) / scale;
      r[i++] = at.edges_found ? (at.upper - aim.upper) / scale : (t.fhigh - t.flow) / scale;
    }
    for (const int k : band) r[i++] = (db_of(c.s11[k]) - db_of(fine.s11[k])) / kS11Scale;
    const std::complex<double> turn = std::polar(1.0, u[phase]);
    for (int k = 0; k < points; ++k) {
      const std::complex<double> d11 = turn * c.s11[k] - fine.s11[k], d21 = turn * c.s21[k] - fine.s21[k];
      r[i++] = d11.real();
      r[i++] = d11.imag();
      r[i++] = d21.real();
      r[i++] = d21.imag();
    }
    for (std::size_t g = 0; g < groups; ++g) {
      r[i++] = kPullWeight * bounded(most[g], u[2 * g]) / kPullLength;
      r[i++] = kPullWeight * bounded(kMostCoupling, u[2 * g + 1]) / kPullCoupling;
    }
    // Lengths added alternately to the sections leave every resonator (half
    // of one section and half of the next) as long as it was: the response
    // hardly tells that pattern, and it is held to none.
    double alternating = 0;
    for (std::size_t k = 0; k < n; ++k) alternating += (k % 2 == 0 ? 1 : -1) * trial.mapping[k].length;
    r[i++] = kAlternatingWeight * alternating / kPullLength;
    return r;
  };
  // The full-wave centre may lie several per cent from the circuit's, where
  // the differences have false minima: first one length added to every
  // section, the best of a scan across +/- kScanReach of the mean length,
  // each with its best phase.
  double mean = 0;
  for (const SectionCopper& c : model.copper.sections) mean += c.length / static_cast<double>(n);
  double shift = 0, turn = 0, best = std::numeric_limits<double>::infinity();
  for (int j = -kScanSteps; j <= kScanSteps; ++j) {
    std::vector<SectionMapping> trial = start;
    for (SectionMapping& x : trial) x.length += kScanReach * mean * j / kScanSteps;
    CircuitModel at = model;
    at.mapping = trial;
    at.mapped_loss = from.loss;
    const Sweep c = respond(at, fine.f);
    // |f - e^{ja} c|^2 summed is least at a = arg sum(conj(c) f): sum |f|^2 + |c|^2 - 2 |sum conj(c) f|.
    std::complex<double> z = 0;
    double sum = 0;
    for (int k = 0; k < points; ++k) {
      z += std::conj(c.s11[k]) * fine.s11[k] + std::conj(c.s21[k]) * fine.s21[k];
      sum += std::norm(c.s11[k]) + std::norm(c.s21[k]) + std::norm(fine.s11[k]) + std::norm(fine.s21[k]);
    }
    if (sum - 2 * std::abs(z) < best) best = sum - 2 * std::abs(z), shift = kScanReach * mean * j / kScanSteps, turn = std::arg(z);
  }
  Eigen::VectorXd u(2 * groups + (lossy ? 2 : 1));
  for (std::size_t k = 0; k < n; ++k) {
    u[2 * group[k]] = u_of(most[group[k]], start[k].length + shift);
    u[2 * group[k] + 1] = u_of(kMostCoupling, std::log(start[k].coupling > 0 ? start[k].coupling : 1.0));
  }
  u[phase] = turn + kTwoPi;  // away from 0, as the corrections' u
  if (lossy) u[loss] = std::asin(std::sqrt(std::clamp(std::max(from.loss, kFirstLoss) / kMostLoss, 0.0, 0.999))) + kTwoPi;
  const LeastSquares ls =
      least_squares(residuals, m, u, Eigen::VectorXd::Constant(u.size(), kStep), kFitSteps, {}, kFirstBound);
  return {mapping_of(ls.x), loss_of(ls.x)};
}

bool space_map(const CircuitModel& printed, const Targets& t, const TuneOptions& opt, int iterations,
               const std::vector<double>& f_mhz, const FineModel& fine, FieldCorrections& fields,
               SpaceMapResult& result, std::string& error) {
  result = SpaceMapResult{};
  auto solve = [&](const Copper& copper, bool final) {
    SpaceMapIteration it;
    it.copper = copper;
    it.final = final;
    if (!fine(copper, f_mhz, final, it.run, error)) return false;
    it.figures = sampled_figures(it.run.sweep, t);
    it.distance = target_distance(it.figures, t);
    result.iterations.push_back(std::move(it));
    return true;
  };
  // The trust region: each step moves every dimension by at most `reach`
  // of its printed value from the best copper solved so far; a step that
  // lands farther from the targets is refused, and the next is taken from
  // the best copper again within half the reach.
  std::size_t best = 0;
  double best_merit = std::numeric_limits<double>::infinity();
  double reach = kFirstReach;
  Mapping mapping{std::vector<SectionMapping>(printed.copper.sections.size()), 0};
  // The circuit mapped onto solution `k`: the corrections fitted to it
  // (from those fitted last), at its copper with its field corrections.
  auto fit_at = [&](std::size_t k, CircuitModel& at) {
    SpaceMapIteration& it = result.iterations[k];
    at = printed;
    at.copper = it.copper;
    if (opt.fields && !fields.of(at.substrate, at.copper, at.bias, at.corrections, error)) return false;
    if (!opt.fields) at.corrections.clear();
    mapping = fit_mapping(at, it.run.sweep, t, mapping);
    it.mapping = at.mapping = mapping.sections;
    it.mapped_loss = at.mapped_loss = mapping.loss;
    return true;
  };
  // The corrections fitted at solution `k` (when `fit`, else those fitted
  // last), then the circuit so mapped tuned to the targets within the
  // trust region about the best copper: the next copper.
  auto step = [&](std::size_t k, bool fit, Copper& next) {
    CircuitModel at;
    if (fit && !fit_at(k, at)) return false;
    CircuitModel mapped = printed;
    mapped.mapping = mapping.sections;
    mapped.mapped_loss = mapping.loss;
    TuneOptions within = opt;
    within.around = result.iterations[best].copper;
    within.reach = reach;
    if (!tune(mapped, t, within, fields, result.circuit, error)) return false;
    next = result.circuit.tuned;
    return true;
  };
  Copper copper = printed.copper;
  for (int k = 0; k < iterations; ++k) {
    if (!solve(copper, false)) return false;
    SpaceMapIteration& it = result.iterations.back();
    const double m = merit(it.figures, t);
    it.accepted = m < best_merit || result.iterations.size() == 1;  // the printed copper's, edges found or not
    if (it.accepted) {
      best = result.iterations.size() - 1;
      best_merit = m;
    } else {
      reach /= 2;
    }
    if (meets(it.figures, t, kFullWaveTolerances) || k + 1 == iterations) break;
    if (!step(result.iterations.size() - 1, it.accepted, copper)) return false;
  }
  // The finer run confirms the best copper the loop solved (a step past the
  // last solution would be a prediction that no full-wave run has checked).
  result.best = best;
  if (!solve(result.iterations[best].copper, true)) return false;
  result.reported = result.iterations.size() - 1;
  result.met = meets(result.iterations.back().figures, t, kFullWaveTolerances);
  if (result.met) return true;
  // The loop's mesh misses the finer one by an amount of its own, mostly
  // in the centre (0.7-0.9 % on a 2-pole alumina design, nearly alike
  // from copper to copper): an error of length.  The corrections are
  // fitted to the final run, every section's length is scaled by the one
  // factor that centres the circuit so mapped on Fo, and the scaled copper
  // is solved on the final mesh too; the nearer the targets of the two
  // final solutions is reported.  The scale leaves the couplings and the
  // share of length between the sections as the loop left them.  (A whole
  // tuning step from that fit, tried first while the tuning still measured
  // a mapped circuit's edges below 0 dB instead of its peak, moved length
  // from the middle section to the end ones and the centre by 0.05 % of
  // the 0.9 % it missed by.)
  const std::size_t first = result.iterations.size() - 1;
  CircuitModel at;
  if (!fit_at(first, at)) return false;
  auto centre_at = [&](double scale) {
    CircuitModel scaled = at;
    for (SectionCopper& c : scaled.copper.sections) c.length *= scale;
    return measure(scaled, t).centre;
  };
  double lo = 1 - kMostScale, hi = 1 + kMostScale;  // the centre falls as the lengths grow
  for (int k = 0; k < kScaleSteps; ++k) {
    const double mid = (lo + hi) / 2, centre = centre_at(mid);
    if (!std::isfinite(centre)) break;
    (centre > t.f0 ? lo : hi) = mid;
  }
  copper = at.copper;
  for (SectionCopper& c : copper.sections) c.length *= (lo + hi) / 2;
  if (!solve(copper, true)) return false;
  if (merit(result.iterations.back().figures, t) < merit(result.iterations[first].figures, t))
    result.reported = result.iterations.size() - 1;
  result.met = meets(result.iterations[result.reported].figures, t, kFullWaveTolerances);
  return true;
}

}  // namespace quorvane::tune
