// Runs whole dialogue sessions in-process for the transcript tests: a
// folder of its own holding a defaults file, a console script, and the
// clock fixed at 6 March 2026, 09:05:07.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "dialogue/design_state.hpp"

namespace quorvane::testing {

// The defaults file that ships with the program.
std::string shipped_defaults();

// The 19 records of a defaults file with the named records (1-based) replaced.
std::string defaults_with(int record, const std::string& text, std::string base = shipped_defaults());

ClockReading fixed_clock();

// The road example's design entry: 10 GHz, 500 MHz bandwidth, Chebyshev
// 0.1 dB, 4 poles, 50 ohm, the default image impedances; the first storage
// question follows.
inline const std::string kRoadExample = "10000\n500\n1\n0.1\n1\n4\n50\n\n\n\n";

struct SessionResult {
  int status = -1;
  std::string out;  // everything written to the console
  std::string err;  // the error stream
};

class Session {
 public:
  // A fresh folder holding `defaults` as QuorvaneDEMO.DEF (none when `with_defaults` is false).
  explicit Session(const std::string& defaults = shipped_defaults(), bool with_defaults = true);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The program on `script`, given the command-line arguments `args`.
  SessionResult run(const std::string& script, const std::vector<std::string>& args = {});
  std::string file(const std::string& name) const;  // contents of a file in the folder ("" if none)
  bool exists(const std::string& name) const;
  const std::filesystem::path& folder() const { return folder_; }

 private:
  std::filesystem::path folder_;
};

// Lines of a text, without their line ends.
std::vector<std::string> lines_of(const std::string& text);

// The answer scripts printed under "Scripting a session": heading, text.
std::vector<std::pair<std::string, std::string>> readme_scripts();

// Path of a golden transcript or storage file under tests/data/.
std::string golden_path(const std::string& name);
std::string read_text(const std::filesystem::path& path);

}  // namespace quorvane::testing

namespace quorvane::testing {

// Compares `actual` with the golden file tests/data/<name>.  With the
// environment variable QUORVANE_UPDATE_GOLDEN=1 the golden file is written
// instead, so that a deliberate change of a report is reviewed as a diff.
void expect_golden(const std::string& name, const std::string& actual);

}  // namespace quorvane::testing
