// The process-wide cancellation flag: set by the progress dialog's Cancel, cleared when it is
// reset, polled once per entry by the folder walks and after each plugin by the passes.
#pragma once

#include <atomic>

namespace qs {

std::atomic<bool>& CancelledFlag();

inline bool IsCancelled() { return CancelledFlag().load(std::memory_order_relaxed); }

} // namespace qs
