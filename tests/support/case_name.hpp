// Readable names for the cases of a table-driven test: the case's `what`
// text with every character that a test name cannot hold made an underscore.
#pragma once

#include <cctype>
#include <string>

#include <gtest/gtest.h>

namespace quorvane::testing {

struct CaseName {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
    std::string name;
    for (const char ch : std::string(info.param.what)) {
      name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    }
    return name + "_" + std::to_string(info.index);
  }
};

}  // namespace quorvane::testing
