// libFuzzer target: the number reading rule on any bytes.  A reading either
// succeeds with a finite value or is refused with a reason.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "dialogue/number_reader.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const quorvane::NumberRead r = quorvane::read_number(line);
  if (r.ok && !std::isfinite(r.value)) std::abort();
  if (!r.ok && r.why.empty()) std::abort();
  if (r.ok) {
    (void)quorvane::choice_of(r.value);
    (void)quorvane::nearest_whole(r.value);
    (void)quorvane::truncated_whole(r.value);
  }
  return 0;
}
