// A stream buffer that accepts every character and keeps none: the console
// of the benchmarks.
#pragma once

#include <streambuf>

namespace quorvane {

class DiscardBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

}  // namespace quorvane
