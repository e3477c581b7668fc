// The floor under one run of the program: the same input and output work with nothing in
// between. It reads the observation file twice (the program itself now reads it once: the floor
// is generous), splitting it into values and converting every number with from_chars, and writes as
// many lines to the console and to the report file as the program does, each with a number
// set into a fixed field by to_chars. What the program takes beyond this is its computation
// and the cost of its own reading and writing.
//
//   interseccao_floor CONSOLE_LINES REPORT_LINES
//
// Standard input holds the answers, as for the program: the observation file name, then the
// report file name. The console lines go to standard output.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

bool isSeparator(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ','; }

// Calls `number` with every value of the text that reads as a number.
template <class Number> void forEachNumber(std::string_view text, Number number) {
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isSeparator(text[i])) ++i;
        const std::size_t begin = i;
        while (i < text.size() && !isSeparator(text[i])) ++i;
        std::string_view token = text.substr(begin, i - begin);
        if (token.empty()) break;
        if (token.front() == '+') token.remove_prefix(1);
        if (token.empty()) continue;
        const char first = token.front();
        if (!(first == '-' || first == '.' || (first >= '0' && first <= '9'))) continue;
        // The program accepts D exponents too: read them from a copy with an E.
        char copy[64];
        for (std::size_t k = 0; k < token.size(); ++k)
            if ((token[k] == 'd' || token[k] == 'D') && token.size() <= sizeof copy) {
                token.copy(copy, token.size());
                copy[k] = 'e';
                token = std::string_view(copy, token.size());
                break;
            }
        double value = 0;
        const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
        if (error == std::errc() && end == token.data() + token.size()) number(value);
    }
}

// Lines of a fixed layout with one F15.6 field, collected in a buffer written in large pieces.
class LineWriter {
public:
    explicit LineWriter(std::FILE* file) : file_(file) { buffer_.reserve(piece + 128); }
    ~LineWriter() { flush(); }

    void line(double value) {
        buffer_ += "     Valor lido = ";
        char field[400];
        const auto [end, error] =
            std::to_chars(field, field + sizeof field, value, std::chars_format::fixed, 6);
        const std::size_t length = error == std::errc() ? static_cast<std::size_t>(end - field) : 0;
        if (length == 0 || length > 15)
            buffer_.append(15, '*');
        else {
            buffer_.append(15 - length, ' ');
            buffer_.append(field, length);
        }
        buffer_ += " m\r\n";
        if (buffer_.size() >= piece) flush();
    }

    void flush() {
        std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
        buffer_.clear();
    }

private:
    static constexpr std::size_t piece = 1 << 16;
    std::FILE* file_;
    std::string buffer_;
};

std::string answer() {
    std::string line;
    std::getline(std::cin, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "Usage: interseccao_floor CONSOLE_LINES REPORT_LINES\n";
        return 2;
    }
    const long consoleLines = std::strtol(argv[1], nullptr, 10);
    const long reportLines = std::strtol(argv[2], nullptr, 10);
    const std::string observationName = answer();
    const std::string reportName = answer();

    std::string contents;
    if (std::FILE* in = std::fopen(observationName.c_str(), "rb")) {
        char piece[1 << 16];
        std::size_t got = 0;
        while ((got = std::fread(piece, 1, sizeof piece, in)) > 0) contents.append(piece, got);
        std::fclose(in);
    } else {
        std::cerr << "interseccao_floor: cannot read " << observationName << '\n';
        return 2;
    }

    // The counting pass sizes the store that the loading pass fills.
    std::size_t count = 0;
    forEachNumber(contents, [&](double) { ++count; });
    std::vector<double> values;
    values.reserve(count);
    forEachNumber(contents, [&](double value) { values.push_back(value); });
    if (values.empty()) values.push_back(0);

    std::FILE* report = std::fopen(reportName.c_str(), "wb");
    if (report == nullptr) {
        std::cerr << "interseccao_floor: cannot create " << reportName << '\n';
        return 2;
    }
    {
        LineWriter console(stdout);
        for (long i = 0; i < consoleLines; ++i)
            console.line(values[static_cast<std::size_t>(i) % values.size()]);
        LineWriter file(report);
        for (long i = 0; i < reportLines; ++i)
            file.line(values[static_cast<std::size_t>(i) % values.size()]);
    }
    return std::fclose(report) == 0 ? 0 : 1;
}
