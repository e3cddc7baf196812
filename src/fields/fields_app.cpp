#include "fields/fields_app.hpp"

#include <algorithm>
#include <fstream>
#include <limits>

#include "fields/fields_report.hpp"
#include "dialogue/version.hpp"
#include "platform/command_line.hpp"
#include "platform/input_file.hpp"
#include "platform/output_file.hpp"
#include "stored/storage_parser.hpp"

namespace quorvane::fields {

using namespace quorvane::stored;

namespace {

// Through the one output helper: a temporary name, renamed when complete.
// After a failed write nothing more is written: the run ends with status 1.
bool write_file(const std::filesystem::path& p, const std::string& text, FieldsResult& res, std::ostream& log) {
  if (res.status == 1 || !platform::write_logged(p, text, "quorvane-fields", log)) {
    res.status = 1;
    return false;
  }
  res.written.push_back(p);
  return true;
}

ClosedForm stripline_closed_form(const stored::ElectricalTable* e, int section, double er) {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  ClosedForm c{nan, nan, er, er};
  if (!e) return c;
  for (const stored::PrintedElectricalRow& row : e->rows)
    if (row.k == section - 1) {
      c.zoe = row.zoe;
      c.zoo = row.zoo;
    }
  return c;
}

// Every section of every usable dimensional report, and the distinct
// cross-sections among them.
struct Pending {
  const stored::StoredReport* report;
  std::vector<SectionCheck> checks;
  std::vector<int> distinct;  // per check: index into `sections`, -1 skipped
};
struct Checks {
  std::vector<Pending> pending;
  std::vector<CrossSection> sections;
};

// The sections to solve: from the design record when it holds the report
// (the dialogue's own values), else from the printed table.
Checks collect_checks(const stored::ParsedStorage& storage, std::ostream& log, bool& trouble) {
  Checks all;
  std::vector<Pending>& pending = all.pending;
  std::vector<CrossSection>& sections = all.sections;
  for (const stored::StoredReport& r : storage.reports) {
    const auto* d = std::get_if<stored::DimensionTable>(&r.table);
    if (!d) continue;
    const char* kind = d->construction == stored::StoredConstruction::Microstrip ? "Microstrip" : "Stripline";
    log << "report " << r.position << " (line " << r.first_line << ", design cycle " << r.cycle
        << "): dimensional synthesis, " << kind << ", " << d->rows.size() << " sections\n";
    if (!r.errors.empty()) {
      for (const std::string& e : r.errors) log << "quorvane-fields: report " << r.position << ": " << e << '\n';
      log << "  damaged report: not checked\n";
      trouble = true;
      continue;
    }
    Pending p{&r, {}, {}};
    const stored::ElectricalTable* e = stored::cycle_electrical(storage, r);
    if (d->construction == stored::StoredConstruction::Stripline && !e)
      log << "  no electrical report of this design cycle: no closed-form impedances to compare\n";
    // From the design record when it holds this report: the dialogue's own values.
    const Recorded<RecordedDimensions> rec =
        storage.record ? recorded_at<RecordedDimensions>(*storage.record, r.first_line) : Recorded<RecordedDimensions>{};
    for (const stored::DimensionRow& row : d->rows) {
      SectionCheck c;
      c.section = row.section;
      c.cross_section = rec.report && row.realizable
                            ? recorded_cross_section(*rec.report, static_cast<std::size_t>(row.section - 1))
                            : row_cross_section(*d, row);
      std::string why;
      if (!row.realizable) why = "not realizable in stripline for its Zoe and Zoo";
      else why = cross_section_fault(c.cross_section);
      int index = -1;
      if (!why.empty()) {
        log << "quorvane-fields: report " << r.position << ", section " << row.section << ": " << why << "; skipped\n";
        c.skipped = why;
        trouble = true;
      } else {
        const auto it = std::find(sections.begin(), sections.end(), c.cross_section);
        index = static_cast<int>(it - sections.begin());
        if (it == sections.end()) sections.push_back(c.cross_section);
        c.closed = d->construction == stored::StoredConstruction::Microstrip ? microstrip_closed_form(c.cross_section)
                   : rec.report ? recorded_stripline_closed_form(*rec.cycle, *rec.report, row.section)
                                : stripline_closed_form(e, row.section, d->er);
      }
      p.checks.push_back(c);
      p.distinct.push_back(index);
    }
    pending.push_back(std::move(p));
  }
  return all;
}

// One dimensional report's table (console and file) and the drawings of its
// distinct cross-sections; returns the sections checked.
int write_report(Pending& p, const std::vector<FieldSolution>& solved, const std::vector<std::string>& faults,
                 const std::filesystem::path& out_folder, const std::string& stem, const std::string& source_name,
                 std::ostream& console, std::ostream& log, FieldsResult& res, bool& trouble) {
  int solved_count = 0;
  const auto& d = std::get<stored::DimensionTable>(p.report->table);
  std::vector<int> drawn;
  for (std::size_t k = 0; k < p.checks.size(); ++k) {
    const int index = p.distinct[k];
    if (index < 0) continue;
    if (!faults[index].empty()) {
      p.checks[k].skipped = "field solution failed: " + faults[index];
      trouble = true;
      continue;
    }
    p.checks[k].field = &solved[index];
    ++solved_count;
  }
  std::string text;
  for (const std::string& line : field_table(*p.report, d, source_name, p.checks)) {
    console << line << '\n';
    text += line + '\n';
  }
  console << '\n';
  const std::string base = stem + "-" + std::to_string(p.report->position) + "-fields";
  write_file(out_folder / (base + ".txt"), text, res, log);
  for (std::size_t k = 0; k < p.checks.size(); ++k) {
    const int index = p.distinct[k];
    if (!p.checks[k].field || std::find(drawn.begin(), drawn.end(), index) != drawn.end()) continue;
    drawn.push_back(index);
    const std::string title = "Section " + std::to_string(p.checks[k].section) + " of report " +
                              std::to_string(p.report->position) + ", " + source_name;
    write_file(out_folder / (base + "-" + std::to_string(p.checks[k].section) + ".svg"),
               cross_section_svg(p.checks[k].cross_section, title), res, log);
  }
  return solved_count;
}

}  // namespace

FieldsResult run_fields(const std::filesystem::path& storage_file, const std::filesystem::path& out_folder,
                        std::ostream& console, std::ostream& log, const SolveOptions& options) {
  FieldsResult res;
  std::ifstream in;
  if (const std::string why = platform::open_input(in, storage_file); !why.empty()) {
    log << "quorvane-fields: cannot open the storage file " << storage_file.string() << ": " << why << '\n';
    res.status = 1;
    return res;
  }
  stored::ParsedStorage storage = stored::read_storage(storage_file, in);
  const std::string source_name = storage_file.filename().string();
  if (in.bad() && storage.errors.empty()) storage.errors.push_back("the file cannot be read to its end");
  if (!storage.errors.empty()) {
    for (const std::string& e : storage.errors) log << "quorvane-fields: " << source_name << ": " << e << '\n';
    res.status = 1;
    return res;
  }
  bool trouble = false;
  for (const stored::SkippedRow& s : storage.skipped) {
    log << "quorvane-fields: line " << s.line << " (report " << s.report << ") skipped, "
        << stored::skip_reason_text(s.reason) << ": " << s.text << '\n';
    trouble = true;
  }

  Checks all = collect_checks(storage, log, trouble);
  std::vector<Pending>& pending = all.pending;
  const std::vector<CrossSection>& sections = all.sections;
  if (pending.empty()) {
    log << "quorvane-fields: " << source_name << ": no dimensional report (microstrip or stripline) to check\n";
    res.status = 1;
    return res;
  }

  log << "  solving " << sections.size() << (sections.size() == 1 ? " distinct section" : " distinct sections")
      << '\n';
  std::vector<std::string> faults;
  const std::vector<FieldSolution> solved = solve_sections(sections, faults, options);
  for (std::size_t k = 0; k < faults.size(); ++k) {
    if (!faults[k].empty()) log << "quorvane-fields: field solution failed: " << faults[k] << '\n';
    else if (options.levels == 0 && !solved[k].converged)
      log << "  a section stopped refining at " << solved[k].nodes << " nodes before two results agreed to "
          << 100.0 * options.tolerance << " %: its error column says how far they are apart\n";
  }

  std::error_code ec;
  std::filesystem::create_directories(out_folder, ec);
  const std::string stem = storage_file.stem().string();
  int solved_count = 0;
  for (Pending& p : pending)
    solved_count += write_report(p, solved, faults, out_folder, stem, source_name, console, log, res, trouble);
  log << source_name << ": " << pending.size() << (pending.size() == 1 ? " dimensional report, " : " dimensional reports, ")
      << solved_count << (solved_count == 1 ? " section" : " sections") << " checked (" << sections.size()
      << " distinct), " << res.written.size() << (res.written.size() == 1 ? " file" : " files") << " written\n";
  if (solved_count == 0 || res.status == 1) res.status = 1;
  else if (trouble) res.status = 2;
  return res;
}

int run_fields_program(const std::vector<std::string>& args, std::ostream& console, std::ostream& log) {
  std::string file, folder = ".";
  const platform::CommandLine line{
      "quorvane-fields", "FILE", "quorvane-fields of " + std::string(kProgramTitle),
      {platform::output_folder_option([&folder](const std::string& v) { folder = v; })}};
  const auto help = [&line] {
    return "Usage: " + platform::usage_line(line) +
           "\n\n"
           "Solves the cross-section of every coupled section of the dimensional reports in the\n"
           "storage file FILE (quasi-static 2-D field solution, even and odd mode) and compares\n"
           "Zoe, Zoo and the mode effective dielectric constants with the closed-form values.\n"
           "Writes <name>-n-fields.txt and <name>-n-fields-K.svg into FOLDER (default: the\n"
           "current folder) and the table to the console; the log goes to the error stream.\n\n" +
           platform::options_help(line) +
           "\nExit status 0 all sections solved, 2 some skipped, 1 none solved, or a file, the\n"
           "console or the log that cannot be written.\n";
  };
  if (const auto answered = platform::answer_command_line(line, args, help, console, log, file))
    return *answered;
  return run_fields(file, folder, console, log).status;
}

}  // namespace quorvane::fields
