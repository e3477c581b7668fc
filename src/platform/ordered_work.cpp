// A few threads take the items in turn; the calling thread waits for each item's turn.
#include "platform/ordered_work.hpp"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <system_error>
#include <vector>

#ifndef __EMSCRIPTEN__
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

namespace interseccao::platform {

namespace {

void runOneByOne(std::size_t count, const std::function<void(std::size_t, std::size_t)>& compute,
                 const std::function<void(std::size_t, std::size_t)>& finish) {
    for (std::size_t item = 0; item < count; ++item) {
        compute(0, item);
        finish(0, item);
    }
}

} // namespace

#ifdef __EMSCRIPTEN__

unsigned workersAvailable() { return 1; }

void runInOrder(std::size_t count, unsigned /*workers*/, std::size_t /*window*/,
                const std::function<void(std::size_t, std::size_t)>& compute,
                const std::function<void(std::size_t, std::size_t)>& finish) {
    runOneByOne(count, compute, finish);
}

#else

unsigned workersAvailable() { return std::max(1u, std::thread::hardware_concurrency()); }

namespace {

// What the threads share, under one lock: the next item to start, the items done and not yet
// finished (by slot), and whether to start no more.
class Turns {
public:
    Turns(std::size_t count, std::size_t window)
        : count_(count), done_(window), failures_(window) {}

    // The next item for a worker, or false when there is none to start.
    bool take(std::size_t& item) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock,
                      [&] { return stopped_ || next_ >= count_ || next_ < finished_ + window(); });
        if (stopped_ || next_ >= count_) return false;
        item = next_++;
        return true;
    }

    void done(std::size_t item, std::exception_ptr failure) {
        {
            const std::lock_guard lock(mutex_);
            done_[item % window()] = true;
            failures_[item % window()] = std::move(failure);
        }
        changed_.notify_all();
    }

    // Waits for `item` to be computed; its failure, if any.
    std::exception_ptr await(std::size_t item) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return done_[item % window()]; });
        return std::move(failures_[item % window()]);
    }

    // The slot of `item` is free again.
    void finished(std::size_t item) {
        {
            const std::lock_guard lock(mutex_);
            done_[item % window()] = false;
            finished_ = item + 1;
        }
        changed_.notify_all();
    }

    void stop() {
        {
            const std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        changed_.notify_all();
    }

private:
    std::size_t window() const { return done_.size(); }

    std::mutex mutex_;
    std::condition_variable changed_;
    const std::size_t count_;
    std::size_t next_ = 0, finished_ = 0;
    bool stopped_ = false;
    std::vector<bool> done_;
    std::vector<std::exception_ptr> failures_;
};

} // namespace

void runInOrder(std::size_t count, unsigned workers, std::size_t window,
                const std::function<void(std::size_t, std::size_t)>& compute,
                const std::function<void(std::size_t, std::size_t)>& finish) {
    if (window == 0) throw std::logic_error("runInOrder without a slot");
    workers = static_cast<unsigned>(std::min<std::size_t>({workers, window, count}));
    if (workers <= 1) return runOneByOne(count, compute, finish);
    Turns turns(count, window);
    const auto work = [&] {
        for (std::size_t item = 0; turns.take(item);) {
            std::exception_ptr failure;
            try {
                compute(item % window, item);
            } catch (...) {
                failure = std::current_exception();
            }
            turns.done(item, std::move(failure));
        }
    };
    std::vector<std::thread> threads;
    try {
        for (unsigned i = 0; i < workers; ++i) threads.emplace_back(work);
    } catch (const std::system_error&) {
        // No more threads to be had: the work goes on with those there are.
        if (threads.empty()) return runOneByOne(count, compute, finish);
    }
    std::exception_ptr ending;
    try {
        for (std::size_t item = 0; item < count; ++item) {
            if (std::exception_ptr failure = turns.await(item)) std::rethrow_exception(failure);
            finish(item % window, item);
            turns.finished(item);
        }
    } catch (...) {
        ending = std::current_exception();
    }
    turns.stop();
    for (std::thread& thread : threads) thread.join();
    if (ending) std::rethrow_exception(ending);
}

#endif

} // namespace interseccao::platform
