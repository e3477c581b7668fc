// Entry point of interseccao.
#include "run/driver.hpp"

int main(int argc, char** argv) { return interseccao::mainEntry(argc, argv); }
