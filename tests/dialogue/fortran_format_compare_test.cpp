// The Fw.d writer against the printf formatting it replaced, over a few
// million floats for every width and decimal count the reports print:
// random bit patterns across the magnitudes that fit and that overflow, and
// exact halves of the last decimal, where the writer's own rounding applies.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialogue/fortran_format.hpp"
#include "support/sanitizer_pass.hpp"

namespace quorvane::fmt {
namespace {

// The field as printf formed it: the digits of %.*f, ties decided by one
// digit more and rounded away from zero.
std::string printf_field(float value, int w, int d) {
  auto right = [w](const std::string& s) {
    return static_cast<int>(s.size()) > w ? std::string(static_cast<size_t>(w), '*')
                                          : std::string(static_cast<size_t>(w) - s.size(), ' ') + s;
  };
  if (std::isnan(value)) return w >= 3 ? right("NaN") : std::string(static_cast<size_t>(w), '*');
  const std::string sign = std::signbit(value) ? "-" : "";
  if (std::isinf(value)) {
    if (w >= static_cast<int>(sign.size()) + 8) return right(sign + "Infinity");
    if (w >= static_cast<int>(sign.size()) + 3) return right(sign + "Inf");
    return std::string(static_cast<size_t>(w), '*');
  }
  const double magnitude = std::fabs(static_cast<double>(value));
  std::vector<char> buf(static_cast<size_t>(d) + 360);
  const double scaled = std::ldexp(magnitude, d + 1);
  std::string s;
  if (!(scaled == std::floor(scaled))) {
    std::snprintf(buf.data(), buf.size(), "%.*f", d, magnitude);
    s = buf.data();
  } else {
    std::snprintf(buf.data(), buf.size(), "%.*f", d + 1, magnitude);
    s = buf.data();
    const char last = s.back();
    s.pop_back();
    if (d == 0) s.pop_back();
    if (last >= '5') {
      int i = static_cast<int>(s.size()) - 1;
      for (; i >= 0; --i) {
        char& c = s[static_cast<size_t>(i)];
        if (c == '.') continue;
        if (c != '9') {
          ++c;
          break;
        }
        c = '0';
      }
      if (i < 0) s.insert(s.begin(), '1');
    }
  }
  if (d == 0) s += '.';
  if (s.size() > 1 && s[0] == '0' && s[1] == '.' && static_cast<int>(sign.size() + s.size()) > w && d > 0) {
    s.erase(s.begin());
  }
  return right(sign + s);
}

#if defined(QUORVANE_UNDER_ASAN)
constexpr int kValuesPerField = 8000;  // the sanitizer pass runs the whole suite in one process
#else
constexpr int kValuesPerField = 160000;
#endif

TEST(FieldFCompare, SameFieldsAsPrintfForEveryReportField) {
  const struct {
    int w, d;
  } fields[] = {{9, 3}, {7, 3}, {6, 2}, {8, 4}, {8, 2}, {7, 4}, {9, 2}, {7, 5}, {6, 4}, {5, 3},
                {16, 2}, {8, 5}, {8, 3}, {11, 5}, {7, 2}, {6, 3}, {6, 1}, {12, 2}, {24, 3}, {3, 0}};
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  auto next = [&state] {
    state = state * 6364136223846793005u + 1442695040888963407u;
    return static_cast<std::uint32_t>(state >> 32);
  };
  long compared = 0;
  for (const auto& f : fields) {
    int mismatches = 0;
    for (int k = 0; k < kValuesPerField && mismatches < 5; ++k) {
      const std::uint32_t r = next();
      float v;
      if (k % 4 == 3) {
        // An exact half of the last decimal: an odd multiple of 2^-(d+1).
        const float half = std::ldexp(static_cast<float>((r >> 8) | 1u), -(f.d + 1));
        v = (r & 1u) ? -half : half;
      } else {
        // Any sign and mantissa, magnitudes from 2^-30 to past the field's width.
        const std::uint32_t top = static_cast<std::uint32_t>(std::min(127 + 4 * f.w, 254));
        const std::uint32_t exponent = 97u + next() % (top - 96u);
        v = std::bit_cast<float>((r & 0x807FFFFFu) | (exponent << 23));
      }
      const std::string expected = printf_field(v, f.w, f.d);
      const std::string actual = F(v, f.w, f.d);
      ++compared;
      if (actual != expected) {
        ++mismatches;
        ADD_FAILURE() << "F" << f.w << "." << f.d << " of " << std::hexfloat << v << ": \"" << actual
                      << "\", printf \"" << expected << "\"";
      }
    }
  }
  EXPECT_EQ(compared, static_cast<long>(std::size(fields)) * kValuesPerField);
}

}  // namespace
}  // namespace quorvane::fmt
