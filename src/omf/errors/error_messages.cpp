// The toolkit's message table: one fixed text per error code.
#include "omf/omf_errors.h"

#include <cstddef>
#include <iterator>

namespace {

constexpr const char* kUnknownError = "OMFI_ERR: Unknown error code";

// The texts indexed by code, generated from the one code table.
constexpr const char* kMessages[] = {
#define OMF_ERROR_MESSAGE(code, name, text) text,
    OMF_ERROR_CODES(OMF_ERROR_MESSAGE)
#undef OMF_ERROR_MESSAGE
};

// The table lists the codes from 0 upwards without a gap, so a code is its own index.
constexpr omfErr_t kCodes[] = {
#define OMF_ERROR_NUMBER(code, name, text) code,
    OMF_ERROR_CODES(OMF_ERROR_NUMBER)
#undef OMF_ERROR_NUMBER
};

constexpr bool codesAreTheirIndexes() {
    for (size_t index = 0; index < std::size(kCodes); ++index) {
        if (kCodes[index] != static_cast<omfErr_t>(index)) return false;
    }
    return true;
}
static_assert(codesAreTheirIndexes(), "error codes must run from 0 upwards without a gap");

} // namespace

extern "C" const char* omfsErrorName(omfErr_t code) {
    if (code < 0 || code >= static_cast<omfErr_t>(std::size(kMessages))) return kUnknownError;
    const char* text = kMessages[static_cast<size_t>(code)];
    return text != nullptr ? text : kUnknownError;
}
