#include "dialogue/number_reader.hpp"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "dialogue/console.hpp"

namespace quorvane {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Digits, signs, the decimal point and the exponent letters.
bool may_be_in_a_number(char c) {
  return is_digit(c) || c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e' || c == 'D' || c == 'd';
}

NumberRead refuse(std::string why) { return NumberRead{false, 0.0f, std::move(why)}; }

// Saturating conversion of a value that is already a whole number.
int saturate(float whole) {
  if (std::isnan(whole)) return INT_MAX;
  if (whole >= 2147483648.0f) return INT_MAX;
  if (whole <= -2147483648.0f) return INT_MIN;
  return static_cast<int>(whole);
}

}  // namespace

NumberRead read_number(std::string_view line) {
  const std::string_view field = line.substr(0, kNumberFieldWidth);
  std::string packed;
  for (char c : field) {
    if (c != ' ' && c != '\t') packed += c;
  }
  if (packed.empty()) return NumberRead{true, 0.0f, {}};
  for (char c : packed) {
    if (!may_be_in_a_number(c))
      return refuse("it holds \"" + printable(std::string_view(&c, 1)) + "\", a character that cannot be part of a number");
  }

  // Validate the form and build the text that strtof reads.
  std::string text;
  std::size_t i = 0;
  if (packed[i] == '+' || packed[i] == '-') text += packed[i++];
  int mantissa_digits = 0;
  bool point = false;
  for (; i < packed.size(); ++i) {
    const char c = packed[i];
    if (is_digit(c)) {
      ++mantissa_digits;
      text += c;
    } else if (c == '.' && !point) {
      point = true;
      text += c;
    } else {
      break;
    }
  }
  if (mantissa_digits == 0) return refuse("it has no digits before its exponent or end");
  if (i < packed.size()) {
    const char e = packed[i];
    if (e != 'E' && e != 'e' && e != 'D' && e != 'd') return refuse("its signs, points and digits are not in the order of a number");
    text += 'e';
    ++i;
    if (i < packed.size() && (packed[i] == '+' || packed[i] == '-')) text += packed[i++];
    int exponent_digits = 0;
    for (; i < packed.size() && is_digit(packed[i]); ++i) {
      ++exponent_digits;
      text += packed[i];
    }
    if (exponent_digits == 0) return refuse("its exponent has no digits");
    if (i < packed.size()) return refuse("its signs, points and digits are not in the order of a number");
  }

  errno = 0;
  char* end = nullptr;
  const float value = std::strtof(text.c_str(), &end);
  if (std::isinf(value)) return refuse("it is too large for single precision");
  return NumberRead{true, value, {}};
}

std::optional<std::string> unit_after_number(std::string_view line) {
  const std::string_view field = line.substr(0, kNumberFieldWidth);
  const auto is_letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  std::size_t end = field.find_last_not_of(" \t");
  if (end == std::string_view::npos || !is_letter(field[end])) return std::nullopt;
  std::size_t start = end + 1;
  while (start > 0 && is_letter(field[start - 1])) --start;
  const std::string_view number = field.substr(0, start);
  // The number itself must not be blank: a word alone is no number with a unit.
  if (number.find_first_not_of(" \t") == std::string_view::npos || !read_number(number).ok) return std::nullopt;
  const std::string unit(field.substr(start, end + 1 - start));
  std::string digits;
  for (char c : number)
    if (c != ' ' && c != '\t') digits += c;
  return "it ends in \"" + printable(unit) + "\", read as a unit, not as an exponent: the prompt names its unit; type " +
         digits + " alone";
}

int nearest_whole(float x) {
  if (std::isnan(x)) return INT_MAX;
  return saturate(std::round(x));
}

int choice_of(float x) {
  const int n = nearest_whole(x);
  if (n == INT_MIN) return INT_MAX;
  return n < 0 ? -n : n;
}

int truncated_whole(float x) {
  if (std::isnan(x)) return INT_MAX;
  return saturate(std::trunc(x));
}

}  // namespace quorvane
