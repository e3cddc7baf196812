// The storage file and the report sink.  Every report line goes to the
// console first and then, while the phase stores, to the storage file, which
// is flushed after each line so that an abrupt end loses nothing.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "dialogue/console.hpp"
#include "dialogue/design_state.hpp"

namespace quorvane {

class StorageFile {
 public:
  explicit StorageFile(std::filesystem::path folder) : folder_(std::move(folder)) {}

  // Opens the file `name` (trailing blanks removed) in the folder.  When the
  // file of that very name is open it stays open and writing continues after
  // its last line; otherwise any open file is closed and the named file is
  // started afresh, replacing what it held.  Throws DialogueStop on failure.
  void open(const std::string& name);

  // Writes one line and flushes it.  Throws DialogueStop when it cannot.
  void write_line(std::string_view line);

  bool is_open() const { return file_.is_open(); }

 private:
  std::filesystem::path folder_;
  std::string open_name_;
  std::ofstream file_;
};

class Report {
 public:
  Report(Console& console, StorageFile& file, const Control& control)
      : console_(console), file_(file), control_(control) {}

  bool storing() const { return control_.istore == 1; }

  // The line to the console and then, when storing, to the file.
  void both(std::string_view line);
  void both(const std::vector<std::string>& lines);
  // A group of lines: all to the console, then all to the file when storing.
  void both_grouped(const std::vector<std::string>& lines);
  void console(std::string_view line);
  void file(std::string_view line);

 private:
  Console& console_;
  StorageFile& file_;
  const Control& control_;
};

// The dated header that opens every report, six lines.
std::vector<std::string> report_header(const ClockReading& clock);

// The storage line that closes the electrical and dimensional reports.
std::string stored_in_line(const Control& control);

// The storage question of the three report phases.
enum class StorageOccasion { kElectrical, kDimensions, kAnalysis };
void ask_storage(StorageOccasion occasion, Console& console, StorageFile& file, DesignState& state);

}  // namespace quorvane
