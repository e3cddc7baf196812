#include "platform/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/text.hpp"

namespace quorvane::platform {

int write_all(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n > 0) {
      text.remove_prefix(static_cast<std::size_t>(n));
    } else if (n == 0) {
      return EIO;
    } else if (errno != EINTR) {
      return errno;
    }
  }
  return 0;
}

namespace {

int close_checked(int fd) {
  // Linux releases the descriptor also when close fails with EINTR: never retried.
  return ::close(fd) == 0 || errno == EINTR ? 0 : errno;
}

int open_temporary(const std::filesystem::path& temporary) {
  int fd = -1;
  do fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

std::string write_output_file(const std::filesystem::path& path, std::string_view text) {
  std::string hidden = ".";
  hidden += path.filename().string();
  hidden += ".part-";
  hidden += std::to_string(::getpid());
  const std::filesystem::path temporary = path.parent_path() / hidden;
  int fd = open_temporary(temporary);
  if (fd < 0 && (errno == ENOENT || errno == ENOTDIR)) {
    // The folder is missing: made here, or named with the reason it cannot be.
    if (const std::string fault = make_output_folder(path.parent_path()); !fault.empty())
      return "cannot make the folder " + fault;
    fd = open_temporary(temporary);
  }
  if (fd < 0) return system_reason(errno);
  int error = write_all(fd, text);
  if (const int closed = close_checked(fd); error == 0) error = closed;
  if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error == 0) return {};
  std::string why = system_reason(error);
  if (::unlink(temporary.c_str()) != 0 && errno != ENOENT) {
    const int left = errno;
    why += "; the temporary file " + temporary.string() + " is left behind (" + system_reason(left) + ")";
  }
  return why;
}

std::string make_output_folder(const std::filesystem::path& folder) {
  if (folder.empty()) return {};
  std::filesystem::path made;
  for (const std::filesystem::path& part : folder) {
    made /= part;
    if (part.empty()) continue;
    struct stat st {};
    if (::stat(made.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
    if (::mkdir(made.c_str(), 0777) != 0 && errno != EEXIST) return made.string() + ": " + system_reason(errno);
    if (::stat(made.c_str(), &st) != 0) return made.string() + ": " + system_reason(errno);
    if (!S_ISDIR(st.st_mode)) return made.string() + ": " + system_reason(ENOTDIR);
  }
  return {};
}

bool write_logged(const std::filesystem::path& path, std::string_view text, std::string_view program,
                  std::ostream& log) {
  if (const std::string why = write_output_file(path, text); !why.empty()) {
    log << program << ": cannot write " << path.string() << ": " << why << '\n';
    return false;
  }
  log << "  wrote " << path.string() << '\n';
  return true;
}

}  // namespace quorvane::platform
