// The circuit model of quorvane-tune: the drawn-copper four-port
// (analysis/drawn_filter.hpp) of a copper whose sections' mode impedances and
// effective dielectric constants come from the 2-D field solution of their
// cross-sections (fields/field_solver.hpp) instead of the Kirschning-Jansen
// statics, with the open ends of the coupled strips and the width step
// between each feed line and its coupled strip.
//
// The field solution corrects the closed-form statics section by section:
// each mode's impedance and sqrt(Er,eff) are the line model's times the
// ratio of the field solution to the closed form at the section's
// cross-section, so that the line model's dispersion and losses are kept.
//
// This is a solver beside the dialogue: the copper and the corrections are
// held in double (millimetres), the four-port itself is the analysis' own
// single-precision model.
#pragma once

#include <array>
#include <complex>
#include <map>
#include <string>
#include <vector>

#include "analysis/drawn_filter.hpp"
#include "fields/field_solver.hpp"
#include "stored/stored_design.hpp"

namespace quorvane::tune {

inline constexpr double kMmPerInch = 25.4;

// One coupled section of the artwork, mm; length as drawn (the physical
// length of its coupled strips).
struct SectionCopper {
  double w = 0, s = 0, length = 0;
};

struct Copper {
  std::vector<SectionCopper> sections;
  double feed_w = 0;  // mm, width of the feed lines
};

struct Substrate {
  double er = 0, h = 0, t = 0;  // h, t in mm
};

// Factors on the line model's mode values (1: the closed forms).
struct ModeCorrection {
  double ze = 1, zo = 1, sqe = 1, sqo = 1;
};

// Field solutions of the cross-sections met so far, keyed by the geometry
// rounded to 0.1 um and Er to 1e-5.
class FieldCorrections {
 public:
  // The corrections of every section of `copper` etched by `bias` (mm per
  // edge) on `sub`; the missing cross-sections are solved side by side.
  // False with `error` when a cross-section cannot be solved.
  bool of(const Substrate& sub, const Copper& copper, double bias, std::vector<ModeCorrection>& out, std::string& error);
  int solved() const { return solved_; }
  // Looser than the field check's 5e-4: the correction is of a few per cent.
  fields::SolveOptions options{2e-3, 6, 0};

 private:
  std::map<std::array<long long, 5>, ModeCorrection> cache_;
  int solved_ = 0;
};

// Space mapping's correction of one section of the circuit towards a
// full-wave solution: a length added to the drawn one (mm), and a factor on
// its coupling (Zoe - Zoo)/(Zoe + Zoo), the mode impedances' geometric mean,
// the section's image impedance, kept.  (A factor on the split Zoe/Zoo
// itself weighed the sections unequally: on the demonstration design 3 %
// on it raised the middle section's coupling by 65 % and an end section's
// by 11 %, and the full-wave loop's fitted corrections ran away.)
struct SectionMapping {
  double length = 0, coupling = 1;
};

struct CircuitModel {
  DrawnFilter base;       // construction, f0, terminations and losses of the stored analysis
  Substrate substrate;
  Copper copper;          // the artwork
  double bias = 0;        // etch bias per edge, mm: strips 2 bias narrower, gaps 2 bias wider
  std::vector<ModeCorrection> corrections;  // per section; empty: the closed forms
  bool lossy = false;     // false: the losses left out (the figures of the copper alone)
  bool feed_steps = true; // the step capacitance at the two ports
  std::vector<SectionMapping> mapping;      // per section; empty: none
  // Space mapping's loss: a loss tangent added to the substrate's (with or
  // without `lossy`), standing for what the full-wave solution loses and no
  // line model has, radiation above all.
  double mapped_loss = 0;
};

// The copper whose field-solved sections couple and delay as `model`'s
// copper does by the closed forms: per section the gap at which the field
// solution's Zoe/Zoo equals the closed forms' at the drawn gap (the
// coupling, which sets the inverter), then the length at which the mean of
// the two modes' field-solved phase velocities gives the closed forms'
// electrical length; the widths kept.  The corrections are first taken from
// `near` (a copper of the same sections solved already, the printed one:
// no new field solution), then from the gaps found.  A copper tuned on the
// closed forms, carried over so, starts the field-corrected tuning beside
// its answer.  False with `error` when a field solution fails.
bool field_equivalent(const CircuitModel& model, const Copper& near, FieldCorrections& fields, Copper& out,
                      std::string& error);

// The model of a stored microstrip design's drawn copper (lengths shortened
// for the open ends, as the layout draws them).  False with `error` for
// stripline or a table that cannot be drawn.
bool circuit_model(const stored::StoredDesign& design, CircuitModel& model, std::string& error);

// Excess capacitance of a microstrip width step, pF, between strips of
// widths w1 and w2 (mm) on a substrate of Er `er`: Gupta, Garg and Bahl,
// "Microstrip Lines and Slotlines" (1979),
//   C / sqrt(W1 W2) = (10.1 log Er + 2.33) W1/W2 - 12.6 log Er - 3.17  pF/m
// (W1 the wider; fitted for Er <= 10, 1.5 <= W1/W2 <= 3.5), held at 0 where
// the fit turns negative (widths nearly equal).
double step_capacitance_pf(double er, double w1, double w2);

// The four-port's copper for `model`.
DrawnFilter drawn(const CircuitModel& model);

// S11 and S21 (double) at each frequency (MHz, ascending, > 0).
struct Sweep {
  std::vector<double> f;
  std::vector<std::complex<double>> s11, s21;
};
Sweep respond(const CircuitModel& model, const std::vector<double>& f_mhz);

// A stepwise evaluator of one copper over a band (MHz): the four-port
// prepared once.
class Evaluator {
 public:
  Evaluator(const CircuitModel& model, double f_lo, double f_hi);
  DrawnResponse at(double f_mhz) const;

 private:
  PreparedDrawnFilter prepared_;
};

}  // namespace quorvane::tune
