// Tuning by the circuit model, whole (field solutions included, a fresh
// cache each run): the demonstration design, the 5-pole FR-4 design, the
// 12-pole designs at 10 % and 5 %; and the fit of a synthetic measurement
// of the demonstration board.
#include <benchmark/benchmark.h>

#include <fstream>

#include "tune/measured_fit.hpp"
#include "tune/tune_solver.hpp"

namespace quorvane::tune {
namespace {

const char* const kFiles[] = {"docs/demo.txt", "tests/data/tune_fr4.txt", "tests/data/tune_p12.txt",
                              "tests/data/tune_p12_narrow.txt"};

bool load(const char* file, stored::StoredDesign& d, CircuitModel& m, Targets& t, std::string& error) {
  std::ifstream in(std::string(QUORVANE_SOURCE_DIR) + "/" + file);
  return stored::find_stored_design(stored::parse_storage(in), 0, d, error) && circuit_model(d, m, error) &&
         design_targets(d, t, error);
}

void BM_Tune(benchmark::State& state) {
  stored::StoredDesign d;
  CircuitModel m;
  Targets t;
  std::string error;
  if (!load(kFiles[state.range(0)], d, m, t, error)) return state.SkipWithError(error.c_str());
  for (auto _ : state) {
    FieldCorrections fields;
    TuneResult r;
    if (!tune(m, t, {}, fields, r, error)) state.SkipWithError(error.c_str());
    state.counters["met"] = r.met;
  }
}
BENCHMARK(BM_Tune)->DenseRange(0, 3)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

void BM_FitDemoBoard(benchmark::State& state) {
  stored::StoredDesign d;
  CircuitModel m;
  Targets t;
  std::string error;
  if (!load(kFiles[0], d, m, t, error)) return state.SkipWithError(error.c_str());
  m.lossy = true;
  FieldCorrections fields;
  if (!fields.of(m.substrate, m.copper, 0, m.corrections, error)) return state.SkipWithError(error.c_str());
  CircuitModel built = m;
  built.substrate.er *= 1.03;
  built.bias = 0.015;
  double lo = 0, hi = 0;
  search_band(t, lo, hi);
  std::vector<double> f;
  for (int i = 0; i <= 200; ++i) f.push_back(lo + (hi - lo) * i / 200);
  const Sweep s = respond(built, f);
  const Measurement meas{f, s.s11, s.s21};
  for (auto _ : state) {
    FitResult fit;
    if (!fit_board(m, t, meas, false, fit, error)) state.SkipWithError(error.c_str());
  }
}
BENCHMARK(BM_FitDemoBoard)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace quorvane::tune

BENCHMARK_MAIN();
