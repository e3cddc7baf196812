#pragma once

namespace quorvane {

// Runs the whole program on the process's console, in the current folder.
int run_console_program();

}  // namespace quorvane
