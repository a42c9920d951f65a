// Component-object references and system strings held by the one move-only handle template.
#pragma once

#include "framework/Handle.h"

#include <oleauto.h>
#include <unknwn.h>

namespace qs {

// One counted reference to an object: released when the holder goes. A holder adopts the
// reference it is given (a fresh object's first one, or an out-parameter's).
template <typename Interface> struct ComTraits {
    using Type = Interface*;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type p) { return p != nullptr; }
    static void Close(Type p) { p->Release(); }
};

template <typename Interface> using ComPtr = UniqueHandle<ComTraits<Interface>>;

struct BstrTraits {
    using Type = BSTR;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type s) { return s != nullptr; }
    static void Close(Type s) { ::SysFreeString(s); }
};

// A string of the automation allocator (what accessibility calls hand out and take).
using Bstr = UniqueHandle<BstrTraits>;

} // namespace qs
