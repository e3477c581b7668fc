// Tables a thread keeps for itself (values already computed, layouts already parsed), so that
// runs side by side share nothing and need no lock.
//
// A thread_local object with a destructor is not safe everywhere: with emulated thread
// storage (MinGW's), the storage of an ending thread may be freed before the destructors of
// its objects run, which then work on freed memory. So a thread holds here a plain pointer
// only, and the objects are deleted by releaseThreadCaches(), which whatever starts a thread
// calls before the thread ends. The first thread's objects last as long as the program.
#pragma once

#include <memory>

namespace interseccao {

namespace detail {
// Keeps `holder` (the address of a thread's pointer to its object) to be released, with
// `release`, by releaseThreadCaches on this thread.
void keepThreadCache(void* holder, void (*release)(void*));
} // namespace detail

// This thread's object of type T, made on first use. T is a type of the cache's own: two
// caches of one type would be one cache.
template <class T> T& threadCache() {
    thread_local T* held = nullptr;
    if (held == nullptr) {
        auto made = std::make_unique<T>();
        detail::keepThreadCache(&held, [](void* holder) {
            T*& object = *static_cast<T**>(holder);
            delete object;
            object = nullptr;
        });
        held = made.release();
    }
    return *held;
}

// Deletes every object this thread made with threadCache, the last made first.
void releaseThreadCaches() noexcept;

} // namespace interseccao
