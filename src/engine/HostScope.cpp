// The walk scope of one host call, made from the machine's host scope.
#include "engine/HostScope.h"

#include "hostfn/ListingCache.h"

namespace qs {

CWalkScope WalkScopeOf(const CHostScope* scope) {
    CWalkScope walk;
    if (scope != nullptr) {
        walk.keep = CKeepList::FromWritten(scope->keptPaths);
        walk.recorder = scope->recorder;
        walk.listings = scope->listings;
    }
    return walk;
}

CWalkScope ChangingWalkScopeOf(const CHostScope* scope) {
    DropListings(scope);
    CWalkScope walk = WalkScopeOf(scope);
    walk.listings = nullptr;
    return walk;
}

void DropListings(const CHostScope* scope) {
    if (scope != nullptr && scope->listings != nullptr)
        scope->listings->Clear();
}

} // namespace qs
