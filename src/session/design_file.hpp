// A design file: the answers of a session as named values in the units an
// engineer thinks in (fo = 2.45 GHz, h = 1.6 mm, t = 1 oz, sweep = 2 GHz to
// 3 GHz step 2 MHz, ...), '#' starting a comment.  It is turned into the
// dialogue's own answer script (inches, MHz, menu numbers), so that the
// session it runs is the one those typed answers give.
#pragma once

#include <istream>
#include <string>

#include "dialogue/defaults_file.hpp"

namespace quorvane {

// The board house's default smallest width and gap, inch (0.1 mm).
inline constexpr double kDefaultBoardMinimumInch = 0.1 / 25.4;

struct DesignScript {
  std::string error;    // one line naming the file's line; empty when the file was read
  std::string answers;  // the answer lines, one per prompt, up to the exit
  double board_minimum_inch = kDefaultBoardMinimumInch;  // etch = ...
  double loss_tangent = 0.0;  // tand = ..., 0 when left out
};

// Reads a design file named `name` (for the error line).  A name left out
// takes the dialogue's own default, which `defaults` tells where the path of
// the prompts depends on it (the response, the number of poles).
DesignScript read_design_file(std::istream& in, const std::string& name, const Defaults& defaults);

}  // namespace quorvane
