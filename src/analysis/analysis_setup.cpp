#include "analysis/analysis_setup.hpp"

#include "analysis/analysis_layouts.hpp"

#include "analysis/sweep.hpp"
#include "dialogue/fortran_format.hpp"

namespace quorvane {

using fmt::A;
using fmt::F;
using fmt::I;
using fmt::X;

namespace {

// Speed of light used for the dialogue's wavelengths, inch MHz.
constexpr float speed = 11802.158f;

// The default rule of a value prompt: an entry greater than 0 replaces the default.
float value_or(float entry, float fallback) { return entry > 0.0f ? entry : fallback; }

// Ideal mode: every section a free-space quarter wave at the centre frequency,
// in air, without losses.
float prepare_ideal(DesignState& state) {
  const float qwave = 0.25f * speed / state.filter.f0;
  for (int k = 1; k <= kMaxSections; ++k) state.flength[k] = qwave;
  state.construction.er = 1.0f;
  return qwave;
}

void ask_range(Console& console, const Defaults& def, Qvnfreq& range) {
  console.line();
  console.line(X(6) + "Enter Frequency Range for Analysis of your Filter:");
  range.fstart = value_or(console.value(X(8) + "- Analysis Start Frequency, MHz = "), def.fstartdef);
  range.fstop = value_or(console.value(X(8) + "- Analysis Stop  Frequency, MHz = "), def.fstopdef);
  range.fstep = value_or(console.value(X(8) + "- Analysis Step  Frequency, MHz = "), def.fstepdef);
}

void ask_terminations(Console& console, float z0, Qvnzo& qvnzo) {
  console.line();
  console.line(X(6) + "Enter Filter`s Source and Load Impedances: Zs and ZL:");
  qvnzo.zs = value_or(console.value(X(8) + "- Filter`s Source Impedance: Zs, Ohms = "), z0);
  qvnzo.zl = value_or(console.value(X(8) + "- Filter`s Load   Impedance: ZL, Ohms = "), z0);
}

// The loss menus take the answer's whole part, sign kept; anything outside
// the table selects the default entry, with a warning.
float table_choice(Console& console, const char* menu, int choice, const float* table, int size,
                   int default_choice) {
  console.warn_off_menu(choice, size, menu, std::to_string(default_choice) + ", the default,");
  return (choice >= 1 && choice <= size) ? table[choice - 1] : table[default_choice - 1];
}

void ask_losses(Console& console, const Defaults& def, AnalysisEntry& entry, Aloss1& loss) {
  entry.res1 = table_choice(console, "conductor resistivity", console.truncated_choice(X(8) + "-Conductor Resistivity: RES, Micro-Ohm-cm:\n" +
                                                     X(11) + " 1 = Silver-plated: RES = 1.6.\n" +
                                                     X(11) + "*2 = Copper       : RES = 1.7 (Default).\n" +
                                                     X(11) + " 3 = Gold-plated  : RES = 2.5.\n" +
                                                     X(11) + " 4 = 6061 Aluminum: RES = 4.0.\n" +
                                                     X(11) + " 5 = Brass        : RES = 7.0.\n" +
                                                     X(11) + " 6 = Steel        : RES = 11.8.\n" +
                                                     X(9) + "Conductor Resistivity selected = "),
                            kResistivity, 6, 2);
  loss.res = entry.res1 * 0.000001f / 2.54f;

  entry.sr1 = table_choice(console, "surface roughness", console.truncated_choice(X(8) + "-RMS Surface Roughness: SR, Micro-Inches:\n" +
                                                    X(11) + " 1 = 40.0 micro-inch; 1.016 micro-meters.\n" +
                                                    X(11) + " 2 = 20.0 micro-inch; 0.508 micro-meters.\n" +
                                                    X(11) + " 3 = 10.0 micro-inch; 0.254 micro-meters.\n" +
                                                    X(11) + "*4 =  5.0 micro-inch; 0.127 micro-meters (Default).\n" +
                                                    X(11) + " 5 =  1.0 micro-inch; 0.025 micro-meters.\n" +
                                                    X(9) + "RMS Surface Roughness selected = "),
                           kRoughness, 5, 4);
  loss.sr = entry.sr1 * 0.000001f;

  // The loss tangent keeps its sign: a negative answer keeps the default.
  const float answer = console.signed_value(X(11) + "-Substrate`s Dielectric Loss Tangent: DLTAN    = ");
  loss.tlos = answer > 0.0f ? answer : def.tlosdef;
}

int ask_format(Console& console) {
  console.line();
  console.line(X(8) + "Select output data print FORMAT:");
  console.line(X(12) + "*1: Scattering Parameters: Magnitude and Phase (Default).");
  console.line(X(12) + " 2: VSWR, Input Impedance, Loss and Phase.");
  const int choice = console.choice(X(8) + "Print FORMAT selected = ");
  console.warn_off_menu(choice, 2, "print format", "1, scattering parameters,");
  return choice == 2 ? 2 : 1;
}

}  // namespace

AnalysisEntry enter_analysis(Console& console, DesignState& state) {
  AnalysisEntry entry;
  const bool ideal = state.construction.msorsl == 0;
  if (ideal) entry.qwave = prepare_ideal(state);
  ask_range(console, state.defaults, state.qvnfreq);
  ask_terminations(console, state.filter.z0, state.qvnzo);
  state.aloss1 = Aloss1{};
  if (!ideal) ask_losses(console, state.defaults, entry, state.aloss1);
  state.control.ivswr = ask_format(console);
  return entry;
}

std::vector<std::string> analysis_title_block() {
  return {fmt::fill(fmt::analysis_title(), {}),
          X(13) + "results in the following response profile:", ""};
}

std::vector<std::string> analysis_summary(const DesignState& state, const AnalysisEntry& entry) {
  const FilterRequirements& filter = state.filter;
  std::vector<std::string> lines = {
      fmt::fill(fmt::flow_line(), {filter.flow, filter.torb}),
      fmt::fill(fmt::fo_line(), {filter.f0, filter.isections}),
      fmt::fill(fmt::fhigh_line_analysis(), {filter.fhigh, filter.ripple}),
      fmt::fill(fmt::bw_line(), {filter.bw, filter.z0}),
      fmt::fill(fmt::roughness_line(), {entry.sr1, entry.res1}),
      fmt::fill(fmt::loss_tangent_line(), {state.aloss1.tlos})};
  if (state.construction.msorsl == 0)
    lines.push_back(fmt::fill(fmt::ideal_line(), {state.construction.er, entry.qwave}));
  return lines;
}

void run_analysis(Console& console, StorageFile& storage, Report& report, DesignState& state) {
  const AnalysisEntry entry = enter_analysis(console, state);
  ask_storage(StorageOccasion::kAnalysis, console, storage, state);

  std::vector<std::string> opening = report_header(state.clock);
  for (auto& l : analysis_title_block()) opening.push_back(std::move(l));
  for (auto& l : analysis_summary(state, entry)) opening.push_back(std::move(l));
  report.both_grouped(opening);
  if (state.control.ivswr == 2) report.both_grouped(analysis_title_block());

  qvna(state.construction.msorsl, state.filter.isections, state.flength, state.construction.er, state, report);
}

}  // namespace quorvane
