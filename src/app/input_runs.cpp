// Each input's run is independent of the others' (their outputs were checked to be distinct
// files), so runs go side by side; what is shown of them, and the lists, keep the inputs' order.
#include "app/input_runs.hpp"

#include "platform/ordered_work.hpp"

#include <algorithm>
#include <optional>

namespace interseccao {

ConsoleCapture::ConsoleCapture() = default;

void ConsoleCapture::keep(bool error, const char* s, std::size_t n) {
    if (pieces_.empty() || pieces_.back().error != error) pieces_.push_back({error, {}});
    pieces_.back().text.append(s, n);
}

ConsoleCapture::Side::int_type ConsoleCapture::Side::overflow(int_type c) {
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        const char byte = traits_type::to_char_type(c);
        owner_.keep(error_, &byte, 1);
    }
    return traits_type::not_eof(c);
}

std::streamsize ConsoleCapture::Side::xsputn(const char* s, std::streamsize n) {
    owner_.keep(error_, s, static_cast<std::size_t>(n));
    return n;
}

void ConsoleCapture::writeTo(std::ostream& lines, std::ostream& errors) {
    for (const Piece& piece : pieces_)
        (piece.error ? errors : lines)
            .write(piece.text.data(), static_cast<std::streamsize>(piece.text.size()));
    pieces_.clear();
}

namespace {

// One input's run while it waits for its turn to be shown.
struct InputTurn {
    ConsoleCapture console;
    std::optional<FileRun> run;
    int status = 0;
};

// Inputs being worked on or waiting, per thread: enough for a thread never to wait for
// another's slow input, few enough to hold little more than the inputs themselves.
constexpr std::size_t inputsAheadPerThread = 4;

} // namespace

void runInputs(const CommandLine& commandLine, const std::vector<InputOutputs>& outputs,
               std::ostream& lines, std::ostream& errors, FileAccess& files,
               const Adjustments& adjustments, int& status, unsigned workers,
               const std::function<void(FileRun&)>& finished) {
    const std::size_t count = commandLine.inputs.size();
    if (workers <= 1 || count <= 1) {
        // One at a time, each run's lines shown as it goes.
        for (std::size_t i = 0; i < count; ++i) {
            FileRun run = runInput(commandLine, commandLine.inputs[i], outputs[i], lines, errors,
                                   files, adjustments, status);
            finished(run);
        }
        return;
    }
    const std::size_t window = workers * inputsAheadPerThread;
    std::vector<InputTurn> turns(window);
    platform::runInOrder(
        count, workers, window,
        [&](std::size_t slot, std::size_t i) {
            InputTurn& turn = turns[slot];
            turn.status = 0;
            turn.run =
                runInput(commandLine, commandLine.inputs[i], outputs[i], turn.console.lines(),
                         turn.console.errors(), files, adjustments, turn.status);
        },
        [&](std::size_t slot, std::size_t) {
            InputTurn& turn = turns[slot];
            turn.console.writeTo(lines, errors);
            status = std::max(status, turn.status);
            finished(*turn.run);
            turn.run.reset();
        });
}

} // namespace interseccao
