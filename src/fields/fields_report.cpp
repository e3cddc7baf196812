#include "fields/fields_report.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <set>

#include "dialogue/fortran_format.hpp"
#include "dimensions/dimensional_report.hpp"
#include "lines/coupled_microstrip.hpp"
#include "plot/svg_plot.hpp"

namespace quorvane::fields {

using namespace quorvane::plot;
using namespace quorvane::stored;

using fmt::F;
using fmt::I;
using fmt::X;

namespace {

constexpr double kMmPerInch = 25.4;

std::string right(const std::string& text, int w) {
  return text.size() >= static_cast<std::size_t>(w) ? text : X(w - static_cast<int>(text.size())) + text;
}

std::string centred(const std::string& text, int w) {
  const int pad = std::max(0, w - static_cast<int>(text.size()));
  return X(pad / 2) + text + X(pad - pad / 2);
}

// The four values of a section in the table's column widths.
constexpr std::array<int, 4> kWidths{9, 7, 8, 7};
constexpr std::array<const char*, 4> kNames{"Zoe", "Zoo", "EReven", "ERodd"};
constexpr int kGroup = 9 + 7 + 8 + 7;

std::string four(const std::array<double, 4>& v, int d) {
  std::string s;
  for (int q = 0; q < 4; ++q) s += F(static_cast<float>(v[q]), kWidths[q], d);
  return s;
}

std::string four_heads() {
  std::string s;
  for (int q = 0; q < 4; ++q) s += right(kNames[q], kWidths[q]);
  return s;
}

std::array<double, 4> values(const ClosedForm& c) { return {c.zoe, c.zoo, c.effe, c.effo}; }
std::array<double, 4> values(const FieldSolution& f) { return {f.even.z, f.odd.z, f.even.eff, f.odd.eff}; }
std::array<double, 4> errors(const FieldSolution& f) { return {f.even.z_err, f.odd.z_err, f.even.eff_err, f.odd.eff_err}; }

std::string num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  return buf;
}

std::string inches(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4f", v);
  return buf;
}

}  // namespace

double substrate_height(const stored::DimensionTable& t) {
  const double printed = t.height_in, er = t.er, limit = t.surface_wave_ghz;
  const bool micro = t.construction == stored::StoredConstruction::Microstrip;
  if ((micro && !(er > 1.0)) || !(limit > 0.0) || !(limit < kLimitCap)) return printed;
  constexpr double pi = 3.14159265358979323846;
  double h = 0.0, spread = 0.0;  // the recovered height and its uncertainty from the printed roundings
  if (micro) {
    // Surface-wave limit 0.001 (speed / (2 pi H)) sqrt(2 / (Er - 1)) arctan(Er), GHz.
    h = 0.001 * speed * std::sqrt(2.0 / (er - 1.0)) * std::atan(er) / (2.0 * pi * limit);
    spread = h * 0.0005 / limit;
  } else {
    // Higher-order-mode limit 30 / (2.54 sqrt(Er) (2 Wzo + pi B / 2)), GHz;
    // the Zo width is printed to 0.00005 inch.
    h = (2.0 / pi) * (30.0 / (2.54 * std::sqrt(er) * limit) - 2.0 * t.w_zo_in);
    spread = (2.0 / pi) * (2.0 * 0.00005 + 30.0 / (2.54 * std::sqrt(er)) * 0.0005 / (limit * limit));
  }
  spread += 1e-6;  // single-precision slack of the printed values
  const double off = std::abs(h - printed);
  if (off <= spread) return printed;                   // the printed value is consistent: it stands
  return off <= 0.0005 + spread ? h : printed;         // within the printed rounding: the finer value
}

CrossSection row_cross_section(const stored::DimensionTable& table, const stored::DimensionRow& row) {
  CrossSection c;
  c.medium = table.construction == stored::StoredConstruction::Microstrip ? Medium::Microstrip : Medium::Stripline;
  c.er = table.er;
  c.h = substrate_height(table);
  c.t = table.thick_in;
  c.w = row.w_mm / kMmPerInch;
  c.s = row.s_mm / kMmPerInch;
  return c;
}

CrossSection recorded_cross_section(const stored::RecordedDimensions& d, std::size_t index) {
  CrossSection c;
  const auto* ms = std::get_if<MicrostripDimensions>(&d.result);
  c.medium = ms ? Medium::Microstrip : Medium::Stripline;
  c.er = d.construction.er;
  c.h = d.b;
  c.t = d.thick;
  if (ms) {
    c.w = ms->sections.at(index).w;
    c.s = ms->sections.at(index).s;
  } else {
    c.w = std::get<StriplineDimensions>(d.result).sections.at(index).w;
    c.s = std::get<StriplineDimensions>(d.result).sections.at(index).s;
  }
  return c;
}

ClosedForm recorded_stripline_closed_form(const stored::RecordedCycle& cycle, const stored::RecordedDimensions& d,
                                          int section) {
  const ElectricalDesign e = synthesise_electrical(cycle.design);
  return {e.zoec[section], e.zooc[section], d.construction.er, d.construction.er};
}

ClosedForm microstrip_closed_form(const CrossSection& c) {
  const float er = static_cast<float>(c.er), h = static_cast<float>(c.h), s = static_cast<float>(c.s);
  const float t = static_cast<float>(c.t), w = static_cast<float>(c.w);
  const float cover = 100.0f * h;
  const CoupledStatics pair = coupled_statics(er, h, cover, s, t, w);
  return {pair.impedance.zoe, pair.impedance.zoo, pair.dielectric.effe, pair.dielectric.effo};
}

std::vector<std::string> field_table(const stored::StoredReport& report, const stored::DimensionTable& table,
                                     const std::string& source_name, const std::vector<SectionCheck>& checks) {
  const bool micro = table.construction == stored::StoredConstruction::Microstrip;
  std::vector<std::string> out;
  out.push_back(X(6) + "Field check of report " + std::to_string(report.position) + " (" +
                (micro ? "Microstrip" : "Stripline") + ", design cycle " + std::to_string(report.cycle) + ") in " +
                source_name);
  out.push_back(X(6) + "Er = " + F(table.er, 7, 3) + (micro ? ", H = " : ", B = ") + F(static_cast<float>(substrate_height(table)), 7, 5) +
                " inches, Strip Thick = " + F(table.thick_in, 6, 4) + " inches" +
                (micro ? ", cover at 100 H" : ""));
  out.push_back(X(6) + (micro ? "Closed form: static coupled-microstrip models at the printed W and S."
                              : "Closed form: Zoe and Zoo of the electrical synthesis, Er for both modes."));
  out.push_back(X(6) + "Field: quasi-static 2-D solution, lossless, no dispersion.  Difference = closed form - field,");
  out.push_back(X(6) + "in per cent of the field value; Error: the field solution's estimated error, per cent.");
  out.push_back("");
  out.push_back(X(6) + X(22) + centred("Closed-form models", kGroup) + centred("Field solution", kGroup) +
                centred("Difference, %", kGroup) + right("Error", 9));
  out.push_back(X(6) + right("K", 4) + right("W, in", 9) + right("S, in", 9) + four_heads() + four_heads() +
                four_heads() + right("%", 9));
  const int rule = 22 + 3 * kGroup + 9;
  out.push_back(X(6) + fmt::hyphens(rule));

  double worst = -1.0;
  int worst_section = 0, worst_q = 0;
  std::set<int> solved;
  double worst_error = 0.0;
  std::size_t finest = 0;
  for (const SectionCheck& c : checks) {
    std::string row = X(6) + I(c.section, 4);
    if (!c.field) {
      out.push_back(row + "  skipped: " + c.skipped);
      continue;
    }
    row += F(static_cast<float>(c.cross_section.w), 9, 5) + F(static_cast<float>(c.cross_section.s), 9, 5);
    const std::array<double, 4> closed = values(c.closed), field = values(*c.field), err = errors(*c.field);
    std::array<double, 4> diff{};
    double err_max = 0.0;
    for (int q = 0; q < 4; ++q) {
      diff[q] = 100.0 * (closed[q] - field[q]) / field[q];
      err_max = std::max(err_max, err[q]);
      if (std::isfinite(diff[q]) && std::abs(diff[q]) > worst) {
        worst = std::abs(diff[q]);
        worst_section = c.section;
        worst_q = q;
      }
    }
    worst_error = std::max(worst_error, err_max);
    finest = std::max(finest, c.field->nodes);
    solved.insert(c.section);
    out.push_back(row + four(closed, 3) + four(field, 3) + four(diff, 3) + F(static_cast<float>(err_max), 9, 4));
  }
  out.push_back(X(6) + fmt::hyphens(rule));
  if (worst >= 0.0) {
    out.push_back(X(6) + "Largest difference: " + F(static_cast<float>(worst), 7, 3) + " % in " + kNames[worst_q] +
                  " of section " + std::to_string(worst_section) + ".");
  } else if (!solved.empty()) {
    out.push_back(X(6) + "No closed-form value to compare with.");
  } else {
    out.push_back(X(6) + "No section solved.");
  }
  if (!solved.empty())
    out.push_back(X(6) + "Field error estimated below " + F(static_cast<float>(worst_error), 7, 4) +
                  " %; finest mesh " + std::to_string(finest) + " nodes.");
  return out;
}

// ---------------------------------------------------------------------------
// Cross-section picture.

namespace {

// Equipotential segments of one mode by marching squares over the cells of
// the solved half (or quarter) domain, in the cross-section's coordinates.
struct Segment {
  double x0, y0, x1, y1;
};

std::vector<Segment> equipotentials(const Potential& p, double level, double x_max, double y_max) {
  std::vector<Segment> out;
  const std::size_t nx = p.x.size();
  auto v = [&](std::size_t i, std::size_t j) { return p.v[j * nx + i]; };
  for (std::size_t j = 0; j + 1 < p.y.size() && p.y[j] < y_max; ++j) {
    for (std::size_t i = 0; i + 1 < nx && p.x[i] < x_max; ++i) {
      // Corners anticlockwise; a crossing on each edge whose ends straddle the level.
      const std::array<double, 4> cx{p.x[i], p.x[i + 1], p.x[i + 1], p.x[i]};
      const std::array<double, 4> cy{p.y[j], p.y[j], p.y[j + 1], p.y[j + 1]};
      const std::array<double, 4> cv{v(i, j), v(i + 1, j), v(i + 1, j + 1), v(i, j + 1)};
      std::vector<std::pair<double, double>> cut;
      for (int e = 0; e < 4; ++e) {
        const int f = (e + 1) % 4;
        if ((cv[e] < level) == (cv[f] < level)) continue;
        const double a = (level - cv[e]) / (cv[f] - cv[e]);
        cut.emplace_back(cx[e] + a * (cx[f] - cx[e]), cy[e] + a * (cy[f] - cy[e]));
      }
      for (std::size_t k = 0; k + 1 < cut.size(); k += 2)
        out.push_back({cut[k].first, cut[k].second, cut[k + 1].first, cut[k + 1].second});
    }
  }
  return out;
}

}  // namespace

std::string cross_section_svg(const CrossSection& c, const std::string& title) {
  const bool micro = c.medium == Medium::Microstrip;
  // The window: the pair and a margin of a substrate height (or half the
  // spacing) on each side; microstrip up to three heights above the ground.
  const double margin = std::max(c.w, micro ? 1.5 * c.h : 0.5 * c.h);
  const double half_w = 0.5 * c.s + c.w + margin;
  const double top = micro ? 2.5 * c.h + c.t : c.h;
  const double width_px = 900.0, left = 20.0, top_px = 60.0;
  const double scale = width_px / (2.0 * half_w);
  const double height_px = top * scale;
  auto px = [&](double x) { return left + (x + half_w) * scale; };
  auto py = [&](double y) { return top_px + (top - y) * scale; };

  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(width_px + 2 * left) +
                    "\" height=\"" + num(height_px + top_px + 50.0) + "\" font-family=\"sans-serif\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  svg += "<text x=\"" + num(left) + "\" y=\"24\" font-size=\"" +
         num(plot::fitted_font(title, static_cast<float>(width_px), 16.0f)) + "\">" + plot::xml_escape(title) +
         "</text>\n";
  svg += "<text x=\"" + num(left) + "\" y=\"46\" font-size=\"13\" fill=\"#1f4fa8\">even mode (magnetic wall)</text>\n";
  svg += "<text x=\"" + num(left + width_px) + "\" y=\"46\" font-size=\"13\" fill=\"#b02020\" text-anchor=\"end\">"
         "odd mode (electric wall)</text>\n";
  svg += "<clipPath id=\"area\"><rect x=\"" + num(left) + "\" y=\"" + num(top_px) + "\" width=\"" + num(width_px) +
         "\" height=\"" + num(height_px) + "\"/></clipPath>\n";
  // Substrate or dielectric.
  svg += "<rect x=\"" + num(px(-half_w)) + "\" y=\"" + num(py(c.h)) + "\" width=\"" + num(width_px) +
         "\" height=\"" + num(c.h * scale) + "\" fill=\"#e8efd8\"/>\n";
  // Ground planes.
  svg += "<line x1=\"" + num(px(-half_w)) + "\" y1=\"" + num(py(0)) + "\" x2=\"" + num(px(half_w)) + "\" y2=\"" +
         num(py(0)) + "\" stroke=\"black\" stroke-width=\"3\"/>\n";
  if (!micro)
    svg += "<line x1=\"" + num(px(-half_w)) + "\" y1=\"" + num(py(c.h)) + "\" x2=\"" + num(px(half_w)) + "\" y2=\"" +
           num(py(c.h)) + "\" stroke=\"black\" stroke-width=\"3\"/>\n";

  // Equipotentials at 10 ... 90 % of the strip potential.
  const double y_solved = micro ? top : 0.5 * c.h;
  for (Mode mode : {Mode::Even, Mode::Odd}) {
    if (mode == Mode::Odd && c.s <= 0.0) break;
    const Potential p = solve_potential(c, mode, true, 2);
    const double sign = mode == Mode::Even ? -1.0 : 1.0;  // even drawn left, odd right
    std::string d;
    for (int k = 1; k <= 9; ++k) {
      for (const Segment& s : equipotentials(p, 0.1 * k, half_w, y_solved)) {
        const std::array<double, 2> ys0{s.y0, c.h - s.y0}, ys1{s.y1, c.h - s.y1};
        for (int m = 0; m < (micro ? 1 : 2); ++m)
          d += "M" + num(px(sign * s.x0)) + " " + num(py(ys0[m])) + "L" + num(px(sign * s.x1)) + " " +
               num(py(ys1[m]));
      }
    }
    svg += "<path clip-path=\"url(#area)\" d=\"" + d + "\" fill=\"none\" stroke=\"" + (mode == Mode::Even ? "#1f4fa8" : "#b02020") +
           "\" stroke-width=\"0.8\"/>\n";
  }
  // The strips, at least two pixels thick.
  const double y0 = micro ? c.h : 0.5 * (c.h - c.t);
  const double thick_px = std::max(2.0, c.t * scale);
  for (double sign : {-1.0, 1.0}) {
    const double xa = sign < 0 ? -(0.5 * c.s + c.w) : 0.5 * c.s;
    svg += "<rect x=\"" + num(px(xa)) + "\" y=\"" + num(py(y0 + 0.5 * c.t) - 0.5 * thick_px) + "\" width=\"" +
           num(c.w * scale) + "\" height=\"" + num(thick_px) +
           "\" fill=\"#c08a20\" stroke=\"black\" stroke-width=\"0.5\"/>\n";
  }
  // The symmetry plane.
  svg += "<line x1=\"" + num(px(0)) + "\" y1=\"" + num(py(top)) + "\" x2=\"" + num(px(0)) + "\" y2=\"" + num(py(0)) +
         "\" stroke=\"#666\" stroke-dasharray=\"4 3\"/>\n";
  svg += "<text x=\"" + num(left) + "\" y=\"" + num(top_px + height_px + 30.0) +
         "\" font-size=\"12\">To scale; equipotentials in steps of 10 % of the strip potential.  W " + inches(c.w) +
         ", S " + inches(c.s) + ", T " + inches(c.t) + (micro ? ", H " : ", B ") + inches(c.h) + " inches, Er " +
         num(c.er) + "</text>\n";
  svg += "</svg>\n";
  return svg;
}

}  // namespace quorvane::fields
