#include "stored/drawn_copper.hpp"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace quorvane::stored {

namespace {

constexpr float kMmPerInch = 25.4f;

// The copper as printed, without losses or terminations.
DrawnFilter printed_copper(const StoredReport& dimensions) {
  const auto& table = std::get<DimensionTable>(dimensions.table);
  build_layout(table, dimensions.summary.poles);  // throws when the table cannot be drawn
  std::vector<std::string> warnings;
  const std::vector<float> lengths = reconciled_lengths(table, warnings);
  DrawnFilter f;
  f.construction = table.construction == StoredConstruction::Microstrip ? DrawnConstruction::Microstrip
                                                                   : DrawnConstruction::Stripline;
  f.er = table.er;
  f.h = table.height_in;
  f.t = table.thick_in;
  f.f0 = dimensions.summary.f0;
  for (size_t k = 0; k < table.rows.size(); ++k) {
    const DimensionRow& row = table.rows[k];
    DrawnSection s;
    s.w = row.w_mm / kMmPerInch;
    s.s = row.s_mm / kMmPerInch;
    s.length = lengths[k];
    if (f.construction == DrawnConstruction::Stripline) s.open_end_pf = row.cap_open_pf;
    f.sections.push_back(s);
  }
  return f;
}

// The copper of a recorded dimensional report, as synthesised.
DrawnFilter recorded_copper(const RecordedCycle& cycle, const RecordedDimensions& d) {
  DrawnFilter f;
  f.er = d.construction.er;
  f.h = d.b;
  f.t = d.thick;
  f.f0 = cycle.design.f0;
  if (const auto* m = std::get_if<MicrostripDimensions>(&d.result)) {
    for (const MicrostripSectionSize& s : m->sections) f.sections.push_back({s.w, s.s, s.flength});
    return f;
  }
  f.construction = DrawnConstruction::Stripline;
  const ElectricalDesign e = synthesise_electrical(cycle.design);  // the cycle's own mode impedances
  int k = 1;
  for (const StriplineSectionSize& s : std::get<StriplineDimensions>(d.result).sections) {
    if (!s.realizable) throw std::invalid_argument("section " + std::to_string(k) + " is not realisable");
    DrawnSection sec{s.w, s.s, s.flength};
    const StriplineModes m = cohn_mode_impedances(f.er, f.h, f.t, s.w, s.s);
    sec.zoe_scale = e.zoec[k] / m.zoe;
    sec.zoo_scale = e.zooc[k] / m.zoo;
    sec.open_end_pf = s.capopen;
    f.sections.push_back(sec);
    ++k;
  }
  return f;
}

std::string mhz(float v) {
  if (!std::isfinite(v)) return "n/a";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f MHz", static_cast<double>(v));
  return buf;
}

}  // namespace

std::vector<float> open_end_extensions(const StoredReport& dimensions) {
  std::vector<float> dl;
  for (const OpenEnd& e : open_ends(printed_copper(dimensions))) dl.push_back(e.dl);
  return dl;
}

DrawnFilter drawn_filter(const StoredReport& dimensions, const AnalysisTable& analysis, const ElectricalTable* electrical,
                         CopperDrawing drawing, const DesignRecord* record) {
  const Recorded<RecordedDimensions> recorded =
      record ? recorded_at<RecordedDimensions>(*record, dimensions.first_line) : Recorded<RecordedDimensions>{};
  DrawnFilter f = recorded.report ? recorded_copper(*recorded.cycle, *recorded.report) : printed_copper(dimensions);
  if (f.construction == DrawnConstruction::Stripline && !recorded.report) {
    if (!electrical || electrical->rows.size() != f.sections.size())
      throw std::invalid_argument("no electrical report of the design with its even- and odd-mode impedances");
    for (size_t k = 0; k < f.sections.size(); ++k) {
      DrawnSection& s = f.sections[k];
      const StriplineModes m = cohn_mode_impedances(f.er, f.h, f.t, s.w, s.s);
      s.zoe_scale = electrical->rows[k].zoe / m.zoe;
      s.zoo_scale = electrical->rows[k].zoo / m.zoo;
    }
  }
  if (drawing == CopperDrawing::Compensated) {
    const std::vector<OpenEnd> ends = open_ends(f);
    for (size_t k = 0; k < f.sections.size(); ++k) f.sections[k].length -= ends[k].dl;
  }
  // The units the analysis set-up converts the entered values to.
  f.loss.res = analysis.res_uohm_cm * 0.000001f / 2.54f;
  f.loss.sr = analysis.sr_uin * 0.000001f;
  f.loss.tlos = analysis.loss_tangent;
  f.zs = analysis.zs;
  f.zl = analysis.zl;
  return f;
}

DrawnAnalysis analyse_drawn(const DrawnFilter& filter, const AnalysisTable& analysis, bool compensated) {
  DrawnAnalysis d;
  d.compensated = compensated;
  std::vector<float> stored;
  float lo = INFINITY, hi = -INFINITY;
  for (const AnalysisRow& r : analysis.rows)
    if (std::isfinite(r.freq) && r.freq > 0.0f) {
      lo = std::fmin(lo, r.freq);
      hi = std::fmax(hi, r.freq);
    }
  const PreparedDrawnFilter p = prepare_drawn_filter(filter, lo, hi);
  for (const AnalysisRow& r : analysis.rows) {
    d.freq.push_back(r.freq);
    stored.push_back(r.s21db);
    const bool usable = std::isfinite(r.freq) && r.freq > 0.0f;
    // The power ratio held at 1e-20 (-200 dB), as the response tables hold it.
    d.s21db.push_back(usable ? 10.0f * std::log10(std::fmax(std::norm(drawn_response(p, r.freq).s21), 1.0e-20f)) : NAN);
  }
  d.centre_stored = centre_frequency(d.freq, stored);
  d.centre_drawn = centre_frequency(d.freq, d.s21db);
  return d;
}

std::string centre_text(const DrawnAnalysis& d) {
  std::string t = std::string(d.compensated ? "copper compensated for open ends" : "copper as printed") +
                  ": centre " + mhz(d.centre_drawn) + ", stored analysis " + mhz(d.centre_stored);
  if (std::isfinite(d.centre_drawn) && std::isfinite(d.centre_stored)) {
    char buf[48];
    std::snprintf(buf, sizeof buf, ", shift %+.2f %%",
                  static_cast<double>(100.0f * (d.centre_drawn - d.centre_stored) / d.centre_stored));
    t += buf;
  }
  return t;
}

}  // namespace quorvane::stored
