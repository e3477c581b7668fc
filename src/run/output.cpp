// Writes lines with their CR LF ends and turns a failed report write into a file-layer error.
#include "run/output.hpp"

#include "run/errors.hpp"

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

void Output::emit(Channel channel, const FormattedLine& line) {
    if (channel == Channel::Console) {
        console_ << line.text;
        if (!line.open) console_ << lineEnd;
        return;
    }
    if (report_ == nullptr) throw std::logic_error("report line before the report file is open");
    *report_ << line.text;
    if (!line.open) *report_ << lineEnd;
    if (!*report_) throw FileError::inFile(reportName_, "falha ao escrever no ficheiro de output");
}

void Output::writeConsoleLine(std::string_view layout, std::initializer_list<FieldValue> values) {
    trapNonFinite(values);
    emit(Channel::Console, formatLine(layout, values));
}

void Output::writeReportLine(std::string_view layout, std::initializer_list<FieldValue> values) {
    trapNonFinite(values);
    emit(Channel::Report, formatLine(layout, values));
}

void Output::writePlainLine(Channel channel, std::string_view text) {
    FormattedLine line;
    if (!text.empty()) {
        line.text += ' ';
        line.text += text;
    }
    emit(channel, line);
}

void Output::writeStopMessage(std::string_view message) {
    FormattedLine line;
    line.text = std::string(message);
    emit(Channel::Console, line);
}

void Output::flush() {
    console_.flush();
    if (report_ != nullptr) {
        report_->flush();
        if (!*report_)
            throw FileError::inFile(reportName_, "falha ao escrever no ficheiro de output");
    }
}

} // namespace interseccao
