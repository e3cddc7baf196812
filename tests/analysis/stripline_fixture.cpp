#include "analysis/stripline_fixture.hpp"

#include "lines/stripline.hpp"

namespace quorvane::testing {

void coupled_strip_fractions(float t_over_b, float er, const float* zoe, const float* zoo, int count, float* w,
                             float* s) {
  const SlwsSubstrate sub = slws_substrate(t_over_b, er);
  for (int k = 0; k < count; ++k) {
    const CoupledStripSection c = slws_section(sub, zoe[k], zoo[k]);
    w[k] = c.w;
    s[k] = c.s;
  }
}

}  // namespace quorvane::testing
