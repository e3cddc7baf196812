// Sweep of a 12-pole filter over 10,001 frequencies, table included, into a
// stream that discards what it receives: lossy microstrip (copper, 5
// micro-inch, loss tangent 0.0009 on alumina), lossy stripline and the ideal
// design in air.  Every row is formatted as for the console.
#include <benchmark/benchmark.h>

#include <sstream>

#include "analysis/design_fixture.hpp"
#include "analysis/sweep.hpp"
#include "discard_buffer.hpp"

namespace quorvane {
namespace {

// 8750 to 11250 MHz in exact steps of 0.25 MHz: 10,001 rows.
constexpr Qvnfreq kRange{8750.0f, 11250.0f, 0.25f};

DesignState twelve_pole(int msorsl) {
  DesignState state = testing::electrical_design(10000.0f, 500.0f, 12);
  if (msorsl == 1) testing::build_microstrip(state);
  if (msorsl == 2) testing::build_stripline(state);
  if (msorsl == 0) {
    for (int k = 1; k <= kMaxSections; ++k) state.flength[k] = 0.25f * 11802.158f / state.filter.f0;
    state.construction.er = 1.0f;
  } else {
    testing::set_copper_losses(state, 0.0009f);
  }
  state.qvnfreq = kRange;
  state.control.istore = 0;
  return state;
}

void sweep(benchmark::State& bench, int msorsl, int ivswr) {
  DiscardBuffer discard;
  std::ostream out(&discard);
  std::istringstream in;
  Console console(in, out);
  StorageFile storage(".");
  DesignState state = twelve_pole(msorsl);
  state.control.ivswr = ivswr;
  const DesignState prepared = state;
  if (check_sweep(state.qvnfreq).rows != 10001) bench.SkipWithError("the range is not 10,001 rows");
  for (auto _ : bench) {
    state = prepared;
    Report report(console, storage, state.control);
    qvna(state.construction.msorsl, state.filter.isections, state.flength, state.construction.er, state, report);
  }
  bench.SetItemsProcessed(bench.iterations() * 10001);
}

void BM_MicrostripLossy(benchmark::State& s) { sweep(s, 1, 1); }
void BM_MicrostripLossyFormat2(benchmark::State& s) { sweep(s, 1, 2); }
void BM_StriplineLossy(benchmark::State& s) { sweep(s, 2, 1); }
void BM_Ideal(benchmark::State& s) { sweep(s, 0, 1); }

BENCHMARK(BM_MicrostripLossy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MicrostripLossyFormat2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StriplineLossy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Ideal)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace quorvane

BENCHMARK_MAIN();
