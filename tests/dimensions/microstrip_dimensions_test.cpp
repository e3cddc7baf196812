#include "dimensions/microstrip_dimensions.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "dimensions/dimensions_fixture.hpp"
#include "lines/microstrip.hpp"
#include "support/case_name.hpp"

namespace quorvane {
namespace {

using fmt::F;

struct LimitCase {
  const char* what;
  float er;
  float b;  // inch
  const char* printed;  // F7.3
};

class SurfaceWaveLimit : public ::testing::TestWithParam<LimitCase> {};

TEST_P(SurfaceWaveLimit, PrintsAsTheReportShowsIt) {
  const LimitCase& c = GetParam();
  EXPECT_EQ(F(surface_wave_limit(c.er, c.b), 7, 3), c.printed);
}

INSTANTIATE_TEST_SUITE_P(
    Microstrip, SurfaceWaveLimit,
    ::testing::Values(LimitCase{"Er 10.2 H 0.025", 10.2f, 0.025f, " 51.604"},
                      LimitCase{"half the height doubles it", 10.2f, 0.0125f, "103.209"},
                      LimitCase{"air", 1.0f, 0.025f, "999.999"},
                      LimitCase{"Er accepted just below 1 is air", 0.999995f, 0.025f, "999.999"},
                      LimitCase{"thin substrate is capped", 9.8f, 0.0005f, "999.999"}),
    testing::CaseName());

struct TeCase {
  const char* what;
  float z0;
  float er;
  float effdc;
  float b;
  const char* printed;  // F7.3
};

class TeModeLimit : public ::testing::TestWithParam<TeCase> {};

TEST_P(TeModeLimit, PrintsAsTheReportShowsIt) {
  const TeCase& c = GetParam();
  EXPECT_EQ(F(te_mode_limit(c.z0, c.er, c.effdc, c.b), 7, 3), c.printed);
}

// In air the limit is z0 / (2 H mu0): half a wavelength across the strip.
INSTANTIATE_TEST_SUITE_P(
    Microstrip, TeModeLimit,
    ::testing::Values(TeCase{"air line", 50.0f, 1.0f, 1.0f, 0.025f, " 31.328"},
                      TeCase{"er four times effdc doubles it", 50.0f, 4.0f, 1.0f, 0.025f, " 62.657"},
                      TeCase{"thin substrate is capped", 50.0f, 1.0f, 1.0f, 0.0001f, "999.999"}),
    testing::CaseName());

struct WeightedCase {
  const char* what;
  float zoe, zoo, effef, effof;
};

class WeightedDielectric : public ::testing::TestWithParam<WeightedCase> {};

TEST_P(WeightedDielectric, LiesBetweenTheModesAndLeansToTheHigherImpedance) {
  const WeightedCase& c = GetParam();
  const float e = weighted_effective_dielectric(c.zoe, c.zoo, c.effef, c.effof);
  EXPECT_GE(e, std::fmin(c.effef, c.effof) * (1.0f - 1e-6f));
  EXPECT_LE(e, std::fmax(c.effef, c.effof) * (1.0f + 1e-6f));
  const float plain_mean = 0.25f * (std::sqrt(c.effef) + std::sqrt(c.effof)) * (std::sqrt(c.effef) + std::sqrt(c.effof));
  if (c.zoe > c.zoo) {
    EXPECT_GT(e, plain_mean);
  } else {
    EXPECT_FLOAT_EQ(e, plain_mean);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Microstrip, WeightedDielectric,
    ::testing::Values(WeightedCase{"end section", 66.849f, 40.234f, 7.475f, 5.753f},
                      WeightedCase{"inner section", 52.716f, 47.551f, 7.276f, 6.486f},
                      WeightedCase{"equal impedances", 50.0f, 50.0f, 7.0f, 6.0f}),
    testing::CaseName());

class MicrostripReport : public ::testing::Test {
 protected:
  DesignState state = testing::designed_state(3);
  void SetUp() override { testing::build_as(state, 1, 0.025f, 9.8f, 0.0f); }
};

TEST_F(MicrostripReport, TotalLengthIsTheSumOfTheUnroundedLengths) {
  const MicrostripDimensions d = synthesise_microstrip(state.filter, state.qvnzo, 9.8f, 0.025f, 0.0f, 50.0f);
  ASSERT_EQ(d.sections.size(), 4u);
  float sum = 0.0f;
  float rounded_sum = 0.0f;
  for (const auto& sec : d.sections) {
    sum = sum + sec.flength;
    rounded_sum = rounded_sum + std::round(sec.flength * 10000.0f) / 10000.0f;
  }
  EXPECT_EQ(d.total, sum);
  const std::string out = testing::printed_dimensions(state);
  EXPECT_NE(testing::line_with(out, "Total Length").find(F(sum, 8, 4)), std::string::npos) << out;
  EXPECT_GT(std::fabs(sum - rounded_sum), 0.0f) << "the case should tell the two sums apart";
}

TEST_F(MicrostripReport, QuarterWaveUsesTheSingleLineNotACoupledSection) {
  const MicrostripDimensions d = synthesise_microstrip(state.filter, state.qvnzo, 9.8f, 0.025f, 0.0f, 50.0f);
  const MswhResult single = mswh(9.8f, 10.0f, 0.025f, 2.5f, 0.0f, 50.0f);
  EXPECT_EQ(d.wofz0, single.w);
  EXPECT_EQ(d.eff, single.mszo1.eff);
  EXPECT_FLOAT_EQ(d.qwave, 0.25f * 11802.158f / (std::sqrt(single.mszo1.eff) * 10000.0f));
  for (const auto& sec : d.sections) EXPECT_NE(F(sec.flength, 8, 4), F(d.qwave, 8, 4));
}

TEST_F(MicrostripReport, PrintsAndKeepsTheDimensionsForTheAnalysis) {
  const MicrostripDimensions d = synthesise_microstrip(state.filter, state.qvnzo, 9.8f, 0.025f, 0.0f, 50.0f);
  const std::string out = testing::printed_dimensions(state);
  const std::vector<std::string> rows = testing::table_rows(out);
  ASSERT_EQ(rows.size(), 4u) << out;
  for (int k = 1; k <= 4; ++k) {
    const MicrostripSectionSize& sec = d.sections[static_cast<std::size_t>(k - 1)];
    const std::string& row = rows[static_cast<std::size_t>(k - 1)];
    EXPECT_EQ(row.substr(13, 7), F(sec.w, 7, 4)) << row;
    EXPECT_EQ(row.substr(34, 8), F(sec.s, 8, 4)) << row;
    EXPECT_EQ(row.substr(61), F(sec.effef, 6, 3) + F(sec.effof, 7, 3)) << row;
    EXPECT_EQ(state.qvnms.wc[k], sec.w);
    EXPECT_EQ(state.qvnms.sc[k], sec.s);
    EXPECT_EQ(state.flength[k], sec.flength);
    EXPECT_FLOAT_EQ(state.qvna1.freqoe[k], 10000.0f * std::sqrt(sec.effef));
    EXPECT_FLOAT_EQ(state.qvna1.freqoo[k], 10000.0f * std::sqrt(sec.effof));
    // The even mode has more of its field in the substrate.
    EXPECT_GT(sec.effef, sec.effof);
    EXPECT_GT(sec.effcf, sec.effof);
    EXPECT_LT(sec.effcf, sec.effef);
  }
  // A symmetric design gives a symmetric filter.
  EXPECT_EQ(d.sections[0].w, d.sections[3].w);
  EXPECT_EQ(d.sections[1].s, d.sections[2].s);
}

}  // namespace
}  // namespace quorvane
