#include "yield/yield_report.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "dialogue/fortran_format.hpp"
#include "plot/svg_plot.hpp"

namespace quorvane::yield {

using namespace quorvane::plot;

namespace {

using fmt::A;
using fmt::F;
using fmt::I;
using fmt::X;

float f32(double v) { return static_cast<float>(v); }

std::string stat_line(const std::string& name, const Statistic& s, int d) {
  return X(6) + A(name, 26) + F(f32(s.nominal), 11, d) + F(f32(s.mean), 11, d) + F(f32(s.sd), 10, d) +
         F(f32(s.p5), 11, d) + F(f32(s.p95), 11, d) + I(s.count, 7);
}

std::string trimmed(const std::string& s) { return s.substr(std::min(s.find_first_not_of(' '), s.size())); }

}  // namespace

std::vector<std::string> summary_lines(const YieldContext& ctx, const YieldSetup& setup, const YieldResult& r) {
  const Tolerances& t = setup.tol;
  const Mask& m = setup.mask;
  std::vector<std::string> out;
  const std::string rule = X(6) + fmt::hyphens(87);
  out.push_back(rule);
  out.push_back(X(6) + "Quorvane tolerance and yield analysis of " + ctx.storage_name + ", analysis report " +
                std::to_string(ctx.analysis_position) + " of dimensional report " +
                std::to_string(ctx.dimensions_position));
  out.push_back(X(6) + plot::summary_title(ctx.summary, ctx.construction));
  out.push_back(X(6) + "The " + ctx.copper);
  out.push_back(X(6) + "Largest S21 difference from the stored table: rebuilt as analysed" +
                F(ctx.rebuilt.s21, 8, 3) + " dB, drawn copper" + F(ctx.drawn.s21, 8, 3) + " dB");
  out.push_back(X(6) + "Centre of the drawn copper" + F(f32(ctx.drawn.centre), 10, 3) + " MHz, of the stored table" +
                F(f32(ctx.drawn.stored_centre), 10, 3) + " MHz");
  out.push_back("");
  out.push_back(X(6) + "Tolerances, half-widths of " +
                (t.distribution == Distribution::Uniform ? "a uniform distribution:"
                                                         : "a normal distribution (3 sigma):"));
  out.push_back(X(8) + "Width, etch bias =" + F(t.width, 10, 5) + " inch" + X(5) + "Er        =" + F(t.er, 10, 5));
  out.push_back(X(8) + "Gap, per edge    =" + F(t.gap, 10, 5) + " inch" + X(5) + "Height    =" + F(t.height, 10, 5) +
                " inch");
  out.push_back(X(8) + "Length           =" + F(t.length, 10, 5) + " inch" + X(5) + "Thickness =" +
                F(t.thickness, 10, 5) + " inch");
  out.push_back(X(8) + "Samples =" + I(r.samples, 7) + X(5) + "Seed =" + I(static_cast<long long>(setup.seed), 19) +
                X(5) + "Frequencies =" + I(static_cast<long long>(setup.freqs.size()), 7) + ", " +
                trimmed(F(setup.freqs.front(), 10, 3)) + " to " + trimmed(F(setup.freqs.back(), 10, 3)) + " MHz");
  out.push_back("");
  out.push_back(X(6) + "Mask: passband" + F(m.flow, 10, 3) + " to" + F(m.fhigh, 10, 3) +
                " MHz, insertion loss at most" + F(m.max_loss, 8, 3) + " dB");
  if (m.nominal_plus_1db)
    out.push_back(X(12) + "(the default: the nominal board's own passband loss plus 1 dB)");
  for (const Rejection& j : m.rejections)
    out.push_back(X(12) + "rejection at least" + F(j.min_db, 8, 3) + " dB at" + F(j.freq, 10, 3) + " MHz");
  out.push_back("");
  out.push_back(X(6) + "Yield =" + F(f32(100.0 * r.passed / r.samples), 7, 2) + " %, 95 % interval (Wilson)" +
                F(f32(100.0 * r.yield_ci.lo), 7, 2) + " to" + F(f32(100.0 * r.yield_ci.hi), 7, 2) + " %;" +
                I(r.passed, 7) + " of" + I(r.samples, 7) + " samples meet the mask");
  if (const auto worst = std::max_element(r.failures.begin(), r.failures.end());
      worst != r.failures.end() && *worst > 0) {
    const std::size_t j = static_cast<std::size_t>(worst - r.failures.begin());
    out.push_back(X(6) + "Failed most often:" + I(*worst, 7) + " samples, " +
                  (j == 0 ? "passband loss above" + F(m.max_loss, 8, 3) + " dB"
                          : "rejection below" + F(m.rejections[j - 1].min_db, 8, 3) + " dB at" +
                                F(m.rejections[j - 1].freq, 10, 3) + " MHz"));
  }
  if (r.unbuildable > 0)
    out.push_back(X(6) + "Samples whose copper cannot exist (counted as failing) =" + I(r.unbuildable, 7));
  out.push_back("");
  out.push_back(X(6) + A("Figure", 26) + "    Nominal       Mean  Std.dev.     P5 %      P95 %  Count");
  out.push_back(rule);
  out.push_back(stat_line("Centre frequency, MHz", r.centre, 3));
  out.push_back(stat_line("-3 dB bandwidth, MHz", r.bandwidth, 3));
  out.push_back(stat_line("Largest passband loss, dB", r.max_loss, 3));
  for (std::size_t j = 0; j < r.rejection.size(); ++j)
    out.push_back(stat_line("Loss at " + trimmed(F(m.rejections[j].freq, 10, 3)) + " MHz, dB", r.rejection[j], 3));
  out.push_back(rule);
  out.push_back(X(6) + "Percentiles interpolate linearly between order statistics at rank (n-1)p; the -3 dB");
  out.push_back(X(6) + "points are 3 dB below the largest transmission; the centre is their middle.");
  out.push_back("");
  out.push_back(X(6) + "Sensitivity, one tolerance at a time (central difference, change per unit):");
  out.push_back(X(6) + A("Tolerance", 20) + A("Unit", 6) + " Half-width      Step   dFc, MHz   dBW, MHz  dLoss, dB");
  out.push_back(rule);
  for (const SensitivityRow& s : r.sensitivity) {
    // Per a small unit typed (um, mil, %) the changes need more decimals than per inch.
    const int more = s.unit == "inch" || s.unit == "1" ? 0 : 2;
    out.push_back(X(6) + A(s.name, 20) + A(s.unit, 6) + F(s.half_width, 11, 5) + F(s.step, 10, 5) +
                  F(f32(s.centre), 11, 1 + more) + F(f32(s.bandwidth), 11, 1 + more) +
                  F(f32(s.max_loss), 11, 2 + more));
  }
  out.push_back(rule);
  if (r.most_sensitive >= 0) {
    const SensitivityRow& s = r.sensitivity[static_cast<std::size_t>(r.most_sensitive)];
    out.push_back(X(6) + "The centre moves most with " + s.name + ":" +
                  F(f32(std::fabs(s.centre * s.half_width)), 9, 3) + " MHz over its half-width.");
  } else {
    out.push_back(X(6) + "No tolerance is given: the centre does not move.");
  }
  out.push_back(rule);
  return out;
}

std::string yield_svg(const YieldContext& ctx, const YieldSetup& setup, const YieldResult& r) {
  plot::PlotSpec p;
  p.title = "Yield " + trimmed(F(f32(100.0 * r.passed / r.samples), 7, 2)) + " %: " +
            plot::summary_title(ctx.summary, ctx.construction);
  p.subtitle = std::to_string(r.samples) +
               " samples; shaded: 5 to 95 % of the samples; black: the mask (the loss limit across the passband, "
               "a bar at each rejection required)";
  p.x_label = "Frequency (MHz)";
  p.left_label = "Magnitude (dB)";
  p.left_floor = -100.0f;
  p.markers = {{setup.mask.flow, "Flow"}, {setup.mask.fhigh, "Fhigh"}};
  p.bands = {{"S21 5-95 %", "#1f4fbf", setup.freqs, r.s21_p5, r.s21_p95},
             {"S11 5-95 %", "#c0392b", setup.freqs, r.s11_p5, r.s11_p95}};
  plot::Series s21{"S21 nominal (dB)", "#1f4fbf", false, setup.freqs, r.nominal.s21db};
  plot::Series s11{"S11 nominal (dB)", "#c0392b", false, setup.freqs, r.nominal.s11db};
  const float nan = std::nanf("");
  plot::Series mask{"mask", "#000000", false, {setup.mask.flow, setup.mask.fhigh},
                    {-setup.mask.max_loss, -setup.mask.max_loss}};
  for (const Rejection& j : setup.mask.rejections) {
    // A rejection requirement: the transmission must stay below the mark.
    const float w = 0.01f * (setup.freqs.back() - setup.freqs.front());
    mask.x.insert(mask.x.end(), {nan, j.freq - w, j.freq + w, nan, j.freq, j.freq});
    mask.y.insert(mask.y.end(), {nan, -j.min_db, -j.min_db, nan, -j.min_db, -j.min_db + 5.0f});
  }
  p.series = {std::move(s21), std::move(s11), std::move(mask)};
  return plot::render_plot(p);
}

std::string yield_csv(const YieldSetup& setup, const YieldResult& r) {
  std::string out = "freq_mhz,s21_nominal_db,s21_p5_db,s21_p95_db,s11_nominal_db,s11_p5_db,s11_p95_db\n";
  char buf[192];
  for (std::size_t i = 0; i < setup.freqs.size(); ++i) {
    std::snprintf(buf, sizeof buf, "%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f\n", static_cast<double>(setup.freqs[i]),
                  static_cast<double>(r.nominal.s21db[i]), static_cast<double>(r.s21_p5[i]),
                  static_cast<double>(r.s21_p95[i]), static_cast<double>(r.nominal.s11db[i]),
                  static_cast<double>(r.s11_p5[i]), static_cast<double>(r.s11_p95[i]));
    out += buf;
  }
  return out;
}

}  // namespace quorvane::yield
