#include "em/port_waves.hpp"

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
  cplx beta = std::acos((s.u[0] + s.u[2]) / (2.0 * s.u[1])) / s.dx;
  if (beta.real() < 0) beta = -beta;
  w.beta = beta;
  const cplx half = beta * s.dx / 2.0;
  // i(x + dx/2) - i(x - dx/2) = -2j sin(beta dx/2) u(x) / Z, and the
  // current at x is the mean of the two over cos(beta dx/2).
  const cplx j(0, 1);
  w.z_line = -2.0 * j * std::sin(half) * s.u[1] / (s.i[1] - s.i[0]);
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

SPair s_parameters(const PortWaves& p1, const PortWaves& p2, bool symmetric) {
  if (!symmetric) return {p1.b / p1.a, p2.b / p1.a};
  // b1 = S11 a1 + S21 a2, b2 = S21 a1 + S11 a2.
  const cplx even = (p1.b + p2.b) / (p1.a + p2.a), odd = (p1.b - p2.b) / (p1.a - p2.a);
  return {(even + odd) / 2.0, (even - odd) / 2.0};
}

}  // namespace quorvane::em
