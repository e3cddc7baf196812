// libFuzzer target: a whole session in-process.  The input holds a defaults
// file and a console script separated by the first byte 0x1E (without one,
// the shipped defaults file and the whole input as the script).  The session
// runs with a fixed clock in a folder of its own and must keep the session
// invariants.
//
// A session may legally print a great deal (a sweep runs to 100001 rows, and
// a script can ask for many sweeps); a run that prints more than
// kConsoleBudget bytes is cut off and not judged, so that each input costs
// well under a second and the bounded run explores rather than prints.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <streambuf>
#include <string>

#include "session/dialogue.hpp"
#include "support/invariants.hpp"

namespace {

constexpr std::size_t kConsoleBudget = 1 << 20;

struct BudgetSpent {};

// A console that keeps what it is given, up to the budget.
class BudgetBuffer : public std::streambuf {
 public:
  const std::string& text() const { return text_; }

 protected:
  int_type overflow(int_type ch) override {
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    const char c = traits_type::to_char_type(ch);
    xsputn(&c, 1);
    return ch;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    if (text_.size() + static_cast<std::size_t>(n) > kConsoleBudget) throw BudgetSpent{};
    text_.append(s, static_cast<std::size_t>(n));
    return n;
  }

 private:
  std::string text_;
};

// The session folder, removed when the fuzzer ends.
struct SessionFolder {
  std::filesystem::path path;
  ~SessionFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

std::string shipped_defaults() {
  std::ifstream in(std::filesystem::path(QUORVANE_SOURCE_DIR) / "QuorvaneDEMO.DEF", std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string defaults = shipped_defaults();
  static const SessionFolder session{std::filesystem::temp_directory_path() /
                                     ("quorvane-fuzz-" + std::to_string(::getpid()))};
  const std::filesystem::path& folder = session.path;
  const quorvane::testing::SessionInput input =
      quorvane::testing::session_input(std::string(reinterpret_cast<const char*>(data), size));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "QuorvaneDEMO.DEF", std::ios::binary) << (input.own_defaults ? input.defaults : defaults);
  std::istringstream in(input.script);
  BudgetBuffer console;
  std::ostream out(&console);
  // An exception from the buffer reaches the caller instead of only setting badbit.
  out.exceptions(std::ios::badbit);
  std::ostringstream err;
  const quorvane::DialogueEnvironment env{in, out, err, [] { return quorvane::ClockReading{2026, 3, 6, 9, 5, 7}; },
                                          folder};
  int status = 0;
  try {
    status = quorvane::run_dialogue(env);
  } catch (const BudgetSpent&) {
    return 0;
  }
  const std::string broken = quorvane::testing::broken_invariant(status, console.text(), err.str(), folder);
  if (!broken.empty()) {
    std::fprintf(stderr, "broken invariant: %s\n", broken.c_str());
    std::abort();
  }
  return 0;
}
