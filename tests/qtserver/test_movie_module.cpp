// Movie-services modules with faults, for the loader and shutdown tests:
//   TEST_INITIALISE_RESULT  initialisation answers this code;
//   TEST_WITHOUT_COMPONENTS the two component entry points are missing;
//   TEST_STUCK_ON_EXIT      leaving movies never returns.
#include "movie/movie_services.h"

#include <unistd.h>

extern "C" {

__attribute__((visibility("default"))) int32_t theQuickTimeDispatcher(uint32_t selector, void*) {
#ifdef TEST_INITIALISE_RESULT
    if (selector == movie::kInitialize) return TEST_INITIALISE_RESULT;
#endif
#ifdef TEST_STUCK_ON_EXIT
    if (selector == movie::kExitMovies)
        for (;;)
            pause();
#endif
    (void)selector;
    return movie::kNoError;
}

#ifndef TEST_WITHOUT_COMPONENTS
__attribute__((visibility("default"))) int32_t _CallComponent(void*, uint32_t, void*) {
    return movie::kUnimplemented;
}

__attribute__((visibility("default"))) int32_t _CallComponentFunctionWithStorage(void*, void*,
                                                                                 void*) {
    return movie::kUnimplemented;
}
#endif

} // extern "C"
