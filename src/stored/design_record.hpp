// The design record: the machine-readable companion "<storage name>.json"
// of a storage file.  Per design cycle it holds every input (design entry,
// construction and substrate, analysis set-up) and every result the reports
// print, as the program's own floats (written as the shortest decimal that
// reads back to the same float), and the line span of each report in the
// storage file; the response rows stay in the storage file only.  The
// storage file's length and FNV-1a digest say which file the record
// describes.  Format: docs/design-record.md.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "dialogue/design_state.hpp"
#include "dialogue/storage.hpp"
#include "dimensions/dimensional_report.hpp"
#include "synthesis/electrical_synthesis.hpp"

namespace quorvane::stored {

inline constexpr std::string_view kRecordFormat = "quorvane-design-record";
inline constexpr int kRecordVersion = 1;

// 1-based numbers of a report's first and last line in the storage file.
struct LineSpan {
  long first = 0;
  long last = 0;
};

struct RecordedDimensions {
  Construction construction;  // msorsl, er, t (thickness/b), name, height label
  float b = 0.0f;             // substrate height (microstrip) or ground-plane spacing, inch
  float thick = 0.0f;         // strip thickness, inch
  float z0_aim = 0.0f;        // impedance the single line aims at, ohm
  DimensionalResult result;
};

struct RecordedAnalysis {
  int construction = 0;  // msorsl: 0 the electrical design as ideal lines in air
  float er = 0.0f;
  float fstart = 0.0f, fstop = 0.0f, fstep = 0.0f;  // MHz
  float zs = 0.0f, zl = 0.0f;                       // ohm
  float res = 0.0f;   // ohm-inch
  float sr = 0.0f;    // inch
  float tlos = 0.0f;
  int print_format = 1;
  // The network analysed, as the sweep built it.
  SectionValues flength;       // inch
  float b = 0.0f;              // substrate height or ground-plane spacing, inch (0: ideal lines)
  float thick = 0.0f;          // strip thickness, inch
  SectionValues wc, sc;        // width and gap: inch (microstrip), fractions of b (stripline)
  SectionValues zoe, zoo;      // mode impedances of the electrical design, ohm
  SectionValues freqoe, freqoo;  // microstrip phase references, MHz
};

struct RecordedReport {
  LineSpan span;
  using Content = std::variant<ElectricalDesign, RecordedDimensions, RecordedAnalysis>;
  Content content;
};

struct RecordedCycle {
  int session_cycle = 0;       // the design cycle of the session, from 1
  FilterRequirements design;   // as entered and completed for the electrical synthesis
  std::vector<RecordedReport> reports;
};

struct DesignRecord {
  std::string storage_file;  // its name in its folder
  long storage_lines = 0;    // the whole lines of the storage file described
  long storage_bytes = 0;
  std::uint64_t storage_digest = kDigestStart;  // FNV-1a of those bytes
  std::vector<RecordedCycle> cycles;
};

// The record beside a storage file: "<storage name>.json".
std::filesystem::path record_path(const std::filesystem::path& storage);

// The record as JSON text.
std::string record_text(const DesignRecord& record);

// The record of `text`; throws std::invalid_argument naming what is wrong
// (not JSON, another format or version, a missing or mistyped field).
DesignRecord read_record(std::string_view text);

// True when `storage` (the storage file's content) begins with the bytes
// the record describes, whole lines, and every span lies within them.
bool record_matches(const DesignRecord& record, std::string_view storage);

// The record beside `storage_file` when it is there, reads, and matches the
// file; null otherwise (an older file, one written by hand or changed since:
// the printed reports serve then).
std::shared_ptr<const DesignRecord> record_beside(const std::filesystem::path& storage_file);

// The recorded report of kind T (RecordedDimensions, RecordedAnalysis,
// ElectricalDesign) whose span holds line `line` of the storage file (its
// date line, say), with its cycle; nulls when none.
template <class T>
struct Recorded {
  const RecordedCycle* cycle = nullptr;
  const T* report = nullptr;
};
template <class T>
Recorded<T> recorded_at(const DesignRecord& record, long line) {
  for (const RecordedCycle& c : record.cycles)
    for (const RecordedReport& r : c.reports)
      if (r.span.first <= line && line <= r.span.last)
        if (const T* t = std::get_if<T>(&r.content)) return {&c, t};
  return {};
}

}  // namespace quorvane::stored
