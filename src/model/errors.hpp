// The two ways a run ends early: a stop of the program and an error of the file layer.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace interseccao {

// A condition the program checks itself. The driver writes `plainLines` as plain console
// lines, then the message (or "Stop - Program terminated." when it is empty), and ends
// the run with exit status 0.
class Stop : public std::runtime_error {
public:
    explicit Stop(std::string message = {}, std::vector<std::string> plainLines = {})
        : std::runtime_error(message), message_(std::move(message)),
          plainLines_(std::move(plainLines)) {}

    const std::string& message() const { return message_; }
    const std::vector<std::string>& plainLines() const { return plainLines_; }

private:
    std::string message_;
    std::vector<std::string> plainLines_;
};

// The stop for values beyond what the computation can represent: readings that overflow
// when converted, an adjustment that diverges to values without meaning.
inline constexpr const char* outOfRangeMessage = "Valores fora do dominio de calculo!";

// A file that cannot be opened, read or written, or a malformed observation file. The
// message names the file and, where one applies, the line; the driver writes it on
// standard error and ends the run with exit status 2.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;

    // "Erro no ficheiro NAME, linha N: PROBLEM", without the line when `line` is 0.
    static FileError inFile(std::string_view file, std::string_view problem, std::size_t line = 0) {
        std::string message = "Erro no ficheiro " + std::string(file);
        if (line > 0) message += ", linha " + std::to_string(line);
        message += ": ";
        message += problem;
        return FileError(message);
    }
};

} // namespace interseccao
