// The analysis set-up: the sweep range, the terminations, the conductor and
// substrate losses of a built filter and the print format; the storage
// question; the opening of the analysis report; then the sweep.
//
// Without a construction (msorsl = 0) the electrical design itself is
// analysed: lossless quarter-wave coupled lines in air, and the loss
// questions are not asked.
#pragma once

#include <string>
#include <vector>

#include "dialogue/console.hpp"
#include "dialogue/design_state.hpp"
#include "dialogue/storage.hpp"

namespace quorvane {

// What the set-up keeps for the report besides the shared records.
struct AnalysisEntry {
  float res1 = 0.0f;   // conductor resistivity as chosen, micro-ohm cm
  float sr1 = 0.0f;    // RMS surface roughness as chosen, micro-inch
  float qwave = 0.0f;  // ideal mode: free-space quarter wavelength at f0, inch
};

// Conductor resistivity table, micro-ohm cm, and the roughness table,
// micro-inch; choice k is element k-1.
inline constexpr float kResistivity[6] = {1.6f, 1.7f, 2.44f, 4.0f, 7.0f, 11.8f};
inline constexpr float kRoughness[5] = {40.0f, 20.0f, 10.0f, 5.0f, 1.0f};

// Asks the set-up questions and fills qvnfreq, qvnzo (zs, zl), aloss1 and
// control.ivswr; in ideal mode it also sets every flength to the free-space
// quarter wavelength at f0 and construction.er to 1.  Every default is the
// defaults file's (the terminations default to the system impedance z0).
AnalysisEntry enter_analysis(Console& console, DesignState& state);

// The opening of the analysis report after the dated header: the title block,
// the summary block and, in ideal mode, the line with Er and the quarter wave.
std::vector<std::string> analysis_title_block();
std::vector<std::string> analysis_summary(const DesignState& state, const AnalysisEntry& entry);

// The whole analysis phase: entry, the storage question (third occasion),
// the report opening to the console and then the storage file, and the sweep.
void run_analysis(Console& console, StorageFile& storage, Report& report, DesignState& state);

}  // namespace quorvane
