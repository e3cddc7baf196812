#include "dimensions/dimensional_report.hpp"

#include "dialogue/fortran_format.hpp"
#include "dialogue/report_layouts.hpp"
#include "dimensions/dimension_layouts.hpp"
#include "dimensions/microstrip_dimensions.hpp"
#include "dimensions/stripline_dimensions.hpp"

namespace quorvane {

using namespace fmt;  // the field writer and the report layouts

float z0_aim(const DesignState& state) {
  return state.construction.msorsl == 2 ? state.filter.z0_entered : state.filter.z0;
}

std::vector<std::string> dimensions_summary(const DesignState& state) {
  const FilterRequirements& filter = state.filter;
  const Construction& c = state.construction;
  return {
      fill(dimensions_title(), {}),
      X(12) + "Line Bandpass Filter results in the following design data:",
      "",
      fill(flow_line(), {filter.flow, filter.torb}),
      fill(fo_line(), {filter.f0, filter.isections}),
      fill(fhigh_line_dimensions(), {filter.fhigh, filter.ripple}),
      fill(bw_line(), {filter.bw, z0_aim(state)}),
      fill(er_construction_line(), {c.er, c.slorms}),
      fill(height_line(), {c.var1, state.qvnms.b, state.qvnms.thick}),
  };
}

void write_dimensions_opening(const DesignState& state, Report& report) {
  std::vector<std::string> opening = report_header(state.clock);
  const std::vector<std::string> summary = dimensions_summary(state);
  opening.insert(opening.end(), summary.begin(), summary.end());
  report.both_grouped(opening);
}

std::vector<std::string> table_head(const std::string& caption1, const std::string& caption2,
                                    const std::string& caption3) {
  return {"", caption1, caption2, caption3, fill(rule72(), {})};
}


void ReportClosing::line(const std::string& text) {
  report_.console(text);
  lines_.push_back(text);
}

void ReportClosing::finish(const Control& control) {
  if (!report_.storing()) return;
  for (const auto& l : lines_) report_.file(l);
  report_.both(stored_in_line(control));
}

std::string total_length_line(float total) {
  return fill(total_line(), {total});
}

std::string quarter_wave_line(float f0, float qwave) {
  return fill(fo_wave_line(), {f0, qwave});
}

DimensionalResult run_dimensional_synthesis(DesignState& state, Report& report) {
  write_dimensions_opening(state, report);
  if (state.construction.msorsl == 1) return run_microstrip_dimensions(state, report);
  return run_stripline_dimensions(state, report);
}

}  // namespace quorvane
