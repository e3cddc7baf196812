#include "platform/threads.hpp"

#include <atomic>
#include <iostream>
#include <new>
#include <system_error>

#include "platform/program.hpp"

namespace quorvane::platform {

namespace {

std::atomic<bool> refusal_said{false};

}  // namespace

std::vector<std::thread> start_threads(std::size_t count, const std::function<void()>& work) {
  std::vector<std::thread> pool;
  std::string refused;
  try {
    while (pool.size() < count) pool.emplace_back(work);
  } catch (const std::system_error& e) {
    refused = e.code().message();
  } catch (const std::bad_alloc&) {
    refused = "out of memory";
  }
  if (!refused.empty() && !refusal_said.exchange(true)) {
    const ProgramLines& lines = program_lines();
    std::cerr << lines.prefix << "cannot start a worker thread (" << refused << "); going on with " << pool.size()
              << " of " << count << lines.end << '\n';
  }
  return pool;
}

}  // namespace quorvane::platform
