// Turning a routine into the generic address a metahandler answers, checked
// against the signature the library will call it with.
#pragma once

#include "container/cm_types.h"

#include <type_traits>

namespace container {

struct NamedRoutine {
    const char* operationType;
    CMHandlerAddr routine;
};

template <typename Expected, typename Actual> CMHandlerAddr handlerRoutine(Actual routine) {
    static_assert(std::is_same_v<Expected, Actual>, "routine does not match its operation");
    return reinterpret_cast<CMHandlerAddr>(routine);
}

} // namespace container
