// Width and gap synthesis of a coupled microstrip section.
//
// References
//   [Wh77]  H. A. Wheeler, "Transmission-line properties of a strip on a
//           dielectric sheet on a plane", IEEE Trans. MTT, vol. 25, no. 8,
//           1977, pp. 631-647: single-strip width of each mode at half its
//           impedance.
//   [ARJ75] S. Akhtarzad, T. R. Rowbotham and P. B. Johns, "The design of
//           coupled microstrip lines", IEEE Trans. MTT, vol. 23, no. 6, 1975,
//           pp. 486-492: the even/odd single-strip widths combined into the
//           width and gap of the coupled pair.
//   The refinement evaluates the Kirschning-Jansen coupled-microstrip models
//   (coupled_microstrip.cpp, coupled_dispersion.cpp) at the design frequency.
//
// The search matches the voltage coupling coefficient (governed mainly by the
// gap) in an inner gap search, and the geometric-mean impedance (governed
// mainly by the width) in an outer width search.  The coupling tolerance
// starts at 0.1005 and tightens by 0.0125 per width pass down to 0.0005.
#include "lines/coupled_synthesis.hpp"

#include <algorithm>
#include <cmath>

#include "lines/coupled_microstrip.hpp"

namespace quorvane {

using lines::pi;

namespace {

// Inverse hyperbolic cosine in its logarithmic form.
float acosh_log(float x) { return std::log(x + std::sqrt(x * x - 1.0f)); }

// Width-to-height ratio of a single strip of half the mode impedance [Wh77].
float half_impedance_ratio(float er, float t1, float t2, float zmode) {
  const float p = std::exp(zmode * t1 / 84.8f) - 1.0f;
  return (8.0f / p) * std::sqrt((4.0f / er + 7.0f) * p / 11.0f + t2);
}

enum class Outcome { kDone, kFlagged, kStopped };

// One evaluation of the model chain at (w, s) at the design frequency, into
// the result records.
class SectionModel {
 public:
  SectionModel(float er, float f_ghz, float h, float h2, float t, MswsResult& out)
      : er_(er), f_(f_ghz), h_(h), h2_(h2), t_(t), out_(out) {}

  // kFlagged when the models flagged the geometry (the flag is in
  // out.iflag); kStopped when the evaluation budget is spent or the models
  // gave no number, so that no search can go on from here.
  Outcome evaluate(float w, float s) {
    if (out_.evaluations >= kMswsMaxEvaluations) return Outcome::kStopped;
    ++out_.evaluations;
    const CoupledPair pair = coupled_pair(er_, f_, h_, h2_, s, t_, w);
    const ModeImpedance& mi = pair.statics.impedance;
    const Lceff1& le = pair.dielectric;
    const LcdisResult& ld = pair.dispersion;
    out_.w = w;
    out_.s = s;
    out_.iflag = ld.iflag;
    out_.lceff1 = le;
    out_.lcdis1 = ld.lcdis1;
    // The single-strip records are those of the last routine that wrote
    // them: lcdis when it ran its dispersive step, else ms1imp (mszo1 then
    // keeps the previous evaluation's values).
    out_.msimp1 = ld.dispersive ? ld.msimp1 : mi.msimp1;
    if (ld.dispersive) out_.mszo1 = ld.mszo1;
    if (ld.iflag != 0) return Outcome::kFlagged;
    const CouplingTarget now = sl1zo(ld.lcdis1.zoeapf, ld.lcdis1.zooapf);
    if (!(std::isfinite(now.cc) && std::isfinite(now.zo))) return Outcome::kStopped;
    cc = now.cc;
    zo = now.zo;
    return Outcome::kDone;
  }

  float cc = 0.0f;  // coupling coefficient of the last evaluation
  float zo = 0.0f;  // mean impedance of the last evaluation, ohm

 private:
  float er_, f_, h_, h2_, t_;
  MswsResult& out_;
};

// One gap pass at fixed width: steps of 6 % of the entry gap until the
// coupling error changes sign, then back by half the last step each time the
// target is crossed, until the relative coupling error is below error1.
// On kDone, tps holds the final relative coupling error.
Outcome gap_pass(SectionModel& model, float ccd, float error1, float h, float w, float& s,
                 float& tps) {
  float ds = 0.06f * s;
  float zs1 = 0.0f;  // 0 marks the first evaluation of the pass
  const float s_max = kMswsMaxGapRatio * h;
  for (;;) {  // bounded by the evaluation budget of SectionModel
    const Outcome evaluated = model.evaluate(w, s);
    if (evaluated != Outcome::kDone) return evaluated;
    float zs = (ccd - model.cc) / ccd;
    tps = std::fabs(zs);
    if (tps < error1) return Outcome::kDone;

    if (zs1 == 0.0f && zs > 0.0f) ds = -ds;  // coupling too weak: shrink the gap
    float snew = s;
    if (zs1 / zs < 0.0f) {
      // Crossed: back to the previous gap, then on by half the step.
      snew = snew - ds;
      zs = zs1;
      ds = ds / 2.0f;
    } else if (snew + ds == snew) {
      return Outcome::kStopped;  // the step no longer moves the gap: stuck for good
    }
    if (ds == 0.0f) return Outcome::kStopped;  // halved away: stuck for good

    snew = snew + ds;
    if (snew <= 1e-8f) {
      // Halve the gap instead of crossing zero.
      snew = (snew - ds) / 2.0f;
      ds = -snew;
    }
    if (!(snew >= kMswsMinGap && snew <= s_max)) return Outcome::kStopped;
    zs1 = zs;
    s = snew;
  }
}

}  // namespace

CouplingTarget sl1zo(float zoe, float zoo) {
  CouplingTarget out;
  out.zo = std::sqrt(zoe * zoo);
  out.cc = (1.0f - zoo / zoe) / (1.0f + zoo / zoe);
  return out;
}

MswsFirstGuess msws_first_guess(float er, float h, float zoed, float zood) {
  MswsFirstGuess out;
  const float t1 = std::sqrt(er + 1.0f);
  const float t2 = (1.0f + 1.0f / er) / 0.81f;
  out.whe = half_impedance_ratio(er, t1, t2, zoed);
  out.who = half_impedance_ratio(er, t1, t2, zood);

  // [ARJ75]: the coupled pair whose modes match the two single strips.
  const float tpe = pi * out.whe / 2.0f;
  const float tpo = pi * out.who / 2.0f;
  const float g = (std::cosh(tpe) + std::cosh(tpo) - 2.0f) / (std::cosh(tpo) - std::cosh(tpe));
  const float hp = (g + 1.0f) * std::cosh(tpe) / 2.0f + (g - 1.0f) / 2.0f;
  const float gap_term = acosh_log(g);
  out.s = (2.0f * h / pi) * gap_term;
  if (out.s < 0.0005f) out.s = 0.0005f;
  out.w = (h / pi) * (acosh_log(hp) - gap_term);
  return out;
}

MswsResult msws(float er, float f_ghz, float h, float h2, float t, float zoed, float zood) {
  MswsResult out;
  // Only an even-mode impedance above a positive odd-mode one describes a
  // coupled pair; for any other target the search could never converge.
  if (!(std::isfinite(zoed) && std::isfinite(zood) && zood > 0.0f && zoed > zood)) {
    out.iflag = 1;
    return out;
  }
  const CouplingTarget target = sl1zo(zoed, zood);
  const float zod = target.zo;
  const float ccd = target.cc;

  const MswsFirstGuess guess = msws_first_guess(er, h, zoed, zood);
  out.first_guess = guess;
  if (!(guess.w > 0.0f && std::isfinite(guess.w) && std::isfinite(guess.s))) {
    out.iflag = 1;  // no closed-form geometry to start from
    return out;
  }
  float w = guess.w;
  float s = guess.s;

  SectionModel model(er, f_ghz, h, h2, t, out);
  float error1 = 0.1005f;
  float oldw = 0.0f;
  // Every pass evaluates at least once, so the evaluation budget of
  // SectionModel bounds the passes too.
  for (int i = 1;; ++i) {
    out.passes = i;
    float tps = 0.0f;
    const Outcome pass = gap_pass(model, ccd, error1, h, w, s, tps);
    if (pass == Outcome::kFlagged) return out;
    if (pass == Outcome::kStopped) {
      out.iflag = 1;
      return out;
    }

    const int j = std::min(i, 8);
    const float zw = (zod - model.zo) / zod;
    error1 = 0.1005f - 0.0125f * static_cast<float>(j);
    const float tpw = std::fabs(zw);
    if (tps < 0.0005f && tpw < 0.0005f) return out;  // converged

    if (w / h > 11.0f) {
      out.iflag = 1;
      return out;
    }

    // A mean impedance below the target narrows the strip.
    float factor = 1.0f - zw;
    if (factor < 0.5f) factor = 0.5f;
    if (factor > 1.5f) factor = 1.5f;
    const float wnew = w * factor;
    if (wnew == oldw) return out;  // the update left the width unchanged
    if (!(wnew >= kMswsMinWidth)) {
      out.iflag = 1;  // narrower than any strip: the mean impedance is out of reach
      return out;
    }
    w = wnew;
    oldw = w;
  }
}

}  // namespace quorvane
