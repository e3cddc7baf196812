// The defaults file: values read by the shared number rule, the checks of
// each record, and the messages naming the failing record.
#include "dialogue/defaults_file.hpp"

#include <sstream>

#include <gtest/gtest.h>

#include "support/session.hpp"

namespace quorvane {
namespace {

using testing::defaults_with;
using testing::shipped_defaults;

DefaultsReading read_text(const std::string& text) {
  std::istringstream in(text);
  return read_defaults(in);
}

TEST(DefaultsFile, ShippedFileGivesItsDemonstrationValues) {
  const DefaultsReading r = read_text(shipped_defaults());
  ASSERT_TRUE(r.ok);
  const Defaults& d = r.values;
  EXPECT_EQ(d.f0def, 10000.0f);
  EXPECT_EQ(d.bwdef, 500.0f);
  EXPECT_EQ(d.itorbdef, 1);
  EXPECT_EQ(d.rippledef, 0.05f);
  EXPECT_EQ(d.f1def, 11000.0f);
  EXPECT_EQ(d.a1def, 40.0f);
  EXPECT_EQ(d.ndef, 4);
  EXPECT_EQ(d.z0def, 50.0f);
  EXPECT_EQ(d.msorsldef, 1);
  EXPECT_EQ(d.heightms, 0.025f);
  EXPECT_EQ(d.erms, 9.8f);
  EXPECT_EQ(d.heightsl, 0.125f);
  EXPECT_EQ(d.ersl, 2.2f);
  EXPECT_EQ(d.tlosdef, 0.0009f);
  EXPECT_EQ(d.fstartdef, 9000.0f);
  EXPECT_EQ(d.fstopdef, 11000.0f);
  EXPECT_EQ(d.fstepdef, 20.0f);
  EXPECT_EQ(d.fndef, "QuorvaneOUT.txt     ");
}

// One record replaced; the reading either passes or names the record.
struct RecordCase {
  const char* what;
  int record;
  const char* text;
  const char* failing_label;  // nullptr: the file passes
};

class DefaultsRecord : public ::testing::TestWithParam<RecordCase> {};

TEST_P(DefaultsRecord, PassesOrNamesTheRecord) {
  const RecordCase& c = GetParam();
  const DefaultsReading r = read_text(defaults_with(c.record, c.text));
  if (c.failing_label == nullptr) {
    EXPECT_TRUE(r.ok) << c.what;
    return;
  }
  ASSERT_FALSE(r.ok) << c.what;
  ASSERT_EQ(r.message.size(), 2u) << c.what;
  EXPECT_EQ(r.message[0], "      Error exists in Quorvane`s default data file: Quorvane.DEF.");
  EXPECT_EQ(r.message[1], std::string("      Fix entry for variable ") + c.failing_label +
                              " in Quorvane.DEF and try again.")
      << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Records, DefaultsRecord,
    ::testing::Values(
        RecordCase{"text after column 13 ignored", 2, "   9600.0    Fo 9x9", nullptr},
        RecordCase{"blanks inside the field", 2, "9 6 0 0", nullptr},
        RecordCase{"empty Fo reads 0 and fails", 2, "", "Fo.                 "},
        RecordCase{"letters in Fo", 2, "ten GHz", "Fo.                 "},
        RecordCase{"negative bandwidth", 3, "-500", "Bandwidth.          "},
        RecordCase{"response 2.4 is Butterworth", 4, "2.4", nullptr},
        RecordCase{"response 2.6 rounds to 3", 4, "2.6", "Response Type.      "},
        RecordCase{"skirt at the upper edge", 6, "10250", "Skirt Frequency.    "},
        RecordCase{"skirt at the lower edge", 6, "9750", "Skirt Frequency.    "},
        RecordCase{"skirt just above the edge", 6, "10250.01", nullptr},
        RecordCase{"skirt just below the edge", 6, "9749.99", nullptr},
        RecordCase{"skirt inside the passband", 6, "10000", "Skirt Frequency.    "},
        RecordCase{"one pole", 8, "1", "# of Sections, N.   "},
        RecordCase{"13 poles", 8, "13", "# of Sections, N.   "},
        RecordCase{"12 poles", 8, "12", nullptr},
        RecordCase{"zero impedance", 9, "0", "System Impedance: Zo"},
        RecordCase{"construction 3", 10, "3", "ustrip or Stripline."},
        RecordCase{"zero height", 11, "0", "Microstrip`s H.     "},
        RecordCase{"Er below 1", 12, "0.99", "Microstrip`s Er.    "},
        RecordCase{"Er exactly 1", 14, "1.0", nullptr},
        RecordCase{"negative loss tangent", 15, "-0.001", "TLOS.               "},
        RecordCase{"blank file name", 19, "", "Output Data Filename"}));

TEST(DefaultsFile, NegativeSkirtAttenuationIsTakenAsPositive) {
  const DefaultsReading r = read_text(defaults_with(7, "-40"));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.values.a1def, 40.0f);
}

TEST(DefaultsFile, StartAtOrAboveStopMovesStartBelowStop) {
  std::string text = defaults_with(16, "2000");
  text = defaults_with(17, "1000", text);
  text = defaults_with(18, "10", text);
  const DefaultsReading r = read_text(text);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.values.fstartdef, 990.0f);
  EXPECT_EQ(r.values.fstopdef, 1000.0f);
}

TEST(DefaultsFile, ShortFileNamesTheFirstMissingRecord) {
  const std::vector<std::string> lines = testing::lines_of(shipped_defaults());
  std::string ten;
  for (int i = 0; i < 10; ++i) ten += lines[static_cast<std::size_t>(i)] + "\n";
  const DefaultsReading r = read_text(ten);
  ASSERT_FALSE(r.ok);
  ASSERT_EQ(r.message.size(), 3u);
  EXPECT_EQ(r.message[0], "      `End of file in Quorvane`s default data file: Quorvane.DEF.");
  EXPECT_EQ(r.message[1], "      Entry missing for variable: Microstrip`s H.     ");
  EXPECT_EQ(r.message[2], "      Fix entry for this variable in Quorvane.DEF and try again.");
}

TEST(DefaultsFile, EmptyFileMissesTheTitleRecord) {
  const DefaultsReading r = read_text("");
  ASSERT_FALSE(r.ok);
  EXPECT_EQ(r.message[1], "      Entry missing for variable: 1st line.           ");
}

}  // namespace
}  // namespace quorvane
