// Tolerances as an engineer types them: a length with its unit (25um, 1mil,
// 0.001in, 0.1mm; a bare number is inch), a percentage of the nominal (5%),
// Er as an absolute value or a percentage.  The model works in inch and Er;
// the sensitivities are printed back per the unit typed.
#pragma once

#include <string>

#include "analysis/drawn_filter.hpp"

namespace quorvane::yield {

struct TypedTolerance {
  float value = 0.0f;          // the number typed
  double inch_per_unit = 1.0;  // of a length unit (1 for Er and for a bare number)
  bool percent = false;        // of the nominal
  std::string unit;            // as the sensitivity table names it; empty: the model's own
};

// In the order of the sensitivity table: width, gap, er, height, thickness, length.
struct TypedTolerances {
  TypedTolerance width, gap, er, height, thickness, length;
};

// Reads one tolerance; false for a negative or non-finite number or a unit
// that does not fit (a length unit for Er).
bool read_tolerance(const std::string& text, bool er, TypedTolerance& t);

// The model's units (inch, or Er) per unit typed, for the nominal value:
// the board's height, thickness and Er, the mean of its sections' widths,
// gaps and lengths.
double model_per_unit(const TypedTolerance& t, double nominal);

// The nominal value of each tolerance of the board, in the table's order.
void nominal_values(const DrawnFilter& b, double (&nominal)[6]);

}  // namespace quorvane::yield
