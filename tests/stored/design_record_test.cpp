// The design record of whole sessions: it agrees with its storage file, its
// text reads back to itself, and its floats are the syntheses' own, bit for
// bit (the syntheses rerun from the recorded inputs give the same bits).
#include "stored/design_record.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>

#include "stored/drawn_copper.hpp"
#include "stored/recorded_response.hpp"
#include "support/case_name.hpp"
#include "support/invariants.hpp"
#include "support/session.hpp"
#include "view/touchstone.hpp"

namespace quorvane::stored {
namespace {

using quorvane::testing::kRoadExample;
using quorvane::testing::Session;

// Bits, so that NaN equals NaN and -0 differs from 0.
std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

struct RecordCase {
  const char* what;
  std::string script;
  std::string file;
  int reports;  // in the record
};

class DesignRecordOfSession : public ::testing::TestWithParam<RecordCase> {};

TEST_P(DesignRecordOfSession, AgreesWithItsFileAndHoldsTheSynthesesOwnFloats) {
  const RecordCase& c = GetParam();
  Session session;
  ASSERT_EQ(session.run(c.script).status, 0);
  const std::string text = session.file(c.file + ".json");
  EXPECT_EQ(quorvane::testing::broken_record(session.file(c.file), text), "");
  const DesignRecord record = read_record(text);
  EXPECT_EQ(record_text(record), text);
  ASSERT_EQ(record.cycles.size(), 1u);
  const RecordedCycle& cycle = record.cycles[0];
  EXPECT_EQ(static_cast<int>(cycle.reports.size()), c.reports);

  // The copper as drawn comes from the record, with its bits; a file changed
  // by one byte loses its record and is read from its printed digits.
  std::ifstream in(session.folder() / c.file);
  const ParsedStorage storage = read_storage(session.folder() / c.file, in);
  ASSERT_TRUE(storage.record);
  const StoredReport& dims = *earlier_report(storage, storage.reports.back(), ReportKind::Dimensions);
  const DrawnFilter drawn = drawn_filter(dims, std::get<AnalysisTable>(storage.reports.back().table), nullptr,
                                         CopperDrawing::AsPrinted, storage.record.get());
  const RecordedDimensions* recorded = recorded_at<RecordedDimensions>(*storage.record, dims.first_line).report;
  ASSERT_NE(recorded, nullptr);
  for (size_t i = 0; i < drawn.sections.size(); ++i)
    std::visit([&](const auto& r) {
      EXPECT_EQ(bits(drawn.sections[i].w), bits(r.sections[i].w)) << i;
      EXPECT_EQ(bits(drawn.sections[i].length), bits(r.sections[i].flength)) << i;
    }, recorded->result);
  // Its Touchstone rows are the analysis's own: none moved within the
  // printed rounding, one for each row of the table.
  for (const StoredReport& r : storage.reports)
    if (const auto* a = std::get_if<AnalysisTable>(&r.table); a && a->format == 1) {
      const view::TouchstoneFile ts = view::touchstone(r, *a, c.file, {}, recorded_rows(storage, r));
      EXPECT_NE(ts.text.find("computed again from the design record"), std::string::npos);
      EXPECT_EQ(ts.rows_adjusted + ts.rows_not_passive, 0);
      EXPECT_EQ(ts.rows_written, static_cast<int>(a->rows.size()));
    }
  const std::string changed = session.file(c.file).replace(5, 1, "x");
  std::ofstream(session.folder() / c.file, std::ios::trunc) << changed;
  EXPECT_FALSE(record_beside(session.folder() / c.file));

  const ElectricalDesign e = synthesise_electrical(cycle.design);
  const int n = cycle.design.isections + 1;
  const std::vector<std::string> lines = quorvane::testing::lines_of(session.file(c.file));
  for (const RecordedReport& r : cycle.reports) {
    // The analysis computed again from the record prints the stored rows.
    if (const auto* a = std::get_if<RecordedAnalysis>(&r.content)) {
      std::string stored, again;
      for (long l = r.span.first; l <= r.span.last; ++l) stored += lines[static_cast<size_t>(l - 1)] + '\n';
      for (const RecordedRow& row : recorded_rows(cycle, *a)) again += response_line(a->print_format, row.row) + '\n';
      EXPECT_GT(again.size(), 500u);
      EXPECT_NE(stored.find(again), std::string::npos) << again;
    }
    if (const auto* got = std::get_if<ElectricalDesign>(&r.content)) {
      EXPECT_EQ(bits(got->bw3db), bits(e.bw3db));
      for (int k = 1; k <= n; ++k) {
        EXPECT_EQ(bits(got->g[k]), bits(e.g[k])) << k;
        EXPECT_EQ(bits(got->zoec[k]), bits(e.zoec[k])) << k;
        EXPECT_EQ(bits(got->zooc[k]), bits(e.zooc[k])) << k;
        EXPECT_EQ(bits(got->rows[k - 1].couplec), bits(e.rows[k - 1].couplec)) << k;
      }
    }
    const auto* d = std::get_if<RecordedDimensions>(&r.content);
    if (!d) continue;
    const Qvnzo modes{e.zoec, e.zooc, 0.0f, 0.0f};
    const Construction& k = d->construction;
    if (const auto* ms = std::get_if<MicrostripDimensions>(&d->result)) {
      const MicrostripDimensions want = synthesise_microstrip(cycle.design, modes, k.er, d->b, d->thick, d->z0_aim);
      EXPECT_EQ(bits(ms->tec), bits(want.tec));
      for (size_t i = 0; i < want.sections.size(); ++i) {
        EXPECT_EQ(bits(ms->sections[i].w), bits(want.sections[i].w)) << i;
        EXPECT_EQ(bits(ms->sections[i].s), bits(want.sections[i].s)) << i;
        EXPECT_EQ(bits(ms->sections[i].flength), bits(want.sections[i].flength)) << i;
      }
    } else {
      const auto& sl = std::get<StriplineDimensions>(d->result);
      const StriplineDimensions want =
          synthesise_stripline(cycle.design, modes, k.er, d->b, d->thick, k.t, d->z0_aim);
      EXPECT_EQ(bits(sl.z0), bits(want.z0));
      for (size_t i = 0; i < want.sections.size(); ++i) {
        EXPECT_EQ(bits(sl.sections[i].wb), bits(want.sections[i].wb)) << i;
        EXPECT_EQ(bits(sl.sections[i].capopen), bits(want.sections[i].capopen)) << i;
        EXPECT_EQ(bits(sl.sections[i].flength), bits(want.sections[i].flength)) << i;
      }
    }
  }
}


INSTANTIATE_TEST_SUITE_P(
    Goldens, DesignRecordOfSession,
    ::testing::Values(
        // The session of road_microstrip_lossy.txt: dimensions and two analyses stored.
        RecordCase{"microstrip lossy", kRoadExample + "\n\n1\n\n\n3\n1\nlossy.txt\n\n" +
                                           "9000\n11000\n100\n\n\n2\n4\n0.0005\n1\n1\n" +
                                           "1\n9800\n10200\n50\n50\n75\n3\n1\n\n2\n1\n\n",
                   "lossy.txt", 3},
        // Stripline, every report stored.
        RecordCase{"stripline", kRoadExample + "1\nS.txt\n\n2\n\n\n4\n1\n1\n9000\n11000\n100\n\n\n\n\n\n\n1\n\n", "S.txt", 3}),
    quorvane::testing::CaseName{});

// Values the dialogue can hold, each read back with its own bits.
TEST(DesignRecordText, FloatsReadBackBitForBit) {
  constexpr float inf = std::numeric_limits<float>::infinity();
  const float values[] = {0.1f, -0.0f, 1e-45f, std::numeric_limits<float>::max(), 16777217.0f, 9.8f,
                          inf,  -inf,  std::numeric_limits<float>::quiet_NaN()};
  for (const float v : values) {
    DesignRecord r;
    RecordedCycle& c = r.cycles.emplace_back();
    c.design.isections = 1;
    c.design.f0 = v;
    c.design.zi[2] = v;
    RecordedAnalysis analysis;
    analysis.er = v;
    c.reports.push_back({{1, 2}, analysis});
    const DesignRecord back = read_record(record_text(r));
    EXPECT_EQ(bits(back.cycles[0].design.f0), bits(v)) << v;
    EXPECT_EQ(bits(back.cycles[0].design.zi[2]), bits(v)) << v;
    EXPECT_EQ(bits(std::get<RecordedAnalysis>(back.cycles[0].reports[0].content).er), bits(v)) << v;
  }
}

// A storage name typed in bytes that are not UTF-8 is written with U+FFFD
// in their place, not thrown on (found by fuzzing the dialogue).
TEST(DesignRecordText, StorageNameThatIsNotUtf8) {
  DesignRecord r;
  r.storage_file = "W.\x8ext";
  EXPECT_EQ(read_record(record_text(r)).storage_file, "W.\xEF\xBF\xBDxt");
}

// What is not a record of this program is refused, with the reason.
TEST(DesignRecordText, RefusesWhatIsNotARecord) {
  const std::string good = record_text(DesignRecord{});
  const struct {
    std::string text;
    const char* reason;
  } cases[] = {
      {"{", "parse error"},
      {"[]", "no \"format\""},
      {std::string(good).replace(good.find("quorvane-design-record"), 8, "other-fo"), "not a design record"},
      {std::string(good).replace(good.find("\"version\": 1"), 12, "\"version\": 2"), "version"},
      {std::string(good).replace(good.find("\"lines\""), 7, "\"Lines\""), "no \"lines\""},
  };
  for (const auto& c : cases) {
    try {
      read_record(c.text);
      ADD_FAILURE() << c.text;
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace quorvane::stored
