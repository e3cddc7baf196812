#include "support/report_fixtures.hpp"

#include <cmath>
#include <limits>

#include "analysis/analysis_layouts.hpp"
#include "dialogue/fortran_format.hpp"
#include "dialogue/report_layouts.hpp"
#include "dialogue/storage.hpp"
#include "dimensions/dimension_layouts.hpp"

namespace quorvane::view::testing {

using namespace fmt;  // the field writer and the report layouts

// The program's own dated header.
Lines report_header(const ReportStamp& t) {
  return quorvane::report_header(ClockReading{t.year, t.month, t.day, t.hour, t.minute, t.second});
}

namespace {

void append(Lines& a, const Lines& b) { a.insert(a.end(), b.begin(), b.end()); }

Lines summary4(const DesignSummary& s, const Layout& fhigh) {
  return {fill(flow_line(), {s.flow, s.response}), fill(fo_line(), {s.f0, s.poles}), fill(fhigh, {s.fhigh, s.ripple}),
          fill(bw_line(), {s.bw, s.z0})};
}

}  // namespace

Lines electrical_report(const ReportStamp& stamp, const DesignSummary& s, const ElectricalTable& t,
                        const std::string& stored_in) {
  Lines l = report_header(stamp);
  append(l, {fill(electrical_title(), {}),
             X(12) + "Coupled Line Bandpass Filter results in the following Prototype",
             X(12) + "Lowpass Element Values and Even-Mode & Odd-Mode Impedances:", ""});
  append(l, summary4(s, fhigh_line_electrical()));
  append(l, {fill(bw3db_line(), {t.bw3db}), "",
             X(7) + "   Prototype  Coupled  Even & Odd Mode  Image   Normalized  Coupling",
             X(7) + "   Low-Pass   Section    Impedances   Impedance J Inverter   Coeff,",
             X(7) + "I  Elements   (K,K+1)    Zoe    Zoo     ZI(I)   J(K,K+1)*ZI Numeric", fill(rule69(), {})});
  for (const PrintedElectricalRow& r : t.rows)
    l.push_back(fill(electrical_row(), {r.i, r.element, r.k, r.k1, r.zoe, r.zoo, r.zi, r.jzi, r.coupling}));
  l.push_back(fill(load_line(), {s.poles + 1, t.g_load, s.z0}));
  l.push_back(fill(rule69(), {}));
  l.push_back(fill(external_q_line(), {t.qe_in, s.poles + 1, t.qe_out}));
  l.push_back(fill(stored_line(), {stored_in}));
  return l;
}

std::string microstrip_row(const DimensionRow& r) {
  return fill(fmt::microstrip_row(),
              {r.section, r.w_in, r.w_mm, r.k0, r.k1, r.s_in, r.s_mm, r.length_in, r.eff_even, r.eff_odd});
}

Lines dimension_report(const ReportStamp& stamp, const DesignSummary& s, const DimensionTable& t,
                       const std::string& stored_in) {
  const bool ms = t.construction == StoredConstruction::Microstrip;
  Lines l = report_header(stamp);
  append(l, {fill(dimensions_title(), {}),
             X(12) + "Line Bandpass Filter results in the following design data:", ""});
  append(l, summary4(s, fhigh_line_dimensions()));
  append(l, {fill(er_construction_line(), {t.er, t.construction_name}),
             fill(height_line(), {ms ? kMicrostripHeightName : kStriplineHeightName, t.height_in, t.thick_in}), ""});
  if (ms) {
    append(l, {fill(microstrip_head(), {}),
               X(6) + "Section Line Width:W  Section Gap Spacing:S   Length  Constant at Fo",
               X(6) + "  (K)   Inches    MM  (K,K+1) Inches    MM    Inches    Even    Odd", fill(rule72(), {})});
  } else {
    append(l, {fill(stripline_head(), {}),
               X(6) + "Section Line Width:W  Section Gap Spacing:S   Length  Capacitance",
               X(6) + "  (K)   Inches    MM  (K,K+1) Inches    MM    Inches  pico-farads", fill(rule72(), {})});
  }
  for (const DimensionRow& r : t.rows) {
    if (ms) {
      l.push_back(microstrip_row(r));
    } else if (!r.realizable) {
      l.push_back(fill(stripline_unrealizable_row(), {r.section, r.k0, r.k1, r.length_in}));
    } else {
      l.push_back(fill(stripline_row(),
                       {r.section, r.w_in, r.w_mm, r.k0, r.k1, r.s_in, r.s_mm, r.length_in, r.cap_open_pf}));
    }
  }
  l.push_back(fill(total_line(), {t.total_in}));
  l.push_back("");
  l.push_back(fill(ms ? zo_line_microstrip() : zo_line_stripline(), {t.zo_line, t.w_zo_in, t.zo_line_er}));
  l.push_back(fill(fo_wave_line(), {s.f0, t.quarter_wave_in}));
  if (ms) {
    l.push_back(X(6) + "Maximum usable operating frequency before possible launch of");
    l.push_back(fill(surface_wave_line(), {t.surface_wave_ghz}));
    l.push_back(fill(te_mode_line(), {t.te_mode_ghz}));
  } else {
    l.push_back(fill(stripline_limit_line(), {t.surface_wave_ghz}));
    l.push_back(X(6) + "launch of higher-order modes.");
  }
  l.push_back(fill(rule72(), {}));
  l.push_back(fill(stored_line(), {stored_in}));
  return l;
}

std::string format1_row(const AnalysisRow& r) {
  return fill(fmt::format1_row(), {r.freq, r.vswr, r.s11db, r.phase11, r.zin_re, r.zin_im, r.s21db, r.phase21});
}

Lines analysis_report(const ReportStamp& stamp, const DesignSummary& s, const AnalysisTable& t,
                      const std::string& stored_in) {
  const Lines title{fill(analysis_title(), {}),
                    X(13) + "results in the following response profile:", ""};
  Lines l = report_header(stamp);
  append(l, title);
  append(l, summary4(s, fhigh_line_analysis()));
  l.push_back(fill(roughness_line(), {t.sr_uin, t.res_uohm_cm}));
  l.push_back(fill(loss_tangent_line(), {t.loss_tangent}));
  if (t.ideal) l.push_back(fill(ideal_line(), {t.ideal_er, t.ideal_quarter_wave_in}));
  if (t.format == 2) append(l, title);
  if (!t.not_run.empty()) {
    l.push_back(X(6) + t.not_run);
    return l;
  }
  if (t.format == 1) {
    append(l, {"", fill(format1_head(), {}), X(7) + "   MHz      VSWR   RL,dB   Phase   Real    Imag      dB     Phase",
               fill(format1_rule(), {})});
    for (const AnalysisRow& r : t.rows) l.push_back(format1_row(r));
  } else {
    append(l, {"", X(58) + "Thru Path", fill(format2_head(), {}),
               X(7) + "Frequency ---------------------  Port   Port      Loss    Phase",
               X(9) + "(MHz)      Real    Imaginary   VSWR   Phase    (dB)    (Deg)", fill(rule72(), {})});
    for (const AnalysisRow& r : t.rows)
      l.push_back(fill(format2_row(), {r.freq, r.zin_re, r.zin_im, r.vswr, r.phase11, r.s21db, r.phase21}));
  }
  l.push_back(fill(source_line(), {t.zs}));
  l.push_back(fill(load_impedance_line(), {t.zl}));
  // The program stores the rule before its storage notice.
  l.push_back(fill(rule72(), {}));
  l.push_back(fill(stored_line_analysis(), {stored_in}));
  return l;
}

std::string rewrite(const ParsedStorage& storage) {
  std::vector<Lines> parts;
  for (const StoredReport& r : storage.reports) {
    if (const auto* e = std::get_if<ElectricalTable>(&r.table)) {
      parts.push_back(electrical_report(r.stamp, r.summary, *e, r.stored_in));
    } else if (const auto* d = std::get_if<DimensionTable>(&r.table)) {
      parts.push_back(dimension_report(r.stamp, r.summary, *d, r.stored_in));
    } else {
      parts.push_back(analysis_report(r.stamp, r.summary, std::get<AnalysisTable>(r.table), r.stored_in));
    }
  }
  return join(parts);
}

std::string join(const std::vector<Lines>& parts) {
  std::string s;
  for (const Lines& p : parts)
    for (const std::string& line : p) s += line + "\n";
  return s;
}

ReportStamp stamp_a() { return {3, 6, 2026, 9, 5, 7}; }
ReportStamp stamp_b() { return {3, 6, 2026, 9, 12, 30}; }

DesignSummary road_summary() {
  return {9750.0f, 10000.0f, 10250.0f, 500.0f, 0.1f, 50.0f, 4, "Tchebyscheff"};
}

ElectricalTable road_electrical() {
  ElectricalTable t;
  t.bw3db = 606.55f;
  t.rows = {{0, 1.0f, 0, 1, 66.849f, 40.234f, 50.0f, 0.26614f, 0.18354f},
            {1, 1.10881f, 1, 2, 53.476f, 46.950f, 50.0f, 0.06526f, 0.04178f},
            {2, 1.30618f, 2, 3, 52.716f, 47.551f, 50.0f, 0.05165f, 0.03312f},
            {3, 1.77038f, 3, 4, 53.476f, 46.950f, 50.0f, 0.06526f, 0.04178f},
            {4, 0.81808f, 4, 5, 66.849f, 40.234f, 50.0f, 0.26614f, 0.18354f}};
  t.g_load = 1.35538f;
  t.qe_in = 22.17f;
  t.qe_out = 22.17f;
  return t;
}

namespace {

DimensionRow dim_row(int k, float w, float s, float len, float a, float b, bool ms) {
  DimensionRow r;
  r.section = k;
  r.w_in = w;
  r.w_mm = w * 25.4f;
  r.k0 = k - 1;
  r.k1 = k;
  r.s_in = s;
  r.s_mm = s * 25.4f;
  r.length_in = len;
  if (ms) {
    r.eff_even = a;
    r.eff_odd = b;
  } else {
    r.cap_open_pf = a;
  }
  return r;
}

}  // namespace

DimensionTable road_microstrip() {
  DimensionTable t;
  t.construction = StoredConstruction::Microstrip;
  t.construction_name = "Microstrip";
  t.er = 2.2f;
  t.height_in = 0.031f;
  t.thick_in = 0.0007f;
  t.rows = {dim_row(1, 0.0712f, 0.0051f, 0.2213f, 1.912f, 1.705f, true),
            dim_row(2, 0.0921f, 0.0335f, 0.2190f, 1.884f, 1.781f, true),
            dim_row(3, 0.0934f, 0.0421f, 0.2188f, 1.887f, 1.790f, true),
            dim_row(4, 0.0921f, 0.0335f, 0.2190f, 1.884f, 1.781f, true),
            dim_row(5, 0.0712f, 0.0051f, 0.2213f, 1.912f, 1.705f, true)};
  float total = 0.0f;
  for (const auto& r : t.rows) total += r.length_in;
  t.total_in = total + 0.00003f;  // the report sums the unrounded lengths
  t.zo_line = 50.0f;
  t.w_zo_in = 0.0954f;
  t.zo_line_er = 1.871f;
  t.quarter_wave_in = 0.2157f;
  t.surface_wave_ghz = 134.605f;
  t.te_mode_ghz = 137.121f;
  return t;
}

DimensionTable road_stripline() {
  DimensionTable t;
  t.construction = StoredConstruction::Stripline;
  t.construction_name = "Stripline";
  t.er = 2.2f;
  t.height_in = 0.0625f;
  t.thick_in = 0.0f;
  t.rows = {dim_row(1, 0.0301f, 0.0042f, 0.1989f, 0.0112f, 0.0f, false),
            dim_row(2, 0.0465f, 0.0390f, 0.1989f, 0.0131f, 0.0f, false),
            dim_row(3, 0.0472f, 0.0478f, 0.1989f, 0.0132f, 0.0f, false),
            dim_row(4, 0.0465f, 0.0390f, 0.1989f, 0.0131f, 0.0f, false),
            dim_row(5, 0.0301f, 0.0042f, 0.1989f, 0.0112f, 0.0f, false)};
  t.total_in = 0.9947f;
  t.zo_line = 49.98f;
  t.w_zo_in = 0.0500f;
  t.zo_line_er = 2.2f;
  t.quarter_wave_in = 0.1989f;
  t.surface_wave_ghz = 40.182f;
  return t;
}

AnalysisTable road_analysis(int format, float zs, float zl) {
  AnalysisTable t;
  t.format = format;
  t.sr_uin = 5.0f;
  t.res_uohm_cm = 1.7f;
  t.loss_tangent = 0.0009f;
  t.zs = zs;
  t.zl = zl;
  // A smooth band-pass shape with the clamps of the table at the ends.
  for (int k = 0; k <= 40; ++k) {
    const float f = 9000.0f + 50.0f * static_cast<float>(k);
    const float u = (f - 10000.0f) / 250.0f;
    AnalysisRow r;
    r.freq = f;
    r.s21db = std::fabs(u) < 1.0f ? -0.1f * u * u - 0.35f : -25.0f * (std::fabs(u) - 1.0f) - 0.45f;
    if (k == 0) r.s21db = -200.0f;
    r.s11db = std::fabs(u) < 1.0f ? -18.0f + 4.0f * u * u : -0.3f / std::fabs(u);
    if (k == 40) r.s11db = -0.0043f;
    r.vswr = k == 40 ? 99.99f : 1.0f + 0.5f * u * u;
    r.phase11 = 170.0f * std::sin(u);
    r.phase21 = -179.0f * std::cos(0.7f * u);
    r.zin_re = 50.0f + 3.0f * u;
    r.zin_im = k == 1 ? 999.99f : -20.0f * u;
    if (format == 2) r.s11db = std::numeric_limits<float>::quiet_NaN();
    t.rows.push_back(r);
  }
  return t;
}

}  // namespace quorvane::view::testing
