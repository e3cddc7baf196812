#include "dialogue/fortran_format.hpp"

#include <cmath>
#include <cstdio>
#include <vector>

namespace quorvane::fmt {

namespace {

std::string stars(int w) { return std::string(w > 0 ? static_cast<size_t>(w) : 0u, '*'); }

std::string right(const std::string& s, int w) {
  if (static_cast<int>(s.size()) > w) return stars(w);
  return std::string(static_cast<size_t>(w) - s.size(), ' ') + s;
}

// Digits of |value| rounded to d decimals, half away from zero, as printf
// writes them ("123.45", "0.50", "3").  printf rounds the exact binary value
// correctly but breaks exact ties to even; a tie needs |value|*2^(d+1) to be
// a whole number (its decimal expansion then ends within d+1 digits), so only
// such values are printed with one digit more and rounded here.
std::string rounded_digits(double magnitude, int d) {
  std::vector<char> buf(static_cast<size_t>(d) + 360);
  const double scaled = std::ldexp(magnitude, d + 1);
  const bool maybe_tie = std::isfinite(scaled) && scaled == std::floor(scaled);
  if (!maybe_tie) {
    std::snprintf(buf.data(), buf.size(), "%.*f", d, magnitude);
    return buf.data();
  }
  std::snprintf(buf.data(), buf.size(), "%.*f", d + 1, magnitude);
  std::string s = buf.data();
  const char last = s.back();
  s.pop_back();  // drop the extra digit
  if (d == 0) s.pop_back();  // and the point it needed
  if (last >= '5') {
    // Propagate the carry leftwards through the digits.
    int i = static_cast<int>(s.size()) - 1;
    for (; i >= 0; --i) {
      if (s[static_cast<size_t>(i)] == '.') continue;
      if (s[static_cast<size_t>(i)] == '9') {
        s[static_cast<size_t>(i)] = '0';
      } else {
        ++s[static_cast<size_t>(i)];
        break;
      }
    }
    if (i < 0) s.insert(s.begin(), '1');
  }
  return s;
}

}  // namespace

std::string F(float value, int w, int d) {
  if (w <= 0) return {};
  if (std::isnan(value)) return w >= 3 ? right("NaN", w) : stars(w);
  const bool negative = std::signbit(value);
  if (std::isinf(value)) {
    const std::string sign = negative ? "-" : "";
    if (w >= static_cast<int>(sign.size()) + 8) return right(sign + "Infinity", w);
    if (w >= static_cast<int>(sign.size()) + 3) return right(sign + "Inf", w);
    return stars(w);
  }
  std::string digits = rounded_digits(std::fabs(static_cast<double>(value)), d);
  if (d == 0) digits += '.';
  const std::string sign = negative ? "-" : "";
  // "0.xx": the leading zero is optional and goes first when room is short.
  if (digits.size() > 1 && digits[0] == '0' && digits[1] == '.' &&
      static_cast<int>(sign.size() + digits.size()) > w && d > 0) {
    digits.erase(digits.begin());
  }
  return right(sign + digits, w);
}

std::string I(long long value, int w) {
  if (w <= 0) return {};
  return right(std::to_string(value), w);
}

std::string A(std::string_view text, int w) {
  if (w <= 0) return {};
  std::string s(text.substr(0, static_cast<size_t>(w)));
  s.resize(static_cast<size_t>(w), ' ');
  return s;
}

std::string X(int n) { return std::string(n > 0 ? static_cast<size_t>(n) : 0u, ' '); }

std::string hyphens(int n) { return std::string(n > 0 ? static_cast<size_t>(n) : 0u, '-'); }

}  // namespace quorvane::fmt
