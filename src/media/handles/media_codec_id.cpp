// The codec ID of the codec a media handle reads and writes through.
#include "media/internal/codec_registry.h"
#include "media/internal/media_handles.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_error_codes.h"

#include <cstring>

using namespace omf;
using namespace omf::media;

extern "C" {

omfErr_t omfmGetCodecID(omfMediaHdl_t media, omfInt32 bufferSize, char* codecID) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    if (codecID == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    // A handle whose open or create never chose a codec has none to name.
    if (media->codec.entry == nullptr) OMF_RAISE(file, OM_ERR_INVALID_CODEC);
    omfCodecMetaInfo_t info{};
    OMF_CHECK(file, describeCodec(media->codec, nullptr, nullptr, 0, &info));
    const char* id = info.codecID != nullptr ? info.codecID : "";
    const std::size_t length = std::strlen(id);
    // The ID and its terminating zero must fit; a cut ID would name another codec.
    if (bufferSize <= 0 || length >= std::size_t(bufferSize))
        OMF_RAISE(file, OM_ERR_BUFFER_TOO_SMALL);
    std::memset(codecID, 0, std::size_t(bufferSize));
    std::memcpy(codecID, id, length);
    return 0;
}

} // extern "C"
