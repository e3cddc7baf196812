// The dimensional report: the opening shared by both constructions (dated
// header and design summary), the closing lines that go to the storage file
// after the console, and the branch to the microstrip or stripline synthesis.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "dialogue/design_state.hpp"
#include "dialogue/storage.hpp"
#include "dimensions/microstrip_dimensions.hpp"
#include "dimensions/stripline_dimensions.hpp"

namespace quorvane {

// Propagation speed used for the wavelengths of the dimensional reports:
// a length in inches is speed / (frequency in MHz).
inline constexpr float speed = 11802.158f;
// Neither mode limit prints above this many GHz.
inline constexpr float kLimitCap = 999.999f;
inline constexpr float kMillimetresPerInch = 25.4f;

// The system impedance a dimensional synthesis aims its single line at, ohm:
// a stripline synthesis always starts from the entered impedance; a
// microstrip synthesis takes the design's current one, which a stripline
// synthesis earlier in the cycle replaced by the impedance of its width.
float z0_aim(const DesignState& state);

// The nine-line design summary that follows the dated header; it shows the
// impedance the synthesis aims at.
std::vector<std::string> dimensions_summary(const DesignState& state);

// Header and summary: all to the console, then all to the file when storing.
void write_dimensions_opening(const DesignState& state, Report& report);

// The five-line table head: an empty line, the two captions, the column line
// and the rule; the captions differ between microstrip and stripline.
std::vector<std::string> table_head(const std::string& caption1, const std::string& caption2,
                                    const std::string& caption3);


// The closing lines of a dimensional report go to the console one by one, as
// they are computed (a line model's own message may come between them, on
// the console only), and to the storage file only once the closing rule is
// written, followed by the stored-in line.
class ReportClosing {
 public:
  explicit ReportClosing(Report& report) : report_(report) {}
  void line(const std::string& text);
  // Copies the closing lines to the file and writes the stored-in line to the
  // console and the file; nothing when the phase does not store.
  void finish(const Control& control);

 private:
  Report& report_;
  std::vector<std::string> lines_;
};

// The "Total Length" line of both reports.
std::string total_length_line(float total);
// The "For Fo" line of both reports.
std::string quarter_wave_line(float f0, float qwave);

// Runs the synthesis of the construction chosen in `state.construction` and
// prints its report; leaves the dimensions in the state for the analysis
// and returns them.
using DimensionalResult = std::variant<MicrostripDimensions, StriplineDimensions>;
DimensionalResult run_dimensional_synthesis(DesignState& state, Report& report);

}  // namespace quorvane
