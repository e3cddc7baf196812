#include "view/report_fixtures.hpp"

#include <cmath>
#include <limits>

#include "dialogue/fortran_format.hpp"

namespace quorvane::view::testing {

using fmt::A;
using fmt::F;
using fmt::I;
using fmt::X;

Lines report_header(const ReportStamp& t) {
  return {"",
          X(6) + fmt::hyphens(72),
          X(6) + "Quorvane (v. 1.4)" + X(23) + "Date:" + I(t.month, 2) + "/" + I(t.day, 2) + "/" + I(t.year, 4) +
              " at " + I(t.hour, 2) + ":" + I(t.minute, 2) + ":" + I(t.second, 2) + "Hours",
          X(15) + "RF/Microwave Computer-Aided Engineering Design Data For",
          X(15) + " Multi-Section Parallel Coupled Line Bandpass Filters.",
          ""};
}

namespace {

void append(Lines& a, const Lines& b) { a.insert(a.end(), b.begin(), b.end()); }

Lines summary4(const DesignSummary& s, int ripple_w, int ripple_d) {
  return {X(16) + "Flow = " + F(s.flow, 9, 3) + " MHz" + X(5) + "Response    = " + A(s.response, 12),
          X(16) + "Fo   = " + F(s.f0, 9, 3) + " MHz" + X(5) + "# of Poles  = " + I(s.poles, 2),
          X(16) + "Fhigh= " + F(s.fhigh, 9, 3) + " MHz" + X(5) + "Ripple (Am) = " + F(s.ripple, ripple_w, ripple_d) +
              " dB",
          X(16) + "BW   = " + F(s.bw, 9, 3) + " MHz" + X(5) + "Zo of System= " + F(s.z0, 6, 2) + " Ohms"};
}

std::string stored_line(const std::string& name) { return X(8) + "Output data stored in User filename: " + A(name, 20); }

}  // namespace

Lines electrical_report(const ReportStamp& stamp, const DesignSummary& s, const ElectricalTable& t,
                        const std::string& stored_in) {
  Lines l = report_header(stamp);
  append(l, {X(12) + "SYNTHESIS of the Distributed Electrical Circuit" + " for your Parallel",
             X(12) + "Coupled Line Bandpass Filter results in the following Prototype",
             X(12) + "Lowpass Element Values and Even-Mode & Odd-Mode Impedances:", ""});
  append(l, summary4(s, 6, 4));
  append(l, {X(16) + "BW3dB= " + F(t.bw3db, 9, 3) + " MHz", "",
             X(7) + "   Prototype  Coupled  Even & Odd Mode  Image   Normalized  Coupling",
             X(7) + "   Low-Pass   Section    Impedances   Impedance J Inverter   Coeff,",
             X(7) + "I  Elements   (K,K+1)    Zoe    Zoo     ZI(I)   J(K,K+1)*ZI Numeric", X(6) + fmt::hyphens(69)});
  for (const ElectricalRow& r : t.rows)
    l.push_back(X(6) + I(r.i, 2) + X(2) + F(r.element, 8, 5) + X(3) + I(r.k, 2) + I(r.k1, 3) + X(3) +
                F(r.zoe, 7, 3) + F(r.zoo, 7, 3) + F(r.zi, 9, 2) + F(r.jzi, 11, 5) + F(r.coupling, 11, 5));
  l.push_back(X(6) + I(s.poles + 1, 2) + X(2) + F(t.g_load, 8, 5) + "    Source and Load Impedance = " +
              F(s.z0, 6, 2) + " Ohms");
  l.push_back(X(6) + fmt::hyphens(69));
  l.push_back(X(6) + "End Section`s External Q: Qe(1) =" + F(t.qe_in, 6, 2) + " and Qe(" + I(s.poles + 1, 2) +
              ") =" + F(t.qe_out, 6, 2) + ".");
  l.push_back(stored_line(stored_in));
  return l;
}

std::string microstrip_row(const DimensionRow& r) {
  return X(8) + I(r.section, 2) + X(3) + F(r.w_in, 7, 4) + X(1) + F(r.w_mm, 7, 4) + I(r.k0, 3) + I(r.k1, 3) +
         F(r.s_in, 8, 4) + F(r.s_mm, 8, 4) + F(r.length_in, 8, 4) + X(3) + F(r.eff_even, 6, 3) + F(r.eff_odd, 7, 3);
}

Lines dimension_report(const ReportStamp& stamp, const DesignSummary& s, const DimensionTable& t,
                       const std::string& stored_in) {
  const bool ms = t.construction == Construction::Microstrip;
  Lines l = report_header(stamp);
  append(l, {X(12) + "SYNTHESIS of Physical Dimensions for your Parallel Coupled",
             X(12) + "Line Bandpass Filter results in the following design data:", ""});
  append(l, summary4(s, 5, 3));
  append(l, {X(16) + "Er   = " + F(t.er, 9, 3) + X(9) + "Construction= " + A(t.construction_name, 10),
             X(16) + A(ms ? "H    = " : "B    = ", 7) + F(t.height_in, 9, 3) + " inches" + X(2) + "Strip Thick = " +
                 F(t.thick_in, 6, 4) + " inches",
             ""});
  if (ms) {
    append(l, {X(46) + "    Resonator Eff. Dielectric",
               X(6) + "Section Line Width:W  Section Gap Spacing:S   Length  Constant at Fo",
               X(6) + "  (K)   Inches    MM  (K,K+1) Inches    MM    Inches    Even    Odd", X(6) + fmt::hyphens(72)});
  } else {
    append(l, {X(6) + X(44) + "Resonator  Open-End",
               X(6) + "Section Line Width:W  Section Gap Spacing:S   Length  Capacitance",
               X(6) + "  (K)   Inches    MM  (K,K+1) Inches    MM    Inches  pico-farads", X(6) + fmt::hyphens(72)});
  }
  for (const DimensionRow& r : t.rows) {
    if (ms) {
      l.push_back(microstrip_row(r));
    } else if (!r.realizable) {
      l.push_back(X(8) + I(r.section, 2) + X(3) + kNotRealizableText + I(r.k0, 3) + I(r.k1, 3) + X(2) +
                  F(r.length_in, 8, 4));
    } else {
      l.push_back(X(8) + I(r.section, 2) + X(3) + F(r.w_in, 7, 4) + X(1) + F(r.w_mm, 7, 4) + I(r.k0, 3) +
                  I(r.k1, 3) + F(r.s_in, 8, 4) + F(r.s_mm, 8, 4) + F(r.length_in, 8, 4) + X(2) +
                  F(r.cap_open_pf, 8, 4));
    }
  }
  l.push_back(X(11) + "Total Length of your Bandpass Filter = " + F(t.total_in, 8, 4) + " inches.");
  l.push_back("");
  l.push_back(X(6) + "For Zo = " + F(t.zo_line, 6, 2) + " Ohms, Line Width =" + F(t.w_zo_in, 7, 4) +
              (ms ? " inches in EReff(Fo) =" : " inches in Er =") + F(t.zo_line_er, 7, 3) + ".");
  l.push_back(X(6) + "For Fo =" + F(s.f0, 9, 2) + " MHz, Quarter Wavelength =" + F(t.quarter_wave_in, 8, 4) +
              " inches.");
  if (ms) {
    l.push_back(X(6) + "Maximum usable operating frequency before possible launch of");
    l.push_back(X(6) + "higher-order modes: Surface Wave Mode = " + F(t.surface_wave_ghz, 7, 3) + " GHz.");
    l.push_back(X(6) + "                 Lowest-order TE-mode = " + F(t.te_mode_ghz, 7, 3) + " GHz.");
  } else {
    l.push_back(X(6) + "Maximum usable operating frequency = " + F(t.surface_wave_ghz, 7, 3) + " GHz before possible");
    l.push_back(X(6) + "launch of higher-order modes.");
  }
  l.push_back(X(6) + fmt::hyphens(72));
  l.push_back(stored_line(stored_in));
  return l;
}

std::string format1_row(const AnalysisRow& r) {
  return F(r.freq, 16, 2) + X(1) + F(r.vswr, 7, 3) + F(r.s11db, 7, 2) + F(r.phase11, 8, 2) + F(r.zin_re, 8, 3) +
         F(r.zin_im, 8, 3) + F(r.s21db, 9, 3) + F(r.phase21, 8, 2);
}

Lines analysis_report(const ReportStamp& stamp, const DesignSummary& s, const AnalysisTable& t,
                      const std::string& stored_in) {
  const Lines title{X(13) + "Frequency Analysis of your Parallel Coupled Line Bandpass Filter",
                    X(13) + "results in the following response profile:", ""};
  Lines l = report_header(stamp);
  append(l, title);
  l.push_back(X(16) + "Flow = " + F(s.flow, 9, 3) + " MHz     Response    = " + A(s.response, 12));
  l.push_back(X(16) + "Fo   = " + F(s.f0, 9, 3) + " MHz     # of Poles  = " + I(s.poles, 2));
  l.push_back(X(16) + "Fhigh= " + F(s.fhigh, 9, 3) + " MHz     Ripple (Am) = " + F(s.ripple, 7, 5) + " dB");
  l.push_back(X(16) + "BW   = " + F(s.bw, 9, 3) + " MHz     Zo of System= " + F(s.z0, 6, 2) + " Ohms");
  l.push_back(X(16) + "SR   = " + F(t.sr_uin, 9, 3) + " u\"      Resistivity = " + F(t.res_uohm_cm, 5, 3) +
              " u-Ohm-cm");
  l.push_back(X(17) + "                       Loss Tangent = " + F(t.loss_tangent, 7, 5));
  if (t.ideal)
    l.push_back(X(16) + "Er   = " + F(t.ideal_er, 9, 3) + "         Quarterwave = " + F(t.ideal_quarter_wave_in, 6, 4) +
                " Inches");
  if (t.format == 2) append(l, title);
  if (!t.not_run.empty()) {
    l.push_back(X(6) + t.not_run);
    return l;
  }
  if (t.format == 1) {
    append(l, {"", X(7) + "Frequency     Input Port: S11     Input Impedance   Thru Loss: S21",
               X(7) + "   MHz      VSWR   RL,dB   Phase   Real    Imag      dB     Phase", X(7) + fmt::hyphens(66)});
    for (const AnalysisRow& r : t.rows) l.push_back(format1_row(r));
  } else {
    append(l, {"", X(58) + "Thru Path", X(7) + "Analysis  Input Impedance, Ohms  Input  Input  ----------------",
               X(7) + "Frequency ---------------------  Port   Port      Loss    Phase",
               X(9) + "(MHz)      Real    Imaginary   VSWR   Phase    (dB)    (Deg)", X(6) + fmt::hyphens(72)});
    for (const AnalysisRow& r : t.rows)
      l.push_back(F(r.freq, 16, 2) + F(r.zin_re, 8, 2) + F(r.zin_im, 12, 2) + F(r.vswr, 8, 2) + F(r.phase11, 8, 2) +
                  F(r.s21db, 9, 3) + F(r.phase21, 9, 2));
  }
  l.push_back(X(6) + "Source Impedance: Zs = " + F(t.zs, 7, 3) + " Ohms.");
  l.push_back(X(6) + "Load   Impedance: ZL = " + F(t.zl, 7, 3) + " Ohms.");
  // The program stores the rule before its storage notice.
  l.push_back(X(6) + fmt::hyphens(72));
  l.push_back(X(8) + "Output Data stored in User filename: " + A(stored_in, 20));
  return l;
}

std::string rewrite(const ParsedStorage& storage) {
  std::vector<Lines> parts;
  for (const Report& r : storage.reports) {
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
  t.construction = Construction::Microstrip;
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
  t.construction = Construction::Stripline;
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
