// libFuzzer target: quorvane-view on any bytes as the storage file.  The run
// ends with status 0, 1 or 2; every SVG, DXF and Touchstone file it writes
// holds only finite numbers; and what it writes is bounded by the input.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "view/view_app.hpp"

namespace {

namespace fs = std::filesystem;

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool finite_number(const std::string& token) {
  char* end = nullptr;
  const double v = std::strtod(token.c_str(), &end);
  return end != token.c_str() && *end == '\0' && std::isfinite(v);
}

// No attribute value of an SVG holds "nan" or "inf" in any letter case; in
// its text such a word is allowed only as the storage file itself spells it
// (a title quotes the report's text fields), so that a value the writer
// formatted itself ("nan inches") is caught.
bool svg_finite(const std::string& text, const std::string& input) {
  const std::string t = lower(text);
  for (const char* word : {"nan", "inf"}) {
    for (std::size_t at = t.find(word); at != std::string::npos; at = t.find(word, at + 1)) {
      const std::size_t tag = t.rfind('<', at), close = t.rfind('>', at);
      const bool in_tag = tag != std::string::npos && (close == std::string::npos || close < tag);
      if (in_tag || input.find(text.substr(at, 3)) == std::string::npos) return false;
    }
  }
  return true;
}

// DXF: the value of every coordinate and size group (codes 10 to 59) is a finite number.
bool dxf_finite(const std::string& text) {
  std::istringstream in(text);
  std::string code, value;
  while (std::getline(in, code) && std::getline(in, value)) {
    const int c = std::atoi(code.c_str());
    if (c >= 10 && c <= 59 && !finite_number(value)) return false;
  }
  return true;
}

// Touchstone: every token of every data line is a finite number.
bool touchstone_finite(const std::string& text) {
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '!' || line[0] == '#') continue;
    std::istringstream tokens(line);
    for (std::string token; tokens >> token;)
      if (!finite_number(token)) return false;
  }
  return true;
}

// Gerber: every coordinate is a whole number of nanometres within a metre
// (a NaN or an overflow rounded to an integer would show as a huge one).
bool gerber_finite(const std::string& text) {
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] != 'X') continue;
    long long x = 0, y = 0;
    int op = 0;
    if (std::sscanf(line.c_str(), "X%lldY%lldD%d*", &x, &y, &op) != 3) return false;
    if (std::llabs(x) > 1000000000LL || std::llabs(y) > 1000000000LL) return false;
  }
  return true;
}

// Every coordinate of the footprint, "(xy X Y)", "(at X Y)", "(start X Y)",
// "(end X Y)" and "(size X Y)" in mm, finite and within a metre.
bool footprint_finite(const std::string& text) {
  for (const char* key : {"(xy ", "(at ", "(start ", "(end ", "(size "}) {
    for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
      double x = 0, y = 0;
      if (std::sscanf(text.c_str() + at + std::strlen(key), "%lf %lf", &x, &y) != 2) return false;
      if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > 1000 || std::fabs(y) > 1000) return false;
    }
  }
  return text.starts_with("(footprint ");
}

// The job file is JSON (which has no NaN or infinity) naming its layers.
bool job_file_whole(const std::string& text) {
  try {
    return nlohmann::json::parse(text).contains("FilesAttributes");
  } catch (const nlohmann::json::exception&) {
    return false;
  }
}

const fs::path& work_folder() {
  static const fs::path folder = [] {
    const fs::path f = fs::temp_directory_path() / ("quorvane-view-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(f);
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(fs::temp_directory_path() / ("quorvane-view-fuzz-" + std::to_string(::getpid())), ec);
    });
    return f;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const fs::path file = work_folder() / "s.txt";
  const fs::path out = work_folder() / "out";
  fs::remove_all(out);
  std::ofstream(file, std::ios::binary) << input;
  std::ostringstream log;
  const quorvane::view::ViewResult r = quorvane::view::run_view(file, out, log);
  if (r.status < 0 || r.status > 2) std::abort();
  std::uintmax_t written = 0;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(out, ec)) {
    std::ifstream f(entry.path(), std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    const std::string text = s.str();
    written += text.size();
    const std::string ext = entry.path().extension().string();
    const bool finite = ext == ".svg"   ? svg_finite(text, input)
                        : ext == ".dxf" ? dxf_finite(text)
                        : ext == ".gbr" ? gerber_finite(text)
                        : ext == ".s1p" || ext == ".s2p" ? touchstone_finite(text)
                        : ext == ".kicad_mod" ? footprint_finite(text)
                        : ext == ".gbrjob" ? job_file_whole(text)
                                           : false;  // no other file, no temporary left
    if (!finite) std::abort();
  }
  // A report of a few lines gives files of a few kilobytes: the output
  // grows with the input, not beyond.
  if (written > 64 * static_cast<std::uintmax_t>(size) + 65536) std::abort();
  return 0;
}
