// Runs the packaged openEMS executable on a written input file in its own
// folder, relaying its progress (timestep, energy decay, an estimate of the
// time left) to the log stream, and reads what the run reached.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

namespace quorvane::em {

// The executable: `name` when it holds a slash, else the first `name` on
// PATH; "" when there is none.
std::string find_executable(const std::string& name);

// The one line of a program that needs openEMS and cannot find `name`.
std::string openems_missing(const std::string& name);

struct RunReport {
  bool ok = false;
  std::string error;      // one line when not ok
  long long timesteps = 0;
  double end_db = 0;      // energy level the run reached, dB (0: not reported)
  double seconds = 0;     // wall time
  int interrupted = 0;    // the signal that stopped the run (see platform/interrupt.hpp), else 0
};

// Runs `exe` on `input` (a file in `folder`), the probes written there.
// Under a platform::InterruptScope a signal stops openEMS and the run.
// `label` prefixes the progress lines, `end_db` the level the run aims at.
RunReport run_openems(const std::string& exe, const std::filesystem::path& folder, const std::string& input,
                      int threads, double end_db, const std::string& label, std::ostream& log);

// Reads "Timestep: N" and "(- D dB)" from one progress line of openEMS;
// false when the line has neither.
bool parse_progress(const std::string& line, long long& timestep, double& db);

}  // namespace quorvane::em
