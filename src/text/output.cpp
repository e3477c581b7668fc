// Writes lines with their CR LF ends and turns a failed report write into a file-layer error.
#include "text/output.hpp"

#include "model/errors.hpp"

#include <cmath>
#include <cstdlib>

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
    stream->write(line_.data(), static_cast<std::streamsize>(line_.size()));
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
