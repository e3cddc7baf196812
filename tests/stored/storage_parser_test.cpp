#include "stored/storage_parser.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "dialogue/fortran_format.hpp"
#include "support/report_fixtures.hpp"

namespace quorvane::stored {
namespace {

using namespace quorvane::view::testing;
using fmt::F;

ParsedStorage parse(const std::string& text) {
  std::istringstream in(text);
  return parse_storage(in);
}

// Two design cycles: cycle 1 stores all four reports (electrical, microstrip,
// format-1 analysis, then stripline and a format-2 analysis after changing
// the construction); cycle 2 stores only an ideal analysis.
std::string two_cycles() {
  AnalysisTable ideal = road_analysis(1, 50.0f, 75.0f);
  ideal.ideal = true;
  ideal.ideal_er = 1.0f;
  ideal.ideal_quarter_wave_in = 0.2951f;
  ideal.sr_uin = 0.0f;
  ideal.res_uohm_cm = 0.0f;
  ideal.loss_tangent = 0.0f;
  return join({electrical_report(stamp_a(), road_summary(), road_electrical()),
               dimension_report(stamp_a(), road_summary(), road_microstrip()),
               analysis_report(stamp_a(), road_summary(), road_analysis(1, 50.0f, 50.0f)),
               dimension_report(stamp_a(), road_summary(), road_stripline()),
               analysis_report(stamp_a(), road_summary(), road_analysis(2, 50.0f, 50.0f)),
               analysis_report(stamp_b(), road_summary(), ideal)});
}

TEST(StorageParser, FindsEveryReportOfEveryCycleInOrder) {
  const ParsedStorage p = parse(two_cycles());
  ASSERT_TRUE(p.errors.empty());
  EXPECT_TRUE(p.skipped.empty());
  const ReportKind kinds[] = {ReportKind::Electrical, ReportKind::Dimensions, ReportKind::Analysis,
                              ReportKind::Dimensions, ReportKind::Analysis,   ReportKind::Analysis};
  const int cycles[] = {1, 1, 1, 1, 1, 2};
  ASSERT_EQ(p.reports.size(), 6u);
  for (size_t i = 0; i < 6; ++i) {
    const StoredReport& r = p.reports[i];
    EXPECT_EQ(r.position, static_cast<int>(i) + 1);
    EXPECT_EQ(r.kind, kinds[i]) << "report " << i + 1;
    EXPECT_EQ(r.cycle, cycles[i]) << "report " << i + 1;
    EXPECT_TRUE(r.errors.empty()) << "report " << i + 1 << ": " << (r.errors.empty() ? "" : r.errors[0]);
    EXPECT_EQ(r.summary.poles, 4);
    EXPECT_EQ(r.summary.response, "Tchebyscheff");
    EXPECT_EQ(F(r.summary.f0, 9, 3), "10000.000");
  }
  EXPECT_EQ(p.reports[5].stamp, stamp_b());
  EXPECT_EQ(p.reports[0].stamp, stamp_a());
}

TEST(StorageParser, ElectricalRowsReadBackToThePrintedDigit) {
  const ParsedStorage p = parse(two_cycles());
  const auto& t = std::get<ElectricalTable>(p.reports[0].table);
  const ElectricalTable want = road_electrical();
  ASSERT_EQ(t.rows.size(), want.rows.size());
  for (size_t i = 0; i < t.rows.size(); ++i) {
    const PrintedElectricalRow& a = t.rows[i];
    const PrintedElectricalRow& b = want.rows[i];
    EXPECT_EQ(a.i, b.i);
    EXPECT_EQ(a.k, b.k);
    EXPECT_EQ(a.k1, b.k1);
    EXPECT_EQ(F(a.element, 8, 5), F(b.element, 8, 5));
    EXPECT_EQ(F(a.zoe, 7, 3), F(b.zoe, 7, 3));
    EXPECT_EQ(F(a.zoo, 7, 3), F(b.zoo, 7, 3));
    EXPECT_EQ(F(a.zi, 9, 2), F(b.zi, 9, 2));
    EXPECT_EQ(F(a.jzi, 11, 5), F(b.jzi, 11, 5));
    EXPECT_EQ(F(a.coupling, 11, 5), F(b.coupling, 11, 5));
  }
  EXPECT_EQ(F(t.g_load, 8, 5), " 1.35538");
  EXPECT_EQ(F(t.bw3db, 9, 3), "  606.550");
  EXPECT_EQ(F(t.qe_out, 6, 2), " 22.17");
}

// Dimension tables of both constructions: every column of every row.
class DimensionReadBack : public ::testing::TestWithParam<int> {};

TEST_P(DimensionReadBack, EveryColumnOfEveryRow) {
  const int position = GetParam();
  const ParsedStorage p = parse(two_cycles());
  const auto& t = std::get<DimensionTable>(p.reports[static_cast<size_t>(position) - 1].table);
  const DimensionTable want = position == 2 ? road_microstrip() : road_stripline();
  EXPECT_EQ(t.construction, want.construction);
  EXPECT_EQ(t.construction_name, want.construction_name);
  EXPECT_EQ(F(t.er, 9, 3), F(want.er, 9, 3));
  EXPECT_EQ(F(t.height_in, 9, 3), F(want.height_in, 9, 3));
  EXPECT_EQ(F(t.thick_in, 6, 4), F(want.thick_in, 6, 4));
  ASSERT_EQ(t.rows.size(), want.rows.size());
  for (size_t i = 0; i < t.rows.size(); ++i) {
    const DimensionRow& a = t.rows[i];
    const DimensionRow& b = want.rows[i];
    EXPECT_EQ(a.section, b.section);
    EXPECT_EQ(a.k0, b.k0);
    EXPECT_EQ(a.k1, b.k1);
    EXPECT_EQ(F(a.w_in, 7, 4), F(b.w_in, 7, 4));
    EXPECT_EQ(F(a.w_mm, 7, 4), F(b.w_mm, 7, 4));
    EXPECT_EQ(F(a.s_in, 8, 4), F(b.s_in, 8, 4));
    EXPECT_EQ(F(a.s_mm, 8, 4), F(b.s_mm, 8, 4));
    EXPECT_EQ(F(a.length_in, 8, 4), F(b.length_in, 8, 4));
    EXPECT_EQ(F(a.eff_even, 6, 3), F(b.eff_even, 6, 3));
    EXPECT_EQ(F(a.eff_odd, 7, 3), F(b.eff_odd, 7, 3));
    EXPECT_EQ(F(a.cap_open_pf, 8, 4), F(b.cap_open_pf, 8, 4));
  }
  EXPECT_EQ(F(t.total_in, 8, 4), F(want.total_in, 8, 4));
  EXPECT_EQ(F(t.w_zo_in, 7, 4), F(want.w_zo_in, 7, 4));
  EXPECT_EQ(F(t.zo_line, 6, 2), F(want.zo_line, 6, 2));
  EXPECT_EQ(F(t.zo_line_er, 7, 3), F(want.zo_line_er, 7, 3));
  EXPECT_EQ(F(t.quarter_wave_in, 8, 4), F(want.quarter_wave_in, 8, 4));
  EXPECT_EQ(F(t.surface_wave_ghz, 7, 3), F(want.surface_wave_ghz, 7, 3));
  EXPECT_EQ(F(t.te_mode_ghz, 7, 3), F(want.te_mode_ghz, 7, 3));
}

INSTANTIATE_TEST_SUITE_P(Constructions, DimensionReadBack, ::testing::Values(2, 4));

struct AnalysisCase {
  int position;
  int format;
  bool ideal;
  float zl;
};

class AnalysisReadBack : public ::testing::TestWithParam<AnalysisCase> {};

TEST_P(AnalysisReadBack, EveryColumnOfEveryRow) {
  const AnalysisCase& c = GetParam();
  const ParsedStorage p = parse(two_cycles());
  const auto& t = std::get<AnalysisTable>(p.reports[static_cast<size_t>(c.position) - 1].table);
  const AnalysisTable want = road_analysis(c.format, 50.0f, c.zl);
  EXPECT_EQ(t.format, c.format);
  EXPECT_EQ(t.ideal, c.ideal);
  if (c.ideal) {
    EXPECT_EQ(F(t.ideal_quarter_wave_in, 6, 4), "0.2951");
  } else {
    EXPECT_EQ(F(t.res_uohm_cm, 5, 3), "1.700");
  }
  EXPECT_EQ(F(t.zl, 7, 3), F(c.zl, 7, 3));
  EXPECT_EQ(F(t.zs, 7, 3), " 50.000");
  ASSERT_EQ(t.rows.size(), want.rows.size());
  // The columns each format prints, with the widths it prints them in.
  for (size_t i = 0; i < t.rows.size(); ++i) {
    const AnalysisRow& a = t.rows[i];
    const AnalysisRow& b = want.rows[i];
    EXPECT_EQ(F(a.freq, 16, 2), F(b.freq, 16, 2));
    EXPECT_EQ(F(a.s21db, 9, 3), F(b.s21db, 9, 3));
    if (c.format == 1) {
      EXPECT_EQ(F(a.vswr, 7, 3), F(b.vswr, 7, 3));
      EXPECT_EQ(F(a.s11db, 7, 2), F(b.s11db, 7, 2));
      EXPECT_EQ(F(a.phase11, 8, 2), F(b.phase11, 8, 2));
      EXPECT_EQ(F(a.zin_re, 8, 3), F(b.zin_re, 8, 3));
      EXPECT_EQ(F(a.zin_im, 8, 3), F(b.zin_im, 8, 3));
      EXPECT_EQ(F(a.phase21, 8, 2), F(b.phase21, 8, 2));
    } else {
      EXPECT_TRUE(std::isnan(a.s11db));
      EXPECT_EQ(F(a.zin_re, 8, 2), F(b.zin_re, 8, 2));
      EXPECT_EQ(F(a.zin_im, 12, 2), F(b.zin_im, 12, 2));
      EXPECT_EQ(F(a.vswr, 8, 2), F(b.vswr, 8, 2));
      EXPECT_EQ(F(a.phase11, 8, 2), F(b.phase11, 8, 2));
      EXPECT_EQ(F(a.phase21, 9, 2), F(b.phase21, 9, 2));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, AnalysisReadBack,
                         ::testing::Values(AnalysisCase{3, 1, false, 50.0f}, AnalysisCase{5, 2, false, 50.0f},
                                           AnalysisCase{6, 1, true, 75.0f}));

TEST(StorageParser, ReadsTheProgramsOwnStorageFile) {
  std::ifstream in(std::string(QUORVANE_SOURCE_DIR) + "/tests/data/road_electrical.txt");
  ASSERT_TRUE(in);
  const ParsedStorage p = parse_storage(in);
  ASSERT_EQ(p.reports.size(), 1u);
  const StoredReport& r = p.reports[0];
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(r.kind, ReportKind::Electrical);
  EXPECT_EQ(r.stamp, (ReportStamp{3, 6, 2026, 9, 5, 7}));
  const auto& t = std::get<ElectricalTable>(r.table);
  ASSERT_EQ(t.rows.size(), 5u);
  EXPECT_EQ(F(t.rows[0].zoe, 7, 3), " 66.849");
  EXPECT_EQ(F(t.rows[2].zoo, 7, 3), " 47.551");
  EXPECT_EQ(t.rows[4].k1, 5);
  EXPECT_EQ(F(r.summary.ripple, 6, 4), "0.1000");
  EXPECT_EQ(F(r.summary.flow, 9, 3), " 9750.000");
}

// ---- Faults ----------------------------------------------------------------

struct FaultCase {
  const char* name;
  std::string text;
  size_t reports;          // reports found
  int skipped_overflow;    // rows skipped for asterisks
  int skipped_malformed;   // rows skipped as damaged
  bool report_error;       // the (first) report carries an error
  const char* error_part;  // a word the error names ("" none)
};

std::string with_line_replaced(Lines l, const std::string& prefix_of_line, const std::string& replacement) {
  for (std::string& s : l)
    if (s.rfind(prefix_of_line, 0) == 0) {
      s = replacement;
      break;
    }
  return join({l});
}

std::string analysis_with_row(size_t row, const std::string& replacement) {
  Lines l = analysis_report(stamp_a(), road_summary(), road_analysis(1, 50.0f, 50.0f));
  const AnalysisTable t = road_analysis(1, 50.0f, 50.0f);
  return with_line_replaced(l, format1_row(t.rows[row]), replacement);
}

std::string microstrip_with_row(size_t row, const std::string& replacement) {
  Lines l = dimension_report(stamp_a(), road_summary(), road_microstrip());
  return with_line_replaced(l, microstrip_row(road_microstrip().rows[row]), replacement);
}

std::string truncated(Lines l, size_t keep) {
  l.resize(keep);
  return join({l});
}

std::vector<FaultCase> fault_cases() {
  const AnalysisTable t = road_analysis(1, 50.0f, 50.0f);
  AnalysisRow big = t.rows[5];
  big.zin_im = -1234.5f;  // overflows F8.3 as the sweep prints it
  DimensionRow wide = road_microstrip().rows[2];
  wide.cap_open_pf = 0.0f;
  wide.w_mm = 123456.0f;  // overflows F7.4
  const Lines ms = dimension_report(stamp_a(), road_summary(), road_microstrip());
  std::string cut = format1_row(t.rows[8]);
  cut.resize(40);
  return {
      {"asterisk row in a response table", analysis_with_row(5, format1_row(big)), 1, 1, 0, false, ""},
      {"shifted response row", analysis_with_row(7, " " + format1_row(t.rows[7])), 1, 0, 1, false, ""},
      {"response row cut short", analysis_with_row(8, cut), 1, 0, 1, false, ""},
      {"asterisk row in a dimension table", microstrip_with_row(2, microstrip_row(wide)), 1, 1, 0, true, "4 of the 5"},
      {"section out of order", microstrip_with_row(3, microstrip_row(road_microstrip().rows[1])), 1, 0, 1, true,
       "4 of the 5"},
      {"dimension table not closed", truncated(ms, 25), 1, 0, 0, true, "not closed"},
      {"no For Zo line", with_line_replaced(ms, "      For Zo", ""), 1, 0, 0, true, "For Zo"},
      {"a total length that is not a number",
       with_line_replaced(ms, "           Total", "           Total Length of your Bandpass Filter =      NaN inches."),
       1, 0, 0, true, "not a finite number"},
      {"a response row longer than any report line", analysis_with_row(4, std::string(300, '1')), 1, 0, 1, false, ""},
      {"no report at all", "just some text\nand more\n", 0, 0, 0, false, ""},
      {"empty file", "", 0, 0, 0, false, ""},
  };
}

class StorageFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(StorageFaults, SkipsAndCountsInsteadOfGuessing) {
  const FaultCase& c = GetParam();
  const ParsedStorage p = parse(c.text);
  ASSERT_EQ(p.reports.size(), c.reports) << c.name;
  if (c.reports == 0) {
    ASSERT_EQ(p.errors.size(), 1u);
    EXPECT_NE(p.errors[0].find("no report"), std::string::npos) << p.errors[0];
    return;
  }
  EXPECT_TRUE(p.errors.empty());
  int overflow = 0, malformed = 0;
  for (const SkippedRow& s : p.skipped) (s.reason == SkipReason::Overflow ? overflow : malformed)++;
  EXPECT_EQ(overflow, c.skipped_overflow) << c.name;
  EXPECT_EQ(malformed, c.skipped_malformed) << c.name;
  EXPECT_EQ(p.reports[0].skipped_rows, overflow + malformed);
  const StoredReport& r = p.reports[0];
  EXPECT_EQ(!r.errors.empty(), c.report_error) << c.name << (r.errors.empty() ? "" : ": " + r.errors[0]);
  if (*c.error_part) {
    bool named = false;
    for (const std::string& e : r.errors) named = named || e.find(c.error_part) != std::string::npos;
    EXPECT_TRUE(named) << c.name << ": " << (r.errors.empty() ? "" : r.errors[0]);
  }
  // A skipped response row is left out; the others stay.
  if (const auto* a = std::get_if<AnalysisTable>(&r.table)) {
    EXPECT_EQ(a->rows.size() + static_cast<size_t>(overflow + malformed), road_analysis(1, 50, 50).rows.size());
  }
}

INSTANTIATE_TEST_SUITE_P(Damage, StorageFaults, ::testing::ValuesIn(fault_cases()), [](const auto& info) {
  std::string n = info.param.name;
  for (char& ch : n)
    if (ch == ' ') ch = '_';
  return n;
});

TEST(StorageFaults, SkippedRowNamesItsLineAndReport) {
  const AnalysisTable t = road_analysis(1, 50.0f, 50.0f);
  AnalysisRow big = t.rows[5];
  big.zin_im = -1234.5f;
  const std::string damaged = analysis_with_row(5, format1_row(big));
  const std::string text = join({electrical_report(stamp_a(), road_summary(), road_electrical())}) + damaged;
  const ParsedStorage p = parse(text);
  ASSERT_EQ(p.skipped.size(), 1u);
  EXPECT_EQ(p.skipped[0].report, 2);
  EXPECT_NE(p.skipped[0].text.find("********"), std::string::npos);
  std::istringstream in(text);
  std::string line;
  for (int i = 0; i < p.skipped[0].line; ++i) std::getline(in, line);
  EXPECT_EQ(line, p.skipped[0].text);
}

}  // namespace
}  // namespace quorvane::stored
