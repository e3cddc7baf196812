#include <iostream>
#include <string>

#include "dialogue/version.hpp"
#include "fields/fields_app.hpp"
#include "platform/command_line.hpp"
#include "platform/program.hpp"

namespace {

int run(const std::vector<std::string>& args) {
  std::string file, folder = ".";
  const quorvane::platform::CommandLine line{
      "quorvane-fields", "FILE", "quorvane-fields of " + std::string(quorvane::kProgramTitle),
      {{"-o", "--output", "FOLDER", "write the files into FOLDER, made when missing (default: .)",
        [&folder](const std::string& v) { return folder = v, std::string(); }}}};
  const auto help = [&line] {
    return "Usage: " + quorvane::platform::usage_line(line) +
           "\n\n"
           "Solves the cross-section of every coupled section of the dimensional reports in the\n"
           "storage file FILE (quasi-static 2-D field solution, even and odd mode) and compares\n"
           "Zoe, Zoo and the mode effective dielectric constants with the closed-form values.\n"
           "Writes <name>-n-fields.txt and <name>-n-fields-K.svg into FOLDER (default: the\n"
           "current folder) and the table to the console; the log goes to the error stream.\n\n" +
           quorvane::platform::options_help(line) +
           "\nExit status 0 all sections solved, 2 some skipped, 1 none solved, or a file or\n"
           "the console that cannot be written.\n";
  };
  if (const auto answered = quorvane::platform::answer_command_line(line, args, help, std::cout, std::cerr, file))
    return *answered;
  return quorvane::fields::run_fields(file, folder, std::cout, std::cerr).status;
}

}  // namespace

// quorvane-fields FILE [-o FOLDER]
int main(int argc, char** argv) { return quorvane::platform::run_main({"quorvane-fields: ", ""}, argc, argv, run); }
