#include <iostream>

#include "fields/fields_app.hpp"
#include "platform/program.hpp"

// quorvane-fields FILE [-o FOLDER]: see src/fields/fields_app.hpp.
int main(int argc, char** argv) {
  return quorvane::platform::run_main({"quorvane-fields: ", ""}, argc, argv, [](const std::vector<std::string>& args) {
    return quorvane::fields::run_fields_program(args, std::cout, std::cerr);
  });
}
