#include "platform/input_file.hpp"

#include <sys/stat.h>

#include <cerrno>

#include "platform/text.hpp"

namespace quorvane::platform {

std::string open_input(std::ifstream& in, const std::filesystem::path& path) {
  errno = 0;
  in.open(path, std::ios::binary);
  if (!in.is_open()) return system_reason(errno != 0 ? errno : EIO);
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return system_reason(EISDIR);
  return {};
}

}  // namespace quorvane::platform
