#include "analysis/sweep.hpp"

#include <algorithm>
#include <cmath>

#include "analysis/filter_network.hpp"
#include "analysis/sparam.hpp"
#include "dialogue/fortran_format.hpp"

namespace quorvane {

using fmt::F;
using fmt::I;
using fmt::X;

namespace {

constexpr float pi = 3.14159274f;

// Spacing of single-precision numbers just above x > 0.
float spacing_above(float x) { return std::nextafter(x, INFINITY) - x; }

// Below the stop frequency every accumulated frequency is at most the largest
// float under fstop, where the spacing of floats is largest; a step must
// exceed half that spacing or the addition rounds back to the same value.
// (At exactly half the spacing a tie rounds to even and may stick, so it is
// refused too.)
float largest_below(float fstop) { return std::nextafter(fstop, -INFINITY); }

// A value of an explanatory line: its Fw.d field without the leading blanks.
std::string value_text(float v, int d) {
  const std::string field = F(v, 24, d);
  return field.substr(field.find_first_not_of(' '));
}

// The decimal exponent of a positive value, floor(log10 v), held to a range
// that keeps the fields of the explanatory lines short.
int decimal_exponent(float v) {
  if (!(v > 0.0f) || !std::isfinite(v)) return 0;
  return static_cast<int>(std::fmin(std::fmax(std::floor(std::log10(v)), -12.0f), 12.0f));
}

}  // namespace

SweepCheck check_sweep(const Qvnfreq& range) {
  SweepCheck check;
  if (!(range.fstart > 0.0f) || !std::isfinite(range.fstart)) {
    check.refusal = SweepRefusal::kStartNotPositive;
    return check;
  }
  if (range.fstart < range.fstop) {
    if (!(range.fstep > 0.0f)) {
      check.refusal = SweepRefusal::kStepNotPositive;
      return check;
    }
    if (range.fstep <= 0.5f * spacing_above(largest_below(range.fstop))) {
      check.refusal = SweepRefusal::kStepTooSmall;
      return check;
    }
  }
  // The rows as the sweep will print them: the running single-precision sum,
  // the test after the row.  Bounded: one row beyond the limit decides.
  float freq = range.fstart - range.fstep;
  long rows = 0;
  while (rows <= kMaxSweepRows) {
    const float next = freq + range.fstep;
    ++rows;
    if (next >= range.fstop) break;
    if (!(next > freq)) {
      // Only a start at or above the stop can get here: the first sum fell
      // just below the stop and the step cannot move it on.
      check.refusal = range.fstep > 0.0f ? SweepRefusal::kStepTooSmall : SweepRefusal::kStepNotPositive;
      return check;
    }
    freq = next;
  }
  if (rows > kMaxSweepRows) {
    check.refusal = SweepRefusal::kTooManyRows;
    return check;
  }
  check.rows = rows;
  return check;
}

std::string refusal_line(SweepRefusal refusal, const Qvnfreq& range) {
  const std::string lead = X(6) + "Analysis not run: ";
  switch (refusal) {
    case SweepRefusal::kNone: return {};
    case SweepRefusal::kStartNotPositive:
      return lead + "the Start Frequency is " + value_text(range.fstart, 3) +
             " MHz; enter a Start Frequency above 0 MHz.";
    case SweepRefusal::kStepNotPositive:
      return lead + "the Step Frequency is " + value_text(range.fstep, 3) +
             " MHz; enter a Step Frequency above 0 MHz.";
    case SweepRefusal::kStepTooSmall: {
      // The step with four significant digits, and the spacing of floats
      // near the stop rounded up to one significant digit: a step that large
      // moves every sum.
      const int step_digits = std::max(3, 3 - decimal_exponent(range.fstep));
      const float spacing = spacing_above(largest_below(range.fstop));
      const int k = decimal_exponent(spacing);
      const float unit = std::pow(10.0f, static_cast<float>(k));
      const float enough = std::ceil(spacing / unit) * unit;
      return lead + "a Step of " + value_text(range.fstep, step_digits) + " MHz cannot advance the frequency near " +
             value_text(range.fstop, 3) + " MHz; enter a Step of at least " + value_text(enough, std::max(1, -decimal_exponent(enough))) +
             " MHz.";
    }
    case SweepRefusal::kTooManyRows:
      return lead + "this range needs more than " + I(kMaxSweepRows, 6) +
             " frequencies; enter a larger Step or a narrower range.";
  }
  return {};
}

ResponseRow response_row(float freq, Complex s11, Complex s21, Complex zinput) {
  const float degrees = 180.0f / pi;
  ResponseRow r;
  r.freq = freq;
  r.phases11 = std::atan2(s11.imag(), s11.real()) * degrees;
  r.phases21 = std::atan2(s21.imag(), s21.real()) * degrees;
  float s11mag = std::sqrt(s11.real() * s11.real() + s11.imag() * s11.imag());
  float s21mag = s21.real() * s21.real() + s21.imag() * s21.imag();
  if (s11mag > 0.9995f) s11mag = 0.9995f;
  if (s21mag < 1.0e-20f) s21mag = 1.0e-20f;
  r.s11db = 20.0f * std::log10(s11mag);
  r.s21db = 10.0f * std::log10(s21mag);
  r.vswrin = (1.0f + s11mag) / (1.0f - s11mag);
  if (r.vswrin > 99.99f) r.vswrin = 99.99f;
  r.tempzini = zinput.imag();
  if (r.tempzini > 999.99f) r.tempzini = 999.99f;
  r.tempzin = zinput.real();
  return r;
}

std::vector<std::string> column_header(int ivswr) {
  if (ivswr == 2) {
    return {"",
            X(58) + "Thru Path",
            X(7) + "Analysis  Input Impedance, Ohms  Input  Input  ----------------",
            X(7) + "Frequency ---------------------  Port   Port      Loss    Phase",
            X(9) + "(MHz)      Real    Imaginary   VSWR   Phase    (dB)    (Deg)",
            X(6) + fmt::hyphens(72)};
  }
  return {"",
          X(7) + "Frequency     Input Port: S11     Input Impedance   Thru Loss: S21",
          X(7) + "   MHz      VSWR   RL,dB   Phase   Real    Imag      dB     Phase",
          X(7) + fmt::hyphens(66)};
}

std::string response_line(int ivswr, const ResponseRow& r) {
  char line[kResponseLineLength];
  return std::string(line, put_response_line(line, ivswr, r));
}

char* put_response_line(char* out, int ivswr, const ResponseRow& r) {
  using fmt::put_F;
  if (ivswr == 2) {
    out = put_F(out, r.freq, 16, 2);
    out = put_F(out, r.tempzin, 8, 2);
    out = put_F(out, r.tempzini, 12, 2);
    out = put_F(out, r.vswrin, 8, 2);
    out = put_F(out, r.phases11, 8, 2);
    out = put_F(out, r.s21db, 9, 3);
    return put_F(out, r.phases21, 9, 2);
  }
  out = put_F(out, r.freq, 16, 2);
  *out++ = ' ';
  out = put_F(out, r.vswrin, 7, 3);
  out = put_F(out, r.s11db, 7, 2);
  out = put_F(out, r.phases11, 8, 2);
  out = put_F(out, r.tempzin, 8, 3);
  out = put_F(out, r.tempzini, 8, 3);
  out = put_F(out, r.s21db, 9, 3);
  return put_F(out, r.phases21, 8, 2);
}

void qvna(int msorsl, int isections, const SectionValues& flength, float er, DesignState& state, Report& report) {
  const Qvnfreq range = state.qvnfreq;
  const SweepCheck check = check_sweep(range);
  if (check.refusal != SweepRefusal::kNone) {
    report.both(refusal_line(check.refusal, range));
    return;
  }
  const int ivswr = state.control.ivswr;
  report.both_grouped(column_header(ivswr));

  // Without a construction the stripline model analyses the electrical design
  // in air with b = 0; the losses are all 0, so no dimension enters.
  if (msorsl == 0) state.qvnms.b = 0.0f;
  const FilterNetwork network(msorsl, isections, flength, er, state);
  const Complex zsc(state.qvnzo.zs, 0.0f);
  const Complex zlc(state.qvnzo.zl, 0.0f);

  // The frequency is the running single-precision sum, as check_sweep counted it.
  float freq = range.fstart - range.fstep;
  for (long row = 0; row < check.rows; ++row) {
    freq = freq + range.fstep;
    const SParameters sp = sparam(network.at(freq), zsc, zlc);
    report.both(response_line(ivswr, response_row(freq, sp.s11, sp.s21, sp.zinput)));
    if (freq >= range.fstop) break;
  }

  const std::string source = X(6) + "Source Impedance: Zs = " + F(state.qvnzo.zs, 7, 3) + " Ohms.";
  const std::string load = X(6) + "Load   Impedance: ZL = " + F(state.qvnzo.zl, 7, 3) + " Ohms.";
  const std::string rule = X(6) + fmt::hyphens(72);
  const std::string notice = X(8) + "Output Data stored in User filename: " + fmt::A(state.control.fnstore, 20);
  report.console(source);
  report.console(load);
  report.console(rule);
  if (report.storing()) {
    report.file(source);
    report.file(load);
    report.console(notice);
    report.file(rule);
    report.file(notice);
  }
}

}  // namespace quorvane
