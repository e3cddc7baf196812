// Layouts of the microstrip and stripline dimensional reports.  Their
// summary opens with the design summary of the electrical report (the ripple
// as F5.3), then the substrate lines below.
#pragma once

#include <string>

#include "dialogue/report_layout.hpp"
#include "synthesis/electrical_layouts.hpp"

namespace quorvane::fmt {

inline const Layout& dimensions_title() {
  static const Layout l{blanks(12), text("SYNTHESIS of Physical Dimensions for your Parallel Coupled")};
  return l;
}
inline const Layout& fhigh_line_dimensions() {
  static const Layout l = fhigh_line(5, 3);
  return l;
}
// Er; the construction's name.
inline const Layout& er_construction_line() {
  static const Layout l{blanks(16), text("Er   = "), real(9, 3), blanks(9), text("Construction= "), alpha(10)};
  return l;
}
// "H    = " (microstrip) or "B    = " (stripline); H or B, inch; T, inch.
inline const Layout& height_line() {
  static const Layout l{blanks(16), alpha(7),  real(9, 3), text(" inches"),
                        blanks(2),  text("Strip Thick = "), real(6, 4), text(" inches")};
  return l;
}
inline constexpr std::string_view kMicrostripHeightName = "H    =";
inline constexpr std::string_view kStriplineHeightName = "B    =";

// ---- The section tables ---------------------------------------------------------

// The first caption line of each table, which tells the constructions apart.
inline const Layout& microstrip_head() {
  static const Layout l{blanks(46), text("    Resonator Eff. Dielectric")};
  return l;
}
inline const Layout& stripline_head() {
  static const Layout l{blanks(50), text("Resonator  Open-End")};
  return l;
}

// The columns both tables share: K, W in inches and millimetres, the pair
// K-1 and K, S in inches and millimetres, the resonator length in inches.
inline Layout section_columns_and(std::initializer_list<Field> tail) {
  Layout l{blanks(8),  integer(2), blanks(3),  real(7, 4), blanks(1), real(7, 4),
           integer(3), integer(3), real(8, 4), real(8, 4), real(8, 4)};
  l.insert(l.end(), tail);
  return l;
}
// ... then the even- and odd-mode effective dielectric constants at Fo.
inline const Layout& microstrip_row() {
  static const Layout l = section_columns_and({blanks(3), real(6, 3), real(7, 3)});
  return l;
}
// ... then the open-end capacitance, pF.
inline const Layout& stripline_row() {
  static const Layout l = section_columns_and({blanks(2), real(8, 4)});
  return l;
}
// A stripline section whose even- and odd-mode impedances give no positive
// width: K, the pair and the resonator length only.
inline constexpr std::string_view kNotRealizableText = "Not realizable in Stripline for its Zoe and Zoo";
inline const Layout& stripline_unrealizable_row() {
  static const Layout l{blanks(8),  integer(2), blanks(3), text(kNotRealizableText),
                        integer(3), integer(3), blanks(2), real(8, 4)};
  return l;
}

// ---- The closing lines ------------------------------------------------------------

// The total length, inch.
inline const Layout& total_line() {
  static const Layout l{blanks(11), text("Total Length of your Bandpass Filter = "), real(8, 4), text(" inches.")};
  return l;
}
// Zo, ohm; the width of a Zo line, inch; its EReff(Fo) (microstrip) or Er.
inline const Layout& zo_line_microstrip() {
  static const Layout l{blanks(6),  text("For Zo = "), real(6, 2), text(" Ohms, Line Width ="),
                        real(7, 4), text(" inches in EReff(Fo) ="), real(7, 3), text(".")};
  return l;
}
inline const Layout& zo_line_stripline() {
  static const Layout l{blanks(6),  text("For Zo = "), real(6, 2), text(" Ohms, Line Width ="),
                        real(7, 4), text(" inches in Er ="), real(7, 3), text(".")};
  return l;
}
// Fo, MHz; the quarter wavelength, inch.
inline const Layout& fo_wave_line() {
  static const Layout l{blanks(6), text("For Fo ="), real(9, 2), text(" MHz, Quarter Wavelength ="), real(8, 4),
                        text(" inches.")};
  return l;
}
// The microstrip mode limits, GHz.
inline const Layout& surface_wave_line() {
  static const Layout l{blanks(6), text("higher-order modes: Surface Wave Mode = "), real(7, 3), text(" GHz.")};
  return l;
}
inline const Layout& te_mode_line() {
  static const Layout l{blanks(6), text("                 Lowest-order TE-mode = "), real(7, 3), text(" GHz.")};
  return l;
}
// The stripline limit, GHz.
inline const Layout& stripline_limit_line() {
  static const Layout l{blanks(6), text("Maximum usable operating frequency = "), real(7, 3),
                        text(" GHz before possible")};
  return l;
}

}  // namespace quorvane::fmt
