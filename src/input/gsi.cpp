// The GSI record: one block a line, words separated by blanks. A word is two digits of word
// index, four header characters (for 11 and 41 the block number; otherwise '.', the automatic
// index, the input mode and the unit digit), a sign and 8 (GSI-8) or 16 (GSI-16) data
// characters, right-aligned with leading zeros. Data written as dashes is a value the
// instrument does not have.
#include "input/gsi.hpp"

#include "model/errors.hpp"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace interseccao {

namespace {

// Views into the record's text, which outlives the reading of each block.
struct Word {
    std::string_view text; // as written
    char unit = '.';       // the unit digit, '.' where none applies
    bool negative = false;
    std::string_view data;
};

// The words of one line that are not absent, with their word index, in the order written; a
// block holds a handful, so they are found by looking at each.
struct Block {
    std::vector<std::pair<int, Word>> words;

    bool empty() const { return words.empty(); }
    const Word* find(int index) const {
        for (const auto& [wordIndex, word] : words)
            if (wordIndex == index) return &word;
        return nullptr;
    }
    bool contains(int index) const { return find(index) != nullptr; }
    const Word& at(int index) const { return *find(index); }
};

struct Place {
    const std::string& file;
    std::size_t line;
    std::size_t width; // data characters: 8 or 16
};

[[noreturn]] void badWord(const Place& at, const Word& word, const std::string& why) {
    throw RunError::inFile(at.file,
                           "palavra " + std::string(word.text.substr(0, 2)) + " \"" +
                               std::string(word.text) + "\": " + why,
                           at.line);
}

bool isDigits(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

// The integer of a numeric word's data, with its sign.
double integerValue(const Word& word, const Place& at) {
    if (word.data.size() != at.width || !isDigits(word.data))
        badWord(at, word, "esperados " + std::to_string(at.width) + " algarismos");
    // At most 16 digits: exact as an integer, and then rounded once, as a decimal reading is.
    std::int64_t digits = 0;
    std::from_chars(word.data.data(), word.data.data() + word.data.size(), digits);
    const auto value = static_cast<double>(digits);
    return word.negative ? -value : value;
}

// An angle word in its unit: gon, decimal degrees, seconds of arc (DDDMMSSs) or mil.
std::pair<double, RecordedUnit> angleOf(const Word& word, const Place& at) {
    const double n = integerValue(word, at);
    switch (word.unit) {
    case '2': return {n / 1e5, RecordedUnit::Gon};
    case '3': return {n / 1e5, RecordedUnit::DecimalDegrees};
    case '4': {
        const double magnitude = std::fabs(n);
        const double tenths = std::fmod(magnitude, 1000);
        const double minutes = std::fmod(std::floor(magnitude / 1000), 100);
        const double degrees = std::floor(magnitude / 100000);
        if (minutes >= 60 || tenths >= 600) badWord(at, word, "minutos ou segundos de 60 ou mais");
        const double seconds = degrees * 3600 + minutes * 60 + tenths / 10;
        return {n < 0 ? -seconds : seconds, RecordedUnit::ArcSeconds};
    }
    case '5': return {n / 1e4, RecordedUnit::Mil};
    default: break;
    }
    badWord(at, word, std::string("o algarismo de unidade ") + word.unit + " nao e de angulos");
}

// A length word in metres; without a unit digit, in millimetres.
double lengthOf(const Word& word, const Place& at) {
    constexpr double foot = 0.3048;
    const double n = integerValue(word, at);
    switch (word.unit) {
    case '.':
    case '0': return n / 1e3;
    case '1': return n / 1e3 * foot;
    case '6': return n / 1e4;
    case '7': return n / 1e4 * foot;
    case '8': return n / 1e5;
    default: break;
    }
    badWord(at, word, std::string("o algarismo de unidade ") + word.unit + " nao e de distancias");
}

// An identifier without its leading zeros ("000000000000BP03" is "BP03").
std::string identifierOf(const Word& word) {
    const std::size_t first = word.data.find_first_not_of('0');
    return first == std::string_view::npos ? std::string("0")
                                           : std::string(word.data.substr(first));
}

std::optional<double> optionalLength(const Block& block, int index, const Place& at) {
    const Word* word = block.find(index);
    if (word == nullptr) return std::nullopt;
    return lengthOf(*word, at);
}

Block splitBlock(std::string_view line, const Place& at) {
    Block block;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const std::size_t begin = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i == begin) break;
        Word word;
        word.text = line.substr(begin, i - begin);
        const std::string_view text = word.text;
        if (text.size() < 8 || !isDigits(text.substr(0, 2)) || (text[6] != '+' && text[6] != '-'))
            badWord(at, word, "nao e uma palavra GSI");
        word.unit = text[5];
        word.negative = text[6] == '-';
        word.data = text.substr(7);
        if (word.data.find('-') != std::string_view::npos) continue; // a value the instrument lacks
        const int index = (text[0] - '0') * 10 + (text[1] - '0');
        // A word index written twice: the first counts, as a look-up by index finds it.
        if (!block.contains(index)) block.words.emplace_back(index, word);
    }
    return block;
}

// A set-up that the block begins, in any of the three ways instruments mark one.
std::optional<FieldSetup> setupOf(const Block& block, const Place& at) {
    FieldSetup setup;
    setup.line = at.line;
    if (block.contains(41) && block.contains(42)) {
        setup.station = identifierOf(block.at(42));
        setup.instrumentHeight = optionalLength(block, 43, at);
        return setup;
    }
    if (!block.contains(11)) return std::nullopt;
    const bool coordinates = block.contains(84) && block.contains(85);
    if (!coordinates && !(block.contains(88) && !block.contains(21))) return std::nullopt;
    setup.station = identifierOf(block.at(11));
    if (coordinates) {
        setup.m = lengthOf(block.at(84), at);
        setup.p = lengthOf(block.at(85), at);
        setup.height = optionalLength(block, 86, at);
    }
    setup.instrumentHeight = optionalLength(block, 88, at);
    return setup;
}

FieldSighting sightingOf(const Block& block, const Place& at) {
    FieldSighting sighting;
    sighting.target = identifierOf(block.at(11));
    const auto [horizontal, unit] = angleOf(block.at(21), at);
    sighting.horizontal = horizontal;
    sighting.unit = unit;
    if (const Word* zenith = block.find(22)) {
        const auto [value, zenithUnit] = angleOf(*zenith, at);
        sighting.zenith = convertReading(value, zenithUnit, unit);
    }
    sighting.targetHeight = optionalLength(block, 87, at);
    sighting.line = at.line;
    return sighting;
}

} // namespace

bool looksLikeGsi(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string_view::npos) return false;
    const std::string_view line = text.substr(begin, text.find('\n', begin) - begin);
    if (line.front() == '*') return true;
    return line.size() >= 8 && isDigits(line.substr(0, 2)) && (line[6] == '+' || line[6] == '-');
}

FieldBook readGsi(std::string_view text, const std::string& fileName) {
    FieldBook book;
    book.file = fileName;
    book.format = "Leica GSI-8";
    std::size_t lineNumber = 0;
    for (std::size_t begin = 0; begin < text.size();) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(begin, end - begin);
        begin = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const bool wide = !line.empty() && line.front() == '*';
        if (wide) {
            line.remove_prefix(1);
            book.format = "Leica GSI-16";
        }
        const Place at{fileName, lineNumber, wide ? std::size_t{16} : std::size_t{8}};
        const Block block = splitBlock(line, at);
        if (block.empty()) continue;
        if (auto setup = setupOf(block, at)) {
            setup->file = fileName;
            book.setups.push_back(std::move(*setup));
        } else if (block.contains(11) && block.contains(21)) {
            if (book.setups.empty())
                throw RunError::inFile(fileName,
                                       "visada antes de qualquer estacao (palavra 11 \"" +
                                           std::string(block.at(11).text) + "\")",
                                       lineNumber);
            book.setups.back().sightings.push_back(sightingOf(block, at));
        }
    }
    return book;
}

} // namespace interseccao
