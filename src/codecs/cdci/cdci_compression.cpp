// Reading a descriptor's Compression property: absent, the tag of
// uncompressed component video, or anything else.
#include "cdci/cdci_state.h"

#include "omf/omf_access.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"

#include <cstring>

namespace omf::codecs::cdci {

namespace {

constexpr omfInt32 kCompressionTextSize = 64;

} // namespace

omfErr_t readCompression(omfHdl_t file, omfObject_t descriptor, Compression* compression) {
    *compression = Compression::absent;
    if (!omfsPropertyPresent(file, descriptor, kOmfProperty_DIDD_Compression, kOmfType_String)) {
        return 0;
    }
    char text[kCompressionTextSize] = {};
    OMF_CHECK(file,
              omfsReadString(file, descriptor, kOmfProperty_DIDD_Compression, text, sizeof text));
    *compression =
        std::strcmp(text, kUncompressedTag) == 0 ? Compression::uncompressed : Compression::other;
    return 0;
}

} // namespace omf::codecs::cdci
