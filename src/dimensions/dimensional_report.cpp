#include "dimensions/dimensional_report.hpp"

#include "dialogue/fortran_format.hpp"
#include "dimensions/microstrip_dimensions.hpp"
#include "dimensions/stripline_dimensions.hpp"

namespace quorvane {

using fmt::A;
using fmt::F;
using fmt::I;
using fmt::X;

float z0_aim(const DesignState& state) {
  return state.construction.msorsl == 2 ? state.filter.z0_entered : state.filter.z0;
}

std::vector<std::string> dimensions_summary(const DesignState& state) {
  const FilterRequirements& filter = state.filter;
  const Construction& c = state.construction;
  return {
      X(12) + "SYNTHESIS of Physical Dimensions for your Parallel Coupled",
      X(12) + "Line Bandpass Filter results in the following design data:",
      "",
      X(16) + "Flow = " + F(filter.flow, 9, 3) + " MHz" + X(5) + "Response    = " + A(filter.torb, 12),
      X(16) + "Fo   = " + F(filter.f0, 9, 3) + " MHz" + X(5) + "# of Poles  = " + I(filter.isections, 2),
      X(16) + "Fhigh= " + F(filter.fhigh, 9, 3) + " MHz" + X(5) + "Ripple (Am) = " + F(filter.ripple, 5, 3) + " dB",
      X(16) + "BW   = " + F(filter.bw, 9, 3) + " MHz" + X(5) + "Zo of System= " + F(z0_aim(state), 6, 2) + " Ohms",
      X(16) + "Er   = " + F(c.er, 9, 3) + X(9) + "Construction= " + A(c.slorms, 10),
      X(16) + A(c.var1, 7) + F(state.qvnms.b, 9, 3) + " inches" + X(2) + "Strip Thick = " +
          F(state.qvnms.thick, 6, 4) + " inches",
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
  return {"", caption1, caption2, caption3, X(6) + fmt::hyphens(72)};
}

std::string section_columns(int k, float w, float s, float flength) {
  return X(8) + I(k, 2) + X(3) + F(w, 7, 4) + X(1) + F(w * kMillimetresPerInch, 7, 4) + I(k - 1, 3) + I(k, 3) +
         F(s, 8, 4) + F(s * kMillimetresPerInch, 8, 4) + F(flength, 8, 4);
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
  return X(11) + "Total Length of your Bandpass Filter = " + F(total, 8, 4) + " inches.";
}

std::string quarter_wave_line(float f0, float qwave) {
  return X(6) + "For Fo =" + F(f0, 9, 2) + " MHz, Quarter Wavelength =" + F(qwave, 8, 4) + " inches.";
}

void run_dimensional_synthesis(DesignState& state, Report& report) {
  write_dimensions_opening(state, report);
  if (state.construction.msorsl == 1) {
    run_microstrip_dimensions(state, report);
  } else {
    run_stripline_dimensions(state, report);
  }
}

}  // namespace quorvane
