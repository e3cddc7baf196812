// Touchstone version 1 files of a print-format-1 response table
// (EIA/IBIS Open Forum, Touchstone file format, version 1.1, 2002): option
// line "# MHz S MA R <Zs>", magnitude and angle in degrees.
//
// The table gives S11 as return loss (dB) and phase, and S21 as dB and phase.
// The filter is reciprocal, so S12 = S21; the designs are symmetric, so
// S22 = S11 holds when the load impedance equals the source impedance: then
// a two-port file (.s2p) is written, otherwise a one-port file (.s1p) of S11
// referred to Zs.
//
// What a simulator needs beyond the printed values: frequencies that
// increase (a fine sweep prints one frequency on several rows: the first
// row that prints it is written, the others dropped), and a passive
// two-port (|S11|^2 + |S21|^2 <= 1, which a return loss printed as 0.00 dB
// can break by its rounding alone; see passive_magnitudes).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "stored/recorded_response.hpp"
#include "stored/storage_parser.hpp"

namespace quorvane::view {

using stored::AnalysisTable;
using stored::RecordedRow;
using stored::StoredReport;

struct TouchstoneFile {
  std::string extension;   // "s2p" or "s1p"
  std::string text;
  int rows_written = 0;
  int rows_left_out = 0;   // rows with a value that is not a finite number
  int rows_repeated = 0;   // rows dropped: their printed frequency does not exceed the one written before
  int rows_adjusted = 0;   // rows whose magnitudes were moved within their rounding to keep them passive
  int rows_not_passive = 0;  // rows above 1 by more than the rounding: written as printed
  int rows_normalised = 0;   // from the record: rows scaled by at most a few parts in 10^7 to keep them passive
};

// What the file's comment block names besides the report's summary.
struct TouchstoneDesign {
  std::string construction;  // "Microstrip", "Stripline", "ideal lines in air" or ""
  std::string substrate;     // e.g. "Er 9.800, H 0.6350 mm, strip thickness 0.0000 mm", or ""
};

// Linear |S11| and |S21| of a row printed as `s11db` (to 0.01 dB) and
// `s21db` (to 0.001 dB).  When the printed values give |S11|^2 + |S21|^2
// above 1: the largest |S11| that keeps the row passive, with |S21| as
// printed or else at the lower end of its rounding, and |S11| within its
// rounding of the printed return loss or else at most one unit (0.01 dB)
// below it.  A row that not even this makes passive keeps the printed values.
struct PassiveRow {
  double s11 = 0.0, s21 = 0.0;
  bool adjusted = false;
  bool passive = true;
};
PassiveRow passive_magnitudes(float s11db, float s21db);

// Linear magnitude of a value in dB: 10^(dB/20).  (The table's transmission
// is 10·log10 of |S21|², which is 20·log10 |S21|.)
float magnitude_from_db(float db);

// Throws std::invalid_argument for a print-format-2 table, which holds no
// return loss.
// With `exact` (the table's rows computed again from the design record, one
// for each row of the table), the magnitudes and angles are the analysis's
// own values instead of the printed digits.
TouchstoneFile touchstone(const StoredReport& report, const AnalysisTable& table, const std::string& source_name,
                          const TouchstoneDesign& design = {}, const std::vector<RecordedRow>& exact = {});

}  // namespace quorvane::view
