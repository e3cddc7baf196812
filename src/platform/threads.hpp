// The one way a program starts worker threads.  The system may refuse a
// thread (EAGAIN under a small address space or a process limit): the work
// then goes on with the threads that did start, or on the caller alone, and
// gives the same bytes; the first refusal is said once on the error stream.
#pragma once

#include <functional>
#include <thread>
#include <vector>

namespace quorvane::platform {

// Up to `count` threads running `work`; fewer (maybe none) when the system
// refuses one.  The caller joins them.
std::vector<std::thread> start_threads(std::size_t count, const std::function<void()>& work);

}  // namespace quorvane::platform
