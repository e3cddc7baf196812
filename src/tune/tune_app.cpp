#include "tune/tune_app.hpp"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

#include "dialogue/version.hpp"
#include "platform/command_line.hpp"
#include "platform/input_file.hpp"
#include "platform/interrupt.hpp"
#include "platform/output_file.hpp"
#include "tune/measured_fit.hpp"
#include "tune/tune_outputs.hpp"

namespace quorvane::tune {

namespace {

platform::CommandLine command_line(TuneAppOptions& opt) {
  platform::CommandLine line{"quorvane-tune", "FILE", "quorvane-tune of " + std::string(kProgramTitle), {}};
  line.options.push_back(platform::output_folder_option([&opt](const std::string& v) { opt.folder = v; }));
  const auto valued = [&line](const char* name, const char* argument, const char* what,
                              std::function<bool(const std::string&)> read) {
    platform::add_valued_option(line, name, argument, what, std::move(read));
  };
  const auto whole = platform::whole_number;
  valued("--share", "PCT", "each width, gap and length within PCT % of its printed value (default: 25)",
         [&opt](const std::string& v) {
           double x = 0;
           if (!platform::read_number(v, 1, 90, x)) return false;
           opt.tune.share = x / 100;
           return true;
         });
  valued("--min-gap", "MM", "the board house's narrowest gap (default: 0.1)",
         [&opt](const std::string& v) { return platform::read_number(v, 0.001, 10, opt.tune.min_gap); });
  valued("--min-width", "MM", "the board house's narrowest strip (default: 0.1)",
         [&opt](const std::string& v) { return platform::read_number(v, 0.001, 10, opt.tune.min_width); });
  valued("--measured", "FILE.s2p",
         "a built board's measured 2-port response: Er and the etch bias fitted to it, then the next board tuned",
         [&opt](const std::string& v) {
           opt.measured = v;
           return !v.empty();
         });
  line.options.push_back({"", "--fit-h", "", "with --measured, fit the substrate height too",
                          [&opt](const std::string&) { return opt.fit_h = true, std::string(); }});
  valued("--model", "circuit|em",
         "tune against the circuit model, or the full-wave solution by space mapping (default: circuit)",
         [&opt](const std::string& v) {
           opt.em = v == "em";
           return v == "em" || v == "circuit";
         });
  valued("--iterations", "N", "with --model em, at most N full-wave runs on the iterations' mesh (the first of the printed copper) before the final run (default: 4)",
         whole(1, 50, opt.iterations));
  valued("--em-mesh", "coarse|normal",
         "with --model em, the iterations' mesh; the final run one level finer (default: coarse)",
         [&opt](const std::string& v) { return v != "fine" && em::parse_level(v, opt.full_wave.level); });
  valued("--end", "DB", "with --model em, energy level in dB at which each run ends (default: -50)",
         [&opt](const std::string& v) { return platform::read_number(v, -120, -10, opt.full_wave.end_db); });
  valued("--openems", "PATH", "with --model em, the openEMS executable (default: openEMS on the PATH)",
         [&opt](const std::string& v) {
           opt.full_wave.openems = v;
           return !v.empty();
         });
  valued("--threads", "N", "with --model em, openEMS threads (default: 2)", whole(1, 64, opt.full_wave.threads));
  valued("--report", "N", "the analysis report at position N (default: the last one after a dimensional report)",
         whole(1, 1e9, opt.report));
  return line;
}

}  // namespace

std::string tune_usage() {
  TuneAppOptions unused;
  const platform::CommandLine line = command_line(unused);
  return "Usage: " + platform::usage_line(line) +
         "\n\nThe stored microstrip design's copper tuned until its response meets the\n"
         "design's centre, -3 dB edges and passband return loss: lengths and gaps of\n"
         "the coupled sections (end-section widths only when needed), within the\n"
         "share of the printed values and above the board house's minimum gap and width.\n"
         "With --model em the circuit model is corrected section by section (length and\n"
         "coupling, and a loss where the board radiates) to reproduce openEMS's full-wave\n"
         "S11 and S21 of the current copper, the copper tuned on the corrected model, each\n"
         "step within a trust region about the best copper so far, and so on until the\n"
         "full-wave figures meet the targets (space mapping); the best copper solved is\n"
         "solved once more on the next finer mesh and, where that misses the targets, its\n"
         "lengths are scaled to centre the circuit corrected to that run on Fo and solved\n"
         "on that mesh too; the nearer the targets of the two is reported.\n\n" +
         platform::options_help(line) +
         "\nExit status 0 the files are written, 1 with one line on the error stream: input\n"
         "that cannot be tuned, a measurement that cannot be read or fitted, a file, the\n"
         "console or the log that cannot be written, openEMS missing or failing; with\n"
         "--model em, 128 + the signal when stopped (Ctrl-C: 130), no file written.\n";
}

bool parse_tune_options(const std::vector<std::string>& args, TuneAppOptions& opt, std::string& error) {
  return platform::read_options(command_line(opt), args, opt, error);
}

int run_tune_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& log) {
  TuneAppOptions opt;
  const platform::CommandLine line = command_line(opt);
  std::string file;
  if (const std::optional<int> answered = platform::answer_command_line(line, args, tune_usage, out, log, file))
    return *answered;
  opt.file = file;
  return run_tune(opt, out, log);
}

int run_tune(const TuneAppOptions& opt, std::ostream& out, std::ostream& log) {
  // With --model em, Ctrl-C stops openEMS, removes its folder and writes nothing.
  std::optional<platform::InterruptScope> interruptible;
  if (opt.em) interruptible.emplace();
  auto fail = [&](const std::string& why) {
    log << "quorvane-tune: " << opt.file.string() << ": " << why << '\n';
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
  CircuitModel model;
  Targets targets;
  if (!circuit_model(design, model, error) || !design_targets(design, targets, error)) return fail(error);
  TuneRun run;
  run.source = opt.file.filename().string();
  run.design = &design;
  run.targets = targets;
  run.options = opt.tune;
  FieldCorrections fields;
  if (!opt.measured.empty()) {
    Measurement m;
    if (!read_touchstone(opt.measured, model.base.zs, m, error)) return fail(error);
    CircuitModel board = model;
    board.lossy = true;
    if (!fields.of(board.substrate, board.copper, 0, board.corrections, error)) return fail(error);
    FitResult fit;
    if (!fit_board(board, targets, m, opt.fit_h, fit, error)) return fail(opt.measured.filename().string() + ": " + error);
    run.fit = fit;
    run.measured_name = opt.measured.filename().string();
    model.substrate.er = fit.er;
    model.substrate.h = fit.h;
    model.bias = fit.bias;
  }
  if (opt.em) {
    FineModel fine;
    std::vector<double> f;
    SpaceMapResult sm;
    if (!full_wave_model(design, model, targets, opt.full_wave, log, fine, f, error) ||
        !space_map(model, targets, opt.tune, opt.iterations, f, fine, fields, sm, error))
      return fail(error);
    take_space_map(run, model.copper, std::move(sm));
    if (platform::interrupt_signal() != 0) return fail("stopped before the files were written");
  } else if (!tune(model, targets, opt.tune, fields, run.result, error)) {
    return fail(error);
  }
  run.model = model;
  return write_outputs(run, opt.folder, out, log) ? 0 : 1;
}

}  // namespace quorvane::tune
