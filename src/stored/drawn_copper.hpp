// The copper a stored dimensional report draws, rebuilt for the analysis of
// the drawn filter: widths and gaps from the table's millimetre columns, the
// lengths as the layout draws them (reconciled with the printed total, and
// shortened for the open ends unless drawn as printed), the substrate of the
// report, and the losses and terminations of a stored analysis.
#pragma once

#include <string>
#include <vector>

#include "analysis/drawn_filter.hpp"
#include "stored/filter_layout.hpp"
#include "stored/storage_parser.hpp"

namespace quorvane::stored {

// Per section the open-end extension of its strips, inch, at the report's
// Fo (Kirschning-Jansen-Koster for microstrip; for stripline the printed
// open-end capacitance over the line capacitance of the strip).  Throws
// std::invalid_argument when the table cannot be drawn.
std::vector<float> open_end_extensions(const StoredReport& dimensions);

// The copper of `dimensions` between the terminations and with the losses of
// `analysis`.  Stripline takes the design's mode impedances from
// `electrical` (the same design's electrical report) to calibrate Cohn's
// equations at the printed geometry; without it, throws
// std::invalid_argument, as for a table that cannot be drawn.
// With `record` (the design record of the file) holding the dimensional
// report, the copper is the dialogue's own: widths, gaps, lengths, substrate
// and open-end capacitances as synthesised, the stripline mode impedances
// the design's (no calibration to printed digits, no electrical report
// needed); the losses and terminations are the analysis table's.
DrawnFilter drawn_filter(const StoredReport& dimensions, const AnalysisTable& analysis, const ElectricalTable* electrical,
                         CopperDrawing drawing, const DesignRecord* record = nullptr);

// The drawn copper analysed at the frequencies of a stored table.
struct DrawnAnalysis {
  std::vector<float> freq;    // MHz, the table's
  std::vector<float> s21db;   // of the drawn copper
  float centre_stored = 0.0f; // MHz, middle of the -3 dB points of the table (NaN: not in the table)
  float centre_drawn = 0.0f;  // MHz, the same of the drawn copper
  bool compensated = true;
};
DrawnAnalysis analyse_drawn(const DrawnFilter& filter, const AnalysisTable& analysis, bool compensated);

// "copper compensated for open ends: centre 10030.2 MHz, stored analysis
// 10001.8 MHz, shift +0.28 %" (a centre that is not in the table: "n/a").
std::string centre_text(const DrawnAnalysis& drawn);

}  // namespace quorvane::stored
