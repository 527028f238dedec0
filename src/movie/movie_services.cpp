// The movie-services module's entry points. For now it answers the
// environment routines: initialisation and termination, entering and leaving
// movies, and the environment queries (its version).
#include "movie/movie_services.h"

#include "movie/movie_reading.h"
#include "reading_routines.h"
#include "writing_routines.h"

#include <atomic>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

namespace movie {
namespace {

// The module's version, 1.0.0 final.
constexpr uint32_t kModuleVersion = 0x01000000u | kFinalStage;

// Initialisations not yet matched by a termination. Threads of the loading
// process may call in; the count is the module's only state.
std::atomic<int32_t> g_initialisations{0};

// FFmpeg reports only errors, when reading as when writing: its notes on every file and its
// warnings on every frame ("deprecated pixel format used") are no concern of the console of
// the server or of the program that started it.
void QuietenCodecLog() {
    static std::once_flag quietened;
    std::call_once(quietened, [] { av_log_set_level(AV_LOG_ERROR); });
}

int32_t Initialize(const InitializeArgs* arguments) {
    if (!arguments) return kParameterError;
    QuietenCodecLog();
    g_initialisations.fetch_add(1);
    return kNoError;
}

int32_t Terminate() {
    int32_t count = g_initialisations.load();
    // Never below zero: a surplus termination is refused.
    while (count > 0 && !g_initialisations.compare_exchange_weak(count, count - 1)) {
    }
    return count > 0 ? kNoError : kNotInitialised;
}

int32_t EnvironmentQuery(const EnvironmentQueryArgs* arguments) {
    if (!arguments || !arguments->response) return kParameterError;
    if (arguments->query == kVersionQuery) {
        *arguments->response = static_cast<int32_t>(kModuleVersion);
        return kNoError;
    }
    return kUnknownQuery;
}

bool Initialised() {
    return g_initialisations.load() > 0;
}

} // namespace
} // namespace movie

extern "C" {

__attribute__((visibility("default"))) int32_t theQuickTimeDispatcher(uint32_t selector,
                                                                      void* arguments) {
    using namespace movie;
    switch (selector) {
    case kInitialize:
        return Initialize(static_cast<const InitializeArgs*>(arguments));
    case kTerminate:
        return Terminate();
    case kEnterMovies:
    case kExitMovies:
        return Initialised() ? kNoError : kNotInitialised;
    case kEnvironmentQuery:
        return EnvironmentQuery(static_cast<const EnvironmentQueryArgs*>(arguments));
    default:
        if (selector >= kFirstWritingSelector && selector <= kLastWritingSelector)
            return Initialised() ? DispatchWriting(selector, arguments) : kNotInitialised;
        // Reading routines run uninitialised too: a state's last owner may
        // free its movie after the module has been terminated.
        if (selector >= kFirstReadingSelector && selector <= kLastReadingSelector)
            return DispatchReading(selector, arguments);
        return kUnimplemented;
    }
}

// No components are served yet.
__attribute__((visibility("default"))) int32_t _CallComponent(void*, uint32_t, void*) {
    return movie::kUnimplemented;
}

__attribute__((visibility("default"))) int32_t _CallComponentFunctionWithStorage(void*, void*,
                                                                                 void*) {
    return movie::kUnimplemented;
}

} // extern "C"
