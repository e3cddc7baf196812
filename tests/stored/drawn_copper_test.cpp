// The copper as drawn, analysed from whole sessions of the program: the
// stored analysis reproduced by the four-port with ideal open ends and the
// stored quarter-wave phases, checked against the program's two-port models
// on the same copper; and the centre of the copper as printed and as
// compensated for its open ends, against Fo.
#include "stored/drawn_copper.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "analysis/microstrip_section.hpp"
#include "analysis/sparam.hpp"
#include "analysis/stripline_section.hpp"
#include "support/case_name.hpp"
#include "support/session.hpp"
#include "view/view_app.hpp"

namespace quorvane::stored {
namespace {

using view::run_view;
using view::ViewOptions;
using view::ViewResult;

struct DesignCase {
  const char* what;
  int poles;
  const char* construction;  // the construction answers: microstrip or stripline on the shipped substrate
  float printed_below;       // the copper as printed centres at least this far below Fo, per cent
  float two_port_db;         // the four-port equals the two-port models within this, dB
  float stored_db;           // and the stored S21 table within this, dB (both beyond single-precision rounding)
};

// Centre shift from Fo, per cent.
float shift(float centre, float f0) { return 100.0f * (centre - f0) / f0; }

// The stored response of `f` by the program's own two-port section models.
std::vector<float> two_port_s21(const DrawnFilter& f, const ElectricalTable& el, const AnalysisTable& a) {
  std::vector<float> db;
  for (const AnalysisRow& row : a.rows) {
    ChainMatrix rsc = ChainMatrix::identity();
    for (size_t k = 0; k < f.sections.size(); ++k) {
      const DrawnSection& s = f.sections[k];
      if (f.construction == DrawnConstruction::Microstrip)
        qvnams(prepare_microstrip_section(f.er, s.length, f.h, f.t, s.w, s.s, s.freqoe, s.freqoo), row.freq, f.loss,
               rsc);
      else
        qvnasl(row.freq, f.er, 11811.0234f / (4.0f * s.freqoe), f.h, f.t, s.w, s.s, el.rows[k].zoe, el.rows[k].zoo, f.loss, rsc);
    }
    db.push_back(10.0f * std::log10(std::fmax(std::norm(sparam(rsc, f.zs, f.zl).s21), 1.0e-20f)));
  }
  return db;
}

class DrawnDesign : public ::testing::TestWithParam<DesignCase> {};

TEST_P(DrawnDesign, LandsOnFoWhenCompensated) {
  const DesignCase& c = GetParam();
  quorvane::testing::Session session;
  const std::string script = "10000\n500\n1\n0.05\n1\n" + std::to_string(c.poles) + "\n50\n" +
                             std::string(static_cast<size_t>(c.poles / 2 + 1), '\n') + "1\nd.txt\n\n" +
                             c.construction + "1\n\n8000\n11000\n10\n\n\n\n\n\n1\n1\n4\n";
  const auto run = session.run(script);
  ASSERT_EQ(run.status, 0) << run.err << run.out.substr(run.out.size() > 3000 ? run.out.size() - 3000 : 0);
  std::istringstream in(session.file("d.txt"));
  const ParsedStorage p = parse_storage(in);
  ASSERT_EQ(p.reports.size(), 3u);
  const StoredReport& dims = p.reports[1];
  const auto& el = std::get<ElectricalTable>(p.reports[0].table);
  const auto& a = std::get<AnalysisTable>(p.reports[2].table);
  const float f0 = dims.summary.f0;

  // The stored analysis: ideal open ends, each mode a quarter wave at Fo
  // (stripline: the quarter guide wavelength).  The four-port equals the
  // two-port models on the same copper (in stripline up to the loss of each
  // mode, which the stub-line-stub circuit shares out between its elements);
  // both differ from the stored table by the rounding of the printed widths
  // and gaps, a unit or two of the printed digit of S21.  (In the weakly
  // coupled inner sections of 12 poles the two mode phases differ by 6e-5
  // rad, and a unit of their last bit moves B by 1e-4: the passband there
  // agrees to 0.003 dB.)
  DrawnFilter stored = drawn_filter(dims, a, &el, CopperDrawing::AsPrinted);
  stored.open_ends = false;
  use_quarter_wave_phases(stored);
  const DrawnAnalysis four = analyse_drawn(stored, a, false);
  const std::vector<float> two = two_port_s21(stored, el, a);
  for (size_t i = 1; i + 1 < a.rows.size(); ++i) {
    // Single precision: 2e-5 of the level, and 2 ppm of the frequency on a skirt.
    const float slope = std::fabs(two[i + 1] - two[i - 1]) / (a.rows[i + 1].freq - a.rows[i - 1].freq);
    const float rounding = 2e-5f * std::fabs(two[i]) + 2e-6f * a.rows[i].freq * slope;
    EXPECT_NEAR(four.s21db[i], two[i], c.two_port_db + rounding) << a.rows[i].freq << " MHz";
    EXPECT_NEAR(four.s21db[i], a.rows[i].s21db, c.stored_db + rounding) << a.rows[i].freq << " MHz";
  }
  EXPECT_NEAR(four.centre_drawn, four.centre_stored, 0.5f);

  // The printed lengths alone (ideal open ends) move the centre a little;
  // the open ends move the printed copper out of its passband, and the
  // compensated copper lands within 0.5 % of Fo.
  DrawnFilter printed = drawn_filter(dims, a, &el, CopperDrawing::AsPrinted);
  printed.open_ends = false;
  const float alone = analyse_drawn(printed, a, false).centre_drawn;
  const float as_printed = analyse_drawn(drawn_filter(dims, a, &el, CopperDrawing::AsPrinted), a, false).centre_drawn;
  const float compensated = analyse_drawn(drawn_filter(dims, a, &el, CopperDrawing::Compensated), a, true).centre_drawn;
  EXPECT_LT(std::fabs(shift(alone, four.centre_stored)), 0.5f) << alone;
  EXPECT_LE(shift(as_printed, f0), -c.printed_below) << as_printed;
  EXPECT_LT(std::fabs(shift(compensated, f0)), 0.5f) << compensated;
  // Stripline: the extension from the geometry is the one the printed
  // open-end capacitance gives, to the capacitance's printed digits.
  DrawnFilter geometric = printed;
  for (DrawnSection& sec : geometric.sections) sec.open_end_pf = 0.0f;
  for (size_t k = 0; k < printed.sections.size(); ++k)
    EXPECT_NEAR(open_ends(geometric)[k].cap_pf, open_ends(printed)[k].cap_pf, 0.00006f) << "section " << k + 1;

  // Every drawing, and the response plot, says how the copper is drawn.
  for (const CopperDrawing drawing : {CopperDrawing::Compensated, CopperDrawing::AsPrinted}) {
    std::ostringstream log;
    ViewOptions options;
    options.drawing = drawing;
    const ViewResult res = run_view(session.folder() / "d.txt", session.folder() / "out", log, options);
    ASSERT_EQ(res.written.size(), printed.construction == DrawnConstruction::Stripline ? 14u : 13u) << log.str();
    const bool compensated = drawing == CopperDrawing::Compensated;
    for (const char* name : {"d-2-layout.svg", "d-2.dxf", "d-2-copper.gbr", "d-2.kicad_mod"})
      EXPECT_NE(session.file(std::string("out/") + name).find(copper_note(compensated).substr(1)), std::string::npos)
          << name;
    const std::string plot = session.file("out/d-3-response.svg");
    EXPECT_NE(plot.find(compensated ? "copper compensated for open ends: centre" : "copper as printed: centre"),
              std::string::npos);
    EXPECT_NE(log.str().find("stored analysis"), std::string::npos);
  }
  std::printf("      %s: stored %.1f, printed lengths with ideal ends %.1f (%+.2f %%), as printed %.1f (%+.2f %%), "
              "compensated %.1f MHz (%+.2f %%)\n",
              c.what, four.centre_stored, alone, shift(alone, four.centre_stored), as_printed, shift(as_printed, f0),
              compensated, shift(compensated, f0));
}

INSTANTIATE_TEST_SUITE_P(
    Designs, DrawnDesign,
    ::testing::Values(DesignCase{"demo microstrip 4 poles", 4, "1\n\n\n\n", 5.0f, 0.001f, 0.002f},
                      DesignCase{"microstrip 12 poles", 12, "1\n\n\n\n", 5.0f, 0.003f, 0.004f},
                      DesignCase{"stripline 4 poles", 4, "2\n\n\n\n", 5.0f, 0.02f, 0.02f}),
    quorvane::testing::CaseName{});

}  // namespace
}  // namespace quorvane::stored
