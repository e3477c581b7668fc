// The two output channels, console and report file, and the plain and formatted lines written to
// them.
#pragma once

#include "text/line_format.hpp"

#include <ostream>
#include <string>
#include <string_view>

namespace interseccao {

enum class Channel { Console, Report };

class Output {
public:
    explicit Output(std::ostream& console) : console_(&console) {}
    // Without a console: its lines are not made at all (a batch that shows none of them).
    Output() = default;

    // The encoding of the run's names: in UTF-8 the lines are UTF-8 and A fields count
    // characters. Latin-1 until set.
    void setEncoding(TextEncoding encoding) { encoding_ = encoding; }
    TextEncoding encoding() const { return encoding_; }

    // From here on report lines go to `report`; `name` is used in write-error messages.
    void attachReport(std::ostream& report, std::string name);

    void writeConsoleLine(std::string_view layout, std::initializer_list<FieldValue> values);
    void writeReportLine(std::string_view layout, std::initializer_list<FieldValue> values);

    // One blank and the text; an empty text gives an empty line.
    void writePlainLine(Channel channel, std::string_view text = {});

    // Writes a stop message as a line of its own, without the leading blank of a plain line.
    void writeStopMessage(std::string_view message);

    // Flushes both channels; a report that cannot be written is a FileError.
    void flush();

private:
    // Writes line_, which holds a whole line with its end (or an open prompt), to `channel`.
    void emit(Channel channel);
    void formatted(Channel channel, std::string_view layout, std::span<const FieldValue> values);

    std::ostream* console_ = nullptr;
    std::ostream* report_ = nullptr;
    std::string reportName_;
    TextEncoding encoding_ = TextEncoding::Latin1;
    std::string line_; // reused for every line, so that writing a line allocates nothing
};

} // namespace interseccao
