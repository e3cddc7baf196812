#include "tune/full_wave.hpp"

#include <algorithm>

#include "em/em_model.hpp"
#include "em/em_simulation.hpp"
#include "platform/interrupt.hpp"
#include "tune/tune_outputs.hpp"

namespace quorvane::tune {

namespace {


// `design` with `copper` (as drawn) etched by `bias` on `sub`.
stored::StoredDesign with_copper(const stored::StoredDesign& design, const Copper& copper, const Substrate& sub,
                                 double bias) {
  Copper etched = copper;
  for (SectionCopper& s : etched.sections) {
    s.w -= 2 * bias;
    s.s += 2 * bias;
  }
  stored::StoredDesign d = design;
  stored::DimensionTable table = tuned_table(std::get<stored::DimensionTable>(design.dimensions.table), etched);
  table.er = static_cast<float>(sub.er);
  table.height_in = static_cast<float>(sub.h / kMmPerInch);
  d.dimensions.table = table;
  return d;
}

}  // namespace

bool full_wave_model(const stored::StoredDesign& design, const CircuitModel& model, const Targets& t,
                     const FullWaveOptions& opt, std::ostream& log, FineModel& fine, std::vector<double>& f_mhz,
                     std::string& error) {
  em::SolveOptions so;
  so.exe = em::find_executable(opt.openems);
  if (so.exe.empty()) {
    error = em::openems_missing(opt.openems);
    return false;
  }
  so.threads = opt.threads;
  so.run.end_db = opt.end_db;
  const em::ModelOptions mo{true, true, 0};  // the table's lengths as drawn, lossless, open board
  em::Model m;
  if (!em::build_model(with_copper(design, model.copper, model.substrate, model.bias), mo, m, error)) return false;
  double lo = 0, hi = 0;
  search_band(t, lo, hi);
  lo = std::max(lo, m.f_lo * 1e-6);
  hi = std::min(hi, m.f_hi * 1e-6);
  f_mhz.clear();
  for (int i = 0; i < opt.points; ++i) f_mhz.push_back(lo + (hi - lo) * i / (opt.points - 1));
  const Substrate sub = model.substrate;
  const double bias = model.bias;
  fine = [design, sub, bias, so, mo, level = opt.level, &log](const Copper& copper, const std::vector<double>& f,
                                                              bool final, FineRun& run, std::string& why) {
    if (platform::interrupt_signal() != 0) {
      why = "stopped before the next full-wave run";
      return false;
    }
    em::Model em_model;
    if (!em::build_model(with_copper(design, copper, sub, bias), mo, em_model, why)) return false;
    const em::MeshLevel at =
        final ? static_cast<em::MeshLevel>(std::min(static_cast<int>(level) + 1, static_cast<int>(em::MeshLevel::Fine)))
              : level;
    std::vector<double> f_hz;
    for (const double x : f) f_hz.push_back(x * 1e6);
    em::Solution s;
    if (!em::solve(em_model, at, f_hz, so, log, s, why)) return false;
    run = FineRun{};
    run.sweep.f = f;
    run.sweep.s11 = s.s11;
    run.sweep.s21 = s.s21;
    run.mesh = em::level_name(at);
    run.cells = s.cells;
    run.timesteps = s.timesteps;
    run.seconds = s.seconds;
    return true;
  };
  return true;
}

}  // namespace quorvane::tune
