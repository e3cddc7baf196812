// How a program opens the file it reads.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace quorvane::platform {

// Opens `path` for reading into `in`; "" when it is open, else the system's
// reason (a folder is refused as one: it opens, but cannot be read).
std::string open_input(std::ifstream& in, const std::filesystem::path& path);

}  // namespace quorvane::platform
