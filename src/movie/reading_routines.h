// The dispatcher's reading routines (selectors kFirstReadingSelector to
// kLastReadingSelector).
#pragma once

#include <cstdint>

namespace movie {

int32_t DispatchReading(uint32_t selector, void* arguments);

} // namespace movie
