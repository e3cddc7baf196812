// The invariants every session keeps, whatever its input: it ends in order
// with status 0, or with status 1 and exactly one error line; and every
// storage file holds report lines of the console, in the console's order.
// Shared by the ordinary tests and the fuzz targets; no test framework here.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace quorvane::testing {

inline std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// Empty when the session kept its invariants; otherwise what it broke.
inline std::string broken_invariant(int status, const std::string& out, const std::string& err,
                                    const std::filesystem::path& folder) {
  if (status != 0 && status != 1) return "status " + std::to_string(status);
  const std::vector<std::string> err_lines = split_lines(err);
  if (status == 0 && !err.empty()) return "status 0 with an error line: " + err;
  if (status == 1 && err_lines.size() != 1) return "status 1 needs exactly one error line, got: " + err;
  // The console's lines, with each prompt's text (written without a line end)
  // running into whatever follows it, so compare by the line's ending.
  const std::vector<std::string> console = split_lines(out);
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (!entry.is_regular_file() || entry.path().filename() == "QuorvaneDEMO.DEF") continue;
    std::ifstream file(entry.path(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    std::size_t at = 0;
    for (const std::string& stored : split_lines(text.str())) {
      while (at < console.size() && !console[at].ends_with(stored)) ++at;
      if (at == console.size()) {
        return "storage file " + entry.path().filename().string() + " holds a line not on the console in order: \"" +
               stored + "\"";
      }
      ++at;
    }
  }
  return {};
}

}  // namespace quorvane::testing
