// The console: prompts that leave the cursor on the line, one answer line per
// prompt, and the three ways an answer is read (value, choice, text).
#pragma once

#include <functional>
#include <istream>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/text.hpp"

namespace quorvane {

// Ends the run with exit status 1 and one error line: an unreadable number,
// the end of console input, a storage file that cannot be opened or written.
class DialogueStop : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The text as an error report quotes it, and the system's text for an errno value.
using platform::printable;
using platform::system_reason;

// A line that could not be read: the input failed (the system's reason is
// the message), or a line ran past kLongestLine without its line end.
class ReadFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// No answer line or defaults record is longer: one that runs on past this
// without its line end (an endless source such as /dev/zero) is unreadable.
inline constexpr std::size_t kLongestLine = std::size_t{1} << 20;

// Reads one line of at most `keep` characters from `in` into `line`; the rest
// of a longer line is read and dropped, and a carriage return before the line
// end is removed.  False at the end of the input (a last line without its
// line end still counts as a line).  Throws ReadFailure when the input fails
// or the line runs past kLongestLine.
bool read_bounded_line(std::istream& in, std::string& line, std::size_t keep = 256);

class Console {
 public:
  Console(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

  // One output line, or a text that stays on the line.
  void line(std::string_view text = {});
  void text(std::string_view text);
  // Delivers what the console holds so far; throws DialogueStop when the
  // console cannot be written.
  void flush();

  // Value entry: the magnitude of the number read (an empty line reads as 0).
  float value(std::string_view prompt);
  // The number read with its sign.
  float signed_value(std::string_view prompt);
  // Choice entry: the nearest whole number, halves away from zero, sign dropped.
  int choice(std::string_view prompt);
  // The whole part toward zero, sign kept.
  int truncated_choice(std::string_view prompt);
  // Text entry: the first 20 characters, blank-padded (all blanks: nothing entered).
  std::string text20(std::string_view prompt);
  // Waits for one line and ignores it, also at the end of the input.
  void pause();

  std::ostream& out() { return out_; }

  // At a terminal a number that cannot be read is named and its prompt asked
  // again, instead of ending the run; only the answer taken is observed.
  void forgive_typos(bool on) { forgiving_ = on; }

  // Warnings go to `warnings` (the error stream), never to the console or a
  // report: one line each, beginning "Quorvane: warning: ".
  void warn_to(std::ostream* warnings) { warnings_ = warnings; }
  void warn(std::string_view text);
  // Warns when a menu answer is neither empty (0) nor one of 1 ... `last`:
  // `menu` names the menu, `taken` the default put in its place.
  void warn_off_menu(int choice, int last, std::string_view menu, std::string_view taken);

  // Is shown every line read from the console, as kept (a session record).
  void observe(std::function<void(std::string_view)> observer) { observer_ = std::move(observer); }

 private:
  std::string answer(std::string_view prompt);
  std::string unobserved_answer(std::string_view prompt);
  // One line for `prompt`; false at the end of the input.  A failed read
  // ends the run (DialogueStop naming the prompt and the reason).
  bool read_line(std::string_view prompt, std::string& line);

  std::istream& in_;
  std::ostream& out_;
  std::function<void(std::string_view)> observer_;
  bool forgiving_ = false;
  std::ostream* warnings_ = nullptr;
};

}  // namespace quorvane
