#include "view/view_app.hpp"

#include <fstream>
#include <optional>
#include <stdexcept>

#include "view/drawn_copper.hpp"
#include "view/filter_layout.hpp"
#include "view/layout_writers.hpp"
#include "view/svg_plot.hpp"
#include "view/touchstone.hpp"

namespace quorvane::view {

namespace {

const char* kind_name(const Report& r) {
  switch (r.kind) {
    case ReportKind::Electrical: return "electrical synthesis";
    case ReportKind::Dimensions: return "dimensional synthesis";
    case ReportKind::Analysis: return "frequency analysis";
  }
  return "report";
}

bool write_file(const std::filesystem::path& p, const std::string& text, ViewResult& res, std::ostream& log) {
  std::ofstream f(p, std::ios::binary);
  f << text;
  f.close();
  if (!f) {
    log << "quorvane-view: cannot write " << p.string() << '\n';
    res.status = 1;
    return false;
  }
  res.written.push_back(p);
  log << "  wrote " << p.string() << '\n';
  return true;
}

}  // namespace

std::string detail(const ParsedStorage& storage, const Report& r) {
  if (const auto* a = std::get_if<AnalysisTable>(&r.table)) {
    const std::string c = analysis_construction(storage, r);
    return ", print format " + std::to_string(a->format) + (c.empty() ? ", construction not stored" : ", " + c);
  }
  if (const auto* d = std::get_if<DimensionTable>(&r.table))
    return d->construction == Construction::Microstrip ? ", Microstrip" : ", Stripline";
  return "";
}

const Report* earlier_report(const ParsedStorage& storage, const Report& report, ReportKind kind) {
  const Report* found = nullptr;
  for (const Report& r : storage.reports) {
    if (r.position >= report.position) break;
    if (r.cycle == report.cycle && r.kind == kind) found = &r;
  }
  return found;
}

std::string analysis_construction(const ParsedStorage& storage, const Report& analysis) {
  if (const auto* t = std::get_if<AnalysisTable>(&analysis.table); t && t->ideal) return "ideal lines in air";
  const Report* r = earlier_report(storage, analysis, ReportKind::Dimensions);
  if (!r) return "";
  return std::get<DimensionTable>(r->table).construction == Construction::Microstrip ? "Microstrip" : "Stripline";
}

namespace {

// The copper of the analysed dimensional report as drawn, analysed at the
// table's frequencies; nothing for an ideal analysis or one without a
// usable dimensional report.
std::optional<DrawnAnalysis> drawn_analysis(const ParsedStorage& storage, const Report& r, const AnalysisTable& a,
                                            CopperDrawing drawing, std::ostream& log) {
  const Report* dim = a.ideal ? nullptr : earlier_report(storage, r, ReportKind::Dimensions);
  if (!dim || !dim->errors.empty()) return std::nullopt;
  const Report* el = earlier_report(storage, r, ReportKind::Electrical);
  const ElectricalTable* electrical = el && el->errors.empty() ? &std::get<ElectricalTable>(el->table) : nullptr;
  try {
    const DrawnAnalysis d =
        analyse_drawn(drawn_filter(*dim, a, electrical, drawing), a, drawing == CopperDrawing::Compensated);
    log << "  drawn copper of report " << dim->position << ", " << centre_text(d) << '\n';
    return d;
  } catch (const std::invalid_argument& e) {
    log << "  no analysis of the drawn copper of report " << dim->position << ": " << e.what() << '\n';
    return std::nullopt;
  }
}

}  // namespace

ViewResult run_view(const std::filesystem::path& storage_file, const std::filesystem::path& out_folder,
                    std::ostream& log, CopperDrawing drawing) {
  ViewResult res;
  std::ifstream in(storage_file, std::ios::binary);
  if (!in) {
    log << "quorvane-view: cannot open the storage file " << storage_file.string() << '\n';
    res.status = 1;
    return res;
  }
  const ParsedStorage storage = parse_storage(in);
  if (!storage.errors.empty()) {
    for (const std::string& e : storage.errors) log << "quorvane-view: " << storage_file.string() << ": " << e << '\n';
    res.status = 1;
    return res;
  }
  std::error_code ec;
  std::filesystem::create_directories(out_folder, ec);
  const std::string stem = storage_file.stem().string();
  const std::string source_name = storage_file.filename().string();
  bool trouble = false;
  int damaged = 0;
  int undrawn = 0;  // dimensional tables read but not drawable

  for (const SkippedRow& s : storage.skipped) {
    log << "quorvane-view: line " << s.line << " (report " << s.report << ") skipped, " << skip_reason_text(s.reason)
        << ": " << s.text << '\n';
    trouble = true;
  }
  for (const Report& r : storage.reports) {
    log << "report " << r.position << " (line " << r.first_line << ", design cycle " << r.cycle << "): "
        << kind_name(r) << detail(storage, r) << '\n';
    if (!r.errors.empty()) {
      for (const std::string& e : r.errors) log << "quorvane-view: report " << r.position << ": " << e << '\n';
      log << "  damaged report: no file written for it\n";
      trouble = true;
      ++damaged;
      continue;
    }
    const std::string base = stem + "-" + std::to_string(r.position);
    if (const auto* a = std::get_if<AnalysisTable>(&r.table); a && !a->not_run.empty()) {
      log << "  no table, the program refused the sweep: " << a->not_run << '\n';
    } else if (a) {
      const std::string construction = analysis_construction(storage, r);
      PlotSpec plot = response_plot(r, *a, construction);
      if (const std::optional<DrawnAnalysis> drawn = drawn_analysis(storage, r, *a, drawing, log))
        add_drawn_response(plot, *drawn);
      write_file(out_folder / (base + "-response.svg"), render_plot(plot), res, log);
      if (a->format == 1) {
        const TouchstoneFile ts = touchstone(r, *a, source_name);
        write_file(out_folder / (base + "." + ts.extension), ts.text, res, log);
        if (ts.rows_left_out > 0) {
          log << "  " << ts.rows_left_out << " rows left out of the Touchstone file (not a finite number)\n";
          trouble = true;
        }
      }
    } else if (const auto* d = std::get_if<DimensionTable>(&r.table)) {
      try {
        const FilterLayout lay = build_layout(
            *d, r.summary.poles, drawing == CopperDrawing::Compensated ? open_end_extensions(r) : std::vector<float>{});
        for (const std::string& w : lay.warnings) log << "  warning: " << w << '\n';
        const std::string title = "Layout: " + summary_title(r.summary, d->construction_name);
        write_file(out_folder / (base + "-layout.svg"), layout_svg(lay, *d, title), res, log);
        write_file(out_folder / (base + ".dxf"), layout_dxf(lay), res, log);
      } catch (const std::invalid_argument& e) {
        log << "quorvane-view: report " << r.position << ": " << e.what() << "; no layout written\n";
        trouble = true;
        ++undrawn;
      }
    }
  }
  const int cycles = storage.reports.back().cycle;
  log << source_name << ": " << storage.reports.size() << (storage.reports.size() == 1 ? " report" : " reports")
      << " in " << cycles << (cycles == 1 ? " design cycle" : " design cycles") << ", " << res.written.size()
      << (res.written.size() == 1 ? " file" : " files") << " written";
  if (!storage.skipped.empty())
    log << ", " << storage.skipped.size() << (storage.skipped.size() == 1 ? " table row" : " table rows")
        << " skipped";
  if (damaged > 0) log << ", " << damaged << (damaged == 1 ? " damaged report" : " damaged reports");
  if (undrawn > 0) log << ", " << undrawn << (undrawn == 1 ? " table not drawn" : " tables not drawn");
  log << '\n';
  if (res.status == 0 && trouble) res.status = 2;
  return res;
}

}  // namespace quorvane::view
