// Tuning against a full-wave solution by space mapping (Bandler et al.,
// "Space mapping: the state of the art", IEEE T-MTT 52(1), 2004): the
// full-wave solver is the fine model, the circuit model (tune_model.hpp) the
// coarse one, mapped onto the fine by per-section corrections
// (SectionMapping: an added length and a factor on the coupling).  Each iteration
//   1. solves the current copper full-wave (on the loop's mesh),
//   2. fits the corrections so that the circuit model gives the full-wave
//      S11 and S21 at that copper: least squares on the complex differences
//      at every solved frequency, the circuit's response turned by one
//      fitted phase (the two solutions' reference planes and sign need not
//      agree: against openEMS it comes out near pi), and on the -3 dB edges
//      (the complex differences alone left the demonstration design's
//      mapped edges 40 MHz from openEMS's: a full-wave solution radiates
//      and rings where no circuit does, and the closest complex fit need
//      not put the edges where the loop judges them); mirrored sections of
//      a symmetric copper sharing their corrections, a light pull towards
//      no correction and a firm one against lengths added alternately
//      (which leave every resonator as long as it was, and which the
//      response hardly shows).  The full-wave centre can lie several per
//      cent from the circuit's, where the differences have false minima:
//      the fit starts from the best of a scan of one length added to every
//      section.  Each correction is bounded (the length within 30 % of the
//      section's, the factor within 0.67 ... 1.49).  Where the full-wave
//      solution loses power (an open board radiates: a 2-pole design on
//      1.27 mm alumina loses a fifth of it at its centre), one loss tangent
//      added to the whole circuit is fitted too, and the passband's |S11|
//      in dB is matched as well: a lossless circuit fitted to the complex
//      differences kept its two reflection zeros where the full-wave
//      passband had one shallow dip, so the loop tuned a return loss that
//      the full-wave copper never showed;
//   3. tunes the circuit model with those corrections held to the targets
//      (tune_solver.hpp, from the printed copper and within its bounds): the
//      copper moves by what the corrections take from the circuit's answer
//      (implicit space mapping);
// within a trust region: each step moves every dimension by at most a reach
// (first a tenth of its printed value) from the best copper solved so far,
// best by the root sum square of the three misses; a copper that lands
// farther from the targets is refused, and the next step is taken from the
// best copper again with half the reach (undamped, the demonstration
// design's corrections grew from step to step and the third copper's
// passband was 75 MHz wide).
// It stops when the full-wave figures meet the targets or after the
// iterations allowed; the best copper solved is then solved once more on
// the finer final mesh.  Where that misses the targets (the loop's mesh
// has an error of its own, 0.7-0.9 % in the centre on the 2-pole design),
// the corrections are fitted to the final run, every length is scaled by
// the factor that centres the circuit so mapped on Fo, and that copper is
// solved on the final mesh too; the nearer the targets of the two
// final-mesh solutions is reported.
//
// The fine model is a function object, so that the loop runs against any
// solver (the openEMS one is full_wave_model, full_wave.hpp).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "tune/tune_figures.hpp"
#include "tune/tune_model.hpp"
#include "tune/tune_solver.hpp"

namespace quorvane::tune {

// One fine-model solution of a copper.
struct FineRun {
  Sweep sweep;             // S11, S21 at the asked frequencies
  std::string mesh;        // the mesh level's name ("" for no mesh)
  std::size_t cells = 0;
  long long timesteps = 0;
  double seconds = 0;      // wall time
};

// copper -> S-parameters at f_mhz; `final` asks for the finer final run.
// False with a one-line `error`.
using FineModel = std::function<bool(const Copper& copper, const std::vector<double>& f_mhz, bool final,
                                     FineRun& run, std::string& error)>;

struct SpaceMapIteration {
  Copper copper;                        // the copper solved
  FineRun run;
  Figures figures;                      // of the fine response
  double distance = 0;                  // the largest miss of a target, in its tolerances (<= 1: met)
  std::vector<SectionMapping> mapping;  // fitted at this copper (empty: none fitted)
  double mapped_loss = 0;               // the loss tangent fitted with them
  bool accepted = false;                // nearer the targets than every copper before (merit)
  bool final = false;                   // the finer final run
};

struct SpaceMapResult {
  std::vector<SpaceMapIteration> iterations;  // the loop's, then the final run
  TuneResult circuit;                         // the last circuit tuning (with the last fitted corrections)
  std::size_t best = 0;                       // the loop's iteration whose copper the final run solved
  std::size_t reported = 0;                   // the final-mesh solution reported (the nearer the targets)
  bool met = false;                           // the reported solution's figures meet the targets
};

// The figures of a sampled response: the -3 dB edges below its peak,
// interpolated (em_figures.hpp), the worst return loss over the passband.
Figures sampled_figures(const Sweep& s, const Targets& t);

// The largest of the three misses in the full-wave tolerances.
double target_distance(const Figures& f, const Targets& t);

// The loop's measure of a solution: the root sum square of the three
// misses (smooth where the largest is not); infinite without both edges.
double merit(const Figures& f, const Targets& t);

struct Mapping {
  std::vector<SectionMapping> sections;  // per section
  double loss = 0;                       // the loss tangent added (CircuitModel::mapped_loss)
};

// The corrections under which `model` (its copper, substrate, etch and field
// corrections as given) reproduces `fine`; `from` the first guess.
Mapping fit_mapping(const CircuitModel& model, const Sweep& fine, const Targets& t, Mapping from);

// The loop from `printed` (its copper the printed artwork) for at most
// `iterations`, the fine model solved at `f_mhz`; it stops early when the
// fine model's figures meet the targets within kFullWaveTolerances, then
// the final run and, where that misses, the copper scaled from its fit.  False
// with `error` when a solution, a field correction or the tuning fails.
bool space_map(const CircuitModel& printed, const Targets& t, const TuneOptions& opt, int iterations,
               const std::vector<double>& f_mhz, const FineModel& fine, FieldCorrections& fields,
               SpaceMapResult& result, std::string& error);

}  // namespace quorvane::tune
