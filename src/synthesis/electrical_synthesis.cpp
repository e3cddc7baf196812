// Parallel coupled line bandpass filter design after S. B. Cohn, "Parallel-
// coupled transmission-line-resonator filters", IRE Trans. MTT-6, April 1958,
// pp. 223-231, and Matthaei, Young and Jones (1964), section 8.09: admittance
// inverters J(k,k+1)/Y0 from the lowpass prototype and the fractional
// bandwidth, Zoe = Zo(1 + J/Y + (J/Y)^2), Zoo = Zo(1 - J/Y + (J/Y)^2), here
// generalised to an image impedance per section.
#include "synthesis/electrical_synthesis.hpp"

#include <cmath>

#include "dialogue/fortran_format.hpp"
#include "synthesis/electrical_layouts.hpp"
#include "synthesis/prototype.hpp"

namespace quorvane {

using namespace fmt;  // the field writer and the report layouts

namespace {

constexpr float pi = 3.14159274f;

struct ModeImpedances {
  float zoe;
  float zoo;
};

// Even and odd mode of a section of impedance scale `scale` and inverter `j`.
ModeImpedances mode_impedances(float j, float scale) {
  const float x = j * scale;
  return {(1.0f + x + x * x) * scale, (1.0f - x + x * x) * scale};
}

// The coupling coefficient; the end sections use 2.32/pi, the others 2.02/pi.
float coupling(float factor, float zoe, float zoo) { return (factor / pi) * (zoe - zoo) / (zoe + zoo); }

float arcosh(float x) { return std::log(x + std::sqrt(x * x - 1.0f)); }

}  // namespace

ElectricalDesign synthesise_electrical(const FilterRequirements& filter) {
  ElectricalDesign d;
  const int n = filter.isections;
  const SectionValues& zi = filter.zi;

  d.bw3db = filter.bw;
  if (filter.itorb != 2) {
    const float eripple = std::sqrt(std::pow(10.0f, filter.ripple / 10.0f) - 1.0f);
    d.bw3db = filter.bw * std::cosh((1.0f / static_cast<float>(n)) * arcosh(1.0f / eripple));
  }

  d.g = pev(n, filter.ripple, filter.itorb);
  const SectionValues& g = d.g;
  const float a = filter.z0 / zi[1];
  const float omega = filter.bw / filter.f0;

  // Keeps section `ks` and its report row.
  auto record = [&d, &zi](int ks, ModeImpedances m, int i, float element, float jzi, float factor) {
    d.zoec[ks] = m.zoe;
    d.zooc[ks] = m.zoo;
    d.rows.push_back(ElectricalRow{i, element, ks - 1, m.zoe, m.zoo, zi[ks], jzi, coupling(factor, m.zoe, m.zoo)});
  };

  // Section 1, between the source and resonator 1.
  const float t1 = (pi / 2.0f) * a * omega * zi[1] * std::sqrt(1.0f / (zi[1] * zi[2]));
  const float t2 = g[1] - (pi / 4.0f) * a * omega * (1.0f - 1.0f / (a * a));
  const float temp01 = 1.0f / std::sqrt((1.0f / zi[1]) * std::sqrt(1.0f / (zi[1] * zi[2])));
  const float j01y1 = (1.0f / zi[1]) * std::sqrt(t1 / t2);
  record(1, mode_impedances(j01y1, temp01), 0, 1.0f, zi[1] * j01y1, 2.32f);
  d.qe0 = g[1] * std::sqrt(1.0f - omega * omega / (4.0f * g[1])) / omega;

  // Section 2, between resonators 1 and 2.
  const float zi1j = zi[1] * j01y1;
  float u = zi1j * zi1j * (1.0f - 1.0f / (a * a));
  u = 2.0f * zi[1] * std::sqrt(1.0f / (zi[1] * zi[2])) + u;
  u = 0.5f * zi[1] * std::sqrt(1.0f / (zi[2] * zi[3])) * u;
  u = std::sqrt(u / (g[1] * g[2]));
  const float j12y1 = (pi / 2.0f) * omega * u / zi[1];
  const float temp12 = 1.0f / std::sqrt(std::sqrt(1.0f / (zi[1] * zi[2])) * std::sqrt(1.0f / (zi[2] * zi[3])));
  record(2, mode_impedances(j12y1, temp12), 1, g[1], zi[2] * j12y1, 2.02f);

  // Inner sections 3 ... N-1, each from its own neighbours.
  for (int k = 3; k <= n - 1; ++k) {
    float temp3 = std::sqrt(std::sqrt(1.0f / (zi[k - 1] * zi[k])) * std::sqrt(1.0f / (zi[k] * zi[k + 1])));
    const float jy1 = (pi / 2.0f) * omega * temp3 / std::sqrt(g[k - 1] * g[k]);
    temp3 = 1.0f / temp3;
    record(k, mode_impedances(jy1, temp3), k - 1, g[k - 1], zi[k] * jy1, 2.02f);
  }

  // Section N mirrors section 2 (for N = 2 it is section 2 itself).
  if (n > 2) record(n, mode_impedances(j12y1, temp12), n - 1, g[n - 1], zi[n] * j12y1, 2.02f);

  // Section N+1, between resonator N and the load, mirrors section 1.
  record(n + 1, mode_impedances(j01y1, temp01), n, g[n], zi[n + 1] * j01y1, 2.32f);

  d.qen = g[n] * g[n + 1] * std::sqrt(1.0f - omega * omega / (4.0f * g[n] * g[n + 1])) / omega;

  return d;
}

ElectricalDesign run_electrical_synthesis(DesignState& state, Report& report) {
  const FilterRequirements& filter = state.filter;
  const ElectricalDesign d = synthesise_electrical(filter);
  state.qvnzo.zoec = d.zoec;
  state.qvnzo.zooc = d.zooc;
  const int n = filter.isections;

  report.both(report_header(state.clock));
  report.both(fill(electrical_title(), {}));
  report.both(X(12) + "Coupled Line Bandpass Filter results in the following Prototype");
  report.both(X(12) + "Lowpass Element Values and Even-Mode & Odd-Mode Impedances:");
  report.both("");
  report.both(fill(flow_line(), {filter.flow, filter.torb}));
  report.both(fill(fo_line(), {filter.f0, n}));
  report.both(fill(fhigh_line_electrical(), {filter.fhigh, filter.ripple}));
  report.both(fill(bw_line(), {filter.bw, filter.z0}));
  report.both(fill(bw3db_line(), {d.bw3db}));
  report.both("");
  report.both(X(7) + "   Prototype  Coupled  Even & Odd Mode  Image   Normalized  Coupling");
  report.both(X(7) + "   Low-Pass   Section    Impedances   Impedance J Inverter   Coeff,");
  report.both(X(7) + "I  Elements   (K,K+1)    Zoe    Zoo     ZI(I)   J(K,K+1)*ZI Numeric");
  report.both(fill(rule69(), {}));
  for (const ElectricalRow& r : d.rows)
    report.both(fill(electrical_row(), {r.i, r.element, r.k, r.k + 1, r.zoe, r.zoo, r.zi, r.jzi, r.couplec}));
  report.both(fill(load_line(), {n + 1, d.g[n + 1], filter.z0}));
  report.both(fill(rule69(), {}));
  report.both(fill(external_q_line(), {d.qe0, n + 1, d.qen}));
  if (report.storing()) report.both(stored_in_line(state.control));
  return d;
}

}  // namespace quorvane
