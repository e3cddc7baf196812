// The one command-line parser: what each kind of argument list asks for,
// and the one refusal line of each mistake.
#include "platform/command_line.hpp"

#include <gtest/gtest.h>

namespace quorvane::platform {
namespace {

struct ParseCase {
  std::vector<std::string> args;
  ParsedCommandLine::Action action;
  std::string operand_or_refusal;
  std::string folder = ".";
  bool no_operand = false;  // a line that takes no operand and reads the whole list before answering
};

TEST(CommandLine, EachArgumentListAsksForItsAction) {
  using A = ParsedCommandLine::Action;
  const std::vector<ParseCase> cases{
      {{"f.txt"}, A::kRun, "f.txt"},
      {{"-o", "out", "f.txt"}, A::kRun, "f.txt", "out"},
      {{"f.txt", "--output", "-x"}, A::kRun, "f.txt", "-x"},  // a value may start with a dash
      {{"--bogus", "--help"}, A::kRefused, "unknown option \"--bogus\""},
      {{"--help", "--bogus"}, A::kHelp, ""},  // --help ends the reading
      {{"-V", "a", "b"}, A::kVersion, ""},
      {{"a", "b"}, A::kRefused, "one FILE only, \"b\" is a second"},
      {{"a\x01"}, A::kRun, "a\x01"},
      {{"-\x01"}, A::kRefused, "unknown option \"-\\x01\""},
      {{""}, A::kRefused, "unknown option \"\""},
      {{"f.txt", "-o"}, A::kRefused, "-o needs a FOLDER"},
      {{"f.txt", "--count"}, A::kRefused, "--count needs an N"},
      {{"f.txt", "--count", "x"}, A::kRefused, "not a count: x"},
      {{}, A::kRefused, "no FILE given"},
      {{}, A::kRun, "", ".", true},
      {{"-o", "d"}, A::kRun, "", "d", true},
      {{"f.txt"}, A::kRefused, "unknown argument \"f.txt\"", ".", true},
      {{"--help", "--bogus"}, A::kRefused, "unknown argument \"--bogus\"", ".", true},
      {{"--help", "-o"}, A::kRefused, "-o needs a FOLDER", ".", true},
      {{"--version", "--help", "-V"}, A::kHelp, "", ".", true},
      {{"-V"}, A::kVersion, "", ".", true},
  };
  for (const ParseCase& c : cases) {
    std::string folder = ".";
    const CommandLine line{"prog", c.no_operand ? "" : "FILE", "prog 1",
        {output_folder_option([&folder](const std::string& v) { folder = v; }),
         {"", "--count", "N", "a count", [](const std::string& v) { return v == "3" ? "" : "not a count: " + v; }}},
        c.no_operand ? "unknown argument" : "unknown option", !c.no_operand};
    const ParsedCommandLine p = parse_command_line(line, c.args);
    EXPECT_EQ(p.action, c.action) << c.operand_or_refusal;
    EXPECT_EQ(p.action == A::kRefused ? p.refusal : p.operand, c.operand_or_refusal);
    EXPECT_EQ(folder, c.folder) << c.operand_or_refusal;
  }
}

}  // namespace
}  // namespace quorvane::platform
