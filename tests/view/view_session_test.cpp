// The viewer on storage files of whole sessions of the program: several
// design cycles and every kind of report in one file, and the same files
// damaged in the ways a file that was edited, cut or overflowed is.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "support/case_name.hpp"
#include "support/session.hpp"
#include "view/readback.hpp"
#include "support/report_fixtures.hpp"
#include "view/view_app.hpp"

namespace quorvane::view {

using namespace quorvane::stored;
namespace {

namespace fs = std::filesystem;
using quorvane::testing::kRoadExample;
using quorvane::testing::Session;

// The road example (10 GHz, 500 MHz, Chebyshev 0.1 dB, 4 poles, 50 ohm),
// and a second design (2 GHz, 100 MHz, Butterworth, 3 poles, 50 ohm); the
// first storage question follows each.
const std::string kSecond = "2000\n100\n2\n1\n3\n50\n\n\n";
// Construction answers on the shipped substrates, thickness zero.
const std::string kMicrostrip = "1\n\n\n\n";
const std::string kStripline = "2\n\n\n\n";
// Sweep, terminations, loss menus and loss tangent by default, then the
// print format; the third storage question follows.
std::string lossy_sweep(const std::string& range, int format) {
  return range + "\n" + "\n\n\n\n\n" + std::to_string(format) + "\n";
}

struct ViewRun {
  ParsedStorage parsed;
  ViewResult result;
  std::string log;
  std::string text;
  std::map<std::string, std::string> files;  // what was written, by file name
};

ViewRun view_of(const std::string& text, const std::string& name) {
  const fs::path dir = fs::temp_directory_path() / ("quorvane-view-session-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / name, std::ios::binary) << text;
  ViewRun v;
  v.text = text;
  std::istringstream in(text);
  v.parsed = parse_storage(in);
  std::ostringstream log;
  v.result = run_view(dir / name, dir / "out", log);
  v.log = log.str();
  for (const fs::path& f : v.result.written) v.files[f.filename().string()] = quorvane::testing::read_text(f);
  fs::remove_all(dir);
  return v;
}

std::vector<std::string> file_names(const ViewResult& r) {
  std::vector<std::string> n;
  for (const fs::path& p : r.written) n.push_back(p.filename().string());
  return n;
}

// Cycle 1 stores the electrical report, the microstrip dimensions, a lossy
// format-1 analysis, then the stripline dimensions and a format-2 analysis
// after changing the construction; cycle 2, a new design given the same
// file name (which continues the file), its electrical report and an
// ideal analysis.
TEST(ViewSession, SeveralDesignCyclesInOneFile) {
  Session session;
  const std::string script = kRoadExample + "1\nmulti.txt\n" + "\n" + kMicrostrip + "1\n" +  // menu 1: dimensions
                             "\n" + lossy_sweep("9000\n11000\n100", 1) + "1\n" +        // menu 2: analysis
                             "2\n" + kStripline + "1\n" +                                 // menu 3: construction
                             "\n" + lossy_sweep("9500\n10500\n50", 2) + "1\n" +         // menu 2: analysis
                             "3\n" + kSecond + "1\nmulti.txt\n" +                        // menu 3: new design
                             "1\n1800\n2200\n20\n\n\n\n1\n" +                             // menu 1: ideal analysis
                             "4\n";
  const auto r = session.run(script);
  ASSERT_EQ(r.status, 0) << r.err;
  const ViewRun v = view_of(session.file("multi.txt"), "multi.txt");

  const ParsedStorage& p = v.parsed;
  ASSERT_EQ(p.reports.size(), 7u);
  const ReportKind kinds[] = {ReportKind::Electrical, ReportKind::Dimensions, ReportKind::Analysis,
                              ReportKind::Dimensions, ReportKind::Analysis,   ReportKind::Electrical,
                              ReportKind::Analysis};
  const int cycles[] = {1, 1, 1, 1, 1, 2, 2};
  for (size_t i = 0; i < 7; ++i) {
    EXPECT_EQ(p.reports[i].kind, kinds[i]) << "report " << i + 1;
    EXPECT_EQ(p.reports[i].cycle, cycles[i]) << "report " << i + 1;
    EXPECT_TRUE(p.reports[i].errors.empty()) << "report " << i + 1 << ": " << p.reports[i].errors.front();
    EXPECT_EQ(p.reports[i].stored_in, "multi.txt");
  }
  EXPECT_EQ(p.reports[5].summary.poles, 3);
  EXPECT_EQ(p.reports[5].summary.response, "Butterworth");
  EXPECT_EQ(analysis_construction(p, p.reports[2]), "Microstrip");
  EXPECT_EQ(analysis_construction(p, p.reports[4]), "Stripline");
  EXPECT_EQ(analysis_construction(p, p.reports[6]), "ideal lines in air");
  EXPECT_EQ(std::get<AnalysisTable>(p.reports[2].table).rows.size(), 21u);
  EXPECT_EQ(std::get<AnalysisTable>(p.reports[4].table).format, 2);
  EXPECT_EQ(std::get<AnalysisTable>(p.reports[4].table).rows.size(), 21u);
  EXPECT_EQ(std::get<AnalysisTable>(p.reports[6].table).rows.size(), 21u);
  EXPECT_EQ(testing::rewrite(p), v.text);

  EXPECT_EQ(v.result.status, 0) << v.log;
  const std::vector<std::string> want{
      "multi-2-layout.svg", "multi-2.dxf", "multi-2.kicad_mod", "multi-2-copper.gbr", "multi-2-ground-bottom.gbr",
      "multi-2-mask-top.gbr", "multi-2-mask-bottom.gbr", "multi-2-outline.gbr", "multi-2.gbrjob",
      "multi-3-response.svg", "multi-3-passband.svg", "multi-3-delay.svg",  "multi-3.s2p",
      "multi-4-layout.svg", "multi-4.dxf", "multi-4.kicad_mod", "multi-4-ground-top.gbr", "multi-4-copper.gbr",
      "multi-4-ground-bottom.gbr", "multi-4-mask-top.gbr", "multi-4-mask-bottom.gbr", "multi-4-outline.gbr",
      "multi-4.gbrjob",
      "multi-5-response.svg", "multi-5-passband.svg", "multi-5-delay.svg",  "multi-7-response.svg",
      "multi-7-passband.svg", "multi-7-delay.svg",    "multi-7.s2p"};
  EXPECT_EQ(file_names(v.result), want);
  EXPECT_NE(v.log.find("multi.txt: 7 reports in 2 design cycles, 30 files written\n"), std::string::npos) << v.log;
  EXPECT_NE(v.log.find("report 5 (line 143, design cycle 1): frequency analysis, print format 2, Stripline"),
            std::string::npos)
      << v.log;
}

// A new design whose electrical report is not stored: with the clock the
// same (the tests fix it), only the design values tell the cycles apart, so
// the analysis of the second design is not titled with the first design's
// construction.
TEST(ViewSession, ANewDesignStartsACycleWithoutItsElectricalReport) {
  Session session;
  const std::string script = kRoadExample + "1\nmulti.txt\n" + "\n" + kMicrostrip + "1\n" +  // cycle 1: microstrip
                             "3\n" + kSecond + "\n" +                                   // cycle 2: nothing stored
                             "\n" + kStripline + "\n" +                                 // stripline, not stored
                             "\n" + lossy_sweep("1900\n2100\n20", 1) + "1\nmulti.txt\n" + "4\n";
  const auto r = session.run(script);
  ASSERT_EQ(r.status, 0) << r.err;
  const ViewRun v = view_of(session.file("multi.txt"), "multi.txt");
  ASSERT_EQ(v.parsed.reports.size(), 3u);
  EXPECT_EQ(v.parsed.reports[0].stamp, v.parsed.reports[2].stamp);
  EXPECT_EQ(v.parsed.reports[2].cycle, 2);
  EXPECT_EQ(analysis_construction(v.parsed, v.parsed.reports[2]), "");
  EXPECT_NE(v.log.find("frequency analysis, print format 1, construction not stored"), std::string::npos) << v.log;
  EXPECT_EQ(v.result.status, 0) << v.log;
}

// A ripple that needs four or five decimals is printed differently by each
// report (four decimals in the electrical report, three in the dimensions,
// five in the analysis); the reports of one design stay one design cycle
// all the same, and the analysis is titled with the construction.
struct FineRipple {
  const char* what;
  std::string ripple;                // as entered
  std::vector<std::string> printed;  // the ripple fields of the three reports
};

class RippleDecimals : public ::testing::TestWithParam<FineRipple> {};

TEST_P(RippleDecimals, OneDesignIsOneCycle) {
  const FineRipple& c = GetParam();
  Session session;
  const std::string design = "10000\n500\n1\n" + c.ripple + "\n1\n4\n50\n\n\n\n";
  const auto r = session.run(design + "1\nfine.txt\n" + "\n" + kMicrostrip + "1\n" +  // menu 1: dimensions
                             "\n" + lossy_sweep("9000\n11000\n100", 1) + "1\n" + "4\n");
  ASSERT_EQ(r.status, 0) << r.err;
  const ViewRun v = view_of(session.file("fine.txt"), "fine.txt");
  for (const std::string& field : c.printed)
    EXPECT_NE(v.text.find("Ripple (Am) = " + field + " dB"), std::string::npos) << c.what << ": " << field;
  ASSERT_EQ(v.parsed.reports.size(), 3u) << c.what;
  for (const StoredReport& rep : v.parsed.reports) EXPECT_EQ(rep.cycle, 1) << c.what << ", report " << rep.position;
  EXPECT_EQ(v.result.status, 0) << v.log;
  EXPECT_NE(v.log.find("fine.txt: 3 reports in 1 design cycle, "), std::string::npos) << v.log;
  const auto plot = v.files.find("fine-3-response.svg");
  ASSERT_NE(plot, v.files.end()) << v.log;
  EXPECT_NE(plot->second.find("Zo 50.00 Ohms, Microstrip"), std::string::npos) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Sessions, RippleDecimals,
                         ::testing::Values(FineRipple{"four decimals", "0.0123", {"0.0123", "0.012", "0.01230"}},
                                           FineRipple{"five decimals", "0.01244", {"0.0124", "0.012", "0.01244"}},
                                           FineRipple{"printed halves apart", "0.0125", {"0.0125", "0.013", "0.01250"}},
                                           FineRipple{"rounded up twice", "0.01247", {"0.0125", "0.012", "0.01247"}}),
                         quorvane::testing::CaseName());

// A wide-band design in a high-Er stripline: the end sections have no
// positive width, and the report says so in their rows.  Those rows are
// read as what they are, and the layout is refused with the reason.
TEST(ViewSession, StriplineSectionsThatAreNotRealizable) {
  Session session;
  const auto r = session.run("1000\n300\n1\n\n1\n3\n50\n\n\n" + std::string("1\nwide.txt\n") +
                             "2\n" + "2\n\n10\n\n" + "1\n" + "4\n");  // menu 1: stripline, Er 10
  ASSERT_EQ(r.status, 0) << r.err;
  const ViewRun v = view_of(session.file("wide.txt"), "wide.txt");
  ASSERT_EQ(v.parsed.reports.size(), 2u);
  const StoredReport& dims = v.parsed.reports[1];
  EXPECT_TRUE(dims.errors.empty()) << dims.errors.front();
  EXPECT_TRUE(v.parsed.skipped.empty());
  const auto& t = std::get<DimensionTable>(dims.table);
  ASSERT_EQ(t.rows.size(), 4u);
  for (size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(t.rows[k].realizable, k != 0 && k != 3) << "section " << k + 1;
    EXPECT_EQ(t.rows[k].k0, static_cast<int>(k));
    EXPECT_GT(t.rows[k].length_in, 0.0f);
  }
  EXPECT_EQ(testing::rewrite(v.parsed), v.text);
  EXPECT_EQ(v.result.status, 2) << v.log;
  EXPECT_TRUE(v.result.written.empty());
  EXPECT_NE(v.log.find("report 2: section 1 is not realizable in stripline"), std::string::npos) << v.log;
  EXPECT_NE(v.log.find("0 files written, 1 table not drawn"), std::string::npos) << v.log;
}

// A sweep the program refuses stores its opening and the reason instead of
// a table: the viewer tells the reason and goes on, the file is not damaged.
TEST(ViewSession, ARefusedSweepIsToldAndNotCountedAsDamage) {
  Session session;
  const auto r = session.run(kRoadExample + "\n" + "1\n9000\n11000\n0.0001\n\n\n\n1\nr.txt\n" +  // step too small
                             "1\n9900\n10100\n100\n\n\n2\n1\nr.txt\n" + "4\n");       // format 2, one table
  ASSERT_EQ(r.status, 0) << r.err;
  const ViewRun v = view_of(session.file("r.txt"), "r.txt");
  ASSERT_EQ(v.parsed.reports.size(), 2u);
  const auto& refused = std::get<AnalysisTable>(v.parsed.reports[0].table);
  EXPECT_TRUE(v.parsed.reports[0].errors.empty()) << v.parsed.reports[0].errors.front();
  EXPECT_EQ(refused.not_run.rfind("Analysis not run: a Step of ", 0), 0u) << refused.not_run;
  EXPECT_TRUE(refused.rows.empty());
  EXPECT_EQ(std::get<AnalysisTable>(v.parsed.reports[1].table).rows.size(), 3u);
  EXPECT_EQ(testing::rewrite(v.parsed), v.text);
  EXPECT_EQ(v.result.status, 0) << v.log;
  EXPECT_EQ(file_names(v.result),
            (std::vector<std::string>{"r-2-response.svg", "r-2-passband.svg", "r-2-delay.svg"}));
  EXPECT_NE(v.log.find("  no table, the program refused the sweep: Analysis not run: a Step of"), std::string::npos)
      << v.log;
}

// ---- Damaged files ---------------------------------------------------------

std::string golden(const std::string& name) { return quorvane::testing::read_text(quorvane::testing::golden_path(name)); }

// `text` with the columns [from, from + n) of its line `line` (1-based) replaced.
std::string with_columns(std::string text, int line, size_t from, const std::string& columns) {
  size_t at = 0;
  for (int i = 1; i < line; ++i) at = text.find('\n', at) + 1;
  text.replace(at + from, columns.size(), columns);
  return text;
}

std::string first_lines(const std::string& text, int count) {
  size_t at = 0;
  for (int i = 0; i < count; ++i) at = text.find('\n', at) + 1;
  return text.substr(0, at);
}

struct Damage {
  const char* what;
  std::string file;       // golden storage file
  std::string text;       // the damaged copy
  int status;             // of quorvane-view
  size_t files;           // files written
  std::vector<std::string> log;  // texts the log holds
};

std::vector<Damage> damages() {
  const std::string ideal = golden("road_ideal.txt");            // one format-1 table of 21 rows from line 21
  const std::string ms = golden("road_microstrip.txt");          // dimensional table rows on lines 50 ... 54
  return {
      {"empty file", "road_ideal.txt", "", 1, 0, {"the file is empty: no report found"}},
      {"text without a report", "road_ideal.txt", "Quorvane (v. 1.4)\nDate: 3/ 6/2026\n", 1, 0,
       {"no report found: no line holds the dated report header"}},
      {"asterisks in a response row", "road_ideal.txt", with_columns(ideal, 25, 55, "*********"), 2, 4,
       {"line 25 (report 1) skipped, a field of asterisks", "1 table row skipped"}},
      {"a response row out of its columns", "road_ideal.txt", with_columns(ideal, 26, 0, "x"), 2, 4,
       {"line 26 (report 1) skipped, not in the table's column layout"}},
      {"asterisks in a dimension row", "road_microstrip.txt", with_columns(ms, 52, 13, "*******"), 2, 0,
       {"line 52 (report 2) skipped, a field of asterisks", "report 2: table holds 4 of the 5 section rows (1 skipped)",
        "damaged report: no file written for it", "1 damaged report"}},
      {"cut inside the dimension table", "road_microstrip.txt", first_lines(ms, 52), 2, 0,
       {"report 2: table is not closed", "report 2: table holds 3 of the 5 section rows"}},
      {"a summary field of asterisks", "road_microstrip.txt", with_columns(ms, 39, 23, "*********"), 2, 0,
       {"report 2: Flow line 39 has a field of asterisks"}},
  };
}

class DamagedFile : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedFile, ClearMessageAndNothingGuessed) {
  const Damage& d = GetParam();
  ASSERT_NE(d.text, golden(d.file)) << "the damage did not change the file";
  const ViewRun v = view_of(d.text, "damaged.txt");
  EXPECT_EQ(v.result.status, d.status) << v.log;
  EXPECT_EQ(v.result.written.size(), d.files) << v.log;
  for (const std::string& part : d.log) EXPECT_NE(v.log.find(part), std::string::npos) << part << "\n" << v.log;
  // A skipped response row is left out of the Touchstone file and counted there.
  for (const auto& [name, text] : v.files)
    if (fs::path(name).extension() == ".s2p") {
      EXPECT_EQ(testing::read_touchstone(text).rows.size(), 20u);
      EXPECT_NE(text.find("! 1 table rows not read"), std::string::npos) << text;
    }
}

INSTANTIATE_TEST_SUITE_P(Goldens, DamagedFile, ::testing::ValuesIn(damages()), quorvane::testing::CaseName());

}  // namespace
}  // namespace quorvane::view
