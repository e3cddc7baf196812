#include "dimensions/construction_entry.hpp"

#include "dialogue/fortran_format.hpp"

namespace quorvane {

using fmt::A;
using fmt::F;
using fmt::X;

namespace {

constexpr int kTypedThicknessChoice = 6;

// The substrate questions of one construction: height or spacing, then Er.
// Each answer replaces its default only when it is large enough.
struct SubstrateDefaults {
  const char* height_prompt;
  float height;
  float er;
};

void ask_substrate(Console& console, const SubstrateDefaults& def, DesignState& state) {
  const float height = console.value(X(5) + def.height_prompt);
  state.qvnms.b = height > 0.0f ? height : def.height;
  const float er = console.value(X(5) + "-Substrate`s Relative Dielectric Constant, Er = ");
  state.construction.er = er > kMinimumEr ? er : def.er;
}

// The thickness menu and its answer, inch.
float ask_thickness(Console& console, float b) {
  console.line(X(5) + "-Center Conductor Strip Thickness: T, Inches: ");
  console.line(X(10) + "*1: Zero Strip Thickness (Default).");
  console.line(X(10) + " 2: 0.0002\" Strip Thickness;  5.1 micro-meter).");
  console.line(X(10) + " 3: 0.0007\" Strip Thickness; 17.8 micro-meter).");
  console.line(X(10) + " 4: 0.0014\" Strip Thickness; 35.5 micro-meter).");
  console.line(X(10) + " 5: 0.0028\" Strip Thickness; 71.1 micro-meter).");
  console.line(X(10) + " 6: User Enters Strip Thickness.");
  const int choice = console.choice(X(11) + " Strip Thickness selected = ");
  console.warn_off_menu(choice, kTypedThicknessChoice, "strip thickness", "1, zero thickness,");
  if (choice != kTypedThicknessChoice) return foil_thickness(choice);
  const float typed = console.value(X(5) + "-Center Conductor Strip Thickness: T, Inches  = ");
  return typed_thickness(typed, b);
}

}  // namespace

float foil_thickness(int choice) {
  if (choice >= 1 && choice <= static_cast<int>(stript.size())) return stript[static_cast<std::size_t>(choice - 1)];
  return stript[0];
}

float typed_thickness(float magnitude, float b) {
  float thick = stript[0];
  if (magnitude > 0.0f) thick = magnitude;
  if (magnitude >= b) thick = b / 100.0f;
  return thick;
}

void run_construction_entry(Console& console, DesignState& state) {
  const Defaults& def = state.defaults;
  Construction& c = state.construction;

  console.line();
  console.line(X(5) + "Select a Physical CONSTRUCTION for your Filter:");
  console.line(X(7) + "*1: Microstrip Bandpass Filter (Default)");
  console.line(X(7) + " 2: Stripline  Bandpass Filter.");
  const int choice = console.choice(X(10) + "Desired Physical CONSTRUCTION = ");
  console.warn_off_menu(choice, 2, "construction", "1, microstrip,");

  c.msorsl = 1;
  if (choice == 2) {
    c.msorsl = 2;
    c.slorms = A("Stripline", 20);
    c.var1 = A("B    = ", 7);
    ask_substrate(console, {"-Stripline`s Ground Plane Spacing: B, Inches  = ", def.heightsl, def.ersl}, state);
  } else {
    c.slorms = A("Microstrip", 20);
    c.var1 = A("H    = ", 7);
    ask_substrate(console, {"-Height of Microstrip`s Substrate: H, Inches  = ", def.heightms, def.erms}, state);
  }

  const float b = state.qvnms.b;
  // A stripline strip must fit between its ground planes: the line models
  // divide by B - T.  A typed thickness is already kept below B; a foil from
  // the menu is refused and the menu shown again.  Every round reads a
  // console line, so the end of the input ends the loop.
  float thick = ask_thickness(console, b);
  while (c.msorsl == 2 && thick >= b) {
    console.line(X(5) + "-A Strip Thickness of" + F(thick, 7, 4) + " inches does not fit in B =" + F(b, 7, 4) +
                 " inches; select a thinner strip.");
    thick = ask_thickness(console, b);
  }
  state.qvnms.thick = thick;
  c.t = thick / b;
}

}  // namespace quorvane
