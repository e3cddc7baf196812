// Stripline dimensions of a parallel coupled line filter.
//
// References
//   S. B. Cohn, "Shielded coupled-strip transmission line", IRE Trans. MTT,
//     vol. MTT-3, no. 5, pp. 29-38, Oct. 1955 (width and gap of each section,
//     via slws).
//   H. M. Altschuler and A. A. Oliner, "Discontinuities in the center
//     conductor of symmetric strip transmission line", IRE Trans. MTT,
//     vol. MTT-8, no. 3, pp. 328-339, May 1960 (length extension of an open
//     strip end, here with the spacing parameter delta = B ln 2 / pi; the
//     open-end capacitance is the extension's share of the line capacitance).
//   The higher-order-mode limit is the cut-off of the lowest TE mode across
//   the strip, its width increased by pi B / 4 for the fringing fields.
#include "dimensions/stripline_dimensions.hpp"

#include <cmath>

#include "dialogue/fortran_format.hpp"
#include "dialogue/report_layouts.hpp"
#include "dimensions/dimension_layouts.hpp"
#include "dimensions/dimensional_report.hpp"
#include "lines/stripline.hpp"

namespace quorvane {

using fmt::F;
using fmt::I;
using fmt::X;

namespace {

constexpr float pi = 3.1415927f;
constexpr float ln2 = 0.6931472f;

std::vector<std::string> stripline_table_head() {
  return table_head(fmt::fill(fmt::stripline_head(), {}),
                    X(6) + "Section Line Width:W  Section Gap Spacing:S   Length  Capacitance",
                    X(6) + "  (K)   Inches    MM  (K,K+1) Inches    MM    Inches  pico-farads");
}

// Section K couples resonator K-1 to resonator K (0 is the source, N+1 the load).
std::string stripline_row(int k, const StriplineSectionSize& sec) {
  if (!sec.realizable) return fmt::fill(fmt::stripline_unrealizable_row(), {k, k - 1, k, sec.flength});
  return fmt::fill(fmt::stripline_row(), {k, sec.w, sec.w * kMillimetresPerInch, k - 1, k, sec.s,
                                          sec.s * kMillimetresPerInch, sec.flength, sec.capopen});
}

}  // namespace

float guide_wavelength(float er, float f0) { return speed / (std::sqrt(er) * f0); }

float open_end_capacitance(float b, float er, float f0, float w, float z0cohn) {
  const float delta = b * ln2 / pi;
  const float beta = 2.0f * pi * std::sqrt(er) / (speed / f0);
  const float dl = (1.0f / beta) * std::atan(((2.0f * w + delta) / (2.0f * w + 4.0f * delta)) * std::tan(beta * delta));
  return 1000000.0f * beta * dl / (2.0f * pi * f0 * z0cohn);
}

float stripline_mode_limit(float er, float wofz0, float b) {
  const float fmax = 30.0f / (2.54f * std::sqrt(er) * (2.0f * wofz0 + pi * b / 2.0f));
  return fmax > kLimitCap ? kLimitCap : fmax;
}

StriplineDimensions synthesise_stripline(const FilterRequirements& filter, const Qvnzo& qvnzo, float er, float b,
                                         float thick, float t, float z0_target) {
  StriplineDimensions d;
  const int n = filter.isections;
  const SlwsResult strips = slws(n, t, er, qvnzo.zoec, qvnzo.zooc);

  const float lambda_g = guide_wavelength(er, filter.f0);
  for (int k = 1; k <= n + 1; ++k) {
    StriplineSectionSize sec;
    sec.wb = strips.w[k];
    sec.sb = strips.s[k];
    sec.realizable = strips.realizable[k];
    sec.flength = 0.25f * lambda_g;
    d.total = d.total + sec.flength;
    if (sec.realizable) {
      sec.w = sec.wb * b;
      sec.s = sec.sb * b;
      sec.z0cohn = slzo(b, er, thick, sec.w);
      sec.capopen = open_end_capacitance(b, er, filter.f0, sec.w, sec.z0cohn);
    }
    d.sections.push_back(sec);
  }

  const SlwbResult line = slwb(b, er, thick, z0_target);
  d.wofz0 = line.w;
  d.z0 = line.zo;
  d.isyne = line.isyne;
  d.qwave = 0.25f * speed / (std::sqrt(er) * filter.f0);
  d.fmax = stripline_mode_limit(er, d.wofz0, b);
  return d;
}

StriplineDimensions run_stripline_dimensions(DesignState& state, Report& report) {
  FilterRequirements& filter = state.filter;
  const Construction& c = state.construction;
  report.both(stripline_table_head());
  // Every run aims at the entered impedance, so that repeating the synthesis
  // gives the same report; the impedance found then serves the rest of the
  // design cycle.
  const StriplineDimensions d =
      synthesise_stripline(filter, state.qvnzo, c.er, state.qvnms.b, state.qvnms.thick, c.t, z0_aim(state));

  for (int k = 1; k <= filter.isections + 1; ++k) {
    const StriplineSectionSize& sec = d.sections[static_cast<std::size_t>(k - 1)];
    state.qvnms.wc[k] = sec.wb;
    state.qvnms.sc[k] = sec.sb;
    state.flength[k] = sec.flength;
    state.capopen[k] = sec.capopen;
    report.both(stripline_row(k, sec));
  }

  state.mode_limit = d.fmax;
  ReportClosing closing(report);
  closing.line(total_length_line(d.total));
  if (d.isyne == 1) {
    report.console("");
    report.console(X(6) + kSlwbUnrealizableWidth);
    report.console(X(6) + kSlwbSynthesisTerminated);
  }
  filter.z0 = d.z0;
  closing.line("");
  closing.line(fmt::fill(fmt::zo_line_stripline(), {filter.z0, d.wofz0, c.er}));
  closing.line(quarter_wave_line(filter.f0, d.qwave));
  closing.line(fmt::fill(fmt::stripline_limit_line(), {d.fmax}));
  closing.line(X(6) + "launch of higher-order modes.");
  closing.line(fmt::fill(fmt::rule72(), {}));
  closing.finish(state.control);
  return d;
}

}  // namespace quorvane
