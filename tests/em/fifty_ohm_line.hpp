// The full-wave tests' known answer: a straight 50-ohm microstrip line,
// 10 mm long on Er 9.8, H 0.635 mm, its width from the program's
// microstrip model, solved across 8 ... 12 GHz.
#pragma once

#include "em/em_model.hpp"
#include "lines/microstrip.hpp"

namespace quorvane::em {

inline constexpr float kLineHeightIn = 0.025f, kLineEr = 9.8f;

inline Model fifty_ohm_line() {
  const MswhResult width = mswh(kLineEr, 10.0f, kLineHeightIn, 1000 * kLineHeightIn, 0.0f, 50.0f);
  return straight_line(kLineEr, kLineHeightIn * 25.4, width.w * 25.4, 10, 8e9, 12e9);
}

}  // namespace quorvane::em
