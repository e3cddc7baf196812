#include "view/touchstone.hpp"

#include <cmath>
#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "dialogue/fortran_format.hpp"

namespace quorvane::view {

namespace {

std::string trimmed(const std::string& s) {
  const size_t a = s.find_first_not_of(' ');
  return a == std::string::npos ? std::string() : s.substr(a);
}

// Nine significant digits carry a float exactly.
std::string magnitude_text(float v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
  return buf;
}

}  // namespace

float magnitude_from_db(float db) { return std::pow(10.0f, db / 20.0f); }

TouchstoneFile touchstone(const Report& report, const AnalysisTable& table, const std::string& source_name) {
  if (table.format != 1)
    throw std::invalid_argument("a Touchstone file needs a table in print format 1 (S-parameters)");
  TouchstoneFile f;
  const bool two_port = table.zs == table.zl;
  f.extension = two_port ? "s2p" : "s1p";

  std::ostringstream body;
  for (const AnalysisRow& r : table.rows) {
    if (!std::isfinite(r.freq) || !std::isfinite(r.s11db) || !std::isfinite(r.phase11) ||
        !std::isfinite(r.s21db) || !std::isfinite(r.phase21)) {
      ++f.rows_left_out;
      continue;
    }
    // Frequencies and angles as printed; magnitudes from the printed dB.
    const std::string freq = trimmed(fmt::F(r.freq, 16, 2));
    const std::string s11 = magnitude_text(magnitude_from_db(r.s11db)) + ' ' + trimmed(fmt::F(r.phase11, 8, 2));
    const std::string s21 = magnitude_text(magnitude_from_db(r.s21db)) + ' ' + trimmed(fmt::F(r.phase21, 8, 2));
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
    << "! Values carry the table's printed precision: S11 from the return loss to 0.01 dB,\n"
    << "! S21 to 0.001 dB, angles to 0.01 degree, frequencies to 0.01 MHz.\n";
  if (two_port)
    o << "! S12 = S21 (reciprocal filter); S22 = S11 (symmetric design, Zs = ZL).\n";
  else
    o << "! One-port S11: ZL differs from Zs, so S22 is not known from the table.\n";
  if (report.skipped_rows > 0)
    o << "! " << report.skipped_rows << " table rows not read: a field of asterisks or a damaged line.\n";
  if (f.rows_left_out > 0)
    o << "! " << f.rows_left_out << " table rows left out: a value is not a finite number.\n";
  o << "# MHz S MA R " << trimmed(fmt::F(table.zs, 7, 3)) << '\n' << body.str();
  f.text = o.str();
  return f;
}

}  // namespace quorvane::view
