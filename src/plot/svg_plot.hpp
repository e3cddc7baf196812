// SVG plot of a response table against frequency.  Axis ticks follow
// Heckbert's "nice numbers" (Graphics Gems, 1990): steps of 1, 2 or 5 times
// a power of ten that cover the data range.
#pragma once

#include <limits>
#include <string>
#include <vector>

#include "stored/drawn_copper.hpp"
#include "stored/storage_parser.hpp"

namespace quorvane::plot {

using stored::AnalysisTable;
using stored::DesignSummary;
using stored::DrawnAnalysis;
using stored::StoredReport;

struct AxisTicks {
  float lo = 0.0f, hi = 0.0f, step = 0.0f;  // axis ends and tick spacing
  std::vector<float> values;                // lo, lo+step, ..., hi
  int decimals = 0;                         // digits after the point in the labels
};

// Ticks covering [lo, hi] with about `target` intervals (at most 4·target,
// so the count is bounded on any input).  An empty or degenerate range is
// widened to one unit around the value; non-finite bounds give 0 ... 1.
AxisTicks nice_ticks(float lo, float hi, int target);

// Text for a tick value with the axis' decimals ("-0" written as "0").
std::string tick_label(float value, int decimals);

// Escapes &, <, >, " and ' for XML text and attribute values.
std::string xml_escape(const std::string& s);

// One curve of the plot: points with a non-finite value break the line.
struct Series {
  std::string name;
  std::string colour;
  bool right_axis = false;
  std::vector<float> x, y;
};

// A shaded band between two curves (a spread of samples): points where
// either bound is not finite are left out.
struct Band {
  std::string name;
  std::string colour;
  std::vector<float> x, lo, hi;
};

struct PlotSpec {
  std::string title;
  std::string subtitle;
  std::string x_label;       // with unit
  std::string left_label;    // with unit
  std::string right_label;   // empty: no right axis
  std::vector<Series> series;
  std::vector<Band> bands;  // on the left axis, drawn under the curves
  std::vector<std::pair<float, std::string>> markers;  // vertical lines: x and label
  std::string caption;       // a line under the axis label (empty: none)
  // Axis limits beyond which the data are not shown (the curves are clipped
  // there): a deep stopband would otherwise flatten the passband.
  float left_floor = -std::numeric_limits<float>::infinity();
  float left_ceiling = std::numeric_limits<float>::infinity();
  float right_ceiling = std::numeric_limits<float>::infinity();
};

// Font size, at most `size`, at which `text` fits in `width` pixels
// (a sans-serif character is about 0.6 of the font size wide).
float fitted_font(const std::string& text, float width, float size);

std::string render_plot(const PlotSpec& plot);

// Several plots one under the other in one SVG document (a response and
// its passband detail, say), each as rendered alone.
std::string render_stacked(const std::vector<PlotSpec>& plots);

// The plot of one analysis table: transmission and return loss in dB for
// print format 1; loss in dB and input VSWR (right axis) for format 2.
// Flow and Fhigh of the summary are marked.  The dB axis reaches down to
// -100 dB at most, the VSWR axis up to 10 at most.
PlotSpec response_plot(const StoredReport& report, const AnalysisTable& table, const std::string& construction);

// The passband in detail: S21 (format 1) or the loss (format 2) from
// Flow - BW/2 to Fhigh + BW/2, the dB axis scaled to the values within
// Flow ... Fhigh (the skirts are clipped), so that the ripple can be read.
// No series points when the table has no row in that span.
PlotSpec passband_plot(const StoredReport& report, const AnalysisTable& table, const std::string& construction);

// Group delay in ns at each row of `rows` (indices into the table, strictly
// increasing printed frequencies): -dphi/df of the unwrapped S21 phase,
// central differences over the printed frequencies and phases, one-sided at
// the first and last row.  Fewer than two rows give NaN.
std::vector<float> group_delay_ns(const AnalysisTable& table, const std::vector<size_t>& rows);

// The group delay over the span of the passband plot.  No series points
// when fewer than two rows carry a phase.
PlotSpec delay_plot(const StoredReport& report, const AnalysisTable& table, const std::string& construction);

// Title line from a report's summary, e.g. "Tchebyscheff, 4 poles, Fo 10000.000 MHz, ...".
std::string summary_title(const DesignSummary& s, const std::string& construction);

// The drawn copper's S21 as one more curve of a response plot, and both
// centres in its caption.
void add_drawn_response(PlotSpec& plot, const DrawnAnalysis& drawn);

}  // namespace quorvane::plot
