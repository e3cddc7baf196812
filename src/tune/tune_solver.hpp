// The tuning of a copper to its targets by least squares.
//
// Variables: per coupled section its length and its gap, and, only when the
// targets are not met without them, the widths of the two end sections; a
// symmetric copper (section k the mirror of section N+2-k) keeps one
// variable for each mirrored pair, so that it stays symmetric.  Each
// dimension stays within `share` of its printed value and never below the
// board house's minimum gap or width: the solver moves an unbounded u, the
// dimension is lo + (hi - lo)(1 + sin u)/2 (the bounded transformation of
// MINUIT), smooth and inside its bounds whatever the step.
//
// Residuals: the centre's distance from Fo and the -3 dB bandwidth's from
// its target, each scaled by a tenth of its tolerance; for a Chebyshev
// design the passband's shape, |S11|^2 against the designed response's at
// four frequencies per pole across the passband and a tenth beyond, scaled
// by a tenth of the ripple's |S11|^2 (one soft minimum of the return loss
// leaves the solver too little to follow: it settled with the return loss
// several dB short on a 5-pole FR-4 design); and per variable a light pull
// towards the printed value (a tenth of the share costs as much as 1/20 of a
// tenth of the centre tolerance), which makes the problem overdetermined
// and its answer the smallest change that meets the targets.
//
// Solver: Eigen's Levenberg-Marquardt (the MINPACK lmder algorithm, in the
// Eigen library the field solver already uses: no further dependency, and
// deterministic for a given input), with a central-difference Jacobian in u.
// With the field corrections the copper is first tuned on the closed forms,
// then carried over to the copper whose field-solved sections couple and
// delay alike (field_equivalent), and tuned from there with the
// corrections taken at the copper each pass starts from and solved again
// at the tuned copper, until they no longer change or the targets are met.
#pragma once

#include <string>
#include <vector>

#include "tune/tune_figures.hpp"
#include "tune/tune_model.hpp"

namespace quorvane::tune {

struct TuneOptions {
  double share = 0.25;     // each dimension within this share of its printed value
  double min_gap = 0.1;    // mm, the board house's narrowest gap
  double min_width = 0.1;  // mm, its narrowest strip
  int max_steps = 40;      // solver steps per stage
  int max_passes = 3;      // field corrections solved again at the tuned copper
  bool fields = true;      // false: the closed forms (no field corrections)
  // A trust region (the full-wave loop's): with `reach` > 0 the tuning
  // starts from `around`, each dimension stays within `reach` of its
  // printed value of its value there, and is pulled towards that value
  // instead of the printed one (the smallest step from where the loop is).
  Copper around;
  double reach = 0;
};

enum class Dimension { Length, Gap, Width };

struct Variable {
  Dimension kind = Dimension::Length;
  std::vector<std::size_t> sections;  // one, or a mirrored pair
  double printed = 0, lo = 0, hi = 0;  // mm
  double pull_to = 0;                  // mm: the printed value, or its value in a trust region's `around`
};

// Section k mirrors section N-k (0-based) in width, gap and length to 1 nm.
bool symmetric(const Copper& c);

std::vector<Variable> tuning_variables(const Copper& printed, const TuneOptions& opt, bool widths);

struct TuneResult {
  Copper printed, tuned;
  Figures before, after;
  std::vector<Copper> steps;  // the copper after each solver step
  bool widths_used = false;
  bool met = false;
  int passes = 0, evaluations = 0;
};

// Tunes `model`'s copper (its printed artwork) on its substrate and etch to
// `targets`.  False with `error` when a field solution fails.
bool tune(const CircuitModel& model, const Targets& targets, const TuneOptions& opt, FieldCorrections& fields,
          TuneResult& result, std::string& error);

}  // namespace quorvane::tune
