// Stops and errors as the program says them.
#include "app/run_end.hpp"

namespace interseccao {

void writeStop(const RunError& stop, Output& output) {
    for (const std::string& line : stop.plainLines()) output.writePlainLine(Channel::Console, line);
    output.writeStopMessage(stop.shown());
}

std::string stopText(const RunError& stop) {
    std::string text;
    for (const std::string& line : stop.plainLines()) {
        const std::size_t begin = line.find_first_not_of(' ');
        if (begin == std::string::npos) continue;
        text += line.substr(begin) + " ";
    }
    return text + stop.shown();
}

void writeError(const RunError& error, std::ostream& errors) { errors << error.shown() << '\n'; }

} // namespace interseccao
