#include "session/dialogue.hpp"

int main() { return quorvane::run_console_program(); }
