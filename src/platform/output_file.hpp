// Every file a program writes goes through one helper: the text is written
// to a temporary name in the output folder and renamed to its own name only
// when it is complete, so that a full disk leaves no empty or cut file.
// Every write to a descriptor goes through write_all: retried when a signal
// interrupts it and when it takes only part of the text.
#pragma once

#include <cstddef>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>

namespace quorvane::platform {

// Writes all of `text` to `fd`; 0 when done, else the errno of the failure
// (EIO for a write that takes nothing without an error).
int write_all(int fd, std::string_view text);

// Writes `text` as the file `path`; "" when done, else the system's reason
// (the temporary file is removed then, and `path` is left as it was; a
// temporary that cannot be removed is named with its own reason).  A
// missing folder is made; one that cannot be is named with its reason.  The file
// is not synced to the disk: the promise is about the process's faults.
std::string write_output_file(const std::filesystem::path& path, std::string_view text);

// write_output_file with its line in `log`: "  wrote PATH" when done, else
// "<program>: cannot write PATH: <reason>" and false.
bool write_logged(const std::filesystem::path& path, std::string_view text, std::string_view program,
                  std::ostream& log);

// Makes `folder` and the folders above it that are missing; "" when it is
// there, else "<the folder that could not be made>: <the system's reason>".
std::string make_output_folder(const std::filesystem::path& folder);

}  // namespace quorvane::platform
