// The warnings before a board is paid for: each triggered once, on the error
// stream only; the transcript and the storage file are those of the same
// session without the fault's trigger where the reports allow it.
#include <gtest/gtest.h>

#include "support/session.hpp"

namespace quorvane::testing {
namespace {

const std::string kFr4 = "fo = 2.45 GHz\nbw = 3 %\nripple = 0.5 dB\npoles = 5\nconstruction = microstrip\ner = 4.4\n";

struct Warned {
  const char* what;
  std::string design;  // a design file, or
  std::string script;  // typed answers when the design file cannot say it
  std::string warning;
};

TEST(DesignWarnings, EachIsOneLineOnTheErrorStream) {
  const std::vector<Warned> cases = {
      {"1.6 typed as inches", kFr4 + "h = 1.6 in\ntand = 0.0001\n", "",
       "section 3's strip is 128.050 mm wide, more than a wavelength in the substrate at Fo (58.331 mm)"},
      {"a mode below Fo", kFr4 + "h = 1.6 in\ntand = 0.0001\n", "",
       "higher-order modes may start at 0.551 GHz, below Fo = 2.450 GHz"},
      {"a foil of 0.01 inch", kFr4 + "h = 1.6 mm\nt = 0.01 in\ntand = 0.0001\n", "",
       "a strip thickness of 0.254 mm is thicker than any etched foil"},
      {"the gaps of a 1.5 mm board house", kFr4 + "h = 1.6 mm\ntand = 0.0001\netch = 1.5 mm\n", "",
       "section 1's gap, 1.173 mm, is below the 1.500 mm a board house etches."},
      {"the widths of a 2.9 mm board house", kFr4 + "h = 1.6 mm\ntand = 0.0001\netch = 2.9 mm\n", "",
       "section 1's strip width, 2.861 mm, is below the 2.900 mm a board house etches."},
      {"FR-4's loss tangent", kFr4 + "h = 1.6 mm\ntand = 0.02\n", "", "the passband loss will be about 22.9 dB"},
      {"a sweep above the mode limit", kFr4 + "h = 1.6 mm\ntand = 0.0001\nsweep = 2 GHz to 20 GHz step 1 GHz\n", "",
       "the analysis runs to 20.000 GHz, above 14.289 GHz"},
      {"7 at the thickness menu", "", "10000\n500\n1\n0.1\n1\n4\n50\n\n\n\n2\n2\n1\n\n\n7\n2\n4\n",
       "7 is not on the strip thickness menu (1 to 6); 1, zero thickness, is taken."},
      {"-3 at the roughness menu", "",
       "10000\n500\n1\n0.1\n1\n4\n50\n\n\n\n2\n2\n1\n\n\n\n2\n1\n9000\n11000\n500\n\n\n\n-3\n\n\n2\n4\n",
       "-3 is not on the surface roughness menu (1 to 5); 4, the default, is taken."}};
  for (const Warned& c : cases) {
    SCOPED_TRACE(c.what);
    Session s;
    std::ofstream(s.folder() / "d") << c.design;
    const SessionResult r = c.design.empty() ? s.run(c.script) : s.run("", {"--design", (s.folder() / "d").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("warning"), std::string::npos);
    const std::vector<std::string> lines = lines_of(r.err);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const std::string& l) {
                              return l.rfind("Quorvane: warning: " + c.warning, 0) == 0;
                            }),
              1)
        << r.err;
  }
}

}  // namespace
}  // namespace quorvane::testing
