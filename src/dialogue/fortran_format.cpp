#include "dialogue/fortran_format.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

namespace quorvane::fmt {

namespace {

std::string stars(int w) { return std::string(w > 0 ? static_cast<size_t>(w) : 0u, '*'); }

std::string right(const std::string& s, int w) {
  if (static_cast<int>(s.size()) > w) return stars(w);
  return std::string(static_cast<size_t>(w) - s.size(), ' ') + s;
}

// `text` right-justified in the w > 0 columns at out, asterisks when it does not fit.
char* put_right(char* out, std::string_view text, int w) {
  const auto width = static_cast<size_t>(w);
  if (text.size() > width) return std::fill_n(out, width, '*');
  out = std::fill_n(out, width - text.size(), ' ');
  return std::copy(text.begin(), text.end(), out);
}

// Digits of |value| rounded to d decimals, half away from zero, written at
// buf ("123.45", "0.50", "3"); returns their count.  to_chars with a
// precision rounds the exact binary value correctly, as printf does, but
// breaks exact ties to even; a tie needs |value|*2^(d+1) to be a whole
// number (its decimal expansion then ends within d+1 digits), so only such
// values are written with one digit more and rounded here.  `size` holds
// the integer digits of any float, the point, d + 1 decimals and a carry.
size_t rounded_digits(double magnitude, int d, char* buf, size_t size) {
  // A float has 24 significant bits and 10^d = 2^d 5^d, with 5^d below 2^28
  // up to d = 12: magnitude 10^d is then exact in a double, and so is its
  // fraction.  The rounding is decided on that exact value, an exact half
  // away from zero, and the digits come from the whole number.
  static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12};
  if (d >= 0 && d <= 12) {
    const double exact = magnitude * kPowers[d];
    if (exact < 1e18) {
      const double whole = std::floor(exact);
      auto n = static_cast<unsigned long long>(whole);
      if (exact - whole >= 0.5) ++n;
      char digits[24];
      char* end = std::to_chars(digits, digits + sizeof digits, n).ptr;
      auto count = static_cast<size_t>(end - digits);
      const auto decimals = static_cast<size_t>(d);
      size_t k = 0;
      if (count <= decimals) {
        buf[k++] = '0';
      } else {
        k = std::copy(digits, digits + (count - decimals), buf) - buf;
      }
      if (d == 0) return k;
      buf[k++] = '.';
      for (size_t zeros = count < decimals ? decimals - count : 0; zeros > 0; --zeros) buf[k++] = '0';
      const char* fraction = count <= decimals ? digits : digits + (count - decimals);
      return std::copy(fraction, static_cast<const char*>(end), buf + k) - buf;
    }
  }
  const double scaled = std::ldexp(magnitude, d + 1);
  const bool maybe_tie = std::isfinite(scaled) && scaled == std::floor(scaled);
  if (!maybe_tie) {
    return static_cast<size_t>(std::to_chars(buf, buf + size, magnitude, std::chars_format::fixed, d).ptr - buf);
  }
  size_t n = static_cast<size_t>(std::to_chars(buf, buf + size - 1, magnitude, std::chars_format::fixed, d + 1).ptr - buf);
  const char last = buf[--n];  // drop the extra digit
  if (d == 0) --n;             // and the point it needed
  if (last >= '5') {
    // Propagate the carry leftwards through the digits.
    size_t i = n;
    for (; i > 0; --i) {
      char& c = buf[i - 1];
      if (c == '.') continue;
      if (c == '9') {
        c = '0';
      } else {
        ++c;
        break;
      }
    }
    if (i == 0) {
      std::memmove(buf + 1, buf, n);
      buf[0] = '1';
      ++n;
    }
  }
  return n;
}

// Room for 39 integer digits of the largest float, the point, the carry and
// a sign, with the decimals: d + 1 of them.
constexpr int kStackDecimals = 100;
constexpr size_t kStackDigits = 48 + kStackDecimals;

}  // namespace

char* put_F(char* out, float value, int w, int d) {
  if (w <= 0) return out;
  if (std::isnan(value)) return w >= 3 ? put_right(out, "NaN", w) : std::fill_n(out, w, '*');
  const bool negative = std::signbit(value);
  if (std::isinf(value)) {
    const int sign = negative ? 1 : 0;
    if (w >= sign + 8) return put_right(out, negative ? "-Infinity" : "Infinity", w);
    if (w >= sign + 3) return put_right(out, negative ? "-Inf" : "Inf", w);
    return std::fill_n(out, w, '*');
  }
  // The sign goes at text[0] and the digits after it.
  char stack[kStackDigits];
  std::vector<char> heap;
  char* text = stack;
  size_t size = kStackDigits;
  if (d > kStackDecimals) {
    heap.resize(static_cast<size_t>(d) + 48);
    text = heap.data();
    size = heap.size();
  }
  char* digits = text + 1;
  size_t n = rounded_digits(std::fabs(static_cast<double>(value)), d, digits, size - 2);
  if (d == 0) digits[n++] = '.';
  const size_t sign = negative ? 1 : 0;
  // "0.xx": the leading zero is optional and goes first when room is short.
  if (n > 1 && digits[0] == '0' && digits[1] == '.' && static_cast<int>(sign + n) > w && d > 0) {
    ++digits;
    --n;
  }
  if (negative) *--digits = '-';
  return put_right(out, std::string_view(digits, n + sign), w);
}

std::string F(float value, int w, int d) {
  if (w <= 0) return {};
  std::string s(static_cast<size_t>(w), ' ');
  put_F(s.data(), value, w, d);
  return s;
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
