#include "tune/tune_model.hpp"

#include <algorithm>
#include <cmath>

#include "fields/fields_report.hpp"

namespace quorvane::tune {

namespace {

constexpr double kMostMappedCoupling = 0.95;  // a mapped section's coupling, short of the solid strip's 1

long long rounded(double v, double unit) { return std::llround(v / unit); }

// The closed forms of one etched cross-section (mm).
fields::ClosedForm closed_form(const Substrate& sub, double w, double s) {
  return fields::microstrip_closed_form(
      {fields::Medium::Microstrip, sub.er, w / kMmPerInch, s / kMmPerInch, sub.t / kMmPerInch, sub.h / kMmPerInch});
}

double log_split(const fields::ClosedForm& c) { return std::log(c.zoe / c.zoo); }

// The gap (mm, etched) near `s` at which the closed forms' log(Zoe/Zoo)
// plus the field correction's, `correction(gap)`, is `want`: bisection in
// log s, the split falling as the gap widens.
template <typename Correction>
double gap_of_split(const Substrate& sub, double w, double s, double want, const Correction& correction) {
  double lo = std::log(s / 8), hi = std::log(s * 8);
  for (int i = 0; i < 60; ++i) {
    const double mid = 0.5 * (lo + hi), g = std::exp(mid);
    (log_split(closed_form(sub, w, g)) + correction(g) > want ? lo : hi) = mid;
  }
  return std::exp(0.5 * (lo + hi));
}

}  // namespace

bool FieldCorrections::of(const Substrate& sub, const Copper& copper, double bias, std::vector<ModeCorrection>& out,
                          std::string& error) {
  std::vector<std::array<long long, 5>> keys;
  std::vector<fields::CrossSection> missing;
  std::vector<std::array<long long, 5>> missing_keys;
  for (const SectionCopper& c : copper.sections) {
    const double w = c.w - 2 * bias, s = c.s + 2 * bias;
    const std::array<long long, 5> key{rounded(w, 1e-4), rounded(s, 1e-4), rounded(sub.h, 1e-4), rounded(sub.t, 1e-4),
                                       rounded(sub.er, 1e-5)};
    keys.push_back(key);
    bool known = cache_.count(key) > 0;
    for (const auto& k : missing_keys) known = known || k == key;
    if (known) continue;
    // Inches, the unit of the closed forms the correction is taken against.
    missing.push_back({fields::Medium::Microstrip, sub.er, w / kMmPerInch, s / kMmPerInch, sub.t / kMmPerInch,
                       sub.h / kMmPerInch});
    missing_keys.push_back(key);
  }
  if (!missing.empty()) {
    for (const fields::CrossSection& c : missing)
      if (const std::string why = fields::cross_section_fault(c); !why.empty()) {
        error = "a cross-section of the copper cannot be solved: " + why;
        return false;
      }
    std::vector<std::string> faults;
    const std::vector<fields::FieldSolution> solved = fields::solve_sections(missing, faults, options);
    for (std::size_t i = 0; i < missing.size(); ++i) {
      if (!faults[i].empty()) {
        error = "field solution failed: " + faults[i];
        return false;
      }
      const fields::ClosedForm cf = fields::microstrip_closed_form(missing[i]);
      const fields::FieldSolution& f = solved[i];
      cache_[missing_keys[i]] = {f.even.z / cf.zoe, f.odd.z / cf.zoo, std::sqrt(f.even.eff / cf.effe),
                                 std::sqrt(f.odd.eff / cf.effo)};
      ++solved_;
    }
  }
  out.clear();
  for (const auto& key : keys) out.push_back(cache_.at(key));
  return true;
}

bool field_equivalent(const CircuitModel& model, const Copper& near, FieldCorrections& fields, Copper& out,
                      std::string& error) {
  constexpr int kRounds = 8;          // two or three suffice
  constexpr double kSettledMm = 5e-4;  // half a micrometre, far below any etching's accuracy
  const Substrate& sub = model.substrate;
  const double b = model.bias;
  const std::size_t n = model.copper.sections.size();
  // Per section: the closed forms' coupling and the sum of the two modes'
  // sqrt(Eeff) at the drawn (etched) gap.
  std::vector<double> split, delay;
  for (const SectionCopper& c : model.copper.sections) {
    const fields::ClosedForm cf = closed_form(sub, c.w - 2 * b, c.s + 2 * b);
    split.push_back(log_split(cf));
    delay.push_back(std::sqrt(cf.effe) + std::sqrt(cf.effo));
  }
  // The field correction of the split varies slowly with the gap: the gap
  // is solved on the closed forms with the correction taken as constant
  // from `near`'s field solution, then as linear through the last two (a
  // secant step), until it settles; its last field solution then serves
  // the length.  `out`: the copper last solved, `near` first, then the
  // model's copper at the gaps found.
  out = near.sections.size() == n ? near : model.copper;
  std::vector<double> last_gap(n), last_width(n), last_correction(n);
  std::vector<ModeCorrection> corr;
  for (int round = 0; round < kRounds; ++round) {
    if (!fields.of(sub, out, b, corr, error)) return false;
    Copper next = model.copper;
    double moved = 0;
    for (std::size_t k = 0; k < n; ++k) {
      const SectionCopper& c = out.sections[k];
      const double gap = c.s + 2 * b, here = std::log(corr[k].ze / corr[k].zo);
      const double slope = round > 0 && c.w == last_width[k] && std::fabs(gap - last_gap[k]) > 1e-9
                               ? (here - last_correction[k]) / (gap - last_gap[k])
                               : 0.0;
      const double etched = gap_of_split(sub, next.sections[k].w - 2 * b, gap, split[k],
                                         [&](double g) { return here + slope * (g - gap); });
      last_gap[k] = gap;
      last_width[k] = c.w;
      last_correction[k] = here;
      moved = std::max(moved, std::fabs(etched - gap));
      next.sections[k].s = etched - 2 * b;
    }
    if (moved < kSettledMm && round > 0) break;
    out = next;
  }
  for (std::size_t k = 0; k < n; ++k) {
    SectionCopper& c = out.sections[k];
    const fields::ClosedForm cf = closed_form(sub, c.w - 2 * b, c.s + 2 * b);
    c.length = model.copper.sections[k].length * delay[k] /
               (std::sqrt(cf.effe) * corr[k].sqe + std::sqrt(cf.effo) * corr[k].sqo);
  }
  return true;
}

bool circuit_model(const stored::StoredDesign& design, CircuitModel& model, std::string& error) {
  const auto& table = std::get<stored::DimensionTable>(design.dimensions.table);
  if (table.construction != stored::StoredConstruction::Microstrip) {
    error = "the design is stripline: this version tunes microstrip designs";
    return false;
  }
  if (!stored::nominal_board(design, stored::CopperDrawing::Compensated, model.base, error)) return false;
  const DrawnFilter& b = model.base;
  model.substrate = {b.er, b.h * kMmPerInch, b.t * kMmPerInch};
  model.copper.sections.clear();
  for (const DrawnSection& s : b.sections)
    model.copper.sections.push_back({s.w * kMmPerInch, s.s * kMmPerInch, s.length * kMmPerInch});
  model.copper.feed_w = table.w_zo_in * kMmPerInch;
  for (const SectionCopper& s : model.copper.sections)
    if (!(s.w > 0 && s.s > 0 && s.length > 0)) {
      error = "a section of the drawn copper has no width, gap or length";
      return false;
    }
  return true;
}

double step_capacitance_pf(double er, double w1, double w2) {
  if (w1 < w2) std::swap(w1, w2);
  if (!(w2 > 0)) return 0;
  const double l = std::log10(er);
  const double per_m = (10.1 * l + 2.33) * w1 / w2 - 12.6 * l - 3.17;
  return std::max(0.0, per_m * std::sqrt(w1 * w2) * 1e-3);
}

DrawnFilter drawn(const CircuitModel& m) {
  DrawnFilter f = m.base;
  f.er = static_cast<float>(m.substrate.er);
  f.h = static_cast<float>(m.substrate.h / kMmPerInch);
  f.t = static_cast<float>(m.substrate.t / kMmPerInch);
  if (!m.lossy) f.loss = LossParameters{0.0f, 0.0f, 0.0f};
  f.loss.tlos += static_cast<float>(m.mapped_loss);
  f.sections.clear();
  for (std::size_t k = 0; k < m.copper.sections.size(); ++k) {
    const SectionCopper& c = m.copper.sections[k];
    DrawnSection s;
    s.w = static_cast<float>((c.w - 2 * m.bias) / kMmPerInch);
    s.s = static_cast<float>((c.s + 2 * m.bias) / kMmPerInch);
    s.length = static_cast<float>(c.length / kMmPerInch);
    if (k < m.corrections.size()) {
      const ModeCorrection& x = m.corrections[k];
      s.zoe_scale = static_cast<float>(x.ze);
      s.zoo_scale = static_cast<float>(x.zo);
      s.sqe_scale = static_cast<float>(x.sqe);
      s.sqo_scale = static_cast<float>(x.sqo);
    }
    if (k < m.mapping.size()) {
      const SectionMapping& x = m.mapping[k];
      s.length = static_cast<float>((c.length + x.length) / kMmPerInch);
      // The coupling k = (Zoe - Zoo)/(Zoe + Zoo) times the factor, the
      // image impedance sqrt(Zoe Zoo) kept: Zoe/Zoo = (1 + k)/(1 - k).
      const fields::ClosedForm cf = closed_form(m.substrate, c.w - 2 * m.bias, c.s + 2 * m.bias);
      const double ze = cf.zoe * s.zoe_scale, zo = cf.zoo * s.zoo_scale;
      const double was = (ze - zo) / (ze + zo), now = std::clamp(was * x.coupling, 1e-4, kMostMappedCoupling);
      const double split = std::sqrt((1 + now) * (1 - was) / ((1 - now) * (1 + was)));
      s.zoe_scale = static_cast<float>(s.zoe_scale * split);
      s.zoo_scale = static_cast<float>(s.zoo_scale / split);
    }
    f.sections.push_back(s);
  }
  if (m.feed_steps && !m.copper.sections.empty()) {
    const double feed = m.copper.feed_w - 2 * m.bias;
    f.step_first_pf = static_cast<float>(
        step_capacitance_pf(m.substrate.er, feed, m.copper.sections.front().w - 2 * m.bias));
    f.step_last_pf = static_cast<float>(
        step_capacitance_pf(m.substrate.er, feed, m.copper.sections.back().w - 2 * m.bias));
  }
  return f;
}

Evaluator::Evaluator(const CircuitModel& model, double f_lo, double f_hi)
    : prepared_(prepare_drawn_filter(drawn(model), static_cast<float>(f_lo), static_cast<float>(f_hi))) {}

DrawnResponse Evaluator::at(double f_mhz) const { return drawn_response(prepared_, static_cast<float>(f_mhz)); }

Sweep respond(const CircuitModel& model, const std::vector<double>& f_mhz) {
  Sweep s;
  if (f_mhz.empty()) return s;
  const Evaluator e(model, f_mhz.front(), f_mhz.back());
  for (const double f : f_mhz) {
    const DrawnResponse r = e.at(f);
    s.f.push_back(f);
    s.s11.push_back(std::complex<double>(r.s11));
    s.s21.push_back(std::complex<double>(r.s21));
  }
  return s;
}

}  // namespace quorvane::tune
