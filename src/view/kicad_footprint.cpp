#include "view/kicad_footprint.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "dialogue/version.hpp"
#include "view/gerber.hpp"
#include "plot/svg_plot.hpp"

namespace quorvane::view {

using namespace quorvane::stored;

namespace {

// Millimetres to a nanometre, the digits Gerber's format 4.6 writes.
std::string mm(float v) {
  const long long n = nanometres(v);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%s%lld.%06lld", n < 0 ? "-" : "", std::llabs(n) / 1000000, std::llabs(n) % 1000000);
  return buf;
}

std::string xy(float x, float y) { return "(xy " + mm(x) + " " + mm(y) + ")"; }

// A quoted s-expression string on one line: no quote, backslash or control character inside.
std::string quoted(std::string s) {
  for (char& c : s) c = c == '"' ? '\'' : c == '\\' ? '/' : static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
  return '"' + s + '"';
}

std::string trimmed(float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3f", static_cast<double>(v));
  std::string s = buf;
  s.erase(s.find_last_not_of('0') + 1);
  if (s.back() == '.') s.pop_back();
  return s;
}

std::string points(const std::vector<Point>& pts, Point origin) {
  std::string s = "(pts";
  for (const Point& p : pts) s.append(" ").append(xy(p.x - origin.x, p.y - origin.y));
  return s + ")";
}

std::string rect(const Rect& r, float grow, const char* layer, const char* width) {
  return "  (fp_rect (start " + mm(r.x0 - grow) + " " + mm(r.y0 - grow) + ") (end " + mm(r.x1 + grow) + " " +
         mm(r.y1 + grow) + ") (layer " + layer + ") (width " + width + ") (fill none))\n";
}

std::string text(const char* kind, const std::string& value, float x, float y, const char* layer) {
  return std::string("  (fp_text ") + kind + " " + quoted(value) + " (at " + mm(x) + " " + mm(y) + ") (layer " +
         layer + ")\n    (effects (font (size 1 1) (thickness 0.15))))\n";
}

}  // namespace

std::array<FilterPort, 2> filter_ports(const FilterLayout& lay) {
  const Rect in = lay.strips.front().parts.front(), out = lay.strips.back().parts.back();
  const auto port = [](const Rect& r, float x, float inward) {
    const float w = r.y1 - r.y0;
    return FilterPort{{x, r.y0 + 0.5f * w}, w, std::min(w, r.x1 - r.x0), inward};
  };
  return {port(in, in.x0, 1.0f), port(out, out.x1, -1.0f)};
}

std::string kicad_footprint(const FilterLayout& lay, const std::string& name, const DesignSummary& summary,
                            const DimensionTable& table) {
  const bool stripline = table.construction == StoredConstruction::Stripline;
  const char* copper = stripline ? "\"In1.Cu\"" : "\"F.Cu\"";
  const std::string h = trimmed(table.height_in * 25.4f), t = trimmed(table.thick_in * 25.4f);
  const std::string stack =
      stripline ? "stripline: the filter on In1.Cu midway between ground planes on F.Cu and B.Cu " + h +
                      " mm apart (In2.Cu unused), Er " + trimmed(table.er) + ", strips " + t + " mm thick"
                : "microstrip on F.Cu over a ground plane on B.Cu, substrate " + h + " mm, Er " + trimmed(table.er) +
                      ", copper " + t + " mm";
  const std::string description = plot::summary_title(summary, table.construction_name) + "; " + stack + "; " +
                                  copper_note(lay.compensated) + "; narrowest gap " + trimmed(lay.min_clearance_mm) +
                                  " mm: the board's copper clearance may not exceed it; pads 1 (input) and 2"
                                  " (output) at the outer ends of the feed lines; quorvane-view " QUORVANE_VERSION;
  std::ostringstream o;
  o << "(footprint " << quoted(name) << " (version 20211014) (generator quorvane-view)\n"
    << "  (layer \"F.Cu\")\n"
    << "  (descr " << quoted(description) << ")\n"
    << "  (tags \"bandpass filter parallel coupled line " << (stripline ? "stripline" : "microstrip") << "\")\n"
    << "  (attr smd)\n"
    << text("reference", "FL**", lay.bounds.x0, lay.bounds.y0 - kOutlineClearanceMm - 1.0f, "\"F.SilkS\"")
    << text("value",
            std::to_string(summary.poles) + "-pole BPF Fo " + trimmed(summary.f0) + " MHz BW " + trimmed(summary.bw) +
                " MHz",
            lay.bounds.x0, lay.bounds.y1 + kOutlineClearanceMm + 1.0f, "\"F.Fab\"")
    << rect(lay.bounds, kOutlineClearanceMm, "\"F.CrtYd\"", "0.05")
    << rect(lay.bounds, kOutlineClearanceMm, "\"F.Fab\"", "0.1");
  for (size_t i = 1; i + 1 < lay.strips.size(); ++i)
    o << "  (fp_poly " << points(lay.strips[i].outline, {}) << "\n    (layer " << copper
      << ") (width 0) (fill solid))\n";
  const std::array<FilterPort, 2> ports = filter_ports(lay);
  for (int p = 0; p < 2; ++p) {
    const FilterPort& port = ports[p];
    // Primitives are drawn from the anchor's centre, the position plus the offset.
    const Point centre{port.at.x + 0.5f * port.inward * port.anchor, port.at.y};
    o << "  (pad \"" << p + 1 << "\" smd custom (at " << mm(port.at.x) << " " << mm(port.at.y) << ") (size "
      << mm(port.anchor) << " " << mm(port.width) << ") (drill 0 (offset " << mm(centre.x - port.at.x)
      << " 0)) (layers " << copper << ")\n"
      << "    (options (clearance outline) (anchor rect))\n"
      << "    (primitives\n      (gr_poly "
      << points((p == 0 ? lay.strips.front() : lay.strips.back()).outline, centre) << " (width 0) (fill yes))))\n";
  }
  o << ")\n";
  return o.str();
}

}  // namespace quorvane::view
