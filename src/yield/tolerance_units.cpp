#include "yield/tolerance_units.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>


namespace quorvane::yield {

namespace {

struct LengthUnit {
  const char* name;
  double inch;
};
constexpr LengthUnit kLengthUnits[] = {{"in", 1.0}, {"mil", 0.001}, {"mm", 1.0 / 25.4}, {"um", 1.0 / 25400.0}};

}  // namespace

bool read_tolerance(const std::string& text, bool er, TypedTolerance& t) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const double v = std::strtod(begin, &end);
  if (end == begin || !std::isfinite(v) || v < 0.0 || v > 3.4e38) return false;
  std::string unit(end);
  while (!unit.empty() && unit.front() == ' ') unit.erase(0, 1);
  TypedTolerance r;
  r.value = static_cast<float>(v);
  if (unit == "%") {
    r.percent = true;
    r.unit = "%";
  } else if (!unit.empty()) {
    for (const LengthUnit& u : kLengthUnits)
      if (!er && unit == u.name) {
        r.inch_per_unit = u.inch;
        r.unit = u.name;
      }
    if (r.unit.empty()) return false;
  }
  t = std::move(r);
  return true;
}

double model_per_unit(const TypedTolerance& t, double nominal) {
  return t.percent ? nominal / 100.0 : t.inch_per_unit;
}

void nominal_values(const DrawnFilter& b, double (&nominal)[6]) {
  double w = 0.0, s = 0.0, l = 0.0;
  for (const DrawnSection& x : b.sections) {
    w += x.w;
    s += x.s;
    l += x.length;
  }
  const double n = b.sections.empty() ? 1.0 : static_cast<double>(b.sections.size());
  const double values[6] = {w / n, s / n, b.er, b.h, b.t, l / n};
  std::copy(std::begin(values), std::end(values), nominal);
}

}  // namespace quorvane::yield
