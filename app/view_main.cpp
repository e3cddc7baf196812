#include <signal.h>

#include <iostream>
#include <string>
#include <vector>

#include "view/view_app.hpp"

int main(int argc, char** argv) {
  // A log pipe whose reader went away loses the log, not the files: its
  // writes fail (EPIPE) instead of killing the viewer between two outputs.
  signal(SIGPIPE, SIG_IGN);
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  return quorvane::view::run_view_program(args, std::cout, std::cerr);
}
