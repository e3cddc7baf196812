#include "em/em_model.hpp"

#include <algorithm>
#include <cmath>

#include "stored/drawn_copper.hpp"

namespace quorvane::em {

namespace {

constexpr double kC0 = 299792458.0;  // m/s
constexpr double kMmPerInch = 25.4;
// Copper thickness taken for the conductor loss of a strip drawn with zero
// thickness (1 oz copper); the strip stays a sheet in the geometry.
constexpr double kSheetThicknessM = 35e-6;

// Distances from the copper to the domain's edges, fixed for every mesh
// level so that the levels solve one geometry: the measuring lines run
// 6 H plus 0.6 of a dielectric wavelength out (the last part inside the
// absorbing layer), the board reaches 6 H plus 0.35 of a dielectric
// wavelength beyond the copper, the air 8 H or a quarter free-space
// wavelength above it.
void place_domain(Model& m, double cx0, double cx1, double cy0, double cy1) {
  const double lambda0 = kC0 / m.f_hi * 1e3;  // mm
  const double lambda_d = lambda0 / std::sqrt(m.er);
  const double ext = 6 * m.h + 0.6 * lambda_d;
  m.x_lo = cx0 - ext;
  m.x_hi = cx1 + ext;
  const double side = 6 * m.h + 0.35 * lambda_d;
  m.y_lo = cy0 - side;
  m.y_hi = cy1 + side;
  m.z_hi = m.stripline ? m.h : m.h + std::max(8 * m.h, lambda0 / 4);
}

}  // namespace

double wavelength_cell(const Model& m, double cells_per_wavelength) {
  return kC0 / m.f_hi * 1e3 / std::sqrt(m.er) / cells_per_wavelength;
}

bool build_model(const stored::StoredDesign& design, const ModelOptions& opt, Model& m, std::string& error) {
  const auto* table = std::get_if<stored::DimensionTable>(&design.dimensions.table);
  if (table == nullptr) {
    error = "the dimensional report holds no table to draw";
    return false;
  }
  const bool stripline = table->construction == stored::StoredConstruction::Stripline;
  if (stripline && opt.cover_mm > 0) {
    error = "--cover puts a lid over microstrip; a stripline is enclosed by its ground planes";
    return false;
  }
  // One excitation gives S11 and S21 of the point-symmetric copper only
  // between equal terminations; unequal ones would need the second port
  // excited too, which this version does not run.
  if (design.analysis.zs != design.analysis.zl) {
    error = "the analysis terminates the filter in unequal impedances (Zs " + std::to_string(design.analysis.zs) +
            ", ZL " + std::to_string(design.analysis.zl) + " ohm); only Zs = ZL is solved";
    return false;
  }
  if (design.analysis.rows.size() < 2) {
    error = "the analysis report has fewer than two frequencies";
    return false;
  }
  stored::FilterLayout layout;
  try {
    const std::vector<float> ends =
        opt.as_printed ? std::vector<float>{} : stored::open_end_extensions(design.dimensions);
    layout = stored::build_layout(*table, design.summary.poles, ends);
  } catch (const std::exception& e) {
    error = std::string("the dimensional report cannot be drawn: ") + e.what();
    return false;
  }
  m = Model{};
  m.er = table->er;
  m.h = table->height_in * kMmPerInch;
  m.t = table->thick_in * kMmPerInch;
  m.stripline = stripline;
  m.strip_z = stripline ? (m.h - m.t) / 2 : m.h;
  m.f_lo = design.analysis.rows.front().freq * 1e6;
  m.f_hi = design.analysis.rows.back().freq * 1e6;
  if (!(m.er >= 1 && m.h > 0 && m.t >= 0 && m.strip_z > 0 && m.f_lo > 0 && m.f_hi > m.f_lo)) {
    error = "the substrate or the analysed band is not usable (Er, H, T or the frequencies)";
    return false;
  }
  if (table->surface_wave_ghz > 0 && m.f_hi > table->surface_wave_ghz * 1e9) {
    error = std::string("the analysed band reaches above the ") +
            (stripline ? "stripline's higher-order-mode limit of " : "substrate's surface-wave limit of ") +
            std::to_string(table->surface_wave_ghz) + " GHz, where the line model is not valid";
    return false;
  }
  if (!opt.lossless) {
    m.tan_delta = design.analysis.loss_tangent;
    if (design.analysis.res_uohm_cm > 0) m.sigma = 1.0 / (design.analysis.res_uohm_cm * 1e-8);
  }
  for (const stored::Strip& s : layout.strips)
    for (const stored::Rect& r : s.parts) m.copper.push_back({r.x0, r.y0, m.strip_z, r.x1, r.y1, m.strip_z + m.t});
  const stored::Rect& in = layout.strips.front().parts.front();
  const stored::Rect& out = layout.strips.back().parts.back();
  m.ports[0] = {in.x0, -1, in.y0, in.y1, design.analysis.zs};
  m.ports[1] = {out.x1, +1, out.y0, out.y1, design.analysis.zl};
  place_domain(m, layout.bounds.x0, layout.bounds.x1, layout.bounds.y0, layout.bounds.y1);
  if (opt.cover_mm > 0) {
    m.covered = true;
    m.z_hi = m.h + opt.cover_mm;
    m.y_lo = layout.bounds.y0 - 6 * m.h;  // the housing's walls close to the copper
    m.y_hi = layout.bounds.y1 + 6 * m.h;
  }
  // The measuring lines: the feed lines carried on to the domain's edges.
  m.copper.push_back({m.x_lo, in.y0, m.strip_z, in.x0, in.y1, m.strip_z + m.t});
  m.copper.push_back({out.x1, out.y0, m.strip_z, m.x_hi, out.y1, m.strip_z + m.t});
  m.name = "design of dimensional report " + std::to_string(design.dimensions.position);
  return true;
}

Model one_resonator(double er, double h, double w, double s, double len, double f_lo, double f_hi) {
  Model m;
  m.name = "one resonator";
  m.er = er;
  m.h = h;
  m.strip_z = h;
  m.f_lo = f_lo;
  m.f_hi = f_hi;
  // Across y: the input strip, a gap, the resonator, a gap, the output strip.
  const double in0 = w / 2 + s, out1 = -w / 2 - s;
  m.ports[0] = {0, -1, in0, in0 + w, 50};
  m.ports[1] = {2 * len, +1, out1 - w, out1, 50};
  place_domain(m, 0, 2 * len, out1 - w, in0 + w);
  m.copper.push_back({m.x_lo, in0, h, len, in0 + w, h});
  m.copper.push_back({0, -w / 2, h, 2 * len, w / 2, h});
  m.copper.push_back({len, out1 - w, h, m.x_hi, out1, h});
  return m;
}

double sheet_thickness_m(const Model& m) { return m.t > 0 ? m.t * 1e-3 : kSheetThicknessM; }

Model straight_line(double er, double h, double w, double len, double f_lo, double f_hi, bool stripline) {
  Model m;
  m.name = stripline ? "straight stripline" : "straight line";
  m.er = er;
  m.h = h;
  m.stripline = stripline;
  m.strip_z = stripline ? h / 2 : h;
  m.f_lo = f_lo;
  m.f_hi = f_hi;
  m.ports[0] = {0, -1, -w / 2, w / 2, 50};
  m.ports[1] = {len, +1, -w / 2, w / 2, 50};
  place_domain(m, 0, len, -w / 2, w / 2);
  m.copper.push_back({m.x_lo, -w / 2, m.strip_z, m.x_hi, w / 2, m.strip_z});
  return m;
}

}  // namespace quorvane::em
