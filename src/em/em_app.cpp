#include "em/em_app.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <limits>
#include <optional>
#include <sstream>

#include "em/em_figures.hpp"
#include "em/em_simulation.hpp"
#include "em/housing.hpp"
#include "dialogue/version.hpp"
#include "platform/command_line.hpp"
#include "platform/input_file.hpp"
#include "platform/interrupt.hpp"
#include "platform/output_file.hpp"
#include "plot/svg_plot.hpp"
#include "stored/stored_design.hpp"

namespace quorvane::em {

namespace {

constexpr double kBalanceFloor = 0.97;
constexpr double kAccountedShare = 0.5;  // of a loss: measured radiation and surface waves explain it
constexpr int kFluxFrequencies = 9;      // across the band, for an open board's flux box

double db(std::complex<double> s) { return 20 * std::log10(std::max(std::abs(s), 1e-30)); }

std::string fixed(double v, int decimals) {
  if (!std::isfinite(v)) return "n/a";
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

struct Row {
  std::string name;
  Figures g;
  std::string extra;
};

std::string figure_table(const std::vector<Row>& rows) {
  std::string t = "                          centre    lower -3dB  upper -3dB  -3dB BW   worst S11  least S21\n"
                  "                          MHz       MHz         MHz         MHz       dB         dB\n";
  for (const Row& r : rows) {
    char line[256];
    std::snprintf(line, sizeof line, "  %-22s %-9s %-11s %-11s %-9s %-10s %-10s", r.name.c_str(),
                  fixed(r.g.centre, 1).c_str(), fixed(r.g.lower, 1).c_str(), fixed(r.g.upper, 1).c_str(),
                  fixed(r.g.bandwidth, 1).c_str(), fixed(r.g.worst_s11, 2).c_str(), fixed(r.g.least_s21, 3).c_str());
    t += std::string(line) + r.extra + "\n";
  }
  return t;
}

Figures of(const std::vector<double>& f, const Solution& s, double flow, double fhigh) {
  std::vector<double> s21, s11;
  for (std::size_t i = 0; i < f.size(); ++i) {
    s21.push_back(db(s.s21[i]));
    s11.push_back(db(s.s11[i]));
  }
  return figures(f, s21, s11, flow, fhigh);
}

// |S11|^2 + |S21|^2 at the sweep's frequency nearest f_hz.
double balance_at(const std::vector<double>& f_mhz, const Solution& s, double f_hz) {
  const auto i = static_cast<std::size_t>(
      std::min_element(f_mhz.begin(), f_mhz.end(),
                       [&](double a, double b) { return std::fabs(a - f_hz * 1e-6) < std::fabs(b - f_hz * 1e-6); }) -
      f_mhz.begin());
  return std::norm(s.s11[i]) + std::norm(s.s21[i]);
}

// The radiated and surface-wave shares of the incident power measured on
// the flux box, a fixed-column table.
std::string flux_table(const std::vector<double>& f, const Solution& s) {
  if (s.shares.empty()) return "";
  std::string t = "  radiated share of the incident power (" + std::string(level_name(s.level)) +
                  " mesh, Poynting flux through a box around the board)\n"
                  "  frequency   radiated  surface waves  |S11|^2+|S21|^2\n"
                  "  MHz\n";
  for (std::size_t k = 0; k < s.shares.size(); ++k) {
    char line[160];
    std::snprintf(line, sizeof line, "  %-11s %-9s %-14s %s\n", fixed(s.dump_freq[k] * 1e-6, 1).c_str(),
                  fixed(s.shares[k].radiated, 3).c_str(), fixed(s.shares[k].surface, 3).c_str(),
                  fixed(balance_at(f, s, s.dump_freq[k]), 3).c_str());
    t += line;
  }
  return t;
}

// Power balance |S11|^2 + |S21|^2 of a lossless run, its least value across
// the sweep and where, and what lost the rest.
std::string balance_text(const std::vector<double>& f, const Solution& s, double end_db, const Model& m) {
  double least = 2, at = 0;
  for (std::size_t i = 0; i < f.size(); ++i) {
    const double p = std::norm(s.s11[i]) + std::norm(s.s21[i]);
    if (p < least) {
      least = p;
      at = f[i];
    }
  }
  std::string t = "  power balance |S11|^2 + |S21|^2 (lossless model): least " + fixed(least, 3) + " at " +
                  fixed(at, 1) + " MHz\n";
  if (least >= kBalanceFloor) return t;
  if (!s.shares.empty()) {
    // The flux box's frequency of the largest loss: what radiation and
    // surface waves account for.
    std::size_t w = 0;
    for (std::size_t k = 1; k < s.shares.size(); ++k)
      if (balance_at(f, s, s.dump_freq[k]) < balance_at(f, s, s.dump_freq[w])) w = k;
    const double loss = 1 - balance_at(f, s, s.dump_freq[w]);
    const double measured = s.shares[w].radiated + s.shares[w].surface;
    t += "  below " + fixed(kBalanceFloor, 2) + ": at " + fixed(s.dump_freq[w] * 1e-6, 1) + " MHz of the loss " +
         fixed(loss, 3) + ", " + fixed(s.shares[w].radiated, 3) + " is radiated and " +
         fixed(s.shares[w].surface, 3) + " leaves as surface waves (measured on a box around the board)";
    if (measured >= kAccountedShare * loss) return t + "\n";
    return t + "; the rest, " + fixed(loss - measured, 3) + ", is unaccounted: energy " +
           (s.end_db > end_db + 1 ? "still ringing when the run ended (its energy fell to " + fixed(s.end_db, 1) +
                                        " dB only); run again with a larger --end"
                                  : "left in the run (it fell to " + fixed(s.end_db, 1) + " dB)") +
           "\n";
  }
  if (s.end_db > end_db + 1)
    return t + "  below " + fixed(kBalanceFloor, 2) + ": energy still ringing when the run ended (its energy fell to " +
           fixed(s.end_db, 1) + " dB only); run again with a larger --end or more time steps\n";
  return t + "  below " + fixed(kBalanceFloor, 2) + ": not energy left ringing (the run's energy fell to " +
         fixed(s.end_db, 1) + " dB); the rest leaves " +
         (m.covered     ? "the housing through its open ends"
          : m.stripline ? "between the ground planes at the open sides (parallel-plate waves)"
                        : "the open board") +
         "\n";
}

plot::PlotSpec em_plot(const stored::StoredDesign& d, const std::vector<double>& f, const Solution& s,
                       const stored::Response& four, const std::string& title) {
  plot::PlotSpec p;
  p.title = title;
  p.subtitle = "full-wave (openEMS, " + std::string(level_name(s.level)) + " mesh), drawn-copper four-port, stored analysis";
  p.x_label = "Frequency (MHz)";
  p.left_label = "dB";
  p.left_floor = -60;
  plot::Series fw21{"S21 full-wave", "#c0392b", false, {}, {}}, fw11{"S11 full-wave", "#e67e22", false, {}, {}};
  plot::Series fp21{"S21 four-port", "#2471a3", false, {}, {}}, st21{"S21 stored analysis", "#555555", false, {}, {}};
  for (std::size_t i = 0; i < f.size(); ++i) {
    fw21.x.push_back(static_cast<float>(f[i]));
    fw21.y.push_back(static_cast<float>(db(s.s21[i])));
    fw11.x.push_back(static_cast<float>(f[i]));
    fw11.y.push_back(static_cast<float>(db(s.s11[i])));
    fp21.x.push_back(static_cast<float>(f[i]));
    fp21.y.push_back(four.s21db[i]);
  }
  for (const stored::AnalysisRow& r : d.analysis.rows) {
    st21.x.push_back(r.freq);
    st21.y.push_back(r.s21db);
  }
  p.series = {st21, fp21, fw11, fw21};
  p.markers = {{d.summary.flow, "Flow"}, {d.summary.fhigh, "Fhigh"}};
  return p;
}

// The same curves from Flow - BW/2 to Fhigh + BW/2, the dB axis spanning
// the in-band values with a tenth of their range about them.
plot::PlotSpec passband_detail(const plot::PlotSpec& whole, const stored::DesignSummary& d) {
  plot::PlotSpec p = whole;
  p.title = "Passband detail";
  const float lo_f = d.flow - d.bw / 2, hi_f = d.fhigh + d.bw / 2;
  float lo = std::numeric_limits<float>::infinity(), hi = -lo;
  std::erase_if(p.series, [](const plot::Series& s) { return s.name.rfind("S21", 0) != 0; });  // transmission only
  for (plot::Series& s : p.series) {
    plot::Series kept{s.name, s.colour, s.right_axis, {}, {}};
    for (std::size_t i = 0; i < s.x.size(); ++i) {
      if (s.x[i] < lo_f || s.x[i] > hi_f) continue;
      kept.x.push_back(s.x[i]);
      kept.y.push_back(s.y[i]);
      if (s.x[i] >= d.flow && s.x[i] <= d.fhigh && std::isfinite(s.y[i])) {
        lo = std::min(lo, s.y[i]);
        hi = std::max(hi, s.y[i]);
      }
    }
    s = std::move(kept);
  }
  if (lo <= hi) {
    const float pad = std::max((hi - lo) / 10.0f, 0.01f);
    p.left_floor = lo - pad;
    p.left_ceiling = hi + pad;
  }
  return p;
}

std::string touchstone_text(const std::vector<double>& f, const Solution& s, double zref, const std::string& source) {
  std::string t = "! quorvane-em full-wave S-parameters (openEMS, " + std::string(level_name(s.level)) + " mesh) of " +
                  source + "\n! S22 = S11 and S12 = S21: the copper is reciprocal and point-symmetric\n# MHz S MA R " +
                  fixed(zref, 2) + "\n";
  for (std::size_t i = 0; i < f.size(); ++i) {
    char line[320];
    auto ma = [](std::complex<double> c, char* out, std::size_t n) {
      std::snprintf(out, n, " %.6f %.3f", std::abs(c), std::arg(c) * 180 / 3.14159265358979323846);
    };
    char a[64], b[64];
    ma(s.s11[i], a, sizeof a);
    ma(s.s21[i], b, sizeof b);
    std::snprintf(line, sizeof line, "%.4f%s%s%s%s\n", f[i], a, b, b, a);
    t += line;
  }
  return t;
}

}  // namespace

namespace {

// The options of quorvane-em; their values go into `opt`.
platform::CommandLine command_line(EmOptions& opt) {
  platform::CommandLine line{"quorvane-em", "FILE", "quorvane-em of " + std::string(kProgramTitle), {}};
  line.options.push_back(platform::output_folder_option([&opt](const std::string& v) { opt.folder = v; }));
  const auto valued = [&line](const char* name, const char* argument, const char* what,
                              std::function<bool(const std::string&)> read) {
    platform::add_valued_option(line, name, argument, what, std::move(read));
  };
  const auto whole = platform::whole_number;
  const auto flag = [&line](const char* name, const char* what, bool& into) {
    line.options.push_back({"", name, "", what, [&into](const std::string&) { return into = true, std::string(); }});
  };
  valued("--mesh", "coarse|normal|fine", "the finer of the two levels solved (default: normal; coarse solves one)",
         [&opt](const std::string& v) { return parse_level(v, opt.level); });
  valued("--end", "DB", "energy level in dB at which each run ends (default: -50)",
         [&opt](const std::string& v) { return platform::read_number(v, -120, -10, opt.end_db); });
  flag("--lossless", "leave the conductor and dielectric losses out", opt.model.lossless);
  flag("--as-printed", "the printed lengths, not shortened for the open ends as the layout draws them",
       opt.model.as_printed);
  valued("--cover", "MM", "a metal lid MM above the substrate and metal walls at the board's edges",
         [&opt](const std::string& v) { return platform::read_number(v, 0.01, 1000, opt.model.cover_mm); });
  flag("--keep", "keep the simulation folders (openEMS input and probe files)", opt.keep);
  valued("--report", "N", "the analysis report at position N (default: the last one after a dimensional report)",
         whole(1, 1e9, opt.report));
  valued("--points", "N", "frequencies of the full-wave answer (default: 401)", whole(11, 10001, opt.points));
  valued("--threads", "N", "openEMS threads (default: 2)", whole(1, 64, opt.threads));
  valued("--openems", "PATH", "the openEMS executable (default: openEMS on the PATH)", [&opt](const std::string& v) {
    opt.openems = v;
    return !v.empty();
  });
  return line;
}

}  // namespace

std::string em_usage() {
  EmOptions unused;
  const platform::CommandLine line = command_line(unused);
  return "Usage: " + platform::usage_line(line) +
         "\n\nThe stored design's drawn copper solved full-wave with openEMS at two mesh\n"
         "levels, beside the drawn-copper four-port and the stored analysis.\n\n" +
         platform::options_help(line) +
         "\nExit status 0 the files are written, 1 with one line on the error stream: input\n"
         "that cannot be solved, openEMS missing or failing, a file, the console or the log\n"
         "that cannot be written; 128 + the signal when stopped (Ctrl-C: 130), with the\n"
         "simulation folder removed and no file written.\n";
}

bool parse_em_options(const std::vector<std::string>& args, EmOptions& opt, std::string& error) {
  return platform::read_options(command_line(opt), args, opt, error);
}

int run_em_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& log) {
  EmOptions opt;
  const platform::CommandLine line = command_line(opt);
  std::string file;
  if (const std::optional<int> answered = platform::answer_command_line(line, args, em_usage, out, log, file))
    return *answered;
  opt.file = file;
  return run_em(opt, out, log);
}

int run_em(const EmOptions& opt, std::ostream& out, std::ostream& log) {
  // Ctrl-C stops openEMS, removes the simulation folder and writes nothing.
  const platform::InterruptScope interruptible;
  auto fail = [&](const std::string& why) {
    log << "quorvane-em: " << opt.file.string() << ": " << why << '\n';
    const int sig = platform::interrupt_signal();
    return sig != 0 ? 128 + sig : 1;
  };
  std::ifstream in;
  if (const std::string why = platform::open_input(in, opt.file); !why.empty()) return fail("cannot be opened: " + why);
  const stored::ParsedStorage storage = stored::read_storage(opt.file, in);
  if (in.bad()) return fail("the file cannot be read to its end");
  stored::StoredDesign design;
  std::string error;
  if (!stored::find_stored_design(storage, opt.report, design, error)) return fail(error);
  Model model;
  if (!build_model(design, opt.model, model, error)) return fail(error);
  SolveOptions so;
  so.exe = find_executable(opt.openems);
  if (so.exe.empty())
    return fail(openems_missing(opt.openems));
  so.threads = opt.threads;
  so.keep = opt.keep;
  so.run.end_db = opt.end_db;

  std::vector<double> f_mhz, f_hz;
  std::vector<float> f_float;
  for (int i = 0; i < opt.points; ++i) {
    const double f = model.f_lo + (model.f_hi - model.f_lo) * i / (opt.points - 1);
    f_hz.push_back(f);
    f_mhz.push_back(f * 1e-6);
    f_float.push_back(static_cast<float>(f * 1e-6));
  }
  std::vector<Solution> levels;
  const int finest = static_cast<int>(opt.level);
  for (int l = std::max(0, finest - 1); l <= finest; ++l) {
    Solution s;
    so.run.dump_freqs.clear();
    // The finest level's flux box around an open microstrip board, at
    // frequencies of the sweep.
    if (l == finest && !model.covered && !model.stripline)
      for (int k = 0; k < kFluxFrequencies; ++k)
        so.run.dump_freqs.push_back(f_hz[static_cast<std::size_t>(k * (opt.points - 1) / (kFluxFrequencies - 1))]);
    if (!solve(model, static_cast<MeshLevel>(l), f_hz, so, log, s, error)) return fail(error);
    if (!s.kept.empty()) log << "  simulation folder kept: " << s.kept << '\n';
    levels.push_back(std::move(s));
  }
  const double flow = design.summary.flow, fhigh = design.summary.fhigh;
  std::vector<Row> rows;
  for (const Solution& s : levels)
    rows.push_back({std::string("full-wave ") + level_name(s.level), of(f_mhz, s, flow, fhigh),
                    "  " + std::to_string(s.cells) + " cells, " + std::to_string(s.timesteps) + " steps, " +
                        fixed(s.seconds, 0) + " s, energy " + fixed(s.end_db, 1) + " dB"});
  Figures fw = rows.back().g;
  if (levels.size() == 2) {
    Figures u;
    fw = extrapolate(rows[0].g, rows[1].g, kLevelRefinement, u);
    rows.push_back({"extrapolated", fw, ""});
    rows.push_back({"  its uncertainty (+/-)", u, ""});
  }
  stored::Board board;
  if (!stored::nominal_board(design, opt.model.as_printed ? stored::CopperDrawing::AsPrinted
                                                          : stored::CopperDrawing::Compensated,
                            board, error))
    return fail(error);
  if (opt.model.lossless) board.loss = LossParameters{0.0f, 0.0f, 0.0f};
  const stored::Response four = stored::respond(board, f_float);
  std::vector<double> f21(four.s21db.begin(), four.s21db.end()), f11(four.s11db.begin(), four.s11db.end());
  const Figures fp = figures(f_mhz, f21, f11, flow, fhigh);
  rows.push_back({"drawn-copper four-port", fp, ""});
  Figures diff;
  double Figures::*const fields[] = {&Figures::centre,   &Figures::lower,     &Figures::upper,
                                     &Figures::bandwidth, &Figures::worst_s11, &Figures::least_s21};
  for (double Figures::*m : fields) diff.*m = fw.*m - fp.*m;
  rows.push_back({"full-wave - four-port", diff, ""});

  const std::string source = opt.file.filename().string();
  std::string text = "quorvane-em: " + source + ", analysis report " + std::to_string(design.analysis_position) +
                     (model.stripline ? ", stripline" : ", microstrip") + " design of dimensional report " +
                     std::to_string(design.dimensions.position) + "\n" +
                     "  " + stored::copper_note(!opt.model.as_printed) + "; " +
                     (opt.model.lossless ? "lossless" : "conductor and dielectric losses of the stored analysis") +
                     "; " +
                     (model.covered     ? "lid " + fixed(opt.model.cover_mm, 3) + " mm above the substrate, walls at the board's edges"
                      : model.stripline ? std::string("between its ground planes, open at the sides (absorbing boundaries)")
                                        : std::string("open board (absorbing boundaries)")) +
                     "\n  Flow " + fixed(flow, 1) + " MHz, Fhigh " + fixed(fhigh, 1) + " MHz; runs end at " +
                     fixed(opt.end_db, 0) + " dB of energy\n" + figure_table(rows);
  text += flux_table(f_mhz, levels.back());
  if (opt.model.lossless) text += balance_text(f_mhz, levels.back(), opt.end_db, model);
  if (model.covered) {
    // The housing's own first resonance: a closed box as long and wide as
    // the modelled board, the substrate on its floor.
    const BoxMode mode = first_box_mode(model.x_hi - model.x_lo, model.y_hi - model.y_lo, model.h, model.er,
                                        model.z_hi - model.h);
    const double f = mode.f_hz * 1e-6;
    text += "  the housing's first box resonance (" + mode.name + ", " + fixed(model.x_hi - model.x_lo, 1) + " x " +
            fixed(model.y_hi - model.y_lo, 1) + " mm, substrate included): " + fixed(f, 0) + " MHz, " +
            (f >= f_mhz.front() && f <= f_mhz.back() ? "inside" : "outside") + " the solved band\n";
  }
  out << text;

  const std::string base = opt.file.stem().string() + "-" + std::to_string(design.analysis_position) + "-em";
  const plot::PlotSpec plot = em_plot(design, f_mhz, levels.back(), four, "quorvane-em: " + source);
  const std::pair<std::string, std::string> files[] = {
      {base + ".s2p", touchstone_text(f_mhz, levels.back(), model.ports[0].z_ref, source)},
      {base + ".svg", plot::render_stacked({plot, passband_detail(plot, design.summary)})},
      {base + ".txt", text}};
  if (platform::interrupt_signal() != 0) return fail("stopped before the files were written");
  for (const auto& [name, body] : files)
    if (!platform::write_logged(opt.folder / name, body, "quorvane-em", log)) return 1;
  return 0;
}

}  // namespace quorvane::em
