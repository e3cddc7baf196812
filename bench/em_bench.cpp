// Full-wave check: the demonstration filter's mesh at each level, one
// complete coarse openEMS solution of a straight 50-ohm line (mesh, input,
// run, probes, port waves), and the demonstration filter's whole check at
// the default setting; the logs discarded.  Skipped without openEMS.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "em/em_app.hpp"
#include "em/em_simulation.hpp"

namespace quorvane::em {
namespace {

void BM_DemoMesh(benchmark::State& state) {
  std::ifstream in(QUORVANE_EM_BENCH_FILE);
  stored::StoredDesign d;
  std::string error;
  Model m;
  if (!stored::find_stored_design(stored::parse_storage(in), 0, d, error) || !build_model(d, {}, m, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(build_mesh(m, static_cast<MeshLevel>(state.range(0))).cells());
}
BENCHMARK(BM_DemoMesh)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_StraightLineCoarse(benchmark::State& state) {
  SolveOptions opt;
  opt.exe = find_executable("openEMS");
  if (opt.exe.empty()) {
    state.SkipWithError("openEMS is not installed");
    return;
  }
  const Model m = straight_line(9.8, 0.635, 0.628, 10, 8e9, 12e9);
  for (auto _ : state) {
    Solution s;
    std::string error;
    std::ostringstream log;
    if (!solve(m, MeshLevel::Coarse, {8e9, 10e9, 12e9}, opt, log, s, error)) state.SkipWithError(error.c_str());
  }
}
BENCHMARK(BM_StraightLineCoarse)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

// The demonstration filter's check at the default setting: the program as
// a user runs it (coarse and normal levels, extrapolation, the four-port,
// the three files), the 10-minute target on a 2-core machine.  Long: run it
// alone, --benchmark_filter=DemoDefault.
void BM_DemoDefaultCheck(benchmark::State& state) {
  if (find_executable("openEMS").empty()) {
    state.SkipWithError("openEMS is not installed");
    return;
  }
  const std::filesystem::path out = std::filesystem::temp_directory_path() / "quorvane-em-bench";
  for (auto _ : state) {
    std::ostringstream console, log;
    if (run_em_command({QUORVANE_EM_BENCH_FILE, "-o", out.string()}, console, log) != 0)
      state.SkipWithError(log.str().c_str());
  }
  std::filesystem::remove_all(out);
}
BENCHMARK(BM_DemoDefaultCheck)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

}  // namespace
}  // namespace quorvane::em

BENCHMARK_MAIN();
