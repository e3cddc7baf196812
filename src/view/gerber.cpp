#include "view/gerber.hpp"

#include <cmath>
#include <cstdio>
#include <sstream>
#include <vector>

namespace quorvane::view {

using namespace quorvane::stored;

long long nanometres(float mm) {
  const long long n = std::llround(static_cast<double>(mm) * 1e6);
  return n == 0 ? 0 : n;
}

namespace {

std::string xy(const Point& p) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "X%lldY%lld", nanometres(p.x), nanometres(-p.y));
  return buf;
}

}  // namespace

std::string comment_text(std::string s) {
  for (char& c : s)
    if (c == '*' || c == '%') c = ' ';
  return s;
}

void gerber_header(std::ostringstream& o, const std::string& file_function, const std::string& what,
                   const std::string& design, const char* polarity) {
  o << "G04 Quorvane " << what << ": " << comment_text(design) << "*\n"
    << "G04 #@! TF.GenerationSoftware,Quorvane,quorvane-view," << QUORVANE_VERSION << "*\n"
    << "G04 #@! TF.FileFunction," << file_function << "*\n"
    << "G04 #@! TF.FilePolarity," << polarity << "*\n"
    << "%FSLAX46Y46*%\n"
    << "%MOMM*%\n"
    << "%ADD10C,0.100000*%\n"
    << "%LPD*%\n"
    << "G01*\n";
}

void gerber_path(std::ostringstream& o, const std::vector<Point>& pts) {
  if (pts.empty()) return;
  o << xy(pts.front()) << "D02*\n";
  for (size_t i = 1; i < pts.size(); ++i) o << xy(pts[i]) << "D01*\n";
  o << xy(pts.front()) << "D01*\n";
}

Rect board_outline(const FilterLayout& lay, float margin_mm) {
  return {lay.bounds.x0 - margin_mm, lay.bounds.y0 - margin_mm, lay.bounds.x1 + margin_mm,
          lay.bounds.y1 + margin_mm};
}

std::string gerber_copper(const FilterLayout& lay, const std::string& design, const std::string& file_function) {
  std::ostringstream o;
  gerber_header(o, file_function, "copper", design);
  o << "G04 Quorvane: " << comment_text(copper_note(lay.compensated)) << "*\n";
  for (const Strip& s : lay.strips) {
    o << "G04 strip " << s.index << "*\n"
      << "G36*\n";
    gerber_path(o, s.outline);
    o << "G37*\n";
  }
  o << "M02*\n";
  return o.str();
}

std::string gerber_outline(const Rect& b, const std::string& design) {
  std::ostringstream o;
  gerber_header(o, "Profile,NP", "board outline", design);
  o << "D10*\n";
  gerber_path(o, {{b.x0, b.y0}, {b.x1, b.y0}, {b.x1, b.y1}, {b.x0, b.y1}});
  o << "M02*\n";
  return o.str();
}

}  // namespace quorvane::view
