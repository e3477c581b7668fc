// Free-form reading of observation records: values separated by blanks, commas or line ends.
#pragma once

#include "text/encoding.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace interseccao {

// A name longer than its field, as written and as kept.
struct CutName {
    std::string written;
    std::string kept; // without its padding
    std::size_t line = 0;
};

// Reads records from the whole text of the observation file. A record starts at the
// beginning of a line, may run over several lines, and the rest of the line after its
// last value is skipped. Every failure is a file error (RunError) naming the file and the line of
// the bad value, and, when the record began on an earlier line, that line too.
//
// A decimal comma is refused at the end of its record. Its mark: the rest of the line after
// the record's last value begins with numbers, as many as the places, in the record and
// among those numbers, where an integer, a comma and digits meet without a blank ("1,300");
// and two of the record's values are separated by more than a lone comma. Read with those
// commas as decimal points, the line would hold the record's values and nothing more. A
// record whose values are all separated by lone commas is never refused.
//
// The contents are taken as UTF-8 or Latin-1 as detectEncoding says, and texts are cut at
// characters of that encoding; lines may end in LF, CR LF, or a lone CR in a file without
// LF. A UTF-16 or UTF-32 file is refused with a FileError when the reader is made.
class RecordReader {
public:
    RecordReader(std::string contents, std::string fileName);

    TextEncoding encoding() const { return encoding_; }

    // Every name cut to its field so far, in file order.
    const std::vector<CutName>& cutNames() const { return cutNames_; }

    // Where the reader stands, to come back to it.
    struct Place {
        std::size_t pos = 0;
        std::size_t line = 1;
    };
    Place place() const { return {pos_, line_}; }
    void moveTo(Place place);

    // The line on which the next value stands: where data after the last record starts.
    std::size_t nextDataLine() const;

    // Back to the first record (the counting pass is followed by the loading pass).
    void rewind();

    // Skips whatever follows the last value of a record on its line, after the check for a
    // decimal comma.
    void endRecord();

    // Whether anything but blanks and line ends follows the last record read.
    bool atEnd() const;

    // What the record being read is, for messages: the parts are joined and follow the name of
    // the value ("da estacao ", "EST2" make "(M da estacao EST2)"). Cleared by endRecord. The
    // parts are kept as they are given (at most four), and joined only for a message: they
    // must stay valid until endRecord or the next describeRecord.
    void describeRecord(std::initializer_list<std::string_view> parts);

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

    // Ready for the first value of the next record.
    void forgetRecord();
    Token nextToken(std::string_view expected, std::string_view what);
    // To the first byte of the next value (skipSeparator), and the value that starts there.
    void toNextValue(std::string_view expected, std::string_view what);
    Token tokenHere(std::string_view expected, std::string_view what);
    bool readPlainRealHere(double& value);
    void skipSeparator(std::string_view expected, std::string_view what);
    // The text of the quoted value at pos_, on `line`, its delimiters taken off.
    std::string_view scanQuotedText(std::size_t line, std::string_view expected,
                                    std::string_view what);
    void checkUnquoted(const Token& token, std::string_view expected, std::string_view what) const;
    void noteCommaJoin(const Token& token, std::string_view what);
    void checkDecimalComma() const;
    [[noreturn]] void fail(std::size_t line, std::string_view problem, std::string_view what) const;
    [[noreturn]] void failAtEndOfFile(std::string_view expected, std::string_view what) const;
    [[noreturn]] void malformed(const Token& token, std::string_view expected,
                                std::string_view what) const;

    void checkBytes();

    std::string contents_;
    std::string fileName_;
    TextEncoding encoding_ = TextEncoding::Latin1;
    std::vector<CutName> cutNames_;
    std::size_t start_ = 0; // after a byte-order mark
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
    bool recordStarted_ = false;
    std::string unquoted_; // a quoted text with its doubled apostrophes made single

    // The record being read, for messages.
    std::size_t recordLine_ = 0;               // the line of its first value; 0 before it
    std::array<std::string_view, 4> record_{}; // as describeRecord gave it
    std::size_t recordParts_ = 0;

    // Signs of a decimal comma in the record being read.
    bool spaced_ = false;        // two of its values are separated by more than a lone comma
    std::size_t commaJoins_ = 0; // its numbers followed by a comma and digits, without a blank
    std::string firstJoin_;      // the first of them as written, "1,300"
    std::size_t firstJoinLine_ = 0;
    std::string firstJoinWhat_;
};

} // namespace interseccao
