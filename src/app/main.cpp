// Entry point of interseccao.
#include "app/command_line.hpp"
#include "platform/console.hpp"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace interseccao;
    platform::useBinaryStreams();
    std::vector<std::string> arguments = platform::commandLine(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    const int status = mainEntry(static_cast<int>(arguments.size()), pointers.data());
    // A window opened by a double click would otherwise close before the last lines are read.
    platform::waitBeforeClosing(std::cin, std::cout);
    return status;
}
