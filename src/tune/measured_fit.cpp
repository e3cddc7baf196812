#include "tune/measured_fit.hpp"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/input_file.hpp"
#include "tune/least_squares.hpp"

namespace quorvane::tune {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kMaxFitSteps = 60;
constexpr double kZ95 = 1.959964;

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool number(const std::string& s, double& v) {
  std::istringstream in(s);
  in.imbue(std::locale::classic());
  return (in >> v) && in.eof() && std::isfinite(v);
}

}  // namespace

bool parse_touchstone(const std::string& text, double z_ref, Measurement& m, std::string& error) {
  m = Measurement{};
  double unit = 1000;  // MHz per unit: GHz by default
  std::string format = "ma";
  bool option_seen = false;
  std::vector<double> values;
  std::istringstream lines(text);
  std::string line;
  int line_no = 0;
  while (std::getline(lines, line)) {
    ++line_no;
    line = line.substr(0, line.find('!'));
    std::istringstream words(line);
    std::string w;
    if (!(words >> w)) continue;
    if (w[0] == '#') {
      if (option_seen) continue;  // only the first option line counts
      option_seen = true;
      std::vector<std::string> opt;
      if (w.size() > 1) opt.push_back(lower(w.substr(1)));
      while (words >> w) opt.push_back(lower(w));
      for (std::size_t i = 0; i < opt.size(); ++i) {
        const std::string& o = opt[i];
        if (o == "hz") unit = 1e-6;
        else if (o == "khz") unit = 1e-3;
        else if (o == "mhz") unit = 1;
        else if (o == "ghz") unit = 1000;
        else if (o == "ma" || o == "db" || o == "ri") format = o;
        else if (o == "s") continue;
        else if (o == "r" && i + 1 < opt.size()) {
          double z = 0;
          if (!number(opt[++i], z) || std::fabs(z - z_ref) > 1e-6 * z_ref) {
            error = "the reference impedance " + opt[i] + " is not the design's termination";
            return false;
          }
        } else {
          error = "option line item '" + o + "' is not one of Hz/kHz/MHz/GHz, S, MA/DB/RI, R <ohm>";
          return false;
        }
      }
      continue;
    }
    do {
      double v = 0;
      if (!number(w, v)) {
        error = "line " + std::to_string(line_no) + ": '" + w + "' is not a number";
        return false;
      }
      values.push_back(v);
    } while (words >> w);
  }
  if (values.empty() || values.size() % 9 != 0) {
    error = "not a 2-port Touchstone file (nine numbers per frequency)";
    return false;
  }
  auto pair = [&](double a, double b) {
    if (format == "ri") return std::complex<double>(a, b);
    const double mag = format == "db" ? std::pow(10.0, a / 20) : a;
    return std::polar(mag, b * kPi / 180);
  };
  for (std::size_t i = 0; i < values.size(); i += 9) {
    const double f = values[i] * unit;
    if (!(f > 0) || (!m.f.empty() && !(f > m.f.back()))) {
      error = "the frequencies are not positive and ascending";
      return false;
    }
    m.f.push_back(f);
    m.s11.push_back(pair(values[i + 1], values[i + 2]));
    m.s21.push_back(pair(values[i + 3], values[i + 4]));
  }
  return true;
}

bool read_touchstone(const std::filesystem::path& path, double z_ref, Measurement& m, std::string& error) {
  std::ifstream in;
  if (const std::string why = platform::open_input(in, path); !why.empty()) {
    error = path.string() + " cannot be opened: " + why;
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) {
    error = path.string() + " cannot be read to its end";
    return false;
  }
  if (!parse_touchstone(text.str(), z_ref, m, error)) {
    error = path.string() + ": " + error;
    return false;
  }
  return true;
}

bool fit_board(const CircuitModel& board, const Targets& t, const Measurement& m, bool fit_h, FitResult& fit,
               std::string& error) {
  double lo = 0, hi = 0;
  search_band(t, lo, hi);
  std::vector<std::size_t> used;
  for (std::size_t i = 0; i < m.f.size(); ++i)
    if (m.f[i] >= lo && m.f[i] <= hi) used.push_back(i);
  const int p = fit_h ? 3 : 2;
  if (used.size() < static_cast<std::size_t>(2 * p)) {
    error = "the measurement has " + std::to_string(used.size()) + " frequencies within the model's band " +
            std::to_string(static_cast<int>(lo)) + " ... " + std::to_string(static_cast<int>(hi)) + " MHz";
    return false;
  }
  const int m_res = 2 * static_cast<int>(used.size());
  // x: Er and H as ratios to the stored ones, the bias in um.
  auto model_of = [&](const Eigen::VectorXd& x) {
    CircuitModel b = board;
    b.substrate.er = board.substrate.er * x[0];
    b.bias = x[1] * 1e-3;
    if (fit_h) b.substrate.h = board.substrate.h * x[2];
    return b;
  };
  auto residuals = [&](const Eigen::VectorXd& x) {
    const Evaluator e(model_of(x), m.f[used.front()], m.f[used.back()]);
    Eigen::VectorXd r(m_res);
    for (std::size_t i = 0; i < used.size(); ++i) {
      const std::size_t k = used[i];
      const DrawnResponse s = e.at(m.f[k]);
      r[2 * i] = std::abs(s.s21) - std::abs(m.s21[k]);
      r[2 * i + 1] = std::abs(s.s11) - std::abs(m.s11[k]);
    }
    return r;
  };
  Eigen::VectorXd x(p), step(p);
  x[0] = 1, x[1] = 0, step[0] = 2e-4, step[1] = 0.2;
  if (fit_h) x[2] = 1, step[2] = 2e-4;
  const LeastSquares ls = least_squares(residuals, m_res, x, step, kMaxFitSteps);
  const double ss = ls.residuals.squaredNorm();
  const double s2 = ss / (m_res - p);
  const Eigen::MatrixXd cov = s2 * (ls.jacobian.transpose() * ls.jacobian).inverse();
  fit = FitResult{};
  fit.fit_h = fit_h;
  fit.er = board.substrate.er * ls.x[0];
  fit.er_ci = kZ95 * std::sqrt(cov(0, 0)) * board.substrate.er;
  fit.bias = ls.x[1] * 1e-3;
  fit.bias_ci = kZ95 * std::sqrt(cov(1, 1)) * 1e-3;
  fit.h = fit_h ? board.substrate.h * ls.x[2] : board.substrate.h;
  fit.h_ci = fit_h ? kZ95 * std::sqrt(cov(2, 2)) * board.substrate.h : 0;
  fit.rms = std::sqrt(ss / m_res);
  fit.points = static_cast<int>(used.size());
  if (!std::isfinite(fit.er) || !std::isfinite(fit.bias) || !(fit.er > 1)) {
    error = "the fit found no substrate that reproduces the measurement";
    return false;
  }
  return true;
}

std::string touchstone_text(const Measurement& m, double z_ref, const std::string& comment) {
  char buf[256];
  std::snprintf(buf, sizeof buf, "! %s\n# MHz S RI R %.2f\n", comment.c_str(), z_ref);
  std::string t = buf;
  for (std::size_t i = 0; i < m.f.size(); ++i) {
    const auto a = m.s11[i], b = m.s21[i];
    std::snprintf(buf, sizeof buf, "%.6f %.9f %.9f %.9f %.9f %.9f %.9f %.9f %.9f\n", m.f[i], a.real(), a.imag(),
                  b.real(), b.imag(), b.real(), b.imag(), a.real(), a.imag());
    t += buf;
  }
  return t;
}

}  // namespace quorvane::tune
