// What the yield analysis writes: the fixed-column summary, the response
// plot with the sample envelope and the mask, and the per-frequency CSV.
#pragma once

#include <string>
#include <vector>

#include "yield/yield_analysis.hpp"

namespace quorvane::yield {

// What the outputs name besides the results.
struct YieldContext {
  std::string storage_name;   // file name of the storage file
  std::string construction;   // "Microstrip" or "Stripline"
  view::DesignSummary summary;
  int analysis_position = 0, dimensions_position = 0;
  float stored_difference = 0.0f;  // largest |nominal - stored| S21 of the table, dB
};

std::vector<std::string> summary_lines(const YieldContext& ctx, const YieldSetup& setup, const YieldResult& r);
std::string yield_svg(const YieldContext& ctx, const YieldSetup& setup, const YieldResult& r);
std::string yield_csv(const YieldSetup& setup, const YieldResult& r);

}  // namespace quorvane::yield
