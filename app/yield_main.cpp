#include <unistd.h>

#include <iostream>

#include "platform/program.hpp"
#include "yield/yield_app.hpp"

// quorvane-yield FILE [options]: see src/yield/yield_app.hpp.
int main(int argc, char** argv) {
  return quorvane::platform::run_main({"quorvane-yield: ", ""}, argc, argv, [](const std::vector<std::string>& args) {
    return quorvane::yield::run_yield_command(args, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
  });
}
