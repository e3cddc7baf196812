// The construction and substrate dialogue that opens every dimensional
// synthesis: microstrip or stripline, the substrate height H or ground-plane
// spacing B, the relative dielectric constant Er and the strip thickness T,
// from a menu of standard copper foils or typed in.
#pragma once

#include <array>

#include "dialogue/console.hpp"
#include "dialogue/design_state.hpp"

namespace quorvane {

// Standard foil thicknesses of the thickness menu, inch (choices 1 to 5).
inline constexpr std::array<float, 5> stript = {0.0f, 0.0002f, 0.0007f, 0.0014f, 0.0028f};

// An Er answer must exceed this to replace the default Er.
inline constexpr float kMinimumEr = 0.99999f;

// Asks the construction, the substrate and the strip thickness and writes
// `state.construction` (msorsl, er, t, slorms, var1) and `state.qvnms`
// (b, thick).  Every default comes afresh from the defaults file.  Out-of-
// range answers select defaults, except that a stripline foil from the menu
// at or above the ground-plane spacing B is refused with one line and the
// thickness menu is shown again.
void run_construction_entry(Console& console, DesignState& state);

// The thickness-menu choice `choice` (already |nint(answer)|) as a foil
// thickness, inch: 1 to 5 the table, anything but 6 the zero default.
// Choice 6 (typed thickness) is not a table entry; this returns 0 for it.
float foil_thickness(int choice);

// A typed thickness (the magnitude of the answer, inch) as the thickness used
// with height or spacing `b`: 0 keeps zero thickness, and a thickness at or
// above `b` becomes one hundredth of `b`.
float typed_thickness(float magnitude, float b);

}  // namespace quorvane
