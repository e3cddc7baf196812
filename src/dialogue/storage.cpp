#include "dialogue/storage.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "dialogue/fortran_format.hpp"
#include "dialogue/report_layouts.hpp"

namespace quorvane {

using fmt::A;
using fmt::I;
using fmt::X;

namespace {

std::string without_trailing_blanks(const std::string& s) {
  const auto last = s.find_last_not_of(' ');
  return last == std::string::npos ? std::string() : s.substr(0, last + 1);
}

}  // namespace

StorageFile::~StorageFile() { close(); }

void StorageFile::close() {
  if (fd_ >= 0) ::close(fd_);  // also releases the lock
  fd_ = -1;
  open_name_.clear();
  whole_ = 0;
  lines_ = 0;
  digest_ = kDigestStart;
}

void StorageFile::finish() {
  if (fd_ < 0) return;
  const int fd = std::exchange(fd_, -1);
  // Linux releases the descriptor also when close fails with EINTR: never retried.
  if (::close(fd) != 0 && errno != EINTR) {
    const int error = errno;
    const std::string name = printable(open_name_);
    close();
    throw DialogueStop("Quorvane: cannot write to the storage file \"" + name + "\": " + system_reason(error) + ".");
  }
  close();
}

void StorageFile::open(const std::string& name) {
  const std::string trimmed = without_trailing_blanks(name);
  if (fd_ >= 0 && trimmed == open_name_) return;
  finish();
  const auto refuse = [&trimmed](const std::string& why) {
    return DialogueStop("Quorvane: cannot open the storage file \"" + printable(trimmed) + "\": " + why + ".");
  };
  if (trimmed.empty() || trimmed.find('\0') != std::string::npos) throw refuse(system_reason(EINVAL));
  // Not truncated at the open: the lock must be held before what the file
  // holds is dropped.  O_NONBLOCK makes a FIFO without a reader fail (ENXIO).
  const int fd = ::open((folder_ / trimmed).c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) {
    const int error = errno;
    struct stat st {};
    const bool fifo = ::stat((folder_ / trimmed).c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
    throw refuse(error == ENXIO && fifo ? "it is a FIFO that nobody reads" : system_reason(error));
  }
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    const int error = errno;
    ::close(fd);
    throw refuse(system_reason(error));
  }
  regular_ = S_ISREG(st.st_mode);
  if (regular_ && flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    throw refuse(error == EWOULDBLOCK ? "it is in use by another session" : system_reason(error));
  }
  if (on_fresh_start_) on_fresh_start_(folder_ / trimmed);
  if ((regular_ && ftruncate(fd, 0) != 0) || fcntl(fd, F_SETFL, 0) != 0) {
    const int error = errno;
    ::close(fd);
    throw refuse(system_reason(error));
  }
  fd_ = fd;
  whole_ = 0;
  lines_ = 0;
  digest_ = kDigestStart;
  ++starts_;
  open_name_ = trimmed;
}

void StorageFile::write_line(std::string_view line) {
  if (fd_ < 0) return;
  std::string text(line);
  text += '\n';
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    const int error = n < 0 ? errno : EIO;
    // A short write leaves part of the line: the file keeps whole lines only.
    if (regular_ && done > 0) (void)ftruncate(fd_, whole_);
    throw DialogueStop("Quorvane: cannot write to the storage file \"" + printable(open_name_) + "\": " +
                       system_reason(error) + ".");
  }
  whole_ += static_cast<off_t>(text.size());
  ++lines_;
  digest_ = fnv1a(digest_, text);
}

std::uint64_t fnv1a(std::uint64_t digest, std::string_view bytes) {
  for (const char c : bytes) {
    digest ^= static_cast<unsigned char>(c);
    digest *= 1099511628211ull;
  }
  return digest;
}

void StorageFile::protect(dev_t device, ino_t inode, std::string what) {
  protected_.push_back({device, inode, std::move(what)});
}

bool StorageFile::refuses(const std::string& name, Console& console) const {
  struct stat st {};
  const std::string trimmed = without_trailing_blanks(name);
  if (protected_.empty() || trimmed.empty() || trimmed.find('\0') != std::string::npos ||
      ::stat((folder_ / trimmed).c_str(), &st) != 0) {
    return false;
  }
  for (const ProtectedFile& p : protected_) {
    if (st.st_dev != p.device || st.st_ino != p.inode) continue;
    console.line(X(6) + "\"" + printable(trimmed) + "\" is " + p.what + "; enter another FILENAME.");
    return true;
  }
  return false;
}

void Report::both(std::string_view line) {
  console_.line(line);
  file(line);
}

void Report::both(const std::vector<std::string>& lines) {
  for (const auto& l : lines) both(l);
}

void Report::both_grouped(const std::vector<std::string>& lines) {
  for (const auto& l : lines) console_.line(l);
  for (const auto& l : lines) file(l);
}

void Report::console(std::string_view line) { console_.line(line); }

void Report::file(std::string_view line) {
  if (!storing()) return;
  // The console copy of a line is delivered before its file copy, so that a
  // run ended abruptly never has stored a line the user did not see.
  console_.flush();
  file_.write_line(line);
}

std::vector<std::string> report_header(const ClockReading& c) {
  return {"",
          fmt::fill(fmt::rule72(), {}),
          fmt::fill(fmt::date_line(), {c.month, c.day, c.year, c.hour, c.minute, c.second}),
          X(15) + "RF/Microwave Computer-Aided Engineering Design Data For",
          X(15) + " Multi-Section Parallel Coupled Line Bandpass Filters.",
          ""};
}

std::string stored_in_line(const Control& control) {
  return fmt::fill(fmt::stored_line(), {control.fnstore});
}

namespace {

// The two names an analysis never stores into: the program's own files.
void screen_reserved_name(Control& control) {
  const std::string name = without_trailing_blanks(control.fnstore);
  if (name == "Quorvane.DEF" || name == "Quorvane.EXE") control.fnstore = A("Quorvane.XLS", 20);
}

// Asks for the file name; an empty answer takes the defaults file's name.  A
// name of the defaults file in use is refused and asked again (every round
// reads a console line, so the end of the input ends the asking).
void ask_file_name(Console& console, const StorageFile& file, DesignState& state,
                   void (*screen)(Control&) = nullptr) {
  do {
    console.line(X(6) + "Enter a FILENAME (up to 20 characters) for Output Data storage: ");
    console.line(X(10) + "-Enter: Filename.xls for storage in a spreadsheet");
    console.line(X(10) + "-Enter: Filename.doc for storage in a word processor");
    console.line(X(10) + "-Enter: Filename.txt for storage as a text document");
    const std::string fname = console.text20(X(11) + "Enter your FILENAME for Output Data Storage: ");
    state.control.fnstore = state.defaults.fndef;
    if (fname.find_first_not_of(' ') != std::string::npos) state.control.fnstore = fname;
    if (screen != nullptr) screen(state.control);
  } while (file.refuses(state.control.fnstore, console));
}

}  // namespace

void ask_storage(StorageOccasion occasion, Console& console, StorageFile& file, DesignState& state) {
  Control& control = state.control;
  if (occasion == StorageOccasion::kAnalysis) control.istore = 0;
  console.line();
  const bool yes = console.choice(X(5) + "Is Output Data STORAGE desired? (1=Yes) = ") == 1;
  switch (occasion) {
    case StorageOccasion::kElectrical:
      control.istore = 2;
      state.iopen12 = 0;
      if (!yes) return;
      control.istore = 1;
      state.iopen12 = 1;
      ask_file_name(console, file, state);
      file.open(control.fnstore);
      return;
    case StorageOccasion::kDimensions:
      control.istore = 2;
      if (!yes) return;
      control.istore = 1;
      if (state.iopen12 == 1) return;
      ask_file_name(console, file, state);
      file.open(control.fnstore);
      state.iopen12 = 1;
      return;
    case StorageOccasion::kAnalysis:
      if (!yes) return;
      control.istore = 1;
      if (state.iopen12 == 1) return;
      ask_file_name(console, file, state, screen_reserved_name);
      file.open(control.fnstore);
      return;
  }
}

}  // namespace quorvane
