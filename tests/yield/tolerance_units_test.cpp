// Tolerances in an engineer's units, and what the summary says of its mask.
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>

#include "yield/yield_app.hpp"

namespace quorvane::yield {
namespace {

TEST(ToleranceUnits, ReadAsTheUnitSays) {
  struct Case {
    const char* text;
    bool er;
    bool ok;
    double model_per_unit;  // at a nominal of 0.063
    const char* unit;
  };
  for (const Case& c : {Case{"25um", false, true, 1.0 / 25400.0, "um"}, Case{"1mil", false, true, 0.001, "mil"},
                        Case{"0.001in", false, true, 1.0, "in"}, Case{"0.1 mm", false, true, 1.0 / 25.4, "mm"},
                        Case{"5%", false, true, 0.00063, "%"}, Case{"0.001", false, true, 1.0, ""},
                        Case{"0.1", true, true, 1.0, ""}, Case{"2%", true, true, 0.00063, "%"},
                        Case{"1mm", true, false, 0.0, ""}, Case{"-25um", false, false, 0.0, ""},
                        Case{"25 furlongs", false, false, 0.0, ""}, Case{"um", false, false, 0.0, ""}}) {
    SCOPED_TRACE(c.text);
    TypedTolerance t;
    ASSERT_EQ(read_tolerance(c.text, c.er, t), c.ok);
    if (!c.ok) continue;
    EXPECT_NEAR(model_per_unit(t, 0.063), c.model_per_unit, 1e-12);
    EXPECT_EQ(t.unit, c.unit);
  }
}

// The demonstration design under typed units: the rows per the unit given,
// the default mask its own loss plus 1 dB, and the criterion failing most.
TEST(ToleranceUnits, SummaryPerUnitAndDefaultMask) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("quorvane-units-" + std::to_string(::getpid()));
  YieldOptions opt;
  std::string error;
  ASSERT_TRUE(parse_options({std::string(QUORVANE_SOURCE_DIR) + "/docs/demo.txt", "--width", "25um", "--er", "5%",
                             "--samples", "40", "--threads", "1", "-o", dir.string()},
                            opt, error))
      << error;
  std::ostringstream out, log;
  ASSERT_EQ(run_yield_program(opt, out, log, false), 0) << log.str();
  const std::string s = out.str();
  EXPECT_NE(s.find("(the default: the nominal board's own passband loss plus 1 dB)"), std::string::npos);
  EXPECT_NE(s.find("width (etch bias)   um       25.00000"), std::string::npos) << s;
  EXPECT_NE(s.find("er                  %         5.00000"), std::string::npos) << s;
  EXPECT_NE(s.find("Failed most often:"), std::string::npos) << s;
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace quorvane::yield
