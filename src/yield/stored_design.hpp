// The filter a storage file describes, rebuilt for the yield analysis: the
// copper of its dimensional report (widths, gaps, lengths, substrate) with
// the losses, terminations and sweep of the analysis report that follows it
// in the same design cycle, and the response model that analyses any such
// board.
#pragma once

#include <string>
#include <vector>

#include "view/storage_parser.hpp"

namespace quorvane::yield {

// The reports of one analysed design.
struct StoredDesign {
  view::DesignSummary summary;   // of the analysis report
  view::DimensionTable dimensions;
  view::AnalysisTable analysis;
  std::vector<float> zoe, zoo;   // electrical report of the cycle, ohm; empty when it is not stored
  int analysis_position = 0;     // position of the analysis report in the file
  int dimensions_position = 0;
};

// The last analysis report with a table that follows a usable dimensional
// report of its design cycle.  On failure `error` says why, in one line.
bool find_stored_design(const view::ParsedStorage& storage, StoredDesign& design, std::string& error);

// One board: what the tolerances move and what the model reads.  Sections
// are numbered from 0 (section K of the reports is element K-1).
struct Board {
  bool microstrip = true;
  float er = 0.0f;
  float height = 0.0f;  // H (microstrip) or B (stripline), inch
  float thick = 0.0f;   // strip thickness T, inch
  std::vector<float> width, gap, length;  // per section, inch
  float f0 = 0.0f;      // design centre frequency, MHz
  float res = 0.0f;     // conductor resistivity, ohm inch
  float sr = 0.0f;      // RMS roughness, inch
  float tlos = 0.0f;    // loss tangent
  float zs = 0.0f, zl = 0.0f;  // terminations, ohm
  // What the two-port section models take besides the copper: the printed
  // even/odd effective dielectric constants at f0 (microstrip), the design's
  // mode impedances (stripline) and the printed lengths.
  std::vector<float> eff_even, eff_odd, zoe, zoo, design_length;
};

// The nominal board of a stored design; false with `error` when a section
// cannot be built (a stripline row that is not realisable, a stripline
// design without its electrical report).
bool nominal_board(const StoredDesign& design, Board& board, std::string& error);

// Transmission and return loss in dB, as the response table prints them
// (the same clamps), of `board` at each frequency (MHz).
struct Response {
  std::vector<float> s21db, s11db;
};
Response respond(const Board& board, const std::vector<float>& freqs);

}  // namespace quorvane::yield
