#include <iostream>
#include <string>

#include "view/view_app.hpp"

// quorvane-view FILE [-o FOLDER] [--as-printed]
int main(int argc, char** argv) {
  std::string file;
  std::string folder = ".";
  auto drawing = quorvane::view::CopperDrawing::Compensated;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-o" && i + 1 < argc) {
      folder = argv[++i];
    } else if (a == "--as-printed") {
      drawing = quorvane::view::CopperDrawing::AsPrinted;
    } else if (a == "-h" || a == "--help") {
      std::cout << "usage: quorvane-view FILE [-o FOLDER] [--as-printed]\n";
      return 0;
    } else if (file.empty() && !a.empty() && a[0] != '-') {
      file = a;
    } else {
      std::cerr << "usage: quorvane-view FILE [-o FOLDER] [--as-printed]\n";
      return 1;
    }
  }
  if (file.empty()) {
    std::cerr << "usage: quorvane-view FILE [-o FOLDER] [--as-printed]\n";
    return 1;
  }
  return quorvane::view::run_view(file, folder, std::cerr, drawing).status;
}
