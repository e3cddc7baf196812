#include "platform/interrupt.hpp"

#include <signal.h>

namespace quorvane::platform {

namespace {

volatile std::sig_atomic_t g_signal = 0;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_previous[3];

extern "C" void note_signal(int sig) { g_signal = sig; }

}  // namespace

InterruptScope::InterruptScope() {
  g_signal = 0;
  struct sigaction sa = {};
  sa.sa_handler = note_signal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // no SA_RESTART: a blocking read returns EINTR
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &sa, &g_previous[i]);
}

InterruptScope::~InterruptScope() {
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &g_previous[i], nullptr);
}

int interrupt_signal() { return g_signal; }

}  // namespace quorvane::platform
