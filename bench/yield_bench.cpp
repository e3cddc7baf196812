// Yield analysis of a 12-pole microstrip filter (alumina, copper losses):
// 1,000 samples over 1,001 frequencies on every core, the board built from
// the design state as the dimensional report leaves it.
#include <benchmark/benchmark.h>

#include "analysis/design_fixture.hpp"
#include "yield/yield_analysis.hpp"

namespace quorvane {
namespace {

yield::Board twelve_pole_board() {
  DesignState state = testing::electrical_design(10000.0f, 500.0f, 12);
  testing::build_microstrip(state);
  testing::set_copper_losses(state, 0.0009f);
  yield::Board b;
  b.construction = DrawnConstruction::Microstrip;
  b.er = state.construction.er;
  b.h = state.qvnms.b;
  b.t = state.qvnms.thick;
  b.f0 = state.filter.f0;
  b.loss = {state.aloss1.res, state.aloss1.sr, state.aloss1.tlos};
  for (int k = 1; k <= state.filter.isections + 1; ++k)
    b.sections.push_back(DrawnSection{state.qvnms.wc[k], state.qvnms.sc[k], state.flength[k]});
  return b;
}

void BM_Yield12PoleMicrostrip(benchmark::State& bench) {
  const yield::Board board = twelve_pole_board();
  yield::YieldSetup setup;
  setup.tol = {0.0005f, 0.0002f, 0.05f, 0.0005f, 0.0f, 0.0005f, yield::Distribution::Uniform};
  setup.mask = {9750.0f, 10250.0f, 3.0f, {{9500.0f, 40.0f}}};
  for (int i = 0; i <= 1000; ++i) setup.freqs.push_back(8750.0f + 2.5f * static_cast<float>(i));
  setup.samples = 1000;
  for (auto _ : bench) {
    const yield::YieldResult r = yield::run_yield(board, setup);
    benchmark::DoNotOptimize(r.passed);
  }
  bench.SetItemsProcessed(bench.iterations() * 1000);
}

BENCHMARK(BM_Yield12PoleMicrostrip)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace
}  // namespace quorvane
