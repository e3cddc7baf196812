// The design state that crosses phases: the records of the electrical design,
// the dimensions, the analysis set-up and the output control, and the values
// the dialogue keeps for the current design cycle.  One object owned by the
// dialogue; each field has one writer per phase.
#pragma once

#include <string>

#include "dialogue/defaults_file.hpp"
#include "dialogue/section_table.hpp"

namespace quorvane {

// Electrical design of the coupled sections, and the analysis terminations.
struct Qvnzo {
  SectionValues zoec;  // even-mode impedance of section K, ohm
  SectionValues zooc;  // odd-mode impedance of section K, ohm
  float zs = 0.0f;     // source impedance, ohm
  float zl = 0.0f;     // load impedance, ohm
};

// Physical dimensions.
struct Qvnms {
  SectionValues wc;    // strip width of section K: inch (microstrip), W/B (stripline)
  SectionValues sc;    // gap of section K: inch (microstrip), S/B (stripline)
  float thick = 0.0f;  // strip thickness T, inch
  float b = 0.0f;      // ground-plane spacing B or substrate height H, inch
};

// Analysis frequency range, MHz.
struct Qvnfreq {
  float fstart = 0.0f;
  float fstop = 0.0f;
  float fstep = 0.0f;
};

// Loss parameters.
struct Aloss1 {
  float res = 0.0f;   // conductor resistivity, ohm-inch
  float sr = 0.0f;    // RMS surface roughness, inch
  float tlos = 0.0f;  // dielectric loss tangent
};

// Output control.
struct Control {
  int ivswr = 0;   // print format: 1 S-parameters, 2 VSWR and input impedance
  int istore = 0;  // 1 while the current phase's reports also go to the storage file
  std::string fnstore = std::string(20, ' ');  // storage file name, 20 characters
};

// Reference frequencies of the coupled sections, MHz.
struct Qvna1 {
  SectionValues freqoe;  // f0 * sqrt(even-mode effective dielectric constant)
  SectionValues freqoo;  // f0 * sqrt(odd-mode effective dielectric constant)
};

// Local date and time, read once per design cycle.
struct ClockReading {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The electrical requirements entered at the start of a design cycle.
struct FilterRequirements {
  float f0 = 0.0f;      // centre frequency, MHz
  float bw = 0.0f;      // passband bandwidth, MHz
  float omega = 0.0f;   // fractional bandwidth bw/f0
  float flow = 0.0f;    // lower passband edge, MHz
  float fhigh = 0.0f;   // upper passband edge, MHz
  int itorb = 1;        // response: 1 Chebyshev, 2 Butterworth
  std::string torb;     // response name for the reports, 20 characters
  float ripple = 0.0f;  // passband ripple, dB (0 for Butterworth)
  int ifunc = 1;        // 1: poles entered; otherwise from the skirt attenuation
  float f1 = 0.0f;      // skirt frequency, MHz
  float fc = 0.0f;      // passband edge on the skirt side, MHz
  float a1 = 0.0f;      // attenuation wanted at f1, dB
  float a2 = 0.0f;      // attenuation achieved at f1, dB
  int isections = 0;    // number of poles N; the filter has N+1 coupled sections
  float z0 = 0.0f;      // system impedance, ohm, as the reports and the analysis use it
  float z0_entered = 0.0f;  // the system impedance the user entered, ohm
  SectionValues zi;     // image impedance of section K, ohm
};

// The construction chosen for the current design.
struct Construction {
  int msorsl = 0;       // 0 none since the electrical synthesis, 1 microstrip, 2 stripline
  float er = 0.0f;      // relative dielectric constant
  float t = 0.0f;       // strip thickness relative to b
  std::string slorms;   // "Microstrip" or "Stripline", 20 characters
  std::string var1;     // height label of the report, 7 characters
};

struct DesignState {
  Defaults defaults;
  ClockReading clock;
  int iopen12 = 0;  // 1 when a storage file was opened at the first or second question of this cycle
  FilterRequirements filter;
  Construction construction;
  Qvnzo qvnzo;
  Qvnms qvnms;
  Qvnfreq qvnfreq;
  Aloss1 aloss1;
  Control control;
  Qvna1 qvna1;
  SectionValues flength;  // resonator length of section K, inch
  SectionValues capopen;  // open-end capacitance of section K, pF (stripline report)
  float mode_limit = 0.0f;  // lowest higher-order-mode limit of the dimensions, GHz
};

}  // namespace quorvane
