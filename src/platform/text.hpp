// How a failure line quotes what it names.
#pragma once

#include <string>
#include <string_view>

namespace quorvane::platform {

// The text as an error line quotes it: printable ASCII kept, every other
// byte written as \xHH, so that the line stays one clean line.
std::string printable(std::string_view text);

// The system's text for an errno value.
std::string system_reason(int error);

}  // namespace quorvane::platform
