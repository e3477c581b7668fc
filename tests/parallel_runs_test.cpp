// Inputs worked on side by side: the order of what is shown, the bound on what is held, the
// failures at their turn, and a batch's every byte the same as one input after another.
#include "app/input_runs.hpp"
#include "platform/ordered_work.hpp"

#include "support.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace interseccao {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::sourceDir;

struct OrderCase {
    std::size_t count;
    unsigned workers;
    std::size_t window;
};

class InOrder : public ::testing::TestWithParam<OrderCase> {};

// Each item computed once, finished in order in its own slot, with never more items computed
// and unfinished than the window holds.
TEST_P(InOrder, FinishesEveryItemInOrderWithinTheWindow) {
    const OrderCase c = GetParam();
    std::vector<std::atomic<int>> computed(c.count);
    std::vector<std::size_t> slotItem(c.window, c.count);
    std::vector<std::size_t> finished;
    std::atomic<std::size_t> held = 0, mostHeld = 0;
    std::mutex slots;
    platform::runInOrder(
        c.count, c.workers, c.window,
        [&](std::size_t slot, std::size_t item) {
            const std::size_t now = ++held;
            for (std::size_t most = mostHeld;
                 now > most && !mostHeld.compare_exchange_weak(most, now);) {
            }
            ++computed[item];
            // Uneven work, so that later items often end first.
            if (item % 3 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
            const std::lock_guard lock(slots);
            slotItem[slot] = item;
        },
        [&](std::size_t slot, std::size_t item) {
            {
                const std::lock_guard lock(slots);
                EXPECT_EQ(slotItem[slot], item);
            }
            finished.push_back(item);
            --held;
        });
    ASSERT_EQ(finished.size(), c.count);
    for (std::size_t i = 0; i < c.count; ++i) {
        EXPECT_EQ(finished[i], i);
        EXPECT_EQ(computed[i], 1) << i;
    }
    EXPECT_LE(mostHeld, c.window);
}

INSTANTIATE_TEST_SUITE_P(Sizes, InOrder,
                         ::testing::Values(OrderCase{0, 2, 4}, OrderCase{1, 2, 4},
                                           OrderCase{2, 1, 1}, OrderCase{7, 2, 1},
                                           OrderCase{7, 2, 2}, OrderCase{100, 2, 8},
                                           OrderCase{100, 4, 3}, OrderCase{50, 8, 16}));

struct FailureCase {
    bool inCompute; // else in finish
    unsigned workers;
};

class InOrderFailure : public ::testing::TestWithParam<FailureCase> {};

// A failure at item 5 ends the call at 5's turn: 0 to 4 finished, nothing started beyond what
// the window allows.
TEST_P(InOrderFailure, EndsAtTheFailingItemsTurn) {
    const FailureCase c = GetParam();
    constexpr std::size_t failing = 5, window = 3;
    std::vector<std::size_t> finished;
    std::atomic<std::size_t> highest = 0;
    const auto run = [&] {
        platform::runInOrder(
            40, c.workers, window,
            [&](std::size_t, std::size_t item) {
                for (std::size_t most = highest;
                     item > most && !highest.compare_exchange_weak(most, item);) {
                }
                if (c.inCompute && item == failing) throw std::runtime_error("item");
            },
            [&](std::size_t, std::size_t item) {
                if (!c.inCompute && item == failing) throw std::runtime_error("item");
                finished.push_back(item);
            });
    };
    EXPECT_THROW(run(), std::runtime_error);
    EXPECT_EQ(finished, (std::vector<std::size_t>{0, 1, 2, 3, 4}));
    EXPECT_LT(highest, failing + window);
}

INSTANTIATE_TEST_SUITE_P(Failures, InOrderFailure,
                         ::testing::Values(FailureCase{true, 1}, FailureCase{true, 2},
                                           FailureCase{true, 4}, FailureCase{false, 1},
                                           FailureCase{false, 3}));

TEST(ConsoleCapture, KeepsTheOrderAcrossBothStreams) {
    ConsoleCapture capture;
    capture.lines() << "a" << 1 << '\n';
    capture.errors() << "erro\n";
    capture.lines() << "b\n";
    capture.lines().put('c');
    std::ostringstream both;
    capture.writeTo(both, both);
    EXPECT_EQ(both.str(), "a1\nerro\nb\nc");
    std::ostringstream lines, errors;
    capture.lines() << "x";
    capture.errors() << "y";
    capture.writeTo(lines, errors);
    EXPECT_EQ(lines.str(), "x");
    EXPECT_EQ(errors.str(), "y");
}

// Every observation file of the examples and the end-to-end cases (good, stopped and
// malformed) in one batch, with every file output: side by side, the console, the errors,
// every file, the status and the runs' order are those of one input after another.
struct BatchResult {
    std::string lines, errors;
    int status = 0;
    std::vector<std::string> finished;
    MemoryFiles files;
};

void runBatch(const std::vector<std::string>& sources, unsigned workers, BatchResult& result) {
    CommandLine commandLine;
    commandLine.verbose = true;
    commandLine.analysis = true;
    commandLine.drawing = true;
    std::vector<InputOutputs> outputs;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const std::string name = "in" + std::to_string(i);
        result.files.files[name + ".txt"] = readFile(sourceDir() + "/" + sources[i]);
        commandLine.inputs.push_back(name + ".txt");
        outputs.push_back({name + "-relatorio.txt", name + "-analise.txt", name + "-desenho.svg"});
    }
    std::ostringstream lines, errors;
    SerialFiles files(result.files);
    runInputs(commandLine, outputs, lines, errors, files, Adjustments{}, result.status, workers,
              [&](FileRun& run) { result.finished.push_back(run.input + " " + run.message); });
    result.lines = lines.str();
    result.errors = errors.str();
}

TEST(ParallelBatch, WritesWhatOneInputAfterAnotherWrites) {
    std::vector<std::string> sources;
    for (const auto& entry : fs::directory_iterator(sourceDir() + "/examples"))
        if (entry.is_regular_file())
            sources.push_back("examples/" + entry.path().filename().string());
    for (const auto& entry : fs::directory_iterator(sourceDir() + "/tests/cases"))
        if (fs::exists(entry.path() / "obs.txt"))
            sources.push_back("tests/cases/" + entry.path().filename().string() + "/obs.txt");
    std::sort(sources.begin(), sources.end());
    ASSERT_GT(sources.size(), 20u);
    BatchResult oneByOne, sideBySide;
    runBatch(sources, 1, oneByOne);
    runBatch(sources, 4, sideBySide);
    EXPECT_EQ(sideBySide.lines, oneByOne.lines);
    EXPECT_EQ(sideBySide.errors, oneByOne.errors);
    EXPECT_EQ(sideBySide.status, oneByOne.status);
    EXPECT_EQ(sideBySide.finished, oneByOne.finished);
    EXPECT_NE(oneByOne.status, 0); // the malformed cases are in
    for (std::size_t i = 0; i < sources.size(); ++i)
        for (const std::string suffix : {"-relatorio.txt", "-analise.txt", "-desenho.svg"}) {
            const std::string name = "in" + std::to_string(i) + suffix;
            EXPECT_EQ(sideBySide.files.outputCreated(name), oneByOne.files.outputCreated(name))
                << name;
            EXPECT_EQ(sideBySide.files.output(name), oneByOne.files.output(name)) << name;
        }
}

} // namespace
} // namespace interseccao
