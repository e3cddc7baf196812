#include "yield/yield_app.hpp"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <type_traits>
#include <utility>

#include "dialogue/version.hpp"
#include "platform/command_line.hpp"
#include "platform/input_file.hpp"
#include "platform/output_file.hpp"
#include "yield/yield_report.hpp"

namespace quorvane::yield {

using namespace quorvane::stored;

namespace {

bool read_float(const std::string& text, float& v) {
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  double d = 0.0;
  if (!(in >> d) || !in.eof()) return false;
  v = static_cast<float>(d);
  return std::isfinite(v);
}

bool read_count(const std::string& text, long long lo, long long hi, long long& v) {
  if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  v = std::stoll(text);
  return v >= lo && v <= hi;
}

TableDifference compare_with_table(const Board& board, const stored::AnalysisTable& table, const Mask& mask) {
  std::vector<float> freqs, stored;
  for (const stored::AnalysisRow& r : table.rows) {
    freqs.push_back(r.freq);
    stored.push_back(r.s21db);
  }
  const Response again = respond(board, freqs);
  TableDifference d;
  d.s21_freq = freqs.front();
  for (std::size_t i = 0; i < freqs.size(); ++i) {
    const float e = std::fabs(again.s21db[i] - stored[i]);
    if (table.format == 1) d.s11 = std::max(d.s11, std::fabs(again.s11db[i] - table.rows[i].s11db));
    if (e > d.s21 || std::isnan(e)) {
      d.s21 = e;
      d.s21_freq = freqs[i];
    }
  }
  d.centre = figures(freqs, again.s21db, mask).centre;
  d.stored_centre = figures(freqs, stored, mask).centre;
  return d;
}

// Through the one output helper: a temporary name, renamed when complete.
bool write_file(const std::filesystem::path& p, const std::string& text, std::ostream& log) {
  return platform::write_logged(p, text, "quorvane-yield", log);
}

// The half-widths in the model's units (inch, Er) from the typed ones.
void resolve_tolerances(const TypedTolerances& typed, const Board& nominal, Tolerances& tol) {
  double at[6];
  nominal_values(nominal, at);
  const TypedTolerance TypedTolerances::*from[] = {&TypedTolerances::width,  &TypedTolerances::gap,
                                                    &TypedTolerances::er,     &TypedTolerances::height,
                                                    &TypedTolerances::thickness, &TypedTolerances::length};
  float Tolerances::*to[] = {&Tolerances::width,  &Tolerances::gap,       &Tolerances::er,
                             &Tolerances::height, &Tolerances::thickness, &Tolerances::length};
  for (int i = 0; i < 6; ++i) {
    const TypedTolerance& t = typed.*from[i];
    tol.*to[i] = static_cast<float>(t.value * model_per_unit(t, at[i]));
  }
}

// The sensitivity rows (in the same order) per the unit each tolerance was typed in.
void per_unit_typed(const TypedTolerances& typed, const Board& nominal, std::vector<SensitivityRow>& rows) {
  double at[6];
  nominal_values(nominal, at);
  const TypedTolerance* t[] = {&typed.width, &typed.gap, &typed.er, &typed.height, &typed.thickness, &typed.length};
  for (std::size_t i = 0; i < rows.size() && i < 6; ++i) {
    if (t[i]->unit.empty()) continue;
    const double k = model_per_unit(*t[i], at[i]);
    SensitivityRow& r = rows[i];
    r.unit = t[i]->unit;
    r.half_width = static_cast<float>(r.half_width / k);
    r.step = static_cast<float>(r.step / k);
    r.centre *= k;
    r.bandwidth *= k;
    r.max_loss *= k;
  }
}

// The default mask allows the nominal board's own passband loss plus 1 dB.
void allow_nominal_loss(const Board& nominal, const std::vector<float>& freqs, Mask& mask) {
  const double own = figures(freqs, respond(nominal, freqs).s21db, mask).max_loss;
  mask.max_loss = static_cast<float>((std::isfinite(own) ? own : 0.0) + 1.0);
  mask.nominal_plus_1db = true;
}

}  // namespace

namespace {

// The options of quorvane-yield; their values go into `opt`.
platform::CommandLine command_line(YieldOptions& opt) {
  platform::CommandLine line{"quorvane-yield", "FILE", "quorvane-yield of " + std::string(kProgramTitle), {}};
  line.options.push_back(platform::output_folder_option([&opt](const std::string& v) { opt.folder = v; }));
  struct Tol {
    const char* name;
    const char* argument;
    const char* what;
    TypedTolerance TypedTolerances::*field;
  };
  static const Tol tols[] = {
      {"--width", "LEN", "etch bias: every width down, every gap up by at most LEN", &TypedTolerances::width},
      {"--gap", "LEN", "each edge of every gap on its own", &TypedTolerances::gap},
      {"--er", "X", "the substrate's dielectric constant (absolute, or X%)", &TypedTolerances::er},
      {"--height", "LEN", "the substrate height (microstrip H, stripline B)", &TypedTolerances::height},
      {"--thickness", "LEN", "the strip thickness", &TypedTolerances::thickness},
      {"--length", "LEN", "every section length", &TypedTolerances::length}};
  for (const Tol& t : tols)
    line.options.push_back({"", t.name, t.argument, t.what, [&opt, &t](const std::string& v) {
                              const bool er = t.field == &TypedTolerances::er;
                              if (!read_tolerance(v, er, opt.typed.*t.field))
                                return std::string("tolerance ") + t.name +
                                       " must be a finite number of at least 0, with a unit of " +
                                       (er ? "%" : "in, mil, mm, um or %") + " or none, not '" + v + "'";
                              return std::string();
                            }});
  // A value that `read` refuses gets the one line "option NAME cannot take 'VALUE'".
  const auto valued = [&line](const char* name, const char* argument, const char* what,
                              std::function<bool(const std::string&)> read) {
    line.options.push_back({"", name, argument, what, [name, read](const std::string& v) {
                              return read(v) ? std::string() : "option " + std::string(name) + " cannot take '" + v + "'";
                            }});
  };
  const auto count = [](long long lo, long long hi, auto& into) {
    return [lo, hi, &into](const std::string& v) {
      long long n = 0;
      if (!read_count(v, lo, hi, n)) return false;
      into = static_cast<std::remove_reference_t<decltype(into)>>(n);
      return true;
    };
  };
  valued("--distribution", "uniform|normal", "how a tolerance spreads (default: uniform)", [&opt](const std::string& v) {
    opt.tol.distribution = v == "normal" ? Distribution::Normal : Distribution::Uniform;
    return v == "uniform" || v == "normal";
  });
  valued("--samples", "N", "the number of boards drawn (default: 1000)", count(1, kMaxSamples, opt.samples));
  valued("--seed", "S", "the seed of the random draw (default: 1)", count(0, 999999999999999999LL, opt.seed));
  valued("--points", "N", "N frequencies evenly over the stored table's span (default: the table's own)",
         count(2, kMaxSweepPoints, opt.points));
  valued("--max-loss", "DB", "the largest passband loss that passes (default: the nominal board's own plus 1 dB)",
         [&opt](const std::string& v) { return read_float(v, opt.max_loss) && opt.max_loss >= 0.0f; });
  valued("--min-rejection", "DB@MHZ", "a least rejection at a frequency that passes; may be given again",
         [&opt](const std::string& v) {
           const std::size_t at = v.find('@');
           Rejection r;
           const bool ok = at != std::string::npos && read_float(v.substr(0, at), r.min_db) &&
                           read_float(v.substr(at + 1), r.freq) && r.freq > 0.0f;
           opt.rejections.push_back(r);
           return ok;
         });
  valued("--threads", "N", "work on N threads (default: one per core)", count(1, 64, opt.threads));
  line.options.push_back({"", "--as-printed", "", "the printed lengths, not shortened for the open ends as the layout draws them",
                          [&opt](const std::string&) { return opt.as_printed = true, std::string(); }});
  valued("--report", "N", "the analysis report at position N (default: the last one after a dimensional report)",
         count(1, 1000000000, opt.report));
  return line;
}

}  // namespace

std::string usage() {
  YieldOptions unused;
  const platform::CommandLine line = command_line(unused);
  return "Usage: " + platform::usage_line(line) +
         "\n\nThe tolerance and yield analysis of the analysis report of a stored design.\n"
         "Tolerances are half-widths (normal: 3 sigma): 25um, 1mil, 0.1mm, 0.001in (a bare\n"
         "number is inch) or 5% of the nominal; Er absolute or in %. Sensitivities are\n"
         "printed per the unit given.\n\n" +
         platform::options_help(line) +
         "\nExit status 0 the files are written, 1 with one line on the error stream: input\n"
         "that cannot be analysed, a file, the console or the log that cannot be written.\n";
}

bool parse_options(const std::vector<std::string>& args, YieldOptions& opt, std::string& error) {
  return platform::read_options(command_line(opt), args, opt, error);
}

int run_yield_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& log, bool show_progress) {
  YieldOptions opt;
  const platform::CommandLine line = command_line(opt);
  std::string file;
  if (const std::optional<int> answered = platform::answer_command_line(line, args, usage, out, log, file))
    return *answered;
  opt.file = file;
  return run_yield_program(opt, out, log, show_progress);
}

namespace {

// The design of the chosen analysis report and its copper as the samples
// start from; false and why not in `error`.
bool load_design(const YieldOptions& opt, StoredDesign& design, Board& nominal, std::string& error) {
  std::ifstream in;
  if (const std::string why = platform::open_input(in, opt.file); !why.empty()) {
    error = "cannot be opened: " + why;
    return false;
  }
  const stored::ParsedStorage storage = stored::read_storage(opt.file, in);
  if (in.bad()) {
    error = "the file cannot be read to its end";
    return false;
  }
  return find_stored_design(storage, opt.report, design, error) &&
         nominal_board(design, opt.as_printed ? stored::CopperDrawing::AsPrinted : stored::CopperDrawing::Compensated,
                       nominal, error);
}

// The samples' tolerances, mask and frequency grid; "" or why the grid
// cannot judge a sample.  Without a loss limit the nominal loss sets it.
std::string yield_setup(const YieldOptions& opt, const StoredDesign& design, Board& nominal, YieldSetup& setup) {
  setup.tol = opt.tol;
  resolve_tolerances(opt.typed, nominal, setup.tol);
  setup.samples = opt.samples;
  setup.seed = opt.seed;
  setup.threads = opt.threads;
  setup.mask = Mask{design.summary.flow, design.summary.fhigh, opt.max_loss, opt.rejections};
  const std::vector<stored::AnalysisRow>& rows = design.analysis.rows;
  if (opt.points > 0) {
    const double a = rows.front().freq, b = rows.back().freq;
    for (int i = 0; i < opt.points; ++i)
      setup.freqs.push_back(static_cast<float>(a + (b - a) * i / (opt.points - 1)));
  } else {
    for (const stored::AnalysisRow& r : rows) setup.freqs.push_back(r.freq);
  }
  bool inside = false;
  for (const float f : setup.freqs) inside = inside || (f >= setup.mask.flow && f <= setup.mask.fhigh);
  if (!inside) return "no frequency of the grid lies in the passband, so no sample can be judged";
  for (const Rejection& r : setup.mask.rejections)
    if (r.freq < setup.freqs.front() || r.freq > setup.freqs.back())
      return "the rejection frequency " + std::to_string(r.freq) + " MHz lies outside the grid";
  if (static_cast<long>(setup.samples) * static_cast<long>(setup.freqs.size()) > kMaxSampleCells)
    return "samples times frequencies exceed " + std::to_string(kMaxSampleCells);
  if (opt.max_loss < 0.0f) allow_nominal_loss(nominal, setup.freqs, setup.mask);
  return {};
}

// How far the stored table lies from the filter rebuilt as the stored
// analysis took it (the printed lengths, quarter-wave phases, ideal open
// ends: only the rounding of the printed values differs), and from the
// drawn copper that the samples perturb; both logged.
std::pair<TableDifference, TableDifference> compare_stored_table(const StoredDesign& design, const Board& nominal,
                                                                 const Mask& mask, std::ostream& log) {
  Board as_stored;
  std::string error;
  nominal_board(design, stored::CopperDrawing::AsPrinted, as_stored, error);
  as_stored.open_ends = false;
  use_quarter_wave_phases(as_stored);
  const TableDifference rebuilt = compare_with_table(as_stored, design.analysis, mask);
  const TableDifference drawn = compare_with_table(nominal, design.analysis, mask);
  log << "  rebuilt as the stored analysis took it: largest difference from the stored table " << rebuilt.s21
      << " dB in S21 (at " << rebuilt.s21_freq << " MHz), " << rebuilt.s11
      << " dB in S11 (the printed dimensions are rounded)\n"
      << "  the drawn copper: largest difference " << drawn.s21 << " dB in S21 (at " << drawn.s21_freq
      << " MHz); centre " << drawn.centre << " MHz, stored table " << drawn.stored_centre << " MHz\n";
  return {rebuilt, drawn};
}

// The samples done, on one log line rewritten once per percent at most; the
// callback runs serialised.
std::function<void(int, int)> progress_meter(std::ostream& log) {
  return [&log, shown = -1](int done, int total) mutable {
    const int percent = static_cast<int>(100LL * done / total);
    if (percent <= shown) return;
    shown = percent;
    log << "\r  samples " << done << " of " << total << " (" << percent << " %)" << std::flush;
    if (done >= total) log << '\n';
  };
}

// <stem>-<n>-yield.txt, .svg and .csv; false after the first that cannot be written.
bool write_yield_files(const YieldOptions& opt, const YieldContext& ctx, const YieldSetup& setup,
                       const YieldResult& result, const std::string& text, std::ostream& log) {
  std::error_code ec;
  std::filesystem::create_directories(opt.folder, ec);
  const std::string base = opt.file.stem().string() + "-" + std::to_string(ctx.analysis_position) + "-yield";
  return write_file(opt.folder / (base + ".txt"), text, log) &&
         write_file(opt.folder / (base + ".svg"), yield_svg(ctx, setup, result), log) &&
         write_file(opt.folder / (base + ".csv"), yield_csv(setup, result), log);
}

}  // namespace

int run_yield_program(const YieldOptions& opt, std::ostream& out, std::ostream& log, bool show_progress) {
  auto fail = [&](const std::string& why) {
    log << "quorvane-yield: " << opt.file.string() << ": " << why << '\n';
    return 1;
  };
  StoredDesign design;
  Board nominal;
  if (std::string error; !load_design(opt, design, nominal, error)) return fail(error);
  YieldSetup setup;
  if (const std::string why = yield_setup(opt, design, nominal, setup); !why.empty()) return fail(why);

  const std::string construction = nominal.construction == DrawnConstruction::Microstrip ? "Microstrip" : "Stripline";
  log << "quorvane-yield: " << opt.file.string() << ": analysis report " << design.analysis_position
      << " of the " << construction << " design of dimensional report " << design.dimensions.position << ", "
      << nominal.sections.size() << " sections, " << stored::copper_note(!opt.as_printed) << '\n';
  const auto [rebuilt, drawn] = compare_stored_table(design, nominal, setup.mask, log);

  if (show_progress) setup.progress = progress_meter(log);
  YieldResult result = run_yield(nominal, setup);
  per_unit_typed(opt.typed, nominal, result.sensitivity);

  const YieldContext ctx{opt.file.filename().string(), construction, stored::copper_note(!opt.as_printed),
                         design.summary, design.analysis_position, design.dimensions.position, rebuilt, drawn};
  std::string text;
  for (const std::string& l : summary_lines(ctx, setup, result)) text += l + '\n';
  out << text;
  return write_yield_files(opt, ctx, setup, result, text, log) ? 0 : 1;
}

}  // namespace quorvane::yield
