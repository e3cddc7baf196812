// The defaults file QuorvaneDEMO.DEF: 19 records, one default answer each,
// read once at start.  A number sits in columns 1 to 13 and may be followed by
// any text (its name, say); the storage file name takes columns 1 to 20.
#pragma once

#include <istream>
#include <string>
#include <vector>

namespace quorvane {

inline constexpr const char* kDefaultsFileName = "QuorvaneDEMO.DEF";

struct Defaults {
  float f0def = 0.0f;       // filter centre frequency, MHz
  float bwdef = 0.0f;       // passband bandwidth, MHz
  int itorbdef = 1;         // response: 1 Chebyshev, 2 Butterworth
  float rippledef = 0.0f;   // passband ripple, dB
  float f1def = 0.0f;       // out-of-band skirt frequency, MHz
  float a1def = 0.0f;       // attenuation wanted at the skirt frequency, dB
  int ndef = 2;             // number of poles N
  float z0def = 0.0f;       // system impedance, ohm
  int msorsldef = 1;        // construction: 1 microstrip, 2 stripline (checked only)
  float heightms = 0.0f;    // microstrip substrate height H, inch
  float erms = 1.0f;        // microstrip relative dielectric constant
  float heightsl = 0.0f;    // stripline ground-plane spacing B, inch
  float ersl = 1.0f;        // stripline relative dielectric constant
  float tlosdef = 0.0f;     // dielectric loss tangent
  float fstartdef = 0.0f;   // analysis start frequency, MHz
  float fstopdef = 0.0f;    // analysis stop frequency, MHz
  float fstepdef = 0.0f;    // analysis frequency step, MHz
  std::string fndef;        // storage file name, 20 characters blank-padded
};

struct DefaultsReading {
  bool ok = false;
  Defaults values;
  // When not ok: the lines of the message that names the faulty record.
  std::vector<std::string> message;
};

// Reads the 19 records from `file`.  On a missing record or a faulty one the
// result holds the message to print, naming the record by its label.
DefaultsReading read_defaults(std::istream& file);

// The message for a record that could not be read, with `label` padded to 20
// characters; also used when a typed storage file name cannot be read.
std::vector<std::string> defaults_error_message(const std::string& label);

}  // namespace quorvane
