// Microstrip dimensions of a parallel coupled line filter.
//
// References
//   S. Akhtarzad, T. R. Rowbotham and P. B. Johns, "The design of coupled
//     microstrip lines", IEEE Trans. MTT, vol. MTT-23, no. 6, pp. 486-492,
//     June 1975 (width and gap of each section, via msws).
//   M. Kirschning and R. H. Jansen, "Accurate wide-range design equations for
//     the frequency-dependent characteristic of parallel coupled microstrip
//     lines", IEEE Trans. MTT, vol. MTT-32, no. 1, pp. 83-90, Jan. 1984
//     (mode effective dielectric constants at the design frequency).
//   G. D. Vendelin, "Limitations on stripline Q", Microwave Journal, vol. 13,
//     pp. 63-69, May 1970 (frequency at which the lowest surface-wave mode
//     couples strongly to the quasi-TEM line; the transverse-resonance limit
//     of the lowest TE mode under a wide strip).
//   The resonator is a quarter wave at f0 in the mean of the two modes,
//   weighted by their impedances.
#include "dimensions/microstrip_dimensions.hpp"

#include <algorithm>
#include <cmath>

#include "dialogue/fortran_format.hpp"
#include "dialogue/report_layouts.hpp"
#include "dimensions/dimension_layouts.hpp"
#include "dimensions/dimensional_report.hpp"
#include "lines/coupled_synthesis.hpp"
#include "lines/microstrip.hpp"

namespace quorvane {

using fmt::F;
using fmt::X;

namespace {

constexpr float pi = 3.1415927f;

std::vector<std::string> microstrip_table_head() {
  return table_head(fmt::fill(fmt::microstrip_head(), {}),
                    X(6) + "Section Line Width:W  Section Gap Spacing:S   Length  Constant at Fo",
                    X(6) + "  (K)   Inches    MM  (K,K+1) Inches    MM    Inches    Even    Odd");
}

// Section K couples resonator K-1 to resonator K (0 is the source, N+1 the load).
std::string microstrip_row(int k, const MicrostripSectionSize& sec) {
  return fmt::fill(fmt::microstrip_row(), {k, sec.w, sec.w * kMillimetresPerInch, k - 1, k, sec.s,
                                           sec.s * kMillimetresPerInch, sec.flength, sec.effef, sec.effof});
}

}  // namespace

float weighted_effective_dielectric(float zoe, float zoo, float effef, float effof) {
  const float x = (zoe * std::sqrt(effef) + zoo * std::sqrt(effof)) / (zoe + zoo);
  return x * x;
}

float microstrip_quarter_wave(float eff, float f0) { return 0.25f * speed / (std::sqrt(eff) * f0); }

float surface_wave_limit(float er, float b) {
  // An Er just below 1 is accepted at entry (above 0.99999): it is air too.
  if (er <= 1.0f) return kLimitCap;
  const float tmc = 0.001f * (speed / (2.0f * pi * b)) * std::sqrt(2.0f / (er - 1.0f)) * std::atan(er);
  return tmc > kLimitCap ? kLimitCap : tmc;
}

float te_mode_limit(float z0, float er, float effdc, float b) {
  const float tec = z0 * std::sqrt(er / effdc) / (2.0f * b * uo);
  return tec > kLimitCap ? kLimitCap : tec;
}

MicrostripDimensions synthesise_microstrip(const FilterRequirements& filter, const Qvnzo& qvnzo, float er, float b,
                                           float thick, float z0) {
  MicrostripDimensions d;
  const float f0 = filter.f0;
  const float fg = f0 * 0.001f;
  const float cover = 100.0f * b;
  // The single-strip result the last model evaluation left; the width
  // synthesis below replaces it unless it gives up before evaluating.
  Mszo1 last_mszo1;

  for (int k = 1; k <= filter.isections + 1; ++k) {
    const float zoe = qvnzo.zoec[k];
    const float zoo = qvnzo.zooc[k];
    const MswsResult r = msws(er, fg, b, cover, thick, zoe, zoo);
    last_mszo1 = r.mszo1;
    MicrostripSectionSize sec;
    sec.w = r.w;
    sec.s = r.s;
    sec.iflag = r.iflag;
    sec.effef = r.lceff1.effef;
    sec.effof = r.lceff1.effof;
    sec.effcf = weighted_effective_dielectric(zoe, zoo, sec.effef, sec.effof);
    sec.flength = (0.25f * speed) / (std::sqrt(sec.effcf) * f0);
    d.total = d.total + sec.flength;
    sec.freqoe = f0 * std::sqrt(sec.effef);
    sec.freqoo = f0 * std::sqrt(sec.effof);
    d.sections.push_back(sec);
  }

  const MswhResult wh = mswh(er, fg, b, cover, thick, z0);
  d.wofz0 = wh.w;
  d.isyne = wh.isyne;
  // A width rejected before any evaluation leaves no line results of its own.
  d.eff = wh.evaluated ? wh.mszo1.eff : last_mszo1.eff;
  d.qwave = microstrip_quarter_wave(d.eff, f0);
  d.tmc = surface_wave_limit(er, b);
  d.effdc = msimp(er, b, cover, thick, d.wofz0).effdc;
  d.tec = te_mode_limit(z0, er, d.effdc, b);
  return d;
}

MicrostripDimensions run_microstrip_dimensions(DesignState& state, Report& report) {
  const FilterRequirements& filter = state.filter;
  report.both(microstrip_table_head());
  const MicrostripDimensions d =
      synthesise_microstrip(filter, state.qvnzo, state.construction.er, state.qvnms.b, state.qvnms.thick, z0_aim(state));

  for (int k = 1; k <= filter.isections + 1; ++k) {
    const MicrostripSectionSize& sec = d.sections[static_cast<std::size_t>(k - 1)];
    state.qvnms.wc[k] = sec.w;
    state.qvnms.sc[k] = sec.s;
    state.flength[k] = sec.flength;
    state.qvna1.freqoe[k] = sec.freqoe;
    state.qvna1.freqoo[k] = sec.freqoo;
    report.both(microstrip_row(k, sec));
  }

  state.mode_limit = std::min(d.tmc, d.tec);
  ReportClosing closing(report);
  closing.line(total_length_line(d.total));
  if (d.isyne == 1) {
    report.console("");
    report.console(X(6) + kMswhUnrealizableLine1);
    report.console(X(6) + kMswhUnrealizableLine2);
  }
  closing.line("");
  closing.line(fmt::fill(fmt::zo_line_microstrip(), {z0_aim(state), d.wofz0, d.eff}));
  closing.line(quarter_wave_line(filter.f0, d.qwave));
  closing.line(X(6) + "Maximum usable operating frequency before possible launch of");
  closing.line(fmt::fill(fmt::surface_wave_line(), {d.tmc}));
  closing.line(fmt::fill(fmt::te_mode_line(), {d.tec}));
  closing.line(fmt::fill(fmt::rule72(), {}));
  closing.finish(state.control);
  return d;
}

}  // namespace quorvane
