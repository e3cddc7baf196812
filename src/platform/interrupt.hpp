// A long run that the user may stop.  While an InterruptScope lives, SIGINT
// (Ctrl-C), SIGTERM and SIGHUP do not end the process: they are noted, a
// blocking call they interrupt returns EINTR, and the program stops its
// child processes, removes its temporary files and ends without writing a
// half output.  The previous dispositions come back when the scope ends.
#pragma once

#include <csignal>

namespace quorvane::platform {

class InterruptScope {
 public:
  InterruptScope();
  ~InterruptScope();
  InterruptScope(const InterruptScope&) = delete;
  InterruptScope& operator=(const InterruptScope&) = delete;
};

// The signal that asked the run to stop since the scope began; 0 for none.
int interrupt_signal();

}  // namespace quorvane::platform
