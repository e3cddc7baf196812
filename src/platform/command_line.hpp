// One command line for every program: a table of options, each with the
// name and unit of its value and its help text, read by one parser that
// keeps the conventions they share: -h/--help and -V/--version answered on
// the console, one operand (the storage FILE), and an argument that cannot
// be used refused with one line naming it and status 1.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::platform {

struct OptionSpec {
  std::string short_name;  // "-o", or "" when the option has none
  std::string long_name;   // "--output", or ""
  std::string argument;    // the value's name and unit ("FOLDER", "IN"); "" for a switch
  std::string what;        // the help text
  // Takes the value (a switch gets ""); "" when taken, else why it is not.
  std::function<std::string(const std::string& value)> take;
};

struct CommandLine {
  std::string program;  // "quorvane-view"
  std::string operand;  // "FILE"; "" for a program that takes none
  std::string version;  // the line --version prints
  std::vector<OptionSpec> options;  // -h/--help and -V/--version are added to them
  // How the refusal of an argument no option names begins.
  std::string unknown = "unknown option";
  // --help and --version end the reading at once; when false the whole list
  // is read first, so that a refusal anywhere in it wins, and --help wins
  // over --version.
  bool answer_at_once = true;
};

// -o, --output FOLDER, the option every program that writes files has.
OptionSpec output_folder_option(std::function<void(const std::string&)> set);

// A number written in the C locale, finite and within lo ... hi.
bool read_number(const std::string& text, double lo, double hi, double& v);

// An option with a value that `read` takes or refuses; a refused value
// gets the one line "option NAME does not take 'VALUE'".
void add_valued_option(CommandLine& line, const char* name, const char* argument, const char* what,
                       std::function<bool(const std::string&)> read);

// A reader of a whole number within lo ... hi into `into`.
std::function<bool(const std::string&)> whole_number(double lo, double hi, int& into);

// What the arguments ask for.
struct ParsedCommandLine {
  enum class Action { kRun, kHelp, kVersion, kRefused } action = Action::kRun;
  std::string operand;
  std::string refusal;  // for kRefused: why, without the program's name
};

ParsedCommandLine parse_command_line(const CommandLine& line, const std::vector<std::string>& args);

// "quorvane-view FILE [-o FOLDER] [--as-printed]": an option with a value by
// its short name when it has one, a switch by its long one; wrapped at 79
// columns under the program's name.
std::string usage_line(const CommandLine& line);

// One entry of a help list: the name in a column of its own, the text
// beside it wrapped at 79 columns.
std::string help_entry(const std::string& name, std::string_view what);

// "Options:" and an entry per option, --help and --version last.
std::string options_help(const CommandLine& line);

// Reads the arguments: --help writes `help`, --version the version line on
// `out` (status 0); a refusal is one line on `err` (status 1); otherwise no
// status and the operand in `operand`.
std::optional<int> answer_command_line(const CommandLine& line, const std::vector<std::string>& args,
                                       const std::function<std::string()>& help, std::ostream& out,
                                       std::ostream& err, std::string& operand);

// Reads `args` into `opt`, a record with `help`, `version` and `file`
// members that `line`'s options fill; false with `error` (the refusal,
// without the program's name) when an argument cannot be used.
template <class Options>
bool read_options(const CommandLine& line, const std::vector<std::string>& args, Options& opt, std::string& error) {
  const ParsedCommandLine p = parse_command_line(line, args);
  opt.help = p.action == ParsedCommandLine::Action::kHelp;
  opt.version = p.action == ParsedCommandLine::Action::kVersion;
  opt.file = p.operand;
  error = p.refusal;
  return p.action != ParsedCommandLine::Action::kRefused;
}

}  // namespace quorvane::platform
