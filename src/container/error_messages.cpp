// The container library's numbered messages and their formatting.
#include "container/cm_api.h"
#include "handlers/message_format.h"

#include <cstdio>
#include <iterator>

namespace {

// Message texts by error number, from the error table.
#define CM_ERROR_TEXT(number, name, text) text,
constexpr const char* kMessages[] = {CM_ERROR_TABLE(CM_ERROR_TEXT)};
#undef CM_ERROR_TEXT

// The table lists every number once, in ascending order from 0, so a number
// indexes its text.
#define CM_ERROR_NUMBER(number, name, text) number,
constexpr CMErrorNbr kNumbers[] = {CM_ERROR_TABLE(CM_ERROR_NUMBER)};
#undef CM_ERROR_NUMBER

constexpr bool numbersAreIndexes() {
    for (size_t index = 0; index < std::size(kNumbers); ++index) {
        if (kNumbers[index] != static_cast<CMErrorNbr>(index)) return false;
    }
    return true;
}
static_assert(numbersAreIndexes(), "error numbers must run from 0 without gaps");

constexpr CMErrorNbr kMessageCount = static_cast<CMErrorNbr>(std::size(kMessages));
static_assert(kMessageCount == 136, "the message table holds numbers 0 to 135");

} // namespace

extern "C" {

const char* CMErrorTemplate(CMErrorNbr errorNumber) {
    if (errorNumber < 0 || errorNumber >= kMessageCount) return nullptr;
    return kMessages[errorNumber];
}

size_t CMFormatErrorMessage(char* out, size_t outSize, CMErrorNbr errorNumber, int argc,
                            const char* const* argv) {
    const char* messageTemplate = CMErrorTemplate(errorNumber);
    if (messageTemplate != nullptr) {
        return container::substituteMessageArguments(out, outSize, messageTemplate, argc, argv);
    }
    // An unknown number is shown as such rather than dropped.
    char undefined[64];
    std::snprintf(undefined, sizeof undefined, "Undefined error message for error #%ld",
                  static_cast<long>(errorNumber));
    return container::substituteMessageArguments(out, outSize, undefined, 0, nullptr);
}

} // extern "C"
