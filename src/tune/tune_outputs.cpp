#include "tune/tune_outputs.hpp"

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "platform/output_file.hpp"
#include "plot/svg_plot.hpp"
#include "stored/filter_layout.hpp"
#include "view/gerber_set.hpp"
#include "view/kicad_footprint.hpp"
#include "view/layout_writers.hpp"

namespace quorvane::tune {

namespace {

constexpr std::size_t kPlottedSteps = 8;
constexpr int kPlotPoints = 401;

std::string fmt(const char* f, double v) {
  if (!std::isfinite(v)) return "n/a";
  char buf[64];
  std::snprintf(buf, sizeof buf, f, v);
  return buf;
}

std::string row(const char* name, const char* unit, double target, double before, double after, int decimals) {
  char f[16];
  std::snprintf(f, sizeof f, "%%.%df", decimals);
  char line[160];
  std::snprintf(line, sizeof line, "  %-14s %-4s %12s %12s %12s %12s\n", name, unit, fmt(f, target).c_str(),
                fmt(f, before).c_str(), fmt(f, after).c_str(), fmt(f, after - target).c_str());
  return line;
}

std::vector<std::pair<float, std::string>> target_markers(const Targets& t) {
  return {{static_cast<float>(t.lower), "-3 dB target"},
          {static_cast<float>(t.upper), "-3 dB target"},
          {static_cast<float>(t.flow), "Flow"},
          {static_cast<float>(t.fhigh), "Fhigh"}};
}

// The j-th of n blues, light to dark.
std::string shade_of(std::size_t j, std::size_t n) {
  const int shade = 200 - static_cast<int>(140 * (j + 1) / n);
  char colour[16];
  std::snprintf(colour, sizeof colour, "#%02x%02xff", shade, shade);
  return colour;
}

// The plot's title, axes and the targets' markers.
plot::PlotSpec plot_frame(const TuneRun& run, const std::string& subtitle) {
  plot::PlotSpec p;
  p.title = "quorvane-tune: " + run.source;
  p.subtitle = subtitle;
  p.x_label = "Frequency (MHz)";
  p.left_label = "dB";
  p.left_floor = -40;
  p.markers = target_markers(run.targets);
  return p;
}

plot::Series sweep_series(const Sweep& s, const std::string& name, const std::string& colour, bool s11) {
  plot::Series out{name, colour, false, {}, {}};
  for (std::size_t i = 0; i < s.f.size(); ++i) {
    out.x.push_back(static_cast<float>(s.f[i]));
    out.y.push_back(static_cast<float>(db(s11 ? s.s11[i] : s.s21[i])));
  }
  return out;
}

plot::PlotSpec steps_plot(const TuneRun& run) {
  double lo = 0, hi = 0;
  search_band(run.targets, lo, hi);
  std::vector<double> f;
  for (int i = 0; i < kPlotPoints; ++i) f.push_back(lo + (hi - lo) * i / (kPlotPoints - 1));
  plot::PlotSpec p =
      plot_frame(run, "S21 of the printed copper, of the solver's steps and of the tuned copper (circuit model, lossless)");
  auto series = [&](const Copper& c, const std::string& name, const std::string& colour, bool s11) {
    CircuitModel m = run.model;
    m.copper = c;
    return sweep_series(respond(m, f), name, colour, s11);
  };
  p.series.push_back(series(run.result.printed, "S21 printed", "#999999", false));
  const std::vector<Copper>& steps = run.result.steps;
  const std::size_t shown = std::min(steps.size(), kPlottedSteps);
  for (std::size_t j = 0; j < shown; ++j) {
    const std::size_t k = shown == steps.size() ? j : j * (steps.size() - 1) / (shown - 1);
    p.series.push_back(series(steps[k], "S21 step " + std::to_string(k + 1), shade_of(j, shown), false));
  }
  p.series.push_back(series(run.result.tuned, "S21 tuned", "#c0392b", false));
  p.series.push_back(series(run.result.tuned, "S11 tuned", "#e67e22", true));
  return p;
}

// A row's name: "iteration k" on the loop's mesh; on the final mesh
// "final", and "final 2" for the copper scaled from its fit.
std::string run_name(const SpaceMapResult& sm, std::size_t k) {
  if (!sm.iterations[k].final) return "iteration " + std::to_string(k + 1);
  return k > 0 && sm.iterations[k - 1].final ? "final 2" : "final";
}

// Each full-wave iteration's S21, the reported final run's S21 and S11.
plot::PlotSpec iterations_plot(const TuneRun& run) {
  const SpaceMapResult& sm = *run.space_map;
  plot::PlotSpec p =
      plot_frame(run, "full-wave S21 (openEMS, lossless copper) of each space-mapping iteration and of the final run");
  const std::size_t shown = sm.iterations.size() - 1;
  for (std::size_t j = 0, n = 0; j < sm.iterations.size(); ++j) {
    if (j == sm.reported) continue;
    p.series.push_back(sweep_series(sm.iterations[j].run.sweep,
                                    "S21 " + run_name(sm, j) + (j == 0 ? " (printed)" : ""), shade_of(n++, shown),
                                    false));
  }
  const Sweep& reported = sm.iterations[sm.reported].run.sweep;
  p.series.push_back(sweep_series(reported, "S21 " + run_name(sm, sm.reported), "#c0392b", false));
  p.series.push_back(sweep_series(reported, "S11 " + run_name(sm, sm.reported), "#e67e22", true));
  return p;
}

// Per iteration its full-wave figures, distance from the targets and run,
// and the corrections fitted at its copper.
std::string iteration_table(const SpaceMapResult& sm) {
  std::string s =
      "\n  Space mapping      centre  lower -3dB  upper -3dB   -3dB BW  ret. loss  distance      cells  timesteps  "
      "seconds\n                        MHz         MHz         MHz       MHz         dB  (tolerances)\n";
  for (std::size_t k = 0; k < sm.iterations.size(); ++k) {
    const SpaceMapIteration& it = sm.iterations[k];
    const Figures& f = it.figures;
    const std::string name = run_name(sm, k);
    char line[256];
    std::snprintf(line, sizeof line, "  %-12s %-6s %9s %11s %11s %9s %10s %9s %10zu %10lld %8s%s\n", name.c_str(),
                  it.run.mesh.c_str(), fmt("%.2f", f.centre).c_str(), fmt("%.2f", f.lower).c_str(),
                  fmt("%.2f", f.upper).c_str(), fmt("%.2f", f.bandwidth).c_str(), fmt("%.2f", f.return_loss).c_str(),
                  fmt("%.2f", it.distance).c_str(), it.run.cells, it.run.timesteps, fmt("%.1f", it.run.seconds).c_str(),
                  it.final || it.accepted ? "" : "  refused");
    s += line;
  }
  if (sm.iterations.size() > 1 && sm.iterations.back().final) {
    s += "  the final run solved the copper of iteration " + std::to_string(sm.best + 1) +
         " (the nearest the targets on the loop's mesh; refused: farther from them than an earlier copper, the "
         "next step taken from that with half the reach)\n";
    if (sm.iterations[sm.iterations.size() - 2].final)
      s += "  final 2: every length scaled so that the circuit corrected to the final run centres on Fo; reported: " +
           run_name(sm, sm.reported) + " (the nearer the targets)\n";
  }
  // Each copper solved, so that a run (a refused one above all) can be
  // drawn and solved again by itself.
  s += "  copper solved (per section: W/S/L mm, L as drawn)\n";
  for (std::size_t k = 0; k < sm.iterations.size(); ++k) {
    if (sm.iterations[k].final && run_name(sm, k) == "final") continue;  // the best iteration's copper again
    s += "  copper of " + run_name(sm, k) + ":";
    for (const SectionCopper& c : sm.iterations[k].copper.sections) {
      s += ' ';
      s += fmt("%.4f", c.w);
      s += '/';
      s += fmt("%.4f", c.s);
      s += '/';
      s += fmt("%.4f", c.length);
    }
    s += "\n";
  }
  s += "  corrections fitted (per section: added length mm, factor on the coupling (Zoe-Zoo)/(Zoe+Zoo); the loss "
       "tangent added for what the full-wave solution loses, radiation above all)\n";
  for (std::size_t k = 0; k < sm.iterations.size(); ++k) {
    if (sm.iterations[k].mapping.empty()) continue;
    s += "  " + run_name(sm, k) + ":";
    for (const SectionMapping& m : sm.iterations[k].mapping) {
      s += ' ';
      s += fmt("%+.4f", m.length);
      s += '/';
      s += fmt("%.4f", m.coupling);
    }
    s += "; loss tangent " + fmt("%.4f", sm.iterations[k].mapped_loss) + "\n";
  }
  return s;
}

}  // namespace

stored::DimensionTable tuned_table(const stored::DimensionTable& printed, const Copper& tuned) {
  stored::DimensionTable t = printed;
  t.total_in = 0.0f;
  for (std::size_t k = 0; k < t.rows.size() && k < tuned.sections.size(); ++k) {
    stored::DimensionRow& r = t.rows[k];
    const SectionCopper& c = tuned.sections[k];
    r.w_mm = static_cast<float>(c.w);
    r.w_in = static_cast<float>(c.w / kMmPerInch);
    r.s_mm = static_cast<float>(c.s);
    r.s_in = static_cast<float>(c.s / kMmPerInch);
    r.length_in = static_cast<float>(c.length / kMmPerInch);
    t.total_in += r.length_in;
  }
  return t;
}

void take_space_map(TuneRun& run, const Copper& printed, SpaceMapResult sm) {
  run.result = sm.circuit;
  run.result.printed = printed;
  run.result.tuned = sm.iterations[sm.reported].copper;
  run.result.before = sm.iterations.front().figures;
  run.result.after = sm.iterations[sm.reported].figures;
  run.result.met = sm.met;
  run.result.widths_used = false;
  for (std::size_t k = 0; k < printed.sections.size() && k < run.result.tuned.sections.size(); ++k)
    run.result.widths_used = run.result.widths_used || printed.sections[k].w != run.result.tuned.sections[k].w;
  run.space_map = std::move(sm);
}

std::string summary_text(const TuneRun& run) {
  const stored::StoredDesign& d = *run.design;
  const TuneResult& r = run.result;
  const Targets& t = run.targets;
  std::string s = "quorvane-tune: " + run.source + ", analysis report " + std::to_string(d.analysis_position) +
                  ", microstrip design of dimensional report " + std::to_string(d.dimensions.position) + "\n";
  s += "  model: drawn-copper four-port, sections from their 2-D field solution, open ends, feed-line steps; "
       "lossless\n";
  if (run.space_map)
    s += "  tuned against: the full-wave solution (openEMS, lossless copper, open board), the circuit model mapped "
         "onto it section by section (space mapping); figures below are full-wave: printed on the "
         "iterations' mesh, tuned on the final run's\n";
  s += "  substrate Er " + fmt("%.4f", run.model.substrate.er) + ", H " + fmt("%.4f", run.model.substrate.h) +
       " mm, T " + fmt("%.4f", run.model.substrate.t) + " mm; etch bias " + fmt("%.1f", run.model.bias * 1000) +
       " um per edge\n";
  s += "  variables: length and gap of each section" +
       std::string(symmetric(r.printed) ? " (mirrored sections together)" : "") +
       (r.widths_used ? ", widths of the end sections" : "") + "; each within " +
       fmt("%.0f", run.options.share * 100) + " % of its printed value, gaps >= " + fmt("%.3f", run.options.min_gap) +
       " mm, widths >= " + fmt("%.3f", run.options.min_width) + " mm\n";
  if (run.fit) {
    const FitResult& f = *run.fit;
    s += "  fitted to " + run.measured_name + " (" + std::to_string(f.points) + " frequencies, rms " +
         fmt("%.4f", f.rms) + "), 95 % intervals: Er " + fmt("%.4f", f.er) + " +/- " + fmt("%.4f", f.er_ci) +
         ", etch bias " + fmt("%.1f", f.bias * 1000) + " +/- " + fmt("%.1f", f.bias_ci * 1000) + " um per edge";
    s += f.fit_h ? ", H " + fmt("%.4f", f.h) + " +/- " + fmt("%.4f", f.h_ci) + " mm\n" : ", H as stored\n";
  }
  s += "\n                          target      printed        tuned  tuned-target\n";
  s += row("centre", "MHz", t.f0, r.before.centre, r.after.centre, 2);
  s += row("lower -3 dB", "MHz", t.lower, r.before.lower, r.after.lower, 2);
  s += row("upper -3 dB", "MHz", t.upper, r.before.upper, r.after.upper, 2);
  s += row("-3 dB width", "MHz", t.bw3, r.before.bandwidth, r.after.bandwidth, 2);
  s += row("return loss", "dB", t.return_loss, r.before.return_loss, r.after.return_loss, 2);
  s += "  targets (" + (run.space_map ? kFullWaveTolerances : Tolerances{}).text() + ") " +
       std::string(r.met ? "met" : "NOT met") + "; " + std::to_string(r.steps.size()) + " solver steps, " +
       std::to_string(r.evaluations) + " responses, " + std::to_string(r.passes) + " passes" +
       (run.space_map ? " (the last circuit tuning)" : "") + "\n";
  if (run.space_map) s += iteration_table(*run.space_map);
  s += "\n";
  s += "  Section  W printed   W tuned  S printed   S tuned  L printed   L tuned   (mm, L as drawn)\n";
  for (std::size_t k = 0; k < r.printed.sections.size(); ++k) {
    const SectionCopper &a = r.printed.sections[k], &b = r.tuned.sections[k];
    char line[160];
    std::snprintf(line, sizeof line, "  %7zu %10.4f %9.4f %10.4f %9.4f %10.4f %9.4f\n", k + 1, a.w, b.w, a.s, b.s,
                  a.length, b.length);
    s += line;
  }
  return s;
}

bool write_outputs(const TuneRun& run, const std::filesystem::path& folder, std::ostream& out, std::ostream& log) {
  const stored::StoredDesign& d = *run.design;
  const std::string text = summary_text(run);
  out << text;
  const std::string stem = std::filesystem::path(run.source).stem().string();
  const std::string base = stem + "-" + std::to_string(d.analysis_position);
  const auto& printed = std::get<stored::DimensionTable>(d.dimensions.table);
  const stored::DimensionTable table = tuned_table(printed, run.result.tuned);
  stored::FilterLayout layout;
  try {
    layout = stored::build_layout(table, d.dimensions.summary.poles);
  } catch (const std::invalid_argument& e) {
    log << "quorvane-tune: " << run.source << ": the tuned copper cannot be drawn: " << e.what() << '\n';
    return false;
  }
  const std::string title = "quorvane-tune: " + run.source + ", tuned copper";
  std::vector<std::pair<std::string, std::string>> files = {
      {base + "-tune.txt", text},
      {base + "-tune.svg", plot::render_plot(run.space_map ? iterations_plot(run) : steps_plot(run))},
      {base + "-tuned-layout.svg", view::layout_svg(layout, table, title)},
      {base + "-tuned.dxf", view::layout_dxf(layout, title)},
      {base + "-tuned.kicad_mod", view::kicad_footprint(layout, base + "-tuned", d.dimensions.summary, table)}};
  for (const view::SetFile& f : view::gerber_set(layout, view::board_spec(table), base + "-tuned", title))
    files.push_back({f.name, f.text});
  for (const auto& [name, body] : files)
    if (!platform::write_logged(folder / name, body, "quorvane-tune", log)) return false;
  return true;
}

}  // namespace quorvane::tune
