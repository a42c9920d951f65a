// The component library's initialisation scope.
#include "hostfn/ComScope.h"

#include <objbase.h>

namespace qs {

CComScope::CComScope() : m_ok(SUCCEEDED(::CoInitialize(nullptr))) {}

CComScope::~CComScope() {
    if (m_ok)
        ::CoUninitialize();
}

} // namespace qs
