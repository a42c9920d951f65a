// What the owner of a Lua machine lets its host functions honour: the keep list and a recorder.
#pragma once

#include "hostfn/WalkScope.h"

#include <string>
#include <vector>

namespace qs {

// CFileRecorder (hostfn/WalkScope.h) hears every entry that GetFolderSize, GetFileSize and
// MeasureFiles count; its calls for one host call are serialised by the host.

// Set on a machine by its owner (the main window, the companion) and read at every host call,
// so a change made between two calls holds from the next call on. Never shared between threads
// while a call runs.
struct CHostScope {
    std::vector<std::string> keptPaths; // as the user wrote them: macros allowed, expanded by the host
    CFileRecorder* recorder = nullptr;  // null: nothing is recorded
    // The listing cache of the refresh pass running (hostfn/ListingCache.h), put here by the
    // pass for its calls; null lists every folder live.
    CListingCache* listings = nullptr;
};

// The scope of one measuring host call's walks: the kept paths expanded now, the recorder and
// the pass's listings. A null scope keeps nothing and records nothing.
CWalkScope WalkScopeOf(const CHostScope* scope);

// The scope of one host call that changes files: as WalkScopeOf, but the pass's listings are
// dropped first (what they show may be about to change) and the call's walks list live.
CWalkScope ChangingWalkScopeOf(const CHostScope* scope);

// Drops the pass's listings before a host call that changes files without a walk scope.
void DropListings(const CHostScope* scope);

} // namespace qs
