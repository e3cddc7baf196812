#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "dialogue/version.hpp"
#include "platform/program.hpp"
#include "yield/yield_app.hpp"

namespace {

int run(const std::vector<std::string>& args) {
  using namespace quorvane::yield;
  YieldOptions opt;
  std::string error;
  if (!parse_options(args, opt, error)) {
    std::cerr << "quorvane-yield: " << error << "; see quorvane-yield --help.\n";
    return 1;
  }
  if (opt.help) {
    std::cout << usage();
    return 0;
  }
  if (opt.version) {
    std::cout << "quorvane-yield of " << quorvane::kProgramTitle << '\n';
    return 0;
  }
  return run_yield_program(opt, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}

}  // namespace

// quorvane-yield FILE [options]: see src/yield/yield_app.hpp.
int main(int argc, char** argv) { return quorvane::platform::run_main({"quorvane-yield: ", ""}, argc, argv, run); }
