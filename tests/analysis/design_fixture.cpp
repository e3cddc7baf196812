#include "analysis/design_fixture.hpp"

#include <cmath>

#include "lines/coupled_synthesis.hpp"
#include "lines/stripline.hpp"
#include "synthesis/electrical_synthesis.hpp"

namespace quorvane::testing {

namespace {
constexpr float speed = 11802.158f;  // inch MHz
}

DesignState chebyshev_design(int n, float f0, float bw, float ripple, float z0) {
  DesignState state;
  FilterRequirements& filter = state.filter;
  filter.f0 = f0;
  filter.bw = bw;
  filter.omega = bw / f0;
  filter.flow = f0 - 0.5f * bw;
  filter.fhigh = f0 + 0.5f * bw;
  filter.itorb = 1;
  filter.torb = "Tchebyscheff        ";
  filter.ripple = ripple;
  filter.isections = n;
  filter.z0 = z0;
  filter.z0_entered = z0;
  for (int k = 1; k <= n + 1; ++k) filter.zi[k] = 50.0f;
  const ElectricalDesign d = synthesise_electrical(filter);
  state.qvnzo.zoec = d.zoec;
  state.qvnzo.zooc = d.zooc;
  return state;
}

DesignState electrical_design(float f0, float bw, int n) {
  DesignState state = chebyshev_design(n, f0, bw, 0.1f, 50.0f);
  state.qvnzo.zs = 50.0f;
  state.qvnzo.zl = 50.0f;
  state.control.ivswr = 1;
  return state;
}

void build_microstrip(DesignState& state, float h, float er, float t) {
  const float f0 = state.filter.f0;
  for (int k = 1; k <= state.filter.isections + 1; ++k) {
    const float zoe = state.qvnzo.zoec[k];
    const float zoo = state.qvnzo.zooc[k];
    const MswsResult r = msws(er, f0 * 0.001f, h, 100.0f * h, t, zoe, zoo);
    state.qvnms.wc[k] = r.w;
    state.qvnms.sc[k] = r.s;
    const float effef = r.lceff1.effef;
    const float effof = r.lceff1.effof;
    const float weighted = (zoe * std::sqrt(effef) + zoo * std::sqrt(effof)) / (zoe + zoo);
    const float effcf = weighted * weighted;
    state.flength[k] = (0.25f * speed) / (std::sqrt(effcf) * f0);
    state.qvna1.freqoe[k] = f0 * std::sqrt(effef);
    state.qvna1.freqoo[k] = f0 * std::sqrt(effof);
  }
  state.qvnms.b = h;
  state.qvnms.thick = t;
  state.construction.er = er;
  state.construction.msorsl = 1;
}

void build_stripline(DesignState& state, float b, float er, float t) {
  const SlwsResult r = slws(state.filter.isections, t / b, er, state.qvnzo.zoec, state.qvnzo.zooc);
  const float length = 0.25f * speed / (std::sqrt(er) * state.filter.f0);
  for (int k = 1; k <= state.filter.isections + 1; ++k) {
    state.qvnms.wc[k] = r.w[k];
    state.qvnms.sc[k] = r.s[k];
    state.flength[k] = length;
  }
  state.qvnms.b = b;
  state.qvnms.thick = t;
  state.construction.er = er;
  state.construction.msorsl = 2;
}

void set_copper_losses(DesignState& state, float tlos) {
  state.aloss1.res = 1.7f * 0.000001f / 2.54f;
  state.aloss1.sr = 5.0f * 0.000001f;
  state.aloss1.tlos = tlos;
}

}  // namespace quorvane::testing
