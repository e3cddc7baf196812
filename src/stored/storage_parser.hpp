// Reader of the storage file: the report lines the program copies to the
// user-named text file, in the fixed-column layouts it prints them with.
// A storage file holds any number of reports (electrical synthesis,
// microstrip or stripline dimensions, frequency analysis in either print
// format) from any number of design cycles, each opening with the dated
// report header.  The reader finds every report, reads its summary and its
// table by columns, and keeps every row it cannot use, with the reason,
// instead of guessing a value.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <istream>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "dimensions/dimension_layouts.hpp"
#include "stored/design_record.hpp"

namespace quorvane::stored {

// Clock reading of the report header; all reports of one design cycle share it.
struct ReportStamp {
  int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
  bool operator==(const ReportStamp&) const = default;
};

// The design summary every report repeats (the ripple is printed with 4, 3 or
// 5 decimals depending on the report; the value is the one printed).
struct DesignSummary {
  float flow = 0.0f, f0 = 0.0f, fhigh = 0.0f, bw = 0.0f;  // MHz
  float ripple = 0.0f;                                     // dB
  float z0 = 0.0f;                                         // ohm, "Zo of System"
  int poles = 0;                                           // N
  std::string response;                                    // "Tchebyscheff" or "Butterworth"
};

// Electrical synthesis: one row per coupled section, K = 0 ... N.
struct PrintedElectricalRow {
  int i = 0;
  float element = 0.0f;
  int k = 0, k1 = 0;          // the pair column (K, K+1)
  float zoe = 0.0f, zoo = 0.0f, zi = 0.0f;  // ohm
  float jzi = 0.0f, coupling = 0.0f;
};

struct ElectricalTable {
  float bw3db = 0.0f;         // MHz
  std::vector<PrintedElectricalRow> rows;
  float g_load = 0.0f;        // load element g(N+1)
  float qe_in = 0.0f, qe_out = 0.0f;
};

enum class StoredConstruction { Microstrip, Stripline };

// Dimensional synthesis: one row per coupled section, K = 1 ... N+1.  The
// stripline report prints widths and gaps already multiplied by the
// ground-plane spacing, so both constructions give inches and millimetres.
// The text of a stripline row for a section that has no positive width
// for its even- and odd-mode impedances.
using fmt::kNotRealizableText;

struct DimensionRow {
  int section = 0;            // K
  bool realizable = true;     // false: the row holds only K, the pair and the length (widths and gaps NaN)
  float w_in = 0.0f, w_mm = 0.0f;
  int k0 = 0, k1 = 0;         // the pair column (K-1, K)
  float s_in = 0.0f, s_mm = 0.0f;
  float length_in = 0.0f;     // resonator length
  float eff_even = 0.0f, eff_odd = 0.0f;  // microstrip only
  float cap_open_pf = 0.0f;               // stripline only
};

struct DimensionTable {
  StoredConstruction construction = StoredConstruction::Microstrip;
  std::string construction_name;  // "Construction=" field of the summary
  float er = 0.0f;
  float height_in = 0.0f;         // H (microstrip) or B (stripline)
  float thick_in = 0.0f;
  std::vector<DimensionRow> rows;
  float total_in = 0.0f;
  float zo_line = 0.0f;           // ohm, of the "For Zo" line
  float w_zo_in = 0.0f;           // width of the Zo line
  float zo_line_er = 0.0f;        // EReff(Fo) (microstrip) or Er (stripline)
  float quarter_wave_in = 0.0f;   // "Quarter Wavelength"
  float surface_wave_ghz = 0.0f;  // microstrip limit; stripline: the one limit
  float te_mode_ghz = 0.0f;       // microstrip only
};

// One response row.  Print format 1 has no separate loss column and format 2
// no return loss: `s11db` is NaN in format 2.
struct AnalysisRow {
  float freq = 0.0f;                 // MHz
  float vswr = 0.0f;
  float s11db = 0.0f, phase11 = 0.0f;  // dB, degrees
  float zin_re = 0.0f, zin_im = 0.0f;  // ohm
  float s21db = 0.0f, phase21 = 0.0f;  // dB, degrees
};

struct AnalysisTable {
  int format = 1;                // 1 scattering parameters, 2 VSWR/impedance/loss
  float sr_uin = 0.0f;           // RMS roughness, micro-inch
  float res_uohm_cm = 0.0f;      // resistivity, micro-ohm-cm
  float loss_tangent = 0.0f;
  bool ideal = false;            // the ideal line was printed (no construction)
  float ideal_er = 0.0f, ideal_quarter_wave_in = 0.0f;
  std::vector<AnalysisRow> rows;
  float zs = 0.0f, zl = 0.0f;    // ohm
  std::string not_run;           // the program refused the sweep: its "Analysis not run: ..." line, no table
};

enum class ReportKind { Electrical, Dimensions, Analysis };

struct StoredReport {
  int position = 0;     // 1-based order of the report in the file
  int first_line = 0;   // 1-based line number of its date line
  int cycle = 0;        // 1-based design cycle: a new electrical report, clock reading or design starts one
  ReportStamp stamp;
  ReportKind kind = ReportKind::Electrical;
  DesignSummary summary;
  std::variant<ElectricalTable, DimensionTable, AnalysisTable> table;
  std::string stored_in;            // file name of the "Output data stored in User filename" line
  std::vector<std::string> errors;  // why the report cannot be used as a whole; empty when it can
  int skipped_rows = 0;             // rows of this report listed in ParsedStorage::skipped
};

enum class SkipReason { Overflow, Malformed, TooLong };

// A table line that was not taken as a row.
struct SkippedRow {
  int line = 0;       // 1-based line number in the file
  int report = 0;     // position of its report
  SkipReason reason = SkipReason::Malformed;
  std::string text;   // the line as it stands (an over-long one: its first 64 characters and "...")
};

struct ParsedStorage {
  std::vector<StoredReport> reports;
  std::vector<SkippedRow> skipped;
  std::vector<std::string> errors;  // file-level: "no report found"
  std::shared_ptr<const DesignRecord> record;  // the design record beside the file, when it matches
};

// No report line is longer (the widest is under 80 characters); a longer
// line is skipped as TooLong.
inline constexpr std::size_t kLongestStorageLine = 256;

// Reads a storage file report by report, holding the lines of one report at
// a time: memory is bounded by the largest report, not by the file.
class StorageStream {
 public:
  explicit StorageStream(std::istream& in);

  // The next report, and the lines skipped since the previous call (the
  // report's own rows and its over-long lines).  False at the end of the file; `skipped` may still hold lines.
  bool next(StoredReport& report, std::vector<SkippedRow>& skipped);

  // File-level errors, known at the end: no report found, a read failure.
  const std::vector<std::string>& errors() const { return errors_; }
  // Over-long lines outside every report (ignored, as all lines there are).
  std::size_t too_long_outside() const { return too_long_outside_; }

 private:
  bool read_line(std::string& line, bool& too_long);
  StoredReport build(bool next_follows);

  std::istream& in_;
  std::vector<std::string> window_;  // the current report, from its date line
  size_t window_first_ = 0;          // 0-based line number of window_[0]
  size_t lines_read_ = 0;
  bool started_ = false;
  bool read_failed_ = false;
  int reports_ = 0;
  int cycle_ = 0;
  int too_long_in_window_ = 0;
  std::size_t too_long_outside_ = 0;
  ReportStamp last_stamp_;
  DesignSummary last_summary_;
  std::vector<SkippedRow> pending_skipped_;
  std::vector<std::string> errors_;
};

// The whole file at once (every report and skipped row kept).
ParsedStorage parse_storage(std::istream& in);

// Indices of the rows that `usable` accepts, in table order, each printed
// frequency (F16.2, 0.01 MHz) once: a row whose printed frequency is not
// above that of the row kept before it is left out and counted in
// `dropped`.
std::vector<size_t> increasing_rows(const AnalysisTable& table, const std::function<bool(const AnalysisRow&)>& usable,
                                    int& dropped);

// The frequency as the table prints it, MHz.
double printed_frequency(float freq);

// The last report of `kind` of the same design cycle before `report`, or null.
const StoredReport* earlier_report(const ParsedStorage& storage, const StoredReport& report, ReportKind kind);

// The electrical table of the design cycle of `report`, stored before it and
// whole; null when there is none.
const ElectricalTable* cycle_electrical(const ParsedStorage& storage, const StoredReport& report);

// The storage file `file`, read from `in`, with its design record when one
// beside it matches the file.
ParsedStorage read_storage(const std::filesystem::path& file, std::istream& in);

// Text of a reason, for messages.
const char* skip_reason_text(SkipReason r);

}  // namespace quorvane::stored
