#include "stored/design_record.hpp"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <stdexcept>

namespace quorvane::stored {

namespace {

// Numbers are single precision: written as the shortest decimal that reads
// back to the same float, read back with strtof.
using Json = nlohmann::basic_json<std::map, std::vector, std::string, bool, std::int64_t, std::uint64_t, float>;

// One member of a record structure: its JSON key, the unit (part of the key,
// "f0_MHz"), and the member.  The tables below drive both directions.
template <class S>
struct Field {
  const char* key;
  const char* unit;
  std::variant<float S::*, int S::*, bool S::*, std::string S::*, SectionValues S::*> member;

  std::string name() const { return *unit ? std::string(key) + "_" + unit : std::string(key); }
};

// JSON has no NaN or infinity: those are written as strings.
Json to_json(float v, int) {
  if (std::isfinite(v)) return v;
  return std::isnan(v) ? "NaN" : v > 0.0f ? "Infinity" : "-Infinity";
}
Json to_json(int v, int) { return v; }
Json to_json(bool v, int) { return v; }
Json to_json(const std::string& v, int) { return v; }
// Sections 1 ... n.
Json to_json(const SectionValues& v, int n) {
  Json a = Json::array();
  for (int k = 1; k <= n && k <= kMaxSections; ++k) a.push_back(to_json(v[k], 0));
  return a;
}

void from_json(const Json& j, float& v) {
  if (j.is_string()) {
    const std::string s = j.get<std::string>();
    if (s != "NaN" && s != "Infinity" && s != "-Infinity") throw std::invalid_argument("\"" + s + "\" is not a number");
    v = s == "NaN" ? std::numeric_limits<float>::quiet_NaN()
                   : (s[0] == '-' ? -1.0f : 1.0f) * std::numeric_limits<float>::infinity();
    return;
  }
  if (!j.is_number()) throw std::invalid_argument("a number was expected");
  v = j.get<float>();
}
void from_json(const Json& j, int& v) { v = j.get<int>(); }
void from_json(const Json& j, bool& v) { v = j.get<bool>(); }
void from_json(const Json& j, std::string& v) { v = j.get<std::string>(); }
void from_json(const Json& j, SectionValues& v) {
  if (!j.is_array() || j.size() > static_cast<std::size_t>(kMaxSections))
    throw std::invalid_argument("an array of at most 13 sections was expected");
  for (std::size_t i = 0; i < j.size(); ++i) from_json(j[i], v[static_cast<int>(i) + 1]);
}

template <class S, std::size_t N>
void put(Json& j, const S& s, const Field<S> (&fields)[N], int sections) {
  for (const Field<S>& f : fields) std::visit([&](auto m) { j[f.name()] = to_json(s.*m, sections); }, f.member);
}

template <class S, std::size_t N>
void take(const Json& j, S& s, const Field<S> (&fields)[N]) {
  for (const Field<S>& f : fields) {
    const std::string name = f.name();
    if (!j.contains(name)) throw std::invalid_argument("no \"" + name + "\"");
    try {
      std::visit([&](auto m) { from_json(j.at(name), s.*m); }, f.member);
    } catch (const std::exception& e) {
      throw std::invalid_argument("\"" + name + "\": " + e.what());
    }
  }
}

template <class S, std::size_t N>
Json put_rows(const std::vector<S>& rows, const Field<S> (&fields)[N]) {
  Json a = Json::array();
  for (const S& r : rows) {
    Json j = Json::object();
    put(j, r, fields, 0);
    a.push_back(std::move(j));
  }
  return a;
}

template <class S, std::size_t N>
std::vector<S> take_rows(const Json& j, const char* key, const Field<S> (&fields)[N]) {
  if (!j.contains(key) || !j.at(key).is_array()) throw std::invalid_argument(std::string("no \"") + key + "\" array");
  std::vector<S> rows;
  for (const Json& r : j.at(key)) take(r, rows.emplace_back(), fields);
  return rows;
}

using FR = FilterRequirements;
using ElectricalRow = quorvane::ElectricalRow;
const Field<FR> kDesignFields[] = {
    {"f0", "MHz", &FR::f0},           {"bw", "MHz", &FR::bw},
    {"omega", "", &FR::omega},        {"flow", "MHz", &FR::flow},
    {"fhigh", "MHz", &FR::fhigh},     {"response", "", &FR::itorb},
    {"response_name", "", &FR::torb}, {"ripple", "dB", &FR::ripple},
    {"poles_given", "", &FR::ifunc},  {"f1", "MHz", &FR::f1},
    {"fc", "MHz", &FR::fc},           {"a1", "dB", &FR::a1},
    {"a2", "dB", &FR::a2},            {"poles", "", &FR::isections},
    {"z0", "ohm", &FR::z0},           {"z0_entered", "ohm", &FR::z0_entered},
    {"zi", "ohm", &FR::zi},
};

const Field<ElectricalDesign> kElectricalFields[] = {
    {"bw3db", "MHz", &ElectricalDesign::bw3db}, {"g", "", &ElectricalDesign::g},
    {"zoe", "ohm", &ElectricalDesign::zoec},    {"zoo", "ohm", &ElectricalDesign::zooc},
    {"qe_input", "", &ElectricalDesign::qe0},   {"qe_output", "", &ElectricalDesign::qen},
};

const Field<ElectricalRow> kElectricalRowFields[] = {
    {"i", "", &ElectricalRow::i},         {"g", "", &ElectricalRow::element}, {"k", "", &ElectricalRow::k},
    {"zoe", "ohm", &ElectricalRow::zoe},  {"zoo", "ohm", &ElectricalRow::zoo}, {"zi", "ohm", &ElectricalRow::zi},
    {"j_zi", "", &ElectricalRow::jzi},    {"coupling", "", &ElectricalRow::couplec},
};

const Field<Construction> kConstructionFields[] = {
    {"construction", "", &Construction::msorsl}, {"er", "", &Construction::er},
    {"t_over_b", "", &Construction::t},          {"name", "", &Construction::slorms},
    {"height_label", "", &Construction::var1},
};

const Field<RecordedDimensions> kSubstrateFields[] = {
    {"b", "inch", &RecordedDimensions::b},
    {"thick", "inch", &RecordedDimensions::thick},
    {"z0_aim", "ohm", &RecordedDimensions::z0_aim},
};

using MD = MicrostripDimensions;
const Field<MD> kMicrostripFields[] = {
    {"total_length", "inch", &MD::total}, {"zo_width", "inch", &MD::wofz0}, {"zo_unrealizable", "", &MD::isyne},
    {"zo_eeff", "", &MD::eff},            {"quarter_wave", "inch", &MD::qwave}, {"zo_eeff_static", "", &MD::effdc},
    {"surface_wave_limit", "GHz", &MD::tmc}, {"te_mode_limit", "GHz", &MD::tec},
};

using MS = MicrostripSectionSize;
const Field<MS> kMicrostripSectionFields[] = {
    {"w", "inch", &MS::w},       {"s", "inch", &MS::s},           {"synthesis_flag", "", &MS::iflag},
    {"eeff_even", "", &MS::effef}, {"eeff_odd", "", &MS::effof}, {"eeff_weighted", "", &MS::effcf},
    {"length", "inch", &MS::flength}, {"fo_even", "MHz", &MS::freqoe}, {"fo_odd", "MHz", &MS::freqoo},
};

using SD = StriplineDimensions;
const Field<SD> kStriplineFields[] = {
    {"total_length", "inch", &SD::total}, {"zo_width", "inch", &SD::wofz0},   {"zo", "ohm", &SD::z0},
    {"zo_unrealizable", "", &SD::isyne},  {"quarter_wave", "inch", &SD::qwave}, {"mode_limit", "GHz", &SD::fmax},
};

using SS = StriplineSectionSize;
const Field<SS> kStriplineSectionFields[] = {
    {"w_over_b", "", &SS::wb},     {"s_over_b", "", &SS::sb},        {"realizable", "", &SS::realizable},
    {"w", "inch", &SS::w},         {"s", "inch", &SS::s},            {"zo_strip", "ohm", &SS::z0cohn},
    {"open_end_cap", "pF", &SS::capopen}, {"length", "inch", &SS::flength},
};

using RA = RecordedAnalysis;
const Field<RA> kAnalysisFields[] = {
    {"construction", "", &RA::construction}, {"er", "", &RA::er},
    {"fstart", "MHz", &RA::fstart},          {"fstop", "MHz", &RA::fstop},
    {"fstep", "MHz", &RA::fstep},            {"zs", "ohm", &RA::zs},
    {"zl", "ohm", &RA::zl},                  {"resistivity", "ohm_inch", &RA::res},
    {"roughness", "inch", &RA::sr},          {"loss_tangent", "", &RA::tlos},
    {"print_format", "", &RA::print_format}, {"lengths", "inch", &RA::flength},
    {"b", "inch", &RA::b},                   {"thick", "inch", &RA::thick},
    {"widths", "", &RA::wc},                 {"gaps", "", &RA::sc},
    {"zoe", "ohm", &RA::zoe},                {"zoo", "ohm", &RA::zoo},
    {"fo_even", "MHz", &RA::freqoe},         {"fo_odd", "MHz", &RA::freqoo},
};

struct ReportWriter {
  Json& j;
  int sections;
  void operator()(const ElectricalDesign& d) const {
    j["kind"] = "electrical";
    put(j["electrical"], d, kElectricalFields, sections);
    j["electrical"]["rows"] = put_rows(d.rows, kElectricalRowFields);
  }
  void operator()(const RecordedDimensions& d) const {
    j["kind"] = "dimensions";
    put(j["construction"], d.construction, kConstructionFields, sections);
    put(j["construction"], d, kSubstrateFields, sections);
    if (const auto* m = std::get_if<MicrostripDimensions>(&d.result)) {
      put(j["microstrip"], *m, kMicrostripFields, sections);
      j["microstrip"]["sections"] = put_rows(m->sections, kMicrostripSectionFields);
    } else {
      const auto& s = std::get<StriplineDimensions>(d.result);
      put(j["stripline"], s, kStriplineFields, sections);
      j["stripline"]["sections"] = put_rows(s.sections, kStriplineSectionFields);
    }
  }
  void operator()(const RecordedAnalysis& a) const {
    j["kind"] = "analysis";
    put(j["analysis"], a, kAnalysisFields, sections);
  }
};

const Json& member(const Json& j, const char* key) {
  if (!j.is_object() || !j.contains(key)) throw std::invalid_argument(std::string("no \"") + key + "\"");
  return j.at(key);
}

RecordedReport read_report(const Json& j) {
  RecordedReport r;
  r.span = {member(j, "first_line").get<long>(), member(j, "last_line").get<long>()};
  const std::string kind = member(j, "kind").get<std::string>();
  if (kind == "electrical") {
    ElectricalDesign d;
    take(member(j, "electrical"), d, kElectricalFields);
    d.rows = take_rows(member(j, "electrical"), "rows", kElectricalRowFields);
    r.content = std::move(d);
  } else if (kind == "dimensions") {
    RecordedDimensions d;
    take(member(j, "construction"), d.construction, kConstructionFields);
    take(member(j, "construction"), d, kSubstrateFields);
    if (j.contains("microstrip")) {
      MicrostripDimensions m;
      take(j.at("microstrip"), m, kMicrostripFields);
      m.sections = take_rows(j.at("microstrip"), "sections", kMicrostripSectionFields);
      d.result = std::move(m);
    } else {
      StriplineDimensions s;
      take(member(j, "stripline"), s, kStriplineFields);
      s.sections = take_rows(j.at("stripline"), "sections", kStriplineSectionFields);
      d.result = std::move(s);
    }
    r.content = std::move(d);
  } else if (kind == "analysis") {
    RecordedAnalysis a;
    take(member(j, "analysis"), a, kAnalysisFields);
    r.content = a;
  } else {
    throw std::invalid_argument("unknown report kind \"" + kind + "\"");
  }
  return r;
}

std::string hex(std::uint64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
  return buf;
}

}  // namespace

std::filesystem::path record_path(const std::filesystem::path& storage) {
  std::filesystem::path p = storage;
  p += ".json";
  return p;
}

std::string record_text(const DesignRecord& record) {
  Json j = Json::object();
  j["format"] = kRecordFormat;
  j["version"] = kRecordVersion;
  j["storage"] = {{"file", record.storage_file},
                  {"lines", record.storage_lines},
                  {"bytes", record.storage_bytes},
                  {"fnv1a64", hex(record.storage_digest)}};
  Json cycles = Json::array();
  for (const RecordedCycle& c : record.cycles) {
    const int sections = c.design.isections + 1;
    Json cycle = {{"cycle", c.session_cycle}};
    put(cycle["design"], c.design, kDesignFields, sections);
    Json reports = Json::array();
    for (const RecordedReport& r : c.reports) {
      Json report = {{"first_line", r.span.first}, {"last_line", r.span.last}};
      std::visit(ReportWriter{report, sections}, r.content);
      reports.push_back(std::move(report));
    }
    cycle["reports"] = std::move(reports);
    cycles.push_back(std::move(cycle));
  }
  j["cycles"] = std::move(cycles);
  // A storage name is bytes the user typed: one that is not UTF-8 is written
  // with U+FFFD in its place (the record is found beside the file, not by it).
  return j.dump(1, ' ', false, Json::error_handler_t::replace) + '\n';
}

DesignRecord read_record(std::string_view text) {
  try {
    const Json j = Json::parse(text);
    if (member(j, "format").get<std::string>() != kRecordFormat) throw std::invalid_argument("not a design record");
    if (member(j, "version").get<int>() != kRecordVersion) throw std::invalid_argument("a version this program does not read");
    DesignRecord record;
    const Json& storage = member(j, "storage");
    record.storage_file = member(storage, "file").get<std::string>();
    record.storage_lines = member(storage, "lines").get<long>();
    record.storage_bytes = member(storage, "bytes").get<long>();
    record.storage_digest = std::stoull(member(storage, "fnv1a64").get<std::string>(), nullptr, 16);
    for (const Json& c : member(j, "cycles")) {
      RecordedCycle& cycle = record.cycles.emplace_back();
      cycle.session_cycle = member(c, "cycle").get<int>();
      take(member(c, "design"), cycle.design, kDesignFields);
      for (const Json& r : member(c, "reports")) cycle.reports.push_back(read_report(r));
    }
    return record;
  } catch (const std::invalid_argument&) {
    throw;
  } catch (const std::exception& e) {  // nlohmann's parse and type errors, std::stoull's range
    throw std::invalid_argument(e.what());
  }
}

std::shared_ptr<const DesignRecord> record_beside(const std::filesystem::path& storage_file) {
  // A record is a few kilobytes a cycle; anything far larger is not one.
  constexpr std::uintmax_t kLargestRecord = 64u << 20;
  std::error_code ec;
  const std::filesystem::path path = record_path(storage_file);
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size > kLargestRecord || !std::filesystem::is_regular_file(storage_file, ec)) return nullptr;
  std::ifstream in(path, std::ios::binary);
  std::string text(static_cast<std::size_t>(size), '\0');
  if (!in.read(text.data(), static_cast<std::streamsize>(size))) return nullptr;
  try {
    auto record = std::make_shared<DesignRecord>(read_record(text));
    if (record->storage_bytes < 0 || static_cast<std::uintmax_t>(record->storage_bytes) > kLargestRecord * 64)
      return nullptr;
    std::ifstream storage(storage_file, std::ios::binary);
    std::string described(static_cast<std::size_t>(record->storage_bytes), '\0');
    if (!storage.read(described.data(), record->storage_bytes)) return nullptr;
    return record_matches(*record, described) ? record : nullptr;
  } catch (const std::invalid_argument&) {
    return nullptr;
  }
}

bool record_matches(const DesignRecord& record, std::string_view storage) {
  if (record.storage_bytes < 0 || static_cast<std::size_t>(record.storage_bytes) > storage.size()) return false;
  const std::string_view described = storage.substr(0, static_cast<std::size_t>(record.storage_bytes));
  if (fnv1a(kDigestStart, described) != record.storage_digest) return false;
  long lines = 0;
  for (const char c : described) lines += c == '\n' ? 1 : 0;
  if (lines != record.storage_lines || (!described.empty() && described.back() != '\n')) return false;
  long last = 0;
  for (const RecordedCycle& c : record.cycles)
    for (const RecordedReport& r : c.reports) {
      if (r.span.first <= last || r.span.last < r.span.first || r.span.last > lines) return false;
      last = r.span.last;
    }
  return true;
}

}  // namespace quorvane::stored
