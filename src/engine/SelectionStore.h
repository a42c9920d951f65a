// The stored selection as the catalogue and the clean pass see it: display names of checked rows.
#pragma once

#include <string>

namespace qs {

// Names are compared without regard to letter case under the current multibyte code page.
class CSelectionStore {
public:
    virtual ~CSelectionStore() = default;

    // True when a stored name equals `name`.
    virtual bool Contains(const std::string& name) const = 0;
    // Appends a name (no duplicate check).
    virtual void Add(const std::string& name) = 0;
    // Forgets every stored name.
    virtual void ClearSelected() = 0;
};

} // namespace qs
