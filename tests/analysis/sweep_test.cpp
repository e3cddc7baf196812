// The sweep: which ranges are refused, how many rows a range prints, the
// clamps of the printed quantities, both print formats and the closing lines.
#include "analysis/sweep.hpp"

#include <cmath>
#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>

#include "analysis/design_fixture.hpp"
#include "analysis/microstrip_section.hpp"
#include "analysis/sparam.hpp"
#include "support/session.hpp"

namespace quorvane::testing {
namespace {

// Half the spacing of floats at 10000 (2^-10 between 8192 and 16384).
const float kHalfUlp10000 = 0.00048828125f;
const float kJustBelowHalf = std::nextafter(kHalfUlp10000, 0.0f);
const float kJustAboveHalf = std::nextafter(kHalfUlp10000, 1.0f);

struct RangeCase {
  const char* what;
  float fstart, fstop, fstep;
  SweepRefusal refusal;
  long rows;  // when not refused
};

class SweepRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(SweepRange, RefusalAndRowCount) {
  const RangeCase& c = GetParam();
  const SweepCheck check = check_sweep(Qvnfreq{c.fstart, c.fstop, c.fstep});
  EXPECT_EQ(check.refusal, c.refusal) << c.what;
  if (c.refusal == SweepRefusal::kNone) {
    EXPECT_EQ(check.rows, c.rows) << c.what;
  } else {
    const std::string line = refusal_line(c.refusal, Qvnfreq{c.fstart, c.fstop, c.fstep});
    EXPECT_NE(line.find("enter"), std::string::npos);
    EXPECT_EQ(line.find('*'), std::string::npos) << line;  // every value fits its text
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sweep, SweepRange,
    ::testing::Values(
        RangeCase{"whole multiple", 9000.0f, 11000.0f, 20.0f, SweepRefusal::kNone, 101},
        RangeCase{"no whole multiple ends above stop", 9000.0f, 9050.0f, 20.0f, SweepRefusal::kNone, 4},
        RangeCase{"start above stop", 11000.0f, 9000.0f, 20.0f, SweepRefusal::kNone, 1},
        RangeCase{"start above stop, step 0", 11000.0f, 9000.0f, 0.0f, SweepRefusal::kNone, 1},
        RangeCase{"start equals stop", 10000.0f, 10000.0f, 20.0f, SweepRefusal::kNone, 1},
        RangeCase{"start 0", 0.0f, 11000.0f, 20.0f, SweepRefusal::kStartNotPositive, 0},
        RangeCase{"start negative", -5.0f, 11000.0f, 20.0f, SweepRefusal::kStartNotPositive, 0},
        RangeCase{"start 0 above stop", 0.0f, -10.0f, 20.0f, SweepRefusal::kStartNotPositive, 0},
        RangeCase{"step 0", 9000.0f, 11000.0f, 0.0f, SweepRefusal::kStepNotPositive, 0},
        RangeCase{"step negative", 9000.0f, 11000.0f, -20.0f, SweepRefusal::kStepNotPositive, 0},
        RangeCase{"step below half an ulp at the start", 10000.0f, 10000.5f, kJustBelowHalf,
                  SweepRefusal::kStepTooSmall, 0},
        RangeCase{"step of exactly half an ulp (a tie may stick)", 10000.0f, 10000.5f, kHalfUlp10000,
                  SweepRefusal::kStepTooSmall, 0},
        RangeCase{"step above half an ulp moves one ulp a row", 10000.0f, 10000.5f, kJustAboveHalf,
                  SweepRefusal::kNone, 513},
        // At 1000 the spacing is 16 times finer, so the step moves the start,
        // but it would stick near the stop.
        RangeCase{"step below half an ulp at the stop", 1000.0f, 10000.0f, kJustBelowHalf,
                  SweepRefusal::kStepTooSmall, 0},
        RangeCase{"a stop near the float limit", 3.0e38f, 3.4e38f, 1.0f, SweepRefusal::kStepTooSmall, 0},
        RangeCase{"0.0004 MHz steps from 10000 MHz", 10000.0f, 10001.0f, 0.0004f, SweepRefusal::kStepTooSmall, 0},
        // Exact binary steps: 100000 steps of 2^-10 from 1000 is 100001 rows.
        RangeCase{"the most rows", 1000.0f, 1000.0f + 100000.0f * 0.0009765625f, 0.0009765625f,
                  SweepRefusal::kNone, 100001},
        RangeCase{"one row too many", 1000.0f, 1000.0f + 100001.0f * 0.0009765625f, 0.0009765625f,
                  SweepRefusal::kTooManyRows, 0},
        RangeCase{"a million rows", 1000.0f, 2000.0f, 0.001f, SweepRefusal::kTooManyRows, 0}));

// The step a refusal recommends moves the frequency everywhere in the range:
// entered instead, it is no longer refused as too small.
TEST(Sweep, RecommendedStepIsEnough) {
  const Qvnfreq ranges[] = {{10000.0f, 10001.0f, 0.0004f},    {8191.99f, 8192.01f, 0.000488f},
                            {1000.0f, 10000.0f, 0.0004f},     {1.0f, 1.5f, 1e-8f},
                            {0.001f, 0.002f, 1e-12f},         {100000.0f, 100001.0f, 0.001f},
                            {3.0e6f, 3.1e6f, 0.1f},           {8388608.0f, 9.0e6f, 0.4f}};
  for (const Qvnfreq& r : ranges) {
    ASSERT_EQ(check_sweep(r).refusal, SweepRefusal::kStepTooSmall) << r.fstart;
    const std::string line = refusal_line(SweepRefusal::kStepTooSmall, r);
    const std::string lead = "enter a Step of at least ";
    const auto at = line.find(lead);
    ASSERT_NE(at, std::string::npos) << line;
    const float step = std::stof(line.substr(at + lead.size()));
    EXPECT_GT(step, r.fstep) << line;
    EXPECT_NE(check_sweep(Qvnfreq{r.fstart, r.fstop, step}).refusal, SweepRefusal::kStepTooSmall) << line;
    // At most a few times the smallest step that moves the sums.
    EXPECT_LT(step, 4.0f * (std::nextafter(r.fstop, 0.0f) - std::nextafter(std::nextafter(r.fstop, 0.0f), 0.0f)) + 1e-30f)
        << line;
  }
}

// The k-th frequency is the running single-precision sum, not fstart + (k-1)
// fstep: 0.1 is not exact in binary, and from 1000 the sum of 0.1 steps
// falls a little below 1001 at the nominal last row, so one more row follows.
TEST(Sweep, RowsFollowTheAccumulatedSum) {
  const Qvnfreq range{1000.0f, 1001.0f, 0.1f};
  float freq = range.fstart - range.fstep;
  for (int k = 0; k < 11; ++k) freq = freq + range.fstep;
  ASSERT_LT(freq, 1001.0f);  // row 11, nominally 1001
  EXPECT_EQ(check_sweep(range).rows, 12);
  EXPECT_EQ(1000.0f + 10.0f * 0.1f, 1001.0f);  // computed afresh it would end at 11 rows
}

struct ClampCase {
  const char* what;
  Complex s11, s21, zinput;
  const char* format1;  // the row as format 1 prints it
  const char* format2;  // and format 2
};

class ResponseClamp : public ::testing::TestWithParam<ClampCase> {};

TEST_P(ResponseClamp, PrintedRow) {
  const ClampCase& c = GetParam();
  const ResponseRow r = response_row(10000.0f, c.s11, c.s21, c.zinput);
  EXPECT_EQ(response_line(1, r), c.format1) << c.what;
  EXPECT_EQ(response_line(2, r), c.format2) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Sweep, ResponseClamp,
    ::testing::Values(
        ClampCase{"matched", Complex(0.0f, 0.0f), Complex(0.0f, -1.0f), Complex(50.0f, 0.0f),
                  "        10000.00   1.000   -Inf    0.00  50.000   0.000    0.000  -90.00",
                  "        10000.00   50.00        0.00    1.00    0.00    0.000   -90.00"},
        ClampCase{"total reflection: VSWR and return loss held, transmission floor", Complex(-1.0f, 0.0f),
                  Complex(1.0e-11f, 0.0f), Complex(0.0f, 0.0f),
                  "        10000.00  99.990  -0.00  180.00   0.000   0.000 -200.000    0.00",
                  "        10000.00    0.00        0.00   99.99  180.00 -200.000     0.00"},
        ClampCase{"reactance above the ceiling", Complex(0.0f, 1.0f), Complex(0.5f, 0.5f),
                  Complex(1.0f, 5000.0f),
                  "        10000.00  99.990  -0.00   90.00   1.000 999.990   -3.010   45.00",
                  "        10000.00    1.00      999.99   99.99   90.00   -3.010    45.00"},
        ClampCase{"reactance below -999.999 overflows format 1 only", Complex(0.6f, -0.8f),
                  Complex(0.0f, 0.1f), Complex(2.5f, -1500.0f),
                  "        10000.00  99.990  -0.00  -53.13   2.500********  -20.000   90.00",
                  "        10000.00    2.50    -1500.00   99.99  -53.13  -20.000    90.00"},
        ClampCase{"half reflection", Complex(0.5f, 0.0f), Complex(0.0f, 0.8660254f), Complex(150.0f, 0.0f),
                  "        10000.00   3.000  -6.02    0.00 150.000   0.000   -1.249   90.00",
                  "        10000.00  150.00        0.00    3.00    0.00   -1.249    90.00"}));

TEST(Sweep, ReturnLossHeldAtTheCeilingMagnitude) {
  const ResponseRow r = response_row(1.0f, Complex(0.0f, 1.0f), Complex(0.0f, 0.0f), Complex(0.0f, 0.0f));
  EXPECT_NEAR(r.s11db, -0.0043f, 0.00005f);
  EXPECT_FLOAT_EQ(r.vswrin, 99.99f);
  EXPECT_FLOAT_EQ(r.s21db, -200.0f);
}

TEST(Sweep, AnyFormatOtherThanTwoIsFormatOne) {
  const auto one = column_header(1);
  ASSERT_EQ(one.size(), 4u);
  for (int ivswr : {0, 3, -2}) EXPECT_EQ(column_header(ivswr), one) << ivswr;
  EXPECT_EQ(column_header(2).size(), 6u);
  const ResponseRow r = response_row(1.0f, Complex(0.1f, 0.0f), Complex(0.9f, 0.0f), Complex(60.0f, 1.0f));
  EXPECT_EQ(response_line(3, r), response_line(1, r));
  EXPECT_NE(response_line(2, r), response_line(1, r));
}

// A sweep of the ideal road example written to the console and, when
// storing, to a file in a folder of its own.
struct SweepRun {
  explicit SweepRun(DesignState s) : state(std::move(s)), console(in, out) {
    folder = std::filesystem::temp_directory_path() / ("quorvane-sweep-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                                       "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder);
    storage = std::make_unique<StorageFile>(folder);
  }
  ~SweepRun() { std::filesystem::remove_all(folder); }
  void run() {
    Report report(console, *storage, state.control);
    qvna(state.construction.msorsl, state.filter.isections, state.flength, state.construction.er, state, report);
  }
  std::vector<float> frequencies() const {
    std::vector<float> f;
    for (const auto& l : lines_of(out.str())) {
      if (l.size() > 16 && l.find("Impedance") == std::string::npos && l[13] == '.') f.push_back(std::stof(l.substr(0, 16)));
    }
    return f;
  }
  DesignState state;
  std::istringstream in;
  std::ostringstream out;
  Console console;
  std::filesystem::path folder;
  std::unique_ptr<StorageFile> storage;
};

DesignState ideal_road(Qvnfreq range) {
  DesignState s = electrical_design();
  for (int k = 1; k <= kMaxSections; ++k) s.flength[k] = 0.25f * 11802.158f / s.filter.f0;
  s.construction.er = 1.0f;
  s.qvnfreq = range;
  return s;
}

TEST(Sweep, StartAboveStopPrintsOneRowAtTheStart) {
  SweepRun run(ideal_road({10100.0f, 9000.0f, 20.0f}));
  run.run();
  EXPECT_EQ(run.frequencies(), std::vector<float>({10100.0f}));
}

TEST(Sweep, LastRowIsTheFirstSumAtOrAboveTheStop) {
  SweepRun run(ideal_road({9000.0f, 9050.0f, 20.0f}));
  run.run();
  EXPECT_EQ(run.frequencies(), std::vector<float>({9000.0f, 9020.0f, 9040.0f, 9060.0f}));
}

TEST(Sweep, IdealAnalysisLeavesBZero) {
  DesignState s = ideal_road({9000.0f, 9100.0f, 50.0f});
  s.qvnms.b = 0.125f;  // from an earlier construction
  SweepRun run(std::move(s));
  run.run();
  EXPECT_EQ(run.state.qvnms.b, 0.0f);
}

TEST(Sweep, RefusedRangePrintsOneLineAndNoTable) {
  DesignState s = ideal_road({9000.0f, 11000.0f, 0.0f});
  s.control.istore = 1;
  s.control.fnstore = "refused.txt         ";
  SweepRun run(std::move(s));
  run.storage->open(run.state.control.fnstore);
  run.run();
  const auto lines = lines_of(run.out.str());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("Step Frequency"), std::string::npos);
  EXPECT_EQ(read_text(run.folder / "refused.txt"), run.out.str());
}

// The closing: termination lines and rule to the console; when storing, the
// file gets the same table, then the notice comes to the console after the
// rule, and the file ends with the rule and the notice.
TEST(Sweep, ClosingLinesInConsoleAndFileOrder) {
  DesignState s = ideal_road({9000.0f, 9040.0f, 20.0f});
  s.control.istore = 1;
  s.control.fnstore = "table.txt           ";
  SweepRun run(std::move(s));
  run.storage->open(run.state.control.fnstore);
  run.run();
  const auto con = lines_of(run.out.str());
  const auto file = lines_of(read_text(run.folder / "table.txt"));
  ASSERT_EQ(con.size(), 4u + 3u + 4u);
  ASSERT_EQ(file.size(), con.size());
  const std::string source = "      Source Impedance: Zs =  50.000 Ohms.";
  const std::string load = "      Load   Impedance: ZL =  50.000 Ohms.";
  const std::string rule = "      " + std::string(72, '-');
  const std::string notice = "        Output Data stored in User filename: table.txt           ";
  EXPECT_EQ(std::vector<std::string>(con.end() - 4, con.end()),
            std::vector<std::string>({source, load, rule, notice}));
  EXPECT_EQ(std::vector<std::string>(file.end() - 4, file.end()),
            std::vector<std::string>({source, load, rule, notice}));
  for (std::size_t i = 0; i + 4 < con.size(); ++i) EXPECT_EQ(con[i], file[i]) << i;
}

TEST(Sweep, WithoutStorageNoNotice) {
  DesignState s = ideal_road({9000.0f, 9040.0f, 20.0f});
  s.control.istore = 2;
  SweepRun run(std::move(s));
  run.run();
  EXPECT_EQ(run.out.str().find("Output Data stored"), std::string::npos);
  EXPECT_NE(run.out.str().find("Load   Impedance"), std::string::npos);
}

// Format 2 and format 1 rows of the same frequencies carry the same values.
TEST(Sweep, BothFormatsPrintTheSameResponse) {
  SweepRun one(ideal_road({9900.0f, 10100.0f, 100.0f}));
  DesignState s2 = ideal_road({9900.0f, 10100.0f, 100.0f});
  s2.control.ivswr = 2;
  SweepRun two(std::move(s2));
  one.run();
  two.run();
  const auto l1 = lines_of(one.out.str());
  const auto l2 = lines_of(two.out.str());
  ASSERT_EQ(l1.size(), 4u + 3u + 3u);
  ASSERT_EQ(l2.size(), 6u + 3u + 3u);
  for (int k = 0; k < 3; ++k) {
    std::istringstream r1(l1[4 + k]);
    std::istringstream r2(l2[6 + k]);
    float f1, vswr1, rl, ph11, re1, im1, s21a, ph21a;
    float f2, re2, im2, vswr2, ph11b, s21b, ph21b;
    r1 >> f1 >> vswr1 >> rl >> ph11 >> re1 >> im1 >> s21a >> ph21a;
    r2 >> f2 >> re2 >> im2 >> vswr2 >> ph11b >> s21b >> ph21b;
    EXPECT_EQ(f1, f2);
    EXPECT_NEAR(vswr1, vswr2, 0.006f);
    EXPECT_NEAR(re1, re2, 0.006f);
    EXPECT_NEAR(im1, im2, 0.006f);
    EXPECT_EQ(s21a, s21b);
    EXPECT_NEAR(ph21a, ph21b, 0.006f);
  }
}

}  // namespace
}  // namespace quorvane::testing

namespace quorvane::testing {
namespace {

// Every row of a threaded 12-pole lossy microstrip sweep (three blocks and a
// part) equals the row built section by section from the design at the same
// accumulated frequency: the prepared sections, the shared frequency terms
// and the blocks change no digit.
TEST(Sweep, EveryRowEqualsTheSectionBySectionRow) {
  DesignState state = electrical_design(10000.0f, 500.0f, 12);
  build_microstrip(state);
  set_copper_losses(state, 0.0009f);
  state.qvnfreq = {9000.0f, 10000.0f, 0.3f};
  state.control.istore = 0;
  const DesignState design = state;
  SweepRun run(state);
  run.run();
  std::vector<std::string> rows;
  for (const std::string& l : lines_of(run.out.str())) {
    if (l.size() == kResponseLineLength && l[13] == '.') rows.push_back(l);
  }
  const long count = check_sweep(design.qvnfreq).rows;
  ASSERT_GT(count, 3 * kSweepBlockRows);
  ASSERT_EQ(static_cast<long>(rows.size()), count);
  const LossParameters loss{design.aloss1.res, design.aloss1.sr, design.aloss1.tlos};
  const Qvnms& ms = design.qvnms;
  float f = design.qvnfreq.fstart - design.qvnfreq.fstep;
  for (long r = 0; r < count; ++r) {
    f = f + design.qvnfreq.fstep;
    ChainMatrix rsc = ChainMatrix::identity();
    for (int i = 1; i <= 13; ++i) {
      qvnams(i, f, 9.8f, design.flength[i], ms.b, ms.thick, ms.wc[i], ms.sc[i], loss, design.qvna1, rsc);
    }
    const SParameters sp = sparam(rsc, Complex(design.qvnzo.zs, 0.0f), Complex(design.qvnzo.zl, 0.0f));
    ASSERT_EQ(rows[static_cast<size_t>(r)], response_line(1, response_row(f, sp.s11, sp.s21, sp.zinput))) << "row " << r;
  }
}

}  // namespace
}  // namespace quorvane::testing
