#include "view/touchstone.hpp"

#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <sstream>
#include <stdexcept>

#include "dialogue/fortran_format.hpp"

namespace quorvane::view {

using namespace quorvane::stored;

namespace {

std::string trimmed(const std::string& s) {
  const size_t a = s.find_first_not_of(' ');
  return a == std::string::npos ? std::string() : s.substr(a);
}

// Nine significant digits carry a float exactly.
std::string magnitude_text(double v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.9g", v);
  return buf;
}

double read_back(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

// dB: the return loss's printed digit and just under half of it, and just
// under half the transmission's (a value there still prints as printed).
constexpr float kS11Unit = 0.01f;
constexpr float kS11HalfUnit = 0.00499f;
constexpr float kS21HalfUnit = 0.000499f;

double lin(double db) { return std::pow(10.0, db / 20.0); }

}  // namespace

float magnitude_from_db(float db) { return std::pow(10.0f, db / 20.0f); }

PassiveRow passive_magnitudes(float s11db, float s21db) {
  PassiveRow r{magnitude_from_db(s11db), magnitude_from_db(s21db), false, true};
  if (r.s11 * r.s11 + r.s21 * r.s21 <= 1.0) return r;
  // Within the rounding first (the row still reads as printed), then up to
  // one unit below the printed return loss; |S21| as printed, else at the
  // lower end of its rounding.
  const double s21_low = lin(static_cast<double>(s21db) - kS21HalfUnit);
  for (const float s11_below : {kS11HalfUnit, kS11Unit})
    for (const double s21 : {r.s21, s21_low}) {
      const double room = 1.0 - s21 * s21;
      if (!(room > 0.0)) continue;
      const double s11 = std::min(r.s11, std::sqrt(room));
      if (s11 < lin(static_cast<double>(s11db) - s11_below)) continue;
      // Written with nine digits, the row must still read back as passive;
      // a few steps of a part in 10^8 settle the last digit.
      double m11 = s11;
      for (int step = 0; step < 8; ++step) {
        const double a = read_back(magnitude_text(m11)), b = read_back(magnitude_text(s21));
        if (a * a + b * b <= 1.0) return {a, b, true, true};
        m11 *= 1.0 - 1e-8;
      }
    }
  r.passive = false;
  return r;
}

namespace {

// A row of the analysis's own values: |S| and the angle in degrees of each
// single-precision parameter, written with nine digits.  A lossless design
// can come out above |S11|^2 + |S21|^2 = 1 by the rounding of single
// precision: both magnitudes are then scaled down by that much.
struct ExactRow {
  std::string s11, s21;
  bool normalised = false;
};
ExactRow exact_row(const RecordedRow& r, bool two_port) {
  const auto angle = [](Complex s) {
    return magnitude_text(std::atan2(static_cast<double>(s.imag()), static_cast<double>(s.real())) * 180.0 / std::numbers::pi);
  };
  double m11 = std::abs(std::complex<double>(r.sp.s11)), m21 = std::abs(std::complex<double>(r.sp.s21));
  ExactRow e;
  for (int step = 0; two_port && step < 8; ++step) {
    const double a = read_back(magnitude_text(m11)), b = read_back(magnitude_text(m21));
    if (a * a + b * b <= 1.0) break;
    const double scale = (1.0 - 1e-9) / std::sqrt(a * a + b * b);
    m11 *= scale;
    m21 *= scale;
    e.normalised = true;
  }
  e.s11 = magnitude_text(m11) + ' ' + angle(r.sp.s11);
  e.s21 = magnitude_text(m21) + ' ' + angle(r.sp.s21);
  return e;
}

}  // namespace

TouchstoneFile touchstone(const StoredReport& report, const AnalysisTable& table, const std::string& source_name,
                          const TouchstoneDesign& design, const std::vector<RecordedRow>& exact) {
  if (table.format != 1)
    throw std::invalid_argument("a Touchstone file needs a table in print format 1 (S-parameters)");
  TouchstoneFile f;
  const bool two_port = table.zs == table.zl;
  f.extension = two_port ? "s2p" : "s1p";

  const auto finite = [&f](const AnalysisRow& r) {
    const bool ok = std::isfinite(r.freq) && std::isfinite(r.s11db) && std::isfinite(r.phase11) &&
                    std::isfinite(r.s21db) && std::isfinite(r.phase21);
    if (!ok) ++f.rows_left_out;
    return ok;
  };
  std::ostringstream body;
  for (const size_t i : increasing_rows(table, finite, f.rows_repeated)) {
    const AnalysisRow& r = table.rows[i];
    const std::string freq = trimmed(fmt::F(r.freq, 16, 2));
    if (!exact.empty()) {
      const ExactRow e = exact_row(exact[i], two_port);
      f.rows_normalised += e.normalised ? 1 : 0;
      body << freq << ' ' << e.s11;
      if (two_port) body << ' ' << e.s21 << ' ' << e.s21 << ' ' << e.s11;
      body << '\n';
      ++f.rows_written;
      continue;
    }
    // Frequencies and angles as printed; magnitudes from the printed dB.
    // A one-port needs only |S11| <= 1, which the printed return loss keeps.
    PassiveRow m{magnitude_from_db(r.s11db), magnitude_from_db(r.s21db), false, true};
    if (two_port) m = passive_magnitudes(r.s11db, r.s21db);
    f.rows_adjusted += m.adjusted ? 1 : 0;
    f.rows_not_passive += m.passive ? 0 : 1;
    const std::string s11 = magnitude_text(m.s11) + ' ' + trimmed(fmt::F(r.phase11, 8, 2));
    const std::string s21 = magnitude_text(m.s21) + ' ' + trimmed(fmt::F(r.phase21, 8, 2));
    body << freq << ' ' << s11;
    if (two_port) body << ' ' << s21 << ' ' << s21 << ' ' << s11;
    body << '\n';
    ++f.rows_written;
  }

  std::ostringstream o;
  o << "! Quorvane frequency analysis, report " << report.position << " of " << source_name << '\n'
    << "! " << report.summary.response << ", " << report.summary.poles << " poles, Fo "
    << trimmed(fmt::F(report.summary.f0, 9, 3)) << " MHz, BW " << trimmed(fmt::F(report.summary.bw, 9, 3))
    << " MHz; Zs " << trimmed(fmt::F(table.zs, 7, 3)) << " Ohms, ZL " << trimmed(fmt::F(table.zl, 7, 3))
    << " Ohms\n"
    << "! Construction: " << (design.construction.empty() ? "not stored" : design.construction)
    << "; substrate: " << (design.substrate.empty() ? "not stored" : design.substrate) << '\n'
    << (exact.empty() ? "! Values carry the table's printed precision: S11 from the return loss to 0.01 dB,\n"
                        "! S21 to 0.001 dB, angles to 0.01 degree, frequencies to 0.01 MHz.\n"
                      : "! Values are the analysis's own, computed again from the design record: magnitudes\n"
                        "! and angles to nine digits; frequencies as printed, to 0.01 MHz.\n");
  if (two_port)
    o << "! S12 = S21 (reciprocal filter); S22 = S11 (symmetric design, Zs = ZL).\n";
  else
    o << "! One-port S11: ZL differs from Zs, so S22 is not known from the table.\n";
  if (f.rows_adjusted > 0)
    o << "! " << f.rows_adjusted
      << " rows above |S11|^2 + |S21|^2 = 1 by the printed rounding alone: the largest passive |S11|\n"
      << "! (within 0.01 dB of the printed return loss; |S21| within its rounding where needed).\n";
  if (f.rows_normalised > 0)
    o << "! " << f.rows_normalised
      << " rows above |S11|^2 + |S21|^2 = 1 by single-precision rounding: both magnitudes scaled to 1.\n";
  if (f.rows_not_passive > 0)
    o << "! " << f.rows_not_passive << " rows above |S11|^2 + |S21|^2 = 1 beyond the printed rounding, as printed.\n";
  if (f.rows_repeated > 0)
    o << "! " << f.rows_repeated << " table rows left out: their printed frequency repeats the one before.\n";
  if (report.skipped_rows > 0)
    o << "! " << report.skipped_rows << " table rows not read: a field of asterisks or a damaged line.\n";
  if (f.rows_left_out > 0)
    o << "! " << f.rows_left_out << " table rows left out: a value is not a finite number.\n";
  o << "# MHz S MA R " << trimmed(fmt::F(table.zs, 7, 3)) << '\n' << body.str();
  f.text = o.str();
  return f;
}

}  // namespace quorvane::view
