// A built board read back: its measured (or full-wave) 2-port response, and
// the substrate's Er, the etch bias and optionally H fitted to it by least
// squares through the circuit model of the board's artwork.
//
// The etch bias is per edge: every strip 2 b narrower, every gap 2 b wider
// (positive b: over-etched), the lengths unchanged.  Residuals: |S21| and
// |S11| (linear magnitudes, so that the reference planes of the measurement
// do not enter) at every measured frequency within the model's band, the
// search band of the design's targets.  The 95 % intervals are
// 1.96 sqrt(diag(s^2 (J^T J)^-1)), s^2 the residual variance |r|^2/(m - p),
// J the Jacobian at the answer.
#pragma once

#include <complex>
#include <filesystem>
#include <string>
#include <vector>

#include "tune/tune_figures.hpp"
#include "tune/tune_model.hpp"

namespace quorvane::tune {

struct Measurement {
  std::vector<double> f;  // MHz, ascending
  std::vector<std::complex<double>> s11, s21;
};

// Touchstone version 1 2-port text: "# <unit> S <MA|DB|RI> R <z>" (Hz, kHz,
// MHz, GHz), "!" comments, then per frequency f S11 S21 S12 S22 (pairs),
// the numbers of a point possibly over several lines.  False with `error`
// (one line) for anything else: other parameters than S, a reference other
// than the design's terminations, frequencies not ascending, no point.
bool parse_touchstone(const std::string& text, double z_ref, Measurement& m, std::string& error);
bool read_touchstone(const std::filesystem::path& path, double z_ref, Measurement& m, std::string& error);

struct FitResult {
  double er = 0, bias = 0, h = 0;           // bias and h in mm
  double er_ci = 0, bias_ci = 0, h_ci = 0;  // 95 % half-widths (h_ci 0 when H is not fitted)
  bool fit_h = false;
  double rms = 0;  // of the residuals at the answer
  int points = 0;  // frequencies used
};

// Fits `board` (its artwork, substrate and losses as stored; the field
// corrections held at the nominal copper's) to `m`.  False with `error`
// when no measured frequency lies within the model's band or fewer than
// twice as many as the parameters.
bool fit_board(const CircuitModel& board, const Targets& t, const Measurement& m, bool fit_h, FitResult& fit,
               std::string& error);

// Touchstone text (# MHz S RI R z) of a response, S12 = S21 and S22 = S11.
std::string touchstone_text(const Measurement& m, double z_ref, const std::string& comment);

}  // namespace quorvane::tune
