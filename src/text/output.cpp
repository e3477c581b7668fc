// Writes lines with their CR LF ends and turns a failed report write into a file-layer error.
#include "text/output.hpp"

#include "model/errors.hpp"

#include <cmath>
#include <cstdlib>
#include <exception>
#include <ios>

namespace interseccao {

namespace {

constexpr std::string_view lineEnd = "\r\n";

// Sanitizer and fuzz builds: a value that is not finite must have stopped the run before
// it reaches a line, where it would only show as asterisks.
template <class Values> void trapNonFinite([[maybe_unused]] const Values& values) {
#ifdef INTERSECCAO_TRAP_NON_FINITE
    for (const FieldValue& value : values)
        if (const double* real = std::get_if<double>(&value);
            real != nullptr && !std::isfinite(*real))
            std::abort();
#endif
}

// As stream.write(text): a stream in a good state, with no stream tied to it, no flush after each
// write and no exceptions asked for, is written through its buffer directly, as write() itself
// would write it but without its checks at every line.
void writeText(std::ostream& stream, std::string_view text) {
    const auto size = static_cast<std::streamsize>(text.size());
    if (stream.good() && stream.tie() == nullptr && (stream.flags() & std::ios::unitbuf) == 0 &&
        stream.exceptions() == std::ios::goodbit && stream.rdbuf() != nullptr) {
        try {
            if (stream.rdbuf()->sputn(text.data(), size) == size) return;
        } catch (const std::exception&) {
            // As write(): a buffer that throws leaves the stream bad.
        }
        stream.setstate(std::ios::badbit);
        return;
    }
    stream.write(text.data(), size);
}

} // namespace

void Output::attachReport(std::ostream& report, std::string name) {
    report_ = &report;
    reportName_ = std::move(name);
}

void Output::emit(Channel channel) {
    std::ostream* stream = console_;
    if (channel == Channel::Report) {
        if (report_ == nullptr)
            throw std::logic_error("report line before the report file is open");
        stream = report_;
    }
    writeText(*stream, line_);
    if (channel == Channel::Report && !*report_)
        throw RunError::inFile(reportName_, "falha ao escrever no ficheiro de output");
}

void Output::formatted(Channel channel, std::string_view layout,
                       std::span<const FieldValue> values) {
    trapNonFinite(values);
    if (channel == Channel::Console && console_ == nullptr) return;
    line_.clear();
    if (!appendLine(line_, layout, values, encoding_)) line_ += lineEnd;
    emit(channel);
}

void Output::writeConsoleLine(std::string_view layout, std::initializer_list<FieldValue> values) {
    formatted(Channel::Console, layout, std::span<const FieldValue>(values.begin(), values.size()));
}

void Output::writeReportLine(std::string_view layout, std::initializer_list<FieldValue> values) {
    formatted(Channel::Report, layout, std::span<const FieldValue>(values.begin(), values.size()));
}

void Output::writePlainLine(Channel channel, std::string_view text) {
    if (channel == Channel::Console && console_ == nullptr) return;
    line_.clear();
    if (!text.empty()) {
        line_ += ' ';
        line_ += text;
    }
    line_ += lineEnd;
    emit(channel);
}

void Output::writeStopMessage(std::string_view message) {
    if (console_ == nullptr) return;
    line_.assign(message);
    line_ += lineEnd;
    emit(Channel::Console);
}

void Output::flush() {
    if (console_ != nullptr) console_->flush();
    if (report_ != nullptr) {
        report_->flush();
        if (!*report_)
            throw RunError::inFile(reportName_, "falha ao escrever no ficheiro de output");
    }
}

} // namespace interseccao
