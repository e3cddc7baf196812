// What the yield analysis writes: the fixed-column summary, the response
// plot with the sample envelope and the mask, and the per-frequency CSV.
#pragma once

#include <string>
#include <vector>

#include "yield/yield_analysis.hpp"

namespace quorvane::yield {

// The nominal response of a board against the stored table, at its frequencies.
struct TableDifference {
  float s21 = 0.0f, s21_freq = 0.0f;  // largest |difference| in S21, dB, and where, MHz
  float s11 = 0.0f;                   // largest in S11, dB (print format 1 only)
  double centre = 0.0, stored_centre = 0.0;  // MHz, of the board and of the table
};

// What the outputs name besides the results.
struct YieldContext {
  std::string storage_name;   // file name of the storage file
  std::string construction;   // "Microstrip" or "Stripline"
  std::string copper;         // how the copper is drawn (the viewer's note)
  stored::DesignSummary summary;
  int analysis_position = 0, dimensions_position = 0;
  TableDifference rebuilt;  // the board as the stored analysis took it
  TableDifference drawn;    // the drawn copper that the samples perturb
};

std::vector<std::string> summary_lines(const YieldContext& ctx, const YieldSetup& setup, const YieldResult& r);
std::string yield_svg(const YieldContext& ctx, const YieldSetup& setup, const YieldResult& r);
std::string yield_csv(const YieldSetup& setup, const YieldResult& r);

}  // namespace quorvane::yield
