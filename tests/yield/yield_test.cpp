// The yield analysis against cases with a known answer, its determinism,
// and the inputs it refuses.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/case_name.hpp"
#include "support/report_fixtures.hpp"
#include "yield/yield_app.hpp"
#include "yield/yield_random.hpp"

namespace quorvane::yield {

using namespace quorvane::stored;
namespace {

namespace fs = std::filesystem;
namespace vt = view::testing;

Board board_of(const std::string& storage_text) {
  std::istringstream in(storage_text);
  StoredDesign d;
  std::string error;
  Board b;
  EXPECT_TRUE(find_stored_design(stored::parse_storage(in), 0, d, error)) << error;
  EXPECT_TRUE(nominal_board(d, stored::CopperDrawing::Compensated, b, error)) << error;
  return b;
}

std::string demo_text() {
  std::ifstream f(std::string(QUORVANE_SOURCE_DIR) + "/docs/demo.txt", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// The stripline road design: electrical, dimensional and analysis reports.
std::string stripline_text(const stored::DimensionTable& dims = vt::road_stripline()) {
  return vt::join({vt::electrical_report(vt::stamp_a(), vt::road_summary(), vt::road_electrical()),
                   vt::dimension_report(vt::stamp_a(), vt::road_summary(), dims),
                   vt::analysis_report(vt::stamp_a(), vt::road_summary(), vt::road_analysis(1, 50.0f, 50.0f))});
}

YieldSetup setup_of(Tolerances tol, int samples, float max_loss = 3.0f) {
  YieldSetup s;
  s.tol = tol;
  s.samples = samples;
  s.seed = 7;
  s.mask = {9750.0f, 10250.0f, max_loss, {{9400.0f, 20.0f}}};
  for (int i = 0; i <= 80; ++i) s.freqs.push_back(9000.0f + 25.0f * static_cast<float>(i));
  return s;
}

TEST(YieldRandom, StreamsArePinnedAndTheTransformsExact) {
  // The generator is fully specified: these values hold on every machine.
  SampleRandom a(1, 0), b(1, 0), c(1, 1);
  const std::uint64_t first = a.next();
  EXPECT_EQ(first, b.next());
  EXPECT_NE(first, c.next());
  EXPECT_EQ(first, 17154914556750032435ULL) << std::hex << first;
  EXPECT_NEAR(normal_quantile(0.975), 1.959964, 1e-6);
  EXPECT_NEAR(normal_quantile(0.001), -3.090232, 1e-6);
  for (const double x : {1e-300, 0.3, 1.0, 2.5, 1e10}) EXPECT_NEAR(portable_log(x), std::log(x), 1e-14 * std::fabs(std::log(x)) + 1e-15);
}

// Later draws of two streams, from the published xoshiro256** and SplitMix64
// seeded as the header says: any slip in the state update moves them.
TEST(YieldRandom, LaterDrawsArePinned) {
  struct Draw {
    std::uint64_t seed, index;
    int n;  // 1-based position in the stream
    std::uint64_t value;
  };
  const Draw table[] = {{1, 0, 2, 15481925071032317162ULL},   {1, 0, 3, 3049712571244418729ULL},
                        {1, 0, 4, 11166966773875987793ULL},   {1, 0, 5, 14351054416313619404ULL},
                        {1, 0, 1000, 8713458863814743206ULL}, {7, 12345, 1, 16984979556275965942ULL},
                        {7, 12345, 5, 3840574121228778904ULL}, {7, 12345, 1000, 6140238575511842712ULL}};
  for (const Draw& d : table) {
    SampleRandom r(d.seed, d.index);
    for (int i = 1; i < d.n; ++i) r.next();
    EXPECT_EQ(r.next(), d.value) << d.seed << "/" << d.index << " draw " << d.n;
  }
}

TEST(YieldStatistics, PercentilesAndWilsonInterval) {
  EXPECT_DOUBLE_EQ(percentile({1.0, 2.0, 3.0, 4.0, 5.0}, 0.05), 1.2);
  EXPECT_DOUBLE_EQ(percentile({1.0, 2.0, 3.0, 4.0, 5.0}, 0.95), 4.8);
  const Interval all = wilson95(50, 50);
  EXPECT_DOUBLE_EQ(all.hi, 1.0);
  EXPECT_NEAR(all.lo, 0.92865, 1e-5);
  const Interval half = wilson95(10, 20);
  EXPECT_NEAR(half.lo, 0.29930, 1e-5);
  EXPECT_NEAR(half.hi, 0.70070, 1e-5);
  const Interval low = wilson95(3, 10);  // asymmetric about k/n
  EXPECT_NEAR(low.lo, 0.10779, 1e-5);
  EXPECT_NEAR(low.hi, 0.60322, 1e-5);
}

// Every statistic of a figure's row on spread values, worked by hand: the
// sample standard deviation (n - 1), percentiles of the sorted values at
// rank (n-1)p, non-finite values left out of all of them.
TEST(YieldStatistics, SummaryOfASpreadSample) {
  struct Row {
    std::vector<double> values;
    double mean, sd, p5, p95;
    int count;
  };
  const double nan = std::nan("");
  const Row table[] = {{{5, 2, 9, 4, nan, 4, 7, 5, 4}, 5.0, std::sqrt(32.0 / 7.0), 2.7, 8.3, 8},
                       {{3, INFINITY, 1}, 2.0, std::sqrt(2.0), 1.1, 2.9, 2}};
  for (const Row& r : table) {
    const Statistic s = summarise(0.25, r.values);
    EXPECT_EQ(s.nominal, 0.25);
    EXPECT_DOUBLE_EQ(s.mean, r.mean);
    EXPECT_DOUBLE_EQ(s.sd, r.sd);
    EXPECT_DOUBLE_EQ(s.p5, r.p5);
    EXPECT_DOUBLE_EQ(s.p95, r.p95);
    EXPECT_EQ(s.count, r.count);
  }
}

struct ZeroCase {
  const char* what;
  float max_loss;
  int passed;
};

class ZeroTolerance : public ::testing::TestWithParam<ZeroCase> {};

TEST_P(ZeroTolerance, EverySampleIsTheNominalBoard) {
  const Board b = board_of(demo_text());
  const YieldResult r = run_yield(b, setup_of({}, 12, GetParam().max_loss));
  EXPECT_EQ(r.passed, GetParam().passed);
  EXPECT_EQ(r.centre.sd, 0.0);
  EXPECT_EQ(r.centre.p5, r.centre.nominal);
  EXPECT_EQ(r.max_loss.p95, r.max_loss.nominal);
  EXPECT_EQ(r.s21_p5, r.nominal.s21db);
  EXPECT_EQ(r.s21_p95, r.nominal.s21db);
  EXPECT_EQ(r.s11_p95, r.nominal.s11db);
  EXPECT_NEAR(r.centre.nominal, 10000.0, 50.0);  // the drawn copper lands within 0.5 % of Fo
}

INSTANTIATE_TEST_SUITE_P(Cases, ZeroTolerance,
                         ::testing::Values(ZeroCase{"loose mask, all pass", 3.0f, 12},
                                           ZeroCase{"mask tighter than the nominal loss, none pass", 0.5f, 0}),
                         quorvane::testing::CaseName{});

// The mean and the 5 / 95 % percentiles of `got` are those of `expected`
// within `fraction` of the expected 5-95 % spread, which exceeds `min_spread`.
void expect_like(const Statistic& got, const std::vector<double>& expected, double min_spread, double fraction) {
  const Statistic p = summarise(got.nominal, expected);
  const double spread = p.p95 - p.p5;
  ASSERT_GT(spread, min_spread);
  EXPECT_NEAR(got.mean, p.mean, fraction * spread);
  EXPECT_NEAR(got.p5, p.p5, fraction * spread);
  EXPECT_NEAR(got.p95, p.p95, fraction * spread);
}

// Cases with a known answer: what the samples' centre frequencies must
// look like, from the board, the set-up and the nominal centre.
struct KnownCase {
  const char* what;
  bool stripline;
  Tolerances tol;
  int samples;
  std::vector<double> (*expected)(const Board&, const YieldSetup&, double nominal_centre);
  double min_spread, fraction;
};

// Stripline is homogeneous: the centre scales as 1/sqrt(Er) to first order.
std::vector<double> square_root_of_er(const Board& b, const YieldSetup& s, double nominal) {
  std::vector<double> v;
  for (int i = 0; i < s.samples; ++i) {
    const Board x = sample_board(b, s.tol, s.seed, static_cast<std::uint64_t>(i));
    v.push_back(nominal * std::sqrt(static_cast<double>(b.er) / x.er));
  }
  return v;
}

// Microstrip: the centre scales as 1/sqrt of the effective dielectric
// constant at Fo (of both modes, averaged over the sections) to first order.
double root_eff(const Board& b) {
  const PreparedDrawnFilter p = prepare_drawn_filter(b, b.f0, b.f0);
  double sum = 0.0;
  for (std::size_t k = 0; k < b.sections.size(); ++k) {
    const ModeValues v = mode_values(p, k, b.f0);
    sum += 0.5 * (static_cast<double>(v.sqe) + v.sqo);
  }
  return sum / static_cast<double>(b.sections.size());
}

std::vector<double> root_of_eff(const Board& b, const YieldSetup& s, double nominal) {
  std::vector<double> v;
  for (int i = 0; i < s.samples; ++i)
    v.push_back(nominal * root_eff(b) / root_eff(sample_board(b, s.tol, s.seed, static_cast<std::uint64_t>(i))));
  return v;
}

// Direct sweeps of the board biased at evenly spaced points of the interval
// (the midpoint rule of the uniform distribution).
std::vector<double> biased_sweeps(const Board& b, const YieldSetup& s, double) {
  std::vector<double> v;
  constexpr int kPoints = 40;
  for (int j = 0; j < kPoints; ++j) {
    const float d = s.tol.width * (2.0f * (static_cast<float>(j) + 0.5f) / kPoints - 1.0f);
    Board x = b;
    for (DrawnSection& c : x.sections) {
      c.w -= d;
      c.s += d;
    }
    v.push_back(figures(s.freqs, respond(x, s.freqs).s21db, s.mask).centre);
  }
  return v;
}

Tolerances only_er() {
  Tolerances t;
  t.er = 0.05f;
  return t;
}

Tolerances only_bias() {
  Tolerances t;
  t.width = 0.0008f;
  return t;
}

class KnownAnswer : public ::testing::TestWithParam<KnownCase> {};

TEST_P(KnownAnswer, CentreStatisticsMatch) {
  const KnownCase& c = GetParam();
  const Board b = board_of(c.stripline ? stripline_text() : demo_text());
  const YieldSetup s = setup_of(c.tol, c.samples);
  const YieldResult r = run_yield(b, s);
  expect_like(r.centre, c.expected(b, s, r.centre.nominal), c.min_spread, c.fraction);
}

// The uniform bias is judged with the sampling error of 60 draws (a tenth of
// the spread covers it); the Er case compares the same draws.
INSTANTIATE_TEST_SUITE_P(
    Cases, KnownAnswer,
    ::testing::Values(KnownCase{"Er alone, stripline", true, only_er(), 30, square_root_of_er, 50.0, 0.02},
                      KnownCase{"Er alone, microstrip", false, only_er(), 30, root_of_eff, 10.0, 0.03},
                      KnownCase{"uniform etch bias, microstrip", false, only_bias(), 60, biased_sweeps, 5.0, 0.1}),
    quorvane::testing::CaseName{});

// The etch bias moves every edge of the board the same way: each width
// narrows by the draw and each gap widens by it (and the reverse for a
// negative draw), in every section.
TEST(YieldSample, EtchBiasWidensTheGapsAsItNarrowsTheWidths) {
  const Board b = board_of(demo_text());
  int widened = 0, narrowed = 0;
  for (const Distribution d : {Distribution::Uniform, Distribution::Normal}) {
    Tolerances tol = only_bias();
    tol.distribution = d;
    for (std::uint64_t i = 0; i < 8; ++i) {
      const Board x = sample_board(b, tol, 7, i);
      const float bias = x.sections[0].s - b.sections[0].s;
      (bias > 0.0f ? widened : narrowed) += 1;
      for (std::size_t k = 0; k < b.sections.size(); ++k) {
        EXPECT_NEAR(x.sections[k].s - b.sections[k].s, bias, 1e-8f) << i << " " << k;
        EXPECT_NEAR(x.sections[k].w - b.sections[k].w, -bias, 1e-8f) << i << " " << k;
      }
    }
  }
  EXPECT_GT(widened, 0);
  EXPECT_GT(narrowed, 0);
}

TEST(YieldDeterminism, ThreadCountChangesNothing) {
  const Board b = board_of(demo_text());
  Tolerances tol{0.0005f, 0.0002f, 0.05f, 0.0005f, 0.0f, 0.0005f, Distribution::Normal};
  YieldSetup s = setup_of(tol, 20);
  s.threads = 1;
  const YieldResult one = run_yield(b, s);
  s.threads = 3;
  const YieldResult three = run_yield(b, s);
  EXPECT_EQ(one.passed, three.passed);
  EXPECT_EQ(one.centre.mean, three.centre.mean);
  EXPECT_EQ(one.max_loss.p95, three.max_loss.p95);
  EXPECT_EQ(one.s21_p5, three.s21_p5);
  EXPECT_EQ(one.s11_p95, three.s11_p95);
  EXPECT_GT(one.centre.sd, 0.0);
}

struct BadCase {
  const char* what;
  std::string text;                // the storage file
  std::vector<std::string> args;   // options after the file name
  std::string message;             // part of the one line
};

std::vector<BadCase> bad_cases() {
  stored::DimensionTable unrealisable = vt::road_stripline();
  unrealisable.rows[2].realizable = false;
  unrealisable.rows[2].w_in = unrealisable.rows[2].s_in = std::nanf("");
  const std::string dims_only = vt::join({vt::dimension_report(vt::stamp_a(), vt::road_summary(), vt::road_microstrip())});
  const std::string analysis_only = vt::join({vt::analysis_report(vt::stamp_a(), vt::road_summary(), vt::road_analysis(1, 50.0f, 50.0f))});
  stored::DesignSummary narrow = vt::road_summary();
  narrow.flow = 10001.0f;
  narrow.fhigh = 10049.0f;
  const std::string no_grid_point = vt::join(
      {vt::dimension_report(vt::stamp_a(), narrow, vt::road_microstrip()),
       vt::analysis_report(vt::stamp_a(), narrow, vt::road_analysis(1, 50.0f, 50.0f))});
  return {
      {"no dimensional report", analysis_only, {}, "no usable dimensional report"},
      {"no analysis of it", dims_only, {}, "no analysis of a built filter"},
      {"stripline section not realisable", stripline_text(unrealisable), {}, "section 3 of the stripline report is not realisable"},
      {"negative tolerance", stripline_text(), {"--width", "-0.001"}, "tolerance --width must be a finite number"},
      {"non finite tolerance", stripline_text(), {"--er", "inf"}, "tolerance --er must be a finite number"},
      {"no grid frequency in the passband", no_grid_point, {}, "no frequency of the grid lies in the passband"},
      {"rejection outside the grid", stripline_text(), {"--min-rejection", "40@20000"}, "outside the grid"},
      {"report asked for is not an analysis", stripline_text(), {"--report", "2"}, "report 2 is not an analysis"},
  };
}

class BadInput : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadInput, OneLineAndStatusOne) {
  const fs::path dir = fs::temp_directory_path() / ("quorvane-yield-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path file = dir / "bad.txt";
  std::ofstream(file, std::ios::binary) << GetParam().text;
  std::vector<std::string> args{file.string(), "-o", dir.string(), "--samples", "4"};
  args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
  YieldOptions opt;
  std::string error;
  std::ostringstream out, log;
  const int status =
      parse_options(args, opt, error) ? run_yield_program(opt, out, log, false) : (log << error << '\n', 1);
  EXPECT_EQ(status, 1);
  const std::string text = log.str();
  EXPECT_NE(text.find(GetParam().message), std::string::npos) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
  EXPECT_FALSE(fs::exists(dir / "bad-3-yield.txt"));
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Cases, BadInput, ::testing::ValuesIn(bad_cases()), quorvane::testing::CaseName{});

TEST(YieldProgram, WritesTheSummaryPlotAndTable) {
  const fs::path dir = fs::temp_directory_path() / ("quorvane-yield-run-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  const std::string cmd = std::string(QUORVANE_YIELD_BINARY) + " " + QUORVANE_SOURCE_DIR +
                          "/docs/demo.txt --width 0.0005 --samples 8 --points 41 --min-rejection 20@9400 -o " +
                          dir.string() + " > " + (dir.string() + ".out") + " 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::ifstream csv(dir / "demo-3-yield.csv");
  std::string line;
  int rows = 0;
  while (std::getline(csv, line)) ++rows;
  EXPECT_EQ(rows, 42);
  EXPECT_TRUE(fs::exists(dir / "demo-3-yield.svg"));
  std::ifstream txt(dir / "demo-3-yield.txt");
  const std::string summary(std::istreambuf_iterator<char>(txt), {});
  EXPECT_NE(summary.find("Yield ="), std::string::npos);
  EXPECT_NE(summary.find("Loss at 9400.000 MHz, dB"), std::string::npos);
  // Rebuilt as the stored analysis took it, only the rounding of the printed
  // values separates the response from the stored table.
  const std::size_t at = summary.find("rebuilt as analysed");
  ASSERT_NE(at, std::string::npos);
  EXPECT_LT(std::stof(summary.substr(at + 19, 8)), 0.05f);
  fs::remove_all(dir);
  fs::remove(dir.string() + ".out");
}

}  // namespace
}  // namespace quorvane::yield
