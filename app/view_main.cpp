#include <iostream>

#include "platform/program.hpp"
#include "view/view_app.hpp"

int main(int argc, char** argv) {
  return quorvane::platform::run_main({"quorvane-view: ", ""}, argc, argv, [](const std::vector<std::string>& args) {
    return quorvane::view::run_view_program(args, std::cout, std::cerr);
  });
}
