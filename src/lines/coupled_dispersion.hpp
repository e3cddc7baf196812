// Frequency dependence of a symmetric edge-coupled microstrip pair
// (Kirschning-Jansen): even- and odd-mode effective dielectric constants and
// characteristic impedances at a frequency, from the quasi-static results of
// lcwta, mscuppv and ms1imp for the same geometry.  lceff runs before lcdis,
// whose odd-mode formula takes the dispersive odd-mode value of lceff.
// Allocation-free: called at every frequency of an analysis sweep.
#pragma once

#include "lines/microstrip.hpp"

namespace quorvane {

// Effective dielectric constants of the coupled line at the frequency.
struct Lceff1 {
  float effcf = 0.0f;  // 2*effef*effof/(effef + effof)
  float effef = 0.0f;  // even mode
  float effof = 0.0f;  // odd mode
};

// Mode impedances at the frequency, ohm.
struct Lcdis1 {
  float zoeapf = 0.0f;  // even mode
  float zooapf = 0.0f;  // odd mode
};

// effc, effe, effo: static values of mscuppv; f_ghz in GHz, h in inch, s,
// wte, wto in inch.  f_ghz <= 0 returns the static values.
Lceff1 lceff(float effc, float effe, float effo, float er, float f_ghz, float h, float s,
             float wte, float wto);

struct LcdisResult {
  Lcdis1 lcdis1;
  // 0 plausible; 2 zooapf > zoeapf; 1 mean impedance above the dispersive
  // single-strip limit.  A nonzero flag on entry is returned unchanged.
  int iflag = 0;
  // True when the dispersive evaluation ran (f_ghz > 0 and no flag on entry);
  // only then do msimp1 and mszo1 hold the reference strip of the odd mode
  // (of width wto, no thickness, under the cover), else they stay zero.
  bool dispersive = false;
  Msimp1 msimp1;
  Mszo1 mszo1;
};

// effo static odd-mode value, effof its dispersive value from lceff; h2 cover
// height (inch); iflag as returned by ms1imp; zoeap, zooap the static mode
// impedances of ms1imp (ohm).
LcdisResult lcdis(float effo, float effof, float er, float f_ghz, float h, float h2, int iflag,
                  float s, float wte, float wto, float zoeap, float zooap);

}  // namespace quorvane
