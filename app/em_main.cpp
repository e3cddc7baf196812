#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "dialogue/version.hpp"
#include "em/em_app.hpp"

// quorvane-em FILE [options]: see em_usage().
int main(int argc, char** argv) {
  try {
    quorvane::em::EmOptions opt;
    std::string error;
    if (!quorvane::em::parse_em_options(std::vector<std::string>(argv + 1, argv + argc), opt, error)) {
      std::cerr << "quorvane-em: " << error << "; see quorvane-em --help.\n";
      return 1;
    }
    if (opt.help) {
      std::cout << quorvane::em::em_usage();
      return 0;
    }
    if (opt.version) {
      std::cout << "quorvane-em of " << quorvane::kProgramTitle << '\n';
      return 0;
    }
    return quorvane::em::run_em(opt, std::cout, std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "quorvane-em: " << e.what() << '\n';
    return 1;
  }
}
