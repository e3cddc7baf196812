// Pole count of Chebyshev and Butterworth filters from the attenuation at one
// out-of-band frequency, after the classical lowpass-prototype relations
// (Matthaei, Young and Jones, "Microwave Filters, Impedance-Matching Networks,
// and Coupling Structures", 1964, sections 4.03-4.05), with the usual
// lowpass-to-highpass, -bandpass and -bandstop frequency mappings.
#include "synthesis/section_count.hpp"

#include <cmath>

namespace quorvane {

namespace {

float arcosh(float x) { return std::log(x + std::sqrt(x * x - 1.0f)); }

// The whole part of a count that may be huge or not finite; a count that
// does not fit an int saturates (the caller refuses it as too many poles).
int whole_part(float x) {
  constexpr float kLargest = 2147483520.0f;  // the largest float below 2^31
  if (x >= kLargest) return static_cast<int>(kLargest);
  if (x <= -kLargest) return -static_cast<int>(kLargest);
  return static_cast<int>(x);
}

}  // namespace

SectionCount nsectn(float am, float a1, float fc, float f1, float fh1, float fl1, int ides, int ires,
                    SectionCount on_failure) {
  SectionCount result = on_failure;
  result.ierr = 0;

  float freq = 0.0f;
  if (ides == kHighpass) {
    freq = fc / f1;
  } else if (ides == kBandpass || ides == kBandstop) {
    const float fo = std::sqrt(fl1 * fh1);
    const float bw = (fh1 - fl1) / fo;
    freq = std::fabs((f1 / fo - fo / f1) / bw);
    if (ides == kBandstop) freq = 1.0f / freq;
  } else {
    freq = f1 / fc;
  }

  if (a1 <= am || freq <= 0.0f) {
    result.ierr = 1;
    return result;
  }

  float tp = 0.0f;
  float temp = 0.0f;
  if (ires == kChebyshev) {
    tp = std::pow(10.0f, am / 10.0f) - 1.0f;
    temp = std::sqrt((std::pow(10.0f, a1 / 10.0f) - 1.0f) / tp);
    if (freq < 1.0f) {
      temp = std::acos(temp) / std::acos(freq);
    } else {
      temp = arcosh(temp) / arcosh(freq);
    }
  } else {
    temp = std::log(std::pow(10.0f, a1 / 10.0f) - 1.0f) / (2.0f * std::log(freq));
  }

  // A count that is not a number has no meaning (a frequency inside the
  // passband, a mapping that failed): no count.
  if (std::isnan(temp)) {
    result.ierr = 1;
    return result;
  }
  int n = whole_part(temp + 0.999f);
  if (n <= 2) n = 2;

  const float rn = static_cast<float>(n);
  if (ires == kButterworth) {
    result.a2 = 10.0f * std::log10(1.0f + std::pow(freq, 2.0f * rn));
  } else {
    float c = 0.0f;
    if (freq < 1.0f) {
      const float cs = std::cos(rn * std::acos(freq));
      c = cs * cs;
    } else {
      const float ch = std::cosh(rn * std::log(freq + std::sqrt(freq * freq - 1.0f)));
      c = ch * ch;
    }
    result.a2 = 10.0f * std::log10(1.0f + tp * c);
  }
  result.n = n;
  return result;
}

}  // namespace quorvane
