#include "view/layout_writers.hpp"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "view/svg_plot.hpp"

namespace quorvane::view {

namespace {

std::string mm(float v, int decimals) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, static_cast<double>(v));
  return buf;
}

}  // namespace

std::string layout_svg(const FilterLayout& lay, const DimensionTable& table, const std::string& title) {
  const float length = lay.bounds.x1 - lay.bounds.x0;
  const float height = lay.bounds.y1 - lay.bounds.y0;
  const float font = std::max(length / 70.0f, 0.3f);   // mm
  const float margin = 4.0f * font;
  const size_t table_lines = lay.sections.size() + 4;
  const float table_height = static_cast<float>(table_lines) * 1.5f * font;
  const float x0 = lay.bounds.x0 - margin;
  const float y0 = lay.bounds.y0 - 3.0f * margin;
  const float w = length + 2.0f * margin;
  const float h = height + 5.0f * margin + table_height;

  std::ostringstream o;
  o << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << mm(w, 3) << "mm\" height=\"" << mm(h, 3)
    << "mm\" viewBox=\"" << mm(x0, 4) << ' ' << mm(y0, 4) << ' ' << mm(w, 4) << ' ' << mm(h, 4)
    << "\" font-family=\"sans-serif\" font-size=\"" << mm(font, 4) << "\">\n"
    << "  <title>" << xml_escape(title) << "</title>\n"
    << "  <rect x=\"" << mm(x0, 4) << "\" y=\"" << mm(y0, 4) << "\" width=\"" << mm(w, 4) << "\" height=\""
    << mm(h, 4) << "\" fill=\"white\"/>\n"
    << "  <text x=\"" << mm(lay.bounds.x0, 4) << "\" y=\"" << mm(y0 + 1.5f * font, 4) << "\">"
    << xml_escape(title) << "</text>\n"
    << "  <text x=\"" << mm(lay.bounds.x0, 4) << "\" y=\"" << mm(y0 + 3.0f * font, 4)
    << "\">To scale, dimensions in mm (1 user unit = 1 mm)</text>\n";

  o << "  <g fill=\"#c87533\" stroke=\"none\">\n";
  for (const Strip& s : lay.strips) {
    o << "    <polygon id=\"strip-" << s.index << "\" points=\"";
    for (size_t i = 0; i < s.outline.size(); ++i)
      o << (i ? " " : "") << mm(s.outline[i].x, 6) << ',' << mm(s.outline[i].y, 6);
    o << "\"/>\n";
  }
  o << "  </g>\n";

  // Section numbers above each coupled pair, and the overall dimension line.
  for (const SectionMark& m : lay.sections)
    o << "  <text x=\"" << mm((m.x0 + m.x1) / 2.0f, 4) << "\" y=\"" << mm(m.gap_y0 - m.w_mm - 0.5f * font, 4)
      << "\" text-anchor=\"middle\" fill=\"#203060\">" << m.section << "</text>\n";
  if (!lay.sections.empty()) {
    const float xa = lay.sections.front().x0;
    const float xb = lay.sections.back().x1;
    const float yd = lay.bounds.y1 + 1.5f * font;
    o << "  <g stroke=\"#203060\" stroke-width=\"" << mm(font / 10.0f, 4) << "\">\n"
      << "    <line x1=\"" << mm(xa, 4) << "\" y1=\"" << mm(yd, 4) << "\" x2=\"" << mm(xb, 4) << "\" y2=\""
      << mm(yd, 4) << "\"/>\n"
      << "    <line x1=\"" << mm(xa, 4) << "\" y1=\"" << mm(yd - font / 2.0f, 4) << "\" x2=\"" << mm(xa, 4)
      << "\" y2=\"" << mm(yd + font / 2.0f, 4) << "\"/>\n"
      << "    <line x1=\"" << mm(xb, 4) << "\" y1=\"" << mm(yd - font / 2.0f, 4) << "\" x2=\"" << mm(xb, 4)
      << "\" y2=\"" << mm(yd + font / 2.0f, 4) << "\"/>\n"
      << "  </g>\n"
      << "  <text x=\"" << mm((xa + xb) / 2.0f, 4) << "\" y=\"" << mm(yd + 1.5f * font, 4)
      << "\" text-anchor=\"middle\">Coupled length " << mm(lay.coupled_length_mm, 4) << " mm (report total "
      << mm(table.total_in * 25.4f, 4) << " mm)</text>\n";
  }

  // Dimension table.
  float ty = lay.bounds.y1 + 5.0f * font;
  const float tx = lay.bounds.x0;
  auto line = [&](const std::string& t) {
    o << "  <text x=\"" << mm(tx, 4) << "\" y=\"" << mm(ty, 4) << "\" xml:space=\"preserve\">" << xml_escape(t)
      << "</text>\n";
    ty += 1.5f * font;
  };
  line("Section K   Width W mm   Gap S mm   Length L mm");
  for (const SectionMark& m : lay.sections) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%9d %12.4f %10.4f %13.4f", m.section, static_cast<double>(m.w_mm),
                  static_cast<double>(m.s_mm), static_cast<double>(m.length_mm));
    line(buf);
  }
  line("Feed lines (Zo " + mm(table.zo_line, 2) + " Ohms): width " + mm(lay.feed_width_mm, 4) + " mm, length " +
       mm(lay.feed_length_mm, 4) + " mm (a quarter wavelength) at each end");
  line(std::string(table.construction == Construction::Microstrip ? "Substrate H " : "Ground-plane spacing B ") +
       mm(table.height_in * 25.4f, 4) + " mm, Er " + mm(table.er, 3) + ", strip thickness " +
       mm(table.thick_in * 25.4f, 4) + " mm");
  o << "</svg>\n";
  return o.str();
}

std::string layout_dxf(const FilterLayout& lay) {
  std::ostringstream o;
  auto g = [&](int code, const std::string& value) { o << code << '\n' << value << '\n'; };
  g(0, "SECTION");
  g(2, "HEADER");
  g(9, "$ACADVER");
  g(1, "AC1009");
  g(9, "$INSBASE");
  g(10, "0.0");
  g(20, "0.0");
  g(30, "0.0");
  g(9, "$EXTMIN");
  g(10, mm(lay.bounds.x0, 6));
  g(20, mm(-lay.bounds.y1, 6));
  g(30, "0.0");
  g(9, "$EXTMAX");
  g(10, mm(lay.bounds.x1, 6));
  g(20, mm(-lay.bounds.y0, 6));
  g(30, "0.0");
  g(0, "ENDSEC");
  g(0, "SECTION");
  g(2, "TABLES");
  g(0, "TABLE");
  g(2, "LAYER");
  g(70, "1");
  g(0, "LAYER");
  g(2, "COPPER");
  g(70, "0");
  g(62, "1");
  g(6, "CONTINUOUS");
  g(0, "ENDTAB");
  g(0, "ENDSEC");
  g(0, "SECTION");
  g(2, "ENTITIES");
  for (const Strip& s : lay.strips) {
    g(0, "POLYLINE");
    g(8, "COPPER");
    g(66, "1");
    g(10, "0.0");
    g(20, "0.0");
    g(30, "0.0");
    g(70, "1");  // closed
    for (const Point& p : s.outline) {
      g(0, "VERTEX");
      g(8, "COPPER");
      g(10, mm(p.x, 6));
      g(20, mm(-p.y == 0.0f ? 0.0f : -p.y, 6));
      g(30, "0.0");
    }
    g(0, "SEQEND");
    g(8, "COPPER");
  }
  g(0, "ENDSEC");
  g(0, "EOF");
  return o.str();
}

}  // namespace quorvane::view
