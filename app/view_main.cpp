#include <exception>
#include <iostream>
#include <string>

#include "view/view_app.hpp"

// quorvane-view FILE [-o FOLDER]
int main(int argc, char** argv) {
  std::string file;
  std::string folder = ".";
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-o" && i + 1 < argc) {
      folder = argv[++i];
    } else if (a == "-h" || a == "--help") {
      std::cout << "usage: quorvane-view FILE [-o FOLDER]\n";
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
  try {
    return quorvane::view::run_view(file, folder, std::cerr).status;
  } catch (const std::exception& e) {
    // A report too large for memory, say: one line and status 1, never an abort.
    std::cerr << "quorvane-view: " << file << ": " << e.what() << '\n';
    return 1;
  }
}
