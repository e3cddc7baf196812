// libFuzzer target: a whole session in-process.  The input holds a defaults
// file and a console script separated by the first byte 0x1E (without one,
// the shipped defaults file and the whole input as the script).  The session
// runs with a fixed clock in a folder of its own and must keep the session
// invariants.
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "dialogue/dialogue.hpp"
#include "support/invariants.hpp"

namespace {

std::string shipped_defaults() {
  std::ifstream in(std::filesystem::path(QUORVANE_SOURCE_DIR) / "QuorvaneDEMO.DEF", std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string defaults = shipped_defaults();
  static const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("quorvane-fuzz-" + std::to_string(::getpid()));
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find('\x1e');
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "QuorvaneDEMO.DEF", std::ios::binary)
      << (cut == std::string::npos ? defaults : input.substr(0, cut));
  std::istringstream in(cut == std::string::npos ? input : input.substr(cut + 1));
  std::ostringstream out;
  std::ostringstream err;
  const quorvane::DialogueEnvironment env{in, out, err, [] { return quorvane::ClockReading{2026, 3, 6, 9, 5, 7}; },
                                          folder};
  const int status = quorvane::run_dialogue(env);
  const std::string broken = quorvane::testing::broken_invariant(status, out.str(), err.str(), folder);
  if (!broken.empty()) {
    std::fprintf(stderr, "broken invariant: %s\n", broken.c_str());
    std::abort();
  }
  return 0;
}
