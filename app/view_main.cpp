#include <cmath>
#include <cstdlib>
#include <iostream>
#include <string>

#include "view/view_app.hpp"

// quorvane-view FILE [-o FOLDER] [-s SCALE]
int main(int argc, char** argv) {
  std::string file;
  std::string folder = ".";
  quorvane::view::ViewOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-o" && i + 1 < argc) {
      folder = argv[++i];
    } else if ((a == "-s" || a == "--scale") && i + 1 < argc) {
      // The layout sheets' scale: 1 draws them 1:1, 10 ten times enlarged.
      char* end = nullptr;
      const float scale = std::strtof(argv[++i], &end);
      if (end == argv[i] || *end != '\0' || !std::isfinite(scale) || !(scale > 0.0f)) {
        std::cerr << "quorvane-view: the scale must be a positive number, not \"" << argv[i] << "\"\n";
        return 1;
      }
      options.layout_scale = scale;
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
  return quorvane::view::run_view(file, folder, std::cerr, options).status;
}
