// Initialisation of the component library for the lifetime of a scope.
#pragma once

namespace qs {

// The shell functions behind the recycle bin and the icons need the component library on the
// calling thread. Initialises it (single-threaded apartment) when constructed and uninitialises
// it when destroyed, but only if the initialisation succeeded, as the platform requires.
class CComScope {
public:
    CComScope();
    ~CComScope();
    CComScope(const CComScope&) = delete;
    CComScope& operator=(const CComScope&) = delete;

    bool Initialised() const { return m_ok; }

private:
    bool m_ok;
};

} // namespace qs
