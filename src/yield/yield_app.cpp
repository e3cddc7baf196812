#include "yield/yield_app.hpp"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "view/output_file.hpp"
#include "yield/yield_report.hpp"

namespace quorvane::yield {

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

// Through the viewer's one output helper: a temporary name, renamed when complete.
bool write_file(const std::filesystem::path& p, const std::string& text, std::ostream& log) {
  if (const std::string why = view::write_output_file(p, text); !why.empty()) {
    log << "quorvane-yield: cannot write " << p.string() << ": " << why << '\n';
    return false;
  }
  log << "  wrote " << p.string() << '\n';
  return true;
}

}  // namespace

const char* usage() {
  return "usage: quorvane-yield FILE [-o FOLDER] [--width IN] [--gap IN] [--er X] [--height IN]\n"
         "         [--thickness IN] [--length IN] [--distribution uniform|normal] [--samples N]\n"
         "         [--seed S] [--points N] [--max-loss DB] [--min-rejection DB@MHZ ...] [--threads N]\n"
         "         [--as-printed] [--report N]\n"
         "  --width: etch bias (every width down, every gap up); --gap: each edge on its own;\n"
         "  tolerances are half-widths (normal: 3 sigma), in inch except Er;\n"
         "  --as-printed: the printed lengths, not shortened for the open ends as the layout draws them;\n"
         "  --report N: the analysis report at position N (default: the last one after a dimensional report).\n";
}

bool parse_options(const std::vector<std::string>& args, YieldOptions& opt, std::string& error) {
  struct Tol {
    const char* name;
    float Tolerances::*field;
  };
  static const Tol tols[] = {{"--width", &Tolerances::width},         {"--gap", &Tolerances::gap},
                             {"--er", &Tolerances::er},               {"--height", &Tolerances::height},
                             {"--thickness", &Tolerances::thickness}, {"--length", &Tolerances::length}};
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-h" || a == "--help") {
      opt.help = true;
      return true;
    }
    if (a.empty() || a[0] != '-') {
      if (!opt.file.empty()) {
        error = "more than one storage file named: " + a;
        return false;
      }
      opt.file = a;
      continue;
    }
    if (a == "-V" || a == "--version") {
      opt.version = true;
      return true;
    }
    if (a == "--as-printed") {
      opt.as_printed = true;
      continue;
    }
    static const char* const valued[] = {"-o",         "--width",  "--gap",     "--er",         "--height",
                                         "--thickness", "--length", "--distribution", "--samples", "--seed",
                                         "--points",   "--report", "--threads", "--max-loss",   "--min-rejection"};
    if (std::find(std::begin(valued), std::end(valued), a) == std::end(valued)) {
      error = "unknown option \"" + a + "\"";
      return false;
    }
    if (i + 1 >= args.size()) {
      error = "option " + a + " needs a value";
      return false;
    }
    const std::string& v = args[++i];
    bool known = false, ok = true;
    for (const Tol& t : tols) {
      if (a != t.name) continue;
      known = true;
      float x = 0.0f;
      ok = read_float(v, x) && x >= 0.0f;
      if (!ok) {
        error = std::string("tolerance ") + t.name + " must be a finite number of at least 0, not '" + v + "'";
        return false;
      }
      opt.tol.*t.field = x;
    }
    if (known) continue;
    long long n = 0;
    if (a == "-o") {
      opt.folder = v;
    } else if (a == "--distribution") {
      ok = v == "uniform" || v == "normal";
      opt.tol.distribution = v == "normal" ? Distribution::Normal : Distribution::Uniform;
    } else if (a == "--samples") {
      ok = read_count(v, 1, kMaxSamples, n);
      opt.samples = static_cast<int>(n);
    } else if (a == "--seed") {
      ok = read_count(v, 0, 999999999999999999LL, n);
      opt.seed = static_cast<std::uint64_t>(n);
    } else if (a == "--points") {
      ok = read_count(v, 2, kMaxSweepPoints, n);
      opt.points = static_cast<int>(n);
    } else if (a == "--report") {
      ok = read_count(v, 1, 1000000000, n);
      opt.report = static_cast<int>(n);
    } else if (a == "--threads") {
      ok = read_count(v, 1, 64, n);
      opt.threads = static_cast<int>(n);
    } else if (a == "--max-loss") {
      ok = read_float(v, opt.max_loss) && opt.max_loss >= 0.0f;
    } else if (a == "--min-rejection") {
      const std::size_t at = v.find('@');
      Rejection r;
      ok = at != std::string::npos && read_float(v.substr(0, at), r.min_db) &&
           read_float(v.substr(at + 1), r.freq) && r.freq > 0.0f;
      opt.rejections.push_back(r);
    } else {
      error = "unknown option " + a;
      return false;
    }
    if (!ok) {
      error = "option " + a + " cannot take '" + v + "'";
      return false;
    }
  }
  if (!opt.help && !opt.version && opt.file.empty()) {
    error = "no storage file named";
    return false;
  }
  return true;
}

int run_yield_program(const YieldOptions& opt, std::ostream& out, std::ostream& log, bool show_progress) {
  auto fail = [&](const std::string& why) {
    log << "quorvane-yield: " << opt.file.string() << ": " << why << '\n';
    return 1;
  };
  std::ifstream in(opt.file, std::ios::binary);
  if (!in || std::filesystem::is_directory(opt.file)) return fail("cannot be read");
  const stored::ParsedStorage storage = stored::read_storage(opt.file, in);
  StoredDesign design;
  std::string error;
  if (!find_stored_design(storage, opt.report, design, error)) return fail(error);
  Board nominal;
  if (!nominal_board(design, opt.as_printed ? stored::CopperDrawing::AsPrinted : stored::CopperDrawing::Compensated,
                     nominal, error))
    return fail(error);

  YieldSetup setup;
  setup.tol = opt.tol;
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
  if (!inside) return fail("no frequency of the grid lies in the passband, so no sample can be judged");
  for (const Rejection& r : setup.mask.rejections)
    if (r.freq < setup.freqs.front() || r.freq > setup.freqs.back())
      return fail("the rejection frequency " + std::to_string(r.freq) + " MHz lies outside the grid");
  if (static_cast<long>(setup.samples) * static_cast<long>(setup.freqs.size()) > kMaxSampleCells)
    return fail("samples times frequencies exceed " + std::to_string(kMaxSampleCells));

  const std::string construction = nominal.construction == DrawnConstruction::Microstrip ? "Microstrip" : "Stripline";
  log << "quorvane-yield: " << opt.file.string() << ": analysis report " << design.analysis_position
      << " of the " << construction << " design of dimensional report " << design.dimensions.position << ", "
      << nominal.sections.size() << " sections, " << stored::copper_note(!opt.as_printed) << '\n';

  // How far the stored table lies from the filter rebuilt as the stored
  // analysis took it (the printed lengths, quarter-wave phases, ideal open
  // ends: only the rounding of the printed values differs), and from the
  // drawn copper that the samples perturb.
  Board as_stored;
  nominal_board(design, stored::CopperDrawing::AsPrinted, as_stored, error);
  as_stored.open_ends = false;
  use_quarter_wave_phases(as_stored);
  const TableDifference rebuilt = compare_with_table(as_stored, design.analysis, setup.mask);
  const TableDifference drawn = compare_with_table(nominal, design.analysis, setup.mask);
  log << "  rebuilt as the stored analysis took it: largest difference from the stored table " << rebuilt.s21
      << " dB in S21 (at " << rebuilt.s21_freq << " MHz), " << rebuilt.s11
      << " dB in S11 (the printed dimensions are rounded)\n"
      << "  the drawn copper: largest difference " << drawn.s21 << " dB in S21 (at " << drawn.s21_freq
      << " MHz); centre " << drawn.centre << " MHz, stored table " << drawn.stored_centre << " MHz\n";

  if (show_progress)
    // One update per percent at most; the callback runs serialised.
    setup.progress = [&log, shown = -1](int done, int total) mutable {
      const int percent = static_cast<int>(100LL * done / total);
      if (percent <= shown) return;
      shown = percent;
      log << "\r  samples " << done << " of " << total << " (" << percent << " %)" << std::flush;
      if (done >= total) log << '\n';
    };
  const YieldResult result = run_yield(nominal, setup);

  YieldContext ctx{opt.file.filename().string(), construction, stored::copper_note(!opt.as_printed), design.summary,
                   design.analysis_position,
                   design.dimensions.position, rebuilt, drawn};
  const std::vector<std::string> lines = summary_lines(ctx, setup, result);
  std::string text;
  for (const std::string& l : lines) text += l + '\n';
  out << text;

  std::error_code ec;
  std::filesystem::create_directories(opt.folder, ec);
  const std::string base = opt.file.stem().string() + "-" + std::to_string(design.analysis_position) + "-yield";
  const bool ok = write_file(opt.folder / (base + ".txt"), text, log) &&
                  write_file(opt.folder / (base + ".svg"), yield_svg(ctx, setup, result), log) &&
                  write_file(opt.folder / (base + ".csv"), yield_csv(setup, result), log);
  return ok ? 0 : 1;
}

}  // namespace quorvane::yield
