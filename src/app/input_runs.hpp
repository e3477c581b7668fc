// The inputs of a command line worked on side by side, their lines and lists in input order.
#pragma once

#include "app/command_line.hpp"

#include <cstddef>
#include <functional>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace interseccao {

// What a run writes to the console's two streams, kept in the order it was written, until it
// is written out to the real ones.
class ConsoleCapture {
public:
    ConsoleCapture();
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;

    std::ostream& lines() { return lines_; }
    std::ostream& errors() { return errors_; }

    // Writes what was kept to `lines` and `errors`, in the order it came, and forgets it.
    void writeTo(std::ostream& lines, std::ostream& errors);

private:
    class Side : public std::streambuf {
    public:
        Side(ConsoleCapture& owner, bool error) : owner_(owner), error_(error) {}

    protected:
        int_type overflow(int_type c) override;
        std::streamsize xsputn(const char* s, std::streamsize n) override;

    private:
        ConsoleCapture& owner_;
        bool error_;
    };

    void keep(bool error, const char* s, std::size_t n);

    struct Piece {
        bool error;
        std::string text;
    };
    std::vector<Piece> pieces_;
    Side linesSide_{*this, false}, errorsSide_{*this, true};
    std::ostream lines_{&linesSide_}, errors_{&errorsSide_};
};

// Runs every input of `commandLine` (its outputs named in `outputs`) on up to `workers` threads,
// and calls `finished` with each run, in input order, on this thread, once
// its lines are on `lines` and `errors`; `status` as runInput raises it. `files` must take
// calls from several threads at once.
void runInputs(const CommandLine& commandLine, const std::vector<InputOutputs>& outputs,
               std::ostream& lines, std::ostream& errors, FileAccess& files,
               const Adjustments& adjustments, int& status, unsigned workers,
               const std::function<void(FileRun&)>& finished);

} // namespace interseccao
