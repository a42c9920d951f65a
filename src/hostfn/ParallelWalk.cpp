// The thread cap of the parallel walks, set once at start-up.
#include "hostfn/ParallelWalk.h"

namespace qs {
namespace {

std::atomic<unsigned>& WalkThreadCap() {
    static std::atomic<unsigned> cap{0};
    return cap;
}

} // namespace

void SetWalkThreadCap(unsigned cap) { WalkThreadCap().store(cap, std::memory_order_relaxed); }

unsigned WalkThreads() {
    return WalkThreadCount(WalkThreadCap().load(std::memory_order_relaxed), std::thread::hardware_concurrency());
}

} // namespace qs
