// The storage file and the report sink.  Every report line goes to the
// console first and then, while the phase stores, to the storage file, which
// is flushed after each line so that an abrupt end loses nothing.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dialogue/console.hpp"
#include "dialogue/design_state.hpp"

namespace quorvane {

// FNV-1a, 64 bits (Fowler, Noll, Vo), of `bytes` continued from `digest`;
// kDigestStart is the digest of nothing.
inline constexpr std::uint64_t kDigestStart = 14695981039346656037ull;
std::uint64_t fnv1a(std::uint64_t digest, std::string_view bytes);


class StorageFile {
 public:
  explicit StorageFile(std::filesystem::path folder) : folder_(std::move(folder)) {}
  ~StorageFile();
  StorageFile(const StorageFile&) = delete;
  StorageFile& operator=(const StorageFile&) = delete;

  // Opens the file `name` (trailing blanks removed) in the folder.  When the
  // file of that very name is open it stays open and writing continues after
  // its last line; otherwise any open file is closed and the named file is
  // started afresh, replacing what it held.  The open file holds an exclusive
  // advisory lock (flock), so that a second session cannot mix its lines into
  // it; a FIFO nobody reads is refused instead of waited for.  Throws
  // DialogueStop on failure.
  void open(const std::string& name);

  // Writes one line.  Throws DialogueStop when it cannot, after cutting the
  // file back to its last whole line.
  void write_line(std::string_view line);

  bool is_open() const { return fd_ >= 0; }

  // Closes the open file; a close that fails is a failed write (DialogueStop).
  void finish();
  // What the open file holds: its path, whole lines and bytes written, and
  // the FNV-1a digest of those bytes; `starts` counts the files started
  // afresh, so that a change of file between two readings shows.
  std::filesystem::path path() const { return folder_ / open_name_; }
  long lines() const { return lines_; }
  long bytes() const { return static_cast<long>(whole_); }
  std::uint64_t digest() const { return digest_; }
  long starts() const { return starts_; }
  bool regular() const { return regular_; }  // a regular file (not a FIFO or a device)

  // Called with the path of a file about to be started afresh, once its lock
  // is held and before what it holds is dropped.
  void on_fresh_start(std::function<void(const std::filesystem::path&)> call) { on_fresh_start_ = std::move(call); }

  // A file no storage name may name (the defaults file in use, the record
  // of the session), told as `what` ("the defaults file in use").
  void protect(dev_t device, ino_t inode, std::string what);
  // True, after one console line saying so, when `name` names a protected file.
  bool refuses(const std::string& name, Console& console) const;

 private:
  void close();

  std::filesystem::path folder_;
  std::string open_name_;
  int fd_ = -1;
  off_t whole_ = 0;  // bytes of whole lines written
  long lines_ = 0;
  std::uint64_t digest_ = kDigestStart;
  long starts_ = 0;
  std::function<void(const std::filesystem::path&)> on_fresh_start_;
  bool regular_ = false;
  struct ProtectedFile {
    dev_t device;
    ino_t inode;
    std::string what;
  };
  std::vector<ProtectedFile> protected_;
};

class Report {
 public:
  Report(Console& console, StorageFile& file, const Control& control)
      : console_(console), file_(file), control_(control) {}

  bool storing() const { return control_.istore == 1; }

  // The line to the console and then, when storing, to the file.
  void both(std::string_view line);
  void both(const std::vector<std::string>& lines);
  // A group of lines: all to the console, then all to the file when storing.
  void both_grouped(const std::vector<std::string>& lines);
  void console(std::string_view line);
  void file(std::string_view line);

 private:
  Console& console_;
  StorageFile& file_;
  const Control& control_;
};

// The dated header that opens every report, six lines.
std::vector<std::string> report_header(const ClockReading& clock);

// The storage line that closes the electrical and dimensional reports.
std::string stored_in_line(const Control& control);

// The storage question of the three report phases.
enum class StorageOccasion { kElectrical, kDimensions, kAnalysis };
void ask_storage(StorageOccasion occasion, Console& console, StorageFile& file, DesignState& state);

}  // namespace quorvane
