// The program with the general computation, every matrix formed in full: the benchmark's
// point of comparison, not installed.
#include "run/driver.hpp"

int main(int argc, char** argv) {
    return interseccao::mainEntry(argc, argv, interseccao::ComputationPath::General);
}
