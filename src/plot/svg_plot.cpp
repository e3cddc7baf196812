#include "plot/svg_plot.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <sstream>

#include "dialogue/fortran_format.hpp"

namespace quorvane::plot {

using namespace quorvane::stored;

namespace {

// Heckbert's nice number: 1, 2, 5 or 10 times a power of ten near x.
float nice_number(float x, bool round) {
  const float expv = std::floor(std::log10(x));
  const float p = std::pow(10.0f, expv);
  const float f = x / p;
  float nf = 10.0f;
  if (round) {
    if (f < 1.5f) nf = 1.0f;
    else if (f < 3.0f) nf = 2.0f;
    else if (f < 7.0f) nf = 5.0f;
  } else {
    if (f <= 1.0f) nf = 1.0f;
    else if (f <= 2.0f) nf = 2.0f;
    else if (f <= 5.0f) nf = 5.0f;
  }
  return nf * p;
}

std::string num(float v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(v));
  return buf;
}

struct Frame {
  float left, top, width, height;
};

// Maps a value to a pixel coordinate along an axis.
float place(float v, const AxisTicks& t, float start, float length, bool upward) {
  const float u = (v - t.lo) / (t.hi - t.lo);
  return upward ? start + length - u * length : start + u * length;
}

void finite_range(const std::vector<float>& v, float& lo, float& hi) {
  for (float a : v)
    if (std::isfinite(a)) {
      lo = std::min(lo, a);
      hi = std::max(hi, a);
    }
}

constexpr size_t kDottedPoints = 25;

}  // namespace

float fitted_font(const std::string& text, float width, float size) {
  const float needed = 0.6f * size * static_cast<float>(text.size());
  return needed > width ? std::max(width / (0.6f * static_cast<float>(text.size())), 1.0f) : size;
}

AxisTicks nice_ticks(float lo, float hi, int target) {
  if (target < 1) target = 1;
  if (!std::isfinite(lo) || !std::isfinite(hi)) {
    lo = 0.0f;
    hi = 1.0f;
  }
  if (hi < lo) std::swap(lo, hi);
  if (!(hi - lo > 0.0f)) {
    lo -= 1.0f;
    hi += 1.0f;
  }
  AxisTicks t;
  const float range = nice_number(hi - lo, false);
  t.step = nice_number(range / static_cast<float>(target), true);
  t.lo = std::floor(lo / t.step) * t.step;
  t.hi = std::ceil(hi / t.step) * t.step;
  const int count = std::min(static_cast<int>(std::lround((t.hi - t.lo) / t.step)), 4 * target);
  for (int i = 0; i <= count; ++i) t.values.push_back(t.lo + static_cast<float>(i) * t.step);
  t.hi = t.values.back();
  t.decimals = std::max(0, static_cast<int>(-std::floor(std::log10(t.step))));
  return t;
}

std::string tick_label(float value, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, static_cast<double>(value));
  std::string s = buf;
  if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(s.begin());
  return s;
}

std::string xml_escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c;
    }
  }
  return out;
}

namespace {

// The plot area, in pixels.
constexpr float kWidth = 900.0f, kHeight = 560.0f;

// The axes: the data ranges, clipped at the plot's limits, their ticks, and
// the axis labels with the clip noted.
struct Axes {
  AxisTicks tx, tl, tr;  // frequency, left and right axis
  std::string left_label, right_label;
};

Axes plot_axes(const PlotSpec& plot) {
  float xlo = std::numeric_limits<float>::infinity(), xhi = -xlo;
  float llo = xlo, lhi = -xlo, rlo = xlo, rhi = -xlo;
  for (const Series& s : plot.series) {
    finite_range(s.x, xlo, xhi);
    if (s.right_axis) finite_range(s.y, rlo, rhi);
    else finite_range(s.y, llo, lhi);
  }
  for (const Band& b : plot.bands) {
    finite_range(b.x, xlo, xhi);
    finite_range(b.lo, llo, lhi);
    finite_range(b.hi, llo, lhi);
  }
  // One frequency alone: show it within the marked band (Flow ... Fhigh).
  if (xlo == xhi)
    for (const auto& m : plot.markers)
      if (std::isfinite(m.first)) {
        xlo = std::min(xlo, m.first);
        xhi = std::max(xhi, m.first);
      }
  std::string left_label = plot.left_label, right_label = plot.right_label;
  const bool floor_clips = llo < plot.left_floor && lhi > plot.left_floor;
  const bool ceiling_clips = lhi > plot.left_ceiling && llo < plot.left_ceiling;
  if (floor_clips) llo = plot.left_floor;
  if (ceiling_clips) lhi = plot.left_ceiling;
  if (rhi > plot.right_ceiling && rlo < plot.right_ceiling) {
    rhi = plot.right_ceiling;
    right_label += ", clipped at " + tick_label(plot.right_ceiling, 0);
  }
  Axes a{nice_ticks(xlo, xhi, 8), nice_ticks(llo, lhi, 8), nice_ticks(rlo, rhi, 8), left_label, right_label};
  if (floor_clips) a.left_label += ", clipped at " + tick_label(plot.left_floor, a.tl.decimals);
  if (ceiling_clips) a.left_label += ", clipped at " + tick_label(plot.left_ceiling, a.tl.decimals);
  return a;

}

void svg_head(std::ostream& o, const PlotSpec& plot, const Frame& f) {
  const float W = kWidth, H = kHeight;
  o << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << num(W) << "\" height=\"" << num(H)
    << "\" viewBox=\"0 0 " << num(W) << ' ' << num(H) << "\" font-family=\"sans-serif\" font-size=\"12\">\n"
    << "  <rect x=\"0\" y=\"0\" width=\"" << num(W) << "\" height=\"" << num(H) << "\" fill=\"white\"/>\n"
    << "  <text x=\"" << num(W / 2.0f) << "\" y=\"28\" text-anchor=\"middle\" font-size=\""
    << num(fitted_font(plot.title, W - 20.0f, 16.0f)) << "\">" << xml_escape(plot.title) << "</text>\n"
    << "  <text x=\"" << num(W / 2.0f) << "\" y=\"48\" text-anchor=\"middle\" font-size=\""
    << num(fitted_font(plot.subtitle, W - 20.0f, 12.0f)) << "\">" << xml_escape(plot.subtitle) << "</text>\n"
    << "  <defs><clipPath id=\"plot-area\"><rect x=\"" << num(f.left) << "\" y=\"" << num(f.top) << "\" width=\""
    << num(f.width) << "\" height=\"" << num(f.height) << "\"/></clipPath></defs>\n";

}

void grid_and_labels(std::ostream& o, const PlotSpec& plot, const Frame& f, const Axes& a) {
  const float W = kWidth;
  const bool right = !plot.right_label.empty();
  // Grid, ticks and labels.
  o << "  <g stroke=\"#d0d0d0\" stroke-width=\"1\">\n";
  for (float v : a.tx.values) {
    const float px = place(v, a.tx, f.left, f.width, false);
    o << "    <line x1=\"" << num(px) << "\" y1=\"" << num(f.top) << "\" x2=\"" << num(px) << "\" y2=\""
      << num(f.top + f.height) << "\"/>\n";
  }
  for (float v : a.tl.values) {
    const float py = place(v, a.tl, f.top, f.height, true);
    o << "    <line x1=\"" << num(f.left) << "\" y1=\"" << num(py) << "\" x2=\"" << num(f.left + f.width)
      << "\" y2=\"" << num(py) << "\"/>\n";
  }
  o << "  </g>\n";
  o << "  <rect x=\"" << num(f.left) << "\" y=\"" << num(f.top) << "\" width=\"" << num(f.width) << "\" height=\""
    << num(f.height) << "\" fill=\"none\" stroke=\"black\"/>\n";
  for (float v : a.tx.values)
    o << "  <text x=\"" << num(place(v, a.tx, f.left, f.width, false)) << "\" y=\"" << num(f.top + f.height + 18.0f)
      << "\" text-anchor=\"middle\">" << tick_label(v, a.tx.decimals) << "</text>\n";
  for (float v : a.tl.values)
    o << "  <text x=\"" << num(f.left - 6.0f) << "\" y=\"" << num(place(v, a.tl, f.top, f.height, true) + 4.0f)
      << "\" text-anchor=\"end\">" << tick_label(v, a.tl.decimals) << "</text>\n";
  if (right)
    for (float v : a.tr.values)
      o << "  <text x=\"" << num(f.left + f.width + 6.0f) << "\" y=\""
        << num(place(v, a.tr, f.top, f.height, true) + 4.0f) << "\">" << tick_label(v, a.tr.decimals) << "</text>\n";
  o << "  <text x=\"" << num(f.left + f.width / 2.0f) << "\" y=\"" << num(f.top + f.height + 40.0f)
    << "\" text-anchor=\"middle\">" << xml_escape(plot.x_label) << "</text>\n";
  o << "  <text transform=\"translate(22," << num(f.top + f.height / 2.0f)
    << ") rotate(-90)\" text-anchor=\"middle\">" << xml_escape(a.left_label) << "</text>\n";
  if (right)
    o << "  <text transform=\"translate(" << num(W - 18.0f) << ',' << num(f.top + f.height / 2.0f)
      << ") rotate(90)\" text-anchor=\"middle\">" << xml_escape(a.right_label) << "</text>\n";

}

void edge_markers(std::ostream& o, const PlotSpec& plot, const Frame& f, const Axes& a) {
  // Passband edge markers, where they fall on the axis.
  for (const auto& [mx, label] : plot.markers) {
    if (!std::isfinite(mx) || mx < a.tx.lo || mx > a.tx.hi) continue;
    const float px = place(mx, a.tx, f.left, f.width, false);
    o << "  <line x1=\"" << num(px) << "\" y1=\"" << num(f.top) << "\" x2=\"" << num(px) << "\" y2=\""
      << num(f.top + f.height) << "\" stroke=\"#408040\" stroke-dasharray=\"6,4\"/>\n"
      << "  <text x=\"" << num(px + 3.0f) << "\" y=\"" << num(f.top + f.height - 6.0f) << "\" fill=\"#408040\">"
      << xml_escape(label) << "</text>\n";
  }

}

void spread_bands(std::ostream& o, const PlotSpec& plot, const Frame& f, const Axes& a) {
  // Bands: one polygon along the upper bound and back along the lower one.
  for (const Band& b : plot.bands) {
    std::string upper, lower;
    const size_t count = std::min({b.x.size(), b.lo.size(), b.hi.size()});
    for (size_t i = 0; i < count; ++i) {
      if (!std::isfinite(b.x[i]) || !std::isfinite(b.lo[i]) || !std::isfinite(b.hi[i])) continue;
      const std::string px = num(place(b.x[i], a.tx, f.left, f.width, false));
      upper += (upper.empty() ? "" : " ") + px + ',' + num(place(b.hi[i], a.tl, f.top, f.height, true));
      lower = px + ',' + num(place(b.lo[i], a.tl, f.top, f.height, true)) + (lower.empty() ? "" : " ") + lower;
    }
    if (!upper.empty())
      o << "  <polygon clip-path=\"url(#plot-area)\" fill=\"" << b.colour << "\" fill-opacity=\"0.25\" stroke=\""
        << b.colour << "\" stroke-width=\"0.5\" points=\"" << upper << ' ' << lower << "\"/>\n";
  }

}

void curves(std::ostream& o, const PlotSpec& plot, const Frame& f, const Axes& a) {
  // Curves: each run of finite points is one polyline.
  for (const Series& s : plot.series) {
    const AxisTicks& ty = s.right_axis ? a.tr : a.tl;
    std::vector<std::string> runs(1);
    const size_t count = std::min(s.x.size(), s.y.size());
    for (size_t i = 0; i < count; ++i) {
      if (!std::isfinite(s.x[i]) || !std::isfinite(s.y[i])) {
        if (!runs.back().empty()) runs.emplace_back();
        continue;
      }
      std::string& r = runs.back();
      if (!r.empty()) r += ' ';
      r += num(place(s.x[i], a.tx, f.left, f.width, false)) + ',' + num(place(s.y[i], ty, f.top, f.height, true));
    }
    for (const std::string& r : runs)
      if (!r.empty())
        o << "  <polyline clip-path=\"url(#plot-area)\" fill=\"none\" stroke=\"" << s.colour
          << "\" stroke-width=\"1.5\" points=\"" << r << "\"/>\n";
    // A short table (a single frequency, a few re-run points) shows its
    // points as dots: a line alone would not show one point at all.
    if (count <= kDottedPoints)
      for (size_t i = 0; i < count; ++i)
        if (std::isfinite(s.x[i]) && std::isfinite(s.y[i]))
          o << "  <circle clip-path=\"url(#plot-area)\" cx=\"" << num(place(s.x[i], a.tx, f.left, f.width, false))
            << "\" cy=\"" << num(place(s.y[i], ty, f.top, f.height, true)) << "\" r=\"3\" fill=\"" << s.colour
            << "\"/>\n";
  }

}

void caption_and_legend(std::ostream& o, const PlotSpec& plot, const Frame& f) {
  const float W = kWidth, H = kHeight;
  if (!plot.caption.empty())
    o << "  <text x=\"" << num(W / 2.0f) << "\" y=\"" << num(f.top + f.height + 60.0f)
      << "\" text-anchor=\"middle\" font-size=\"" << num(fitted_font(plot.caption, W - 20.0f, 12.0f)) << "\">"
      << xml_escape(plot.caption) << "</text>\n";

  // Legend under the axis label.
  float lx = f.left;
  const float ly = H - 24.0f;
  for (const Series& s : plot.series) {
    o << "  <line x1=\"" << num(lx) << "\" y1=\"" << num(ly - 4.0f) << "\" x2=\"" << num(lx + 24.0f) << "\" y2=\""
      << num(ly - 4.0f) << "\" stroke=\"" << s.colour << "\" stroke-width=\"2\"/>\n"
      << "  <text x=\"" << num(lx + 30.0f) << "\" y=\"" << num(ly) << "\">" << xml_escape(s.name) << "</text>\n";
    lx += 60.0f + 7.0f * static_cast<float>(s.name.size());
  }
  for (const Band& b : plot.bands) {
    o << "  <rect x=\"" << num(lx) << "\" y=\"" << num(ly - 10.0f) << "\" width=\"24\" height=\"12\" fill=\""
      << b.colour << "\" fill-opacity=\"0.25\"/>\n"
      << "  <text x=\"" << num(lx + 30.0f) << "\" y=\"" << num(ly) << "\">" << xml_escape(b.name) << "</text>\n";
    lx += 60.0f + 7.0f * static_cast<float>(b.name.size());
  }
}

}  // namespace

std::string render_plot(const PlotSpec& plot) {
  const bool right = !plot.right_label.empty();
  const Frame f{80.0f, 70.0f, kWidth - 80.0f - (right ? 80.0f : 40.0f), kHeight - 70.0f - 110.0f};
  const Axes a = plot_axes(plot);
  std::ostringstream o;
  svg_head(o, plot, f);
  grid_and_labels(o, plot, f, a);
  edge_markers(o, plot, f, a);
  spread_bands(o, plot, f, a);
  curves(o, plot, f, a);
  caption_and_legend(o, plot, f);
  o << "</svg>\n";
  return o.str();
}

std::string render_stacked(const std::vector<PlotSpec>& plots) {
  std::ostringstream o;
  const float H = kHeight * static_cast<float>(plots.size());
  o << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << num(kWidth) << "\" height=\"" << num(H)
    << "\" viewBox=\"0 0 " << num(kWidth) << ' ' << num(H) << "\">\n";
  for (std::size_t i = 0; i < plots.size(); ++i) {
    std::string one = render_plot(plots[i]);
    one.erase(0, one.find('\n') + 1);  // the XML declaration
    // Placed at its row, and its clip path named apart from the others'.
    const std::string open = "<svg xmlns=\"http://www.w3.org/2000/svg\" ";
    one.replace(0, open.size(), "<svg x=\"0\" y=\"" + num(kHeight * static_cast<float>(i)) + "\" ");
    const std::string id = "plot-area", unique = "plot-area-" + std::to_string(i + 1);
    for (std::size_t at = one.find(id); at != std::string::npos; at = one.find(id, at + unique.size()))
      one.replace(at, id.size(), unique);
    o << one;
  }
  o << "</svg>\n";
  return o.str();
}

std::string summary_title(const DesignSummary& s, const std::string& construction) {
  auto trim = [](std::string t) {
    const size_t a = t.find_first_not_of(' ');
    return a == std::string::npos ? std::string() : t.substr(a);
  };
  std::string t = s.response + ", " + std::to_string(s.poles) + " poles, Fo " + trim(fmt::F(s.f0, 9, 3)) +
                  " MHz, BW " + trim(fmt::F(s.bw, 9, 3)) + " MHz, Zo " + trim(fmt::F(s.z0, 6, 2)) + " Ohms";
  if (!construction.empty()) t += ", " + construction;
  return t;
}

namespace {

std::string trim_left(const std::string& t) { return t.substr(std::min(t.find_first_not_of(' '), t.size())); }

// Title, terminations and losses, frequency axis and band-edge markers.
PlotSpec frame_of(const std::string& what, const StoredReport& report, const AnalysisTable& table,
                  const std::string& construction) {
  PlotSpec p;
  p.title = what + ": " + summary_title(report.summary, construction);
  const auto trim = trim_left;
  p.subtitle = "Zs = " + trim(fmt::F(table.zs, 7, 3)) + " Ohms, ZL = " + trim(fmt::F(table.zl, 7, 3)) + " Ohms";
  if (!table.ideal)
    p.subtitle += "; SR " + trim(fmt::F(table.sr_uin, 9, 3)) + " u\", resistivity " +
                  trim(fmt::F(table.res_uohm_cm, 5, 3)) + " u-Ohm-cm, loss tangent " +
                  trim(fmt::F(table.loss_tangent, 7, 5));
  p.x_label = "Frequency (MHz)";
  p.markers = {{report.summary.flow, "Flow"}, {report.summary.fhigh, "Fhigh"}};
  return p;
}

bool in_span(float f, const DesignSummary& s) {
  return f >= s.flow - s.bw / 2.0f && f <= s.fhigh + s.bw / 2.0f;
}

}  // namespace

PlotSpec passband_plot(const StoredReport& report, const AnalysisTable& table, const std::string& construction) {
  PlotSpec p = frame_of("Passband", report, table, construction);
  Series s21{table.format == 1 ? "S21 (dB)" : "Thru-path loss (dB)", "#1f4fbf", false, {}, {}};
  const DesignSummary& s = report.summary;
  float lo = std::numeric_limits<float>::infinity(), hi = -lo;
  for (const AnalysisRow& r : table.rows) {
    if (!in_span(r.freq, s)) continue;
    s21.x.push_back(r.freq);
    s21.y.push_back(r.s21db);
    if (r.freq >= s.flow && r.freq <= s.fhigh && std::isfinite(r.s21db)) {
      lo = std::min(lo, r.s21db);
      hi = std::max(hi, r.s21db);
    }
  }
  p.left_label = table.format == 1 ? "S21 (dB)" : "Loss (dB)";
  if (lo <= hi) {
    // A tenth of the in-band range (at least 0.01 dB) around it.
    const float pad = std::max((hi - lo) / 10.0f, 0.01f);
    p.left_floor = lo - pad;
    p.left_ceiling = hi + pad;
  }
  p.series = {std::move(s21)};
  return p;
}

std::vector<float> group_delay_ns(const AnalysisTable& table, const std::vector<size_t>& rows) {
  const size_t n = rows.size();
  std::vector<float> tau(n, std::numeric_limits<float>::quiet_NaN());
  if (n < 2) return tau;
  std::vector<double> f(n), phi(n);
  for (size_t i = 0; i < n; ++i) {
    const AnalysisRow& r = table.rows[rows[i]];
    f[i] = printed_frequency(r.freq);
    phi[i] = r.phase21;
    if (i > 0) {
      // Unwrapped: the step from the previous row taken within +-180 degrees.
      const double step = static_cast<double>(r.phase21) - table.rows[rows[i - 1]].phase21;
      phi[i] = phi[i - 1] + step - 360.0 * std::round(step / 360.0);
    }
  }
  for (size_t i = 0; i < n; ++i) {
    const size_t a = i == 0 ? 0 : i - 1, b = i + 1 == n ? i : i + 1;
    // degrees per MHz -> microseconds: / 360; nanoseconds: * 1000.
    tau[i] = static_cast<float>(-(phi[b] - phi[a]) / (f[b] - f[a]) / 360.0 * 1000.0);
  }
  return tau;
}

PlotSpec delay_plot(const StoredReport& report, const AnalysisTable& table, const std::string& construction) {
  PlotSpec p = frame_of("Group delay", report, table, construction);
  p.subtitle += "; computed from the printed S21 phases (unwrapped, central differences)";
  p.left_label = "Group delay (ns)";
  int dropped = 0;
  const std::vector<size_t> rows = increasing_rows(
      table, [](const AnalysisRow& r) { return std::isfinite(r.freq) && std::isfinite(r.phase21); }, dropped);
  const std::vector<float> tau = group_delay_ns(table, rows);
  Series d{"Group delay (ns)", "#1f4fbf", false, {}, {}};
  for (size_t i = 0; i < rows.size() && rows.size() >= 2; ++i) {
    if (!in_span(table.rows[rows[i]].freq, report.summary)) continue;
    d.x.push_back(table.rows[rows[i]].freq);
    d.y.push_back(tau[i]);
  }
  p.series = {std::move(d)};
  return p;
}

PlotSpec response_plot(const StoredReport& report, const AnalysisTable& table, const std::string& construction) {
  PlotSpec p = frame_of("Frequency response", report, table, construction);
  Series s21{table.format == 1 ? "S21 transmission (dB)" : "Thru-path loss (dB)", "#1f4fbf", false, {}, {}};
  Series other{table.format == 1 ? "S11 (dB)" : "Input VSWR", "#c0392b", table.format != 1, {}, {}};
  for (const AnalysisRow& r : table.rows) {
    s21.x.push_back(r.freq);
    s21.y.push_back(r.s21db);
    other.x.push_back(r.freq);
    other.y.push_back(table.format == 1 ? r.s11db : r.vswr);
  }
  p.left_label = table.format == 1 ? "Magnitude (dB)" : "Loss (dB)";
  if (table.format != 1) p.right_label = "VSWR";
  p.left_floor = -100.0f;
  p.right_ceiling = 10.0f;
  p.series = {std::move(s21), std::move(other)};
  return p;
}

void add_drawn_response(PlotSpec& plot, const DrawnAnalysis& d) {
  Series s{d.compensated ? "S21 of the copper as drawn, compensated (dB)" : "S21 of the copper as printed (dB)",
           "#2e8b57", false, d.freq, d.s21db};
  plot.series.push_back(std::move(s));
  plot.caption = "Centre (middle of the -3 dB points), " + centre_text(d);
}

}  // namespace quorvane::plot
