// Free-form reading of observation records: values separated by blanks, commas or line ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace interseccao {

// Reads records from the whole text of the observation file. A record starts at the
// beginning of a line, may run over several lines, and the rest of the line after its
// last value is skipped. Every failure is a FileError naming the file and the line.
class RecordReader {
public:
    RecordReader(std::string contents, std::string fileName);

    // Back to the first record (the counting pass is followed by the loading pass).
    void rewind();

    // Skips whatever follows the last value of a record on its line.
    void endRecord();

    // Whether anything but blanks and line ends follows the last record read.
    bool atEnd() const;

    // `what` names the value in an error message ("numero de estacoes").
    std::string readText(std::size_t width, std::string_view what);
    std::int32_t readInteger(std::string_view what);
    double readReal(std::string_view what);

private:
    struct Token {
        std::string_view text;
        bool quoted = false;
        std::size_t line = 0;
    };

    Token nextToken(std::string_view expected, std::string_view what);
    [[noreturn]] void fail(std::size_t line, std::string_view problem, std::string_view what) const;
    [[noreturn]] void malformed(const Token& token, std::string_view expected,
                                std::string_view what) const;

    std::string contents_;
    std::string fileName_;
    std::size_t start_ = 0; // after a byte-order mark
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
    bool recordStarted_ = false;
    std::string unquoted_; // a quoted text with its doubled apostrophes made single
};

} // namespace interseccao
