#include "analysis/sweep.hpp"

#include "analysis/analysis_layouts.hpp"
#include "analysis/filter_network.hpp"
#include "analysis/row_pipeline.hpp"
#include "dialogue/fortran_format.hpp"
#include "dialogue/report_layouts.hpp"

namespace quorvane {

void qvna(int msorsl, int isections, const SectionValues& flength, float er, DesignState& state, Report& report) {
  const Qvnfreq range = state.qvnfreq;
  const SweepCheck check = check_sweep(range);
  if (check.refusal != SweepRefusal::kNone) {
    report.both(refusal_line(check.refusal, range));
    return;
  }
  const int ivswr = state.control.ivswr;
  report.both_grouped(column_header(ivswr));

  // Without a construction the stripline model analyses the electrical design
  // in air with b = 0; the losses are all 0, so no dimension enters.
  if (msorsl == 0) state.qvnms.b = 0.0f;
  const FilterNetwork network(msorsl, isections, flength, er, state);
  const Complex zsc(state.qvnzo.zs, 0.0f);
  const Complex zlc(state.qvnzo.zl, 0.0f);

  const SweepRows rows{network, zsc, zlc, range.fstep, ivswr};
  sweep_rows(rows, range, check.rows, report);

  const std::string source = fmt::fill(fmt::source_line(), {state.qvnzo.zs});
  const std::string load = fmt::fill(fmt::load_impedance_line(), {state.qvnzo.zl});
  const std::string rule = fmt::fill(fmt::rule72(), {});
  const std::string notice = fmt::fill(fmt::stored_line_analysis(), {state.control.fnstore});
  report.console(source);
  report.console(load);
  report.console(rule);
  if (report.storing()) {
    report.file(source);
    report.file(load);
    report.console(notice);
    report.file(rule);
    report.file(notice);
  }
}

}  // namespace quorvane
