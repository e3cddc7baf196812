#include "view/readback.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>

#include "dialogue/fortran_format.hpp"

namespace quorvane::view::testing {

namespace {

bool valid_entities(const std::string& s) {
  for (size_t i = s.find('&'); i != std::string::npos; i = s.find('&', i + 1)) {
    const size_t semi = s.find(';', i);
    if (semi == std::string::npos) return false;
    const std::string e = s.substr(i, semi - i + 1);
    if (e != "&amp;" && e != "&lt;" && e != "&gt;" && e != "&quot;" && e != "&apos;") return false;
  }
  return s.find('<') == std::string::npos;
}

}  // namespace

std::string xml_problem(const std::string& doc) {
  std::vector<std::string> open;
  size_t i = 0;
  if (doc.rfind("<?xml", 0) == 0) i = doc.find("?>") + 2;
  bool root_seen = false;
  while (i < doc.size()) {
    const size_t lt = doc.find('<', i);
    const std::string text = doc.substr(i, lt == std::string::npos ? std::string::npos : lt - i);
    if (!valid_entities(text)) return "bad text: " + text;
    if (open.empty() && text.find_first_not_of(" \n\r\t") != std::string::npos) return "text outside the root";
    if (lt == std::string::npos) break;
    const size_t gt = doc.find('>', lt);
    if (gt == std::string::npos) return "unterminated tag";
    std::string tag = doc.substr(lt + 1, gt - lt - 1);
    if (!tag.empty() && tag[0] == '/') {
      if (open.empty() || open.back() != tag.substr(1)) return "mismatched close " + tag;
      open.pop_back();
    } else {
      const bool empty = !tag.empty() && tag.back() == '/';
      if (empty) tag.pop_back();
      std::istringstream in(tag);
      std::string name;
      in >> name;
      if (name.empty()) return "tag without a name";
      if (open.empty() && root_seen) return "second root element";
      root_seen = true;
      // Attributes: name="value" pairs.
      std::string rest = tag.substr(name.size());
      std::map<std::string, int> seen;
      size_t p = 0;
      while (true) {
        p = rest.find_first_not_of(" \n\t", p);
        if (p == std::string::npos) break;
        const size_t eq = rest.find('=', p);
        if (eq == std::string::npos || eq + 1 >= rest.size() || rest[eq + 1] != '"') return "unquoted attribute in " + name;
        const std::string an = rest.substr(p, eq - p);
        if (an.find(' ') != std::string::npos || ++seen[an] > 1) return "bad attribute name " + an;
        const size_t close = rest.find('"', eq + 2);
        if (close == std::string::npos) return "unterminated attribute";
        if (!valid_entities(rest.substr(eq + 2, close - eq - 2))) return "bad attribute value";
        p = close + 1;
      }
      if (!empty) open.push_back(name);
    }
    i = gt + 1;
  }
  if (!open.empty()) return "unclosed " + open.back();
  if (!root_seen) return "no root element";
  return "";
}

std::string xmllint_problem(const std::string& doc) {
  if (std::system("command -v xmllint >/dev/null 2>&1") != 0) return "";
  const auto path =
      std::filesystem::temp_directory_path() / ("quorvane-view-xml-" + std::to_string(::getpid()) + ".svg");
  std::ofstream(path) << doc;
  const int rc = std::system(("xmllint --noout '" + path.string() + "' 2>/dev/null").c_str());
  std::filesystem::remove(path);
  return rc == 0 ? "" : "xmllint rejects the document";
}

std::vector<DxfPolyline> read_dxf(const std::string& text, std::string& problem) {
  std::istringstream in(text);
  std::vector<std::pair<int, std::string>> groups;
  std::string code, value;
  while (std::getline(in, code) && std::getline(in, value)) groups.emplace_back(std::stoi(code), value);
  std::vector<DxfPolyline> out;
  if (groups.empty() || groups.back() != std::make_pair(0, std::string("EOF"))) problem = "no EOF";
  bool in_entities = false;
  for (size_t i = 0; i < groups.size(); ++i) {
    const auto& [c, v] = groups[i];
    if (c == 2 && v == "ENTITIES") in_entities = true;
    if (c == 0 && v == "ENDSEC") in_entities = false;
    if (!in_entities || c != 0 || v != "POLYLINE") continue;
    DxfPolyline p;
    size_t j = i + 1;
    for (; j < groups.size() && groups[j].first != 0; ++j) {
      if (groups[j].first == 70) p.closed = (std::stoi(groups[j].second) & 1) != 0;
      if (groups[j].first == 8) p.layer = groups[j].second;
    }
    while (j < groups.size() && groups[j] == std::make_pair(0, std::string("VERTEX"))) {
      Point pt;
      for (++j; j < groups.size() && groups[j].first != 0; ++j) {
        if (groups[j].first == 10) pt.x = std::stof(groups[j].second);
        if (groups[j].first == 20) pt.y = std::stof(groups[j].second);
      }
      p.vertices.push_back(pt);
    }
    if (j >= groups.size() || groups[j] != std::make_pair(0, std::string("SEQEND"))) problem = "POLYLINE without SEQEND";
    out.push_back(p);
    i = j;
  }
  return out;
}

TouchstoneText read_touchstone(const std::string& text) {
  TouchstoneText t;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("!", 0) == 0) {
      t.comments.push_back(line.substr(1));
    } else if (line.rfind("#", 0) == 0) {
      t.option_after_data = t.option_after_data || !t.rows.empty();
      t.option = line;
    } else {
      std::istringstream ls(line);
      std::vector<float> v;
      for (float x; ls >> x;) v.push_back(x);
      t.rows.push_back(v);
    }
  }
  return t;
}

::testing::AssertionResult same_printed(float a, float b, int w, int d) {
  const std::string pa = fmt::F(a, w, d), pb = fmt::F(b, w, d);
  if (std::stof(pa) == std::stof(pb)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "'" << pa << "' vs '" << pb << "'";
}

namespace {

// The value of attribute `name` in the tag that starts at `at`, or "".
std::string attribute(const std::string& doc, size_t at, const std::string& name) {
  const size_t end = doc.find('>', at);
  const size_t p = doc.find(" " + name + "=\"", at);
  if (p == std::string::npos || p > end) return "";
  const size_t v = p + name.size() + 3;
  return doc.substr(v, doc.find('"', v) - v);
}

}  // namespace

::testing::AssertionResult legible_sheet(const std::string& svg, float min_mm) {
  const size_t root = svg.find("<svg");
  if (root == std::string::npos) return ::testing::AssertionFailure() << "no svg element";
  const std::string width = attribute(svg, root, "width");
  const std::string box = attribute(svg, root, "viewBox");
  if (width.size() < 3 || width.substr(width.size() - 2) != "mm")
    return ::testing::AssertionFailure() << "sheet width not in mm: " << width;
  std::istringstream b(box);
  float bx = 0, by = 0, bw = 0, bh = 0;
  b >> bx >> by >> bw >> bh;
  const float mm_per_unit = std::stof(width) / bw;
  const float base = std::stof(attribute(svg, root, "font-size"));
  for (size_t at = svg.find("<text"); at != std::string::npos; at = svg.find("<text", at + 1)) {
    const std::string fs = attribute(svg, at, "font-size");
    const float size = fs.empty() ? base : std::stof(fs);
    if (size * mm_per_unit < min_mm)
      return ::testing::AssertionFailure() << "letters " << size * mm_per_unit << " mm high at text " << at;
    const size_t open = svg.find('>', at) + 1;
    const std::string content = svg.substr(open, svg.find("</text>", open) - open);
    const float x = std::stof(attribute(svg, at, "x"));
    const std::string anchor = attribute(svg, at, "text-anchor");
    const float len = 0.6f * size * static_cast<float>(content.size());
    const float left = anchor == "end" ? x - len : anchor == "middle" ? x - len / 2.0f : x;
    if (left < bx - 1e-3f || left + len > bx + bw + 1e-3f)
      return ::testing::AssertionFailure() << "text runs off the sheet: " << content;
  }
  return ::testing::AssertionSuccess();
}

}  // namespace quorvane::view::testing
