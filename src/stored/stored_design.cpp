#include "stored/stored_design.hpp"

#include <cmath>
#include <stdexcept>

#include "analysis/sweep.hpp"
#include "stored/drawn_copper.hpp"

namespace quorvane::stored {

bool find_stored_design(const stored::ParsedStorage& storage, int wanted, StoredDesign& design, std::string& error) {
  using stored::ReportKind;
  const stored::StoredReport* dims = nullptr;
  const stored::StoredReport* analysis = nullptr;
  const stored::StoredReport* analysis_dims = nullptr;
  bool any_analysis = false;
  for (const stored::StoredReport& r : storage.reports) {
    if (!r.errors.empty()) continue;
    if (r.kind == ReportKind::Dimensions) {
      dims = &r;
    } else if (r.kind == ReportKind::Analysis) {
      const auto& t = std::get<stored::AnalysisTable>(r.table);
      if (t.rows.empty() || t.ideal) continue;
      any_analysis = true;
      if (dims && dims->cycle == r.cycle && (wanted <= 0 || r.position == wanted)) {
        analysis = &r;
        analysis_dims = dims;
      }
    }
  }
  if (!analysis) {
    if (wanted > 0)
      error = "report " + std::to_string(wanted) + " is not an analysis table after a dimensional report of its design cycle";
    else if (!dims) error = "the storage file holds no usable dimensional report";
    else if (!any_analysis) error = "the storage file holds no analysis of a built filter (an analysis table after its dimensional report)";
    else error = "no analysis table follows a dimensional report in the same design cycle";
    return false;
  }
  design = StoredDesign{};
  design.summary = analysis->summary;
  design.dimensions = *analysis_dims;
  design.analysis = std::get<stored::AnalysisTable>(analysis->table);
  design.analysis_position = analysis->position;
  design.record = storage.record;
  if (const ElectricalTable* e = cycle_electrical(storage, *analysis_dims)) {
    design.has_electrical = true;
    design.electrical = *e;
  }
  return true;
}

bool nominal_board(const StoredDesign& design, stored::CopperDrawing drawing, Board& board, std::string& error) {
  const auto& d = std::get<stored::DimensionTable>(design.dimensions.table);
  for (const stored::DimensionRow& r : d.rows)
    if (!r.realizable || !std::isfinite(r.w_in) || !std::isfinite(r.s_in)) {
      error = "section " + std::to_string(r.section) + " of the stripline report is not realisable";
      return false;
    }
  try {
    board = stored::drawn_filter(design.dimensions, design.analysis,
                               design.has_electrical ? &design.electrical : nullptr, drawing, design.record.get());
  } catch (const std::invalid_argument& e) {
    error = e.what();
    return false;
  }
  for (DrawnSection& s : board.sections) s.open_end_pf = 0.0f;
  return true;
}

Response respond(const Board& board, const std::vector<float>& freqs) {
  Response out;
  if (freqs.empty()) return out;
  const PreparedDrawnFilter prepared = prepare_drawn_filter(board, freqs.front(), freqs.back());
  out.s21db.reserve(freqs.size());
  out.s11db.reserve(freqs.size());
  for (const float f : freqs) {
    const DrawnResponse r = drawn_response(prepared, f);
    const ResponseRow row = response_row(f, r.s11, r.s21, Complex(0.0f, 0.0f));
    out.s21db.push_back(row.s21db);
    out.s11db.push_back(row.s11db);
  }
  return out;
}

}  // namespace quorvane::stored
