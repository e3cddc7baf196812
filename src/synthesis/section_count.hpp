// The smallest number of poles that meets an attenuation at a skirt frequency.
#pragma once

namespace quorvane {

// Filter types of the frequency mapping.
enum FilterType : int { kLowpass = 1, kHighpass = 2, kBandpass = 3, kBandstop = 4 };
// Responses.
enum Response : int { kChebyshev = 1, kButterworth = 2 };

struct SectionCount {
  int ierr = 0;   // 0 success, 1 no count (requirement not above the ripple, or no valid mapping)
  int n = 0;      // number of poles, at least 2; saturated at the int range for absurd requests
  float a2 = 0.0f;  // attenuation achieved at f1 with n poles, dB
};

// nsectn: maps the skirt frequency f1 to the normalised lowpass frequency of
// the filter type `ides` (fc: cutoff of lowpass/highpass; fh1, fl1: passband
// edges of bandpass/bandstop, MHz), then finds the Chebyshev (ripple `am` dB)
// or Butterworth count for the attenuation `a1` dB.  On failure n and a2 keep
// the values passed in `on_failure`.
SectionCount nsectn(float am, float a1, float fc, float f1, float fh1, float fl1, int ides, int ires,
                    SectionCount on_failure = {});

}  // namespace quorvane
