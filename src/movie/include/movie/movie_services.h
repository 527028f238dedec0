// The movie-services module's interface: the entry points a loader resolves
// by name, the routine selectors its dispatcher takes with their argument
// records, and its result codes. Header only: the server loads the module at
// run time and never links it.
#pragma once

#include <cstdint>

namespace movie {

// Names of the exported entry points.
inline constexpr const char kDispatcherEntry[] = "theQuickTimeDispatcher";
inline constexpr const char kComponentEntry[] = "_CallComponent";
inline constexpr const char kComponentWithStorageEntry[] = "_CallComponentFunctionWithStorage";

// Every routine: its selector and a pointer to its argument record (null
// when it takes none). Answers a result code.
using Dispatcher = int32_t (*)(uint32_t selector, void* arguments);
// A call of component `instance`'s routine `selector`.
using ComponentCall = int32_t (*)(void* instance, uint32_t selector, void* arguments);
// A call of a component's routine `function` with its storage.
using ComponentWithStorageCall = int32_t (*)(void* storage, void* arguments, void* function);

// A four-character code with the first character in the high byte.
constexpr uint32_t FourCharCode(const char (&text)[5]) {
    return static_cast<uint32_t>(static_cast<unsigned char>(text[0])) << 24 |
           static_cast<uint32_t>(static_cast<unsigned char>(text[1])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(text[2])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(text[3]));
}

// Routine selectors.
enum Selector : uint32_t {
    kInitialize = 1,       // InitializeArgs
    kTerminate = 2,        // no arguments
    kEnterMovies = 3,      // no arguments; the calling thread may use movies
    kExitMovies = 4,       // no arguments
    kEnvironmentQuery = 5, // EnvironmentQueryArgs
};

struct InitializeArgs {
    int32_t flags;
};

struct EnvironmentQueryArgs {
    uint32_t query;    // a four-character code, e.g. kVersionQuery
    int32_t* response; // receives the answer
};

// Environment query answering the module's version word: bits 31..24 the
// major version, 23..20 the minor, 19..16 the fix, 15..0 the release stage.
inline constexpr uint32_t kVersionQuery = FourCharCode("qtim");
// Stage bits of a final release.
inline constexpr uint32_t kFinalStage = 0x8000;

// Result codes.
inline constexpr int32_t kNoError = 0;
inline constexpr int32_t kUnimplemented = -4;     // no such routine (yet)
inline constexpr int32_t kParameterError = -50;   // a missing or bad argument record
inline constexpr int32_t kNotInitialised = -2096; // a routine called before Initialize
inline constexpr int32_t kUnknownQuery = -5551;   // an environment query nobody answers
// A pixel format a routine cannot take or give.
inline constexpr int32_t kPixelFormatNotAccepted = -8971;

} // namespace movie
