#include <iostream>
#include <string>

#include "dialogue/version.hpp"
#include "fields/fields_app.hpp"

namespace {

constexpr const char* kUsage = "usage: quorvane-fields FILE [-o FOLDER]\n";

void help() {
  std::cout << kUsage
            << "Solves the cross-section of every coupled section of the dimensional reports in the\n"
               "storage file FILE (quasi-static 2-D field solution, even and odd mode) and compares\n"
               "Zoe, Zoo and the mode effective dielectric constants with the closed-form values.\n"
               "Writes <name>-n-fields.txt and <name>-n-fields-K.svg into FOLDER (default: the\n"
               "current folder) and the table to the console; the log goes to the error stream.\n"
               "Exit status 0 all sections solved, 2 some skipped, 1 none solved.\n";
}

}  // namespace

// quorvane-fields FILE [-o FOLDER]
int main(int argc, char** argv) {
  std::string file;
  std::string folder = ".";
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-o" && i + 1 < argc) {
      folder = argv[++i];
    } else if (a == "-h" || a == "--help") {
      help();
      return 0;
    } else if (a == "-V" || a == "--version") {
      std::cout << "quorvane-fields of " << quorvane::kProgramTitle << '\n';
      return 0;
    } else if (file.empty() && !a.empty() && a[0] != '-') {
      file = a;
    } else {
      std::cerr << "quorvane-fields: " << (a[0] == '-' ? "unknown option \"" : "a second FILE \"") << a
                << "\"; see quorvane-fields --help.\n";
      return 1;
    }
  }
  if (file.empty()) {
    std::cerr << kUsage;
    return 1;
  }
  return quorvane::fields::run_fields(file, folder, std::cout, std::cerr).status;
}
