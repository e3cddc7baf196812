#include "em/port_waves.hpp"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

namespace quorvane::em {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr std::size_t kMaxSamples = 50000000;  // a probe file longer than this is cut
}  // namespace

bool read_signal(const std::string& path, Signal& s, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "the probe file " + path + " is missing";
    return false;
  }
  s = Signal{};
  std::string line;
  while (std::getline(in, line) && s.t.size() < kMaxSamples) {
    if (line.empty() || line[0] == '%') continue;
    std::istringstream row(line);
    row.imbue(std::locale::classic());
    double t = 0, v = 0;
    if (row >> t >> v && std::isfinite(t) && std::isfinite(v)) {
      s.t.push_back(t);
      s.v.push_back(v);
    }
  }
  if (s.t.size() < 2) {
    error = "the probe file " + path + " holds no signal";
    return false;
  }
  return true;
}

std::vector<cplx> spectrum(const Signal& s, const std::vector<double>& freqs) {
  std::vector<cplx> out;
  out.reserve(freqs.size());
  const double dt = (s.t.back() - s.t.front()) / static_cast<double>(s.t.size() - 1);
  for (const double f : freqs) {
    // exp(-j w t) by recurrence over the even time steps, set afresh every 1024.
    const double w = 2 * kPi * f;
    const cplx step = std::polar(1.0, -w * dt);
    cplx rot = std::polar(1.0, -w * s.t.front());
    cplx sum = 0;
    for (std::size_t k = 0; k < s.v.size(); ++k) {
      sum += s.v[k] * rot;
      rot *= step;
      if ((k & 1023) == 1023) rot = std::polar(1.0, -w * (s.t.front() + static_cast<double>(k + 1) * dt));
    }
    out.push_back(sum * dt);
  }
  return out;
}

PortWaves port_waves(const PortSample& s) {
  PortWaves w;
  // On a uniform line u(x - dx) + u(x + dx) = 2 cos(beta dx) u(x) for any
  // mix of the two travelling waves.
  cplx beta = s.beta;
  if (beta == 0.0) beta = std::acos((s.u[0] + s.u[2]) / (2.0 * s.u[1])) / s.dx;
  if (beta.real() < 0) beta = -beta;
  w.beta = beta;
  const cplx half = beta * s.dx / 2.0;
  // i(x + dx/2) - i(x - dx/2) = -2j sin(beta dx/2) u(x) / Z, and the
  // current at x is the mean of the two over cos(beta dx/2).
  const cplx j(0, 1);
  w.z_line = s.z_line != 0.0 ? s.z_line : -2.0 * j * std::sin(half) * s.u[1] / (s.i[1] - s.i[0]);
  const cplx i_mid = (s.i[0] + s.i[1]) / (2.0 * std::cos(half));
  // Carried along the line by `to_ref` towards the filter.
  const cplx bl = beta * s.to_ref;
  const cplx u = s.u[1] * std::cos(bl) - j * w.z_line * i_mid * std::sin(bl);
  const cplx i = i_mid * std::cos(bl) - j * s.u[1] / w.z_line * std::sin(bl);
  const double root = 2 * std::sqrt(s.z_ref);
  w.a = (u + s.z_ref * i) / root;
  w.b = (u - s.z_ref * i) / root;
  return w;
}

double estimate_weight(const PortSample& s) {
  const double u = std::abs(s.u[1]), peak = std::max({std::abs(s.u[0]), u, std::abs(s.u[2])});
  return peak > 0 ? u * u * (u / peak) * (u / peak) : 0.0;
}

void smooth_line(std::vector<LineEstimate>& est) {
  if (est.size() < 3) return;
  constexpr double kC0 = 299792458.0;
  const double lo = est.front().f, span = std::max(est.back().f - lo, 1.0);
  const auto n = static_cast<Eigen::Index>(est.size());
  Eigen::MatrixXd a(n, 3);
  Eigen::MatrixXd b(n, 4);  // eff and Z, real and imaginary parts
  for (Eigen::Index k = 0; k < n; ++k) {
    const LineEstimate& e = est[static_cast<std::size_t>(k)];
    const double x = (e.f - lo) / span, root = std::sqrt(e.weight);
    const cplx eff = std::pow(e.beta * kC0 / (2 * kPi * e.f), 2.0);
    a.row(k) << root, root * x, root * x * x;
    b.row(k) << root * eff.real(), root * eff.imag(), root * e.z_line.real(), root * e.z_line.imag();
  }
  const Eigen::MatrixXd c = a.colPivHouseholderQr().solve(b);
  for (LineEstimate& e : est) {
    const double x = (e.f - lo) / span;
    const Eigen::Vector3d p(1, x, x * x);
    const cplx eff(p.dot(c.col(0)), p.dot(c.col(1)));
    e.beta = std::sqrt(eff) * 2.0 * kPi * e.f / kC0;
    if (e.beta.real() < 0) e.beta = -e.beta;
    e.z_line = cplx(p.dot(c.col(2)), p.dot(c.col(3)));
  }
}

SPair s_parameters(const PortWaves& p1, const PortWaves& p2, bool symmetric) {
  if (!symmetric) return {p1.b / p1.a, p2.b / p1.a};
  // b1 = S11 a1 + S21 a2, b2 = S21 a1 + S11 a2.
  const cplx even = (p1.b + p2.b) / (p1.a + p2.a), odd = (p1.b - p2.b) / (p1.a - p2.a);
  return {(even + odd) / 2.0, (even - odd) / 2.0};
}

}  // namespace quorvane::em
