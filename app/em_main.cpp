#include <iostream>

#include "em/em_app.hpp"
#include "platform/program.hpp"

// quorvane-em FILE [options]: see src/em/em_app.hpp.
int main(int argc, char** argv) {
  return quorvane::platform::run_main({"quorvane-em: ", ""}, argc, argv, [](const std::vector<std::string>& args) {
    return quorvane::em::run_em_command(args, std::cout, std::cerr);
  });
}
