// Extreme but legal designs through every phase of one session: the
// electrical report, the ideal analysis, the microstrip dimensions and their
// analysis, the stripline dimensions and their analysis, all stored in one
// file.  Each ends in order and prints what the layouts dictate for values
// that do not fit (asterisks) or are not numbers (NaN).  Also the stripline
// strip that does not fit between its ground planes, refused on every path,
// and repeated stripline runs that keep their report.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/invariants.hpp"
#include "support/session.hpp"

namespace quorvane::testing {
namespace {

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The electrical answers of a Chebyshev design with typed poles: Fo, BW,
// ripple, N, Zo and one image impedance for every prompt.
std::string design(const std::string& f0, const std::string& bw, const std::string& ripple, int n,
                   const std::string& z0, const std::string& zi) {
  std::string s = f0 + "\n" + bw + "\n1\n" + ripple + "\n1\n" + std::to_string(n) + "\n" + z0 + "\n";
  for (int i = 0; i < (n + 2) / 2; ++i) s += zi + "\n";
  return s;
}

const std::string kRoadDesign = design("10000", "500", "0.1", 4, "50", "");

struct Extreme {
  const char* what;
  std::string design;      // electrical answers up to the first storage question
  std::string microstrip;  // H, Er and the thickness answers
  std::string stripline;   // B, Er and the thickness answers
  std::string sweep;       // start, stop and step answers
  std::string tlos;        // loss tangent answer
  std::vector<std::string> shows;  // texts the console must show
};


// Storage yes at every occasion into X.txt (asked once); menu 1 to the ideal
// analysis, menu 3 to the microstrip construction, menu 2 to its analysis,
// menu 3 to the stripline construction, menu 2 to its analysis, then exit.
std::string whole_session(const Extreme& c) {
  const std::string losses = "\n\n" + c.tlos + "\n";  // copper, 5 micro-inch, the loss tangent
  return c.design + "1\nX.txt\n" +                    //
         "1\n" + c.sweep + "\n\n" + "\n" + "1\n" +     // ideal analysis
         "2\n" + "1\n" + c.microstrip + "1\n" +         // microstrip dimensions
         "1\n" + c.sweep + "\n\n" + losses + "\n" + "1\n" +  //
         "2\n" + "2\n" + c.stripline + "1\n" +          // stripline dimensions
         "1\n" + c.sweep + "\n\n" + losses + "2\n" + "1\n" +  // format 2
         "4\n";
}

void finishes_every_phase(const Extreme& c) {
  Session session;
  const auto start = std::chrono::steady_clock::now();
  const SessionResult r = session.run(whole_session(c));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(without_warnings(r.err), "");
  EXPECT_LT(seconds, 5.0);
  EXPECT_EQ(broken_invariant(r.status, r.out, r.err, session.folder()), "");
  // Menu 1 once, menu 2 after each construction, menu 3 after each analysis.
  EXPECT_EQ(count(r.out, "SYNTHESIS of the Distributed Electrical Circuit for your Filter completed."), 1u);
  EXPECT_EQ(count(r.out, "SYNTHESIS of Physical Dimensions for your Filter completed."), 2u);
  EXPECT_EQ(count(r.out, "Frequency Analysis of your Bandpass Filter completed."), 3u);
  EXPECT_EQ(count(r.out, "Construction= Microstrip"), 1u);
  EXPECT_EQ(count(r.out, "Construction= Stripline "), 1u);
  EXPECT_EQ(count(r.out, "Quarterwave = "), 1u);
  // Every analysis ran its sweep to the closing lines.
  EXPECT_EQ(count(r.out, "Analysis not run"), 0u);
  EXPECT_EQ(count(r.out, "      Load   Impedance: ZL = "), 3u);
  // All six reports are in the file, each with its closing storage line.
  const std::string stored = session.file("X.txt");
  EXPECT_EQ(count(stored, "RF/Microwave Computer-Aided Engineering Design Data For"), 6u);
  EXPECT_EQ(count(stored, "        Output data stored in User filename: X.txt"), 3u);
  EXPECT_EQ(count(stored, "        Output Data stored in User filename: X.txt"), 3u);
  for (const std::string& text : c.shows) EXPECT_NE(r.out.find(text), std::string::npos) << text;
}

// Sweeps of a few rows around each centre frequency keep the cases short.
const std::string kRoadSweep = "9500\n10500\n250\n";
const std::string kShippedMicrostrip = "\n\n\n";  // H 0.025, Er 9.8, zero thickness
const std::string kShippedStripline = "\n\n\n";   // B 0.125, Er 2.2, zero thickness

TEST(ExtremeDesign, FinishesEveryPhase) {
  const std::vector<Extreme> cases{
      // 0.25 * 11802.158 / 0.001 inches does not fit F6.4 or F8.4; 0.0009 MHz prints as 0.00.
      Extreme{"f0 of 0.001 MHz", design("0.001", "0.0005", "0.1", 4, "50", ""), kShippedMicrostrip,
              kShippedStripline, "0.0009\n0.0011\n0.0001\n", "", {"Fo   =     0.001 MHz",
              "Quarterwave = ****** Inches", "Quarter Wavelength =******** inches.",
              "            0.00 "}},
      // 1e6 needs 11 columns of F9.3.
      Extreme{"f0 of 1e6 MHz", design("1E6", "1E5", "0.1", 4, "50", ""), kShippedMicrostrip, kShippedStripline,
              "9E5\n1.1E6\n1E5\n", "", {"Fo   = ********* MHz", "      1000000.00 "}},
      Extreme{"a bandwidth above twice f0", design("1000", "2500", "0.1", 4, "50", ""), kShippedMicrostrip,
              kShippedStripline, "500\n1500\n250\n", "", {"Flow =  -250.000 MHz", "Fhigh=  2250.000 MHz"}},
      Extreme{"12 poles with a 3.5 dB ripple", design("10000", "500", "3.5", 12, "50", ""), kShippedMicrostrip,
              kShippedStripline, kRoadSweep, "", {"# of Poles  = 12", "Ripple (Am) = 3.500 dB",
              "Ripple (Am) = 3.50000 dB", "        13   ", "12 13"}},
      // Zo / ZI = 50000 makes the end inverters' radicand negative: NaN.
      Extreme{"image impedances of 0.001 ohm", design("10000", "500", "0.1", 4, "50", "0.001"), kShippedMicrostrip,
              kShippedStripline, kRoadSweep, "", {"    0  1       NaN    NaN     0.00        NaN        NaN"}},
      // Even- and odd-mode impedances near 1e6 ohm overflow their fields;
      // no strip realises them, and the analysis of such a filter is NaN.
      Extreme{"image impedances of 1e6 ohm", design("10000", "500", "0.1", 4, "50", "1E6"), kShippedMicrostrip,
              kShippedStripline, kRoadSweep, "", {"***********************",
              "Not realizable in Stripline for its Zoe and Zoo", "     NaN    NaN"}},
      Extreme{"H and B of 1e-6 inch", kRoadDesign, "1E-6\n\n\n", "1E-6\n\n\n", kRoadSweep, "",
              {"H    =     0.000 inches", "B    =     0.000 inches"}},
      Extreme{"H and B of 1000 inch", kRoadDesign, "1000\n\n\n", "1000\n\n\n", kRoadSweep, "",
              {"H    =  1000.000 inches", "B    =  1000.000 inches"}},
      Extreme{"Er of 1", kRoadDesign, "\n1\n\n", "\n1\n\n", kRoadSweep, "",
              {"Er   =     1.000         Construction= Microstrip",
               "Er   =     1.000         Construction= Stripline"}},
      Extreme{"Er of 1000", kRoadDesign, "\n1000\n\n", "\n1000\n\n", kRoadSweep, "",
              {"Er   =  1000.000         Construction= Microstrip",
               "Er   =  1000.000         Construction= Stripline"}},
      // 10.00000 needs 8 columns of F7.5.
      Extreme{"a loss tangent of 10", kRoadDesign, kShippedMicrostrip, kShippedStripline, kRoadSweep, "10",
              {"Loss Tangent = *******"}},
      Extreme{"a typed thickness just below H and B", kRoadDesign, "\n\n6\n0.02499\n", "\n\n6\n0.12499\n",
              kRoadSweep, "", {"H    =     0.025 inches  Strip Thick = 0.0250 inches",
              "B    =     0.125 inches  Strip Thick = 0.1250 inches"}},
      Extreme{"everything extreme at once", design("1E6", "3E6", "3.5", 12, "1E6", "1E6"),
              "1E-6\n1000\n6\n0.00000099\n", "1000\n1\n5\n", "1E5\n1.1E6\n5E5\n", "10",
              {"Loss Tangent = *******"}}};
  for (const Extreme& c : cases) {
    SCOPED_TRACE(c.what);
    finishes_every_phase(c);
  }
}

// A stripline strip as thick as B or thicker is refused at the construction
// entry, whichever way the thickness and B were given, and the thickness
// menu is asked again; the report and the analysis then use the thickness
// finally accepted.
struct TooThick {
  const char* what;
  std::string defaults;      // the defaults file
  std::string construction;  // answers from "Desired Physical CONSTRUCTION" on
  std::size_t refusals;
  const char* summary;       // the height line of the dimensional report
};

void is_refused_and_never_computed_with(const TooThick& c) {
  Session session(c.defaults);
  // Storage of the electrical report only; construction from menu 1; the
  // analysis from menu 2, then once more a construction from menu 3.
  const std::string script = kRoadDesign + "1\nT.txt\n" + "2\n" + c.construction + "\n" + "1\n" + kRoadSweep +
                             "\n\n\n\n\n\n\n" + "2\n" + c.construction + "\n" + "4\n";
  const SessionResult r = session.run(script);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(broken_invariant(r.status, r.out, r.err, session.folder()), "");
  EXPECT_EQ(count(r.out, "does not fit in B ="), 2 * c.refusals);
  EXPECT_EQ(count(r.out, "select a thinner strip."), 2 * c.refusals);
  EXPECT_EQ(count(r.out, c.summary), 2u) << r.out;
  EXPECT_EQ(count(r.out, "Analysis not run"), 0u);
  // The refusal is a console line, not a report line.
  EXPECT_EQ(count(session.file("T.txt"), "does not fit"), 0u);
}

TEST(StriplineStripAtOrAboveB, IsRefusedAndNeverComputedWith) {
  const std::vector<TooThick> cases{
      TooThick{"choice 2 equal to B", shipped_defaults(), "2\n0.0002\n\n2\n1\n", 1,
               "B    =     0.000 inches  Strip Thick = 0.0000 inches"},
      TooThick{"choice 3 above B", shipped_defaults(), "2\n0.0006\n\n3\n2\n", 1,
               "B    =     0.001 inches  Strip Thick = 0.0002 inches"},
      TooThick{"choice 4 above B, then typed", shipped_defaults(), "2\n0.001\n\n4\n6\n0.0009\n", 1,
               "B    =     0.001 inches  Strip Thick = 0.0009 inches"},
      TooThick{"choice 5 equal to B, then the empty default", shipped_defaults(), "2\n0.0028\n\n5\n\n", 1,
               "B    =     0.003 inches  Strip Thick = 0.0000 inches"},
      TooThick{"B from the defaults file, choices 2 to 5 in turn", defaults_with(13, "0.0001"),
               "2\n\n\n2\n3\n4\n5\n1\n", 4, "B    =     0.000 inches  Strip Thick = 0.0000 inches"},
      TooThick{"a typed thickness at or above B is B/100, not refused", defaults_with(13, "0.2"),
               "2\n\n\n6\n0.3\n", 0, "B    =     0.200 inches  Strip Thick = 0.0020 inches"},
      TooThick{"a microstrip foil above H is not refused", shipped_defaults(), "1\n0.0002\n\n5\n", 0,
               "H    =     0.000 inches  Strip Thick = 0.0028 inches"}};
  for (const TooThick& c : cases) {
    SCOPED_TRACE(c.what);
    is_refused_and_never_computed_with(c);
  }
}

// The session that ends at the question asked again after a refusal keeps
// in its file every report line printed before.
TEST(StriplineStripAtOrAboveB, EndingAfterARefusalKeepsTheStoredReport) {
  Session session;
  const SessionResult r = session.run(kRoadDesign + "1\nT.txt\n" + "2\n" + "2\n0.001\n\n5\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(broken_invariant(r.status, r.out, r.err, session.folder()), "");
  const std::vector<std::string> stored = lines_of(session.file("T.txt"));
  ASSERT_EQ(stored.size(), 29u);
  EXPECT_EQ(stored.back(), "        Output data stored in User filename: T.txt               ");
}

// Ten stripline syntheses of one design, each followed by an analysis, give
// ten identical dimensional reports and ten identical analyses; a microstrip
// synthesis afterwards aims at the impedance the stripline line found.
TEST(RepeatedStriplineSynthesis, KeepsItsReportAndItsAnalysis) {
  Session session;
  std::string script = design("10000", "500", "0.1", 4, "75", "") + "\n" + "2\n";
  const std::string stripline = "2\n0.05\n10.2\n4\n\n";  // B 0.05, Er 10.2, T 0.0014, no storage
  const std::string analysis = "1\n" + kRoadSweep + "\n\n\n\n\n\n\n";
  for (int run = 0; run < 10; ++run) script += stripline + analysis + "2\n";
  script += "1\n\n\n4\n\n" + analysis + "4\n";
  const SessionResult r = session.run(script);
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> dimensions;
  std::vector<std::string> analyses;
  const std::string dims_head = "SYNTHESIS of Physical Dimensions for your Parallel Coupled";
  const std::string analysis_head = "Frequency Analysis of your Parallel Coupled Line Bandpass Filter";
  const std::string menu = "Please select your next OPERATION:";
  for (std::size_t at = r.out.find(dims_head); at != std::string::npos; at = r.out.find(dims_head, at + 1)) {
    dimensions.push_back(r.out.substr(at, r.out.find(menu, at) - at));
  }
  for (std::size_t at = r.out.find(analysis_head); at != std::string::npos; at = r.out.find(analysis_head, at + 1)) {
    analyses.push_back(r.out.substr(at, r.out.find(menu, at) - at));
  }
  ASSERT_EQ(dimensions.size(), 11u);
  ASSERT_EQ(analyses.size(), 11u);
  for (std::size_t i = 1; i < 10; ++i) {
    EXPECT_EQ(dimensions[i], dimensions[0]) << "run " << i + 1;
    EXPECT_EQ(analyses[i], analyses[0]) << "run " << i + 1;
  }
  EXPECT_NE(dimensions[0].find("Zo of System=  75.00 Ohms"), std::string::npos) << dimensions[0];
  // The impedance the stripline line found, as its report prints it.
  const std::size_t for_zo = dimensions[0].find("For Zo = ");
  ASSERT_NE(for_zo, std::string::npos);
  const std::string found = dimensions[0].substr(for_zo + 9, 6);
  EXPECT_NE(found, " 75.00");
  EXPECT_NE(analyses[0].find("Zo of System= " + found + " Ohms"), std::string::npos) << analyses[0];
  EXPECT_NE(dimensions[10].find("Construction= Microstrip"), std::string::npos);
  EXPECT_NE(dimensions[10].find("Zo of System= " + found + " Ohms"), std::string::npos) << dimensions[10];
}

}  // namespace
}  // namespace quorvane::testing
