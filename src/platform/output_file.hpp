// Every file a program writes goes through one helper: the text is written
// to a temporary name in the output folder and renamed to its own name only
// when it is complete, so that a full disk leaves no empty or cut file.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quorvane::platform {

// Writes `text` as the file `path`; "" when done, else the system's reason
// (the temporary file is removed then, and `path` is left as it was).
std::string write_output_file(const std::filesystem::path& path, std::string_view text);

}  // namespace quorvane::platform
