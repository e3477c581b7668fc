// Entry point of interseccao.
#include "cli/command_line.hpp"

int main(int argc, char** argv) { return interseccao::mainEntry(argc, argv); }
