// What quorvane-tune aims at and what it measures.
//
// Targets, from the stored design: the centre at Fo; the -3 dB edges at
// Fo -/+ BW3dB/2, BW3dB that of the electrical report (the prototype's),
// or without one the -3 dB width of the stored analysis; and, for a
// Chebyshev design of ripple r dB, the passband return loss of that ripple,
// -10 log10(1 - 10^(-r/10)), the worst over Flow ... Fhigh.
//
// Figures of a copper, each a smooth function of its dimensions so that a
// least-squares solver can follow it: the -3 dB edges where |S21|^2 falls
// 3 dB below the response's peak (lossless: below 1), each solved on the
// response itself (bracketed on a frequency grid, then regula falsi), not
// read off the grid; and the worst return loss over the passband, reported
// as the least sample of a fine grid and followed by the solver as a soft
// minimum (log-sum-exp with a temperature of kSoftDb).
#pragma once

#include <array>
#include <complex>
#include <string>
#include <vector>

#include "stored/stored_design.hpp"
#include "tune/tune_model.hpp"

namespace quorvane::tune {

inline constexpr double kSoftDb = 0.05;

struct Targets {
  double f0 = 0, lower = 0, upper = 0, bw3 = 0;  // MHz
  double flow = 0, fhigh = 0;                    // MHz, the passband
  double return_loss = 0;                        // dB; NaN: no ripple (Butterworth), no target
  int poles = 0;
  double ripple_eps = 0;  // Chebyshev's epsilon, sqrt(10^(r/10) - 1); 0 for Butterworth
};

// |S11|^2 of the designed response at f (MHz): the Chebyshev (or
// Butterworth) prototype of `poles` mapped onto the passband,
// x = 2 (f - f0)/(fhigh - flow), |S11|^2 = e^2 T(x)^2/(1 + e^2 T(x)^2)
// (Butterworth: x^2N/(1 + x^2N)), the response the -3 dB width of the
// design was computed from.
double designed_reflection(const Targets& t, double f_mhz);

// False with `error` when the design gives no passband or -3 dB width.
bool design_targets(const stored::StoredDesign& design, Targets& t, std::string& error);

// Return loss of a Chebyshev ripple of `ripple_db`.
double ripple_return_loss(double ripple_db);

struct Figures {
  double centre = 0, lower = 0, upper = 0, bandwidth = 0;  // MHz
  double return_loss = 0;       // dB, the least over the passband's grid
  double soft_return_loss = 0;  // dB, its soft minimum
  bool edges_found = false;     // both -3 dB edges lie within the searched band
};

// The band searched for the edges: the passband widened by 1.5 BW3dB on each side.
void search_band(const Targets& t, double& f_lo, double& f_hi);

Figures measure(const CircuitModel& model, const Targets& t);

// The circuit model's: within 0.1 % of Fo, 1 % of BW3dB and 1 dB of the
// return loss.  With `edges` > 0 the width is judged by its two -3 dB
// edges instead, each within that share of its target frequency.
struct Tolerances {
  double centre = 0.001, bandwidth = 0.01, return_loss_db = 1.0;
  double edges = 0;
  std::string text() const;  // "0.1 % of Fo, 1 % of the -3 dB width, 1 dB of the return loss"
};
// The full-wave loop's: the centre within 0.2 % of Fo, each -3 dB edge
// within 1.5 % of its target and the return loss within 3 dB: a full-wave
// figure carries its mesh's error (on the demonstration design the coarse
// and normal meshes' centres differ by about 1 %).
inline const Tolerances kFullWaveTolerances{0.002, 0, 3.0, 0.015};
bool meets(const Figures& f, const Targets& t, const Tolerances& tol = {});

// Each target's miss in its tolerances: the centre, the -3 dB width (or
// the worse edge) and the return loss (0 where the design gives no ripple
// to aim at).
std::array<double, 3> misses(const Figures& f, const Targets& t, const Tolerances& tol = {});

// 20 log10 |s|, floored at -200 dB.
double db(std::complex<double> s);

}  // namespace quorvane::tune
