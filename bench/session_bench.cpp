// The whole session of a 12-pole Chebyshev filter in microstrip on alumina
// (Er 9.8, H 0.025 inch, strips 0.0002 inch) through a lossy analysis from
// 8750 to 11250 MHz in 0.25 MHz steps (10,001 rows: copper, 5 micro-inch,
// loss tangent 0.0009) in print format 1 with the storage file on: the
// dialogue in-process, its console a stream that discards what it receives,
// the storage file written and flushed line by line in a folder of its own.
// Once on every hardware thread (or QUORVANE_THREADS) and once on one thread.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "discard_buffer.hpp"
#include "session/dialogue.hpp"

namespace quorvane {
namespace {

// 10 GHz, 500 MHz, Chebyshev 0.1 dB, 12 poles, 50 ohm, the seven image
// impedances by default; no storage of the electrical report; microstrip
// with the shipped substrate and 0.0002 inch strips, the dimensions not
// stored; the analysis stored into bench.txt; then the end of the program.
const std::string kSession = "10000\n500\n1\n0.1\n1\n12\n50\n" + std::string(9, '\n') + "1\n\n\n2\n\n\n" +
                             "8750\n11250\n0.25\n\n\n2\n4\n0.0009\n1\n1\nbench.txt\n\n";

std::filesystem::path session_folder() {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("quorvane-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(std::filesystem::path(QUORVANE_SOURCE_DIR) / "QuorvaneDEMO.DEF",
                             folder / "QuorvaneDEMO.DEF", std::filesystem::copy_options::overwrite_existing);
  return folder;
}

void session(benchmark::State& bench, const char* threads) {
  std::optional<std::string> old;
  if (const char* v = std::getenv("QUORVANE_THREADS")) old = v;
  if (threads) setenv("QUORVANE_THREADS", threads, 1);
  const std::filesystem::path folder = session_folder();
  DiscardBuffer discard;
  std::ostream out(&discard);
  std::ostringstream err;
  for (auto _ : bench) {
    std::istringstream in(kSession);
    const DialogueEnvironment env{in, out, err, [] { return ClockReading{2026, 3, 6, 9, 5, 7}; }, folder};
    if (run_dialogue(env) != 0) bench.SkipWithError(("the session failed: " + err.str()).c_str());
  }
  std::error_code ignored;
  if (std::filesystem::file_size(folder / "bench.txt", ignored) < 10001u * 72u) {
    bench.SkipWithError("the storage file does not hold the table");
  }
  std::filesystem::remove_all(folder, ignored);
  if (old) {
    setenv("QUORVANE_THREADS", old->c_str(), 1);
  } else if (threads) {
    unsetenv("QUORVANE_THREADS");
  }
}

void BM_Session12PoleMicrostripLossy(benchmark::State& s) { session(s, nullptr); }
void BM_Session12PoleMicrostripLossyOneThread(benchmark::State& s) { session(s, "1"); }

BENCHMARK(BM_Session12PoleMicrostripLossy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Session12PoleMicrostripLossyOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace quorvane
