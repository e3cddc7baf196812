#include "platform/text.hpp"

#include <cstring>

namespace quorvane::platform {

std::string printable(std::string_view text) {
  std::string q;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7f) {
      q += static_cast<char>(c);
    } else {
      static const char* hex = "0123456789ABCDEF";
      q += "\\x";
      q += hex[c >> 4];
      q += hex[c & 0xf];
    }
  }
  return q;
}

std::string system_reason(int error) { return error != 0 ? std::strerror(error) : "unknown error"; }

}  // namespace quorvane::platform
