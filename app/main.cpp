#include "session/command_line.hpp"

int main(int argc, char** argv) { return quorvane::run_console_program(argc, argv); }
