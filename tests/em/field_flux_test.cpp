#include "em/em_simulation.hpp"
#include "em/field_flux.hpp"
#include "em/fifty_ohm_line.hpp"
#include "support/case_name.hpp"

namespace quorvane::em {
namespace {

// A uniform plane wave's fields on one face of a box 10 x 10 x 4 mm over a
// 1 mm substrate, the line windows 4 mm wide and 3 mm high: the flux of
// each part is the power density times its area.
struct WaveCase {
  const char* what;
  int axis, side;
  cplx e[3], h[3];
  double radiated, surface, guided0, guided1;  // mm^2 of the face times 1/2 Re(E x H*) . n
};

class PlaneWaveFlux : public ::testing::TestWithParam<WaveCase> {};

TEST_P(PlaneWaveFlux, EachPartIsItsAreaTimesThePowerDensity) {
  const WaveCase& c = GetParam();
  FluxBox box;
  box.box = {0, -5, 0, 10, 5, 4};
  box.substrate = 1;
  box.windows[0] = {0, -2, 0, 0, 2, 3};
  box.windows[1] = {10, -2, 0, 10, 2, 3};
  FaceField f;
  f.face.axis = c.axis;
  f.face.side = c.side;
  const std::vector<double> lines[3] = {{0, 0.7, 3, 6, 10}, {-5, -3, -2, 0, 1, 2, 5}, {0, 0.5, 1, 2, 3, 4}};
  for (int a = 0; a < 3; ++a) {
    const double at = a == 2 ? 4.0 : (a == 0 ? (c.side < 0 ? 0.0 : 10.0) : 5.0 * c.side);
    f.lines[a] = a == c.axis ? std::vector<double>{at - 0.5, at} : lines[a];
    f.h_size[a] = f.lines[a].size();
  }
  const std::size_t n = f.h_size[0] * f.h_size[1] * f.h_size[2];
  for (int k = 0; k < 3; ++k) {
    f.e[k].assign(n, c.e[k]);
    f.h[k].assign(n, c.h[k]);
  }
  FluxParts sum;
  add_face_flux(f, box, sum);
  const double density = 0.5e-6;  // W per mm^2: 1/2 Re(E x H*) of E and H of 1 in phase
  EXPECT_NEAR(sum.radiated / density, c.radiated, 1e-9);
  EXPECT_NEAR(sum.surface / density, c.surface, 1e-9);
  EXPECT_NEAR(sum.guided[0] / density, c.guided0, 1e-9);
  EXPECT_NEAR(sum.guided[1] / density, c.guided1, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaneWaveFlux,
    ::testing::Values(
        // Up through the lid: all radiated.
        WaveCase{"up through the top", 2, +1, {{1, 0}, 0, 0}, {0, {1, 0}, 0}, 100, 0, 0, 0},
        // Along +x out of port 2's face: the window 12, the substrate beside it 6, the air 22.
        WaveCase{"out through port 2's face", 0, +1, {0, 0, {0, 1}}, {0, {0, -1}, 0}, 22, 6, 0, 12},
        // Along +x into port 1's face: the same parts, inward.
        WaveCase{"in through port 1's face", 0, -1, {0, {1, 0}, 0}, {0, 0, {1, 0}}, -22, -6, -12, 0},
        // Along -y out of the low side: substrate 10, air 30; half the
        // density when E and H are 60 degrees apart in phase.
        WaveCase{"out of the side", 1, -1, {0, 0, {2, 0}}, {{-0.25, 0.433012701892219}, 0, 0}, 15, 5, 0, 0}),
    testing::CaseName{});

// On a straight lossless line nothing leaves the box but the line, and the
// power through port 2's window is |S21|^2 of the incident; the field's
// power and the probes' agree within a few per cent.
TEST(FullWave, StraightLineFluxBox) {
  SolveOptions opt;
  opt.exe = find_executable("openEMS");
  if (opt.exe.empty()) GTEST_SKIP() << "openEMS is not installed (tools/ensure-toolchain)";
  opt.run.dump_freqs = {8e9, 12e9};
  const Model m = fifty_ohm_line();
  Solution s;
  std::string error;
  std::ostringstream log;
  ASSERT_TRUE(solve(m, MeshLevel::Coarse, {8e9, 10e9, 12e9}, opt, log, s, error)) << error << log.str();
  ASSERT_EQ(s.shares.size(), 2u);
  for (std::size_t k = 0; k < 2; ++k) {
    EXPECT_LT(s.shares[k].radiated + s.shares[k].surface, 0.01) << s.dump_freq[k];
    EXPECT_NEAR(s.shares[k].guided[1], std::norm(s.s21[2 * k]), 0.02) << s.dump_freq[k];
    EXPECT_NEAR(s.flux_ratio[k], 0.95, 0.04) << s.dump_freq[k];
  }
}

}  // namespace
}  // namespace quorvane::em
