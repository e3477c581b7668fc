// The free-form reader: tokens, separators, quoted texts, and the checks on numbers.
#include "input/reader.hpp"

#include "model/errors.hpp"
#include "model/observations.hpp"
#include "text/float_chars.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <system_error>

namespace interseccao {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Shows a bad value in a message: at most 40 bytes, control bytes as '?'.
std::string quoteValue(std::string_view text) {
    std::string shown;
    for (char c : text.substr(0, 40))
        shown += (static_cast<unsigned char>(c) < 32 || c == 127) ? '?' : c;
    if (text.size() > 40) shown += "...";
    return "\"" + shown + "\"";
}

bool isIntegerText(std::string_view s) {
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) s.remove_prefix(1);
    if (s.empty()) return false;
    for (char c : s)
        if (!isDigit(c)) return false;
    return true;
}

// A decimal number: optional sign, digits with an optional point (or a point and digits),
// optional exponent introduced by E or D, whose place goes to `exponent` (npos without one).
bool isRealText(std::string_view s, std::size_t& exponent);

// A decimal number, wherever its exponent stands.
bool isRealText(std::string_view s) {
    std::size_t exponent = 0;
    return isRealText(s, exponent);
}

bool isRealText(std::string_view s, std::size_t& exponent) {
    exponent = std::string_view::npos;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && isDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        exponent = i++;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        std::size_t exponentDigits = 0;
        while (i < s.size() && isDigit(s[i])) ++i, ++exponentDigits;
        if (exponentDigits == 0) return false;
    }
    return i == s.size();
}

// The value of a text that isIntegerText accepted; nothing when it is beyond 32 bits.
std::optional<std::int32_t> integerValue(std::string_view s) {
    if (s.front() == '+') s.remove_prefix(1); // from_chars takes a minus sign only
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (error != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

// The value of a text that isRealText accepted, with its exponent letter at `exponent`,
// correctly rounded; nothing when its magnitude is beyond the largest double. One below the
// smallest becomes a zero of its sign.
std::optional<double> realValue(std::string_view s, std::size_t exponent) {
    // from_chars knows only E exponents: a D exponent is read from a copy with an E.
    std::string withE;
    if (exponent != std::string_view::npos && (s[exponent] == 'd' || s[exponent] == 'D')) {
        withE = s;
        withE[exponent] = 'e';
        s = withE;
    }
    if (s.front() == '+') s.remove_prefix(1); // from_chars takes a minus sign only
    double value = 0;
    const auto [end, error] = readDouble(s.data(), s.data() + s.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Too large or too small, which from_chars does not tell apart: strtod does, and
        // takes a value too small to a zero of its sign.
        const std::string text(s);
        value = std::strtod(text.c_str(), nullptr);
        if (!std::isfinite(value)) return std::nullopt;
        return value;
    }
    if (error != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

// The digits after a decimal comma: digits, and perhaps an exponent ("300", "5e-3").
bool isCommaFraction(std::string_view s) {
    return !s.empty() && isDigit(s.front()) && s.find('.') == std::string_view::npos &&
           isRealText(s);
}

bool isRepeatCount(std::string_view s) {
    const std::size_t star = s.find('*');
    if (star == 0 || star == std::string_view::npos) return false;
    for (std::size_t i = 0; i < star; ++i)
        if (!isDigit(s[i])) return false;
    return true;
}

constexpr std::string_view textExpected = "um texto";

// What a byte is to a value outside apostrophes: its end (a blank, a comma, a line end), a
// slash or a star, which it may not hold, or any other.
constexpr unsigned char endsValue = 1, refused = 2;
constexpr auto byteKinds = [] {
    std::array<unsigned char, 256> kinds{};
    for (const char c : {' ', '\t', '\r', ',', '\n'})
        kinds[static_cast<unsigned char>(c)] = endsValue;
    for (const char c : {'/', '*'}) kinds[static_cast<unsigned char>(c)] = refused;
    return kinds;
}();

// The end of the value that starts at `from`: the next blank, comma or line end.
std::size_t endOfValue(std::string_view text, std::size_t from) {
    while (from < text.size() && !isBlank(text[from]) && text[from] != ',' && text[from] != '\n')
        ++from;
    return from;
}

} // namespace

RecordReader::RecordReader(std::string contents, std::string fileName)
    : contents_(std::move(contents)), fileName_(std::move(fileName)) {
    checkBytes();
    encoding_ = detectEncoding(contents_);
    if (contents_.starts_with("\xEF\xBB\xBF")) start_ = 3;
    rewind();
}

// Refuses what is no one-byte text. A file without a line feed whose lines end in a lone CR
// (a spreadsheet's "CSV (Macintosh)") has its CRs read as line ends; in any other file a
// CR is a blank, as before a line feed.
void RecordReader::checkBytes() {
    if (isWideText(contents_))
        throw RunError::inFile(fileName_, "o ficheiro esta em UTF-16 ou UTF-32; guarde-o como "
                                          "texto UTF-8 ou Latin-1 (ISO-8859-1) e repita");
    if (contents_.find('\n') == std::string::npos)
        std::replace(contents_.begin(), contents_.end(), '\r', '\n');
}

void RecordReader::moveTo(Place place) {
    pos_ = place.pos;
    line_ = place.line;
    forgetRecord();
}

std::size_t RecordReader::nextDataLine() const {
    std::size_t line = line_;
    for (std::size_t i = pos_; i < contents_.size(); ++i) {
        if (contents_[i] == '\n')
            ++line;
        else if (!isBlank(contents_[i]))
            break;
    }
    return line;
}

void RecordReader::rewind() {
    pos_ = start_;
    line_ = 1;
    forgetRecord();
}

void RecordReader::forgetRecord() {
    recordStarted_ = false;
    recordLine_ = 0;
    recordParts_ = 0;
    spaced_ = false;
    commaJoins_ = 0;
}

void RecordReader::describeRecord(std::initializer_list<std::string_view> parts) {
    recordParts_ = 0;
    for (std::string_view part : parts)
        if (recordParts_ < record_.size()) record_[recordParts_++] = part;
}

void RecordReader::endRecord() {
    if (recordStarted_) {
        if (commaJoins_ > 0 && spaced_) checkDecimalComma();
        const std::size_t newline = contents_.find('\n', pos_);
        if (newline == std::string::npos) {
            pos_ = contents_.size();
        } else {
            pos_ = newline + 1;
            ++line_;
        }
    }
    forgetRecord();
}

bool RecordReader::atEnd() const {
    for (std::size_t i = pos_; i < contents_.size(); ++i)
        if (!isBlank(contents_[i]) && contents_[i] != '\n') return false;
    return true;
}

// The value and its record in parentheses: "(M da estacao EST2, registo iniciado na linha 6)".
// The record's first line is named only when it is not the line of the bad value.
void RecordReader::fail(std::size_t line, std::string_view problem, std::string_view what) const {
    std::string about(what);
    std::string record;
    for (std::size_t i = 0; i < recordParts_; ++i)
        for (char c : record_[i])
            record += (static_cast<unsigned char>(c) < 32 || c == 127) ? '?' : c;
    if (!record.empty()) {
        if (!about.empty()) about += ' ';
        about += record;
    }
    if (recordLine_ > 0 && recordLine_ != line) {
        if (!about.empty()) about += ", ";
        about += "registo iniciado na linha " + std::to_string(recordLine_);
    }
    std::string message(problem);
    if (!about.empty()) message += " (" + about + ")";
    throw RunError::inFile(fileName_, message, line);
}

// A number of the record followed by a comma and digits: "1,300" may be one number written
// with a decimal comma, or two values separated by a lone comma.
void RecordReader::noteCommaJoin(const Token& token, std::string_view what) {
    if (pos_ + 1 >= contents_.size() || contents_[pos_] != ',' || !isDigit(contents_[pos_ + 1]) ||
        !isIntegerText(token.text))
        return;
    const std::size_t end = endOfValue(contents_, pos_ + 1);
    const std::string_view fraction = std::string_view(contents_).substr(pos_ + 1, end - pos_ - 1);
    if (!isCommaFraction(fraction)) return;
    if (commaJoins_++ == 0) {
        firstJoin_ = std::string(token.text) + "," + std::string(fraction);
        firstJoinLine_ = token.line;
        firstJoinWhat_ = std::string(what);
    }
}

// At the end of a record whose values are not all separated by lone commas: the numbers that
// start the rest of the line, and the places among them where digits, a comma and digits
// meet. As many such places as numbers left over is a decimal comma.
void RecordReader::checkDecimalComma() const {
    std::size_t numbers = 0;
    std::size_t joins = commaJoins_;
    std::size_t i = pos_;
    for (;;) {
        while (i < contents_.size() && (isBlank(contents_[i]) || contents_[i] == ',')) ++i;
        if (i >= contents_.size() || contents_[i] == '\n') break;
        const std::size_t begin = i;
        i = endOfValue(contents_, i);
        const std::string_view text = std::string_view(contents_).substr(begin, i - begin);
        if (!isRealText(text)) break;
        ++numbers;
        if (isIntegerText(text) && i + 1 < contents_.size() && contents_[i] == ',') {
            const std::size_t end = endOfValue(contents_, i + 1);
            if (isCommaFraction(std::string_view(contents_).substr(i + 1, end - i - 1))) ++joins;
        }
    }
    if (numbers > 0 && numbers == joins)
        fail(firstJoinLine_,
             "virgula decimal em " + quoteValue(firstJoin_) + "; o separador decimal e o ponto",
             firstJoinWhat_);
}

void RecordReader::malformed(const Token& token, std::string_view expected,
                             std::string_view what) const {
    fail(token.line, "esperado " + std::string(expected) + " em vez de " + quoteValue(token.text),
         what);
}

// Separator: blanks and line ends with at most one comma; a comma before the first value of
// a record, or a second comma, would be an empty value.
void RecordReader::skipSeparator(std::string_view expected, std::string_view what) {
    int commas = recordStarted_ ? 0 : 1;
    const std::size_t separator = pos_;
    const std::string_view contents = contents_;
    for (; pos_ < contents.size(); ++pos_) {
        const char c = contents[pos_];
        if (c == '\n') {
            ++line_;
        } else if (c == ',') {
            if (++commas > 1)
                fail(line_, "valor vazio entre virgulas; esperado " + std::string(expected), what);
        } else if (!isBlank(c)) {
            break;
        }
    }
    if (pos_ >= contents.size()) failAtEndOfFile(expected, what);
    if (!recordStarted_) {
        recordLine_ = line_;
    } else if (pos_ != separator + 1 || contents_[separator] != ',') {
        spaced_ = true;
    }
    recordStarted_ = true;
}

void RecordReader::failAtEndOfFile(std::string_view expected, std::string_view what) const {
    std::string problem =
        "fim do ficheiro antes do fim do registo; esperado " + std::string(expected);
    if (contents_.size() == start_)
        problem = "o ficheiro esta vazio; esperado " + std::string(expected);
    const std::size_t lastLine = line_ > 1 && (contents_.back() == '\n') ? line_ - 1 : line_;
    fail(contents_.size() == start_ ? 0 : lastLine, problem, what);
}

// Quoted text: a doubled delimiter stands for one; it must close on its line.
std::string_view RecordReader::scanQuotedText(std::size_t line, std::string_view expected,
                                              std::string_view what) {
    const char delimiter = contents_[pos_];
    unquoted_.clear();
    std::size_t i = pos_ + 1;
    for (;;) {
        if (i >= contents_.size() || contents_[i] == '\n')
            fail(line,
                 "texto entre apostrofos sem apostrofo final; esperado " + std::string(expected),
                 what);
        if (contents_[i] == delimiter) {
            if (i + 1 < contents_.size() && contents_[i + 1] == delimiter) {
                unquoted_ += delimiter;
                i += 2;
                continue;
            }
            break;
        }
        unquoted_ += contents_[i++];
    }
    pos_ = i + 1;
    if (pos_ < contents_.size() && !isBlank(contents_[pos_]) && contents_[pos_] != ',' &&
        contents_[pos_] != '\n')
        fail(line, "esperado um separador depois do texto entre apostrofos", what);
    return unquoted_;
}

// A value outside apostrophes may hold neither a slash nor a repeat count.
void RecordReader::checkUnquoted(const Token& token, std::string_view expected,
                                 std::string_view what) const {
    if (token.text.find('/') != std::string_view::npos)
        fail(token.line,
             "barra nao permitida em " + quoteValue(token.text) +
                 " (um nome com barra escreve-se entre apostrofos); esperado " +
                 std::string(expected),
             what);
    if (isRepeatCount(token.text))
        fail(token.line,
             "contagem de repeticao nao permitida em " + quoteValue(token.text) + "; esperado " +
                 std::string(expected),
             what);
}

void RecordReader::toNextValue(std::string_view expected, std::string_view what) {
    // Most values of a record follow the one before after a single blank on its line: that
    // separator is taken at once, with what skipSeparator would note of it.
    if (recordStarted_ && pos_ + 1 < contents_.size() && contents_[pos_] == ' ' &&
        byteKinds[static_cast<unsigned char>(contents_[pos_ + 1])] != endsValue) {
        ++pos_;
        spaced_ = true;
        return;
    }
    skipSeparator(expected, what);
}

RecordReader::Token RecordReader::nextToken(std::string_view expected, std::string_view what) {
    toNextValue(expected, what);
    return tokenHere(expected, what);
}

RecordReader::Token RecordReader::tokenHere(std::string_view expected, std::string_view what) {
    Token token;
    token.line = line_;
    const char first = contents_[pos_];
    if (first == '\'' || first == '"') {
        token.text = scanQuotedText(token.line, expected, what);
        token.quoted = true;
        return token;
    }
    // To the next blank, comma or line end, noting on the way a slash or a star, which most
    // values do not hold.
    const std::string_view contents = contents_;
    const std::size_t begin = pos_;
    std::size_t end = begin;
    unsigned char marks = 0;
    for (unsigned char kind = 0; end < contents.size(); ++end) {
        kind = byteKinds[static_cast<unsigned char>(contents[end])];
        if (kind == endsValue) break;
        marks |= kind;
    }
    pos_ = end;
    token.text = contents.substr(begin, end - begin);
    if (marks != 0) checkUnquoted(token, expected, what);
    // Only a value followed at once by a comma can be joined to what follows it.
    if (end < contents.size() && contents[end] == ',' && expected != textExpected)
        noteCommaJoin(token, what);
    return token;
}

std::string RecordReader::readText(std::size_t width, std::string_view what) {
    const Token token = nextToken(textExpected, what);
    // Padded to `width` characters: in UTF-8 a name takes more bytes than characters.
    const std::size_t kept = prefixLength(token.text, width, encoding_);
    std::string text(token.text.substr(0, kept));
    const std::size_t characters = characterCount(text, encoding_);
    if (kept < token.text.size() && width == nameWidth)
        cutNames_.push_back({std::string(token.text), text, token.line});
    text.append(width - characters, ' ');
    return text;
}

std::int32_t RecordReader::readInteger(std::string_view what) {
    const Token token = nextToken("um numero inteiro", what);
    if (token.quoted || !isIntegerText(token.text)) malformed(token, "um numero inteiro", what);
    const std::optional<std::int32_t> value = integerValue(token.text);
    if (!value) malformed(token, "um numero inteiro entre -2147483648 e 2147483647", what);
    return *value;
}

// Most numbers are plain decimals followed by a blank or a line end: read where they stand, as
// the value that a token of them gives below, and passed over. Anything else (a comma after
// it, which may join it to the next value, among them) is left to the token.
bool RecordReader::readPlainRealHere(double& value) {
    const char* const first = contents_.data() + pos_;
    const char* const last = contents_.data() + contents_.size();
    const char* number = first;
    // A plus sign is taken off as below.
    if (*number == '+' && !(number + 1 != last && number[1] == '-')) ++number;
    double read = 0;
    const char* const end = readPlainDecimalPrefix(number, last, read);
    if (end == nullptr ||
        (end != last && (*end == ',' || byteKinds[static_cast<unsigned char>(*end)] != endsValue)))
        return false;
    pos_ += static_cast<std::size_t>(end - first);
    value = read;
    return true;
}

double RecordReader::readReal(std::string_view what) {
    constexpr std::string_view expected = "um numero real";
    toNextValue(expected, what);
    if (double value = 0; readPlainRealHere(value)) return value;
    const Token token = tokenHere(expected, what);
    // Most numbers are plain decimals, read at once; a plus sign is taken off as below.
    if (!token.quoted) {
        std::string_view text = token.text;
        if (text.starts_with('+') && !text.substr(1).starts_with('-')) text.remove_prefix(1);
        if (double value = 0; readPlainDecimal(text, value)) return value;
    }
    std::size_t exponent = 0;
    if (token.quoted || !isRealText(token.text, exponent)) malformed(token, "um numero real", what);
    const std::optional<double> value = realValue(token.text, exponent);
    if (!value) malformed(token, "um numero real finito", what);
    return *value;
}

} // namespace interseccao
