// The program's command line: its help, its version, and a session recorded
// into a file that replays it.  Without arguments the dialogue runs as it is.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "session/dialogue.hpp"

namespace quorvane {

// Runs the program for the arguments after its name; returns the exit
// status.  --help and --version write to env.out and read nothing; an
// argument it does not know is one line on env.err and status 1.
// `console_input` names the file behind env.in when there is one (the
// process's standard input), so that a session is never recorded into the
// file it is read from.
int run_program(const std::vector<std::string>& args, const DialogueEnvironment& env,
                const std::filesystem::path& console_input = {});

// Runs the whole program on the process's console, in the current folder.
int run_console_program(int argc, char** argv);

}  // namespace quorvane
