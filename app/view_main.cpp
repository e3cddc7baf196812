#include <iostream>
#include <string>

#include "view/view_app.hpp"

// What --help adds to the usage line.
static const char* const kExitStatus =
    "exit status: 0 every report used; 2 a table row skipped or a report damaged\n"
    "(the other reports' files are written); 1 nothing to read, or an output file\n"
    "that cannot be written (1 wins over 2 when both happen)\n";

// quorvane-view FILE [-o FOLDER]
int main(int argc, char** argv) {
  std::string file;
  std::string folder = ".";
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-o" && i + 1 < argc) {
      folder = argv[++i];
    } else if (a == "-h" || a == "--help") {
      std::cout << "usage: quorvane-view FILE [-o FOLDER]\n" << kExitStatus;
      return 0;
    } else if (file.empty() && !a.empty() && a[0] != '-') {
      file = a;
    } else {
      std::cerr << "usage: quorvane-view FILE [-o FOLDER]\n";
      return 1;
    }
  }
  if (file.empty()) {
    std::cerr << "usage: quorvane-view FILE [-o FOLDER]\n";
    return 1;
  }
  return quorvane::view::run_view(file, folder, std::cerr).status;
}
