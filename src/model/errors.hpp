// How a run ends early: one error type for every way, carrying what to say.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace interseccao {

// An early end of a run. The application catches it in one place and says it there:
// - a stop is a condition the program checks itself: its plain lines and its message (or
//   "Stop - Program terminated." when it has none) go to the console, and the run ends
//   with exit status 0 in the dialogue, 1 on the command line;
// - a file error is a file that cannot be opened, read or written, or a malformed
//   observation file: the message, which names the file and where one applies the line,
//   goes to standard error, exit status 2;
// - a usage error is a command line that cannot be carried out, with nothing written:
//   standard error, exit status 2.
class RunError : public std::runtime_error {
public:
    enum class Kind { Stop, File, Usage };

    static RunError stop(std::string message = {}, std::vector<std::string> plainLines = {}) {
        return RunError(Kind::Stop, std::move(message), std::move(plainLines));
    }
    static RunError file(std::string message) { return RunError(Kind::File, std::move(message)); }
    static RunError usage(std::string message) { return RunError(Kind::Usage, std::move(message)); }
    // "Erro no ficheiro NAME, linha N: PROBLEM", without the line when `line` is 0.
    static RunError inFile(std::string_view file, std::string_view problem, std::size_t line = 0) {
        std::string message = "Erro no ficheiro " + std::string(file);
        if (line > 0) message += ", linha " + std::to_string(line);
        message += ": ";
        message += problem;
        return RunError(Kind::File, std::move(message));
    }

    Kind kind() const { return kind_; }
    bool isStop() const { return kind_ == Kind::Stop; }
    // The message as given; empty for a stop that says only its plain lines.
    const std::string& message() const { return message_; }
    const std::vector<std::string>& plainLines() const { return plainLines_; }
    // The message as the program shows it: a stop without one says that the program ended.
    std::string shown() const {
        return kind_ == Kind::Stop && message_.empty() ? "Stop - Program terminated." : message_;
    }

private:
    RunError(Kind kind, std::string message, std::vector<std::string> plainLines = {})
        : std::runtime_error(message), kind_(kind), message_(std::move(message)),
          plainLines_(std::move(plainLines)) {}

    Kind kind_;
    std::string message_;
    std::vector<std::string> plainLines_;
};

// The stop for values beyond what the computation can represent: readings that overflow
// when converted, an adjustment that diverges to values without meaning.
inline constexpr const char* outOfRangeMessage = "Valores fora do dominio de calculo!";

} // namespace interseccao
