#include "dialogue/defaults_file.hpp"

#include <cmath>

#include "dialogue/console.hpp"
#include "dialogue/fortran_format.hpp"
#include "dialogue/number_reader.hpp"

namespace quorvane {

namespace {

std::vector<std::string> end_of_file_message(const std::string& label) {
  return {fmt::X(6) + "`End of file in Quorvane`s default data file: Quorvane.DEF.",
          fmt::X(6) + "Entry missing for variable: " + fmt::A(label, 20),
          fmt::X(6) + "Fix entry for this variable in Quorvane.DEF and try again."};
}

// Walks the records in order; the first fault ends the reading with its message.
class RecordReader {
 public:
  explicit RecordReader(std::istream& file) : file_(file) {}

  bool failed() const { return !message_.empty(); }
  const std::vector<std::string>& message() const { return message_; }

  // Reads the next record as text; false (with the message) at end of file.
  bool next(const char* label, std::string& line) {
    if (failed()) return false;
    label_ = label;
    if (!read_bounded_line(file_, line)) {
      message_ = end_of_file_message(label_);
      return false;
    }
    return true;
  }

  // Reads the next record as a number; false (with the message) on any fault.
  bool number(const char* label, float& value) {
    std::string line;
    if (!next(label, line)) return false;
    const NumberRead r = read_number(line);
    if (!r.ok) return fail();
    value = r.value;
    return true;
  }

  bool whole(const char* label, int& value) {
    float v = 0.0f;
    if (!number(label, v)) return false;
    value = nearest_whole(v);
    return true;
  }

  bool magnitude(const char* label, float& value) {
    if (!number(label, value)) return false;
    value = std::fabs(value);
    return true;
  }

  bool text20(const char* label, std::string& value) {
    std::string line;
    if (!next(label, line)) return false;
    value = fmt::A(line, 20);
    return true;
  }

  // The value read fails its check.
  bool fail() {
    message_ = defaults_error_message(label_);
    return false;
  }

 private:
  std::istream& file_;
  std::string label_;
  std::vector<std::string> message_;
};

// The skirt frequency must lie outside the default passband, edges included.
bool outside_default_passband(const Defaults& d) {
  const float flow = d.f0def - 0.5f * d.bwdef;
  const float fhigh = d.f0def + 0.5f * d.bwdef;
  return !(flow <= d.f1def && d.f1def <= fhigh);
}

}  // namespace

std::vector<std::string> defaults_error_message(const std::string& label) {
  return {fmt::X(6) + "Error exists in Quorvane`s default data file: Quorvane.DEF.",
          fmt::X(6) + "Fix entry for variable " + fmt::A(label, 20) + " in Quorvane.DEF and try again."};
}

DefaultsReading read_defaults(std::istream& file) {
  DefaultsReading result;
  Defaults& d = result.values;
  RecordReader r(file);
  // A value that fails its check ends the reading with the error message.
  auto check = [&r](bool good) { return good || r.fail(); };
  std::string title;
  auto blank = [](const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; };

  const bool ok =
      r.next("1st line.", title)  // free text, not used
      && r.number("Fo.", d.f0def) && check(d.f0def > 0.0f)
      && r.number("Bandwidth.", d.bwdef) && check(d.bwdef > 0.0f)
      && r.whole("Response Type.", d.itorbdef) && check(d.itorbdef == 1 || d.itorbdef == 2)
      && r.number("Ripple.", d.rippledef)
      && r.number("Skirt Frequency.", d.f1def) && check(d.f1def > 0.0f)
      && check(outside_default_passband(d))
      && r.magnitude("Skirt Attenuation.", d.a1def)
      && r.whole("# of Sections, N.", d.ndef) && check(d.ndef >= 2 && d.ndef <= 12)
      && r.number("System Impedance: Zo", d.z0def) && check(d.z0def > 0.0f)
      && r.whole("ustrip or Stripline.", d.msorsldef) && check(d.msorsldef == 1 || d.msorsldef == 2)
      && r.number("Microstrip`s H.", d.heightms) && check(d.heightms > 0.0f)
      && r.number("Microstrip`s Er.", d.erms) && check(d.erms >= 1.0f)
      && r.number("Stripline`s B.", d.heightsl) && check(d.heightsl > 0.0f)
      && r.number("Stripline`s Er.", d.ersl) && check(d.ersl >= 1.0f)
      && r.number("TLOS.", d.tlosdef) && check(d.tlosdef >= 0.0f)
      && r.number("Analysis Start Freq.", d.fstartdef)
      && r.number("Analysis Stop Freq.", d.fstopdef)
      && r.number("Analysis Step Freq.", d.fstepdef)
      && r.text20("Output Data Filename", d.fndef) && check(!blank(d.fndef));

  if (!ok) {
    result.message = r.message();
    return result;
  }
  // A start at or above the stop moves one step below the stop.
  if (d.fstartdef >= d.fstopdef) d.fstartdef = d.fstopdef - d.fstepdef;
  result.ok = true;
  return result;
}

}  // namespace quorvane
