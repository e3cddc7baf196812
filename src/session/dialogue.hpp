// The dialogue that owns the whole run: the defaults file, the design
// cycles and the three operation menus.
#pragma once

#include <filesystem>
#include <functional>
#include <istream>
#include <ostream>
#include <string_view>

#include "dialogue/design_state.hpp"

namespace quorvane {

// What the dialogue talks to: the console streams, an error stream for the
// one line that ends a run that cannot go on, the clock, the folder that
// holds the defaults file and receives the storage files, and, when set,
// what is shown every console line read (a session record).
struct DialogueEnvironment {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  std::function<ClockReading()> clock;
  std::filesystem::path folder;
  std::function<void(std::string_view)> on_line = {};
  std::filesystem::path record_file = {};  // the file on_line records into, if any
  bool terminal = false;  // the answers are typed at a terminal: a typo is asked again
  double board_minimum_inch = 0.1 / 25.4;  // the narrowest width or gap a board house etches
  double loss_tangent = 0.0;  // of the passband-loss estimate; 0: the defaults file's
};

// Runs the dialogue to its end; returns the exit status: 0 on every orderly
// end, 1 after an error line (no defaults file, an unreadable number, the end
// of the console input, a storage file that cannot be opened or written).
int run_dialogue(const DialogueEnvironment& env);

// The local clock.
ClockReading read_local_clock();

}  // namespace quorvane
