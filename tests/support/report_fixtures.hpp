// Storage-file fixtures for the tests of the programs that read stored
// designs: reports of chosen values (damaged rows, unrealisable sections,
// formats and terminations no golden holds), written line by line with the
// program's own dated header, report layouts and field writer (fmt::F/I/A/X),
// so that the reader is checked against the writer's columns, not its own.
#pragma once

#include <string>
#include <vector>

#include "stored/storage_parser.hpp"

namespace quorvane::view::testing {

using namespace quorvane::stored;

using Lines = std::vector<std::string>;

Lines report_header(const ReportStamp& stamp);

// Whole reports as the program stores them, ending with the storage line
// that names `stored_in`.
Lines electrical_report(const ReportStamp& stamp, const DesignSummary& s, const ElectricalTable& t,
                        const std::string& stored_in = "road.txt");
Lines dimension_report(const ReportStamp& stamp, const DesignSummary& s, const DimensionTable& t,
                       const std::string& stored_in = "road.txt");
Lines analysis_report(const ReportStamp& stamp, const DesignSummary& s, const AnalysisTable& t,
                      const std::string& stored_in = "road.txt");

// The text a parsed storage file was read from, written again report by
// report from what was read.
std::string rewrite(const ParsedStorage& storage);

// Only the table rows, for building damaged variants.
std::string microstrip_row(const DimensionRow& r);
std::string format1_row(const AnalysisRow& r);

std::string join(const std::vector<Lines>& parts);

// Sample data: the 4-pole, 10 GHz Chebyshev design and plausible dimensions
// and responses for it.
ReportStamp stamp_a();  // 3/6/2026 9:05:07
ReportStamp stamp_b();  // 3/6/2026 9:12:30
DesignSummary road_summary();
ElectricalTable road_electrical();
DimensionTable road_microstrip();
DimensionTable road_stripline();
AnalysisTable road_analysis(int format, float zs, float zl);

}  // namespace quorvane::view::testing
