// The dialogue that owns the whole run: the defaults file, the design
// cycles and the three operation menus.
#pragma once

#include <filesystem>
#include <functional>
#include <istream>
#include <ostream>

#include "dialogue/design_state.hpp"

namespace quorvane {

// What the dialogue talks to: the console streams, an error stream for the
// one line that ends a run that cannot go on, the clock, and the folder that
// holds the defaults file and receives the storage files.
struct DialogueEnvironment {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  std::function<ClockReading()> clock;
  std::filesystem::path folder;
};

// Runs the dialogue to its end; returns the exit status: 0 on every orderly
// end, 1 after an error line (no defaults file, an unreadable number, the end
// of the console input, a storage file that cannot be opened or written).
int run_dialogue(const DialogueEnvironment& env);

// The local clock.
ClockReading read_local_clock();

// Runs the whole program on the process's console, in the current folder.
int run_console_program();

}  // namespace quorvane
