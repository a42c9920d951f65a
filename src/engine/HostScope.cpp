// The walk scope of one host call, made from the machine's host scope.
#include "engine/HostScope.h"

namespace qs {

CWalkScope WalkScopeOf(const CHostScope* scope) {
    CWalkScope walk;
    if (scope != nullptr) {
        walk.keep = CKeepList::FromWritten(scope->keptPaths);
        walk.recorder = scope->recorder;
    }
    return walk;
}

} // namespace qs
