#include "fields/field_solver.hpp"

#include <Eigen/Sparse>
#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <exception>
#include <limits>
#include <stdexcept>
#include <thread>

#include "platform/threads.hpp"

namespace quorvane::fields {

namespace {

constexpr double kEta0 = 376.730313668;  // free-space wave impedance mu0 c, ohm
constexpr double kBeta = 3.0;            // grading exponent: spacing ~ d^(1 - 1/kBeta)
constexpr double kCoarseStep = 0.5;      // stretched spacing of level 0
constexpr double kCoverRatio = 100.0;    // microstrip cover height / h
constexpr double kSideMicrostrip = 100.0;  // side wall beyond the strip, in h
constexpr double kSideStripline = 5.0;     // side wall beyond the strip, in B
// The refinement stops before a mesh of more nodes than this (a second of
// work per factorisation; no report needs more to reach the tolerance).
constexpr std::size_t kMaxNodes = 400000;

// Stretched coordinate of a distance d from a strip edge, and its inverse:
// kBeta (d/l)^(1/kBeta) up to the length scale l, then kBeta + ln(d/l).
double stretch(double d, double l) { return d <= l ? kBeta * std::cbrt(d / l) : kBeta + std::log(d / l); }
double unstretch(double u, double l) { return u <= kBeta ? l * std::pow(u / kBeta, kBeta) : l * std::exp(u - kBeta); }

// A mesh line that must be in the mesh, and whether a strip edge lies on it.
struct Key {
  double at;
  bool edge;
};

// Mesh lines through every key, graded toward the edge keys; the index of
// each key in the result goes to `where`.
std::vector<double> graded_lines(const std::vector<Key>& keys, double l, double step, std::vector<int>& where) {
  std::vector<double> out{keys.front().at};
  where.assign(1, 0);
  for (std::size_t k = 0; k + 1 < keys.size(); ++k) {
    const double a = keys[k].at, b = keys[k + 1].at;
    const bool ea = keys[k].edge, eb = keys[k + 1].edge;
    if (ea && eb) {
      const double half = 0.5 * (b - a);
      const double u = stretch(half, l);
      const int n = std::max(1, static_cast<int>(std::ceil(u / step)));
      std::vector<double> upper;
      for (int i = 1; i < n; ++i) {
        const double d = unstretch(u * i / n, l);
        out.push_back(a + d);
        upper.push_back(b - d);
      }
      out.push_back(a + half);
      out.insert(out.end(), upper.rbegin(), upper.rend());
    } else if (ea || eb) {
      const double u = stretch(b - a, l);
      const int n = std::max(1, static_cast<int>(std::ceil(u / step)));
      std::vector<double> pts;
      for (int i = 1; i < n; ++i) pts.push_back(unstretch(u * i / n, l));
      if (ea) {
        for (double d : pts) out.push_back(a + d);
      } else {
        for (auto it = pts.rbegin(); it != pts.rend(); ++it) out.push_back(b - *it);
      }
    } else {
      const int n = std::max(1, static_cast<int>(std::ceil((b - a) / (l * step))));
      for (int i = 1; i < n; ++i) out.push_back(a + (b - a) * i / n);
    }
    out.push_back(b);
    where.push_back(static_cast<int>(out.size()) - 1);
  }
  return out;
}

struct Mesh {
  std::vector<double> x, y;
  int strip_x0 = 0, strip_x1 = 0, strip_y0 = 0, strip_y1 = 0;  // node index ranges of the strip
  int interface_y = -1;  // cells below this line hold the dielectric (microstrip)
};

Mesh build_mesh(const CrossSection& c, int level) {
  const double step = kCoarseStep / std::ldexp(1.0, level);
  const bool micro = c.medium == Medium::Microstrip;
  const double base = micro ? c.h : 0.5 * (c.h - c.t);  // ground to the strip's lower face
  double l = std::min(c.w, base);
  if (c.s > 0.0) l = std::min(l, c.s);
  l *= 0.5;
  Mesh m;
  std::vector<int> wx, wy;
  const double x0 = 0.5 * c.s, x1 = x0 + c.w;
  const double side = x1 + (micro ? kSideMicrostrip * c.h : kSideStripline * c.h);
  std::vector<Key> kx;
  if (c.s > 0.0) kx.push_back({0.0, false});
  kx.push_back({x0, true});
  kx.push_back({x1, true});
  kx.push_back({side, false});
  m.x = graded_lines(kx, l, step, wx);
  m.strip_x0 = wx[c.s > 0.0 ? 1 : 0];
  m.strip_x1 = wx[c.s > 0.0 ? 2 : 1];
  if (micro) {
    std::vector<Key> ky{{0.0, false}, {c.h, true}};
    if (c.t > 0.0) ky.push_back({c.h + c.t, true});
    ky.push_back({kCoverRatio * c.h, false});
    m.y = graded_lines(ky, l, step, wy);
    m.strip_y0 = wy[1];
    m.strip_y1 = wy[c.t > 0.0 ? 2 : 1];
    m.interface_y = wy[1];
  } else {
    std::vector<Key> ky{{0.0, false}};
    if (c.t > 0.0) {
      ky.push_back({base, true});
      ky.push_back({0.5 * c.h, false});
    } else {
      ky.push_back({0.5 * c.h, true});
    }
    m.y = graded_lines(ky, l, step, wy);
    m.strip_y0 = wy[1];
    m.strip_y1 = static_cast<int>(m.y.size()) - 1;
  }
  return m;
}

// One mode on one mesh: the potential and the capacitance (the energy
// sum over the element edges; the rectangles split into right triangles
// give exactly these five-point couplings).
class ModeProblem {
 public:
  ModeProblem(const CrossSection& c, const Mesh& m, Mode mode) : c_(c), m_(m) {
    nx_ = static_cast<int>(m.x.size());
    ny_ = static_cast<int>(m.y.size());
    const std::size_t nodes = static_cast<std::size_t>(nx_) * static_cast<std::size_t>(ny_);
    fixed_.assign(nodes, 0.0);
    index_.assign(nodes, -1);
    const bool micro = c.medium == Medium::Microstrip;
    int free = 0;
    for (int j = 0; j < ny_; ++j) {
      for (int i = 0; i < nx_; ++i) {
        const bool strip = i >= m.strip_x0 && i <= m.strip_x1 && j >= m.strip_y0 && j <= m.strip_y1;
        const bool ground = j == 0 || i == nx_ - 1 || (micro && j == ny_ - 1) ||
                            (mode == Mode::Odd && i == 0 && c.s > 0.0);
        const std::size_t id = node(i, j);
        if (strip) {
          fixed_[id] = 1.0;
        } else if (!ground) {
          index_[id] = free++;
        }
      }
    }
    free_ = free;
  }

  int free_count() const { return free_; }

  // Couplings of the edges, for the relative permittivity of each cell.
  template <class Visit>
  void edges(bool dielectric, Visit&& visit) const {
    auto eps = [&](int i, int j) {
      if (i < 0 || j < 0 || i >= nx_ - 1 || j >= ny_ - 1) return 0.0;
      if (c_.medium == Medium::Microstrip) return dielectric && j < m_.interface_y ? c_.er : 1.0;
      return 1.0;
    };
    for (int j = 0; j < ny_; ++j) {
      for (int i = 0; i < nx_; ++i) {
        if (i + 1 < nx_) {  // horizontal edge (i,j)-(i+1,j)
          const double dx = m_.x[i + 1] - m_.x[i];
          const double below = j > 0 ? eps(i, j - 1) * (m_.y[j] - m_.y[j - 1]) : 0.0;
          const double above = j + 1 < ny_ ? eps(i, j) * (m_.y[j + 1] - m_.y[j]) : 0.0;
          visit(node(i, j), node(i + 1, j), 0.5 * (below + above) / dx);
        }
        if (j + 1 < ny_) {  // vertical edge (i,j)-(i,j+1)
          const double dy = m_.y[j + 1] - m_.y[j];
          const double left = i > 0 ? eps(i - 1, j) * (m_.x[i] - m_.x[i - 1]) : 0.0;
          const double right = i + 1 < nx_ ? eps(i, j) * (m_.x[i + 1] - m_.x[i]) : 0.0;
          visit(node(i, j), node(i, j + 1), 0.5 * (left + right) / dy);
        }
      }
    }
  }

  Eigen::SparseMatrix<double> matrix(bool dielectric, Eigen::VectorXd& rhs) const {
    std::vector<Eigen::Triplet<double>> trip;
    trip.reserve(static_cast<std::size_t>(free_) * 5);
    rhs = Eigen::VectorXd::Zero(free_);
    edges(dielectric, [&](std::size_t a, std::size_t b, double g) {
      const int ia = index_[a], ib = index_[b];
      if (ia >= 0) trip.emplace_back(ia, ia, g);
      if (ib >= 0) trip.emplace_back(ib, ib, g);
      if (ia >= 0 && ib >= 0) {
        trip.emplace_back(ia, ib, -g);
        trip.emplace_back(ib, ia, -g);
      } else if (ia >= 0) {
        rhs[ia] += g * fixed_[b];
      } else if (ib >= 0) {
        rhs[ib] += g * fixed_[a];
      }
    });
    Eigen::SparseMatrix<double> a(free_, free_);
    a.setFromTriplets(trip.begin(), trip.end());
    return a;
  }

  // Potential at every node from the free nodes' solution, and the
  // capacitance of one strip (the quarter domain of stripline counts twice).
  Potential potential(bool dielectric, const Eigen::VectorXd& u) const {
    Potential p;
    p.x = m_.x;
    p.y = m_.y;
    p.v = fixed_;
    for (std::size_t id = 0; id < p.v.size(); ++id)
      if (index_[id] >= 0) p.v[id] = u[index_[id]];
    double energy = 0.0;
    edges(dielectric, [&](std::size_t a, std::size_t b, double g) {
      const double dv = p.v[a] - p.v[b];
      energy += g * dv * dv;
    });
    p.capacitance = c_.medium == Medium::Stripline ? 2.0 * energy : energy;
    return p;
  }

 private:
  std::size_t node(int i, int j) const { return static_cast<std::size_t>(j) * nx_ + i; }

  const CrossSection& c_;
  const Mesh& m_;
  int nx_ = 0, ny_ = 0, free_ = 0;
  std::vector<double> fixed_;
  std::vector<int> index_;
};

// The capacitances of one mode on one mesh, with the dielectric and in air
// (one factorisation pattern for both); stripline is homogeneous, so its
// dielectric capacitance is er times the air one.
struct ModeCapacitance {
  double dielectric = 0.0, air = 0.0;
};

// One solve with `ldlt`, whose pattern is analysed at the first solve of a
// mode and reused for the second (the same nodes, other permittivities).
Potential solve(const ModeProblem& p, bool dielectric, Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>>& ldlt,
                bool analysed) {
  Eigen::VectorXd rhs;
  const Eigen::SparseMatrix<double> a = p.matrix(dielectric, rhs);
  if (!analysed) ldlt.analyzePattern(a);
  ldlt.factorize(a);
  if (ldlt.info() != Eigen::Success) throw std::runtime_error("sparse factorisation failed");
  const Eigen::VectorXd u = ldlt.solve(rhs);
  return p.potential(dielectric, u);
}

ModeCapacitance mode_capacitance(const CrossSection& c, const Mesh& m, Mode mode) {
  const ModeProblem p(c, m, mode);
  Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> ldlt;
  ModeCapacitance r;
  r.air = solve(p, false, ldlt, false).capacitance;
  r.dielectric = c.medium == Medium::Stripline ? c.er * r.air : solve(p, true, ldlt, true).capacitance;
  return r;
}

// Capacitances of one mesh level: even with dielectric and air, odd with both.
using Level = std::array<double, 4>;

ModeResult mode_values(double c, double c_air) {
  ModeResult r;
  r.z = kEta0 / std::sqrt(c * c_air);
  r.eff = c / c_air;
  return r;
}

double relative_change(double now, double before) { return 100.0 * std::abs(now - before) / std::abs(now); }

std::size_t mesh_nodes(const Mesh& m) { return m.x.size() * m.y.size(); }

}  // namespace

std::string cross_section_fault(const CrossSection& c) {
  auto bad = [](double v) { return !std::isfinite(v) || v <= 0.0; };
  if (bad(c.er)) return "the dielectric constant is not a positive number";
  if (bad(c.h))
    return c.medium == Medium::Microstrip ? "the substrate height is not a positive length"
                                          : "the ground-plane spacing is not a positive length";
  if (bad(c.w)) return "the strip width is not a positive length";
  if (bad(c.s)) return "the gap is not a positive length";
  if (!std::isfinite(c.t) || c.t < 0.0) return "the strip thickness is not a length";
  if (c.medium == Medium::Stripline && c.t >= c.h) return "the strip is as thick as the ground-plane spacing or thicker";
  if (c.medium == Medium::Microstrip && c.h + c.t >= kCoverRatio * c.h) return "the strip reaches the cover";
  return "";
}

Potential solve_potential(const CrossSection& c, Mode mode, bool dielectric, int level) {
  const Mesh m = build_mesh(c, level);
  const ModeProblem p(c, m, mode);
  Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> ldlt;
  return solve(p, dielectric && c.medium == Medium::Microstrip, ldlt, false);
}

FieldSolution solve_section(const CrossSection& c, const SolveOptions& options) {
  CrossSection probe = c;  // a gap of 0 is allowed here: the single strip
  if (probe.s == 0.0) probe.s = c.w;
  const std::string fault = cross_section_fault(probe);
  if (!fault.empty()) throw std::invalid_argument(fault);
  const bool pair = c.s > 0.0;
  FieldSolution out;
  std::vector<Level> raw, extrapolated;
  const int last = options.levels > 0 ? options.levels - 1 : options.max_level;
  for (int level = 0; level <= last; ++level) {
    const Mesh m = build_mesh(c, level);
    if (mesh_nodes(m) > kMaxNodes) {
      if (level < 2) throw std::runtime_error("the coarsest meshes are already too large");
      break;
    }
    const ModeCapacitance even = mode_capacitance(c, m, Mode::Even);
    const ModeCapacitance odd = pair ? mode_capacitance(c, m, Mode::Odd) : ModeCapacitance{};
    raw.push_back({even.dielectric, even.air, odd.dielectric, odd.air});
    out.levels = level + 1;
    out.nodes = mesh_nodes(m);
    if (level == 0) continue;
    // Richardson: the energy error falls as h^2, a quarter per level.
    Level r{};
    for (int q = 0; q < 4; ++q) r[q] = raw[level][q] + (raw[level][q] - raw[level - 1][q]) / 3.0;
    extrapolated.push_back(r);
    if (extrapolated.size() < 2 || options.levels > 0) continue;
    const Level& before = extrapolated[extrapolated.size() - 2];
    double change = 0.0;
    for (int q = 0; q < (pair ? 4 : 2); ++q) change = std::max(change, relative_change(r[q], before[q]) / 100.0);
    if (change < options.tolerance) {
      out.converged = true;
      break;
    }
  }
  if (extrapolated.empty()) extrapolated.push_back(raw.back());
  const Level& now = extrapolated.back();
  const Level& before = extrapolated.size() > 1 ? extrapolated[extrapolated.size() - 2] : raw.front();
  // The errors of the two capacitances are added, not let cancel: Z goes
  // with the square root of their product, Er,eff with their ratio (exact
  // for stripline, whose dielectric is homogeneous).
  auto fill = [&](int q, ModeResult& r) {
    r = mode_values(now[q], now[q + 1]);
    const double e = relative_change(now[q], before[q]) + relative_change(now[q + 1], before[q + 1]);
    r.z_err = 0.5 * e;
    r.eff_err = c.medium == Medium::Stripline ? 0.0 : e;
  };
  fill(0, out.even);
  if (pair) {
    fill(2, out.odd);
  } else {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    out.odd = {nan, nan, nan, nan};
  }
  return out;
}

std::vector<FieldSolution> solve_sections(const std::vector<CrossSection>& sections, std::vector<std::string>& faults,
                                          const SolveOptions& options) {
  std::vector<FieldSolution> out(sections.size());
  faults.assign(sections.size(), "");
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t k = next++; k < sections.size(); k = next++) {
      try {
        out[k] = solve_section(sections[k], options);
      } catch (const std::exception& e) {
        faults[k] = e.what();
      }
    }
  };
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t workers = std::min<std::size_t>(cores, sections.size());
  std::vector<std::thread> pool = platform::start_threads(workers > 1 ? workers - 1 : 0, work);
  work();
  for (std::thread& t : pool) t.join();
  return out;
}

}  // namespace quorvane::fields
