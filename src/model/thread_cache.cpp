#include "model/thread_cache.hpp"

#include <vector>

namespace interseccao {

namespace {

struct KeptCache {
    void* holder;
    void (*release)(void*);
};

// A plain pointer too, for the reason the header gives.
thread_local std::vector<KeptCache>* keptCaches = nullptr;

} // namespace

void detail::keepThreadCache(void* holder, void (*release)(void*)) {
    if (keptCaches == nullptr) keptCaches = new std::vector<KeptCache>();
    keptCaches->push_back({holder, release});
}

void releaseThreadCaches() noexcept {
    if (keptCaches == nullptr) return;
    for (auto kept = keptCaches->rbegin(); kept != keptCaches->rend(); ++kept)
        kept->release(kept->holder);
    delete keptCaches;
    keptCaches = nullptr;
}

} // namespace interseccao
