#include "platform/command_line.hpp"

#include <sstream>

#include <locale>

#include <cmath>

#include <algorithm>

#include "platform/text.hpp"

namespace quorvane::platform {

namespace {

const OptionSpec kHelp{"-h", "--help", "", "print this help and exit", nullptr};
const OptionSpec kVersion{"-V", "--version", "", "print the version and exit", nullptr};

std::string quoted(std::string_view text) {
  std::string q(1, '"');
  q += printable(text);
  q += '"';
  return q;
}

// "a FOLDER", "an IN", "an N": the article as the name is spoken.
std::string with_article(const std::string& name) {
  const bool vowel = std::string_view("AEIOU").find(name[0]) != std::string_view::npos ||
                     (name.size() == 1 && std::string_view("FHLMNRSX").find(name[0]) != std::string_view::npos);
  return (vowel ? "an " : "a ") + name;
}

const OptionSpec* find_option(const CommandLine& line, const std::string& a) {
  for (const OptionSpec* o : {&kHelp, &kVersion})
    if (a == o->short_name || a == o->long_name) return o;
  for (const OptionSpec& o : line.options)
    if (!a.empty() && (a == o.short_name || a == o.long_name)) return &o;
  return nullptr;
}

}  // namespace

OptionSpec output_folder_option(std::function<void(const std::string&)> set) {
  return {"-o", "--output", "FOLDER", "write the files into FOLDER, made when missing (default: .)",
          [set = std::move(set)](const std::string& folder) {
            set(folder);
            return std::string();
          }};
}

ParsedCommandLine parse_command_line(const CommandLine& line, const std::vector<std::string>& args) {
  using Action = ParsedCommandLine::Action;
  ParsedCommandLine p;
  const auto refuse = [&p](std::string why) {
    p.action = Action::kRefused;
    p.refusal = std::move(why);
    return p;
  };
  std::optional<Action> asked;  // --help or --version, when the reading goes on after it
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const OptionSpec* o = find_option(line, a);
    if (o == &kHelp || o == &kVersion) {
      const Action action = o == &kHelp ? Action::kHelp : Action::kVersion;
      if (line.answer_at_once) {
        p.action = action;
        return p;
      }
      if (asked != Action::kHelp) asked = action;
      continue;
    }
    if (o == nullptr) {
      if (a.empty() || a[0] == '-' || line.operand.empty()) return refuse(line.unknown + " " + quoted(a));
      if (!p.operand.empty()) return refuse("one " + line.operand + " only, " + quoted(a) + " is a second");
      p.operand = a;
      continue;
    }
    if (!o->argument.empty() && i + 1 == args.size()) return refuse(a + " needs " + with_article(o->argument));
    if (const std::string why = o->take(o->argument.empty() ? std::string() : args[++i]); !why.empty())
      return refuse(why);
  }
  if (asked) p.action = *asked;
  else if (p.operand.empty() && !line.operand.empty()) return refuse("no " + line.operand + " given");
  return p;
}

std::string usage_line(const CommandLine& line) {
  constexpr std::size_t kWidth = 79;
  const std::string indent(line.program.size() + 1, ' ');
  std::string u = line.program + " " + line.operand;
  std::size_t column = u.size();
  for (const OptionSpec& o : line.options) {
    const std::string name = !o.argument.empty() && !o.short_name.empty() ? o.short_name
                             : o.long_name.empty()                         ? o.short_name
                                                                           : o.long_name;
    const std::string item = "[" + name + (o.argument.empty() ? "" : " " + o.argument) + "]";
    if (column + 1 + item.size() > kWidth) {
      u += "\n" + indent;
      column = indent.size() - 1;
    }
    u += " " + item;
    column += 1 + item.size();
  }
  return u;
}

std::string help_entry(const std::string& name, std::string_view what) {
  constexpr std::size_t kIndent = 26, kWidth = 79;
  std::string e = "  " + name;
  std::size_t column = e.size();
  if (column + 2 > kIndent) {
    e += '\n';
    column = 0;
  }
  while (!what.empty()) {
    const std::size_t space = what.size() <= kWidth - kIndent ? what.size() : what.rfind(' ', kWidth - kIndent);
    const std::size_t cut = space == std::string_view::npos || space == 0 ? what.size() : space;
    e += std::string(kIndent - column, ' ') + std::string(what.substr(0, cut)) + '\n';
    column = 0;
    what.remove_prefix(std::min(what.size(), cut + 1));
  }
  return e;
}

std::string options_help(const CommandLine& line) {
  std::string h = "Options:\n";
  const auto add = [&h](const OptionSpec& o) {
    std::string names = o.short_name;
    if (!o.short_name.empty() && !o.long_name.empty()) names += ", ";
    names += o.long_name;
    if (!o.argument.empty()) names += " " + o.argument;
    h += help_entry(names, o.what);
  };
  for (const OptionSpec& o : line.options) add(o);
  add(kHelp);
  add(kVersion);
  return h;
}

std::optional<int> answer_command_line(const CommandLine& line, const std::vector<std::string>& args,
                                       const std::function<std::string()>& help, std::ostream& out,
                                       std::ostream& err, std::string& operand) {
  const ParsedCommandLine p = parse_command_line(line, args);
  switch (p.action) {
    case ParsedCommandLine::Action::kHelp: out << help(); return 0;
    case ParsedCommandLine::Action::kVersion: out << line.version << '\n'; return 0;
    case ParsedCommandLine::Action::kRefused:
      err << line.program << ": " << p.refusal << "; see " << line.program << " --help.\n";
      return 1;
    case ParsedCommandLine::Action::kRun: break;
  }
  operand = p.operand;
  return std::nullopt;
}

bool read_number(const std::string& text, double lo, double hi, double& v) {
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  return (in >> v) && in.eof() && std::isfinite(v) && v >= lo && v <= hi;
}

void add_valued_option(CommandLine& line, const char* name, const char* argument, const char* what,
                       std::function<bool(const std::string&)> read) {
  line.options.push_back({"", name, argument, what, [name, read](const std::string& v) {
                            return read(v) ? std::string() : "option " + std::string(name) + " does not take '" + v + "'";
                          }});
}

std::function<bool(const std::string&)> whole_number(double lo, double hi, int& into) {
  return [lo, hi, &into](const std::string& v) {
    double x = 0;
    if (!read_number(v, lo, hi, x) || x != std::floor(x)) return false;
    into = static_cast<int>(x);
    return true;
  };
}

}  // namespace quorvane::platform
