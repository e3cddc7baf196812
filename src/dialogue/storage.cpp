#include "dialogue/storage.hpp"

#include <cerrno>
#include <cstring>

#include "dialogue/fortran_format.hpp"

namespace quorvane {

using fmt::A;
using fmt::I;
using fmt::X;

namespace {

std::string without_trailing_blanks(const std::string& s) {
  const auto last = s.find_last_not_of(' ');
  return last == std::string::npos ? std::string() : s.substr(0, last + 1);
}

std::string reason(int error) { return error != 0 ? std::strerror(error) : "unknown error"; }

}  // namespace

void StorageFile::open(const std::string& name) {
  const std::string trimmed = without_trailing_blanks(name);
  if (file_.is_open() && trimmed == open_name_) return;
  if (file_.is_open()) file_.close();
  open_name_.clear();
  int error = 0;
  if (trimmed.empty() || trimmed.find('\0') != std::string::npos) {
    error = EINVAL;
  } else {
    errno = 0;
    file_.open(folder_ / trimmed, std::ios::out | std::ios::trunc);
    error = errno;
  }
  if (!file_.is_open()) {
    throw DialogueStop("Quorvane: cannot open the storage file \"" + printable(trimmed) + "\": " + reason(error) +
                       ".");
  }
  open_name_ = trimmed;
}

void StorageFile::write_line(std::string_view line) {
  if (!file_.is_open()) return;
  errno = 0;
  file_ << line << '\n';
  file_.flush();
  if (!file_) {
    const int error = errno;
    throw DialogueStop("Quorvane: cannot write to the storage file \"" + printable(open_name_) + "\": " +
                       reason(error) + ".");
  }
}

void Report::both(std::string_view line) {
  console_.line(line);
  file(line);
}

void Report::both(const std::vector<std::string>& lines) {
  for (const auto& l : lines) both(l);
}

void Report::both_grouped(const std::vector<std::string>& lines) {
  for (const auto& l : lines) console_.line(l);
  for (const auto& l : lines) file(l);
}

void Report::console(std::string_view line) { console_.line(line); }

void Report::file(std::string_view line) {
  if (!storing()) return;
  // The console copy of a line is delivered before its file copy, so that a
  // run ended abruptly never has stored a line the user did not see.
  console_.flush();
  file_.write_line(line);
}

std::vector<std::string> report_header(const ClockReading& c) {
  return {"",
          X(6) + fmt::hyphens(72),
          X(6) + "Quorvane (v. " QUORVANE_VERSION ")" + X(23) + "Date:" + I(c.month, 2) + "/" + I(c.day, 2) + "/" + I(c.year, 4) +
              " at " + I(c.hour, 2) + ":" + I(c.minute, 2) + ":" + I(c.second, 2) + "Hours",
          X(15) + "RF/Microwave Computer-Aided Engineering Design Data For",
          X(15) + " Multi-Section Parallel Coupled Line Bandpass Filters.",
          ""};
}

std::string stored_in_line(const Control& control) {
  return X(8) + "Output data stored in User filename: " + A(control.fnstore, 20);
}

namespace {

// Asks for the file name; an empty answer takes the defaults file's name.
void ask_file_name(Console& console, DesignState& state) {
  console.line(X(6) + "Enter a FILENAME (up to 20 characters) for Output Data storage: ");
  console.line(X(10) + "-Enter: Filename.xls for storage in a spreadsheet");
  console.line(X(10) + "-Enter: Filename.doc for storage in a word processor");
  console.line(X(10) + "-Enter: Filename.txt for storage as a text document");
  const std::string fname = console.text20(X(11) + "Enter your FILENAME for Output Data Storage: ");
  state.control.fnstore = state.defaults.fndef;
  if (fname.find_first_not_of(' ') != std::string::npos) state.control.fnstore = fname;
}

// The two names an analysis never stores into: the program's own files.
void screen_reserved_name(Control& control) {
  const std::string name = without_trailing_blanks(control.fnstore);
  if (name == "Quorvane.DEF" || name == "Quorvane.EXE") control.fnstore = A("Quorvane.XLS", 20);
}

}  // namespace

void ask_storage(StorageOccasion occasion, Console& console, StorageFile& file, DesignState& state) {
  Control& control = state.control;
  if (occasion == StorageOccasion::kAnalysis) control.istore = 0;
  console.line();
  const bool yes = console.choice(X(5) + "Is Output Data STORAGE desired? (1=Yes) = ") == 1;
  switch (occasion) {
    case StorageOccasion::kElectrical:
      control.istore = 2;
      state.iopen12 = 0;
      if (!yes) return;
      control.istore = 1;
      state.iopen12 = 1;
      ask_file_name(console, state);
      file.open(control.fnstore);
      return;
    case StorageOccasion::kDimensions:
      control.istore = 2;
      if (!yes) return;
      control.istore = 1;
      if (state.iopen12 == 1) return;
      ask_file_name(console, state);
      file.open(control.fnstore);
      state.iopen12 = 1;
      return;
    case StorageOccasion::kAnalysis:
      if (!yes) return;
      control.istore = 1;
      if (state.iopen12 == 1) return;
      ask_file_name(console, state);
      screen_reserved_name(control);
      file.open(control.fnstore);
      return;
  }
}

}  // namespace quorvane
