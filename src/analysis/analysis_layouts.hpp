// Layouts of the frequency analysis report: its opening (the design summary
// with the ripple as F7.5, then the losses), the two response tables and the
// terminations that close them.
#pragma once

#include <string>

#include "dialogue/report_layout.hpp"
#include "synthesis/electrical_layouts.hpp"

namespace quorvane::fmt {

inline const Layout& analysis_title() {
  static const Layout l{blanks(13), text("Frequency Analysis of your Parallel Coupled Line Bandpass Filter")};
  return l;
}
inline const Layout& fhigh_line_analysis() {
  static const Layout l = fhigh_line(7, 5);
  return l;
}
// SR, micro-inch; the resistivity, micro-ohm-cm.
inline const Layout& roughness_line() {
  static const Layout l{blanks(16), text("SR   = "),   real(9, 3), text(" u\""), blanks(6),
                        text("Resistivity = "), real(5, 3), text(" u-Ohm-cm")};
  return l;
}
inline const Layout& loss_tangent_line() {
  static const Layout l{blanks(40), text("Loss Tangent = "), real(7, 5)};
  return l;
}
// Without a construction: Er and the quarter wavelength of the ideal line, inch.
inline const Layout& ideal_line() {
  static const Layout l{blanks(16), text("Er   = "), real(9, 3), blanks(9), text("Quarterwave = "), real(6, 4),
                        text(" Inches")};
  return l;
}

// A sweep the program refuses prints, in place of the table, one line that
// opens with this lead and goes on with the reason in free text.
inline const Layout& not_run_lead() {
  static const Layout l{blanks(6), text("Analysis not run: ")};
  return l;
}

// ---- Print format 1: scattering parameters ------------------------------------

inline const Layout& format1_head() {
  static const Layout l{blanks(7), text("Frequency     Input Port: S11     Input Impedance   Thru Loss: S21")};
  return l;
}
inline const Layout& format1_rule() {
  static const std::string hyphens(66, '-');
  static const Layout l{blanks(7), text(hyphens)};
  return l;
}
// MHz; VSWR, return loss dB, phase of S11 degrees; Zin real and imaginary,
// ohm; S21 dB and its phase, degrees.
inline const Layout& format1_row() {
  static const Layout l{real(16, 2), blanks(1),  real(7, 3), real(7, 2), real(8, 2),
                        real(8, 3),  real(8, 3), real(9, 3), real(8, 2)};
  return l;
}

// ---- Print format 2: VSWR, input impedance, loss and phase --------------------

inline const Layout& format2_head() {
  static const Layout l{blanks(7), text("Analysis  Input Impedance, Ohms  Input  Input  ----------------")};
  return l;
}
// MHz; Zin real and imaginary, ohm; VSWR; phase of S11, degrees; the loss,
// dB, and the phase of S21, degrees.
inline const Layout& format2_row() {
  static const Layout l{real(16, 2), real(8, 2), real(12, 2), real(8, 2), real(8, 2), real(9, 3), real(9, 2)};
  return l;
}

// ---- The terminations -----------------------------------------------------------

inline const Layout& source_line() {
  static const Layout l{blanks(6), text("Source Impedance: Zs = "), real(7, 3), text(" Ohms.")};
  return l;
}
inline const Layout& load_impedance_line() {
  static const Layout l{blanks(6), text("Load   Impedance: ZL = "), real(7, 3), text(" Ohms.")};
  return l;
}

}  // namespace quorvane::fmt
