#include "view/view_app.hpp"

#include <sys/stat.h>

#include <fstream>
#include <stdexcept>

#include "view/filter_layout.hpp"
#include "view/layout_writers.hpp"
#include "view/output_file.hpp"
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

// Every output goes through here.  After a failed write nothing more is
// written: the run ends with status 1.
bool write_file(const std::filesystem::path& p, const std::string& text, ViewResult& res, std::ostream& log) {
  if (res.status == 1) return false;
  if (const std::string why = write_output_file(p, text); !why.empty()) {
    log << "quorvane-view: cannot write " << p.string() << ": " << why << '\n';
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

std::string analysis_construction(const ParsedStorage& storage, const Report& analysis) {
  if (const auto* t = std::get_if<AnalysisTable>(&analysis.table); t && t->ideal) return "ideal lines in air";
  std::string found;
  for (const Report& r : storage.reports) {
    if (r.position >= analysis.position) break;
    if (r.cycle != analysis.cycle || r.kind != ReportKind::Dimensions) continue;
    const auto& d = std::get<DimensionTable>(r.table);
    found = d.construction == Construction::Microstrip ? "Microstrip" : "Stripline";
  }
  return found;
}

namespace {

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

ViewResult run_view(const std::filesystem::path& storage_file, const std::filesystem::path& out_folder,
                    std::ostream& log) {
  ViewResult res;
  if (const std::string what = not_a_storage_file(storage_file); !what.empty()) {
    log << "quorvane-view: " << storage_file.string() << " is " << what << ", not a storage file\n";
    res.status = 1;
    return res;
  }
  std::ifstream in(storage_file, std::ios::binary);
  if (!in) {
    log << "quorvane-view: cannot open the storage file " << storage_file.string() << '\n';
    res.status = 1;
    return res;
  }
  StorageStream stream(in);
  std::error_code ec;
  std::filesystem::create_directories(out_folder, ec);
  const std::string stem = storage_file.stem().string();
  const std::string source_name = storage_file.filename().string();
  bool trouble = false;
  int damaged = 0;
  int undrawn = 0;  // dimensional tables read but not drawable
  std::size_t reports = 0;
  std::size_t skipped_rows = 0;
  int cycles = 0;
  // What an analysis needs of the reports before it: the last dimensional
  // report of its design cycle (the rest of the file is not kept).
  ParsedStorage context;
  Report r;
  std::vector<SkippedRow> skipped;
  for (bool more = true; more && res.status != 1;) {
    more = stream.next(r, skipped);
    for (const SkippedRow& s : skipped) {
      log << "quorvane-view: line " << s.line << " (report " << s.report << ") skipped, "
          << skip_reason_text(s.reason) << ": " << s.text << '\n';
      trouble = true;
    }
    skipped_rows += skipped.size();
    if (!more) break;
    ++reports;
    cycles = r.cycle;
    if (!context.reports.empty() && context.reports.back().kind != ReportKind::Dimensions) context.reports.pop_back();
    if (!context.reports.empty() && (context.reports.back().cycle != r.cycle || r.kind == ReportKind::Dimensions))
      context.reports.clear();
    context.reports.push_back(std::move(r));
    const Report& rep = context.reports.back();
    log << "report " << rep.position << " (line " << rep.first_line << ", design cycle " << rep.cycle
        << "): " << kind_name(rep) << detail(context, rep) << '\n';
    if (!rep.errors.empty()) {
      for (const std::string& e : rep.errors) log << "quorvane-view: report " << rep.position << ": " << e << '\n';
      log << "  damaged report: no file written for it\n";
      trouble = true;
      ++damaged;
      continue;
    }
    const std::string base = stem + "-" + std::to_string(rep.position);
    if (const auto* a = std::get_if<AnalysisTable>(&rep.table); a && !a->not_run.empty()) {
      log << "  no table, the program refused the sweep: " << a->not_run << '\n';
    } else if (a) {
      const std::string construction = analysis_construction(context, rep);
      write_file(out_folder / (base + "-response.svg"), render_plot(response_plot(rep, *a, construction)), res, log);
      if (a->format == 1) {
        const TouchstoneFile ts = touchstone(rep, *a, source_name);
        write_file(out_folder / (base + "." + ts.extension), ts.text, res, log);
        if (ts.rows_left_out > 0) {
          log << "  " << ts.rows_left_out << " rows left out of the Touchstone file (not a finite number)\n";
          trouble = true;
        }
      }
    } else if (const auto* d = std::get_if<DimensionTable>(&rep.table)) {
      try {
        const FilterLayout lay = build_layout(*d, rep.summary.poles);
        for (const std::string& w : lay.warnings) log << "  warning: " << w << '\n';
        const std::string title = "Layout: " + summary_title(rep.summary, d->construction_name);
        write_file(out_folder / (base + "-layout.svg"), layout_svg(lay, *d, title), res, log);
        write_file(out_folder / (base + ".dxf"), layout_dxf(lay), res, log);
      } catch (const std::invalid_argument& e) {
        log << "quorvane-view: report " << rep.position << ": " << e.what() << "; no layout written\n";
        trouble = true;
        ++undrawn;
      }
    }
  }
  if (!stream.errors().empty() && res.status != 1) {
    for (const std::string& e : stream.errors()) log << "quorvane-view: " << storage_file.string() << ": " << e << '\n';
    res.status = 1;
    if (reports == 0) return res;
  }
  log << source_name << ": " << reports << (reports == 1 ? " report" : " reports") << " in " << cycles
      << (cycles == 1 ? " design cycle" : " design cycles") << ", " << res.written.size()
      << (res.written.size() == 1 ? " file" : " files") << " written";
  if (skipped_rows > 0)
    log << ", " << skipped_rows << (skipped_rows == 1 ? " table row" : " table rows") << " skipped";
  if (damaged > 0) log << ", " << damaged << (damaged == 1 ? " damaged report" : " damaged reports");
  if (undrawn > 0) log << ", " << undrawn << (undrawn == 1 ? " table not drawn" : " tables not drawn");
  if (stream.too_long_outside() > 0)
    log << ", " << stream.too_long_outside() << " over-long lines outside the reports ignored";
  if (res.status == 1) log << "; stopped at a failed write";
  log << '\n';
  if (res.status == 0 && trouble) res.status = 2;
  return res;
}

}  // namespace quorvane::view
