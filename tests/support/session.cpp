#include "support/session.hpp"

#include <atomic>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "session/command_line.hpp"

namespace quorvane::testing {

std::string read_text(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string shipped_defaults() { return read_text(std::filesystem::path(QUORVANE_SOURCE_DIR) / "QuorvaneDEMO.DEF"); }

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::string defaults_with(int record, const std::string& text, std::string base) {
  std::vector<std::string> lines = lines_of(base);
  lines.at(static_cast<std::size_t>(record - 1)) = text;
  std::string joined;
  for (const auto& l : lines) joined += l + "\n";
  return joined;
}

ClockReading fixed_clock() { return ClockReading{2026, 3, 6, 9, 5, 7}; }

std::string golden_path(const std::string& name) {
  return (std::filesystem::path(QUORVANE_SOURCE_DIR) / "tests" / "data" / name).string();
}

Session::Session(const std::string& defaults, bool with_defaults) {
  static std::atomic<int> counter{0};
  folder_ = std::filesystem::temp_directory_path() /
            ("quorvane-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(folder_);
  if (with_defaults) {
    std::ofstream(folder_ / "QuorvaneDEMO.DEF", std::ios::binary) << defaults;
  }
}

Session::~Session() {
  std::error_code ec;
  std::filesystem::remove_all(folder_, ec);
}

SessionResult Session::run(const std::string& script, const std::vector<std::string>& args) {
  std::istringstream in(script);
  std::ostringstream out;
  std::ostringstream err;
  const DialogueEnvironment env{in, out, err, fixed_clock, folder_};
  SessionResult result;
  result.status = run_program(args, env);
  result.out = out.str();
  result.err = err.str();
  return result;
}

std::string Session::file(const std::string& name) const {
  if (!exists(name)) return {};
  return read_text(folder_ / name);
}

std::vector<std::pair<std::string, std::string>> readme_scripts() {
  std::vector<std::pair<std::string, std::string>> scripts;
  bool in_section = false, in_block = false;
  std::string heading;
  for (const std::string& l : lines_of(read_text(std::filesystem::path(QUORVANE_SOURCE_DIR) / "docs" / "scripts.md"))) {
    if (l.rfind("## ", 0) == 0) in_section = l == "## Scripting a session";
    if (l.rfind("### ", 0) == 0) heading = l.substr(4);
    if (in_block) in_block = l != "```";
    if (in_block) scripts.back().second += l + "\n";
    if (in_section && l == "```text") {
      scripts.push_back({heading, ""});
      in_block = true;
    }
  }
  return scripts;
}

bool Session::exists(const std::string& name) const { return std::filesystem::exists(folder_ / name); }

void expect_golden(const std::string& name, const std::string& actual) {
  const std::filesystem::path path = golden_path(name);
  const char* update = std::getenv("QUORVANE_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << actual;
    return;
  }
  ASSERT_TRUE(std::filesystem::exists(path)) << "missing golden file " << path;
  const std::vector<std::string> want = lines_of(read_text(path));
  const std::vector<std::string> got = lines_of(actual);
  for (std::size_t i = 0; i < want.size() && i < got.size(); ++i) {
    ASSERT_EQ(want[i], got[i]) << name << ", line " << i + 1;
  }
  ASSERT_EQ(want.size(), got.size()) << name << ": line count";
  EXPECT_EQ(read_text(path), actual) << name << ": line ends";
}

}  // namespace quorvane::testing
