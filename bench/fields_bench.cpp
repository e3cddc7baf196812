// Field check of a 13-section microstrip report (a 12-pole design on 0.025
// inch alumina, Er 9.8, zero thickness: 7 distinct sections), the table,
// the text file and the pictures written, the console and log discarded.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>

#include "fields/fields_app.hpp"

namespace quorvane::fields {
namespace {

void BM_Fields13Microstrip(benchmark::State& state) {
  const std::filesystem::path out = std::filesystem::temp_directory_path() / "quorvane-fields-bench";
  for (auto _ : state) {
    std::ostringstream console, log;
    const FieldsResult r = run_fields(QUORVANE_FIELDS_BENCH_FILE, out, console, log);
    if (r.status != 0) state.SkipWithError("the field check did not solve every section");
  }
  std::filesystem::remove_all(out);
}
BENCHMARK(BM_Fields13Microstrip)->Unit(benchmark::kSecond)->Iterations(3)->UseRealTime();

}  // namespace
}  // namespace quorvane::fields

BENCHMARK_MAIN();
