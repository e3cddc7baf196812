#include "synthesis/design_entry.hpp"

#include "dialogue/fortran_format.hpp"
#include "synthesis/section_count.hpp"

namespace quorvane {

using fmt::F;
using fmt::I;
using fmt::X;

namespace {

// The default rule of a value prompt: an entry greater than 0 replaces the default.
float value_or(float entry, float fallback) { return entry > 0.0f ? entry : fallback; }

void show_pole_limit_error(Console& console) {
  console.line();
  console.line();
  console.line(X(9) + "ERROR: Number of Poles in Filter cannot exceed N = 12.");
  console.line(X(9) + "Please re-enter Number of Poles in Filter: 1 < N < 13.");
  console.line();
}

// The skirt path: the pole count from the attenuation wanted at a skirt
// frequency.  False when no usable count came out; the method question is
// then asked again.
bool count_from_skirt(Console& console, const Defaults& def, FilterRequirements& filter) {
  const float temp = console.value(X(5) + "-Out of band Skirt Frequency,MHz = ");
  filter.f1 = def.f1def;
  if (temp < filter.flow || temp > filter.fhigh) filter.f1 = temp;
  if (filter.f1 == 0.0f) filter.f1 = def.f1def;
  filter.fc = filter.flow;
  if (filter.f1 > filter.fhigh) filter.fc = filter.fhigh;
  filter.a1 = value_or(console.value(X(5) + "-Attenuation at Skirt Freq, dB   = "), def.a1def);

  SectionCount count;
  // The default skirt frequency may lie inside the passband the user entered;
  // a frequency inside the passband or on its edge has no pole count.
  const bool inside = filter.flow <= filter.f1 && filter.f1 <= filter.fhigh;
  if (inside) {
    count.ierr = 1;
  } else {
    count = nsectn(filter.ripple, filter.a1, filter.fc, filter.f1, filter.fhigh, filter.flow, kBandpass, filter.itorb, count);
  }
  filter.isections = count.n;
  filter.a2 = count.a2;
  if (count.ierr == 1) {
    console.line(X(5) + "Error in processing Number of Cavities. Re-start Quorvane.");
    console.line(X(5) + "N = " + I(filter.isections, 2) + X(5) + "A2 = " + F(filter.a2, 6, 2) + " dB");
  }
  console.line(X(5) + "-Number of Sections/Poles needed =" + I(filter.isections, 2));
  console.line(X(5) + "-Skirt Attenuation achieved      =" + F(filter.a2, 6, 1) + " dB");
  if (count.ierr == 1) return false;
  if (filter.isections > kMaxPoles) {
    show_pole_limit_error(console);
    return false;
  }
  return true;
}

// The method question and the number of poles; asks again until a usable
// count is given.  Every round reads at least one console line, so the end
// of the input ends it.
void ask_number_of_poles(Console& console, const Defaults& def, FilterRequirements& filter) {
  for (;;) {
    console.line(X(5) + "-Select METHOD for entering Number of Filter Sections:");
    console.line(X(7) + "*1: User enters Number of Filter Sections: N (Default).");
    console.line(X(7) + " 2: User enters Attenuation at out-of-band Skirt Frequency.");
    const int method = console.choice(X(8) + "              METHOD selected = ");
    filter.ifunc = method > 0 ? method : 1;
    if (filter.ifunc != 1) {
      if (count_from_skirt(console, def, filter)) return;
      continue;
    }
    const int poles = console.choice(X(5) + "-Number of Resonate Poles: N < 12= ");
    filter.isections = poles > 1 ? poles : def.ndef;
    if (filter.isections <= kMaxPoles) return;
    show_pole_limit_error(console);
  }
}

}  // namespace

void run_design_entry(Console& console, DesignState& state) {
  const Defaults& def = state.defaults;
  FilterRequirements& filter = state.filter;
  filter = FilterRequirements{};

  filter.f0 = value_or(console.value(X(5) + "-Filter`s Center Frequency,  MHz = "), def.f0def);
  filter.bw = value_or(console.value(X(5) + "-Filter`s Passband Bandwidth,MHz = "), def.bwdef);
  console.line(X(5) + "-Desired Bandwidth for Filter    =" + F(100.0f * filter.bw / filter.f0, 6, 2) + " %");
  filter.omega = filter.bw / filter.f0;
  filter.flow = filter.f0 - 0.5f * filter.bw;
  filter.fhigh = filter.f0 + 0.5f * filter.bw;

  console.line(X(5) + "-Select RESPONSE profile for your Filter:");
  console.line(X(8) + "*1: Tchebyscheff (Equi-ripple) Passband Response (Default).");
  console.line(X(8) + " 2: Butterworth (Maximally Flat) Passband Response.");
  const int response = console.choice(X(8) + "    RESPONSE profile selected = ");
  console.warn_off_menu(response, 2, "response", "the defaults file's response");
  filter.itorb = (response == 1 || response == 2) ? response : def.itorbdef;
  filter.torb = fmt::A(filter.itorb == 2 ? "Butterworth" : "Tchebyscheff", 20);

  filter.ripple = 0.0f;
  if (filter.itorb != 2) {
    console.line();
    console.line(X(5) + "-Enter Passband RIPPLE Level in dB:");
    console.line(X(9) + " - Enter 0.01 for VSWR = 1.10; R.L. = 26.4 dB.");
    console.line(X(9) + " -*Enter 0.05 for VSWR = 1.24; R.L. = 19.5 dB (Default).");
    console.line(X(9) + " - Enter 0.10 for VSWR = 1.35; R.L. = 16.5 dB.");
    console.line(X(9) + " - Enter 0.20 for VSWR = 1.54; R.L. = 13.5 dB.");
    console.line(X(9) + " - Enter 0.50 for VSWR = 2.00; R.L. =  9.6 dB.");
    console.line(X(9) + " - Or a value of your choice.");
    filter.ripple = value_or(console.value(X(10) + "Enter Passband RIPPLE in dB = "), def.rippledef);
  }

  ask_number_of_poles(console, def, filter);

  filter.z0 = value_or(console.value(X(5) + "-Impedance of the System: Zo,Ohms= "), def.z0def);
  filter.z0_entered = filter.z0;

  // Symmetric image impedances: section i and section N+2-i are equal.
  const int n = filter.isections;
  int l = n + 1;
  const int m = (n + 2) / 2;  // (N+1)/2 rounded up
  for (int i = 1; i <= m; ++i) {
    const float entry =
        console.value(X(5) + "-Image Impedance of Section" + I(i, 2) + " and " + I(l, 2) + ",Ohms= ");
    filter.zi[i] = value_or(entry, 50.0f);
    filter.zi[l] = filter.zi[i];
    l = l - 1;
  }
}

}  // namespace quorvane
