// Storage of the process-wide cancellation flag.
#include "hostfn/Cancellation.h"

namespace qs {

std::atomic<bool>& CancelledFlag() {
    static std::atomic<bool> flag{false};
    return flag;
}

} // namespace qs
