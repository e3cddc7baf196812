#include "session/design_warnings.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/analysis_setup.hpp"
#include "analysis/losses.hpp"
#include "dimensions/dimensional_report.hpp"
#include "synthesis/electrical_synthesis.hpp"

namespace quorvane {

namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kEstimateLimitDb = 3.0;
// No etched copper foil is thicker than this (0.005 inch, about 3.6 oz).
constexpr double kThickestFoilInch = 0.005;
constexpr int kCopper = 2, kDefaultRoughness = 4;  // the analysis menus' defaults

std::string mm(double inch) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f mm", inch * kMmPerInch);
  return text;
}

std::string ghz(double ghz) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f GHz", ghz);
  return text;
}

bool stripline(const DesignState& state) { return state.construction.msorsl == 2; }

// Width and gap of section k in inch (the stripline tables hold W/B and S/B).
double width(const DesignState& state, int k) {
  return state.qvnms.wc[k] * (stripline(state) ? state.qvnms.b : 1.0f);
}
double gap(const DesignState& state, int k) { return state.qvnms.sc[k] * (stripline(state) ? state.qvnms.b : 1.0f); }

// The section whose `size` is least (or most).
template <typename Size>
int extreme_section(const DesignState& state, Size size, bool least) {
  int best = 1;
  for (int k = 2; k <= state.filter.isections + 1; ++k) {
    if (least ? size(state, k) < size(state, best) : size(state, k) > size(state, best)) best = k;
  }
  return best;
}

}  // namespace

double passband_loss_estimate(const DesignState& state, double tand) {
  const FilterRequirements& f = state.filter;
  const float er = state.construction.er, b = state.qvnms.b, t = state.qvnms.thick;
  const LossParameters loss{kResistivity[kCopper - 1] * 0.000001f / 2.54f, kRoughness[kDefaultRoughness - 1] * 0.000001f,
                            static_cast<float>(tand)};
  double inverse_q = 0.0;
  const int sections = f.isections + 1;
  for (int k = 1; k <= sections; ++k) {
    const float zoe = state.qvnzo.zoec[k], zoo = state.qvnzo.zooc[k];
    const ModeAttenuation a =
        stripline(state) ? sl1los(b, er, f.f0, loss, static_cast<float>(gap(state, k)), t, zoe, zoo)
                         : ms1los(er, f.f0 * 0.001f, b, 100.0f * b, loss, state.qvnms.sc[k], t, state.qvnms.wc[k], zoe, zoo);
    // Q = beta / (2 alpha): pi 8.686 / (wavelength alpha) with alpha in dB per inch.
    const double alpha = 0.5 * (static_cast<double>(a.ate) + a.ato);
    const double wavelength = 4.0 * state.flength[k];
    inverse_q += alpha * wavelength / (M_PI * kDbPerNeper) / sections;
  }
  const ElectricalDesign design = synthesise_electrical(f);
  double g = 0.0;
  for (int k = 1; k <= f.isections; ++k) g += design.g[k];
  return 4.343 * g * inverse_q / f.omega;
}

std::vector<std::string> dimension_warnings(const DesignState& state, double board_minimum, double tand) {
  std::vector<std::string> w;
  const FilterRequirements& f = state.filter;
  const double h = state.qvnms.b;
  const std::string height = std::string(stripline(state) ? "B" : "H") + " = " + mm(h);
  const double wavelength = speed / (f.f0 * std::sqrt(static_cast<double>(state.construction.er)));
  const int widest = extreme_section(state, width, false);
  if (width(state, widest) > wavelength)
    w.push_back("section " + std::to_string(widest) + "'s strip is " + mm(width(state, widest)) +
                " wide, more than a wavelength in the substrate at Fo (" + mm(wavelength) + "); is " + height +
                " in the unit the prompt asks (inches)?");
  if (state.qvnms.thick > kThickestFoilInch)
    w.push_back("a strip thickness of " + mm(state.qvnms.thick) + " is thicker than any etched foil; is T in inches?");
  if (state.mode_limit * 1000.0 < f.f0)
    w.push_back("higher-order modes may start at " + ghz(state.mode_limit) + ", below Fo = " + ghz(f.f0 * 0.001) +
                "; is " + height + " meant?");
  const int narrowest = extreme_section(state, width, true), closest = extreme_section(state, gap, true);
  if (width(state, narrowest) < board_minimum)
    w.push_back("section " + std::to_string(narrowest) + "'s strip width, " + mm(width(state, narrowest)) +
                ", is below the " + mm(board_minimum) + " a board house etches.");
  if (gap(state, closest) < board_minimum)
    w.push_back("section " + std::to_string(closest) + "'s gap, " + mm(gap(state, closest)) + ", is below the " +
                mm(board_minimum) + " a board house etches.");
  const double estimate = passband_loss_estimate(state, tand);
  if (estimate > kEstimateLimitDb) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "the passband loss will be about %.1f dB (Cohn's estimate 4.343 sum(g) / (FBW Qu) from the "
                  "resonators' unloaded Q, copper and loss tangent %g).",
                  estimate, tand);
    w.push_back(text);
  }
  return w;
}

std::vector<std::string> sweep_warnings(const DesignState& state) {
  if (state.construction.msorsl == 0 || state.mode_limit * 1000.0 >= state.qvnfreq.fstop) return {};
  return {"the analysis runs to " + ghz(state.qvnfreq.fstop * 0.001) + ", above " + ghz(state.mode_limit) +
          " where higher-order modes may start; the line models do not hold there."};
}

}  // namespace quorvane
