#include "view/gerber_set.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <sstream>

#include <nlohmann/json.hpp>

#include "dialogue/version.hpp"
#include "lines/coupled_microstrip.hpp"
#include "view/gerber.hpp"
#include "view/kicad_footprint.hpp"

namespace quorvane::view {

using namespace quorvane::stored;

namespace {

Rect grown(const Rect& r, float by) { return {r.x0 - by, r.y0 - by, r.x1 + by, r.y1 + by}; }

std::vector<Point> corners(const Rect& r) { return {{r.x0, r.y0}, {r.x1, r.y0}, {r.x1, r.y1}, {r.x0, r.y1}}; }

// A layer of rectangular regions.
std::string regions(const std::vector<Rect>& rects, const std::string& function, const char* polarity,
                    const std::string& what, const std::string& design) {
  std::ostringstream o;
  gerber_header(o, function, what, design, polarity);
  for (const Rect& r : rects) {
    o << "G36*\n";
    gerber_path(o, corners(r));
    o << "G37*\n";
  }
  o << "M02*\n";
  return o.str();
}

// What the mask layers open (see the header).
std::vector<Rect> mask_openings(const FilterLayout& lay, const BoardSpec& b, const Rect& board, bool top) {
  if (!b.mask_over_filter) {
    const Rect a = grown(lay.bounds, mask_opening_mm(b.height_mm));
    return {{std::max(a.x0, board.x0), std::max(a.y0, board.y0), std::min(a.x1, board.x1), std::min(a.y1, board.y1)}};
  }
  std::vector<Rect> open;
  if (top && b.construction == StoredConstruction::Microstrip)
    for (const FilterPort& p : filter_ports(lay)) {
      const float x = p.at.x + p.inward * p.anchor;
      open.push_back({std::min(p.at.x, x), p.at.y - 0.5f * p.width, std::max(p.at.x, x), p.at.y + 0.5f * p.width});
    }
  return open;
}

// n substrate heights, at least `least` and at most a metre (any height a
// report may print keeps the board's coordinates within Gerber's format).
float heights(float n, float h, float least) { return std::isfinite(h) ? std::clamp(n * h, least, 1000.0f) : least; }

// Job file numbers: millimetres to the micrometre, Er to three decimals.
double three_decimals(double v) { return std::round(v * 1e3) / 1e3; }

}  // namespace

BoardSpec board_spec(const DimensionTable& t) {
  BoardSpec b;
  b.construction = t.construction;
  b.er = t.er;
  b.height_mm = t.height_in * 25.4f;
  b.copper_mm = t.thick_in * 25.4f;
  b.copper_assumed = !(b.copper_mm > 0.0f);
  if (b.copper_assumed) b.copper_mm = kDefaultCopperMm;
  b.margin_mm = default_margin_mm(b.height_mm);
  return b;
}

float default_margin_mm(float h) { return heights(5.0f, h, 3.0f); }

float mask_opening_mm(float h) { return heights(2.0f, h, 0.5f); }

std::vector<SetFile> gerber_set(const FilterLayout& lay, const BoardSpec& b, const std::string& base,
                                const std::string& design) {
  const bool stripline = b.construction == StoredConstruction::Stripline;
  const Rect board = board_outline(lay, b.margin_mm);
  const std::vector<Rect> plane = {grown(board, -kPlanePullbackMm)};
  const std::string bottom = stripline ? "Copper,L3,Bot" : "Copper,L2,Bot";
  std::vector<SetFile> files;
  std::vector<std::pair<std::string, const char*>> functions;  // of the job file, in the order of `files`
  const auto add = [&](const std::string& suffix, std::string text, const std::string& function, const char* polarity) {
    files.push_back({base + suffix, std::move(text)});
    functions.emplace_back(function, polarity);
  };
  if (stripline) add("-ground-top.gbr", regions(plane, "Copper,L1,Top", "Positive", "ground plane", design),
                     "Copper,L1,Top", "Positive");
  const std::string filter = stripline ? "Copper,L2,Inr" : "Copper,L1,Top";
  add("-copper.gbr", gerber_copper(lay, design, filter), filter, "Positive");
  add("-ground-bottom.gbr", regions(plane, bottom, "Positive", "ground plane", design), bottom, "Positive");
  add("-mask-top.gbr",
      regions(mask_openings(lay, b, board, true), "Soldermask,Top", "Negative", "solder mask openings", design),
      "Soldermask,Top", "Negative");
  add("-mask-bottom.gbr",
      regions(mask_openings(lay, b, board, false), "Soldermask,Bot", "Negative", "solder mask openings", design),
      "Soldermask,Bot", "Negative");
  add("-outline.gbr", gerber_outline(board, design), "Profile,NP", "Positive");

  // The job file.
  using Json = nlohmann::ordered_json;
  Json job;
  job["Header"] = {{"GenerationSoftware",
                    {{"Vendor", "Quorvane"}, {"Application", "quorvane-view"}, {"Version", QUORVANE_VERSION}}}};
  const double t = three_decimals(b.copper_mm), h = three_decimals(b.height_mm);
  const int layers = stripline ? 3 : 2;
  job["GeneralSpecs"] = {{"ProjectId", {{"Name", base}, {"Revision", "1"}}},
                         {"Size",
                          {{"X", three_decimals(board.x1 - board.x0)}, {"Y", three_decimals(board.y1 - board.y0)}}},
                         {"LayerNumber", layers},
                         {"BoardThickness", three_decimals(h + 2.0 * t)},
                         {"ImpedanceControlled", true}};
  Json attributes = Json::array();
  for (size_t i = 0; i < files.size(); ++i)
    attributes.push_back({{"Path", files[i].name}, {"FileFunction", functions[i].first},
                          {"FilePolarity", functions[i].second}});
  job["FilesAttributes"] = attributes;
  char material[48];
  std::snprintf(material, sizeof material, "laminate, Er %.3f", static_cast<double>(b.er));
  const auto mask = [](const char* name) {
    return Json{{"Type", "SolderMask"}, {"Thickness", three_decimals(kMaskThicknessMm)},
                {"DielectricConstant", three_decimals(kMaskEr)}, {"Name", name}};
  };
  const auto copper = [t](int l) {
    return Json{{"Type", "Copper"}, {"Thickness", t}, {"Name", std::string("L").append(std::to_string(l))}};
  };
  const auto dielectric = [&](double thickness) {
    return Json{{"Type", "Dielectric"}, {"Thickness", three_decimals(thickness)}, {"Material", material},
                {"DielectricConstant", three_decimals(b.er)}, {"Name", "substrate"}};
  };
  Json stack = Json::array({mask("top mask"), copper(1)});
  if (stripline) stack.insert(stack.end(), {dielectric((h - t) / 2.0), copper(2), dielectric((h - t) / 2.0)});
  else stack.push_back(dielectric(h));
  stack.insert(stack.end(), {copper(layers), mask("bottom mask")});
  job["MaterialStackup"] = stack;
  // A file name that is not UTF-8 is written with U+FFFD in its place, not refused.
  files.push_back({base + ".gbrjob", job.dump(2, ' ', false, Json::error_handler_t::replace) + "\n"});
  return files;
}

double mask_centre_shift(const FilterLayout& lay, const BoardSpec& b) {
  if (b.construction != StoredConstruction::Microstrip || lay.sections.empty() || !(b.er > 1.0f)) return 0.0;
  // Double: an estimate beside the single-precision models it calls.
  const double pi = std::numbers::pi, er = b.er, t = kMaskThicknessMm, em = kMaskEr;
  // Share of the air part's field energy within t of the surface, and the
  // air part's effective permittivity with the mask there.
  const auto covered = [&](double eff, double a, double r) {
    const double g = a > t ? 2.0 * t / a * std::log(a / t) : 1.0;
    const double share = g / (g + pi * std::log1p(r / a)), q = (eff - 1.0) / (er - 1.0);
    return q * er + (1.0 - q) * (1.0 + share * (em - 1.0 / em) / 2.0);
  };
  double sum = 0.0;
  for (const SectionMark& s : lay.sections) {
    const ModeDielectric d = mscuppv(b.er, b.height_mm, 100.0f * b.height_mm, s.s_mm, s.w_mm, s.w_mm);
    const double a = s.w_mm / 2.0;
    const double bare = std::sqrt(d.effe) + std::sqrt(d.effo);
    const double masked = std::sqrt(covered(d.effe, a, b.height_mm)) + std::sqrt(covered(d.effo, a, s.s_mm / 2.0));
    sum += bare / masked - 1.0;
  }
  return sum / static_cast<double>(lay.sections.size());
}

std::string mask_note(const FilterLayout& lay, const BoardSpec& board, float f0_mhz) {
  if (board.construction == StoredConstruction::Stripline)
    return "solder mask over the board: the stripline filter inside it keeps its centre";
  const double shift = mask_centre_shift(lay, board);
  char buf[160];
  std::snprintf(buf, sizeof buf,
                "solder mask over the filter (Er %.1f, %.3f mm assumed): centre expected %.2f %% (%.0f MHz) lower",
                static_cast<double>(kMaskEr), static_cast<double>(kMaskThicknessMm), -100.0 * shift,
                -shift * static_cast<double>(f0_mhz));
  return buf;
}

}  // namespace quorvane::view
