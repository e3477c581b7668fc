// Work on a sequence of items spread over the processor's cores, its results taken in order.
#pragma once

#include <cstddef>
#include <functional>

namespace interseccao::platform {

// How many items may be worked on at once; 1 where the system has one core or no threads
// (the web page's build).
unsigned workersAvailable();

// Calls compute(slot, i) for every i below `count`, on up to `workers` threads (the calling
// thread among them), and finish(slot, i) on the calling thread in the order of i, each once
// compute(slot, i) has returned. Slots are below `window`: the item in a slot is the caller's
// until its finish returns, and no more than `window` items are ever computed and not yet
// finished, so that what they hold stays bounded. An exception from compute is rethrown by the
// call, at its item's turn, in place of its finish; one from finish ends the call. Either way
// the items being computed then are computed to their end, and those after them are not
// started.
void runInOrder(std::size_t count, unsigned workers, std::size_t window,
                const std::function<void(std::size_t slot, std::size_t item)>& compute,
                const std::function<void(std::size_t slot, std::size_t item)>& finish);

} // namespace interseccao::platform
