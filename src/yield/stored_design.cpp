#include "yield/stored_design.hpp"

#include <cmath>

#include "analysis/filter_network.hpp"
#include "analysis/sparam.hpp"
#include "analysis/sweep.hpp"
#include "dialogue/design_state.hpp"

namespace quorvane::yield {

bool find_stored_design(const view::ParsedStorage& storage, StoredDesign& design, std::string& error) {
  using view::ReportKind;
  const view::Report* dims = nullptr;
  const view::Report* analysis = nullptr;
  const view::Report* analysis_dims = nullptr;
  bool any_analysis = false;
  for (const view::Report& r : storage.reports) {
    if (!r.errors.empty()) continue;
    if (r.kind == ReportKind::Dimensions) {
      dims = &r;
    } else if (r.kind == ReportKind::Analysis) {
      const auto& t = std::get<view::AnalysisTable>(r.table);
      if (t.rows.empty() || t.ideal) continue;
      any_analysis = true;
      if (dims && dims->cycle == r.cycle) {
        analysis = &r;
        analysis_dims = dims;
      }
    }
  }
  if (!analysis) {
    if (!dims) error = "the storage file holds no usable dimensional report";
    else if (!any_analysis) error = "the storage file holds no analysis of a built filter (an analysis table after its dimensional report)";
    else error = "no analysis table follows a dimensional report in the same design cycle";
    return false;
  }
  design = StoredDesign{};
  design.summary = analysis->summary;
  design.dimensions = std::get<view::DimensionTable>(analysis_dims->table);
  design.analysis = std::get<view::AnalysisTable>(analysis->table);
  design.analysis_position = analysis->position;
  design.dimensions_position = analysis_dims->position;
  for (const view::Report& r : storage.reports) {
    if (r.position >= analysis_dims->position) break;
    if (r.cycle != analysis->cycle || r.kind != ReportKind::Electrical || !r.errors.empty()) continue;
    design.zoe.clear();
    design.zoo.clear();
    for (const view::ElectricalRow& row : std::get<view::ElectricalTable>(r.table).rows) {
      design.zoe.push_back(row.zoe);
      design.zoo.push_back(row.zoo);
    }
  }
  return true;
}

bool nominal_board(const StoredDesign& design, Board& board, std::string& error) {
  const view::DimensionTable& d = design.dimensions;
  const view::AnalysisTable& a = design.analysis;
  board = Board{};
  board.microstrip = d.construction == view::Construction::Microstrip;
  board.er = d.er;
  board.height = d.height_in;
  board.thick = d.thick_in;
  board.f0 = design.summary.f0;
  // The analysis report prints micro-ohm cm and micro-inch; the models take
  // ohm inch and inch, converted as the analysis set-up converts them.
  board.res = a.res_uohm_cm * 0.000001f / 2.54f;
  board.sr = a.sr_uin * 0.000001f;
  board.tlos = a.loss_tangent;
  board.zs = a.zs;
  board.zl = a.zl;
  const std::size_t m = d.rows.size();
  if (m < 2 || m > static_cast<std::size_t>(kMaxSections) ||
      static_cast<int>(m) != design.summary.poles + 1) {
    error = "the dimensional report holds " + std::to_string(m) + " sections for " +
            std::to_string(design.summary.poles) + " poles";
    return false;
  }
  for (const view::DimensionRow& r : d.rows) {
    if (!r.realizable || !std::isfinite(r.w_in) || !std::isfinite(r.s_in)) {
      error = "section " + std::to_string(r.section) + " of the stripline report is not realisable";
      return false;
    }
    board.width.push_back(r.w_in);
    board.gap.push_back(r.s_in);
    board.length.push_back(r.length_in);
    board.design_length.push_back(r.length_in);
    board.eff_even.push_back(r.eff_even);
    board.eff_odd.push_back(r.eff_odd);
  }
  if (!board.microstrip) {
    if (design.zoe.size() != m) {
      error = "a stripline design needs its electrical report (the mode impedances) in the same design cycle";
      return false;
    }
    board.zoe = design.zoe;
    board.zoo = design.zoo;
  }
  return true;
}

// The response model: the section models of the sweep, chained as the sweep
// chains them.  The microstrip section takes its phase reference from the
// printed effective dielectric constants; a length that differs from the
// printed one scales that reference, so that the phase follows the length.
Response respond(const Board& board, const std::vector<float>& freqs) {
  DesignState state;
  const int m = static_cast<int>(board.width.size());
  const int msorsl = board.microstrip ? 1 : 2;
  SectionValues flength;
  for (int k = 1; k <= m; ++k) {
    const std::size_t i = static_cast<std::size_t>(k - 1);
    flength[k] = board.length[i];
    if (board.microstrip) {
      state.qvnms.wc[k] = board.width[i];
      state.qvnms.sc[k] = board.gap[i];
      const float scale = board.design_length[i] / board.length[i];
      state.qvna1.freqoe[k] = board.f0 * std::sqrt(board.eff_even[i]) * scale;
      state.qvna1.freqoo[k] = board.f0 * std::sqrt(board.eff_odd[i]) * scale;
    } else {
      state.qvnms.wc[k] = board.width[i] / board.height;
      state.qvnms.sc[k] = board.gap[i] / board.height;
      state.qvnzo.zoec[k] = board.zoe[i];
      state.qvnzo.zooc[k] = board.zoo[i];
    }
  }
  state.qvnms.b = board.height;
  state.qvnms.thick = board.thick;
  state.aloss1 = Aloss1{board.res, board.sr, board.tlos};
  const FilterNetwork network(msorsl, m - 1, flength, board.er, state);
  const Complex zsc(board.zs, 0.0f), zlc(board.zl, 0.0f);
  Response out;
  out.s21db.reserve(freqs.size());
  out.s11db.reserve(freqs.size());
  for (const float f : freqs) {
    const SParameters sp = sparam(network.at(f), zsc, zlc);
    const ResponseRow row = response_row(f, sp.s11, sp.s21, sp.zinput);
    out.s21db.push_back(row.s21db);
    out.s11db.push_back(row.s11db);
  }
  return out;
}

}  // namespace quorvane::yield
