#include "view/view_app.hpp"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <stdexcept>

#include "platform/command_line.hpp"
#include "platform/input_file.hpp"
#include "platform/output_file.hpp"

#include "dialogue/console.hpp"
#include "dialogue/version.hpp"

#include "plot/svg_plot.hpp"
#include "stored/drawn_copper.hpp"
#include "stored/filter_layout.hpp"
#include "view/gerber_set.hpp"
#include "view/kicad_footprint.hpp"
#include "view/layout_writers.hpp"
#include "view/touchstone.hpp"

namespace quorvane::view {

using namespace quorvane::plot;
using namespace quorvane::stored;

namespace {

const char* kind_name(const StoredReport& r) {
  switch (r.kind) {
    case ReportKind::Electrical: return "electrical synthesis";
    case ReportKind::Dimensions: return "dimensional synthesis";
    case ReportKind::Analysis: return "frequency analysis";
  }
  return "report";
}

// Every output goes through here.  After a failed write nothing more is
// written: the run ends with status 1.
bool write_file(const std::filesystem::path& p, const std::string& text, ViewResult& res, std::ostream& log) {
  if (res.status == 1) return false;
  if (!platform::write_logged(p, text, "quorvane-view", log)) {
    res.status = 1;
    return false;
  }
  res.written.push_back(p);
  return true;
}

std::string fixed(float v, int decimals) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, static_cast<double>(v));
  return buf;
}

std::string plural(int n, const char* one, const char* many) { return std::to_string(n) + (n == 1 ? one : many); }

// What the viewer writes, for the report at position n of <name>.<ext>.
struct OutputFile {
  const char* name;
  const char* what;
};
constexpr OutputFile kOutputs[] = {
    {"<name>-n-response.svg", "an analysis table: S21 and S11 in dB against frequency, or for"
                              " print format 2 the loss and the VSWR, with Flow and Fhigh marked"},
    {"<name>-n-passband.svg", "an analysis table: S21 from Flow - BW/2 to Fhigh + BW/2 on a dB axis of its own"},
    {"<name>-n-delay.svg", "an analysis table: the group delay in ns, computed from the printed S21 phases"},
    {"<name>-n.s2p", "a print-format-1 table with Zs = ZL: Touchstone version 1, # MHz S MA R <Zs>"},
    {"<name>-n.s1p", "a print-format-1 table with Zs and ZL unequal: Touchstone version 1 of S11"},
    {"<name>-n-layout.svg", "a dimensional table: the copper as built and to scale, dimensions in mm"},
    {"<name>-n.dxf", "a dimensional table: AutoCAD R12 closed polylines of the copper in mm, layer COPPER"},
    {"<name>-n.kicad_mod", "a dimensional table: KiCad footprint of the copper, pads 1 and 2 at the outer ends of"
                           " the feed lines"},
    {"<name>-n-copper.gbr", "a dimensional table: Gerber RS-274X of the copper in mm, one region per strip"},
    {"<name>-n-outline.gbr", "a dimensional table: Gerber RS-274X board outline, the margin (--margin) beyond"
                             " the copper on every side"},
    {"<name>-n-ground-bottom.gbr", "a dimensional table: Gerber of the bottom ground plane (microstrip L2,"
                                   " stripline L3); stripline also <name>-n-ground-top.gbr (L1), the filter on L2"},
    {"<name>-n-mask-top.gbr", "a dimensional table: Gerber solder mask openings, top (and <name>-n-mask-bottom.gbr):"
                              " the filter's area open unless --mask-over-filter"},
    {"<name>-n.gbrjob", "a dimensional table: Gerber X2 job file (JSON) naming every layer, the material, its Er"
                        " and thicknesses"},
};

// The viewer's options; their values go into `folder` and `options`.
platform::CommandLine command_line(std::string& folder, ViewOptions& options) {
  return {"quorvane-view", "FILE", "quorvane-view of " + std::string(kProgramTitle),
          {platform::output_folder_option([&folder](const std::string& v) { folder = v; }),
           {"-s", "--scale", "SCALE",
            "draw the layout sheets at SCALE (1 gives a 1:1 mask; default: the drawing scale chosen for the filter)",
            [&options](const std::string& value) {
              char* end = nullptr;
              const float scale = std::strtof(value.c_str(), &end);
              if (end == value.c_str() || *end != '\0' || !std::isfinite(scale) || !(scale > 0.0f))
                return "the scale must be a positive number, not \"" + printable(value) + "\"";
              options.layout_scale = scale;
              return std::string();
            }},
           {"-p", "--as-printed", "",
            "draw the section lengths as the report prints them, not shortened for their open ends",
            [&options](const std::string&) { return options.drawing = CopperDrawing::AsPrinted, std::string(); }},
           {"-m", "--margin", "MM", "board beyond the copper on each side, mm (default: five substrate heights, at least 3)",
            [&options](const std::string& value) {
              char* end = nullptr;
              const float margin = std::strtof(value.c_str(), &end);
              // A board of a metre at most: its coordinates stay within Gerber's 4.6 format.
              if (end == value.c_str() || *end != '\0' || !std::isfinite(margin) || !(margin > 0.0f) || margin > 1000.0f)
                return "the margin must be a positive number of mm up to 1000, not \"" + printable(value) + "\"";
              options.margin_mm = margin;
              return std::string();
            }},
           {"-c", "--mask-over-filter", "", "cover the filter with solder mask; the log estimates how far that lowers the centre",
            [&options](const std::string&) { return options.mask_over_filter = true, std::string(); }}}};
}

std::string help_text(const platform::CommandLine& line) {
  std::string h = "Usage: " + platform::usage_line(line) + "\n       quorvane-view --help | --version\n\n";
  h += "Reads a storage file of quorvane (any number of reports from any number of\n"
       "design cycles) and writes, for the report at position n of FILE = <name>.<ext>:\n";
  for (const OutputFile& f : kOutputs) h += platform::help_entry(f.name, f.what);
  h += "Electrical reports are read and counted and give no file. A table row that\n"
       "cannot be read is skipped, a report that lacks lines is damaged and gives no\n"
       "file; the log on standard error names each report and each skipped line.\n\n" +
       platform::options_help(line);
  h += "\nExit status:\n"
       "  0  every report was used\n"
       "  1  nothing to read (no such file, no report), a file or the log that cannot\n"
       "     be written, or an argument that cannot be used\n"
       "  2  a table row was skipped or a report damaged; the other reports' files\n"
       "     are written\n"
       "  When an output cannot be written and a row is also skipped, 1 wins over 2.\n";
  return h;
}

}  // namespace

std::string analysis_substrate(const ParsedStorage& storage, const StoredReport& analysis) {
  if (const auto* t = std::get_if<AnalysisTable>(&analysis.table); t && t->ideal)
    return "air, Er " + fixed(t->ideal_er, 3);
  const StoredReport* dims = earlier_report(storage, analysis, ReportKind::Dimensions);
  if (dims == nullptr) return "";
  const DimensionTable* d = &std::get<DimensionTable>(dims->table);
  return "Er " + fixed(d->er, 3) + (d->construction == StoredConstruction::Microstrip ? ", H " : ", B ") +
         fixed(d->height_in * 25.4f, 4) + " mm, strip thickness " + fixed(d->thick_in * 25.4f, 4) + " mm";
}

int run_view_program(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string file, folder = ".";
  ViewOptions options;
  const platform::CommandLine line = command_line(folder, options);
  if (const std::optional<int> answered =
          platform::answer_command_line(line, args, [&line] { return help_text(line); }, out, err, file))
    return *answered;
  return run_view(file, folder, err, options).status;
}

std::string detail(const ParsedStorage& storage, const StoredReport& r) {
  if (const auto* a = std::get_if<AnalysisTable>(&r.table)) {
    const std::string c = analysis_construction(storage, r);
    return ", print format " + std::to_string(a->format) + (c.empty() ? ", construction not stored" : ", " + c);
  }
  if (const auto* d = std::get_if<DimensionTable>(&r.table))
    return d->construction == StoredConstruction::Microstrip ? ", Microstrip" : ", Stripline";
  return "";
}

std::string analysis_construction(const ParsedStorage& storage, const StoredReport& analysis) {
  if (const auto* t = std::get_if<AnalysisTable>(&analysis.table); t && t->ideal) return "ideal lines in air";
  const StoredReport* r = earlier_report(storage, analysis, ReportKind::Dimensions);
  if (!r) return "";
  return std::get<DimensionTable>(r->table).construction == StoredConstruction::Microstrip ? "Microstrip" : "Stripline";
}

namespace {

// The copper of the analysed dimensional report as drawn, analysed at the
// table's frequencies; nothing for an ideal analysis or one without a
// usable dimensional report.
std::optional<DrawnAnalysis> drawn_analysis(const ParsedStorage& storage, const StoredReport& r, const AnalysisTable& a,
                                            CopperDrawing drawing, std::ostream& log) {
  const StoredReport* dim = a.ideal ? nullptr : earlier_report(storage, r, ReportKind::Dimensions);
  if (!dim || !dim->errors.empty()) return std::nullopt;
  const ElectricalTable* electrical = cycle_electrical(storage, r);
  try {
    const DrawnAnalysis d =
        analyse_drawn(drawn_filter(*dim, a, electrical, drawing, storage.record.get()), a,
                      drawing == CopperDrawing::Compensated);
    log << "  drawn copper of report " << dim->position << ", " << centre_text(d) << '\n';
    return d;
  } catch (const std::invalid_argument& e) {
    log << "  no analysis of the drawn copper of report " << dim->position << ": " << e.what() << '\n';
    return std::nullopt;
  }
}

BoardSpec board_for(const DimensionTable& table, const ViewOptions& options) {
  BoardSpec b = board_spec(table);
  if (options.margin_mm > 0.0f) b.margin_mm = options.margin_mm;
  b.mask_over_filter = options.mask_over_filter;
  return b;
}

// What FILE is when it cannot be a storage file: a folder, a device, a
// socket; "" for a file or a pipe, which are read.
std::string not_a_storage_file(const std::filesystem::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return {};
  if (S_ISDIR(st.st_mode)) return "a folder";
  if (S_ISCHR(st.st_mode)) return "a character device";
  if (S_ISBLK(st.st_mode)) return "a block device";
  if (S_ISSOCK(st.st_mode)) return "a socket";
  return {};
}

}  // namespace

namespace {

// One run of the viewer: where it writes, what it has written, and what it
// counts for the closing line.
struct ViewRun {
  const std::filesystem::path& out_folder;
  std::ostream& log;
  const ViewOptions& options;
  std::string stem;
  std::string source_name;
  ViewResult res;
  bool trouble = false;
  int damaged = 0;
  int undrawn = 0;  // dimensional tables read but not drawable
  std::size_t reports = 0;
  std::size_t skipped_rows = 0;
  int cycles = 0;

  bool write(const std::string& name, const std::string& text) { return write_file(out_folder / name, text, res, log); }
};

// Opens FILE for reading, or says on the log why it cannot be a storage file.
bool open_storage(const std::filesystem::path& storage_file, std::ifstream& in, std::ostream& log) {
  if (const std::string what = not_a_storage_file(storage_file); !what.empty()) {
    log << "quorvane-view: " << storage_file.string() << " is " << what << ", not a storage file\n";
    return false;
  }
  if (const std::string why = platform::open_input(in, storage_file); !why.empty()) {
    log << "quorvane-view: cannot open the storage file " << storage_file.string() << ": " << why << '\n';
    return false;
  }
  return true;
}

void log_skipped_rows(ViewRun& run, const std::vector<SkippedRow>& skipped) {
  for (const SkippedRow& s : skipped) {
    run.log << "quorvane-view: line " << s.line << " (report " << s.report << ") skipped, "
            << skip_reason_text(s.reason) << ": " << s.text << '\n';
    run.trouble = true;
  }
  run.skipped_rows += skipped.size();
}

// Keeps of the reports before `r` only what an analysis needs: the last
// electrical and the last dimensional report of its design cycle; `r` joins
// them and is returned.
const StoredReport& keep_in_context(ParsedStorage& context, StoredReport&& r) {
  std::erase_if(context.reports, [&r](const StoredReport& kept) {
    return kept.cycle != r.cycle || kept.kind == r.kind || kept.kind == ReportKind::Analysis;
  });
  context.reports.push_back(std::move(r));
  return context.reports.back();
}

// Logs a damaged report's errors; true when there were any.
bool log_if_damaged(ViewRun& run, const StoredReport& rep) {
  if (rep.errors.empty()) return false;
  for (const std::string& e : rep.errors) run.log << "quorvane-view: report " << rep.position << ": " << e << '\n';
  run.log << "  damaged report: no file written for it\n";
  run.trouble = true;
  ++run.damaged;
  return true;
}

// The response, passband and group delay plots of an analysis table.
void write_plots(ViewRun& run, const ParsedStorage& context, const StoredReport& rep, const AnalysisTable& a,
                 const std::string& base, const std::string& construction) {
  PlotSpec plot = response_plot(rep, a, construction);
  if (const std::optional<DrawnAnalysis> drawn = drawn_analysis(context, rep, a, run.options.drawing, run.log))
    add_drawn_response(plot, *drawn);
  run.write(base + "-response.svg", render_plot(plot));
  const PlotSpec passband = passband_plot(rep, a, construction);
  if (passband.series.front().x.empty())
    run.log << "  no row from Flow - BW/2 to Fhigh + BW/2: no passband plot\n";
  else
    run.write(base + "-passband.svg", render_plot(passband));
  const PlotSpec delay = delay_plot(rep, a, construction);
  if (delay.series.front().x.empty())
    run.log << "  fewer than two phases in the passband span: no group delay plot\n";
  else
    run.write(base + "-delay.svg", render_plot(delay));
}

// The Touchstone file of a print-format-1 table, and what it left out or adjusted.
void write_touchstone(ViewRun& run, const ParsedStorage& context, const StoredReport& rep, const AnalysisTable& a,
                      const std::string& base, const std::string& construction) {
  const TouchstoneFile ts = touchstone(rep, a, run.source_name, {construction, analysis_substrate(context, rep)},
                                       recorded_rows(context, rep));
  run.write(base + "." + ts.extension, ts.text);
  if (ts.rows_left_out > 0) {
    run.log << "  " << ts.rows_left_out << " rows left out of the Touchstone file (not a finite number)\n";
    run.trouble = true;
  }
  if (ts.rows_repeated > 0)
    run.log << "  " << plural(ts.rows_repeated, " row", " rows")
            << " left out of the Touchstone file: the printed frequency repeats the one before\n";
  if (ts.rows_adjusted > 0)
    run.log << "  " << plural(ts.rows_adjusted, " row", " rows")
            << " of the Touchstone file adjusted within the printed rounding to keep |S11|^2 + |S21|^2 <= 1\n";
  if (ts.rows_not_passive > 0)
    run.log << "  warning: " << plural(ts.rows_not_passive, " row", " rows")
            << " of the Touchstone file above |S11|^2 + |S21|^2 = 1 beyond the printed rounding\n";
}

void write_analysis_outputs(ViewRun& run, const ParsedStorage& context, const StoredReport& rep,
                            const AnalysisTable& a, const std::string& base) {
  if (!a.not_run.empty()) {
    run.log << "  no table, the program refused the sweep: " << a.not_run << '\n';
    return;
  }
  const std::string construction = analysis_construction(context, rep);
  write_plots(run, context, rep, a, base, construction);
  if (a.format == 1) write_touchstone(run, context, rep, a, base, construction);
}

// The layout sheet, DXF, KiCad footprint and Gerber set of a dimensional table.
void write_layout_outputs(ViewRun& run, const StoredReport& rep, const DimensionTable& d, const std::string& base) {
  try {
    const FilterLayout lay =
        build_layout(d, rep.summary.poles,
                     run.options.drawing == CopperDrawing::Compensated ? open_end_extensions(rep) : std::vector<float>{});
    for (const std::string& w : lay.warnings) run.log << "  warning: " << w << '\n';
    const std::string design = summary_title(rep.summary, d.construction_name);
    run.write(base + "-layout.svg", layout_svg(lay, d, "Layout: " + design, run.options.layout_scale));
    run.write(base + ".dxf", layout_dxf(lay, design));
    run.write(base + ".kicad_mod", kicad_footprint(lay, base, rep.summary, d));
    const BoardSpec board = board_for(d, run.options);
    for (const SetFile& f : gerber_set(lay, board, base, design)) run.write(f.name, f.text);
    if (board.copper_assumed) run.log << "  strips of no thickness: the job file states 0.035 mm copper (1 oz)\n";
    if (board.mask_over_filter) run.log << "  " << mask_note(lay, board, rep.summary.f0) << '\n';
  } catch (const std::invalid_argument& e) {
    run.log << "quorvane-view: report " << rep.position << ": " << e.what() << "; no layout written\n";
    run.trouble = true;
    ++run.undrawn;
  }
}

// Logs one report and writes its files.
void view_report(ViewRun& run, const ParsedStorage& context, const StoredReport& rep) {
  run.log << "report " << rep.position << " (line " << rep.first_line << ", design cycle " << rep.cycle
          << "): " << kind_name(rep) << detail(context, rep) << '\n';
  if (log_if_damaged(run, rep)) return;
  const std::string base = run.stem + "-" + std::to_string(rep.position);
  if (const auto* a = std::get_if<AnalysisTable>(&rep.table))
    write_analysis_outputs(run, context, rep, *a, base);
  else if (const auto* d = std::get_if<DimensionTable>(&rep.table))
    write_layout_outputs(run, rep, *d, base);
}

// The closing line: what was read, written, skipped and not drawn.
void log_summary(const ViewRun& run, const StorageStream& stream) {
  std::ostream& log = run.log;
  const std::size_t written = run.res.written.size();
  log << run.source_name << ": " << run.reports << (run.reports == 1 ? " report" : " reports") << " in " << run.cycles
      << (run.cycles == 1 ? " design cycle" : " design cycles") << ", " << written
      << (written == 1 ? " file" : " files") << " written";
  if (run.skipped_rows > 0)
    log << ", " << run.skipped_rows << (run.skipped_rows == 1 ? " table row" : " table rows") << " skipped";
  if (run.damaged > 0) log << ", " << run.damaged << (run.damaged == 1 ? " damaged report" : " damaged reports");
  if (run.undrawn > 0) log << ", " << run.undrawn << (run.undrawn == 1 ? " table not drawn" : " tables not drawn");
  if (stream.too_long_outside() > 0)
    log << ", " << stream.too_long_outside() << " over-long lines outside the reports ignored";
  if (run.res.status == 1) log << "; stopped at a failed write";
  log << '\n';
}

}  // namespace

ViewResult run_view(const std::filesystem::path& storage_file, const std::filesystem::path& out_folder,
                    std::ostream& log, const ViewOptions& options) {
  ViewRun run{out_folder, log, options, storage_file.stem().string(), storage_file.filename().string(), {}};
  std::ifstream in;
  if (!open_storage(storage_file, in, log)) {
    run.res.status = 1;
    return run.res;
  }
  StorageStream stream(in);
  std::error_code ec;
  std::filesystem::create_directories(out_folder, ec);
  // What an analysis needs of the reports before it (the rest of the file is not kept).
  ParsedStorage context;
  context.record = record_beside(storage_file);
  if (context.record) log << run.source_name << ": design record " << record_path(storage_file).filename().string()
                          << " matches the file: the drawn copper and the Touchstone rows are the dialogue's own\n";
  StoredReport r;
  std::vector<SkippedRow> skipped;
  for (bool more = true; more && run.res.status != 1;) {
    more = stream.next(r, skipped);
    log_skipped_rows(run, skipped);
    if (!more) break;
    ++run.reports;
    run.cycles = r.cycle;
    view_report(run, context, keep_in_context(context, std::move(r)));
  }
  if (!stream.errors().empty() && run.res.status != 1) {
    for (const std::string& e : stream.errors()) log << "quorvane-view: " << storage_file.string() << ": " << e << '\n';
    run.res.status = 1;
    if (run.reports == 0) return run.res;
  }
  log_summary(run, stream);
  // A file that could not be written (status 1) outweighs a skipped row or a damaged report.
  if (run.res.status == 0 && run.trouble) run.res.status = 2;
  return run.res;
}

}  // namespace quorvane::view
