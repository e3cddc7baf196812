// The number reading rule shared by every console entry and by the defaults
// file, in the manner of a Fortran F13.0 read with blanks ignored.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// Only the first 13 characters of a line hold the number.
inline constexpr std::size_t kNumberFieldWidth = 13;

struct NumberRead {
  bool ok = false;
  float value = 0.0f;
  // On failure: why the field is not a number, for the error report.
  std::string why;
};

// Reads the number in the first 13 characters of `line`.  Blanks and tabs in
// the field are ignored and a field that is entirely blank reads as 0.  The
// field holds an optional sign, digits with at most one decimal point (at
// least one digit), and an optional exponent: E, e, D or d, an optional sign
// and at least one digit.  A number without a decimal point is that whole
// number.  Anything else, and a magnitude too large for single precision, is
// refused; a magnitude too small for it reads as 0 (or the nearest subnormal).
NumberRead read_number(std::string_view line);

// For a field that is a number followed by a word of letters, such as
// "0.5 dB" or "2450MHz": why it is refused, naming the word as a unit (the d
// of dB is not taken for an exponent) and the number to type alone.
std::optional<std::string> unit_after_number(std::string_view line);

// The nearest whole number, halves away from zero, saturated at the limits of
// int so that huge entries stay defined (NaN gives the upper limit).
int nearest_whole(float x);

// A menu choice: the nearest whole number with its sign dropped; huge entries
// give a large positive value that no menu offers.
int choice_of(float x);

// The whole part toward zero, sign kept, saturated like nearest_whole.
int truncated_whole(float x);

}  // namespace quorvane
