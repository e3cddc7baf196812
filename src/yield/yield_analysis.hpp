// Tolerance and yield analysis of a board: Monte Carlo samples of the
// etching and substrate tolerances, each judged by the mask of the required response,
// their statistics, the percentile envelope of the response, and the
// one-at-a-time sensitivity of the figures to each tolerance.
//
// How a tolerance moves the copper (each a half-width; a uniform draw lies
// within it, a normal one has it as 3 sigma):
//   width  etch bias, one draw d for the whole board: every width - d,
//          every gap + d (each edge moves d/2 into the copper);
//   gap    per-edge variation, one draw e for each of the four edges of
//          each coupled section (positive = into the copper): the gap
//          + (e of its two inner edges), the width - (sum of the four)/2,
//          the section models taking one width for both strips;
//   er, height, thickness: one draw for the board;
//   length: one draw per section.
// A sample whose copper cannot exist (a width, gap or height not positive,
// Er below 1, the strip not thinner than B in stripline) fails the mask and
// has no figures.  A negative thickness draw is held at 0.
//
// Statistics are in double precision: sums over thousands of samples lose
// digits in single precision.  The model itself stays single precision.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "stored/stored_design.hpp"

namespace quorvane::yield {

using stored::Board;
using stored::Response;

enum class Distribution { Uniform, Normal };

struct Tolerances {
  float width = 0.0f;      // etch bias half-width, inch
  float gap = 0.0f;        // per-edge half-width, inch
  float er = 0.0f;
  float height = 0.0f;     // inch
  float thickness = 0.0f;  // inch
  float length = 0.0f;     // inch
  Distribution distribution = Distribution::Uniform;
};

// The board of sample `index` (0-based) under `seed`.
Board sample_board(const Board& nominal, const Tolerances& tol, std::uint64_t seed, std::uint64_t index);

// Whether a board can be analysed at all.
bool buildable(const Board& b);

struct Rejection {
  float freq = 0.0f;   // MHz
  float min_db = 0.0f; // attenuation required there, dB
};

struct Mask {
  float flow = 0.0f, fhigh = 0.0f;  // passband, MHz
  float max_loss = 0.0f;            // dB
  std::vector<Rejection> rejections;
  bool nominal_plus_1db = false;    // max_loss is the nominal board's own loss plus 1 dB
};

// The figures of one response.  NaN where a figure does not exist (no -3 dB
// point on one side within the grid, an unbuildable board).
struct Figures {
  double centre = 0.0, bandwidth = 0.0;  // middle of and distance between the -3 dB points, MHz
  double max_loss = 0.0;                 // largest loss at a grid frequency in the passband, dB
  std::vector<double> rejection;         // loss at each rejection frequency (interpolated), dB
  bool pass = false;
};

// The -3 dB points are where the transmission falls 3 dB below its largest
// value on the grid, found outward from that peak and interpolated linearly
// in dB between grid points.
Figures figures(const std::vector<float>& freqs, const std::vector<float>& s21db, const Mask& mask);

struct Statistic {
  double nominal = 0.0, mean = 0.0, sd = 0.0, p5 = 0.0, p95 = 0.0;
  int count = 0;  // samples with the figure
};

// Percentile p (0 ... 1) of sorted values: linear interpolation between the
// order statistics at rank (n-1) p (the "type 7" definition).
double percentile(const std::vector<double>& sorted, double p);
Statistic summarise(double nominal, std::vector<double> values);

// Wilson score interval, 95 % (z = 1.959964), of k successes in n trials.
struct Interval {
  double lo = 0.0, hi = 0.0;
};
Interval wilson95(int k, int n);

struct SensitivityRow {
  std::string name, unit;
  float half_width = 0.0f;  // the tolerance given
  float step = 0.0f;        // the change applied, +/-
  double centre = 0.0, bandwidth = 0.0, max_loss = 0.0;  // change per unit (central difference)
};

struct YieldSetup {
  Tolerances tol;
  Mask mask;
  std::vector<float> freqs;
  int samples = 1000;
  std::uint64_t seed = 1;
  int threads = 0;  // 0: every core
  std::function<void(int done, int total)> progress;  // called as blocks finish, serialised
};

struct YieldResult {
  Response nominal;
  Figures nominal_figures;
  int samples = 0, passed = 0, unbuildable = 0;
  Interval yield_ci;
  Statistic centre, bandwidth, max_loss;
  std::vector<Statistic> rejection;
  std::vector<float> s21_p5, s21_p95, s11_p5, s11_p95;  // per frequency, dB
  std::vector<SensitivityRow> sensitivity;
  int most_sensitive = -1;  // row whose tolerance moves the centre most; -1 none
  // Samples failing each criterion of the mask: [0] the passband loss (an
  // unbuildable sample included), then each rejection in order.
  std::vector<int> failures;
};

// Upper bounds of a run, so that no input asks for unbounded time or memory.
inline constexpr int kMaxSamples = 100000;
inline constexpr long kMaxSampleCells = 20000000;  // samples x frequencies kept for the envelope
inline constexpr long kMaxSweepPoints = 100001;

YieldResult run_yield(const Board& nominal, const YieldSetup& setup);

}  // namespace quorvane::yield
