// The one way every program starts and ends.  run_main ignores SIGPIPE and
// SIGXFSZ (a reader that went away, a file-size limit: ordinary write
// errors, EPIPE and EFBIG), holds closed standard descriptors, puts the
// console (standard output) and the log (the error stream) on buffers that
// write straight to their descriptors (retried on EINTR and short writes,
// the first failure kept), and turns every exception into one line and
// status 1.  Status 0 (or the program's other status) stands only when the
// console and the log took every byte; a console that failed adds its one
// line naming it and the system's reason, and the status becomes 1.
#pragma once

#include <functional>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::platform {

// How a program's failure lines read: "<prefix><text><end>", for example
// "quorvane-view: " and "", or "Quorvane: " and ".".
struct ProgramLines {
  std::string_view prefix;
  std::string_view end;
};

// The buffer of one output descriptor.
class DescriptorBuffer : public std::streambuf {
 public:
  explicit DescriptorBuffer(int fd) : fd_(fd) { setp(buffer_, buffer_ + sizeof buffer_); }
  ~DescriptorBuffer() override { sync(); }
  // The errno of the first write that failed; 0 when every byte went out.
  int error() const { return error_; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  bool drain();
  int fd_;
  int error_ = 0;
  char buffer_[1 << 14];
};

// The failure line's prefix and end of the running program (set by run_main).
const ProgramLines& program_lines();

// std::cout and std::cerr on DescriptorBuffers of 1 and 2 while `body` runs
// on the arguments after the program's name.
int run_main(ProgramLines lines, int argc, char** argv, const std::function<int(const std::vector<std::string>&)>& body);

}  // namespace quorvane::platform
