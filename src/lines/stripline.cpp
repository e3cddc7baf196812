// Stripline impedance, width synthesis and coupled-strip synthesis.
//
// References
//   Wheeler, IEEE Trans. MTT-26, pp. 866-876, Nov. 1978: thick-strip
//     impedance (slzo, t != 0) and its closed-form inverse (slwb, t != 0).
//   Cohn, IRE Trans. MTT-2, pp. 52-57, July 1954: Z0 sqrt(er) = 30 pi K(k)/K(k'),
//     k = sech(pi w / 2b), and the wide-strip form 30 pi / (w/b + ln 4 / pi).
//   Hilberg, IEEE Trans. MTT-17, pp. 259-265, May 1969: K/K' =
//     ln(2 (1 + sqrt k) / (1 - sqrt k)) / pi for k >= 1/sqrt 2.
//   Cohn, IRE Trans. MTT-3, pp. 29-38, Oct. 1955, and pp. 119-126, March 1955:
//     coupled thick strips by parallel-plate and fringing capacitances,
//     C'f/eps = (1/pi) ln((X+1)^(X+1) / (X-1)^(X-1)), X = 1/(1 - t/b).
//
// Single precision throughout, each formula evaluated in the order written.
#include "lines/stripline.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quorvane {

namespace {

constexpr float pi = 3.1415927f;
constexpr float ln4 = 1.38629436f;
constexpr float ln2 = 0.693147182f;
// Free-space wave impedance of the coupled-strip equations, ohm.
constexpr float eta = 376.7f;

// Wheeler's exponent m = 2 / (1 + (2/3) x / (1 - x)), x = t/b.
float wheeler_am(float x) { return 2.0f / (1.0f + 2.0f / 3.0f * x / (1.0f - x)); }

// Hilberg's K(k)/K(k'), with the complementary modulus kp = sqrt(1 - k^2).
float hilberg_ratio(float dk, float dkp) {
  if (dk > 0.70710677f) {
    const float sk = std::sqrt(dk);
    return std::log(2.0f * (1.0f + sk) / (1.0f - sk)) / pi;
  }
  const float skp = std::sqrt(dkp);
  return 1.0f / (std::log(2.0f * (1.0f + skp) / (1.0f - skp)) / pi);
}

// Closed-form width for t = 0: the inverse of Cohn's formula with Hilberg's
// ratio, a = K/K' wanted.  ak = tanh(pi w / 2b) is the complementary modulus.
float slwb_zero_thickness(float b, float a) {
  float ak;
  // exp(87) is near the top of the single-precision range.  For a narrow
  // strip (a > 1) the fourth power of (E - 2)/(E + 2) already rounds to 1,
  // and the width to 0, from a of about 7 on; the same cap there keeps the
  // width 0 for a very high impedance instead of letting exp overflow and
  // the width become a NaN.
  if (a <= 1.0f) {
    const float e = std::exp(std::min(pi / a, 87.0f));
    const float q = (e - 2.0f) / (e + 2.0f);
    ak = q * q;
  } else {
    const float e = std::exp(std::min(pi * a, 87.0f));
    const float q = (e - 2.0f) / (e + 2.0f);
    const float q2 = q * q;
    ak = std::sqrt(1.0f - q2 * q2);
  }
  if (ak >= 0.99999988f) ak = 0.99999988f;
  return b / pi * std::log((1.0f + ak) / (1.0f - ak));
}

// Wheeler's closed-form width for t != 0, a = zo sqrt(er) / (30 pi).
float slwb_thick(float b, float t, float a) {
  const float x = t / b;
  const float am = wheeler_am(x);
  const float e = std::exp(pi * a);
  const float wo = 8.0f * (1.0f - x) / pi * std::sqrt(e + 0.568f) / (e - 1.0f);
  const float r = x / (2.0f - x);
  const float deltaw =
      x / pi * (1.0f - 0.5f * std::log(r * r + std::pow(0.0796f * x / (wo - 0.26f * x), am)));
  return b * (wo - deltaw);
}

// A width below the floor, or not a number, cannot be built.
bool below_floor(float w) { return !(w >= kSlwbMinimumWidth); }

// Fringing capacitance / permittivity of one edge of a strip of thickness
// t/b, Cohn's C'f (zero thickness gives (1/pi) ln 4).
float thick_fringing(float x) {
  return 1.0f / pi * std::log(std::pow(x + 1.0f, x + 1.0f) / std::pow(x - 1.0f, x - 1.0f));
}

// Zero-thickness even-mode fringing term s - (2/pi) ln cosh(pi s / 2),
// i.e. (2/pi) ln(1 + tanh(pi s / 2)).
float even_fringe(float s) {
  const float y = pi * s / 2.0f;
  return s - 2.0f / pi * std::log(std::cosh(y));
}

}  // namespace

float slzo(float b, float er, float t, float w) {
  if (t != 0.0f) {
    // Wheeler 1978: effective width of the thick strip, then the impedance.
    const float x = t / b;
    const float am = wheeler_am(x);
    const float r = x / (2.0f - x);
    const float deltaw =
        x / (pi * (1.0f - x)) *
        (1.0f - 0.5f * std::log(r * r + std::pow(0.0796f * x / (w / b + 1.1f * x), am)));
    const float wprime = w / (b - t) + deltaw;
    const float temp = 8.0f / (pi * wprime);
    return 30.0f / std::sqrt(er) *
           std::log(1.0f + 0.5f * temp * (temp + std::sqrt(temp * temp + 6.27f)));
  }
  if (w / b > 1.5f) {
    // Cohn's wide-strip formula: parallel-plate plus two edge fringing fields.
    return 30.0f * pi / (std::sqrt(er) * (w / b + ln4 / pi));
  }
  const float dk = 1.0f / std::cosh(pi * w / (2.0f * b));
  const float dkp = std::sqrt(1.0f - dk * dk);
  return 30.0f * pi * hilberg_ratio(dk, dkp) / std::sqrt(er);
}

SlwbResult slwb(float b, float er, float t, float zo_wanted) {
  const float a = zo_wanted * std::sqrt(er) / (30.0f * pi);
  float w = (t == 0.0f) ? slwb_zero_thickness(b, a) : slwb_thick(b, t, a);
  // Wheeler's inverse has no value once its first-guess width falls below a
  // quarter of the thickness (a fractional power of a negative number) or
  // exp(pi a) leaves single precision; such an impedance is as unrealisable
  // as one below the floor, and its width is returned as 0, as the
  // zero-thickness inverse gives for a very high impedance.
  if (std::isnan(w)) return {0.0f, zo_wanted, 1, false, 0};
  if (below_floor(w)) return {w, zo_wanted, 1, false, 0};

  // Step-halving search: advance by winc while the impedance is on the same
  // side of the target, halve and step back once it has been passed.
  const float zod = zo_wanted;
  const float tp = 0.001f * zod;
  float winc = 0.01f * w;
  float zo = slzo(b, er, t, w);
  if (zod > zo) winc = -winc;  // strip too wide
  long step = 0;
  while (step < kSlwbMaxSteps) {
    if (std::fabs(zod - zo) < tp) return {w, zo, 0, true, step};
    float test = zo - zod;
    if (winc < 0.0f) test = -test;
    const float before = w;
    if (test >= 0.0f) {
      w = w + winc;
    } else {
      winc = winc / 2.0f;
      w = w - winc;
    }
    ++step;
    // A step that leaves the width where it was leaves everything as it
    // was, and later steps are no larger: the search can go no further.
    if (w == before) break;
    zo = slzo(b, er, t, w);
    if (below_floor(w)) return {w, zo, 1, false, step};
  }
  return {w, zo, 0, false, step};
}

SlwsSubstrate slws_substrate(float t, float er) {
  SlwsSubstrate sub{};
  sub.t = t;
  sub.cf0 = 2.0f / pi * ln2;
  sub.cftb = sub.cf0;
  sub.cftb75 = sub.cf0;
  if (t != 0.0f) {
    sub.cftb = thick_fringing(1.0f / (1.0f - t));
    sub.cftb75 = thick_fringing(1.0f / (1.0f - 0.75f * t));
  }
  sub.sqrter = std::sqrt(er);
  sub.check = 0.35f * (1.0f - t);
  sub.d1 = 0.07f * (1.0f - t) / 1.2f;
  return sub;
}

CoupledStripSection slws_section(const SlwsSubstrate& sub, float zoe, float zoo) {
  const float t = sub.t;
  CoupledStripSection sec{};
  sec.delctb = eta / (2.0f * sub.sqrter) * (1.0f / zoo - 1.0f / zoe);
  sec.delc0 = sec.delctb / (1.0f + 4.5f * t);
  // Zero-thickness inversion of the odd-minus-even fringing difference.
  float s = 1.0f / pi * std::log(1.0f / std::tanh(pi * sec.delc0 / 4.0f));
  sec.s0 = s;
  const float coek = eta / (zoe * sub.sqrter);

  // Thick-strip refinement: widen the gap until the fringing difference falls
  // below the wanted one.  A gap that is not positive cannot be refined.
  bool refined = true;
  if (s > 0.0f && s < 0.35f) {
    refined = false;
    for (int step = 0; step < kSlwsMaxGapSteps; ++step) {
      const float y = pi * s / 2.0f;
      const float cfotb = s - 2.0f / pi * std::log(std::sinh(y)) + t / s;
      const float cfetb = even_fringe(s) * sub.cftb / sub.cf0;
      const float delc = cfotb - cfetb;
      if (delc < sec.delctb) {
        refined = true;
        break;
      }
      s = 1.01f * s;
      ++sec.gap_steps;
    }
  }

  // The final even-mode fringing term scales with the 0.75 t fringing value.
  const float cfetb = even_fringe(s) * sub.cftb75 / sub.cf0;
  float w = 0.5f * (1.0f - t) * (0.5f * coek - cfetb - sub.cftb);
  // A strip as thick as the spacing or thicker leaves no room between the
  // ground planes, whatever numbers the equations give for it.
  sec.realizable = refined && t < 1.0f && w > 0.0f && s > 0.0f && std::isfinite(w) && std::isfinite(s);
  if (w < sub.check) w = w / 1.2f + sub.d1;  // narrow strip, w/(b - t) < 0.35

  if (sec.realizable) {
    sec.w = w;
    sec.s = s;
  } else {
    sec.w = std::numeric_limits<float>::quiet_NaN();
    sec.s = std::numeric_limits<float>::quiet_NaN();
  }
  return sec;
}

SlwsResult slws(int n, float t, float er, const SectionValues& zoe, const SectionValues& zoo) {
  const SlwsSubstrate sub = slws_substrate(t, er);
  const int last = std::clamp(n, 0, kMaxPoles) + 1;
  SlwsResult result;
  for (int k = 1; k <= last; ++k) {
    const CoupledStripSection sec = slws_section(sub, zoe[k], zoo[k]);
    result.w[k] = sec.w;
    result.s[k] = sec.s;
    result.realizable[k] = sec.realizable;
  }
  return result;
}

}  // namespace quorvane
