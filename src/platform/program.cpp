#include "platform/program.hpp"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <new>
#include <system_error>

#include "platform/output_file.hpp"
#include "platform/text.hpp"

namespace quorvane::platform {

bool DescriptorBuffer::drain() {
  const std::string_view held(pbase(), static_cast<std::size_t>(pptr() - pbase()));
  setp(buffer_, buffer_ + sizeof buffer_);
  if (error_ == 0 && !held.empty()) error_ = write_all(fd_, held);
  // What comes after a failed write is dropped: the stream stays failed.
  if (error_ != 0) errno = error_;
  return error_ == 0;
}

DescriptorBuffer::int_type DescriptorBuffer::overflow(int_type c) {
  if (!drain()) return traits_type::eof();
  if (!traits_type::eq_int_type(c, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
  }
  return traits_type::not_eof(c);
}

std::streamsize DescriptorBuffer::xsputn(const char* s, std::streamsize n) {
  if (n <= 0) return 0;  // nothing to put (and no buffer yet before the first drain)
  if (n <= epptr() - pptr()) {
    std::memcpy(pptr(), s, static_cast<std::size_t>(n));
    pbump(static_cast<int>(n));
    return n;
  }
  if (!drain()) return 0;
  if (error_ == 0) error_ = write_all(fd_, std::string_view(s, static_cast<std::size_t>(n)));
  if (error_ != 0) errno = error_;
  return error_ == 0 ? n : 0;
}

int DescriptorBuffer::sync() { return drain() ? 0 : -1; }

namespace {

ProgramLines running{"", ""};

// A standard descriptor that was closed is taken by a descriptor that fails
// every use the program makes of it (input opened for writing, output for
// reading), so that its failure is seen and no file opened later lands on
// it: an output file on descriptor 1 would receive the console.
void hold_closed_standard_descriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    const int held = ::open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
    if (held >= 0 && held != fd) {
      dup2(held, fd);
      ::close(held);
    }
  }
}

// The one line of an exception that ended the program.
std::string failure_text(const std::function<int(const std::vector<std::string>&)>& body,
                         const std::vector<std::string>& args, int& status) {
  try {
    status = body(args);
    return {};
  } catch (const std::bad_alloc&) {
    return "out of memory";
  } catch (const std::exception& e) {
    // system_error (a thread start), filesystem_error (a stat), and the rest.
    return e.what();
  } catch (...) {
    return "an unknown failure";
  }
}

// Puts a stream on a buffer for as long as it lives.
class Redirect {
 public:
  Redirect(std::ostream& stream, std::streambuf* buffer) : stream_(stream), old_(stream.rdbuf(buffer)) {}
  ~Redirect() { stream_.rdbuf(old_); }
  Redirect(const Redirect&) = delete;
  Redirect& operator=(const Redirect&) = delete;

 private:
  std::ostream& stream_;
  std::streambuf* old_;
};

}  // namespace

const ProgramLines& program_lines() { return running; }

int run_main(ProgramLines lines, int argc, char** argv, const std::function<int(const std::vector<std::string>&)>& body) {
  running = lines;
  hold_closed_standard_descriptors();
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);
  std::ios::sync_with_stdio(false);
  DescriptorBuffer console(STDOUT_FILENO), log(STDERR_FILENO);
  const Redirect out(std::cout, &console), err(std::cerr, &log);
  int status = 1;
  try {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
    if (const std::string failure = failure_text(body, args, status); !failure.empty()) {
      status = 1;
      std::cerr << lines.prefix << failure << lines.end << '\n';
    }
  } catch (const std::bad_alloc&) {
    status = 1;
  }
  std::cout.flush();
  if (console.error() != 0 && status != 1) {
    std::cerr << lines.prefix << "cannot write to the console: " << system_reason(console.error()) << lines.end << '\n';
    status = 1;
  }
  std::cerr.flush();
  return log.error() != 0 ? 1 : status;
}

}  // namespace quorvane::platform
