#include "model/thread_cache.hpp"
#include "platform/ordered_work.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace interseccao {
namespace {

// What the tables below record as they are made and deleted.
std::vector<std::string> events;

struct FirstTable {
    int uses = 0;
    FirstTable() { events.push_back("made first"); }
    ~FirstTable() { events.push_back("deleted first"); }
};

struct SecondTable {
    int uses = 0;
    SecondTable() { events.push_back("made second"); }
    ~SecondTable() { events.push_back("deleted second"); }
};

TEST(ThreadCache, EachThreadItsOwnDeletedWhenReleasedTheLastMadeFirst) {
#ifdef __EMSCRIPTEN__
    GTEST_SKIP() << "the build for Node has one thread";
#endif
    SecondTable& kept = threadCache<SecondTable>(); // this thread's, which lasts
    kept.uses = 0;
    events.clear();
    std::thread([] {
        ++threadCache<FirstTable>().uses;
        ++threadCache<SecondTable>().uses;
        EXPECT_EQ(++threadCache<SecondTable>().uses, 2);
        releaseThreadCaches();
        // Used again after the release: made anew.
        EXPECT_EQ(++threadCache<FirstTable>().uses, 1);
        releaseThreadCaches();
        releaseThreadCaches(); // nothing left: nothing done
    }).join();
    EXPECT_EQ(events, (std::vector<std::string>{"made first", "made second", "deleted second",
                                                "deleted first", "made first", "deleted first"}));
    EXPECT_EQ(&threadCache<SecondTable>(), &kept);
    EXPECT_EQ(kept.uses, 0);
}

std::atomic<int> liveTables{0};

struct CountedTable {
    CountedTable() { ++liveTables; }
    ~CountedTable() { --liveTables; }
};

TEST(ThreadCache, WorkersDeleteTheirTablesAsTheyEnd) {
    const int before = liveTables;
    std::atomic<int> computed{0};
    platform::runInOrder(
        200, 4, 8,
        [&](std::size_t, std::size_t) {
            threadCache<CountedTable>();
            ++computed;
        },
        [](std::size_t, std::size_t) {});
    EXPECT_EQ(computed, 200);
    // At most the calling thread's own table is left.
    EXPECT_LE(liveTables - before, 1);
}

} // namespace
} // namespace interseccao
