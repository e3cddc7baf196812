// Touchstone version 1 files of a print-format-1 response table
// (EIA/IBIS Open Forum, Touchstone file format, version 1.1, 2002): option
// line "# MHz S MA R <Zs>", magnitude and angle in degrees.
//
// The table gives S11 as return loss (dB) and phase, and S21 as dB and phase.
// The filter is reciprocal, so S12 = S21; the designs are symmetric, so
// S22 = S11 holds when the load impedance equals the source impedance: then
// a two-port file (.s2p) is written, otherwise a one-port file (.s1p) of S11
// referred to Zs.
#pragma once

#include <string>

#include "view/storage_parser.hpp"

namespace quorvane::view {

struct TouchstoneFile {
  std::string extension;   // "s2p" or "s1p"
  std::string text;
  int rows_written = 0;
  int rows_left_out = 0;   // rows with a value that is not a finite number
};

// Linear magnitude of a value in dB: 10^(dB/20).  (The table's transmission
// is 10·log10 of |S21|², which is 20·log10 |S21|.)
float magnitude_from_db(float db);

// Throws std::invalid_argument for a print-format-2 table, which holds no
// return loss.
TouchstoneFile touchstone(const Report& report, const AnalysisTable& table, const std::string& source_name);

}  // namespace quorvane::view
