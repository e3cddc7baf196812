// libFuzzer target: the defaults-file reader on any bytes.  It accepts the
// file with values that pass its checks, or gives a message naming a record.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "dialogue/defaults_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  const quorvane::DefaultsReading r = quorvane::read_defaults(in);
  if (r.ok) {
    const quorvane::Defaults& d = r.values;
    if (!(d.f0def > 0.0f) || !(d.bwdef > 0.0f) || d.ndef < 2 || d.ndef > 12 || !(d.erms >= 1.0f) ||
        !(d.ersl >= 1.0f) || d.fndef.size() != 20) {
      std::abort();
    }
  } else if (r.message.size() < 2) {
    std::abort();
  }
  return 0;
}
