// Layouts of the electrical synthesis report, and of the design summary that
// every report repeats after its title.
#pragma once

#include <string>

#include "dialogue/report_layout.hpp"

namespace quorvane::fmt {

inline const Layout& electrical_title() {
  static const Layout l{blanks(12), text("SYNTHESIS of the Distributed Electrical Circuit for your Parallel")};
  return l;
}

// ---- The design summary ------------------------------------------------------

// Flow, MHz; the response name.
inline const Layout& flow_line() {
  static const Layout l{blanks(16), text("Flow = "), real(9, 3), text(" MHz"), blanks(5), text("Response    = "),
                        alpha(12)};
  return l;
}
// Fo, MHz; the number of poles.
inline const Layout& fo_line() {
  static const Layout l{blanks(16), text("Fo   = "), real(9, 3), text(" MHz"), blanks(5), text("# of Poles  = "),
                        integer(2)};
  return l;
}
// Fhigh, MHz; the ripple, dB, whose field each report prints with its own
// decimals: F6.4 (electrical), F5.3 (dimensions), F7.5 (analysis).
inline Layout fhigh_line(int ripple_w, int ripple_d) {
  return {blanks(16), text("Fhigh= "), real(9, 3),           text(" MHz"),
          blanks(5),  text("Ripple (Am) = "), real(ripple_w, ripple_d), text(" dB")};
}
inline const Layout& fhigh_line_electrical() {
  static const Layout l = fhigh_line(6, 4);
  return l;
}
// BW, MHz; the system impedance, ohm.
inline const Layout& bw_line() {
  static const Layout l{blanks(16), text("BW   = "), real(9, 3), text(" MHz"), blanks(5), text("Zo of System= "),
                        real(6, 2), text(" Ohms")};
  return l;
}

// ---- The electrical table ----------------------------------------------------

inline const Layout& bw3db_line() {
  static const Layout l{blanks(16), text("BW3dB= "), real(9, 3), text(" MHz")};
  return l;
}
inline const Layout& rule69() {
  static const std::string hyphens(69, '-');
  static const Layout l{blanks(6), text(hyphens)};
  return l;
}
// I, g(I), the pair K and K+1, Zoe, Zoo, ZI, J*ZI, the coupling coefficient.
inline const Layout& electrical_row() {
  static const Layout l{blanks(6),   integer(2), blanks(2),  real(8, 5),  blanks(3),   integer(2), integer(3),
                        blanks(3),   real(7, 3), real(7, 3), real(9, 2),  real(11, 5), real(11, 5)};
  return l;
}
// N+1, g(N+1), the source and load impedance.
inline const Layout& load_line() {
  static const Layout l{blanks(6), integer(2), blanks(2), real(8, 5), text("    Source and Load Impedance = "),
                        real(6, 2), text(" Ohms")};
  return l;
}
// Qe(1), N+1, Qe(N+1).
inline const Layout& external_q_line() {
  static const Layout l{blanks(6), text("End Section`s External Q: Qe(1) ="), real(6, 2), text(" and Qe("),
                        integer(2), text(") ="), real(6, 2), text(".")};
  return l;
}

}  // namespace quorvane::fmt
