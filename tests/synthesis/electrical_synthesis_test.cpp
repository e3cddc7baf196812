// Electrical synthesis of the coupled sections.
#include "synthesis/electrical_synthesis.hpp"

#include <gtest/gtest.h>

#include "dialogue/fortran_format.hpp"

namespace quorvane {
namespace {

FilterRequirements spec_of(int n, int itorb, float ripple, float z0 = 50.0f, float zi = 50.0f) {
  FilterRequirements s;
  s.f0 = 10000.0f;
  s.bw = 500.0f;
  s.omega = s.bw / s.f0;
  s.flow = 9750.0f;
  s.fhigh = 10250.0f;
  s.itorb = itorb;
  s.ripple = ripple;
  s.isections = n;
  s.z0 = z0;
  s.z0_entered = z0;
  for (int k = 1; k <= n + 1; ++k) s.zi[k] = zi;
  return s;
}

struct PrintedRow {
  const char* zoe;
  const char* zoo;
  const char* jzi;
  const char* couplec;
};

TEST(ElectricalSynthesis, RoadExampleToThePrintedDigit) {
  const ElectricalDesign d = synthesise_electrical(spec_of(4, 1, 0.1f));
  EXPECT_EQ(fmt::F(d.bw3db, 10, 3), "   606.550");
  const PrintedRow want[] = {{" 66.849", " 40.234", "0.26614", "0.18354"},
                             {" 53.476", " 46.950", "0.06526", "0.04178"},
                             {" 52.716", " 47.551", "0.05165", "0.03312"},
                             {" 53.476", " 46.950", "0.06526", "0.04178"},
                             {" 66.849", " 40.234", "0.26614", "0.18354"}};
  ASSERT_EQ(d.rows.size(), 5u);
  for (std::size_t r = 0; r < 5; ++r) {
    EXPECT_EQ(d.rows[r].i, static_cast<int>(r));
    EXPECT_EQ(d.rows[r].k, static_cast<int>(r));
    EXPECT_EQ(fmt::F(d.rows[r].zoe, 7, 3), want[r].zoe) << "row " << r;
    EXPECT_EQ(fmt::F(d.rows[r].zoo, 7, 3), want[r].zoo) << "row " << r;
    EXPECT_EQ(fmt::F(d.rows[r].jzi, 7, 5), want[r].jzi) << "row " << r;
    EXPECT_EQ(fmt::F(d.rows[r].couplec, 7, 5), want[r].couplec) << "row " << r;
    EXPECT_EQ(d.zoec[static_cast<int>(r) + 1], d.rows[r].zoe);
    EXPECT_EQ(d.zooc[static_cast<int>(r) + 1], d.rows[r].zoo);
  }
  EXPECT_EQ(fmt::F(d.rows[0].element, 7, 5), "1.00000");
  EXPECT_EQ(fmt::F(d.qe0, 5, 2), "22.17");
  EXPECT_EQ(fmt::F(d.qen, 5, 2), "22.17");
}

TEST(ElectricalSynthesis, OddDesignIsSymmetricAndEndsShareTheirQ) {
  const ElectricalDesign d = synthesise_electrical(spec_of(3, 1, 0.5f));
  ASSERT_EQ(d.rows.size(), 4u);
  EXPECT_EQ(d.rows[0].zoe, d.rows[3].zoe);
  EXPECT_EQ(d.rows[0].zoo, d.rows[3].zoo);
  EXPECT_EQ(d.rows[1].zoe, d.rows[2].zoe);
  EXPECT_EQ(d.rows[1].zoo, d.rows[2].zoo);
  EXPECT_EQ(d.rows[0].jzi, d.rows[3].jzi);
  EXPECT_FLOAT_EQ(d.qe0, d.qen);
  EXPECT_EQ(fmt::F(d.g[1], 7, 5), "1.59633");
  EXPECT_EQ(fmt::F(d.g[4], 7, 5), "1.00000");
}

TEST(ElectricalSynthesis, ButterworthThreeDecibelBandwidthIsTheBandwidth) {
  const ElectricalDesign d = synthesise_electrical(spec_of(5, 2, 0.0f));
  EXPECT_EQ(d.bw3db, 500.0f);
}

TEST(ElectricalSynthesis, EndSectionsUseTheirOwnCouplingFactor) {
  // Sections 1 and 2 of the two-pole filter with equal mode ratios would
  // print different coefficients: 2.32/pi at the ends, 2.02/pi inside.
  const ElectricalDesign d = synthesise_electrical(spec_of(4, 1, 0.1f));
  const float ratio_end = d.rows[0].couplec / ((d.rows[0].zoe - d.rows[0].zoo) / (d.rows[0].zoe + d.rows[0].zoo));
  const float ratio_inner = d.rows[1].couplec / ((d.rows[1].zoe - d.rows[1].zoo) / (d.rows[1].zoe + d.rows[1].zoo));
  EXPECT_NEAR(ratio_end, 2.32f / 3.14159274f, 1e-5f);
  EXPECT_NEAR(ratio_inner, 2.02f / 3.14159274f, 1e-5f);
}

TEST(ElectricalSynthesis, TwelvePolesFillThirteenSections) {
  FilterRequirements s = spec_of(12, 1, 0.05f);
  for (int k = 1; k <= 13; ++k) s.zi[k] = 40.0f + static_cast<float>(k);  // distinct image impedances
  const ElectricalDesign d = synthesise_electrical(s);
  ASSERT_EQ(d.rows.size(), 13u);
  EXPECT_EQ(d.rows[12].k, 12);
  // The output half mirrors the end inverters of the input half...
  EXPECT_EQ(d.zoec[13], d.zoec[1]);
  EXPECT_EQ(d.zooc[12], d.zooc[2]);
  // ...while each inner section is scaled by its own image impedances.
  EXPECT_NE(d.zoec[6], d.zoec[7]);
  for (int k = 1; k <= 13; ++k) {
    EXPECT_GT(d.zoec[k], d.zooc[k]) << k;
    EXPECT_EQ(d.rows[static_cast<std::size_t>(k - 1)].zi, s.zi[k]) << k;
  }
}

}  // namespace
}  // namespace quorvane
