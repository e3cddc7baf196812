// A program of the suite run as a real process in a chosen hostile
// environment: its console and log on files, on /dev/full or on a pipe
// whose reader is gone; a file-size limit (SIGXFSZ at its default
// disposition unless asked otherwise); a small address space; and a fault
// injected by the preloaded shim (tests/support/fault_shim.cc).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quorvane::testing {

enum class Sink { kFile, kDevFull, kReaderGone };

struct ChildSetup {
  std::string binary{};
  std::vector<std::string> args{};  // after the program's own, in the fault tables
  std::filesystem::path folder{};  // the working folder; the console and log files go beside it
  std::string input{};           // standard input
  Sink out = Sink::kFile, err = Sink::kFile;
  long file_size_limit = 0;      // RLIMIT_FSIZE in bytes, 0 for none
  bool xfsz_ignored = false;
  long address_space = 0;        // RLIMIT_AS in bytes, 0 for none
  std::string fault_call{};      // "" for no shim; else write, read, open, close, rename, pthread_create
  long fault_at = 0;             // 0: count only
  int fault_errno = 0;
  bool fault_files_only = false; // write: only writes to descriptors above 2 are counted
};

struct ChildResult {
  int status = -1;  // exit status, 128 + signal, or -1 when it had to be killed
  std::string out, err;
  long calls = 0;   // how often fault_call ran
};

ChildResult run_child(const ChildSetup& setup);

// Files of `folder` (not recursing): name and contents.
std::vector<std::pair<std::string, std::string>> folder_files(const std::filesystem::path& folder);

}  // namespace quorvane::testing
