// A few threads take the items in turn; the calling thread takes items too, and finishes
// them in order.
#include "platform/ordered_work.hpp"
#include "model/thread_cache.hpp"
#include "platform/whole_files.hpp"

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

// What the threads share, under one lock: the next item to start, the items computed and not
// yet finished (by slot), and whether to start no more. Each side is woken only when it waits:
// a worker for room in the window, the calling thread for the item whose turn it is.
class Turns {
public:
    Turns(std::size_t count, std::size_t window)
        : count_(count), done_(window), failures_(window) {}

    // The next item for a worker, waiting for room; false when there is none to start.
    bool take(std::size_t& item) {
        std::unique_lock lock(mutex_);
        ++waitingWorkers_;
        room_.wait(lock, [&] { return stopped_ || next_ >= count_ || hasRoom(); });
        --waitingWorkers_;
        return takeLocked(item);
    }

    // As take, without waiting: false when the window is full too.
    bool tryTake(std::size_t& item) {
        const std::lock_guard lock(mutex_);
        return hasRoom() && takeLocked(item);
    }

    void done(std::size_t item, std::exception_ptr failure) {
        bool awaited = false;
        {
            const std::lock_guard lock(mutex_);
            done_[item % window()] = true;
            failures_[item % window()] = std::move(failure);
            awaited = awaiting_ && awaited_ == item;
        }
        if (awaited) ready_.notify_one();
    }

    // Whether `item` is computed, and then its failure, if any, in `failure`.
    bool isDone(std::size_t item, std::exception_ptr& failure) {
        const std::lock_guard lock(mutex_);
        if (!done_[item % window()]) return false;
        failure = std::move(failures_[item % window()]);
        return true;
    }

    // Waits for `item` to be computed; its failure, if any.
    std::exception_ptr await(std::size_t item) {
        std::unique_lock lock(mutex_);
        awaiting_ = true;
        awaited_ = item;
        ready_.wait(lock, [&] { return done_[item % window()]; });
        awaiting_ = false;
        return std::move(failures_[item % window()]);
    }

    void finished(std::size_t item) {
        bool wake = false;
        {
            const std::lock_guard lock(mutex_);
            done_[item % window()] = false;
            finished_ = item + 1;
            wake = waitingWorkers_ > 0;
        }
        if (wake) room_.notify_one();
    }

    void stop() {
        {
            const std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        room_.notify_all();
    }

private:
    std::size_t window() const { return done_.size(); }
    bool hasRoom() const { return next_ < finished_ + window(); }
    bool takeLocked(std::size_t& item) {
        if (stopped_ || next_ >= count_) return false;
        item = next_++;
        return true;
    }

    std::mutex mutex_;
    std::condition_variable room_, ready_;
    const std::size_t count_;
    std::size_t next_ = 0, finished_ = 0;
    std::size_t waitingWorkers_ = 0;
    bool awaiting_ = false;
    std::size_t awaited_ = 0;
    bool stopped_ = false;
    std::vector<bool> done_;
    std::vector<std::exception_ptr> failures_;
};

using ItemWork = std::function<void(std::size_t, std::size_t)>;

// Whether this thread is doing the work of a runInOrder, while a Working stands.
thread_local bool working = false;

class Working {
public:
    Working() { working = true; }
    ~Working() { working = false; }
    Working(const Working&) = delete;
    Working& operator=(const Working&) = delete;
};

// A worker's tables deleted as it ends, while its thread's storage stands.
class CachesReleased {
public:
    CachesReleased() = default;
    ~CachesReleased() { releaseThreadCaches(); }
    CachesReleased(const CachesReleased&) = delete;
    CachesReleased& operator=(const CachesReleased&) = delete;
};

void computeItem(Turns& turns, const ItemWork& compute, std::size_t window, std::size_t item) {
    std::exception_ptr failure;
    try {
        compute(item % window, item);
    } catch (...) {
        failure = std::current_exception();
    }
    turns.done(item, std::move(failure));
}

// The calling thread's part: it finishes the items in order as they are done, and between
// them computes items of its own, waiting only when the next to finish is still being
// computed by a worker.
void finishInOrder(Turns& turns, std::size_t count, std::size_t window, const ItemWork& compute,
                   const ItemWork& finish) {
    for (std::size_t next = 0; next < count;) {
        std::exception_ptr failure;
        std::size_t item = 0;
        if (!turns.isDone(next, failure)) {
            if (turns.tryTake(item)) {
                computeItem(turns, compute, window, item);
                continue;
            }
            failure = turns.await(next);
        }
        if (failure) std::rethrow_exception(failure);
        finish(next % window, next);
        turns.finished(next++);
    }
}

} // namespace

void runInOrder(std::size_t count, unsigned workers, std::size_t window, const ItemWork& compute,
                const ItemWork& finish) {
    if (window == 0) throw std::logic_error("runInOrder without a slot");
    workers = static_cast<unsigned>(std::min<std::size_t>({workers, window, count}));
    // Work within work (an input's analysis within a batch) stays on its thread: the cores are
    // taken already.
    if (workers <= 1 || working) return runOneByOne(count, compute, finish);
    const Working mark;
    Turns turns(count, window);
    const auto work = [&] {
        takeNoEndingSignals();
        const Working workerMark;
        const CachesReleased cachesReleased;
        for (std::size_t item = 0; turns.take(item);) computeItem(turns, compute, window, item);
    };
    // The calling thread is one of the workers.
    std::vector<std::thread> threads;
    try {
        for (unsigned i = 1; i < workers; ++i) threads.emplace_back(work);
    } catch (const std::system_error&) {
        // No more threads to be had: the work goes on with those there are.
    }
    std::exception_ptr ending;
    try {
        finishInOrder(turns, count, window, compute, finish);
    } catch (...) {
        ending = std::current_exception();
    }
    turns.stop();
    for (std::thread& thread : threads) thread.join();
    if (ending) std::rethrow_exception(ending);
}

#endif

} // namespace interseccao::platform
