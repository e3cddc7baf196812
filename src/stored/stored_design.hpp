// The filter a storage file describes, rebuilt for the yield analysis: the
// copper of its dimensional report (widths, gaps, lengths, substrate) with
// the losses, terminations and sweep of the analysis report that follows it
// in the same design cycle, and the response of any such board.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "analysis/drawn_filter.hpp"
#include "stored/filter_layout.hpp"
#include "stored/storage_parser.hpp"

namespace quorvane::stored {

// The reports of one analysed design.
struct StoredDesign {
  stored::DesignSummary summary;   // of the analysis report
  stored::StoredReport dimensions;       // the dimensional report
  stored::AnalysisTable analysis;
  bool has_electrical = false;   // the electrical report of the cycle was stored
  stored::ElectricalTable electrical;
  int analysis_position = 0;     // position of the analysis report in the file
  std::shared_ptr<const DesignRecord> record;  // the file's design record, when it matches
};

// The last analysis report with a table that follows a usable dimensional
// report of its design cycle, or the one at position `wanted` (> 0).  On
// failure `error` says why, in one line.
bool find_stored_design(const stored::ParsedStorage& storage, int wanted, StoredDesign& design, std::string& error);

// One board: the copper as drawn (the four-port model of the drawn filter),
// what the tolerances move.
using Board = DrawnFilter;

// The nominal board of a stored design, its lengths drawn as the viewer
// draws them (compensated for the open ends, or as printed).  A stripline
// strip's open-end capacitance follows its geometry, so that a change of
// width, B or Er moves it.  False with `error` when a section cannot be
// built (a stripline row that is not realisable, a stripline design without
// its electrical report).
bool nominal_board(const StoredDesign& design, stored::CopperDrawing drawing, Board& board, std::string& error);

// Transmission and return loss in dB, as the response table prints them
// (the same clamps), of `board` at each frequency (MHz, ascending).
struct Response {
  std::vector<float> s21db, s11db;
};
Response respond(const Board& board, const std::vector<float>& freqs);

}  // namespace quorvane::stored
