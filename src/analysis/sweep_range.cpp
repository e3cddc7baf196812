// The sweep range: its check and the line that refuses it.
#include "analysis/sweep.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "analysis/analysis_layouts.hpp"
#include "dialogue/fortran_format.hpp"
#include "dialogue/report_layouts.hpp"

namespace quorvane {

using fmt::F;
using fmt::I;
using fmt::X;

namespace {

// Spacing of single-precision numbers just above x > 0.
float spacing_above(float x) { return std::nextafter(x, INFINITY) - x; }

// Below the stop frequency every accumulated frequency is at most the largest
// float under fstop, where the spacing of floats is largest; a step must
// exceed half that spacing or the addition rounds back to the same value.
// (At exactly half the spacing a tie rounds to even and may stick, so it is
// refused too.)
float largest_below(float fstop) { return std::nextafter(fstop, -INFINITY); }

// A value of an explanatory line: its Fw.d field without the leading blanks.
// A value too wide for the fixed form (a stop near the float limit) is
// written with an exponent, four significant digits, instead of asterisks.
std::string value_text(float v, int d) {
  const std::string field = F(v, 24, d);
  if (field.find('*') != std::string::npos) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3E", static_cast<double>(v));
    return text;
  }
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
  const std::string lead = fmt::fill(fmt::not_run_lead(), {});
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

}  // namespace quorvane
