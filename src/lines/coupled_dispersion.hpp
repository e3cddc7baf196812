// Frequency dependence of a symmetric edge-coupled microstrip pair
// (Kirschning-Jansen): even- and odd-mode effective dielectric constants and
// characteristic impedances at a frequency, from the quasi-static results of
// coupled_statics for the same geometry.  lceff runs before lcdis, whose
// odd-mode formula takes the dispersive odd-mode value of lceff: coupled_pair
// is the one entry point that runs them in that order; the prepared,
// frequency-split forms below serve the analysis sweep.
// Allocation-free: called at every frequency of an analysis sweep.
#pragma once

#include "lines/coupled_microstrip.hpp"
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

// The part of lceff that does not depend on the frequency, every term
// formed exactly as lceff forms it: lceff(section, f) gives the bits of
// lceff(effc, effe, effo, er, f, h, s, wte, wto).
struct LceffSection {
  float effc = 0.0f, effe = 0.0f, effo = 0.0f, er = 0.0f, h = 0.0f, g = 0.0f, ue = 0.0f, uo = 0.0f;
  float p2 = 0.0f, p4 = 0.0f;
  // Even mode.
  float p1_tail_e = 0.0f, p3_base_e = 0.0f, p5 = 0.0f, g479 = 0.0f, p7_exp = 0.0f, er_less_effe = 0.0f;
  // Odd mode.
  float p1_tail_o = 0.0f, p3_base_o = 0.0f, p8 = 0.0f, p9_atan = 0.0f, p11_atan = 0.0f, p12_den = 0.0f,
        p13 = 0.0f, p15_exp = 0.0f, er_less_effo = 0.0f;
};
LceffSection prepare_lceff(float effc, float effe, float effo, float er, float h, float s, float wte, float wto);
Lceff1 lceff(const LceffSection& section, float f_ghz);
// The same with the frequency terms of another evaluation at the same
// frequency (used when they were formed for this section's fn).
Lceff1 lceff(const LceffSection& section, float f_ghz, const FrequencyTerms& shared);

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

// The part of lcdis that does not depend on the frequency: the reference
// strips of both modes with their own dispersion terms, and the terms of the
// mode impedances that only the section determines, each formed exactly as
// lcdis forms it.
struct LcdisSection {
  float effo = 0.0f, er = 0.0f, h = 0.0f, g = 0.0f, ue = 0.0f, uo = 0.0f, zoeap = 0.0f, zooap = 0.0f;
  int iflag = 0;
  bool same_widths = true;  // wto == wte: one reference strip serves both modes
  Msimp1 even_strip, odd_strip;
  StripDispersion even_dispersion, odd_dispersion;
  // Even-mode impedance and its exponent.
  float q11 = 0.0f, q12_g = 0.0f, q12_exp = 0.0f, q15_num = 0.0f, q15_ue = 0.0f, q15_den = 0.0f;
  float q16_factor = 0.0f, q17_coef = 0.0f, q18 = 0.0f, q19_num = 0.0f, q19_ue = 0.0f, q19_g = 0.0f;
  float q20_factor = 0.0f, pe_coef = 0.0f;
  bool de_on = false;  // the even-mode D term is evaluated (its exponent is not below -75)
  float de_exp = 0.0f, de_qe = 0.0f, de_er16 = 0.0f, de_den = 0.0f, de_t = 0.0f, de_log10_t = 0.0f;
  float x_r7 = 0.0f, x_r12 = 0.0f, x_r15_coef = 0.0f, x_r16_coef = 0.0f, x_r16_width = 0.0f;
  // Odd-mode impedance.
  float q27 = 0.0f, q26 = 0.0f, q25_coef = 0.0f, q24_coef = 0.0f, q24_u = 0.0f, q24_den = 0.0f,
        q23_u = 0.0f, q_g = 0.0f;
};
LcdisSection prepare_lcdis(float effo, float er, float h, float h2, int iflag, float s, float wte, float wto,
                           float zoeap, float zooap);
LcdisResult lcdis(const LcdisSection& section, float effof, float f_ghz);
LcdisResult lcdis(const LcdisSection& section, float effof, float f_ghz, const FrequencyTerms& shared);

// The pair at a frequency: the statics, then lceff, then lcdis.
struct CoupledPair {
  CoupledStatics statics;
  Lceff1 dielectric;
  LcdisResult dispersion;
};
CoupledPair coupled_pair(float er, float f_ghz, float h, float h2, float s, float t, float w);

}  // namespace quorvane
