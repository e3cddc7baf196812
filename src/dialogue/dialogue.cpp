#include "dialogue/dialogue.hpp"

namespace quorvane {

int run_console_program() { return 0; }

}  // namespace quorvane
