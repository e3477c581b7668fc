// The program with the general computation, every matrix formed in full: the benchmark's
// point of comparison, not installed.
#include "app/command_line.hpp"
#include "general_computation.hpp"

int main(int argc, char** argv) {
    interseccao::Adjustments general;
    general.planimetry = [](const interseccao::ObservationSet& observations,
                            const interseccao::Orientation& orientation) {
        return interseccao::general::solvePlanimetry(observations, orientation);
    };
    general.height = interseccao::general::solveHeight;
    return interseccao::mainEntry(argc, argv, general);
}
