// What the suite does differently in the sanitizer pass of tools/test-all.
//
// QUORVANE_UNDER_ASAN: defined in a build with AddressSanitizer (GCC and
// clang name it differently).
//
// The exhaustive loops of the suite (every occurrence of a call failed,
// every line of a stored file removed) try every case in the optimised
// pass; with QUORVANE_SAMPLE=1 in the environment (the slower sanitizer
// pass of tools/test-all) they try at most `cap` cases, spread evenly from
// the first to the last.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define QUORVANE_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVANE_UNDER_ASAN 1
#endif
#endif

namespace quorvane::testing {

inline bool sampled_run() { return std::getenv("QUORVANE_SAMPLE") != nullptr; }

// The indices 0 .. count-1 to try: all of them, or in a sampled run at most
// `cap`, the first and the last among them.
inline std::vector<std::size_t> cases_to_try(std::size_t count, std::size_t cap) {
  const std::size_t tries = sampled_run() && cap < count ? cap : count;
  std::vector<std::size_t> out;
  for (std::size_t t = 0; t < tries; ++t) out.push_back(tries == 1 ? 0 : t * (count - 1) / (tries - 1));
  return out;
}

}  // namespace quorvane::testing
