// The program's name and version, as the banner and every report header
// print them and as `--version` reports them.  The version number itself is
// the project's version in CMakeLists.txt, its one definition.
#pragma once

#include <string_view>

#ifndef QUORVANE_VERSION
#error "QUORVANE_VERSION comes from the build (project VERSION in CMakeLists.txt)"
#endif

namespace quorvane {

inline constexpr std::string_view kProgramVersion = QUORVANE_VERSION;
// "Quorvane (v. 1.4)"
inline constexpr std::string_view kProgramTitle = "Quorvane (v. " QUORVANE_VERSION ")";

}  // namespace quorvane
