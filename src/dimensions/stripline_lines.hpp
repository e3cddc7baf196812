// The stripline line models as the dimensional synthesis uses them: the
// coupled-strip widths and gaps of all sections, the impedance of one strip
// and the width of one strip of a wanted impedance.  Kept apart from the
// design records so that the model header and the record header, which both
// name a per-section table, never meet in one translation unit.
#pragma once

#include <vector>

namespace quorvane {

// One coupled section, lengths divided by the ground-plane spacing B.
struct CoupledStrip {
  float wb = 0.0f;         // strip width / B
  float sb = 0.0f;         // gap / B
  bool realizable = true;  // false when no positive width and gap exist
};

// Sections 1 ... n+1 from their even- and odd-mode impedances (ohm), given
// in order in zoe and zoo (element 0 is section 1); t is thickness / B.
std::vector<CoupledStrip> coupled_strips(int n, float t, float er, const std::vector<float>& zoe,
                                         const std::vector<float>& zoo);

// Impedance (ohm) of a single strip; b, t, w in inch.
float single_strip_impedance(float b, float er, float t, float w);

struct SingleStrip {
  float w = 0.0f;   // width, inch
  float zo = 0.0f;  // impedance of that width, ohm
  int isyne = 0;    // 1 when the impedance needs an unrealizable width
};

// Width (inch) of a single strip of impedance zo (ohm), within 0.1 %.
SingleStrip single_strip_width(float b, float er, float t, float zo);

// The two lines (each after 6 blanks, following an empty line) that tell the
// user the single-strip width could not be realised.
const char* single_strip_unrealizable_line1();
const char* single_strip_unrealizable_line2();

}  // namespace quorvane
