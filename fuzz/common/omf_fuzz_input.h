// Opens fuzz input as an OMF file in a fresh toolkit session.
#pragma once

#include "fuzz_input.h"
#include "omf/omf_errors.h"
#include "omf/omf_session.h"

namespace fuzz {

// Opens the bytes as an OMF file in a fresh session, prepared by `prepare`
// (for example the media layer's initialisation), and runs `use` on it.
template <typename Use, typename Prepare>
void withOMFFile(const uint8_t* data, size_t size, Use use, Prepare prepare) {
    const std::string path = inputFile(data, size);
    if (path.empty()) return;
    omfProductIdentification_t ident{};
    ident.companyName = "fuzz";
    ident.productName = "fuzz";
    omfSessionHdl_t session = nullptr;
    if (omfsStartSession(&ident, &session) != 0) return;
    omfsSetBentoErrorPrinting(session, false);
    if (prepare(session) != 0) {
        omfsFinishSession(session);
        return;
    }
    omfHdl_t file = nullptr;
    if (omfsOpenFileForRead(path.c_str(), session, &file) == 0) {
        use(file);
        omfsCloseOMFFile(file);
    }
    omfsFinishSession(session);
}

template <typename Use> void withOMFFile(const uint8_t* data, size_t size, Use use) {
    withOMFFile(data, size, use, [](omfSessionHdl_t) { return 0; });
}

} // namespace fuzz
