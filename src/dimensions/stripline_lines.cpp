#include "dimensions/stripline_lines.hpp"

#include "lines/stripline.hpp"

namespace quorvane {

std::vector<CoupledStrip> coupled_strips(int n, float t, float er, const std::vector<float>& zoe,
                                         const std::vector<float>& zoo) {
  std::array<float, 14> e{};
  std::array<float, 14> o{};
  for (std::size_t k = 1; k <= zoe.size() && k < e.size(); ++k) {
    e[k] = zoe[k - 1];
    o[k] = zoo[k - 1];
  }
  const SlwsResult r = slws(n, t, er, e, o);
  std::vector<CoupledStrip> strips;
  for (int k = 1; k <= n + 1 && k < static_cast<int>(e.size()); ++k) {
    const auto i = static_cast<std::size_t>(k);
    strips.push_back(CoupledStrip{r.w[i], r.s[i], r.realizable[i]});
  }
  return strips;
}

float single_strip_impedance(float b, float er, float t, float w) { return slzo(b, er, t, w); }

SingleStrip single_strip_width(float b, float er, float t, float zo) {
  const SlwbResult r = slwb(b, er, t, zo);
  return SingleStrip{r.w, r.zo, r.isyne};
}

const char* single_strip_unrealizable_line1() { return kSlwbUnrealizableWidth; }
const char* single_strip_unrealizable_line2() { return kSlwbSynthesisTerminated; }

}  // namespace quorvane
