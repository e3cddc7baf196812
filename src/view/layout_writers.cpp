#include "view/layout_writers.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <vector>

#include "plot/svg_plot.hpp"

namespace quorvane::view {

using namespace quorvane::plot;
using namespace quorvane::stored;

namespace {

// Lettering 3.5 mm high on the sheet (the ISO 3098 series), about 0.6 of
// that per character in a sans-serif face; a sheet at most half a metre wide.
constexpr float kLetterHeightMm = 3.5f;
constexpr float kCharWidth = 0.6f;
constexpr float kSheetWidthMm = 500.0f;

std::string mm(float v, int decimals) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, static_cast<double>(v));
  return buf;
}

}  // namespace

float drawing_scale(const FilterLayout& lay) {
  const float extent = std::max(lay.bounds.x1 - lay.bounds.x0, lay.bounds.y1 - lay.bounds.y0);
  if (!(extent > 0.0f) || !std::isfinite(extent)) return 1.0f;
  // The largest of 1, 2, 5 times a power of ten that keeps the drawing
  // within half a metre; the bounded exponent keeps the search finite.
  float best = 1e-6f;
  for (int e = -6; e <= 6; ++e)
    for (float m : {1.0f, 2.0f, 5.0f}) {
      const float sc = m * std::pow(10.0f, static_cast<float>(e));
      if (extent * sc <= kSheetWidthMm) best = sc;
    }
  return best;
}

std::string scale_text(float scale) {
  char buf[48];
  if (scale >= 1.0f)
    std::snprintf(buf, sizeof buf, "%g:1", static_cast<double>(scale));
  else
    std::snprintf(buf, sizeof buf, "1:%g", static_cast<double>(1.0f / scale));
  return buf;
}

namespace {

// The lines of text under the drawing: the feeds, the substrate, the
// warnings and how the copper is drawn.
std::vector<std::string> layout_notes(const FilterLayout& lay, const DimensionTable& table) {
  std::vector<std::string> notes;
  notes.push_back("Feed lines, Zo " + mm(table.zo_line, 2) + " Ohms: width " + mm(lay.feed_width_mm, 4) +
                  " mm, length " + mm(lay.feed_length_mm, 4) + " mm (a quarter wavelength) at each end");
  notes.push_back(std::string(table.construction == StoredConstruction::Microstrip ? "Substrate height H "
                                                                               : "Ground-plane spacing B ") +
                  mm(table.height_in * 25.4f, 4) + " mm, Er " + mm(table.er, 3) + ", strip thickness " +
                  mm(table.thick_in * 25.4f, 4) + " mm");
  for (const std::string& w : lay.warnings) notes.push_back("Note: " + w);
  std::string copper = copper_note(lay.compensated) + ".";
  copper[0] = 'C';
  notes.push_back(copper);
  return notes;
}

// The sheet: its scale, the lettering, and the extent of copper and text in
// user units (mm of the filter).
struct Sheet {
  float scale, font, pitch, margin;
  float x0, y0, w, h;
  float table_top;
};

Sheet sheet_of(const FilterLayout& lay, const std::string& title, const std::string& subtitle,
               const std::vector<std::string>& notes, float scale) {
  Sheet sh{};
  sh.scale = scale;
  sh.font = kLetterHeightMm / scale;
  sh.pitch = 1.5f * sh.font;  // line spacing
  sh.margin = 2.0f * sh.font;
  const float copper_w = lay.bounds.x1 - lay.bounds.x0;
  size_t longest = std::max(title.size(), subtitle.size());
  for (const std::string& n : notes) longest = std::max(longest, n.size());
  const float text_w = kCharWidth * sh.font * static_cast<float>(longest);
  sh.x0 = lay.bounds.x0 - sh.margin;
  sh.w = std::max(copper_w, text_w) + 2.0f * sh.margin;
  const float head = 3.0f * sh.pitch + sh.font;  // title, subtitle, room for the section numbers
  sh.y0 = lay.bounds.y0 - head;
  sh.table_top = lay.bounds.y1 + 3.5f * sh.pitch;
  const size_t table_lines = lay.sections.size() + 1 + notes.size();
  const float y_end = sh.table_top + static_cast<float>(table_lines) * sh.pitch + sh.margin;
  sh.h = y_end - sh.y0;
  return sh;
}

void sheet_head(std::ostream& o, const Sheet& sh, const FilterLayout& lay, const std::string& title,
                const std::string& subtitle) {
  const float scale = sh.scale, font = sh.font, pitch = sh.pitch, x0 = sh.x0, y0 = sh.y0, w = sh.w, h = sh.h;
  o << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << mm(w * scale, 2) << "mm\" height=\""
    << mm(h * scale, 2) << "mm\" viewBox=\"" << mm(x0, 4) << ' ' << mm(y0, 4) << ' ' << mm(w, 4) << ' '
    << mm(h, 4) << "\" font-family=\"sans-serif\" font-size=\"" << mm(font, 4) << "\">\n"
    << "  <title>" << xml_escape(title) << "</title>\n"
    << "  <rect x=\"" << mm(x0, 4) << "\" y=\"" << mm(y0, 4) << "\" width=\"" << mm(w, 4) << "\" height=\""
    << mm(h, 4) << "\" fill=\"white\"/>\n"
    << "  <text x=\"" << mm(lay.bounds.x0, 4) << "\" y=\"" << mm(y0 + pitch, 4) << "\" font-weight=\"bold\">"
    << xml_escape(title) << "</text>\n"
    << "  <text x=\"" << mm(lay.bounds.x0, 4) << "\" y=\"" << mm(y0 + 2.0f * pitch, 4) << "\">"
    << xml_escape(subtitle) << "</text>\n";

}

void copper_polygons(std::ostream& o, const FilterLayout& lay) {
  o << "  <g fill=\"#c87533\" stroke=\"none\">\n";
  for (const Strip& s : lay.strips) {
    o << "    <polygon id=\"strip-" << s.index << "\" points=\"";
    for (size_t i = 0; i < s.outline.size(); ++i)
      o << (i ? " " : "") << mm(s.outline[i].x, 6) << ',' << mm(s.outline[i].y, 6);
    o << "\"/>\n";
  }
  o << "  </g>\n";

}

void section_marks(std::ostream& o, const Sheet& sh, const FilterLayout& lay, const DimensionTable& table) {
  const float font = sh.font, pitch = sh.pitch;
  // Section numbers above each coupled pair (nothing is drawn above the
  // upper strip of a pair), and the dimension line of the coupled length.
  for (const SectionMark& m : lay.sections)
    o << "  <text x=\"" << mm((m.x0 + m.x1) / 2.0f, 4) << "\" y=\"" << mm(m.gap_y0 - m.w_mm - 0.4f * font, 4)
      << "\" text-anchor=\"middle\" fill=\"#203060\">" << m.section << "</text>\n";
  if (!lay.sections.empty()) {
    const float xa = lay.sections.front().x0;
    const float xb = lay.sections.back().x1;
    const float yd = lay.bounds.y1 + pitch;
    o << "  <g stroke=\"#203060\" stroke-width=\"" << mm(font / 10.0f, 4) << "\">\n"
      << "    <line x1=\"" << mm(xa, 4) << "\" y1=\"" << mm(yd, 4) << "\" x2=\"" << mm(xb, 4) << "\" y2=\""
      << mm(yd, 4) << "\"/>\n"
      << "    <line x1=\"" << mm(xa, 4) << "\" y1=\"" << mm(yd - font / 2.0f, 4) << "\" x2=\"" << mm(xa, 4)
      << "\" y2=\"" << mm(yd + font / 2.0f, 4) << "\"/>\n"
      << "    <line x1=\"" << mm(xb, 4) << "\" y1=\"" << mm(yd - font / 2.0f, 4) << "\" x2=\"" << mm(xb, 4)
      << "\" y2=\"" << mm(yd + font / 2.0f, 4) << "\"/>\n"
      << "  </g>\n"
      << "  <text x=\"" << mm((xa + xb) / 2.0f, 4) << "\" y=\"" << mm(yd + 1.2f * pitch, 4)
      << "\" text-anchor=\"middle\">Coupled sections " << mm(lay.coupled_length_mm, 4) << " mm as drawn (printed "
      << mm(table.total_in, 4) << " inches)</text>\n";
  }

}

void dimension_table(std::ostream& o, const Sheet& sh, const FilterLayout& lay, const std::vector<std::string>& notes) {
  const float font = sh.font, pitch = sh.pitch, table_top = sh.table_top;
  // Dimension table: right-aligned columns.
  float ty = table_top;
  const float tx = lay.bounds.x0;
  const float columns[] = {6.0f, 14.0f, 22.0f, 34.0f, 42.0f, 53.0f};  // right edges, in letter heights
  auto row = [&](const std::string (&cells)[6], bool bold) {
    for (int c = 0; c < 6; ++c)
      o << "  <text x=\"" << mm(tx + columns[c] * font, 4) << "\" y=\"" << mm(ty, 4) << "\" text-anchor=\"end\""
        << (bold ? " font-weight=\"bold\"" : "") << ">" << xml_escape(cells[c]) << "</text>\n";
    ty += pitch;
  };
  row({"Section K", "W (mm)", "S (mm)", "L printed (mm)", "dl (mm)", "L drawn (mm)"}, true);
  for (const SectionMark& m : lay.sections)
    row({std::to_string(m.section), mm(m.w_mm, 4), mm(m.s_mm, 4), mm(m.printed_length_mm, 4), mm(m.open_end_mm, 4),
         mm(m.length_mm, 4)},
        false);
  for (const std::string& n : notes) {
    o << "  <text x=\"" << mm(tx, 4) << "\" y=\"" << mm(ty, 4) << "\">" << xml_escape(n) << "</text>\n";
    ty += pitch;
  }
}

}  // namespace

std::string layout_svg(const FilterLayout& lay, const DimensionTable& table, const std::string& title,
                       float chosen_scale) {
  const float scale = chosen_scale > 0.0f && std::isfinite(chosen_scale) ? chosen_scale : drawing_scale(lay);
  const std::vector<std::string> notes = layout_notes(lay, table);
  const std::string subtitle = "Scale " + scale_text(scale) +
                               " when printed at 100 %; copper as built, dimensions in mm (1 user unit = 1 mm)";
  const Sheet sh = sheet_of(lay, title, subtitle, notes, scale);
  std::ostringstream o;
  sheet_head(o, sh, lay, title, subtitle);
  copper_polygons(o, lay);
  section_marks(o, sh, lay, table);
  dimension_table(o, sh, lay, notes);
  o << "</svg>\n";
  return o.str();
}

std::vector<std::string> dxf_comments(const std::string& design) {
  std::vector<std::string> lines{std::string("Quorvane quorvane-view ") + QUORVANE_VERSION +
                                 ": units millimetres (1 drawing unit = 1 mm), y up"};
  if (!design.empty()) lines.push_back("Design: " + design);
  return lines;
}

std::string layout_dxf(const FilterLayout& lay, const std::string& design) {
  std::ostringstream o;
  auto g = [&](int code, const std::string& value) { o << code << '\n' << value << '\n'; };
  for (const std::string& c : dxf_comments(design)) g(999, c);
  g(999, "Quorvane: " + copper_note(lay.compensated));
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
