#include "session/command_line.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string_view>
#include <utility>

#include "dialogue/console.hpp"
#include "dialogue/defaults_file.hpp"
#include "dialogue/version.hpp"
#include "platform/command_line.hpp"
#include "platform/output_file.hpp"
#include "platform/program.hpp"
#include "session/design_file.hpp"

namespace quorvane {

namespace {

std::string help_text() {
  return std::string(
    "Usage: quorvane [--record FILE]\n"
    "       quorvane --design FILE [--record FILE]\n"
    "       quorvane --help | --version\n"
    "\n"
    "Designs multi-section parallel coupled line bandpass filters at the console:\n"
    "the electrical synthesis (Tchebyscheff or Butterworth, 2 to 12 poles), the\n"
    "dimensions in microstrip or stripline, and a frequency analysis printed as\n"
    "S-parameter or VSWR tables.\n"
    "\n"
    "It reads the defaults of its prompts from ") + kDefaultsFileName + " in the current\n"
    "folder and its answers from standard input, one line per prompt (an empty\n"
    "line takes the default), so a script of answers runs as\n"
    "    quorvane < answers.txt\n"
    "(docs/scripts.md gives the prompt order of every path).\n"
    "The reports go to standard output. When a storage question is answered 1,\n"
    "the report lines also go to a storage file in the current folder, under the\n"
    "name typed (20 characters at most); a file of that name is replaced when it\n"
    "is first opened in a session and appended to while the session goes on.\n"
    "\n"
    "Options:\n"
    "  -h, --help       print this help and exit\n"
    "  -V, --version    print the program's name and version and exit\n"
    "  --record FILE    run the session as usual and also write every answer line,\n"
    "                   as read, to FILE (replaced if it exists, flushed after each\n"
    "                   line; never the standard input or the defaults file);\n"
    "                   quorvane < FILE then replays the session up to where it\n"
    "                   ended. At a terminal a mistyped number is asked again;\n"
    "                   from a pipe it ends the session: correct the last line of\n"
    "                   FILE and replay; to go on typing after the replay:\n"
    "                       cat FILE - | quorvane --record FILE2\n"
    "  --design FILE    run the session from a design file of named values in\n"
    "                   engineers' units (fo = 2.45 GHz, h = 1.6 mm, t = 1 oz, ...;\n"
    "                   docs/design-file.md) instead of standard input; a fault\n"
    "                   in it is one line naming its line, before any prompt;\n"
    "                   warnings (a likely unit slip, copper finer than the board\n"
    "                   house etches, a high passband loss) go to standard error\n"
    "\n"
    "Exit status:\n"
    "  0  the session ended at an exit choice (or after the message on a faulty\n"
    "     defaults file)\n"
    "  1  one error line on standard error: no defaults file, an unreadable\n"
    "     answer, the end of the input, a storage or record file that cannot be\n"
    "     opened or written, an unknown argument, a fault in a design file\n"
    "\n"
    "quorvane-view FILE turns a storage file into response plots, Touchstone files\n"
    "and layout drawings; see quorvane-view --help.\n";
}

// The record and design files asked for; the help is written above, not
// generated from the table, and any argument no option names is refused.
struct Options {
  std::optional<std::string> record;
  std::optional<std::string> design;
};

platform::CommandLine command_line(Options& o) {
  const auto file_option = [](const char* name, std::optional<std::string>& file) {
    return platform::OptionSpec{"", name, "FILE", "", [&file](const std::string& value) {
                                  file = value;
                                  return std::string();
                                }};
  };
  return {"quorvane", "", std::string(kProgramTitle), {file_option("--record", o.record), file_option("--design", o.design)},
          "unknown argument", false};
}

bool same_file(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code ec;
  return !a.empty() && std::filesystem::equivalent(a, b, ec);
}

}  // namespace

namespace {

// The answers a design file gives, or its one error line.
DesignScript design_answers(const std::string& file, const std::filesystem::path& folder) {
  errno = 0;
  std::ifstream in(file, std::ios::binary);
  if (!in.is_open()) {
    const int error = errno;
    return {"quorvane: cannot open the design file \"" + printable(file) + "\" (" + system_reason(error) + ").", {}};
  }
  // The path of the prompts depends on the defaults where the file leaves
  // an answer out; a defaults file that cannot be read stops the dialogue
  // before its first prompt, whatever the answers.
  std::ifstream defaults_file(folder / kDefaultsFileName);
  Defaults defaults;
  try {
    if (const DefaultsReading r = read_defaults(defaults_file); r.ok) defaults = r.values;
  } catch (const ReadFailure&) {
  }
  return read_design_file(in, file, defaults);
}

}  // namespace

int run_program(const std::vector<std::string>& args, const DialogueEnvironment& console,
                const std::filesystem::path& console_input) {
  Options o;
  std::string no_operand;
  if (const std::optional<int> answered =
          platform::answer_command_line(command_line(o), args, help_text, console.out, console.err, no_operand)) {
    console.out.flush();
    return *answered;
  }
  std::istringstream designed_answers;
  DesignScript design;
  if (o.design) {
    design = design_answers(*o.design, console.folder);
    if (!design.error.empty()) {
      console.err << design.error << '\n';
      return 1;
    }
    designed_answers.str(design.answers);
  }
  DialogueEnvironment env{o.design ? designed_answers : console.in, console.out, console.err, console.clock,
                          console.folder, console.on_line, console.record_file, console.terminal && !o.design,
                          o.design ? design.board_minimum_inch : console.board_minimum_inch,
                          o.design ? design.loss_tangent : console.loss_tangent};
  if (!o.record) return run_dialogue(env);

  const std::string name = printable(*o.record);
  // Replacing the file the answers or the defaults come from would lose them.
  const std::pair<std::filesystem::path, const char*> kept[] = {
      {console_input, "the standard input"},
      {env.folder / kDefaultsFileName, "the defaults file"},
      {o.design.value_or(""), "the design file"}};
  for (const auto& [path, what] : kept) {
    if (!same_file(path, *o.record)) continue;
    env.err << "quorvane: the record file \"" << name << "\" is " << what << "; record into another file.\n";
    return 1;
  }
  const int fd = ::open(o.record->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    const std::string why = system_reason(errno);
    env.err << "quorvane: cannot open the record file \"" << name << "\" (" << why << ").\n";
    return 1;
  }
  const auto failure = [&name](int error) {
    return DialogueStop("Quorvane: cannot write the record file \"" + name + "\" (" + system_reason(error) + ").");
  };
  DialogueEnvironment recorded = env;
  recorded.record_file = *o.record;
  off_t whole = 0;  // bytes of whole lines recorded
  recorded.on_line = [fd, &whole, &failure](std::string_view line) {
    std::string text(line);
    text += '\n';
    if (const int error = platform::write_all(fd, text)) {
      // A line cut by a full disk or a file-size limit is taken back: the record replays whole lines.
      (void)!ftruncate(fd, whole);
      throw failure(error);
    }
    whole += static_cast<off_t>(text.size());
  };
  int status = run_dialogue(recorded);
  if (::close(fd) != 0 && errno != EINTR && status == 0) {
    const DialogueStop stop = failure(errno);
    env.err << stop.what() << '\n';
    status = 1;
  }
  return status;
}

int run_console_program(int argc, char** argv) {
  // The one error path of every program: SIGPIPE and SIGXFSZ ignored (a
  // console or storage pipe whose reader went away, a file-size limit: the
  // write fails and the run ends with its error line), closed standard
  // descriptors held, no exception past it.
  return platform::run_main({"Quorvane: ", "."}, argc, argv, [](const std::vector<std::string>& args) {
    DialogueEnvironment env{std::cin, std::cout, std::cerr, read_local_clock, "."};
    env.terminal = isatty(STDIN_FILENO) == 1;
    return run_program(args, env, "/dev/stdin");
  });
}

}  // namespace quorvane
