#include <iostream>

#include "platform/program.hpp"
#include "tune/tune_app.hpp"

// quorvane-tune FILE [options]: see src/tune/tune_app.hpp.
int main(int argc, char** argv) {
  return quorvane::platform::run_main({"quorvane-tune: ", ""}, argc, argv, [](const std::vector<std::string>& args) {
    return quorvane::tune::run_tune_command(args, std::cout, std::cerr);
  });
}
