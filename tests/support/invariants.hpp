// The invariants every session keeps, whatever its input: it ends in order
// with status 0, or with status 1 and exactly one error line of the
// program's own; and every storage file holds whole report lines of the
// console, in the console's order, and every design record beside one
// describes whole reports of it.  Shared by the ordinary tests and the fuzz
// targets; no test framework here.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "stored/design_record.hpp"
#include "stored/storage_parser.hpp"

namespace quorvane::testing {

inline std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// A stored line appears on the console either as a line of its own or at the
// end of a prompt's line: a prompt keeps the cursor, the answer is not echoed,
// so the next output runs on after it.  Every prompt ends in "= " or ": ".
inline bool console_shows(const std::string& console_line, const std::string& stored) {
  if (console_line == stored) return true;
  if (!console_line.ends_with(stored)) return false;
  const std::string_view head = std::string_view(console_line).substr(0, console_line.size() - stored.size());
  return head.ends_with("= ") || head.ends_with(": ");
}

// Empty when the storage file text `stored` is made of whole lines that the
// console showed in this order; otherwise what is wrong with it.
inline std::string broken_storage(const std::string& name, const std::string& stored,
                                  const std::vector<std::string>& console) {
  if (!stored.empty() && stored.back() != '\n') {
    return "storage file " + name + " ends inside a line";
  }
  std::size_t at = 0;
  for (const std::string& line : split_lines(stored)) {
    while (at < console.size() && !console_shows(console[at], line)) ++at;
    if (at == console.size()) {
      return "storage file " + name + " holds a line not on the console in order: \"" + line + "\"";
    }
    ++at;
  }
  return {};
}

// The error stream without its warnings: lines that begin "Quorvane: warning: "
// come before the board is made and end nothing.
inline std::string without_warnings(const std::string& err) {
  std::string kept;  // every other line as it was, a missing last line end too
  for (std::size_t at = 0, next = 0; at < err.size(); at = next) {
    next = std::min(err.find('\n', at), err.size() - 1) + 1;
    if (!std::string_view(err).substr(at).starts_with("Quorvane: warning: ")) kept.append(err, at, next - at);
  }
  return kept;
}

// Empty when `record` (a design record's text) reads back and agrees with
// `stored`, its storage file: it describes a prefix of whole lines, and its
// report spans tile that prefix, one span for each report found there.
inline std::string broken_record(const std::string& stored, const std::string& record) {
  stored::DesignRecord r;
  try {
    r = stored::read_record(record);
  } catch (const std::exception& e) {
    return std::string("the design record does not read: ") + e.what();
  }
  if (!stored::record_matches(r, stored)) return "the design record describes another file";
  std::istringstream prefix(stored.substr(0, static_cast<std::size_t>(r.storage_bytes)));
  const std::vector<stored::StoredReport> reports = stored::parse_storage(prefix).reports;
  long next = 1;
  std::size_t at = 0;
  for (const stored::RecordedCycle& c : r.cycles)
    for (const stored::RecordedReport& rep : c.reports) {
      if (rep.span.first != next || at == reports.size() || reports[at].first_line < rep.span.first ||
          reports[at].first_line > rep.span.last)
        return "the design record's span " + std::to_string(rep.span.first) + " ... " + std::to_string(rep.span.last) +
               " is not a report of the file";
      next = rep.span.last + 1;
      ++at;
    }
  if (at != reports.size() || next != r.storage_lines + 1) return "the design record leaves reports out";
  return {};
}

// Empty when the session kept its invariants; otherwise what it broke.
// `folder` is the session's folder: every regular file in it but the defaults
// file is a storage file or, when it reads as JSON, the design record of
// the storage file of its name without ".json".
inline std::string broken_invariant(int status, const std::string& out, const std::string& whole_err,
                                    const std::filesystem::path& folder) {
  const std::string err = without_warnings(whole_err);
  if (status != 0 && status != 1) return "status " + std::to_string(status);
  // A design record that could not be written is told and the session goes on.
  for (const std::string& line : split_lines(err))
    if (status == 0 && !line.starts_with("Quorvane: cannot write the design record "))
      return "status 0 with an error line: " + err;
  if (status == 1) {
    if (split_lines(err).size() != 1 || !err.ends_with('\n')) {
      return "status 1 needs exactly one error line, got: " + err;
    }
    if (!err.starts_with("Quorvane: ")) return "the error line is not the program's: " + err;
  }
  const std::vector<std::string> console = split_lines(out);
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (!entry.is_regular_file() || entry.path().filename() == "QuorvaneDEMO.DEF") continue;
    std::ifstream file(entry.path(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    const std::string name = entry.path().filename().string();
    const bool record = text.str().starts_with('{') && name.ends_with(".json") &&
                        std::filesystem::is_regular_file(folder / name.substr(0, name.size() - 5));
    std::ostringstream described;
    if (record) described << std::ifstream(folder / name.substr(0, name.size() - 5), std::ios::binary).rdbuf();
    const std::string broken =
        record ? broken_record(described.str(), text.str()) : broken_storage(name, text.str(), console);
    if (!broken.empty()) return broken;
  }
  return {};
}

// One input of the whole-session fuzz target, also run as an ordinary test:
// a defaults file and a console script separated by the first byte 0x1E;
// without that byte, the whole input is the script and the shipped defaults
// file is used.
struct SessionInput {
  bool own_defaults = false;
  std::string defaults;
  std::string script;
};

// Storage file names come from the script.  So that no input reaches outside
// the session's folder, a line starting with '/' has it made '_' and every
// ".." becomes "._"; names in subfolders stay possible (and fail to open).
inline std::string kept_in_folder(std::string script) {
  for (std::size_t at = script.find(".."); at != std::string::npos; at = script.find("..", at)) script[at + 1] = '_';
  std::size_t at = 0;
  while (at < script.size()) {
    if (script[at] == '/') script[at] = '_';
    const std::size_t end = script.find('\n', at);
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return script;
}

inline SessionInput session_input(const std::string& input) {
  SessionInput s;
  const std::size_t cut = input.find('\x1e');
  if (cut == std::string::npos) {
    s.script = kept_in_folder(input);
  } else {
    s.own_defaults = true;
    s.defaults = input.substr(0, cut);
    s.script = kept_in_folder(input.substr(cut + 1));
  }
  return s;
}

}  // namespace quorvane::testing
