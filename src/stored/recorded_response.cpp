#include "stored/recorded_response.hpp"

#include "analysis/filter_network.hpp"

namespace quorvane::stored {

std::vector<RecordedRow> recorded_rows(const RecordedCycle& cycle, const RecordedAnalysis& a) {
  const Qvnfreq range{a.fstart, a.fstop, a.fstep};
  const SweepCheck check = check_sweep(range);
  if (check.refusal != SweepRefusal::kNone) return {};
  DesignState state;
  state.qvnms = {a.wc, a.sc, a.thick, a.b};
  state.qvnzo = {a.zoe, a.zoo, a.zs, a.zl};
  state.qvna1 = {a.freqoe, a.freqoo};
  state.aloss1 = {a.res, a.sr, a.tlos};
  const FilterNetwork network(a.construction, cycle.design.isections, a.flength, a.er, state);
  const Complex zsc(a.zs, 0.0f), zlc(a.zl, 0.0f);
  std::vector<RecordedRow> rows;
  rows.reserve(static_cast<std::size_t>(check.rows));
  float freq = range.fstart - range.fstep;
  for (long k = 0; k < check.rows; ++k) {
    freq = freq + range.fstep;
    const SParameters sp = sparam(network.at(freq), zsc, zlc);
    rows.push_back({response_row(freq, sp.s11, sp.s21, sp.zinput), sp});
  }
  return rows;
}

std::vector<RecordedRow> recorded_rows(const ParsedStorage& storage, const StoredReport& report) {
  const auto* table = std::get_if<AnalysisTable>(&report.table);
  if (!storage.record || !table || report.skipped_rows > 0) return {};
  const Recorded<RecordedAnalysis> r = recorded_at<RecordedAnalysis>(*storage.record, report.first_line);
  if (!r.report) return {};
  std::vector<RecordedRow> rows = recorded_rows(*r.cycle, *r.report);
  if (rows.size() != table->rows.size()) return {};
  return rows;
}

}  // namespace quorvane::stored
