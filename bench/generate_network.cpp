// Writes one synthetic observation file to standard output.
#include "network_generator.hpp"

#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

int main(int argc, char** argv) {
    constexpr std::string_view usage =
        "Usage: generate_network [--unit gc|gs|gr] [--stations N] [--sightings MIN MAX]\n"
        "                        [--zenith N] [--precision P] [--noise SECONDS] [--seed S]\n";
    interseccao::bench::NetworkOptions options;
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string_view option = argv[i];
            const auto value = [&]() -> std::string {
                if (i + 1 >= argc) throw std::invalid_argument("missing value");
                return argv[++i];
            };
            if (option == "--unit")
                options.unit = value();
            else if (option == "--stations")
                options.stations = std::stoi(value());
            else if (option == "--sightings") {
                options.minSightings = std::stoi(value());
                options.maxSightings = std::stoi(value());
            } else if (option == "--zenith")
                options.zenithRecords = std::stoi(value());
            else if (option == "--precision")
                options.precision = std::stod(value());
            else if (option == "--noise")
                options.readingNoise = std::stod(value());
            else if (option == "--seed")
                options.seed = std::stoull(value());
            else
                throw std::invalid_argument("unknown option");
        }
        std::cout << interseccao::bench::generateNetwork(options);
    } catch (const std::exception& error) {
        std::cerr << "generate_network: " << error.what() << '\n' << usage;
        return 2;
    }
    return 0;
}
