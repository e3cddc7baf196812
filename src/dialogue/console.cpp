#include "dialogue/console.hpp"

#include <cerrno>
#include <cstring>

#include "dialogue/number_reader.hpp"

namespace quorvane {

namespace {

// The prompt as error reports name it: its last line (a menu and its prompt
// are one output) without leading and trailing blanks, so that the report
// stays one line.
std::string_view trimmed(std::string_view s) {
  const auto line_end = s.rfind('\n');
  if (line_end != std::string_view::npos) s.remove_prefix(line_end + 1);
  const auto first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(' ');
  return s.substr(first, last - first + 1);
}

}  // namespace


bool read_bounded_line(std::istream& in, std::string& line, std::size_t keep) {
  line.clear();
  bool any = false;
  std::streambuf* buf = in.rdbuf();
  if (buf == nullptr || !in.good()) return false;
  for (std::size_t length = 0;; ++length) {
    if (length > kLongestLine) {
      in.setstate(std::ios::badbit);
      throw ReadFailure("a line of more than 1 MiB without a line end");
    }
    std::char_traits<char>::int_type c;
    try {
      errno = 0;
      c = buf->sbumpc();
    } catch (const std::ios_base::failure& failure) {
      // The file buffer throws on a failed read and keeps the system's error.
      const int error = failure.code().category() == std::system_category() ? failure.code().value() : errno;
      in.setstate(std::ios::badbit);
      throw ReadFailure(system_reason(error));
    }
    if (c == std::char_traits<char>::eof()) {
      in.setstate(std::ios::eofbit);
      break;
    }
    any = true;
    if (c == '\n') break;
    if (line.size() < keep + 1) line += static_cast<char>(c);
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.size() > keep) line.resize(keep);
  return any;
}

void Console::line(std::string_view text) {
  out_ << text << '\n';
}

void Console::text(std::string_view text) { out_ << text; }

void Console::flush() {
  errno = 0;
  out_.flush();
  if (!out_) {
    const int error = errno;
    throw DialogueStop("Quorvane: cannot write to the console: " + system_reason(error) + ".");
  }
}

bool Console::read_line(std::string_view prompt, std::string& line) {
  try {
    return read_bounded_line(in_, line);
  } catch (const ReadFailure& failure) {
    throw DialogueStop(std::string("Quorvane: cannot read the console input (") + failure.what() +
                       "); an answer was expected at \"" + std::string(trimmed(prompt)) + "\".");
  }
}

std::string Console::answer(std::string_view prompt) {
  std::string line = unobserved_answer(prompt);
  if (observer_) observer_(line);
  return line;
}

std::string Console::unobserved_answer(std::string_view prompt) {
  out_ << prompt;
  flush();
  std::string line;
  if (!read_line(prompt, line)) {
    throw DialogueStop("Quorvane: the console input ended; an answer was expected at \"" +
                       std::string(trimmed(prompt)) + "\".");
  }
  return line;
}

float Console::signed_value(std::string_view prompt) {
  // Every round reads a line, so the end of the input ends the asking.
  for (;;) {
    const std::string line = unobserved_answer(prompt);
    const NumberRead r = read_number(line);
    if (r.ok || !forgiving_) {
      if (observer_) observer_(line);
      if (r.ok) return r.value;
    }
    const std::string why = forgiving_ ? unit_after_number(line).value_or(r.why) : r.why;
    const std::string report = "Quorvane: cannot read \"" +
                               printable(std::string_view(line).substr(0, kNumberFieldWidth)) + "\" as a number (" +
                               why + "); a number such as 12, -0.5 or 1.5E3 was expected at \"" +
                               std::string(trimmed(prompt)) + "\".";
    if (!forgiving_) throw DialogueStop(report);
    out_ << report << " Enter it again.\n";
  }
}

float Console::value(std::string_view prompt) {
  const float v = signed_value(prompt);
  return v < 0.0f ? -v : v;
}

int Console::choice(std::string_view prompt) { return choice_of(signed_value(prompt)); }

int Console::truncated_choice(std::string_view prompt) { return truncated_whole(signed_value(prompt)); }

std::string Console::text20(std::string_view prompt) {
  std::string line = answer(prompt);
  line.resize(20, ' ');
  return line;
}

void Console::warn(std::string_view text) {
  if (warnings_ == nullptr) return;
  *warnings_ << "Quorvane: warning: " << text << '\n';
  warnings_->flush();
}

void Console::warn_off_menu(int choice, int last, std::string_view menu, std::string_view taken) {
  if (choice == 0 || (choice >= 1 && choice <= last)) return;
  warn(std::to_string(choice) + " is not on the " + std::string(menu) + " menu (1 to " + std::to_string(last) +
       "); " + std::string(taken) + " is taken.");
}

void Console::pause() {
  flush();
  std::string ignored;
  if (read_line("", ignored) && observer_) observer_(ignored);
}

}  // namespace quorvane
