// Whether this build's host functions honour the host scope (keep list and file recorder): the
// walks that do arrive with a change of their own, and the tests of what is built on them wait
// for it.
#pragma once

namespace qs::test {

// A measurement of a folder with two files, one of them kept, counts only the other and tells
// the recorder about it.
bool HostScopeHonoured();

} // namespace qs::test

#define SKIP_UNLESS_HOST_SCOPE()                                                                                       \
    if (!::qs::test::HostScopeHonoured())                                                                              \
    GTEST_SKIP() << "the host functions do not honour the keep list and the recorder in this build yet"
