#include "session/design_file.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "dialogue/console.hpp"
#include "dialogue/number_reader.hpp"
#include "dimensions/construction_entry.hpp"
#include "synthesis/section_count.hpp"

namespace quorvane {

namespace {

constexpr std::size_t kMostLines = 1000;  // a design file is a page, not a stream
constexpr int kMaxPoles = 12;

// A bad entry: the message, thrown to the one place that names the line.
struct Fault {
  int line;
  std::string what;
};

struct Entry {
  std::string value;
  int line;
};

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The text in quotes as a message shows it.
std::string quoted(std::string_view text) {
  std::string q(1, '"');
  q += printable(text);
  q += '"';
  return q;
}

std::string trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return std::string(s.substr(first, s.find_last_not_of(" \t") - first + 1));
}

// Names and what each takes, for the message on an unknown name.
const std::set<std::string> kNames = {"fo",   "bw",   "response", "ripple", "poles",  "skirt",    "zo",
                                      "zi",   "storage", "store", "construction", "h", "er", "t",
                                      "sweep", "zs",  "zl",       "metal",  "roughness", "tand", "format",
                                      "rerun", "rerun_format", "etch"};

// Units as factors onto the dialogue's own unit.
using Units = std::map<std::string, double>;
const Units kFrequency = {{"hz", 1e-6}, {"khz", 1e-3}, {"mhz", 1.0}, {"ghz", 1e3}};
const Units kLength = {{"in", 1.0}, {"inch", 1.0}, {"mil", 1e-3}, {"mm", 1.0 / 25.4}, {"um", 1.0 / 25400.0}};
const Units kDecibel = {{"", 1.0}, {"db", 1.0}};
const Units kOhm = {{"", 1.0}, {"ohm", 1.0}, {"ohms", 1.0}};
const Units kPlain = {{"", 1.0}};
const Units kMicroInch = {{"uin", 1.0}, {"um", 1.0 / 0.0254}};

struct Quantity {
  double value;
  std::string unit;
};

class Reader {
 public:
  Reader(std::map<std::string, Entry> entries, const Defaults& def) : e_(std::move(entries)), def_(def) {}
  DesignScript convert();

 private:
  bool has(const std::string& name) const { return e_.count(name) != 0; }
  const Entry& at(const std::string& name) const { return e_.at(name); }
  [[noreturn]] void fail(const std::string& name, const std::string& what) const {
    throw Fault{at(name).line, name + ": " + what};
  }
  Quantity quantity(const std::string& name, const std::string& text) const;
  double in_units(const std::string& name, const std::string& text, const Units& units, const char* expected) const;
  // The answer for `name` as the dialogue reads it; "" when left out.
  float answer(const std::string& name, const Units& units, const char* expected, float low, float fallback,
               const char* range);
  float typed(const std::string& name, double value);
  void line(std::string text) { script_ += text + "\n"; }
  int choice_of_word(const std::string& name, const std::vector<std::string>& words);
  void design_entry();
  void construction();
  void analysis(const std::string& sweep, const std::string& format, const std::string& occasion);
  void storage(const std::string& occasion);
  std::vector<std::string> list(const std::string& name) const;

  std::map<std::string, Entry> e_;
  const Defaults& def_;
  std::string script_;
  float f0_ = 0.0f;
  bool file_open_ = false;
};

Quantity Reader::quantity(const std::string& name, const std::string& text) const {
  const char* begin = text.c_str();
  char* end = nullptr;
  const double v = std::strtod(begin, &end);
  // Decimal numbers only (strtod also reads hexadecimal, inf and nan).
  if (end == begin || !std::isfinite(v) || std::string_view(begin, end).find_first_of("xXpP") != std::string::npos)
    fail(name, quoted(text) + " does not begin with a number");
  if (std::fabs(v) > 1e30) fail(name, "the value is out of range");
  return {v, lower(trim(end))};
}

double Reader::in_units(const std::string& name, const std::string& text, const Units& units,
                        const char* expected) const {
  const Quantity q = quantity(name, text);
  const auto u = units.find(q.unit);
  if (u == units.end()) fail(name, "the unit \"" + printable(q.unit) + "\" does not fit; " + expected);
  return q.value * u->second;
}

// The shortest text of at most 13 characters that the dialogue reads as the
// single-precision value of `value`; it is then read back as the dialogue
// reads it, so that checks and the path of the prompts see the same number.
float Reader::typed(const std::string& name, double value) {
  if (!(std::fabs(value) < 1e30)) fail(name, "the value is out of range");
  // Plain decimals first (2450, 0.0625), then the exponent form.
  for (const char* form : {"%.*f", "%.*g"}) {
    for (int digits = 0; digits <= 12; ++digits) {
      char text[64];
      std::snprintf(text, sizeof text, form, digits, value);
      const NumberRead r = read_number(text);
      if (std::string_view(text).size() <= kNumberFieldWidth && r.ok && r.value == static_cast<float>(value)) {
        line(text);
        return r.value;
      }
    }
  }
  fail(name, "the value cannot be written in the 13 characters of an answer");
}

float Reader::answer(const std::string& name, const Units& units, const char* expected, float low, float fallback,
                     const char* range) {
  if (!has(name)) {
    line("");
    return fallback;
  }
  const double v = in_units(name, at(name).value, units, expected);
  if (!(v > low)) fail(name, std::string("the value is out of range: ") + range);
  return typed(name, v);
}

int Reader::choice_of_word(const std::string& name, const std::vector<std::string>& words) {
  const std::string v = lower(at(name).value);
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (v == words[i]) return static_cast<int>(i) + 1;
  }
  std::string known;
  for (const auto& w : words) {
    if (!known.empty()) known += ", ";
    known += w;
  }
  fail(name, quoted(at(name).value) + " is none of " + known);
}

std::vector<std::string> Reader::list(const std::string& name) const {
  std::vector<std::string> items;
  if (!has(name)) return items;
  std::string_view rest = at(name).value;
  for (std::size_t comma; (comma = rest.find(',')) != std::string_view::npos; rest.remove_prefix(comma + 1))
    items.push_back(trim(rest.substr(0, comma)));
  items.push_back(trim(rest));
  return items;
}

void Reader::design_entry() {
  f0_ = answer("fo", kFrequency, "a frequency (Hz, kHz, MHz, GHz)", 0.0f, def_.f0def, "above 0");
  float bw = def_.bwdef;
  if (!has("bw")) {
    line("");
  } else if (quantity("bw", at("bw").value).unit == "%") {
    const double percent = quantity("bw", at("bw").value).value;
    if (!(percent > 0.0)) fail("bw", "the value is out of range: above 0 %");
    bw = typed("bw", static_cast<double>(f0_) * percent / 100.0);
  } else {
    bw = answer("bw", kFrequency, "a frequency (Hz, kHz, MHz, GHz) or a percentage of fo", 0.0f, 0.0f, "above 0");
  }
  int response = def_.itorbdef;
  if (has("response")) {
    response = choice_of_word("response", {"tchebyscheff", "butterworth", "chebyshev"});
    if (response == 3) response = 1;
    line(std::to_string(response));
  } else {
    line("");
  }
  float ripple = 0.0f;
  if (response == 2 && has("ripple")) fail("ripple", "a Butterworth response has no ripple");
  if (response != 2) ripple = answer("ripple", kDecibel, "dB", 0.0f, def_.rippledef, "above 0 dB");

  int poles = def_.ndef;
  if (has("poles") && has("skirt")) fail("skirt", "give either poles or skirt, not both");
  if (has("skirt")) {
    const std::vector<std::string> parts = list("skirt");
    if (parts.size() != 2) fail("skirt", "a frequency and an attenuation, such as 2.7 GHz, 40 dB");
    line("2");
    const float flow = f0_ - 0.5f * bw, fhigh = f0_ + 0.5f * bw;
    const double f1 = in_units("skirt", parts[0], kFrequency, "a frequency (Hz, kHz, MHz, GHz)");
    if (!(f1 > 0.0) || (flow <= f1 && f1 <= fhigh)) fail("skirt", "the value is out of range: outside the passband");
    const float f1r = typed("skirt", f1);
    const double a1 = in_units("skirt", parts[1], kDecibel, "dB");
    if (!(a1 > 0.0)) fail("skirt", "the value is out of range: an attenuation above 0 dB");
    const float a1r = typed("skirt", a1);
    const SectionCount count = nsectn(ripple, a1r, f1r > fhigh ? fhigh : flow, f1r, fhigh, flow, kBandpass, response);
    if (count.ierr == 1 || count.n > kMaxPoles || count.n < 2)
      fail("skirt", "no number of poles from 2 to 12 reaches this attenuation");
    poles = count.n;
  } else {
    line("1");
    if (has("poles")) {
      const Quantity q = quantity("poles", at("poles").value);
      if (q.value < 2 || q.value > kMaxPoles) fail("poles", "the value is out of range: 2 to 12");
      if (!q.unit.empty() || q.value != static_cast<int>(q.value)) fail("poles", "a whole number");
      poles = static_cast<int>(q.value);
      line(std::to_string(poles));
    } else {
      line("");
    }
  }
  answer("zo", kOhm, "ohm", 0.0f, 0.0f, "above 0 ohm");
  const std::vector<std::string> zi = list("zi");
  const std::size_t prompts = static_cast<std::size_t>((poles + 2) / 2);
  if (zi.size() > prompts) fail("zi", std::to_string(poles) + " poles ask " + std::to_string(prompts) + " image impedances");
  for (std::size_t i = 0; i < prompts; ++i) {
    if (i >= zi.size() || zi[i].empty()) {
      line("");
      continue;
    }
    const double z = in_units("zi", zi[i], kOhm, "ohm");
    if (!(z > 0.0)) fail("zi", "the value is out of range: above 0 ohm");
    typed("zi", z);
  }
}

void Reader::storage(const std::string& occasion) {
  const std::vector<std::string> store = has("store") ? list("store") : std::vector<std::string>{};
  const bool wanted = has("store") ? std::count(store.begin(), store.end(), occasion) > 0 : has("storage");
  line(wanted ? "1" : "2");
  if (!wanted) return;
  // The name is asked at the first storage of a cycle, and at every analysis
  // while no report of the cycle went to a file.
  if (file_open_) return;
  line(has("storage") ? at("storage").value : "");
  if (occasion != "analysis" && occasion != "rerun") file_open_ = true;
}

void Reader::construction() {
  const int kind = choice_of_word("construction", {"microstrip", "stripline"});
  line(std::to_string(kind));
  const float h = answer("h", kLength, "a length (in, mil, mm, um)", 0.0f, kind == 2 ? def_.heightsl : def_.heightms,
                         "above 0");
  answer("er", kPlain, "a plain number", kMinimumEr, 0.0f, "1 or more");
  if (!has("t")) {
    line("");
  } else if (quantity("t", at("t").value).unit == "oz") {
    const double oz = quantity("t", at("t").value).value;
    if (oz != 0.5 && oz != 1.0 && oz != 2.0) fail("t", "the foils of the thickness menu are 0.5, 1 and 2 oz");
    line(oz == 0.5 ? "3" : oz == 1.0 ? "4" : "5");
  } else {
    const double t = in_units("t", at("t").value, kLength, "a length (in, mil, mm, um) or a foil in oz");
    if (t < 0.0 || (t > 0.0 && static_cast<float>(t) >= h)) fail("t", "the value is out of range: 0 up to below h");
    if (t == 0.0) {
      line("1");
    } else {
      line("6");
      typed("t", t);
    }
  }
  storage("dimensions");
}

void Reader::analysis(const std::string& sweep, const std::string& format, const std::string& occasion) {
  const std::string text = lower(at(sweep).value);
  const auto to = text.find(" to "), step = text.find(" step ");
  if (to == std::string::npos || step == std::string::npos || step < to)
    fail(sweep, "a range such as 2 GHz to 3 GHz step 2 MHz");
  const char* expected = "a frequency (Hz, kHz, MHz, GHz)";
  const double start = in_units(sweep, text.substr(0, to), kFrequency, expected);
  const double stop = in_units(sweep, text.substr(to + 4, step - to - 4), kFrequency, expected);
  const double df = in_units(sweep, text.substr(step + 6), kFrequency, expected);
  if (!(start > 0.0 && stop > start && df > 0.0)) fail(sweep, "the value is out of range: 0 < start < stop, step above 0");
  typed(sweep, start);
  typed(sweep, stop);
  typed(sweep, df);
  answer("zs", kOhm, "ohm", 0.0f, 0.0f, "above 0 ohm");
  answer("zl", kOhm, "ohm", 0.0f, 0.0f, "above 0 ohm");
  if (has("construction")) {
    line(has("metal") ? std::to_string(choice_of_word("metal", {"silver", "copper", "gold", "aluminum", "brass", "steel"}))
                      : "");
    if (has("roughness")) {
      const double sr = in_units("roughness", at("roughness").value, kMicroInch, "uin or um");
      const float choices[] = {40.0f, 20.0f, 10.0f, 5.0f, 1.0f};
      const auto hit = std::find(std::begin(choices), std::end(choices), static_cast<float>(sr));
      if (hit == std::end(choices)) fail("roughness", "the menu offers 40, 20, 10, 5 and 1 uin");
      line(std::to_string(hit - std::begin(choices) + 1));
    } else {
      line("");
    }
    answer("tand", kPlain, "a plain number", 0.0f, 0.0f, "above 0");
  }
  line(has(format) ? std::to_string(choice_of_word(format, {"s", "vswr"})) : "");
  storage(occasion);
}

DesignScript Reader::convert() {
  for (const char* name : {"metal", "roughness", "zs", "zl", "format", "rerun"})
    if (has(name) && !has("sweep")) fail(name, "is used by an analysis: name a sweep");
  if (has("rerun_format") && !has("rerun")) fail("rerun_format", "is used by a re-run: name a rerun");
  for (const char* name : {"h", "er", "t"})
    if (has(name) && !has("construction")) fail(name, "is used by the dimensions: name a construction");
  if (has("storage")) {
    const std::string& name = at("storage").value;
    if (name.size() > 20 || name == kDefaultsFileName) fail("storage", "a file name of up to 20 characters, not " +
                                                                           std::string(kDefaultsFileName));
  }
  for (const std::string& occasion : list("store"))
    if (occasion != "electrical" && occasion != "dimensions" && occasion != "analysis" && occasion != "rerun")
      fail("store", quoted(occasion) + " is none of electrical, dimensions, analysis, rerun");

  DesignScript out;
  if (has("etch")) {
    out.board_minimum_inch = in_units("etch", at("etch").value, kLength, "a length (in, mil, mm, um)");
    if (!(out.board_minimum_inch > 0.0)) fail("etch", "the value is out of range: above 0");
  }
  if (has("tand")) out.loss_tangent = in_units("tand", at("tand").value, kPlain, "a plain number");
  design_entry();
  storage("electrical");
  if (has("construction")) {
    line("2");
    construction();
    line(has("sweep") ? "1" : "4");
  } else {
    line(has("sweep") ? "1" : "4");
  }
  if (has("sweep")) {
    analysis("sweep", "format", "analysis");
    if (has("rerun")) {
      line("1");
      analysis("rerun", "rerun_format", "rerun");
    }
    line("4");
  }
  out.answers = script_;
  return out;
}

}  // namespace

DesignScript read_design_file(std::istream& in, const std::string& name, const Defaults& defaults) {
  std::map<std::string, Entry> entries;
  std::string text;
  int number = 0;
  try {
    while (read_bounded_line(in, text, 4096)) {
      if (++number > static_cast<int>(kMostLines)) throw Fault{number, "a design file has at most 1000 lines"};
      const std::string content = trim(std::string_view(text).substr(0, text.find('#')));
      if (content.empty()) continue;
      const auto equals = content.find('=');
      if (equals == std::string::npos) throw Fault{number, "a line is name = value"};
      const std::string key = lower(trim(std::string_view(content).substr(0, equals)));
      if (kNames.count(key) == 0) throw Fault{number, "unknown name \"" + printable(key) + "\""};
      if (entries.count(key) != 0)
        throw Fault{number, key + " is given twice (first on line " + std::to_string(entries.at(key).line) + ")"};
      entries[key] = Entry{trim(std::string_view(content).substr(equals + 1)), number};
    }
    return Reader(std::move(entries), defaults).convert();
  } catch (const ReadFailure& failure) {
    return DesignScript{"quorvane: " + printable(name) + ": " + failure.what() + ".", {}};
  } catch (const Fault& fault) {
    return DesignScript{"quorvane: " + printable(name) + ":" + std::to_string(fault.line) + ": " + fault.what + ".", {}};
  }
}

}  // namespace quorvane
