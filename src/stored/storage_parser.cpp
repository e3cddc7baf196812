#include "stored/storage_parser.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string_view>

#include "analysis/analysis_layouts.hpp"
#include "dialogue/fortran_format.hpp"
#include "dialogue/report_layout.hpp"
#include "dialogue/report_layouts.hpp"
#include "dimensions/dimension_layouts.hpp"
#include "synthesis/electrical_layouts.hpp"

namespace quorvane::stored {

namespace {

// Every line is read with the layout the program prints it with.
using namespace fmt;

// ---- Walking a report ------------------------------------------------------

std::string trim_right(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.pop_back();
  return s;
}

bool is_blank(std::string_view s) {
  if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
  return s.find_first_not_of(' ') == std::string_view::npos;
}

// The lines of one report: [begin, end) of `lines`, which start at line
// `base` + 1 of the file.
class ReportReader {
 public:
  ReportReader(const std::vector<std::string>& lines, size_t base, size_t begin, size_t end, StoredReport& report,
               std::vector<SkippedRow>& skipped)
      : lines_(lines), base_(base), begin_(begin), end_(end), report_(report), skipped_(skipped) {}

  // The file's 1-based line number of lines_[i].
  size_t line_number(size_t i) const { return base_ + i + 1; }

  // First line at or after `from` matching `layout`; `end_` when none.
  size_t find(const Layout& layout, size_t from) const {
    for (size_t i = from; i < end_; ++i)
      if (match_line(lines_[i], layout)) return i;
    return end_;
  }

  // The values of the first line from `from` on with this layout, or an error.
  std::optional<LineMatch> field_line(const Layout& layout, size_t from, const char* what, size_t* at = nullptr) {
    const size_t i = find(layout, from);
    if (i == end_) {
      error(std::string("no ") + what + " line");
      return std::nullopt;
    }
    if (at) *at = i;
    auto m = match_line(lines_[i], layout);
    if (m->any_overflow) {
      error(std::string(what) + " line " + std::to_string(line_number(i)) + " has a field of asterisks");
      return std::nullopt;
    }
    return m;
  }

  void error(std::string message) { report_.errors.push_back(std::move(message)); }

  void skip(size_t i, SkipReason reason) {
    skipped_.push_back({static_cast<int>(line_number(i)), report_.position, reason, lines_[i]});
    ++report_.skipped_rows;
  }

  // The table lines after `rule` up to the first line matching `closing`
  // (or the report's end); each non-blank line is matched with `row` and
  // handed to `take` when it is one, or skipped with its reason.  `take`
  // returns false when the row contradicts its position (a damaged row).
  // Returns the index of the closing line, `end_` when there is none.
  template <typename Take>
  size_t read_rows(size_t rule, const Layout& row, const Layout& closing, Take take) {
    return read_rows(rule, {&row}, closing, [&](const LineMatch& m, size_t) { return take(m); });
  }

  // The same for a table whose rows have one of several layouts; `take`
  // is told which of `rows` the line has.
  template <typename Take>
  size_t read_rows(size_t rule, const std::vector<const Layout*>& rows, const Layout& closing, Take take) {
    size_t i = rule + 1;
    for (; i < end_; ++i) {
      if (match_line(lines_[i], closing)) return i;
      if (is_blank(lines_[i])) continue;
      std::optional<LineMatch> m;
      size_t which = 0;
      for (; which < rows.size() && !m; ++which) m = match_line(lines_[i], *rows[which]);
      if (!m) {
        skip(i, SkipReason::Malformed);
      } else if (m->any_overflow) {
        skip(i, SkipReason::Overflow);
      } else if (!take(*m, which - 1)) {
        skip(i, SkipReason::Malformed);
      }
    }
    error("table is not closed: no line after its rows ends it");
    return end_;
  }

  const std::string& line(size_t i) const { return lines_[i]; }
  size_t begin() const { return begin_; }
  size_t end() const { return end_; }

 private:
  const std::vector<std::string>& lines_;
  size_t base_;
  size_t begin_, end_;
  StoredReport& report_;
  std::vector<SkippedRow>& skipped_;
};

float r(const LineMatch& m, size_t k) { return m.values[k].real; }
int n(const LineMatch& m, size_t k) { return static_cast<int>(m.values[k].integer); }

// The four summary lines every report has; `fhigh` is this report's layout
// of the Fhigh line (its ripple field).
void read_summary(ReportReader& rd, const Layout& fhigh, DesignSummary& s) {
  const size_t from = rd.begin();
  if (auto m = rd.field_line(flow_line(), from, "Flow")) {
    s.flow = r(*m, 0);
    s.response = m->values[1].alpha;
  }
  if (auto m = rd.field_line(fo_line(), from, "Fo")) {
    s.f0 = r(*m, 0);
    s.poles = n(*m, 1);
  }
  if (auto m = rd.field_line(fhigh, from, "Fhigh")) {
    s.fhigh = r(*m, 0);
    s.ripple = r(*m, 1);
  }
  if (auto m = rd.field_line(bw_line(), from, "BW")) {
    s.bw = r(*m, 0);
    s.z0 = r(*m, 1);
  }
}

// Rows of a per-section table must be one for each of the N+1 sections.
void check_section_count(ReportReader& rd, const StoredReport& rep, size_t rows, size_t skipped_before) {
  const int expected = rep.summary.poles + 1;
  if (rep.summary.poles <= 0) return;  // already an error: no Fo line
  if (static_cast<int>(rows) != expected) {
    std::string msg = "table holds " + std::to_string(rows) + " of the " + std::to_string(expected) + " section rows";
    const int lost = rep.skipped_rows - static_cast<int>(skipped_before);
    if (lost > 0) msg += " (" + std::to_string(lost) + " skipped)";
    rd.error(msg);
  }
}

void read_electrical(ReportReader& rd, StoredReport& rep) {
  ElectricalTable t;
  read_summary(rd, fhigh_line_electrical(), rep.summary);
  if (auto m = rd.field_line(bw3db_line(), rd.begin(), "BW3dB")) t.bw3db = r(*m, 0);
  const size_t rule = rd.find(rule69(), rd.begin());
  if (rule == rd.end()) {
    rd.error("no electrical table");
  } else {
    const size_t skipped_before = static_cast<size_t>(rep.skipped_rows);
    const size_t close = rd.read_rows(rule, electrical_row(), load_line(), [&](const LineMatch& m) {
      PrintedElectricalRow row{n(m, 0), r(m, 1), n(m, 2), n(m, 3), r(m, 4), r(m, 5), r(m, 6), r(m, 7), r(m, 8)};
      const int expected_k = t.rows.empty() ? 0 : t.rows.back().k + 1;
      if (row.i != row.k || row.k1 != row.k + 1 || row.k < expected_k) return false;
      t.rows.push_back(row);
      return true;
    });
    check_section_count(rd, rep, t.rows.size(), skipped_before);
    if (close != rd.end()) {
      if (auto m = rd.field_line(load_line(), close, "load")) t.g_load = r(*m, 1);
      if (auto m = rd.field_line(external_q_line(), close, "external Q")) {
        t.qe_in = r(*m, 0);
        t.qe_out = r(*m, 2);
      }
    }
  }
  rep.table = std::move(t);
}

// One row of the dimensional table: `which` 1 is a stripline section that
// is not realisable (no width or gap printed).
DimensionRow dimension_row(const LineMatch& m, size_t which, bool microstrip) {
  DimensionRow row;
  row.section = n(m, 0);
  if (which == 1) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    row.realizable = false;
    row.k0 = n(m, 1);
    row.k1 = n(m, 2);
    row.length_in = r(m, 3);
    row.w_in = row.w_mm = row.s_in = row.s_mm = row.cap_open_pf = nan;
  } else {
    row.w_in = r(m, 1);
    row.w_mm = r(m, 2);
    row.k0 = n(m, 3);
    row.k1 = n(m, 4);
    row.s_in = r(m, 5);
    row.s_mm = r(m, 6);
    row.length_in = r(m, 7);
    if (microstrip) {
      row.eff_even = r(m, 8);
      row.eff_odd = r(m, 9);
    } else {
      row.cap_open_pf = r(m, 8);
    }
  }
  return row;
}

// The closing lines after the table: the total length, the Zo line, the
// quarter wave and the mode limits.
void read_dimension_closing(ReportReader& rd, size_t close, bool microstrip, DimensionTable& t) {
  if (auto m = rd.field_line(total_line(), close, "total length")) {
    t.total_in = r(*m, 0);
    // The drawing's caption and scale need the total.
    if (!std::isfinite(t.total_in)) rd.error("the total length is not a finite number");
  }
  if (auto m = rd.field_line(microstrip ? zo_line_microstrip() : zo_line_stripline(), close, "For Zo")) {
    t.zo_line = r(*m, 0);
    t.w_zo_in = r(*m, 1);
    t.zo_line_er = r(*m, 2);
  }
  if (auto m = rd.field_line(fo_wave_line(), close, "For Fo")) t.quarter_wave_in = r(*m, 1);
  if (microstrip) {
    if (auto m = rd.field_line(surface_wave_line(), close, "surface-wave limit")) t.surface_wave_ghz = r(*m, 0);
    if (auto m = rd.field_line(te_mode_line(), close, "TE-mode limit")) t.te_mode_ghz = r(*m, 0);
  } else if (auto m = rd.field_line(stripline_limit_line(), close, "frequency limit")) {
    t.surface_wave_ghz = r(*m, 0);
  }
}

void read_dimensions(ReportReader& rd, StoredReport& rep) {
  DimensionTable t;
  read_summary(rd, fhigh_line_dimensions(), rep.summary);
  if (auto m = rd.field_line(er_construction_line(), rd.begin(), "Er and Construction")) {
    t.er = r(*m, 0);
    t.construction_name = m->values[1].alpha;
  }
  const size_t ms_head = rd.find(microstrip_head(), rd.begin());
  const size_t sl_head = rd.find(stripline_head(), rd.begin());
  const bool microstrip = ms_head < sl_head;
  t.construction = microstrip ? StoredConstruction::Microstrip : StoredConstruction::Stripline;
  const std::string_view height_name = microstrip ? kMicrostripHeightName : kStriplineHeightName;
  if (auto m = rd.field_line(height_line(), rd.begin(), microstrip ? "H" : "B")) {
    if (m->values[0].alpha != height_name) {
      rd.error("the height line names " + m->values[0].alpha + ", not " + std::string(height_name));
    } else {
      t.height_in = r(*m, 1);
      t.thick_in = r(*m, 2);
    }
  }
  const size_t head = microstrip ? ms_head : sl_head;
  const std::string expected_name = microstrip ? "Microstrip" : "Stripline";
  if (head == rd.end()) {
    rd.error("no dimensional table");
    rep.table = std::move(t);
    return;
  }
  if (!t.construction_name.empty() && t.construction_name != expected_name)
    rd.error("construction " + t.construction_name + " does not match the " + expected_name + " table");
  const size_t rule = rd.find(rule72(), head);
  if (rule == rd.end()) {
    rd.error("dimensional table has no rule line");
    rep.table = std::move(t);
    return;
  }
  const size_t skipped_before = static_cast<size_t>(rep.skipped_rows);
  std::vector<const Layout*> row_layouts{microstrip ? &microstrip_row() : &stripline_row()};
  if (!microstrip) row_layouts.push_back(&stripline_unrealizable_row());
  const size_t close = rd.read_rows(rule, row_layouts, total_line(), [&](const LineMatch& m, size_t which) {
    DimensionRow row = dimension_row(m, which, microstrip);
    const int expected_k = t.rows.empty() ? 1 : t.rows.back().section + 1;
    if (row.k0 != row.section - 1 || row.k1 != row.section || row.section < expected_k) return false;
    t.rows.push_back(row);
    return true;
  });
  check_section_count(rd, rep, t.rows.size(), skipped_before);
  if (close != rd.end()) read_dimension_closing(rd, close, microstrip, t);
  rep.table = std::move(t);
}

void read_analysis(ReportReader& rd, StoredReport& rep) {
  AnalysisTable t;
  read_summary(rd, fhigh_line_analysis(), rep.summary);
  if (auto m = rd.field_line(roughness_line(), rd.begin(), "SR")) {
    t.sr_uin = r(*m, 0);
    t.res_uohm_cm = r(*m, 1);
  }
  if (auto m = rd.field_line(loss_tangent_line(), rd.begin(), "Loss Tangent")) t.loss_tangent = r(*m, 0);
  if (const size_t at = rd.find(ideal_line(), rd.begin()); at != rd.end()) {
    if (auto m = rd.field_line(ideal_line(), at, "ideal")) {
      t.ideal = true;
      t.ideal_er = r(*m, 0);
      t.ideal_quarter_wave_in = r(*m, 1);
    }
  }
  const size_t head1 = rd.find(format1_head(), rd.begin());
  const size_t head2 = rd.find(format2_head(), rd.begin());
  if (head1 == rd.end() && head2 == rd.end()) {
    // A sweep the program refused prints its reason in place of the table.
    const std::string lead = fill(not_run_lead(), {});
    for (size_t i = rd.begin(); i < rd.end() && t.not_run.empty(); ++i)
      if (rd.line(i).rfind(lead, 0) == 0) t.not_run = trim_right(rd.line(i).substr(6));
    if (t.not_run.empty()) {
      rd.error("no response table");
    } else {
      // Print format 2 repeats the title block before its table.
      const size_t first = rd.find(analysis_title(), rd.begin());
      t.format = rd.find(analysis_title(), first + 1) < rd.end() ? 2 : 1;
    }
    rep.table = std::move(t);
    return;
  }
  t.format = head1 < head2 ? 1 : 2;
  const size_t rule = rd.find(t.format == 1 ? format1_rule() : rule72(), t.format == 1 ? head1 : head2);
  if (rule == rd.end()) {
    rd.error("response table has no rule line");
    rep.table = std::move(t);
    return;
  }
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const size_t close = rd.read_rows(rule, t.format == 1 ? format1_row() : format2_row(), source_line(),
                                    [&](const LineMatch& m) {
                                      AnalysisRow row;
                                      row.freq = r(m, 0);
                                      if (t.format == 1) {
                                        row = {r(m, 0), r(m, 1), r(m, 2), r(m, 3), r(m, 4), r(m, 5), r(m, 6), r(m, 7)};
                                      } else {
                                        row = {r(m, 0), r(m, 3), nan, r(m, 4), r(m, 1), r(m, 2), r(m, 5), r(m, 6)};
                                      }
                                      t.rows.push_back(row);
                                      return true;
                                    });
  if (close != rd.end()) {
    if (auto m = rd.field_line(source_line(), close, "source impedance")) t.zs = r(*m, 0);
    if (auto m = rd.field_line(load_impedance_line(), close, "load impedance")) t.zl = r(*m, 0);
  }
  if (t.rows.empty() && close != rd.end()) rd.error("response table has no usable row");
  rep.table = std::move(t);
}

// The design values that stay fixed through a design cycle.  The system
// impedance is not among them (a stripline synthesis replaces it by the
// impedance of the width it finds), and the ripple is compared to the
// three decimals that every report prints: two printings of one ripple lie
// at most half a unit of the third decimal apart (0.0125 dB prints as 0.013
// and 0.01250).  That half unit is widened by a little more than the
// single-precision error of the two printed values read back, so that a
// difference of exactly 0.0005 in decimals still counts as the same ripple.
bool same_design(const DesignSummary& a, const DesignSummary& b) {
  constexpr float kHalfUnit = 0.0005f;
  constexpr float kReadBackSlack = 1e-6f;
  return a.flow == b.flow && a.f0 == b.f0 && a.fhigh == b.fhigh && a.bw == b.bw && a.poles == b.poles &&
         a.response == b.response && std::fabs(a.ripple - b.ripple) <= kHalfUnit + kReadBackSlack;
}

std::optional<ReportStamp> read_stamp(const std::string& line) {
  const auto m = match_line(line, date_line());
  if (!m || m->any_overflow) return std::nullopt;
  return ReportStamp{n(*m, 0), n(*m, 1), n(*m, 2), n(*m, 3), n(*m, 4), n(*m, 5)};
}

}  // namespace

double printed_frequency(float freq) { return std::strtod(fmt::F(freq, 16, 2).c_str(), nullptr); }

std::vector<size_t> increasing_rows(const AnalysisTable& table, const std::function<bool(const AnalysisRow&)>& usable,
                                    int& dropped) {
  std::vector<size_t> kept;
  double last = -std::numeric_limits<double>::infinity();
  for (size_t i = 0; i < table.rows.size(); ++i) {
    if (!usable(table.rows[i])) continue;
    const double f = printed_frequency(table.rows[i].freq);
    if (!(f > last)) {
      ++dropped;
      continue;
    }
    last = f;
    kept.push_back(i);
  }
  return kept;
}

ParsedStorage read_storage(const std::filesystem::path& file, std::istream& in) {
  ParsedStorage storage = parse_storage(in);
  storage.record = record_beside(file);
  return storage;
}

const StoredReport* earlier_report(const ParsedStorage& storage, const StoredReport& report, ReportKind kind) {
  const StoredReport* found = nullptr;
  for (const StoredReport& r : storage.reports) {
    if (r.position >= report.position) break;
    if (r.cycle == report.cycle && r.kind == kind) found = &r;
  }
  return found;
}

const ElectricalTable* cycle_electrical(const ParsedStorage& storage, const StoredReport& report) {
  const StoredReport* r = earlier_report(storage, report, ReportKind::Electrical);
  return r && r->errors.empty() ? &std::get<ElectricalTable>(r->table) : nullptr;
}

const char* skip_reason_text(SkipReason reason) {
  switch (reason) {
    case SkipReason::Overflow: return "a field of asterisks (value too wide for its field)";
    case SkipReason::Malformed: return "not in the table's column layout";
    case SkipReason::TooLong: return "longer than any report line";
  }
  return "skipped";
}

StorageStream::StorageStream(std::istream& in) : in_(in) {}

// One line of at most kLongestStorageLine characters (a CR before the line
// end not counted); the rest of a longer line is read and dropped, and
// `too_long` set.  False at the end of the input.
bool StorageStream::read_line(std::string& line, bool& too_long) {
  line.clear();
  too_long = false;
  char buf[kLongestStorageLine + 3];  // the longest line, a CR, the closing NUL
  in_.getline(buf, sizeof buf);
  const auto got = static_cast<size_t>(in_.gcount());
  if (in_.bad()) {
    read_failed_ = true;
    return false;
  }
  if (got == 0 && in_.fail()) return false;  // the end of the input
  if (in_.fail()) {
    // The buffer filled without a line end: the rest of the line is dropped.
    in_.clear();
    in_.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    if (in_.bad()) read_failed_ = true;
    line.assign(buf, 64);
    too_long = true;
    return true;
  }
  line.assign(buf, in_.eof() ? got : got - 1);  // the line end is counted, not stored
  if (line.size() > kLongestStorageLine + (line.ends_with('\r') ? 1 : 0)) {
    line.resize(64);
    too_long = true;
  }
  return true;
}

StoredReport StorageStream::build(bool next_follows) {
  std::vector<std::string>& lines = window_;
  size_t end = lines.size();
  // The rule and empty line in front of the next date line belong to it.
  if (next_follows && end >= 3 && match_line(lines[end - 1], rule72())) {
    --end;
    if (is_blank(lines[end - 1])) --end;
  }
  StoredReport rep;
  rep.position = ++reports_;
  rep.first_line = static_cast<int>(window_first_) + 1;
  rep.stamp = *read_stamp(lines[0]);
  std::vector<SkippedRow> found;
  ReportReader rd(lines, window_first_, 0, end, rep, found);

  const size_t e = rd.find(electrical_title(), rd.begin());
  const size_t d = rd.find(dimensions_title(), rd.begin());
  const size_t a = rd.find(analysis_title(), rd.begin());
  const size_t first = std::min({e, d, a});
  if (first == rd.end()) {
    rd.error("report of unknown kind: no title line follows the header");
    rep.kind = ReportKind::Electrical;
  } else if (first == e) {
    rep.kind = ReportKind::Electrical;
    read_electrical(rd, rep);
  } else if (first == d) {
    rep.kind = ReportKind::Dimensions;
    read_dimensions(rd, rep);
  } else {
    rep.kind = ReportKind::Analysis;
    read_analysis(rd, rep);
  }

  const Layout& stored = rep.kind == ReportKind::Analysis ? stored_line_analysis() : stored_line();
  if (const size_t at = rd.find(stored, rd.begin()); at != rd.end())
    rep.stored_in = match_line(lines[at], stored)->values[0].alpha;

  // A design cycle starts with its electrical report and keeps one clock
  // reading and one design; a new electrical report, a new reading or a
  // report of another design starts the next.
  const bool new_cycle = reports_ == 1 || rep.kind == ReportKind::Electrical || !(rep.stamp == last_stamp_) ||
                         !same_design(rep.summary, last_summary_);
  rep.cycle = cycle_ += new_cycle ? 1 : 0;
  last_stamp_ = rep.stamp;
  last_summary_ = rep.summary;

  // The over-long lines of the report, then its skipped rows, by line.
  for (SkippedRow& s : found) pending_skipped_.push_back(std::move(s));
  std::stable_sort(pending_skipped_.begin(), pending_skipped_.end(),
                   [](const SkippedRow& x, const SkippedRow& y) { return x.line < y.line; });
  rep.skipped_rows += too_long_in_window_;
  too_long_in_window_ = 0;
  return rep;
}

bool StorageStream::next(StoredReport& report, std::vector<SkippedRow>& skipped) {
  skipped.clear();
  std::string line;
  bool too_long = false;
  while (read_line(line, too_long)) {
    const size_t number = lines_read_++;
    if (too_long) {
      // In a report the line is skipped and held as a blank one; outside
      // the reports, where every line is ignored, it is only counted.
      if (started_) {
        pending_skipped_.push_back({static_cast<int>(number + 1), reports_ + 1, SkipReason::TooLong, line + "..."});
        ++too_long_in_window_;
      } else {
        ++too_long_outside_;
      }
      line.clear();
    }
    if (!too_long && read_stamp(line)) {
      const bool had = started_;
      std::vector<std::string> next_window{std::move(line)};
      StoredReport built;
      if (had) built = build(true);
      window_ = std::move(next_window);
      window_first_ = number;
      started_ = true;
      if (had) {
        report = std::move(built);
        skipped.swap(pending_skipped_);
        return true;
      }
      continue;
    }
    if (started_) window_.push_back(std::move(line));
  }
  if (started_) {
    started_ = false;
    report = build(false);
    window_.clear();
    skipped.swap(pending_skipped_);
    return true;
  }
  skipped.swap(pending_skipped_);
  if (reports_ == 0 && errors_.empty()) {
    std::string why = read_failed_      ? "the file cannot be read to its end"
                      : lines_read_ == 0 ? "the file is empty: no report found"
                                         : "no report found: no line holds the dated report header";
    if (too_long_outside_ > 0)
      why += " (" + std::to_string(too_long_outside_) + " lines longer than any report line)";
    errors_.push_back(why);
  } else if (read_failed_ && errors_.empty()) {
    errors_.push_back("the file cannot be read to its end");
  }
  return false;
}

ParsedStorage parse_storage(std::istream& in) {
  ParsedStorage out;
  StorageStream stream(in);
  StoredReport report;
  std::vector<SkippedRow> skipped;
  for (bool more = true; more;) {
    more = stream.next(report, skipped);
    for (SkippedRow& s : skipped) out.skipped.push_back(std::move(s));
    if (more) out.reports.push_back(std::move(report));
  }
  if (out.reports.empty()) out.errors = stream.errors();
  return out;
}

}  // namespace quorvane::stored
