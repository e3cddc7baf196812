// Symmetric edge-coupled microstrip pair, quasi-static: thickness-corrected
// mode widths, even- and odd-mode effective dielectric constants and
// characteristic impedances (Kirschning-Jansen), with top-cover corrections.
//
// coupled_statics is the entry point: it runs lcwta, then mscuppv, then
// ms1imp, feeding the mode widths of the first into the others and the mode
// dielectric constants of the second into the third (with frequency:
// coupled_pair, lines/coupled_dispersion.hpp).  Both modes are always
// evaluated.  No routine
// allocates; they are called at every frequency of an analysis sweep.
#pragma once

#include "lines/microstrip.hpp"

namespace quorvane {

// Thickness-corrected strip widths of the two modes, in the unit of w.
struct ModeWidths {
  float wte = 0.0f;  // even mode
  float wto = 0.0f;  // odd mode
};

// er relative dielectric constant; h substrate height, s gap, t strip
// thickness, w strip width, all in one common unit.  t = 0 gives wte = wto = w.
ModeWidths lcwta(float er, float h, float s, float t, float w);

struct ModeDielectric {
  float effc = 0.0f;  // combined 2*effe*effo/(effe + effo)
  float effe = 0.0f;  // even-mode effective dielectric constant
  float effo = 0.0f;  // odd-mode effective dielectric constant
  Msimp1 msimp1;      // the lone strip of width wto, no thickness, no cover
};

// Static mode effective dielectric constants; h2 cover height above the
// ground plane (callers pass 100*h), other lengths as for lcwta.
ModeDielectric mscuppv(float er, float h, float h2, float s, float wte, float wto);

struct ModeImpedance {
  float zoe = 0.0f;  // even-mode impedance, ohm
  float zoo = 0.0f;  // odd-mode impedance, ohm
  // 0 plausible; 2 zoo > zoe; 1 sqrt(zoe*zoo) above the single-strip limit
  // (1 overrides 2).
  int iflag = 0;
  Msimp1 msimp1;  // the lone strip of width wto, no thickness, no cover
};

// Static mode impedances from the mode dielectric constants of mscuppv.
ModeImpedance ms1imp(float effe, float effo, float er, float h, float h2, float s, float wte,
                     float wto);

// The quasi-static pair at one geometry; lengths as for lcwta, h2 as for mscuppv.
struct CoupledStatics {
  ModeWidths widths;
  ModeDielectric dielectric;
  ModeImpedance impedance;
};
CoupledStatics coupled_statics(float er, float h, float h2, float s, float t, float w);

// The mode impedances of the same pair with air above and below the strips
// (both mode dielectric constants 1).
ModeImpedance coupled_air_impedances(float h, float h2, float s, float t, float w);

}  // namespace quorvane
